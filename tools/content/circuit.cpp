// The circuits: corner lists, sampled centre lines, and the course built
// along them (collision surface and walls, drawn road, barriers, lamps,
// waypoints).
#include "content/circuit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "content/city.h"
#include "content/districts.h"

Vec3 raceGridOrigin(int race) {
    switch (race) {
        case 1:
        case 5:
        case 13:
            return {-18.0f, -5.0f, -167.0f};
        case 2:
        case 8:
        case 12:
            return {-369.0f, -6.2f, 552.0f};
        case 3:
        case 9:
            return {392.0f, -6.0f, -126.0f};
        case 4:
        case 10:
            return {-27.0f, -5.6f, 13.0f};
        case 6:
        case 14:
            return {-59.0f, -6.3f, 305.0f};
        case 7:
            return {237.0f, -5.0f, -568.0f};
        default:
            return {-14.0f, -5.5f, -557.0f};  // 11 and 15
    }
}

// Crossings as (avenue, street) index pairs, in driving order; the first
// edge is the start straight along +x.
static std::vector<std::pair<int, int>> circuitCorners(int race) {
    switch (race) {
        case 1:
            return {{3, 3}, {6, 3}, {6, 6}, {3, 6}};
        case 2:
            return {{0, 10}, {3, 10}, {3, 8}, {0, 8}};
        case 3:
            return {{6, 4}, {7, 4}, {7, 7}, {5, 7}, {5, 6}, {6, 6}};
        case 4:
            return {{2, 6}, {5, 6}, {5, 7}, {4, 7}, {4, 8}, {2, 8}};
        case 5:
            return {{2, 3}, {5, 3}, {5, 1}, {2, 1}};
        case 6:
            return {{3, 8}, {4, 8}, {4, 7}, {7, 7}, {7, 9}, {3, 9}};
        case 7:
            return {{4, 0}, {7, 0}, {7, 2}, {4, 2}};
        case 8:
            return {{0, 10}, {5, 10}, {5, 9}, {2, 9}, {2, 7}, {0, 7}};
        case 9:
            return {{6, 4}, {7, 4}, {7, 0}, {5, 0}, {5, 2}, {6, 2}};
        case 10:
            return {{1, 6}, {4, 6}, {4, 5}, {2, 5}, {2, 2}, {0, 2}, {0, 5}, {1, 5}};
        case 11:
            return {{2, 0}, {5, 0}, {5, 1}, {4, 1}, {4, 2}, {2, 2}};
        case 12:
            return {{0, 10}, {2, 10}, {2, 7}, {1, 7}, {1, 6}, {0, 6}};
        case 13:
            return {{1, 3}, {5, 3}, {5, 1}, {3, 1}, {3, 2}, {1, 2}};
        case 14:
            return {{2, 8}, {6, 8}, {6, 10}, {2, 10}};
        default:
            return {{0, 0}, {4, 0}, {4, 1}, {3, 1}, {3, 3}, {1, 3}, {1, 5}, {0, 5}};  // 15
    }
}

static const float kStraightStep = 12.0f;
static const float kArcStepRadians = 0.1308997f;  // 7.5 degrees

static PathSample sampleAt(float x, float z, Vec3 direction, float halfWidth, bool corner) {
    PathSample s;
    s.position = {x, groundHeight(x, z), z};
    s.direction = direction;
    s.halfWidth = halfWidth;
    s.distance = 0.0f;
    s.corner = corner;
    return s;
}

