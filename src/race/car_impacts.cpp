// Impacts heard: a crash sound from the speed a car loses against a wall or
// another car, beside the spin rule that hears the player's angular momentum.
// A square hit that only stops a car turns it little, so the spin rule alone
// leaves the hardest hits silent.
#include <cmath>

#include "audio/audio.h"
#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

// The remembered speed falls at most this fast (units a second, per physics
// second): hard braking (about 5.5) with the air drag at top speed (about 1)
// never opens a gap, a wall or a car stops one within a few sub-steps.
static constexpr float kImpactRelease = 20.0f;
// The world runs 2.8 physics seconds to a second of play (0.028 a 10 ms
// frame); the spacing of impact sounds is in seconds of play.
static constexpr float kPhysicsSecondsPerSecond = 2.8f;
// At most one impact sound a car in this many seconds of play: a car
// grinding along a wall rings once, not at every bump.
static constexpr float kImpactSpacing = 0.3f;
// How deep the player's heaviest hit ducks the engines, wind and music
// (a gain of 0.4, 8 dB) so the crash's first 100 ms stand 6-10 dB out of
// them even at full throttle.
static constexpr float kImpactDuck = 0.6f;
// A move further than this in one sub-step (units) is a reset or a new race,
// not driving: the car is watched afresh from there.
static constexpr float kImpactJump = 3.0f;

// Per car, from one physics sub-step to the next; the race's sounds alone
// read it, never the driving.
struct ImpactWatch {
    Vector3 position;  // the body's position at the last sub-step
    float held;        // the speed remembered, falling by kImpactRelease
    float loss;        // held less the speed at the last sub-step
    float quiet;       // seconds of play since the last impact sound
};
static ImpactWatch impactWatch[kRaceCars];

ImpactSound impactSoundFor(float speedLost) {
    // Bands of speed lost, units a second (Km/h is 10.5 times that): a
    // scrape, a knock, a hard hit, a car stopped dead.
    static const float kBandFrom[4] = {kImpactThreshold, 6.0f, 10.0f, 15.0f};
    static SoundEffect* const kFiles[4] = {&audio.soundCrash0, &audio.soundCrash1, &audio.soundCrash2,
                                           &audio.soundCrash3};
    static_assert(sizeof kBandFrom / sizeof kBandFrom[0] == sizeof kFiles / sizeof kFiles[0],
                  "one file per band");
    ImpactSound out{nullptr, 0.0f};
    for (int i = 0; i < 4; i++) {
        if (speedLost >= kBandFrom[i]) out.sound = kFiles[i];
    }
    if (out.sound != nullptr) {
        // Half loud at the threshold, full from a car stopped from 120 Km/h.
        out.gain = 0.5f + 0.5f * (speedLost - kImpactThreshold) / (12.0f - kImpactThreshold);
        if (out.gain > 1.0f) out.gain = 1.0f;
    }
    return out;
}

ImpactSound listenForImpact(const Car& car, float h) {
    ImpactSound none{nullptr, 0.0f};
    if (car.body == nullptr || car.index < 0 || car.index >= kRaceCars || h <= 0.0f) return none;
    ImpactWatch& w = impactWatch[car.index];
    const Vector3 p = getPosition(car.body);
    const Vector3 v = getLinearVelocity(car.body);
    // Along the ground: the suspension's bounce and a landing are not hits.
    const float speed = std::sqrt(v.x * v.x + v.z * v.z);
    w.quiet += h / kPhysicsSecondsPerSecond;
    if (length(p - w.position) > kImpactJump) {
        // Put on the road afresh: nothing to wait for.
        w = ImpactWatch{p, speed, 0.0f, kImpactSpacing};
        return none;
    }
    w.position = p;
    w.held -= kImpactRelease * h;
    if (w.held < speed) w.held = speed;
    const float loss = w.held - speed;
    // The loss grows over the few sub-steps the contact takes; it is heard
    // once it stops growing, sized by all of it.
    if (loss <= w.loss && w.loss >= kImpactThreshold && w.quiet >= kImpactSpacing) {
        const ImpactSound impact = impactSoundFor(w.loss);
        placeSound(*impact.sound, p, v);
        impact.sound->setGain(impact.gain);
        if (options.soundEnabled) impact.sound->play();
        // The player's own hits duck the bed: 8 dB for the heaviest.
        if (car.index == 0) duckRaceBed(1.0f - kImpactDuck * impact.gain);
        noteReplayEvent(ReplayEventKind::Crash, car.index,
                        static_cast<int>(std::lround(impact.gain * 100.0f)));
        w.quiet = 0.0f;
        w.held = speed;
        w.loss = 0.0f;
        return impact;
    }
    w.loss = loss;
    return none;
}
