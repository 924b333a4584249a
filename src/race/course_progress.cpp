// Each car's progress along the circuit: the distance it has driven along
// the waypoints, forwards or backwards. It tells the wrong-way warning
// (driving against the circuit for a sustained distance, whatever the bends
// do to the direction of the next checkpoint) and keeps a checkpoint from
// counting for a car that came to it the wrong way round.
#include <cmath>

#include "race/race.h"
#include "state/state.h"

namespace {

// Driven this far against the circuit's direction, the car is going the
// wrong way: longer than a spin or a back-out from a wall, short enough to
// tell within two seconds at racing speed.
constexpr float kWrongWayDistance = 30.0f;
// Driving forwards takes back the distance driven backwards this many times
// over, so the warning goes off soon after the car has turned round.
constexpr float kForwardClears = 4.0f;
// A checkpoint counts only for a car whose progress since the last one it
// passed has not gone back more than this: one that drove the loop backwards
// to it comes a whole lap short.
constexpr float kPassSlack = 30.0f;
// The nearby segments searched each step; a car further than kLostDistance
// from all of them (put down elsewhere) is looked for along the whole loop.
constexpr int kSearchBack = 2, kSearchAhead = 3;
constexpr float kLostDistance = 30.0f;

Vector3 point(int i) {
    const Checkpoint& c =
        session
            .checkpoints[((i % session.checkpointCount) + session.checkpointCount) % session.checkpointCount];
    return Vector3(c.x, c.y, c.z);
}

// Distance along the waypoints from checkpoint 0 to checkpoint i (0..count;
// the last is the loop's length), measured again by every public entry, so
// that a table put in place by hand is measured too.
float segmentStarts[kMaxCheckpoints + 1];

void measureLoop() {
    segmentStarts[0] = 0.0f;
    for (int k = 0; k < session.checkpointCount; k++)
        segmentStarts[k + 1] = segmentStarts[k] + length(point(k + 1) - point(k));
}

float startOf(int i) {
    return segmentStarts[i];
}

float loopLength() {
    return segmentStarts[session.checkpointCount];
}

struct OnSegment {
    int segment;
    float along;  // 0..loopLength
    float distance;
};

OnSegment placeOnSegment(int segment, const Vector3& p) {
    const Vector3 a = point(segment), b = point(segment + 1);
    const Vector3 d = b - a;
    const float lengthSq = dot(d, d);
    float t = lengthSq > 0.0f ? dot(p - a, d) / lengthSq : 0.0f;
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    OnSegment on;
    on.segment = segment;
    on.along = startOf(segment) + t * std::sqrt(lengthSq);
    on.distance = length(p - (a + d * t));
    return on;
}

OnSegment nearestSegment(int from, int to, const Vector3& p) {
    OnSegment best{0, 0.0f, 1e30f};
    for (int k = from; k <= to; k++) {
        const int segment =
            ((k % session.checkpointCount) + session.checkpointCount) % session.checkpointCount;
        const OnSegment on = placeOnSegment(segment, p);
        if (on.distance < best.distance) best = on;
    }
    return best;
}

// The shortest way round the loop from one place on it to another.
float loopStep(float from, float to, float loop) {
    float d = to - from;
    if (d > 0.5f * loop) d -= loop;
    if (d < -0.5f * loop) d += loop;
    return d;
}

bool racing() {
    return !session.countdownRunning && !session.raceFinished;
}

void seed(int car, const OnSegment& on) {
    CourseProgress& c = session.courseProgress[car];
    const float loop = loopLength();
    c.segment = on.segment;
    // The grid stands just behind the start line: a little before 0, not
    // nearly a lap on.
    c.along = on.along > 0.5f * loop ? on.along - loop : on.along;
    c.passedAlong = c.along;
    c.passedSeen = session.cars[car].checkpointsPassed;
    c.backwards = 0.0f;
}

}  // namespace

void resetCourseProgress() {
    measureLoop();
    for (int i = 0; i < kRaceCars; i++) {
        session.courseProgress[i] = CourseProgress{};
        if (session.cars[i].body != nullptr && session.checkpointCount > 1)
            seed(i, nearestSegment(0, session.checkpointCount - 1, getPosition(session.cars[i].body)));
    }
    for (PlayerRace& player : players) player.wrongWayTimer = 0.0f;
}

void placeCourseProgress(int car, int checkpoint) {
    if (car < 0 || car >= kRaceCars || session.checkpointCount <= 1) return;
    measureLoop();
    CourseProgress& c = session.courseProgress[car];
    checkpoint = ((checkpoint % session.checkpointCount) + session.checkpointCount) % session.checkpointCount;
    // The same lap of the loop as before the move, the nearer way round.
    c.along += loopStep(c.along, startOf(checkpoint), loopLength());
    c.segment = checkpoint;
    if (c.passedAlong > c.along) c.passedAlong = c.along;
    c.backwards = 0.0f;
    if (car < session.humanCount && car < kMaxPlayers) players[car].wrongWayTimer = 0.0f;
}

void updateCourseProgress(float f) {
    if (session.checkpointCount <= 1) return;
    measureLoop();
    const float loop = loopLength();
    for (int i = 0; i < kRaceCars; i++) {
        CourseProgress& c = session.courseProgress[i];
        if (session.cars[i].body == nullptr) continue;
        const Vector3 p = getPosition(session.cars[i].body);
        OnSegment on = nearestSegment(c.segment - kSearchBack, c.segment + kSearchAhead, p);
        if (on.distance > kLostDistance) {
            const OnSegment anywhere = nearestSegment(0, session.checkpointCount - 1, p);
            if (anywhere.distance < on.distance) on = anywhere;
        }
        const float step = loopStep(std::fmod(std::fmod(c.along, loop) + loop, loop), on.along, loop);
        c.along += step;
        c.segment = on.segment;
        if (session.cars[i].checkpointsPassed != c.passedSeen) {
            c.passedSeen = session.cars[i].checkpointsPassed;
            c.passedAlong = c.along;
        }
        if (!racing()) {
            c.backwards = 0.0f;
        } else if (step < 0.0f) {
            c.backwards -= step;
        } else {
            c.backwards = std::fmax(0.0f, c.backwards - kForwardClears * step);
        }
        const bool shown = wrongWayOn(i);
        if (shown) c.wrongWaySeconds += 0.01f * f;
        if (i < session.humanCount && i < kMaxPlayers)
            players[i].wrongWayTimer = shown ? players[i].wrongWayTimer + 0.01f * f : 0.0f;
    }
}

bool wrongWayOn(int car) {
    return car >= 0 && car < kRaceCars && racing() &&
           session.courseProgress[car].backwards >= kWrongWayDistance;
}

bool checkpointApproachedInOrder(const Car& car) {
    if (car.index < 0 || car.index >= kRaceCars || session.checkpointCount <= 1) return true;
    const CourseProgress& c = session.courseProgress[car.index];
    return c.along - c.passedAlong > -kPassSlack;
}