Circuit makeCircuit(int race) {
    Circuit circuit;
    circuit.race = race;
    std::vector<std::pair<int, int>> corners = circuitCorners(race);
    size_t n = corners.size();
    std::vector<Vec3> c(n);
    std::vector<float> edgeHalf(n);  // edge i runs from corner i to corner i+1
    bool startsOnBoulevard = corners[0].second == 0;
    for (size_t i = 0; i < n; ++i) {
        int street = corners[i].second;
        float z = kStreetZ[street];
        // The boulevard is wide enough for a course on either half; a race
        // that starts there runs along its own grid's middle.
        if (street == 0 && startsOnBoulevard) z = gridMiddleZ(race);
        c[i] = {kAvenueX[corners[i].first], 0.0f, z};
    }
    for (size_t i = 0; i < n; ++i) {
        bool boulevard = corners[i].second == 0 && corners[(i + 1) % n].second == 0;
        edgeHalf[i] = boulevard ? 15.0f : kStreetHalfWidth;
    }
    // Arc ends per corner.
    std::vector<Vec3> arcStart(n), arcEnd(n), centre(n);
    std::vector<float> radius(n);
    for (size_t i = 0; i < n; ++i) {
        Vec3 in = normalize(c[i] - c[(i + n - 1) % n]), out = normalize(c[(i + 1) % n] - c[i]);
        // The block inside the turn lies between where we came from and
        // where we go.
        Vec3 inside = out - in;
        radius[i] = cornerRadiusAt(corners[i].first, corners[i].second, inside.x > 0 ? 1.0f : -1.0f,
                                   inside.z > 0 ? 1.0f : -1.0f);
        float r = radius[i];
        arcStart[i] = c[i] - in * r;
        arcEnd[i] = c[i] + out * r;
        Vec3 o = arcStart[i] + rightOf(in) * r;
        if (std::fabs(length(o - arcEnd[i]) - r) > 0.5f) o = arcStart[i] - rightOf(in) * r;
        centre[i] = o;
    }
    // Walk: straight of edge i from arcEnd[i] to arcStart[i+1], then the arc
    // of corner i+1; start at corner 0's arc end.
    for (size_t e = 0; e < n; ++e) {
        size_t next = (e + 1) % n;
        Vec3 a = arcEnd[e], b = arcStart[next];
        Vec3 dir = normalize(b - a);
        float len = length(b - a);
        int pieces = std::max(1, static_cast<int>(std::ceil(len / kStraightStep)));
        for (int k = 0; k < pieces; ++k) {
            Vec3 p = a + (b - a) * (static_cast<float>(k) / pieces);
            circuit.path.push_back(sampleAt(p.x, p.z, dir, edgeHalf[e], false));
        }
        Vec3 o = centre[next];
        float s0 = std::atan2(b.z - o.z, b.x - o.x);
        Vec3 endPoint = arcEnd[next];
        float s1 = std::atan2(endPoint.z - o.z, endPoint.x - o.x);
        float sweep = s1 - s0;
        while (sweep > 3.14159265f) sweep -= 6.2831853f;
        while (sweep < -3.14159265f) sweep += 6.2831853f;
        int steps = std::max(2, static_cast<int>(std::ceil(std::fabs(sweep) / kArcStepRadians)));
        for (int k = 0; k < steps; ++k) {
            float t = static_cast<float>(k) / steps;
            float angle = s0 + sweep * t;
            float x = o.x + radius[next] * std::cos(angle), z = o.z + radius[next] * std::sin(angle);
            // Tangent: the radius turned a quarter in the sweep's sense.
            Vec3 radial{std::cos(angle), 0, std::sin(angle)};
            Vec3 tangent = sweep > 0 ? Vec3{-radial.z, 0, radial.x} : Vec3{radial.z, 0, -radial.x};
            float half = edgeHalf[e] + (edgeHalf[next] - edgeHalf[e]) * t;
            circuit.path.push_back(sampleAt(x, z, tangent, half, k > 0));
        }
    }
    float distance = 0.0f;
    for (size_t i = 0; i < circuit.path.size(); ++i) {
        if (i > 0) {
            Vec3 d = circuit.path[i].position - circuit.path[i - 1].position;
            distance += std::sqrt(d.x * d.x + d.z * d.z);
        }
        circuit.path[i].distance = distance;
    }
    Vec3 d = circuit.path.front().position - circuit.path.back().position;
    circuit.lapLength = distance + std::sqrt(d.x * d.x + d.z * d.z);
    return circuit;
}

