// Car bodies: each a smooth shell lofted through cross-sections along the
// car, so the roofline, bonnet, wheel arches and bumpers are curves rather
// than boxes; lamps wrap round the corners, and the trims add their aero
// parts. Four shapes by model number mod 4: a low wedge coupe, a muscle car
// with a long bonnet, a hot hatch and a wide GT with a rear wing.
#include <algorithm>
#include <array>
#include <cmath>

#include "content/cars.h"

namespace {

constexpr float kWheelCentreY = -0.5f;
// As low as the ground clearance allows (the wheel's bottom sits near -1.0
// at rest, the suspension lifts it by up to 0.15).
constexpr float kSillY = -0.7f;
constexpr float kArchRadius = 0.58f;
constexpr float kSideLean = 0.45f;
constexpr float kPi = 3.14159265f;
// Points of half a cross-section, from the bottom edge to the roof's centre.
constexpr int kRingHalf = 9;

// How finely a body is cut. The full body is what the garage shows and
// the race draws at Medium and High; the coarse one, for the race at Low
// (a half-size scene), keeps every line where the shape or the material
// changes and drops the points in between.
struct BodyCut {
    // The section's points the shell's rings keep, bottom to the roof's
    // centre: every one of them, or without the points that only round the
    // side between the sill, its widest line and the shoulder.
    std::vector<int> ringPoints;
    float spacing;    // between the evenly spaced stations along the car (units)
    int cornerSteps;  // stations round each rounded end
    int archSteps;    // stations round each wheel arch
    int lensSteps;    // the corner lamps' lenses: steps along (0: on the shell's stations)
    int lensRows;     // and rows up
    int wingSteps;    // points along each side of a wing's profile
    int pipeSides;    // sides of each exhaust pipe
    // Stations only where the shape or the material changes, and where the
    // windscreen's and the back window's feet meet the bonnet and the deck
    // (which the full body's close stations catch anyway); a gap between
    // them wider than `spacing` is split evenly. Else a station every
    // `spacing` from the tail as well.
    bool featuresOnly;
};

BodyCut bodyCut(CarBodyDetail detail) {
    if (detail == CarBodyDetail::Coarse) return {{0, 2, 4, 5, 6, 7, 8}, 0.6f, 2, 4, 0, 1, 3, 6, true};
    return {{0, 1, 2, 3, 4, 5, 6, 7, 8}, 0.16f, 8, 14, 6, 2, 8, 10, false};
}

// A smooth curve through points with ascending x: monotone cubic, so it
// never overshoots between its points (a bonnet does not bulge past the
// heights it is given).
struct Curve {
    std::vector<float> x, y;
};

float curveAt(const Curve& c, float x) {
    const size_t n = c.x.size();
    if (x <= c.x[0]) return c.y[0];
    if (x >= c.x[n - 1]) return c.y[n - 1];
    std::vector<float> d(n - 1), m(n);
    for (size_t i = 0; i + 1 < n; ++i) d[i] = (c.y[i + 1] - c.y[i]) / (c.x[i + 1] - c.x[i]);
    m[0] = d[0];
    m[n - 1] = d[n - 2];
    for (size_t i = 1; i + 1 < n; ++i) m[i] = d[i - 1] * d[i] <= 0 ? 0.0f : 0.5f * (d[i - 1] + d[i]);
    for (size_t i = 0; i + 1 < n; ++i) {
        if (d[i] == 0) {
            m[i] = m[i + 1] = 0;
            continue;
        }
        float a = m[i] / d[i], b = m[i + 1] / d[i], s = a * a + b * b;
        if (s > 9) {
            float t = 3 / std::sqrt(s);
            m[i] = t * a * d[i];
            m[i + 1] = t * b * d[i];
        }
    }
    size_t i = 0;
    while (x > c.x[i + 1]) ++i;
    float h = c.x[i + 1] - c.x[i], t = (x - c.x[i]) / h, t2 = t * t, t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * c.y[i] + (t3 - 2 * t2 + t) * h * m[i] + (-2 * t3 + 3 * t2) * c.y[i + 1] +
           (t3 - t2) * h * m[i + 1];
}

float smoothStep(float e0, float e1, float x) {
    float t = std::clamp((x - e0) / (e1 - e0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

struct BodyShape {
    CarStyle s;
    float halfWidth;                                  // at the doors
    float haunch;                                     // extra half-width over the wheels
    float noseRound, tailRound;                       // plan-view corner radii
    float chin;                                       // the bumpers' undersides curl up this much
    Curve belt, top;                                  // shoulder line and the centre of the top
    float screenBase, roofFront, roofRear, backBase;  // the greenhouse, front to back
    float glassBase, roofEdge;                        // its half-widths, as parts of the body's
    float pillar;                                     // B pillar
};

Curve curve(std::initializer_list<float> xy) {
    Curve c;
    for (auto it = xy.begin(); it != xy.end(); it += 2) {
        c.x.push_back(it[0]);
        c.y.push_back(it[1]);
    }
    return c;
}

BodyShape bodyShape(int model) {
    BodyShape b;
    b.s = carStyle(model);
    const CarStyle& s = b.s;
    switch (model % 4) {
        case 0:  // wedge coupe: knife-edge nose, a shoulder rising to a high tail, cab forward
            b.halfWidth = 1.21f, b.haunch = 0.05f, b.noseRound = 0.34f, b.tailRound = 0.22f, b.chin = 0.12f;
            b.belt =
                curve({s.rear, 0.42f, -1.5f, 0.36f, 0.0f, 0.27f, 1.3f, 0.17f, 2.35f, 0.07f, s.front, -0.12f});
            b.top = curve({s.rear, 0.5f, -1.95f, 0.52f, -1.15f, 0.92f, -0.35f, 0.95f, 0.55f, 0.27f, 1.6f,
                           0.2f, 2.5f, 0.07f, s.front, -0.06f});
            b.screenBase = 0.55f, b.roofFront = -0.35f, b.roofRear = -1.15f, b.backBase = -1.95f;
            b.glassBase = 0.84f, b.roofEdge = 0.64f, b.pillar = -0.7f;
            break;
        case 1:  // muscle car: long flat bonnet, upright screen set back, short deck
            b.halfWidth = 1.22f, b.haunch = 0.06f, b.noseRound = 0.18f, b.tailRound = 0.2f, b.chin = 0.08f;
            b.belt = curve({s.rear, 0.34f, -2.0f, 0.38f, 0.0f, 0.35f, 2.0f, 0.3f, s.front, 0.2f});
            b.top = curve({s.rear, 0.45f, -2.25f, 0.5f, -1.55f, 1.0f, -0.7f, 1.02f, 0.1f, 0.46f, 2.4f, 0.4f,
                           s.front, 0.26f});
            b.screenBase = 0.1f, b.roofFront = -0.7f, b.roofRear = -1.55f, b.backBase = -2.25f;
            b.glassBase = 0.85f, b.roofEdge = 0.68f, b.pillar = -1.0f;
            break;
        case 2:  // hot hatch: short bonnet, tall cabin, the roof dropping steeply to the tail
            b.halfWidth = 1.2f, b.haunch = 0.08f, b.noseRound = 0.38f, b.tailRound = 0.22f, b.chin = 0.1f;
            b.belt = curve({s.rear, 0.42f, -1.5f, 0.4f, 0.5f, 0.34f, 2.2f, 0.2f, s.front, 0.04f});
            b.top = curve({s.rear, 0.46f, -2.85f, 0.62f, -2.05f, 1.06f, 0.15f, 1.1f, 1.35f, 0.42f, 2.3f, 0.3f,
                           s.front, 0.1f});
            b.screenBase = 1.35f, b.roofFront = 0.15f, b.roofRear = -2.05f, b.backBase = -2.85f;
            b.glassBase = 0.84f, b.roofEdge = 0.68f, b.pillar = -0.55f;
            break;
        default:  // wide GT: low and long, swollen haunches, a fastback running to the tail, a wing
            b.halfWidth = 1.2f, b.haunch = 0.14f, b.noseRound = 0.5f, b.tailRound = 0.34f, b.chin = 0.12f;
            b.belt =
                curve({s.rear, 0.3f, -1.9f, 0.3f, -0.6f, 0.22f, 0.8f, 0.2f, 2.2f, 0.14f, s.front, -0.04f});
            b.top = curve({s.rear, 0.36f, -2.75f, 0.4f, -1.05f, 0.84f, -0.5f, 0.86f, 0.55f, 0.27f, 2.3f,
                           0.17f, s.front, 0.02f});
            b.screenBase = 0.55f, b.roofFront = -0.5f, b.roofRear = -1.05f, b.backBase = -2.75f;
            b.glassBase = 0.82f, b.roofEdge = 0.6f, b.pillar = -0.8f;
            break;
    }
    return b;
}

float halfWidthAt(const BodyShape& b, float x) {
    auto bump = [&](float axle) {
        float d = (x - axle) / 0.75f;
        return std::exp(-d * d);
    };
    float w = b.halfWidth + b.haunch * (bump(b.s.frontAxle) + bump(b.s.rearAxle));
    // Rounded corners seen from above.
    float nose = x - (b.s.front - b.noseRound), tail = (b.s.rear + b.tailRound) - x;
    if (nose > 0) w -= b.noseRound - std::sqrt(std::max(0.0f, b.noseRound * b.noseRound - nose * nose));
    if (tail > 0) w -= b.tailRound - std::sqrt(std::max(0.0f, b.tailRound * b.tailRound - tail * tail));
    return std::min(w, 1.34f);
}

// The underside: the sill, curling up into the bumpers, and the arches.
float bottomAt(const BodyShape& b, float x) {
    float y = kSillY + b.chin * (smoothStep(b.s.front - 0.35f, b.s.front, x) +
                                 smoothStep(b.s.rear + 0.35f, b.s.rear, x));
    for (float axle : {b.s.frontAxle, b.s.rearAxle}) {
        float d = std::fabs(x - axle);
        if (d <= kArchRadius) y = std::max(y, kWheelCentreY + std::sqrt(kArchRadius * kArchRadius - d * d));
    }
    return y;
}

// How much of the greenhouse stands at x: 1 between the screen's foot and
// the back window's foot, 0 over the bonnet and the boot.
float cabinAt(const BodyShape& b, float x) {
    return smoothStep(b.screenBase + 0.12f, b.screenBase, x) * smoothStep(b.backBase - 0.12f, b.backBase, x);
}

// Ring points of the right half, bottom to the roof's centre line (the left
// half mirrors them).
void bodySection(const BodyShape& b, float x, Vec3 out[kRingHalf]) {
    const float w = halfWidthAt(b, x), bottom = bottomAt(b, x);
    const float top = curveAt(b.top, x);
    const float belt = std::min(curveAt(b.belt, x), top - 0.02f);
    const float h = std::max(belt - bottom, 0.02f);
    out[0] = {x, bottom, 0.93f * w};
    out[1] = {x, bottom + 0.22f * h, 0.99f * w};
    out[2] = {x, bottom + 0.55f * h, w};
    out[3] = {x, belt - 0.25f * std::min(h, 0.24f), 0.985f * w};
    out[4] = {x, belt, 0.95f * w};
    const float zs[4] = {b.glassBase * w, b.roofEdge * w, (b.roofEdge - 0.1f) * w, 0.0f};
    const float c = cabinAt(b, x);
    float cabinY[4] = {belt + 0.03f, top - 0.07f, top - 0.02f, top};
    for (int k = 1; k < 4; ++k) cabinY[k] = std::max(cabinY[k], cabinY[k - 1] + 0.005f);
    for (int k = 0; k < 4; ++k) {
        float f = zs[k] / (0.95f * w);
        float crown = belt + (top - belt) * (1.0f - f * f);
        out[5 + k] = {x, crown + (cabinY[k] - crown) * c, zs[k]};
    }
}

// Texture coordinates on the paint image: the upper half holds the right
// side (tail to nose) and the left side (nose to tail, so writing reads the
// right way round on both), the lower half the view from above.
constexpr float kSideTopY = 0.6f, kSideBottomY = -0.7f, kTopHalfSpan = 1.4f;

TexCoord sideUv(const BodyShape& b, Vec3 p) {
    float u = 0.5f * (p.x - b.s.rear) / (b.s.front - b.s.rear);
    if (p.z < 0) u = 1.0f - u;
    return {u, 0.5f * (kSideTopY - p.y) / (kSideTopY - kSideBottomY)};
}
TexCoord glassUv(const BodyShape& b, Vec3 p) {
    return {(p.x - b.s.rear) / (b.s.front - b.s.rear) * 3.0f, (1.2f - p.y) / 0.9f};
}
TexCoord topUv(const BodyShape& b, Vec3 p) {
    return {(p.x - b.s.rear) / (b.s.front - b.s.rear),
            0.5f + 0.5f * (p.z + kTopHalfSpan) / (2 * kTopHalfSpan)};
}

Vec3 mirror(Vec3 p) {
    return {p.x, p.y, -p.z};
}

// Stations along the car: dense round the arches and the rounded ends, a
// station on every line where the shape or the material changes.
std::vector<float> stations(const BodyShape& b, const BodyCut& cut) {
    std::vector<float> xs;
    const CarStyle& s = b.s;
    if (!cut.featuresOnly)
        for (float x = s.rear; x < s.front; x += cut.spacing) xs.push_back(x);
    for (int k = 0; k <= cut.cornerSteps; ++k) {
        float a = 0.5f * kPi * k / cut.cornerSteps;
        xs.push_back(s.front - b.noseRound + b.noseRound * std::sin(a));
        xs.push_back(s.rear + b.tailRound - b.tailRound * std::sin(a));
    }
    for (float axle : {s.frontAxle, s.rearAxle}) {
        for (int k = 0; k <= cut.archSteps; ++k)
            xs.push_back(axle + kArchRadius * std::cos(kPi * k / cut.archSteps));
        xs.push_back(axle + kArchRadius + 0.015f);
        xs.push_back(axle - kArchRadius - 0.015f);
    }
    for (float x : {b.screenBase, b.roofFront, b.roofRear, b.backBase, b.pillar - 0.07f, b.pillar + 0.07f})
        xs.push_back(x);
    if (cut.featuresOnly)
        for (float x : {b.screenBase + 0.12f, b.backBase - 0.12f}) xs.push_back(x);
    std::sort(xs.begin(), xs.end());
    std::vector<float> kept;
    for (float x : xs) {
        if (x < s.rear || x > s.front) continue;
        if (!kept.empty() && x - kept.back() < 0.012f) continue;
        kept.push_back(x);
    }
    if (kept.back() < s.front - 0.005f) kept.push_back(s.front);
    if (!cut.featuresOnly) return kept;
    std::vector<float> filled;
    for (size_t i = 0; i + 1 < kept.size(); ++i) {
        const float gap = kept[i + 1] - kept[i];
        const int parts = static_cast<int>(std::ceil(gap / cut.spacing));
        for (int k = 0; k < parts; ++k) filled.push_back(kept[i] + gap * k / parts);
    }
    filled.push_back(kept.back());
    return filled;
}

struct Materials {
    int paint, glass, under, nose, tail, head, rearLamp, chrome, trim;
};

// One triangle with its corners' normals, turned to face away from `inside`.
void outwardTriangle(MeshBuilder& mesh, int material, Vec3 a, Vec3 b, Vec3 c, Vec3 na, Vec3 nb, Vec3 nc,
                     TexCoord ta, TexCoord tb, TexCoord tc, Vec3 inside) {
    Vec3 face = cross(b - a, c - a);
    Vec3 centre = (a + b + c) * (1.0f / 3.0f);
    if (dot(face, centre - inside) < 0) {
        std::swap(b, c);
        std::swap(nb, nc);
        std::swap(tb, tc);
    }
    Vec3 p[3] = {a, b, c}, n[3] = {na, nb, nc};
    TexCoord t[3] = {ta, tb, tc};
    mesh.triangle(material, p, n, t);
}

// The shell: one band of quads between each pair of stations, smooth
// normals from the neighbouring points, and flat ends for the nose and
// tail panels.
void buildShell(MeshBuilder& mesh, const BodyShape& b, const Materials& m, const BodyCut& cut) {
    std::vector<float> xs = stations(b, cut);
    const size_t count = xs.size();
    // Full ring: right half bottom to the centre, then the left half back
    // down; index ring - 1 is the left bottom. section[k] is the point of
    // the cross-section (bodySection's numbering) that ring point k is.
    const int half = static_cast<int>(cut.ringPoints.size());
    const int ring = 2 * half - 1;
    std::vector<int> section(ring);
    for (int k = 0; k < half; ++k) section[k] = section[ring - 1 - k] = cut.ringPoints[k];
    std::vector<std::vector<Vec3>> rings(count, std::vector<Vec3>(ring));
    for (size_t i = 0; i < count; ++i) {
        Vec3 points[kRingHalf];
        bodySection(b, xs[i], points);
        for (int k = 0; k < half; ++k) rings[i][k] = points[section[k]];
        for (int k = 0; k < half - 1; ++k) rings[i][ring - 1 - k] = mirror(points[section[k]]);
    }
    auto inside = [&](size_t i) {
        float lo = rings[i][0].y, hi = rings[i][half - 1].y;
        return Vec3{xs[i], 0.5f * (lo + hi), 0.0f};
    };
    auto normalAt = [&](size_t i, int k) {
        Vec3 along = rings[std::min(i + 1, count - 1)][k] - rings[i == 0 ? 0 : i - 1][k];
        Vec3 round = rings[i][(k + 1) % ring] - rings[i][(k + ring - 1) % ring];
        Vec3 n = normalize(cross(along, round));
        Vec3 p = rings[i][k], c = inside(i);
        if (dot(n, Vec3{0, p.y - c.y, p.z}) < 0) n = n * -1.0f;
        // The sides below the shoulder lean up a little in the lighting:
        // the lamps are all overhead, and a door that faces straight out
        // would take almost none of their light and show only what it
        // mirrors, not its paint.
        if (section[k] <= 3) n = normalize(n + Vec3{0, kSideLean, 0});
        return n;
    };
    for (size_t i = 0; i + 1 < count; ++i) {
        const float xm = 0.5f * (xs[i] + xs[i + 1]);
        const bool cabin = cabinAt(b, xm) > 0.5f;
        const bool screen = (xm > b.roofFront && xm < b.screenBase) || (xm > b.backBase && xm < b.roofRear);
        const bool pillar = std::fabs(xm - b.pillar) < 0.07f;
        for (int k = 0; k < ring; ++k) {
            const int k2 = (k + 1) % ring;
            // Segment number seen from the right half, by the section point
            // it starts from: 0 bottom of the side up to 7 at the roof's
            // centre; the bottom band closes the ring.
            const bool bottomBand = k == ring - 1;
            const int seg = bottomBand ? -1 : (k < half - 1 ? section[k] : section[ring - 2 - k]);
            int material = m.paint;
            bool top = seg >= 4;
            if (bottomBand)
                material = m.under;
            else if (seg == 5 && cabin && !pillar)
                material = m.glass;
            else if (seg == 7 && screen)
                material = m.glass;
            Vec3 a = rings[i][k], bb = rings[i + 1][k], c = rings[i + 1][k2], d = rings[i][k2];
            if (bottomBand) {
                Vec3 down{0, -1, 0};
                TexCoord t{0.5f, 0.5f};
                outwardTriangle(mesh, material, a, bb, c, down, down, down, t, t, t, inside(i));
                outwardTriangle(mesh, material, a, c, d, down, down, down, t, t, t, inside(i));
                continue;
            }
            Vec3 na = normalAt(i, k), nb = normalAt(i + 1, k), nc = normalAt(i + 1, k2), nd = normalAt(i, k2);
            auto uv = [&](Vec3 p) {
                if (material == m.glass) return glassUv(b, p);
                return top ? topUv(b, p) : sideUv(b, p);
            };
            outwardTriangle(mesh, material, a, bb, c, na, nb, nc, uv(a), uv(bb), uv(c), inside(i));
            outwardTriangle(mesh, material, a, c, d, na, nc, nd, uv(a), uv(c), uv(d), inside(i));
        }
    }
    // Nose and tail panels: a fan over the end ring, the panel's picture
    // spread over its width and height.
    for (int end = 0; end < 2; ++end) {
        const size_t i = end == 0 ? count - 1 : 0;
        const std::vector<Vec3>& ends = rings[i];
        float lo = 1e9f, hi = -1e9f, wide = 0;
        for (const Vec3& p : ends) lo = std::min(lo, p.y), hi = std::max(hi, p.y), wide = std::max(wide, p.z);
        Vec3 centre{xs[i], 0.5f * (lo + hi), 0};
        Vec3 n{end == 0 ? 1.0f : -1.0f, 0, 0};
        auto uv = [&](Vec3 p) {
            float u = 0.5f + 0.5f * p.z / wide;
            return TexCoord{end == 0 ? 1.0f - u : u, (hi - p.y) / (hi - lo)};
        };
        for (size_t k = 0; k < ends.size(); ++k) {
            Vec3 a = ends[k], c = ends[(k + 1) % ends.size()];
            outwardTriangle(mesh, end == 0 ? m.nose : m.tail, centre, a, c, n, n, n, uv(centre), uv(a), uv(c),
                            centre - n);
        }
    }
}

// A lamp lens lying on the shell over the corner between x0 and x1 (x0 <
// x1), from ring point 2 up to the shoulder, through the given stations
// along the car and rows up. The lenses face up in the lighting so the
// lamps overhead light them fully and they read as lit.
struct LensStation {
    float x, u;  // along the car, and across the lens picture
};

void lampLens(MeshBuilder& mesh, const BodyShape& b, int material, const std::vector<LensStation>& xs,
              int rows, float lift) {
    const float x0 = xs.front().x, x1 = xs.back().x;
    const int steps = static_cast<int>(xs.size()) - 1;
    const Vec3 up{0, 1, 0};
    for (float side : {-1.0f, 1.0f}) {
        std::vector<std::array<Vec3, 3>> grid(xs.size());
        for (int i = 0; i <= steps; ++i) {
            float x = xs[i].x;
            Vec3 half[kRingHalf];
            bodySection(b, x, half);
            for (int k = 0; k <= rows; ++k) {
                Vec3 p = half[2 + 2 * k / rows];
                // Lifted off the shell outwards and towards the car's end,
                // the way the rounded corner faces.
                Vec3 out = normalize(Vec3{x1 > 0 ? 0.6f : -0.6f, 0.0f, 1.0f});
                p = p + out * lift;
                if (k == 0) p.y += 0.25f * (half[3].y - half[2].y);
                grid[i][k] = side < 0 ? mirror(p) : p;
            }
        }
        // The lens picture spans the lamp whichever its rows: v runs from 1
        // at the bottom to 0 at the shoulder, u along it.
        for (int i = 0; i < steps; ++i)
            for (int k = 0; k < rows; ++k) {
                const float v0 = 1.0f - static_cast<float>(k) / rows,
                            v1 = 1.0f - static_cast<float>(k + 1) / rows;
                TexCoord ta{xs[i].u, v0}, tb{xs[i + 1].u, v0}, tc{xs[i + 1].u, v1}, td{xs[i].u, v1};
                if (side < 0) {
                    ta.u = 1 - ta.u, tb.u = 1 - tb.u, tc.u = 1 - tc.u, td.u = 1 - td.u;
                }
                Vec3 inside{x1 > 0 ? x0 - 1.0f : x1 + 1.0f, grid[i][k].y, 0};
                outwardTriangle(mesh, material, grid[i][k], grid[i + 1][k], grid[i + 1][k + 1], up, up, up,
                                ta, tb, tc, inside);
                outwardTriangle(mesh, material, grid[i][k], grid[i + 1][k + 1], grid[i][k + 1], up, up, up,
                                ta, tc, td, inside);
            }
    }
}

// The stations of a lamp's lens between x0 and x1: evenly spaced, or, when
// steps is 0, on the shell's own stations between the lamp's ends, so a
// coarse shell's flat bands never rise through the lens.
std::vector<LensStation> lensStations(const BodyShape& b, const BodyCut& cut, float x0, float x1) {
    std::vector<LensStation> xs;
    if (cut.lensSteps > 0) {
        for (int i = 0; i <= cut.lensSteps; ++i)
            xs.push_back({x0 + (x1 - x0) * i / cut.lensSteps, static_cast<float>(i) / cut.lensSteps});
        return xs;
    }
    xs.push_back({x0, 0.0f});
    for (float x : stations(b, cut))
        if (x > x0 + 0.02f && x < x1 - 0.02f) xs.push_back({x, (x - x0) / (x1 - x0)});
    xs.push_back({x1, 1.0f});
    return xs;
}

// A pair of lamps on the nose or tail panel (end +1 the nose, -1 the tail),
// between the given parts of the panel's half-width and heights, lit like
// the lenses round the corners.
void panelLamps(MeshBuilder& mesh, const BodyShape& b, int material, int end, float in, float out, float y0,
                float y1) {
    const float x = end > 0 ? b.s.front + 0.012f : b.s.rear - 0.012f;
    Vec3 sec[kRingHalf];
    bodySection(b, end > 0 ? b.s.front : b.s.rear, sec);
    const float w = sec[2].z;
    const Vec3 up{0, 1, 0};
    for (float side : {-1.0f, 1.0f}) {
        const float z0 = side * in * w, z1 = side * out * w;
        Vec3 p[4] = {{x, y0, z0}, {x, y0, z1}, {x, y1, z1}, {x, y1, z0}};
        // u runs from the middle of the car outwards, as on the corner lenses.
        const Vec3 inside{x - end * 1.0f, y0, 0};
        outwardTriangle(mesh, material, p[0], p[1], p[2], up, up, up, {0, 1}, {1, 1}, {1, 0}, inside);
        outwardTriangle(mesh, material, p[0], p[2], p[3], up, up, up, {0, 1}, {1, 0}, {0, 0}, inside);
    }
}

// A flat plate across the tail (a light bar) just off the tail panel.
void tailBar(MeshBuilder& mesh, const BodyShape& b, int material, float y0, float y1, float halfWidth) {
    const float x = b.s.rear - 0.012f;
    const Vec3 up{0, 1, 0};
    Vec3 p[4] = {{x, y0, -halfWidth}, {x, y0, halfWidth}, {x, y1, halfWidth}, {x, y1, -halfWidth}};
    outwardTriangle(mesh, material, p[0], p[1], p[2], up, up, up, {0, 1}, {1, 1}, {1, 0}, {0, y0, 0});
    outwardTriangle(mesh, material, p[0], p[2], p[3], up, up, up, {0, 1}, {1, 0}, {0, 0}, {0, y0, 0});
}

// A closed prism: the polygon (x, y), counter-clockwise seen from +z,
// between z0 and z1.
// Small parts take one colour: a texel of the paint that is always plain.
const TexCoord kPlain{0.01f, 0.51f};

void prism(MeshBuilder& mesh, int material, const std::vector<float>& px, const std::vector<float>& py,
           float z0, float z1) {
    std::vector<int> tris;
    if (!triangulatePolygon(px, py, &tris)) return;
    for (size_t i = 0; i + 2 < tris.size(); i += 3) {
        Vec3 a{px[tris[i]], py[tris[i]], z1}, b{px[tris[i + 1]], py[tris[i + 1]], z1},
            c{px[tris[i + 2]], py[tris[i + 2]], z1};
        mesh.flatTriangle(material, a, b, c, kPlain, kPlain, kPlain);
        Vec3 a0{a.x, a.y, z0}, b0{b.x, b.y, z0}, c0{c.x, c.y, z0};
        mesh.flatTriangle(material, a0, c0, b0, kPlain, kPlain, kPlain);
    }
    const size_t n = px.size();
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        mesh.quad(material, {px[i], py[i], z1}, {px[j], py[j], z1}, {px[j], py[j], z0}, {px[i], py[i], z0},
                  kPlain, kPlain, kPlain, kPlain);
    }
}

// A wing: a cambered blade of the given chord whose trailing edge is at x,
// its underside at y, across +-halfSpan, on two stands down to the deck,
// with end plates on the taller ones.
void rearWing(MeshBuilder& mesh, const BodyShape& b, const BodyCut& cut, int blade, int stand, float x,
              float y, float chord, float halfSpan, bool plates) {
    std::vector<float> px, py;
    const int n = cut.wingSteps;
    for (int k = 0; k <= n; ++k) {  // underside, trailing edge to leading edge
        float t = float(k) / n;
        px.push_back(x + chord * t);
        py.push_back(y + 0.03f * std::sin(kPi * t) * (1 - t));
    }
    for (int k = n - 1; k >= 1; --k) {  // upper side back to the trailing edge
        float t = float(k) / n;
        px.push_back(x + chord * t);
        py.push_back(y + 0.02f + 0.09f * std::sin(kPi * std::pow(t, 0.7f)) * (0.4f + 0.6f * t));
    }
    // Counter-clockwise seen from +z means the upper side runs back: the
    // list above runs forward along the bottom and back along the top.
    prism(mesh, blade, px, py, -halfSpan, halfSpan);
    float deck = curveAt(b.top, x + 0.5f * chord) - 0.05f;
    for (float side : {-1.0f, 1.0f}) {
        float z = side * halfSpan * 0.62f;
        std::vector<float> sx = {x + 0.12f, x + 0.34f, x + 0.3f, x + 0.16f},
                           sy = {deck, deck, y + 0.02f, y + 0.02f};
        prism(mesh, stand, sx, sy, z - 0.025f, z + 0.025f);
        if (plates) {
            float zp = side * (halfSpan + 0.01f);
            std::vector<float> ex = {x - 0.05f, x + chord + 0.02f, x + chord + 0.02f, x - 0.05f},
                               ey = {y - 0.1f, y - 0.06f, y + 0.16f, y + 0.2f};
            prism(mesh, blade, ex, ey, zp - 0.015f, zp + 0.015f);
        }
    }
}

void cylinderX(MeshBuilder& mesh, int sides, int material, int inner, float x0, float x1, float y, float z,
               float radius) {
    for (int k = 0; k < sides; ++k) {
        float a0 = 2 * kPi * k / sides, a1 = 2 * kPi * (k + 1) / sides;
        Vec3 p0{x0, y + radius * std::cos(a0), z + radius * std::sin(a0)};
        Vec3 p1{x0, y + radius * std::cos(a1), z + radius * std::sin(a1)};
        Vec3 q0{x1, p0.y, p0.z}, q1{x1, p1.y, p1.z};
        Vec3 n0{0, std::cos(a0), std::sin(a0)}, n1{0, std::cos(a1), std::sin(a1)};
        Vec3 pa[3] = {p0, q1, q0}, na[3] = {n0, n1, n0};
        Vec3 pb[3] = {p0, p1, q1}, nb[3] = {n0, n1, n1};
        TexCoord ta[3] = {{0, 0}, {1, 1}, {1, 0}}, tb[3] = {{0, 0}, {0, 1}, {1, 1}};
        mesh.triangle(material, pa, na, ta);
        mesh.triangle(material, pb, nb, tb);
        // The dark bore a little inside the tip.
        Vec3 c{x1 + 0.01f, y, z};
        Vec3 r0{x1 + 0.01f, y + 0.8f * radius * std::cos(a0), z + 0.8f * radius * std::sin(a0)};
        Vec3 r1{x1 + 0.01f, y + 0.8f * radius * std::cos(a1), z + 0.8f * radius * std::sin(a1)};
        mesh.flatTriangle(inner, c, r1, r0, {0.5f, 0.5f}, {0, 0}, {1, 0});
    }
}

// A scoop on the bonnet: a low ramp rising towards the screen, open at its
// back.
void bonnetScoop(MeshBuilder& mesh, const BodyShape& b, int material, int opening, float x0, float x1,
                 float halfWidth, float height) {
    float y0 = curveAt(b.top, x1) - 0.03f, y1 = curveAt(b.top, x0) - 0.03f;
    std::vector<float> px = {x0, x1, x1, x0}, py = {y1, y0, y0 + 0.03f, y1 + height};
    prism(mesh, material, px, py, -halfWidth, halfWidth);
    mesh.quad(opening, {x0 - 0.005f, y1 + 0.02f, -halfWidth + 0.04f},
              {x0 - 0.005f, y1 + 0.02f, halfWidth - 0.04f},
              {x0 - 0.005f, y1 + height - 0.02f, halfWidth - 0.04f},
              {x0 - 0.005f, y1 + height - 0.02f, -halfWidth + 0.04f}, {0, 1}, {1, 1}, {1, 0}, {0, 0});
}

}  // namespace

void buildCarBody(int model, MeshBuilder& mesh, CarBodyDetail detail) {
    const BodyCut cut = bodyCut(detail);
    const int style = model % 4, trim = model / 4;
    const BodyShape b = bodyShape(model);
    const CarStyle& s = b.s;
    const std::string dir = "base/cars/" + std::to_string(model + 1) + "/";
    auto common = [](const std::string& name) { return "base/cars/common/" + name + ".bmp"; };
    Materials m;
    m.paint = mesh.material("paint", dir + "paint.bmp");
    m.glass = mesh.material("glass", common("glass"));
    m.under = mesh.material("under", common("under"));
    m.nose = mesh.material("front", dir + "front.bmp");
    m.tail = mesh.material("rear", dir + "rear.bmp");
    // The lamps shine by themselves, lit by a street lamp or not.
    auto lampMaterial = [&](const char* name, const std::string& texture, float red, float green,
                            float blue) {
        MaterialSpec desc;
        desc.name = name;
        desc.texture = texture;
        desc.emissive[0] = red, desc.emissive[1] = green, desc.emissive[2] = blue;
        return mesh.material(desc);
    };
    m.head = lampMaterial("headlamp", common("headlamp" + std::to_string(style)), 0.9f, 0.92f, 0.95f);
    m.rearLamp = lampMaterial("taillamp", common("taillamp" + std::to_string(style)), 1.0f, 0.22f, 0.16f);
    m.chrome = mesh.material("exhaust", common("exhaust"));
    mesh.markTwoSided(m.chrome);  // open tubes, seen into from behind
    m.trim = mesh.material("trim", common("trim"));
    buildShell(mesh, b, m, cut);

    // Lamps wrapping round the corners, each style its own length.
    const float headLength[4] = {0.42f, 0.3f, 0.38f, 0.5f};
    const float tailLength[4] = {0.3f, 0.22f, 0.26f, 0.34f};
    lampLens(mesh, b, m.head, lensStations(b, cut, s.front - headLength[style], s.front - 0.01f),
             cut.lensRows, 0.012f);
    lampLens(mesh, b, m.rearLamp, lensStations(b, cut, s.rear + 0.01f, s.rear + tailLength[style]),
             cut.lensRows, 0.012f);
    // Lamps on the nose and tail panels, seen straight on.
    Vec3 noseRing[kRingHalf], tailRing[kRingHalf];
    bodySection(b, s.front, noseRing);
    bodySection(b, s.rear, tailRing);
    const float noseLamp = style == 1 ? 0.16f : 0.1f;
    panelLamps(mesh, b, m.head, 1, 0.5f, 0.9f, noseRing[3].y - noseLamp, noseRing[3].y);
    panelLamps(mesh, b, m.rearLamp, -1, 0.55f, 0.92f, tailRing[3].y - 0.1f, tailRing[3].y);
    if (style == 1 || style == 3)  // a light bar joins the tail lamps
        tailBar(mesh, b, m.rearLamp, tailRing[3].y - 0.06f, tailRing[3].y + 0.02f, tailRing[2].z - 0.1f);

    // Door mirrors at the foot of the screen.
    for (float side : {-1.0f, 1.0f}) {
        Vec3 sec[kRingHalf];
        const float x = b.screenBase - 0.2f;
        bodySection(b, x, sec);
        const float y = sec[5].y + 0.04f, z = sec[5].z;
        std::vector<float> px = {x - 0.14f, x + 0.0f, x + 0.03f, x - 0.12f}, py = {y, y, y + 0.1f, y + 0.1f};
        float z0 = side * (z - 0.02f), z1 = side * (z + 0.13f);
        prism(mesh, m.paint, px, py, std::min(z0, z1), std::max(z0, z1));
    }
    // Exhaust pipes, their tips where the exhaust flames start, each in a
    // dark surround set into the rear bumper.
    const float pipe = style == 1 ? 0.085f : (style == 3 ? 0.1f : 0.075f);
    for (float side : {-1.0f, 1.0f}) {
        cylinderX(mesh, cut.pipeSides, m.chrome, m.under, s.exhaustX + 0.35f, s.exhaustX, s.exhaustY,
                  side * s.exhaustZ, pipe);
        const float z = side * s.exhaustZ;
        mesh.box(m.under, {s.exhaustX + 0.05f, s.exhaustY - pipe - 0.05f, z - pipe - 0.09f},
                 {s.exhaustX + 0.22f, s.exhaustY + pipe + 0.05f, z + pipe + 0.09f}, 1.0f);
    }
    // The rear bumper: a band across the tail under the lamps.
    {
        const float x = s.rear + 0.12f, w = halfWidthAt(b, x) * 0.92f;
        const float y0 = bottomAt(b, x) + 0.04f, y1 = std::min(y0 + 0.16f, tailRing[3].y - 0.14f);
        if (y1 > y0 + 0.04f) mesh.box(m.trim, {s.rear - 0.05f, y0, -w}, {x, y1, w}, 1.0f);
    }

    // Trims: sport trims get skirts; the top trims a splitter too.
    if (trim >= 1) {
        for (float side : {-1.0f, 1.0f}) {
            float x0 = s.rearAxle + kArchRadius + 0.06f, x1 = s.frontAxle - kArchRadius - 0.06f;
            float w = halfWidthAt(b, 0.5f * (x0 + x1));
            float z0 = side * (0.9f * w), z1 = side * (w + 0.04f);
            mesh.box(m.trim, {x0, kSillY - 0.03f, std::min(z0, z1)}, {x1, kSillY + 0.1f, std::max(z0, z1)},
                     1.0f);
        }
    }
    if (trim == 2) {
        float w = halfWidthAt(b, s.front - 0.2f);
        mesh.box(m.trim, {s.front - 0.45f, bottomAt(b, s.front - 0.2f) - 0.04f, -w},
                 {s.front + 0.07f, bottomAt(b, s.front - 0.2f) + 0.0f, w}, 1.0f);
    }
    const float deckX = s.rear + 0.05f;
    switch (style) {
        case 0:
            if (trim == 1)
                rearWing(mesh, b, cut, m.paint, m.trim, deckX, curveAt(b.top, deckX + 0.2f) + 0.06f, 0.34f,
                         1.05f, false);
            if (trim == 2) rearWing(mesh, b, cut, m.paint, m.trim, deckX, 0.98f, 0.5f, 1.15f, true);
            break;
        case 1:
            if (trim >= 1) bonnetScoop(mesh, b, m.paint, m.under, 0.5f, 1.6f, 0.36f, 0.14f);
            if (trim == 1)
                rearWing(mesh, b, cut, m.paint, m.paint, deckX, curveAt(b.top, deckX) + 0.03f, 0.3f, 1.0f,
                         false);
            if (trim == 2) rearWing(mesh, b, cut, m.trim, m.trim, deckX, 0.9f, 0.45f, 1.1f, true);
            break;
        case 2: {
            // Roof spoiler over the hatch.
            const float x = b.roofRear - 0.32f, y = curveAt(b.top, b.roofRear) - 0.02f;
            float chord = trim == 0 ? 0.32f : 0.45f;
            std::vector<float> px = {x, x + chord, x + chord, x + 0.05f},
                               py = {y - 0.08f, y, y + 0.03f, y + 0.0f};
            float half = halfWidthAt(b, b.roofRear) * b.roofEdge + 0.06f;
            prism(mesh, trim == 2 ? m.trim : m.paint, px, py, -half, half);
            if (trim >= 1) bonnetScoop(mesh, b, m.trim, m.under, 1.55f, 2.1f, 0.3f, 0.06f);
            if (trim == 2) rearWing(mesh, b, cut, m.trim, m.trim, deckX + 0.05f, 0.72f, 0.3f, 1.0f, true);
            break;
        }
        default: {
            const float heights[3] = {0.62f, 0.8f, 1.0f};
            const float chords[3] = {0.38f, 0.45f, 0.55f};
            rearWing(mesh, b, cut, trim == 0 ? m.paint : m.trim, m.trim, deckX, heights[trim], chords[trim],
                     trim == 2 ? 1.2f : 1.1f, trim >= 1);
            if (trim == 2) bonnetScoop(mesh, b, m.trim, m.under, 0.9f, 1.7f, 0.5f, 0.05f);
            break;
        }
    }
}

CarOutline carOutline(int model) {
    const BodyShape b = bodyShape(model);
    CarOutline o;
    o.rear = b.s.rear, o.front = b.s.front;
    o.screenBase = b.screenBase, o.roofFront = b.roofFront, o.roofRear = b.roofRear, o.backBase = b.backBase;
    o.pillar = b.pillar;
    o.door = 0.5f * (b.screenBase - 0.1f + b.pillar);
    o.doorBelt = curveAt(b.belt, o.door);
    return o;
}