float distanceToPath(const Circuit& circuit, float x, float z) {
    float best = 1e30f;
    size_t n = circuit.path.size();
    for (size_t i = 0; i < n; ++i) {
        Vec3 a = circuit.path[i].position, b = circuit.path[(i + 1) % n].position;
        float ax = b.x - a.x, az = b.z - a.z, px = x - a.x, pz = z - a.z;
        float l2 = ax * ax + az * az;
        float t = l2 > 0 ? std::clamp((px * ax + pz * az) / l2, 0.0f, 1.0f) : 0.0f;
        float dx = px - ax * t, dz = pz - az * t;
        best = std::min(best, dx * dx + dz * dz);
    }
    return std::sqrt(best);
}

// ---------------------------------------------------------------------------
// Waypoints.
//
// The opponents drive from waypoint to waypoint and brake hard whenever the
// next one lies well off their course, so the points follow a racing line:
// out wide before a bend, to the inside at its apex, out wide again after
// it. Points come every kWaypointStraight units on the straights and closer
// in the bends, so that no single step turns the line by more than
// kWaypointTurn.

static constexpr float kWaypointStraight = 30.0f;
static constexpr float kWaypointMinStep = 8.0f;
static constexpr float kWaypointTurn = 0.22f;
// How far the line keeps from the road's edge (half a car and a margin).
static constexpr float kLineEdgeMargin = 3.5f;
// Distance from a bend's apex at which the line is back at the outside, for
// a bend of a quarter turn; sharper or wider bends scale it.
static constexpr float kLineReach = 55.0f;

struct Bend {
    float apex;  // distance along the lap of the arc's middle
    float side;  // +1 turns right (the inside is on the right), -1 left
    float reach;
};

static float signedTurn(Vec3 from, Vec3 to) {
    // Positive when `to` lies to the right of `from`.
    float cross = from.x * to.z - from.z * to.x;
    float dot = from.x * to.x + from.z * to.z;
    return std::atan2(cross, dot);
}

static std::vector<Bend> circuitBends(const Circuit& circuit) {
    std::vector<Bend> bends;
    size_t n = circuit.path.size();
    for (size_t i = 0; i < n; ++i) {
        const PathSample& s = circuit.path[i];
        // An arc's samples are marked from its second one on: its first one
        // (unmarked) ends the straight before it.
        if (!s.corner || circuit.path[(i + n - 1) % n].corner) continue;
        size_t startIndex = (i + n - 1) % n;
        size_t end = i;
        while (circuit.path[(end + 1) % n].corner) end = (end + 1) % n;
        size_t after = (end + 1) % n;
        float d0 = circuit.path[startIndex].distance;
        float d1 = circuit.path[after].distance;
        if (d1 < d0) d1 += circuit.lapLength;
        float turn =
            signedTurn(circuit.path[(startIndex + n - 1) % n].direction, circuit.path[after].direction);
        Bend b;
        b.apex = std::fmod(0.5f * (d0 + d1), circuit.lapLength);
        b.side = turn > 0.0f ? 1.0f : -1.0f;
        b.reach = kLineReach * std::min(1.3f, std::fabs(turn) / 1.5707963f) + 0.5f * (d1 - d0);
        bends.push_back(b);
    }
    return bends;
}

// Centre-line position, direction and half-width at a distance along the lap.
static PathSample pathAt(const Circuit& circuit, float distance) {
    size_t n = circuit.path.size();
    distance = std::fmod(distance, circuit.lapLength);
    if (distance < 0.0f) distance += circuit.lapLength;
    size_t lo = 0, hi = n;
    while (hi - lo > 1) {
        size_t mid = (lo + hi) / 2;
        if (circuit.path[mid].distance <= distance)
            lo = mid;
        else
            hi = mid;
    }
    const PathSample& a = circuit.path[lo];
    const PathSample& b = circuit.path[(lo + 1) % n];
    float span = (lo + 1 < n ? b.distance : circuit.lapLength) - a.distance;
    float t = span > 0.0f ? (distance - a.distance) / span : 0.0f;
    PathSample s = a;
    s.position = a.position + (b.position - a.position) * t;
    s.direction = normalize(a.direction + (b.direction - a.direction) * t);
    s.halfWidth = a.halfWidth + (b.halfWidth - a.halfWidth) * t;
    s.distance = distance;
    return s;
}

// The racing line's side offset (to the right of the centre line, as a
// fraction of the usable half-width) along the lap: key points at each apex
// and, where two bends turn the same way, out wide between them.
struct LineKey {
    float distance;
    float offset;
};

static std::vector<LineKey> racingLineKeys(const Circuit& circuit, float startDistance) {
    std::vector<Bend> bends = circuitBends(circuit);
    std::vector<LineKey> keys;
    size_t m = bends.size();
    for (size_t i = 0; i < m; ++i) {
        const Bend& a = bends[i];
        const Bend& b = bends[(i + 1) % m];
        keys.push_back({a.apex, a.side});
        float gap = b.apex - a.apex;
        if (gap <= 0.0f) gap += circuit.lapLength;
        // Bends the other way: the line runs straight from apex to apex.
        if (a.side != b.side) continue;
        float out = a.reach, in = b.reach;
        if (out + in > gap) {
            out = in = 0.5f * gap;
            keys.push_back({std::fmod(a.apex + out, circuit.lapLength), -a.side});
        } else {
            keys.push_back({std::fmod(a.apex + out, circuit.lapLength), -a.side});
            keys.push_back({std::fmod(b.apex - in + circuit.lapLength, circuit.lapLength), -b.side});
        }
    }
    // Through the start line on the centre, where waypoint 0 stands: the
    // keys near it are dropped so the line runs straight into it.
    const float start = std::fmod(startDistance, circuit.lapLength);
    std::vector<LineKey> kept;
    for (const LineKey& k : keys) {
        float gap = std::fabs(k.distance - start);
        gap = std::min(gap, circuit.lapLength - gap);
        if (gap > kLineReach) kept.push_back(k);
    }
    kept.push_back({start, 0.0f});
    keys = kept;
    std::sort(keys.begin(), keys.end(),
              [](const LineKey& x, const LineKey& y) { return x.distance < y.distance; });
    return keys;
}

static float racingLineOffset(const std::vector<LineKey>& keys, float lapLength, float distance) {
    if (keys.empty()) return 0.0f;
    size_t k = 0;
    while (k < keys.size() && keys[k].distance <= distance) ++k;
    const LineKey& next = keys[k % keys.size()];
    const LineKey& prev = keys[(k + keys.size() - 1) % keys.size()];
    float span = next.distance - prev.distance;
    float along = distance - prev.distance;
    if (span <= 0.0f) span += lapLength;
    if (along < 0.0f) along += lapLength;
    float t = span > 0.0f ? std::clamp(along / span, 0.0f, 1.0f) : 0.0f;
    t = t * t * (3.0f - 2.0f * t);
    return prev.offset + (next.offset - prev.offset) * t;
}

static Vec3 racingLinePoint(const Circuit& circuit, const std::vector<LineKey>& keys, float distance) {
    PathSample s = pathAt(circuit, distance);
    float usable = std::max(0.0f, s.halfWidth - kLineEdgeMargin);
    float offset = racingLineOffset(keys, circuit.lapLength, s.distance) * usable;
    return s.position + rightOf(s.direction) * offset;
}

// The turn of the line at waypoint i of the stored, whole-unit points.
static float storedTurn(const std::vector<Waypoint>& points, size_t i) {
    const size_t n = points.size();
    const Waypoint& a = points[(i + n - 1) % n];
    const Waypoint& b = points[i];
    const Waypoint& c = points[(i + 1) % n];
    Vec3 ab{float(b.x - a.x), 0.0f, float(b.z - a.z)}, bc{float(c.x - b.x), 0.0f, float(c.z - b.z)};
    if (length(ab) <= 0.0f || length(bc) <= 0.0f) return 3.1415927f;
    return std::fabs(signedTurn(normalize(ab), normalize(bc)));
}

// Rounding the points to whole units can bend a short step of a tight bend
// by a tenth of a radian or more; a point whose neighbours then turn too
// sharply moves by a unit to where the three turns it shapes are gentlest.
static void evenRoundedTurns(std::vector<Waypoint>& points) {
    const size_t n = points.size();
    if (n < 4) return;
    auto worstNear = [&](size_t i) {
        return std::max(
            {storedTurn(points, (i + n - 1) % n), storedTurn(points, i), storedTurn(points, (i + 1) % n)});
    };
    for (size_t i = 1; i < n; ++i) {
        if (worstNear(i) < 2.0f * kWaypointTurn) continue;
        const Waypoint kept = points[i];
        Waypoint best = kept;
        float bestWorst = worstNear(i);
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dz = -1; dz <= 1; ++dz) {
                points[i].x = kept.x + dx;
                points[i].z = kept.z + dz;
                const float worst = worstNear(i);
                if (worst < bestWorst) {
                    bestWorst = worst;
                    best = points[i];
                }
            }
        }
        points[i] = best;
    }
}

std::vector<Waypoint> circuitWaypoints(const Circuit& circuit) {
    std::vector<Waypoint> points;
    Vec3 grid = raceGridOrigin(circuit.race);
    // Waypoint 0 a few units ahead of the grid's middle: every car starts
    // within 15 of it, so the first lap begins as the race does.
    float x0 = grid.x + 6.0f, z0 = gridMiddleZ(circuit.race);
    auto add = [&](float x, float z, float half, int tag) {
        float y = groundHeight(x, z) + 2.0f;
        points.push_back(Waypoint{static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)),
                                  static_cast<int>(std::lround(z)), static_cast<int>(std::lround(half)),
                                  tag});
    };
    // The start straight is the first edge: find the distance of x0 on it.
    size_t n = circuit.path.size();
    size_t first = 0;
    while (first < n && !circuit.path[first].corner && circuit.path[first].position.x <= x0) ++first;
    const PathSample& before = circuit.path[first > 0 ? first - 1 : 0];
    float startDistance = before.distance + (x0 - before.position.x);
    add(x0, z0, circuit.path[0].halfWidth, 1);

    std::vector<LineKey> keys = racingLineKeys(circuit, startDistance);
    constexpr float kStep = 1.0f;
    Vec3 last{x0, 0.0f, z0};
    Vec3 previous = racingLinePoint(circuit, keys, startDistance);
    Vec3 heading = normalize(Vec3{previous.x - x0, 0.0f, previous.z - z0});
    float turned = 0.0f;
    float end = startDistance + circuit.lapLength;
    for (float d = startDistance + kStep; d < end - 15.0f; d += kStep) {
        Vec3 p = racingLinePoint(circuit, keys, d);
        Vec3 step{p.x - previous.x, 0.0f, p.z - previous.z};
        if (length(step) <= 0.0f) continue;
        Vec3 dir = normalize(step);
        turned += std::fabs(signedTurn(heading, dir));
        heading = dir;
        previous = p;
        float gone = length(Vec3{p.x - last.x, 0.0f, p.z - last.z});
        if (gone >= kWaypointStraight || (turned >= kWaypointTurn && gone >= kWaypointMinStep)) {
            PathSample s = pathAt(circuit, d);
            add(p.x, p.z, s.halfWidth, turned >= kWaypointTurn ? 2 : 1);
            last = p;
            turned = 0.0f;
        }
    }
    evenRoundedTurns(points);
    return points;
}

// ---------------------------------------------------------------------------
// Course geometry.

// One cross-section point: offset from the centre line (negative: left) and
// the height above the ground there.
struct Section {
    float offset;
    float lift;
};

static Vec3 sectionPoint(const PathSample& s, float offset, float lift) {
    Vec3 side = rightOf(s.direction);
    float x = s.position.x + side.x * offset, z = s.position.z + side.z * offset;
    return {x, groundHeight(x, z) + lift, z};
}

void buildCollision(MeshBuilder& mesh, const Circuit& circuit) {
    int surface = mesh.material("collision", "");
    size_t n = circuit.path.size();
    for (size_t i = 0; i < n; ++i) {
        const PathSample& a = circuit.path[i];
        const PathSample& b = circuit.path[(i + 1) % n];
        const Section sa[6] = {{-(a.halfWidth + kBarrierOffset), kKerbHeight},
                               {-(a.halfWidth + kKerbRamp), kKerbHeight},
                               {-a.halfWidth, 0.0f},
                               {a.halfWidth, 0.0f},
                               {a.halfWidth + kKerbRamp, kKerbHeight},
                               {a.halfWidth + kBarrierOffset, kKerbHeight}};
        const Section sb[6] = {{-(b.halfWidth + kBarrierOffset), kKerbHeight},
                               {-(b.halfWidth + kKerbRamp), kKerbHeight},
                               {-b.halfWidth, 0.0f},
                               {b.halfWidth, 0.0f},
                               {b.halfWidth + kKerbRamp, kKerbHeight},
                               {b.halfWidth + kBarrierOffset, kKerbHeight}};
        Vec3 pa[6], pb[6];
        for (int k = 0; k < 6; ++k) {
            pa[k] = sectionPoint(a, sa[k].offset, sa[k].lift);
            pb[k] = sectionPoint(b, sb[k].offset, sb[k].lift);
        }
        // Surfaces, facing up: near-left, near-right, far-right, far-left.
        for (int k = 0; k < 5; ++k)
            mesh.quad(surface, pa[k], pa[k + 1], pb[k + 1], pb[k], {0, 0}, {1, 0}, {1, 1}, {0, 1});
        // Walls, facing the road, from below the kerb to well above a car.
        Vec3 down{0, -0.5f, 0}, up{0, kWallHeight, 0};
        mesh.quad(surface, pa[0] + down, pb[0] + down, pb[0] + up, pa[0] + up, {0, 1}, {1, 1}, {1, 0},
                  {0, 0});
        mesh.quad(surface, pb[5] + down, pa[5] + down, pa[5] + up, pb[5] + up, {0, 1}, {1, 1}, {1, 0},
                  {0, 0});
    }
}

void drawCourse(MeshBuilder& mesh, const Circuit& circuit) {
    int road = mesh.material("course", cityTexture("course"));
    // Each district paints its own kerbs and barriers.
    int kerbs[kDistrictCount], barriers[kDistrictCount];
    for (int d = 0; d < kDistrictCount; ++d) {
        kerbs[d] = mesh.material(kDistrictStyles[d].kerb, cityTexture(kDistrictStyles[d].kerb));
        barriers[d] = mesh.material(kDistrictStyles[d].barrier, cityTexture(kDistrictStyles[d].barrier));
    }
    int strip = mesh.material("sidewalk", cityTexture("sidewalk"));
    // The race's banner: over the start line and on the boards round it, lit
    // from within.
    MaterialSpec bannerDesc;
    bannerDesc.name = "startbanner" + std::to_string(circuit.race);
    bannerDesc.texture = cityTexture(bannerDesc.name.c_str());
    for (float& e : bannerDesc.emissive) e = 0.55f;
    // The banner over the road is one quad, seen from both ways round.
    bannerDesc.twoSided = true;
    const int banner = mesh.material(bannerDesc);
    const float startX = raceGridOrigin(circuit.race).x + 6.0f, startZ = gridMiddleZ(circuit.race);
    int concrete = mesh.material("concrete", cityTexture("concrete"));
    int startLine = mesh.material("startline", cityTexture("startline"));
    size_t n = circuit.path.size();
    for (size_t i = 0; i < n; ++i) {
        const PathSample& a = circuit.path[i];
        const PathSample& b = circuit.path[(i + 1) % n];
        float va = a.distance / 20.0f, vb = (i + 1 == n ? circuit.lapLength : b.distance) / 20.0f;
        Vec3 la = sectionPoint(a, -a.halfWidth, 0), ra = sectionPoint(a, a.halfWidth, 0);
        Vec3 lb = sectionPoint(b, -b.halfWidth, 0), rb = sectionPoint(b, b.halfWidth, 0);
        mesh.quad(road, la, ra, rb, lb, {0, va}, {1, va}, {1, vb}, {0, vb});
        const District district = districtAt(a.position.x, a.position.z);
        // Round the start line the barriers carry the race's own boards.
        const bool boards =
            std::fabs(a.position.x - startX) < 45.0f && std::fabs(a.position.z - startZ) < 25.0f;
        const int kerb = kerbs[district], barrier = boards ? banner : barriers[district];
        for (int side = -1; side <= 1; side += 2) {
            float ha = a.halfWidth, hb = b.halfWidth;
            auto at = [&](const PathSample& s, float h, float off, float lift) {
                return sectionPoint(s, side * (h + off), lift);
            };
            Vec3 e0a = at(a, ha, 0, 0), e0b = at(b, hb, 0, 0);
            Vec3 e1a = at(a, ha, kKerbRamp, kKerbHeight), e1b = at(b, hb, kKerbRamp, kKerbHeight);
            Vec3 e2a = at(a, ha, kBarrierOffset, kKerbHeight), e2b = at(b, hb, kBarrierOffset, kKerbHeight);
            Vec3 e3a = at(a, ha, kBarrierOffset + 0.4f, kKerbHeight),
                 e3b = at(b, hb, kBarrierOffset + 0.4f, kKerbHeight);
            Vec3 up{0, kBarrierHeight, 0};
            float ka = a.distance / 4.0f, kb = (i + 1 == n ? circuit.lapLength : b.distance) / 4.0f;
            // A board is 8 times as long as high, and reads from the road:
            // its lettering runs left to right for someone facing the
            // barrier, against the road's direction on the right-hand side
            // and with it on the left.
            const float boardScale = boards ? 4.0f / (8.0f * kBarrierHeight) : 1.0f;
            const float ba = -ka * boardScale * side, bb = -kb * boardScale * side;
            // Up-facing quads run near-left, near-right, far-right, far-left;
            // walls run a, b, b + up, a + up with the face to the right of a->b.
            if (side > 0) {
                mesh.quad(kerb, e0a, e1a, e1b, e0b, {ka, 0}, {ka, 1}, {kb, 1}, {kb, 0});
                mesh.quad(strip, e1a, e2a, e2b, e1b, {e1a.x / 4, e1a.z / 4}, {e2a.x / 4, e2a.z / 4},
                          {e2b.x / 4, e2b.z / 4}, {e1b.x / 4, e1b.z / 4});
                mesh.quad(barrier, e2b, e2a, e2a + up, e2b + up, {bb, 1}, {ba, 1}, {ba, 0}, {bb, 0});
                mesh.quad(concrete, e2a + up, e3a + up, e3b + up, e2b + up, {0, 0}, {0.1f, 0}, {0.1f, 1},
                          {0, 1});
                mesh.quad(concrete, e3a, e3b, e3b + up, e3a + up, {ka, 1}, {kb, 1}, {kb, 0}, {ka, 0});
            } else {
                mesh.quad(kerb, e1a, e0a, e0b, e1b, {ka, 1}, {ka, 0}, {kb, 0}, {kb, 1});
                mesh.quad(strip, e2a, e1a, e1b, e2b, {e2a.x / 4, e2a.z / 4}, {e1a.x / 4, e1a.z / 4},
                          {e1b.x / 4, e1b.z / 4}, {e2b.x / 4, e2b.z / 4});
                mesh.quad(barrier, e2a, e2b, e2b + up, e2a + up, {ba, 1}, {bb, 1}, {bb, 0}, {ba, 0});
                mesh.quad(concrete, e3a + up, e2a + up, e2b + up, e3b + up, {0, 0}, {0.1f, 0}, {0.1f, 1},
                          {0, 1});
                mesh.quad(concrete, e3b, e3a, e3a + up, e3b + up, {kb, 1}, {ka, 1}, {ka, 0}, {kb, 0});
            }
        }
    }
    // Chequered start line across the road at waypoint 0.
    Vec3 grid = raceGridOrigin(circuit.race);
    float x = grid.x + 6.0f, z = gridMiddleZ(circuit.race), half = circuit.path[0].halfWidth;
    auto g = [&](float px, float pz) { return Vec3{px, groundHeight(px, pz) + 0.02f, pz}; };
    mesh.quad(startLine, g(x - 1.0f, z - half), g(x - 1.0f, z + half), g(x + 1.0f, z + half),
              g(x + 1.0f, z - half), {0, 0}, {half / 2.0f, 0}, {half / 2.0f, 1}, {0, 1});
    // A gantry over the start line: two posts behind the barriers and a
    // chequered banner across the road, 6 up.
    int metal = mesh.material("metal", cityTexture("metal"));
    // The lamp arms have no bottom face and the banner is one quad: both are
    // seen from the road below or behind.
    mesh.markTwoSided(metal);
    mesh.markTwoSided(startLine);
    {
        float post = half + kBarrierOffset + 0.8f;
        float y0 = groundHeight(x, z), top = y0 + 7.2f;
        for (float side : {-1.0f, 1.0f}) {
            float pz = z + side * post;
            mesh.box(metal, {x - 0.3f, groundHeight(x, pz), pz - 0.3f}, {x + 0.3f, top, pz + 0.3f}, 1.0f);
        }
        mesh.box(metal, {x - 0.25f, top - 0.3f, z - post}, {x + 0.25f, top, z + post}, 1.0f);
        Vec3 a{x - 0.02f, y0 + 6.0f, z - post + 0.3f}, b{x - 0.02f, y0 + 6.0f, z + post - 0.3f};
        const Vec3 up{0, 1.2f, 0}, back{0.04f, 0, 0};
        // Two faces back to back, each reading left to right: one facing the
        // grid (-x), one seen from beyond the line (a replay's camera).
        mesh.quad(banner, a, b, b + up, a + up, {0, 1}, {1, 1}, {1, 0}, {0, 0});
        mesh.quad(banner, b + back, a + back, a + back + up, b + back + up, {0, 1}, {1, 1}, {1, 0}, {0, 0});
    }
    // Lamp posts: pole behind the barrier, arm out over the outer lane.
    // The heads shine in their lamp's colour whether or not a lamp is near.
    auto headMaterial = [&](const Lamp& lamp) {
        MaterialSpec desc;
        char name[32];
        std::snprintf(name, sizeof name, "lamphead%03d%03d%03d", static_cast<int>(lamp.colour[0] * 255.0f),
                      static_cast<int>(lamp.colour[1] * 255.0f), static_cast<int>(lamp.colour[2] * 255.0f));
        desc.name = name;
        desc.texture = cityTexture("lamphead");
        for (int k = 0; k < 3; ++k) desc.emissive[k] = lamp.colour[k];
        return mesh.material(desc);
    };
    for (const Lamp& lamp : courseLamps(circuit)) {
        int head = headMaterial(lamp);
        Vec3 p = lamp.position;
        Vec3 post{lamp.post.x, groundHeight(lamp.post.x, lamp.post.z), lamp.post.z};
        mesh.box(metal, {post.x - 0.15f, post.y, post.z - 0.15f},
                 {post.x + 0.15f, p.y + 0.35f, post.z + 0.15f}, 1.0f);
        Vec3 lo{std::min(post.x, p.x) - 0.1f, p.y + 0.2f, std::min(post.z, p.z) - 0.1f};
        Vec3 hi{std::max(post.x, p.x) + 0.1f, p.y + 0.35f, std::max(post.z, p.z) + 0.1f};
        mesh.box(metal, lo, hi, 1.0f);
        mesh.box(head, head, {p.x - 0.45f, p.y - 0.1f, p.z - 0.45f}, {p.x + 0.45f, p.y + 0.2f, p.z + 0.45f},
                 1.0f, 1.0f, true);
    }
}

std::vector<Lamp> courseLamps(const Circuit& circuit) {
    std::vector<Lamp> lamps;
    float next = 10.0f;
    int side = 1;
    for (const PathSample& s : circuit.path) {
        if (s.distance < next) continue;
        next = s.distance + 18.0f;  // staggered: each side every 36
        side = -side;
        Lamp lamp;
        Vec3 post = sectionPoint(s, side * (s.halfWidth + kLampOffset), 0.0f);
        // The head hangs over the outer lane: the light's spot is narrow, and
        // a head over the kerb would pool its light on the barrier.
        Vec3 headPoint = sectionPoint(s, side * (s.halfWidth - kLampReach), 0.0f);
        lamp.post = post;
        // Each district its own lamps: colour and height.
        const DistrictStyle& style = kDistrictStyles[districtAt(post.x, post.z)];
        lamp.position = {headPoint.x, post.y + style.lampHeight, headPoint.z};
        for (int k = 0; k < 3; ++k) lamp.colour[k] = style.lampColour[k];
        lamps.push_back(lamp);
    }
    return lamps;
}
