// The twelve car bodies, their wheels and textures.
#include "content/cars.h"

#include <algorithm>
#include <cmath>

#include "content/image_writer.h"
#include "content/textures_world.h"

// Wheel centres from the car table (offset / 1.67 x 0.77), exhaust tips from
// the effect positions (0.15 lower here, since the body is drawn raised).
CarStyle carStyle(int model) {
    switch (model % 4) {
        case 0:
            return {3.96f / 1.67f * 0.77f, -3.88f / 1.67f * 0.77f, 2.92f, -2.86f, -2.94f, -0.46f, 0.59f};
        case 1:
            return {3.54f / 1.67f * 0.77f, -4.69f / 1.67f * 0.77f, 3.0f, -2.97f, -3.05f, -0.53f, 0.775f};
        case 2:
            return {3.96f / 1.67f * 0.77f, -3.88f / 1.67f * 0.77f, 3.0f, -3.04f, -3.125f, -0.48f, 0.72f};
        default:
            return {3.66f / 1.67f * 0.77f, -4.19f / 1.67f * 0.77f, 3.0f, -3.04f, -3.12f, -0.26f, 0.59f};
    }
}

static const float kWheelCentreY = -0.5f;
// As low as the ground clearance allows (the wheel's bottom sits near -1.0
// at rest, the suspension lifts it by up to 0.15), so the sills and bumpers
// wrap the wheels instead of leaving them hanging below the body.
static const float kSillY = -0.7f;
static const float kArchRadius = 0.58f;

// ---------------------------------------------------------------------------
// Polygon triangulation (ear clipping; the profiles have at most a few dozen
// points).

static float cross2(float ax, float ay, float bx, float by) {
    return ax * by - ay * bx;
}

bool triangulatePolygon(const std::vector<float>& xs, const std::vector<float>& ys, std::vector<int>* out) {
    std::vector<int> remaining;
    for (size_t i = 0; i < xs.size(); ++i) remaining.push_back(static_cast<int>(i));
    int guard = 0;
    while (remaining.size() > 3) {
        bool clipped = false;
        size_t n = remaining.size();
        for (size_t k = 0; k < n; ++k) {
            int a = remaining[(k + n - 1) % n], b = remaining[k], c = remaining[(k + 1) % n];
            float turn = cross2(xs[b] - xs[a], ys[b] - ys[a], xs[c] - xs[b], ys[c] - ys[b]);
            if (turn <= 1e-7f) continue;  // reflex or flat
            bool empty = true;
            for (int p : remaining) {
                if (p == a || p == b || p == c) continue;
                float d1 = cross2(xs[b] - xs[a], ys[b] - ys[a], xs[p] - xs[a], ys[p] - ys[a]);
                float d2 = cross2(xs[c] - xs[b], ys[c] - ys[b], xs[p] - xs[b], ys[p] - ys[b]);
                float d3 = cross2(xs[a] - xs[c], ys[a] - ys[c], xs[p] - xs[c], ys[p] - ys[c]);
                if (d1 >= 0 && d2 >= 0 && d3 >= 0) {
                    empty = false;
                    break;
                }
            }
            if (!empty) continue;
            out->insert(out->end(), {a, b, c});
            remaining.erase(remaining.begin() + static_cast<long>(k));
            clipped = true;
            break;
        }
        if (!clipped || ++guard > 10000) return false;
    }
    out->insert(out->end(), {remaining[0], remaining[1], remaining[2]});
    return true;
}

// ---------------------------------------------------------------------------
// Bodies.

struct Profile {
    std::vector<float> x, y;
    std::vector<int> part;  // per edge i -> i+1: 0 underside, 1 arch, 2 front, 3 top, 4 rear
    // Tumblehome: the sides lean in by `taper` between these heights.
    float taper = 0.0f, taperFrom = 0.0f, taperTo = 1.0f;
    float halfWidthAt(float half, float y) const {
        float t = std::clamp((y - taperFrom) / (taperTo - taperFrom), 0.0f, 1.0f);
        return half - taper * t;
    }
};

static void addPoint(Profile& p, float x, float y, int part) {
    p.x.push_back(x);
    p.y.push_back(y);
    p.part.push_back(part);
}

// Side silhouette of the lower body, counter-clockwise seen from +z
// (forward is +x, right on the page): underside with the wheel arches, the
// nose, the bonnet and deck line, the tail.
static Profile lowerProfile(const CarStyle& s, int style) {
    Profile p;
    const float belt[4] = {0.3f, 0.36f, 0.34f, 0.16f};
    const float nose[4] = {0.05f, 0.12f, 0.08f, -0.22f};
    const float deck[4] = {0.42f, 0.42f, 0.4f, 0.32f};
    float rearX = s.rear, frontX = s.front;
    addPoint(p, rearX + 0.15f, kSillY, 0);
    // Arches: from the sill up over the wheel and down again.
    float lift =
        std::asin(std::clamp((kSillY - kWheelCentreY) / kArchRadius, -1.0f, 1.0f));  // below the centre
    for (float axle : {s.rearAxle, s.frontAxle}) {
        const int steps = 8;
        for (int k = 0; k <= steps; ++k) {
            // From the sill behind the wheel (angle pi - lift) over the top
            // to the sill in front of it (angle lift).
            float a = 3.14159265f - lift - (3.14159265f - 2.0f * lift) * k / steps;
            addPoint(p, axle + kArchRadius * std::cos(a), kWheelCentreY + kArchRadius * std::sin(a),
                     k < steps ? 1 : 0);
        }
    }
    addPoint(p, frontX - 0.15f, kSillY, 2);
    addPoint(p, frontX, kSillY + 0.2f, 2);
    addPoint(p, frontX, nose[style], 3);
    // Bonnet up to the windscreen base.
    addPoint(p, frontX - 0.45f, nose[style] + 0.12f, 3);
    // Over the front arch the bonnet must clear the arch's crown.
    addPoint(p, s.frontAxle - 0.2f,
             std::max(0.5f * (nose[style] + belt[style]) + 0.06f, kWheelCentreY + kArchRadius + 0.08f), 3);
    addPoint(p, s.frontAxle - 1.0f, belt[style], 3);
    // Deck and tail.
    addPoint(p, s.rearAxle - 0.3f, deck[style], 3);
    addPoint(p, rearX + 0.2f, deck[style], 4);
    addPoint(p, rearX, deck[style] - 0.12f, 4);
    addPoint(p, rearX, kSillY + 0.18f, 0);
    return p;
}

// Cabin silhouette: windscreen, roof, rear window, standing on the belt line.
static Profile cabinProfile(const CarStyle& s, int style) {
    Profile p;
    const float belt[4] = {0.3f, 0.36f, 0.34f, 0.16f};
    const float roof[4] = {1.05f, 1.02f, 1.08f, 0.86f};
    const float screenBase[4] = {0.95f, 0.45f, 0.8f, 1.0f};
    const float roofFront[4] = {0.05f, -0.35f, 0.0f, 0.0f};
    const float roofRear[4] = {-1.45f, -1.35f, -1.3f, -0.9f};
    const float backBase[4] = {-2.55f, -2.2f, -2.1f, -2.7f};
    (void)s;
    addPoint(p, backBase[style], belt[style], 0);
    addPoint(p, screenBase[style], belt[style], 5);  // windscreen
    addPoint(p, roofFront[style], roof[style], 3);   // roof
    addPoint(p, roofRear[style], roof[style], 6);    // rear window
    return p;
}

// Fills one flat side of a profile at z (facing +z when right is true).
static void profileSide(MeshBuilder& mesh, int material, const Profile& p, float z, bool right, float u0,
                        float u1, float x0, float x1, float y0, float y1) {
    std::vector<int> tris;
    if (!triangulatePolygon(p.x, p.y, &tris)) return;
    for (size_t i = 0; i + 2 < tris.size(); i += 3) {
        int idx[3] = {tris[i], tris[i + 1], tris[i + 2]};
        if (!right) std::swap(idx[1], idx[2]);
        Vec3 v[3];
        TexCoord t[3];
        for (int k = 0; k < 3; ++k) {
            float half = p.halfWidthAt(std::fabs(z), p.y[idx[k]]);
            v[k] = {p.x[idx[k]], p.y[idx[k]], z < 0 ? -half : half};
            float fu = (p.x[idx[k]] - x0) / (x1 - x0), fv = (p.y[idx[k]] - y0) / (y1 - y0);
            t[k] = {right ? u0 + (u1 - u0) * fu : u1 - (u1 - u0) * fu, 1.0f - fv};
        }
        mesh.flatTriangle(material, v[0], v[1], v[2], t[0], t[1], t[2]);
    }
}

// The skin between the two sides: one quad per profile edge.
static void profileSkin(MeshBuilder& mesh, const Profile& p, float halfWidth, const int materials[7],
                        float x0, float x1, float y0, float y1) {
    size_t n = p.x.size();
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        float hi = p.halfWidthAt(halfWidth, p.y[i]), hj = p.halfWidthAt(halfWidth, p.y[j]);
        Vec3 a{p.x[i], p.y[i], hi}, b{p.x[j], p.y[j], hj};
        Vec3 a2{p.x[i], p.y[i], -hi}, b2{p.x[j], p.y[j], -hj};
        int part = p.part[i];
        int material = materials[part];
        TexCoord ta, tb, tc, td;
        if (part == 3) {
            // Top surfaces use the right half of the paint texture, seen from
            // above: u along the car, v across it.
            float ua = 0.5f + 0.5f * (p.x[i] - x0) / (x1 - x0), ub = 0.5f + 0.5f * (p.x[j] - x0) / (x1 - x0);
            ta = {ua, 1}, tb = {ub, 1}, tc = {ub, 0}, td = {ua, 0};
        } else if (part == 2 || part == 4) {
            // Nose and tail images span the car's width and height.
            float va = 1.0f - (p.y[i] - y0) / (y1 - y0), vb = 1.0f - (p.y[j] - y0) / (y1 - y0);
            ta = {1, va}, tb = {1, vb}, tc = {0, vb}, td = {0, va};
        } else {
            ta = {0, 0}, tb = {1, 0}, tc = {1, 1}, td = {0, 1};
        }
        // Walking counter-clockwise seen from +z, the outward normal is the
        // edge turned clockwise; quad (a, b, b2, a2) faces it.
        mesh.quad(material, a, b, b2, a2, ta, tb, tc, td);
    }
}

static void cylinderX(MeshBuilder& mesh, int material, float x0, float x1, float y, float z, float radius,
                      int sides) {
    for (int k = 0; k < sides; ++k) {
        float a0 = 6.2831853f * k / sides, a1 = 6.2831853f * (k + 1) / sides;
        Vec3 p0{x0, y + radius * std::cos(a0), z + radius * std::sin(a0)};
        Vec3 p1{x0, y + radius * std::cos(a1), z + radius * std::sin(a1)};
        Vec3 q0{x1, p0.y, p0.z}, q1{x1, p1.y, p1.z};
        Vec3 n0{0, std::cos(a0), std::sin(a0)}, n1{0, std::cos(a1), std::sin(a1)};
        Vec3 pa[3] = {p0, q1, q0}, na[3] = {n0, n1, n0};
        Vec3 pb[3] = {p0, p1, q1}, nb[3] = {n0, n1, n1};
        TexCoord ta[3] = {{0, 0}, {1, 1}, {1, 0}}, tb[3] = {{0, 0}, {0, 1}, {1, 1}};
        mesh.triangle(material, pa, na, ta);
        mesh.triangle(material, pb, nb, tb);
    }
}

static std::string carDir(int model) {
    return "base/cars/" + std::to_string(model + 1) + "/";
}
static std::string common(const char* name) {
    return std::string("base/cars/common/") + name + ".bmp";
}

void buildCarBody(int model, MeshBuilder& mesh) {
    int style = model % 4, trim = model / 4;
    CarStyle s = carStyle(model);
    int paint = mesh.material("paint", carDir(model) + "paint.bmp");
    int under = mesh.material("under", common("under"));
    int front = mesh.material("front", common(("front" + std::to_string(style)).c_str()));
    int rear = mesh.material("rear", common(("rear" + std::to_string(style)).c_str()));
    int glass = mesh.material("glass", common("glass"));
    int chrome = mesh.material("exhaust", common("exhaust"));
    const float bodyHalf = trim == 2 ? 1.3f : 1.25f;
    const float cabinHalf = style == 3 ? 1.05f : 1.0f;
    Profile lower = lowerProfile(s, style);
    float y1 = 0.45f;
    profileSide(mesh, paint, lower, bodyHalf, true, 0.0f, 0.5f, s.rear, s.front, kSillY, y1);
    profileSide(mesh, paint, lower, -bodyHalf, false, 0.0f, 0.5f, s.rear, s.front, kSillY, y1);
    const int lowerMaterials[7] = {under, under, front, paint, rear, glass, glass};
    profileSkin(mesh, lower, bodyHalf, lowerMaterials, s.rear, s.front, kSillY, y1);
    // Wheel wells: a dark box inside each arch so the body is not see-through.
    for (float axle : {s.frontAxle, s.rearAxle})
        mesh.box(under, {axle - kArchRadius, kWheelCentreY - 0.1f, -bodyHalf + 0.5f},
                 {axle + kArchRadius, kWheelCentreY + kArchRadius, bodyHalf - 0.5f}, 1.0f);
    Profile cabin = cabinProfile(s, style);
    cabin.taper = 0.22f;
    cabin.taperFrom = cabin.y[0];
    cabin.taperTo = cabin.y[2];
    profileSide(mesh, glass, cabin, cabinHalf, true, 0.0f, 1.0f, cabin.x[0], cabin.x[1], cabin.y[0],
                cabin.y[2]);
    profileSide(mesh, glass, cabin, -cabinHalf, false, 0.0f, 1.0f, cabin.x[0], cabin.x[1], cabin.y[0],
                cabin.y[2]);
    const int cabinMaterials[7] = {under, under, front, paint, rear, glass, glass};
    profileSkin(mesh, cabin, cabinHalf, cabinMaterials, s.rear, s.front, kSillY, y1);
    // Door mirrors at the foot of the windscreen.
    for (float side : {-1.0f, 1.0f}) {
        float x = cabin.x[1] - 0.25f, y = cabin.y[0] + 0.08f;
        float z0 = side * (cabinHalf - 0.05f), z1 = side * (cabinHalf + 0.22f);
        mesh.box(paint, {x - 0.12f, y, std::min(z0, z1)}, {x + 0.05f, y + 0.16f, std::max(z0, z1)}, 1.0f);
    }
    // Exhaust pipes, their tips where the exhaust flames start.
    for (float side : {-1.0f, 1.0f})
        cylinderX(mesh, chrome, s.exhaustX + 0.3f, s.exhaustX, s.exhaustY, side * s.exhaustZ,
                  style == 3 ? 0.1f : 0.075f, 8);
    // Trims: side skirts and a lip spoiler, then a splitter and a big wing.
    if (trim >= 1) {
        for (float side : {-1.0f, 1.0f}) {
            float z0 = side * bodyHalf, z1 = side * (bodyHalf + 0.06f);
            mesh.box(paint, {s.rearAxle + kArchRadius + 0.05f, kSillY - 0.03f, std::min(z0, z1)},
                     {s.frontAxle - kArchRadius - 0.05f, kSillY + 0.12f, std::max(z0, z1)}, 1.0f);
        }
        float deckY = style == 3 ? 0.32f : (style == 0 ? 0.42f : 0.41f);
        if (trim == 1)
            mesh.box(paint, {s.rear + 0.05f, deckY, -bodyHalf + 0.1f},
                     {s.rear + 0.35f, deckY + 0.1f, bodyHalf - 0.1f}, 1.0f);
    }
    if (trim == 2) {
        mesh.box(under, {s.front - 0.25f, kSillY - 0.04f, -bodyHalf},
                 {s.front + 0.08f, kSillY + 0.02f, bodyHalf}, 1.0f);
        float deckY = style == 3 ? 0.32f : (style == 0 ? 0.42f : 0.41f);
        float wingY = deckY + (style == 0 ? 0.55f : 0.45f);
        for (float side : {-0.7f, 0.7f})
            mesh.box(under, {s.rear + 0.25f, deckY, side - 0.04f}, {s.rear + 0.4f, wingY, side + 0.04f},
                     1.0f);
        mesh.box(paint, {s.rear + 0.05f, wingY, -bodyHalf + 0.02f},
                 {s.rear + 0.6f, wingY + 0.07f, bodyHalf - 0.02f}, 1.0f);
        for (float side : {-1.0f, 1.0f})
            mesh.box(under, {s.rear + 0.02f, wingY - 0.15f, side * bodyHalf - 0.03f},
                     {s.rear + 0.62f, wingY + 0.15f, side * bodyHalf + 0.03f}, 1.0f);
    }
}

// Tyre and rim around the z axis; the rim face looks along +z (outward on
// the right; the game turns the left wheels over).
void buildCarWheel(int model, MeshBuilder& mesh) {
    int trim = model / 4;
    int tyre = mesh.material("tyre", common("tyre"));
    int rim = mesh.material("rim", common(("rim" + std::to_string(trim)).c_str()));
    int inner = mesh.material("under", common("under"));
    const int sides = 20;
    const float r = kWheelRadius, rimR = trim == 0 ? 0.27f : 0.32f, w = kWheelHalfWidth;
    for (int k = 0; k < sides; ++k) {
        float a0 = 6.2831853f * k / sides, a1 = 6.2831853f * (k + 1) / sides;
        float c0 = std::cos(a0), s0 = std::sin(a0), c1 = std::cos(a1), s1 = std::sin(a1);
        Vec3 n0{c0, s0, 0}, n1{c1, s1, 0};
        float u0 = static_cast<float>(k) / sides * 4.0f, u1 = static_cast<float>(k + 1) / sides * 4.0f;
        // Tread.
        Vec3 o0{r * c0, r * s0, w}, o1{r * c1, r * s1, w}, i0{r * c0, r * s0, -w}, i1{r * c1, r * s1, -w};
        Vec3 pa[3] = {o0, i0, i1}, na[3] = {n0, n0, n1};
        Vec3 pb[3] = {o0, i1, o1}, nb[3] = {n0, n1, n1};
        TexCoord ta[3] = {{u0, 0}, {u0, 0.5f}, {u1, 0.5f}}, tb[3] = {{u0, 0}, {u1, 0.5f}, {u1, 0}};
        mesh.triangle(tyre, pa, na, ta);
        mesh.triangle(tyre, pb, nb, tb);
        // Sidewalls (outer and inner), tyre texture's lower half.
        Vec3 so0{rimR * c0, rimR * s0, w}, so1{rimR * c1, rimR * s1, w};
        mesh.quad(tyre, so0, o0, o1, so1, {u0, 1}, {u0, 0.5f}, {u1, 0.5f}, {u1, 1});
        Vec3 si0{rimR * c0, rimR * s0, -w}, si1{rimR * c1, rimR * s1, -w};
        mesh.quad(tyre, si1, i1, i0, si0, {u1, 1}, {u1, 0.5f}, {u0, 0.5f}, {u0, 1});
        // Rim dish, slightly recessed, and the inner face.
        Vec3 centre{0, 0, w - 0.05f};
        mesh.flatTriangle(rim, centre, so0, so1, {0.5f, 0.5f}, {0.5f + 0.5f * c0, 0.5f - 0.5f * s0},
                          {0.5f + 0.5f * c1, 0.5f - 0.5f * s1});
        Vec3 back{0, 0, -w};
        mesh.flatTriangle(inner, back, si1, si0, {0.5f, 0.5f}, {1, 0}, {0, 0});
    }
}

// ---------------------------------------------------------------------------
// Textures.

// Paint: the left half is the side view (u along the car, v down), the
// right half the top view (u along, v across). Trims add a side stripe and
// twin racing stripes.
static Image paintTexture(int model) {
    static const int colours[kCarCount][3] = {
        {110, 125, 150}, {80, 100, 60}, {120, 30, 35},  {170, 170, 178}, {235, 120, 20}, {30, 70, 205},
        {228, 228, 232}, {210, 20, 22}, {120, 220, 30}, {120, 40, 200},  {22, 22, 26},   {250, 200, 0}};
    static const int stripes[kCarCount][3] = {{0, 0, 0},    {0, 0, 0},       {0, 0, 0},      {0, 0, 0},
                                              {20, 20, 20}, {240, 240, 240}, {200, 20, 20},  {240, 240, 240},
                                              {20, 20, 20}, {240, 200, 0},   {220, 170, 40}, {20, 20, 20}};
    int trim = model / 4;
    const int* c = colours[model];
    Image image = makeImage(256, 128, 3);
    fillNoise(image, c[0], c[1], c[2], 3, 500u + static_cast<uint32_t>(model));
    // Shading: darker towards the sill on the side view.
    for (int y = 0; y < 128; ++y) {
        float shade = 1.0f - 0.35f * static_cast<float>(y) / 127.0f;
        for (int x = 0; x < 128; ++x) {
            uint8_t* p = imagePixel(image, x, y);
            for (int k = 0; k < 3; ++k) p[k] = static_cast<uint8_t>(p[k] * shade);
        }
    }
    // Door lines and the handle on the side view.
    fillRect(image, 58, 20, 59, 110, c[0] / 3, c[1] / 3, c[2] / 3);
    fillRect(image, 86, 20, 87, 110, c[0] / 3, c[1] / 3, c[2] / 3);
    fillRect(image, 76, 34, 83, 37, 40, 40, 40);
    if (trim >= 1) {
        const int* st = stripes[model];
        fillRect(image, 0, 62, 128, 72, st[0], st[1], st[2]);
        // The car's number on the door.
        fillRect(image, 62, 40, 82, 58, 235, 235, 235);
        fillRect(image, 66 + (model % 3) * 2, 43, 72, 55, 20, 20, 20);
    }
    if (trim == 2) {
        const int* st = stripes[model];
        fillRect(image, 128, 48, 256, 58, st[0], st[1], st[2]);
        fillRect(image, 128, 70, 256, 80, st[0], st[1], st[2]);
    }
    return image;
}

static Image frontTexture(int style) {
    Image image = makeImage(128, 64, 3);
    fillNoise(image, 30, 30, 34, 4, 600u + static_cast<uint32_t>(style));
    // Grille.
    for (int y = 30; y < 52; y += 4) fillRect(image, 34, y, 94, y + 2, 70, 70, 76);
    // Headlights near the outer edges.
    int ly = style == 3 ? 8 : 14;
    fillRect(image, 6, ly, 30, ly + 12, 255, 250, 225);
    fillRect(image, 98, ly, 122, ly + 12, 255, 250, 225);
    tintRect(image, 8, ly + 2, 28, ly + 10, 180, 220, 255, 0.3f);
    tintRect(image, 100, ly + 2, 120, ly + 10, 180, 220, 255, 0.3f);
    // Plate.
    fillRect(image, 50, 54, 78, 62, 230, 230, 225);
    return image;
}

static Image rearTexture(int style) {
    Image image = makeImage(128, 64, 3);
    fillNoise(image, 30, 30, 34, 4, 700u + static_cast<uint32_t>(style));
    int ly = style == 3 ? 6 : 10;
    fillRect(image, 4, ly, 34, ly + 12, 230, 20, 25);
    fillRect(image, 94, ly, 124, ly + 12, 230, 20, 25);
    fillRect(image, 30, ly + 2, 36, ly + 10, 240, 150, 30);  // indicators
    fillRect(image, 92, ly + 2, 98, ly + 10, 240, 150, 30);
    // Number plate: white with dark characters.
    fillRect(image, 44, 30, 84, 44, 235, 235, 228);
    for (int k = 0; k < 6; ++k) fillRect(image, 47 + k * 6, 33, 51 + k * 6, 41, 25, 25, 30);
    return image;
}

static Image rimTexture(int trim) {
    Image image = makeImage(64, 64, 3);
    const int base[3][3] = {{90, 92, 96}, {185, 188, 195}, {210, 170, 60}};
    fillNoise(image, base[trim][0], base[trim][1], base[trim][2], 6, 800u + static_cast<uint32_t>(trim));
    int spokes = trim == 0 ? 0 : (trim == 1 ? 5 : 10);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float dx = x - 31.5f, dy = y - 31.5f;
            float radius = std::sqrt(dx * dx + dy * dy), angle = std::atan2(dy, dx);
            uint8_t* p = imagePixel(image, x, y);
            bool dark = false;
            if (spokes == 0)
                dark = radius > 12 && radius < 26 && std::fmod(angle + 7.0f, 0.785f) < 0.25f;
            else
                dark = radius > 9 && radius < 28 && std::fmod(angle + 7.0f, 6.2831853f / spokes) > 0.3f;
            if (radius < 5) dark = false;
            if (dark) p[0] = p[1] = p[2] = 18;
        }
    return image;
}

bool generateCars(const std::string& baseDir) {
    std::string commonDir = baseDir + "/cars/common";
    if (!makeDirectories(commonDir)) return false;
    Image tyre = makeImage(64, 64, 3);
    fillNoise(tyre, 15, 15, 16, 3, 900u);                                         // black rubber
    for (int x = 0; x < 64; x += 8) fillRect(tyre, x, 0, x + 3, 32, 7, 7, 8);     // tread blocks
    fillRect(tyre, 0, 44, 64, 46, 38, 38, 40);                                    // sidewall lettering band
    Image glass = makeImage(64, 64, 3);
    fillNoise(glass, 20, 28, 40, 3, 901u);
    for (int k = 0; k < 64; ++k) tintRect(glass, k, 0, k + 1, 64 - k, 120, 140, 170, 0.12f);  // reflection
    Image under = makeImage(16, 16, 3);
    fillNoise(under, 16, 16, 18, 3, 902u);
    Image exhaust = makeImage(16, 16, 3);
    fillNoise(exhaust, 170, 170, 175, 12, 903u);
    bool ok = writeBmp(commonDir + "/tyre.bmp", tyre) && writeBmp(commonDir + "/glass.bmp", glass) &&
              writeBmp(commonDir + "/under.bmp", under) && writeBmp(commonDir + "/exhaust.bmp", exhaust);
    for (int i = 0; ok && i < 4; ++i)
        ok = writeBmp(commonDir + "/front" + std::to_string(i) + ".bmp", frontTexture(i)) &&
             writeBmp(commonDir + "/rear" + std::to_string(i) + ".bmp", rearTexture(i));
    for (int i = 0; ok && i < 3; ++i)
        ok = writeBmp(commonDir + "/rim" + std::to_string(i) + ".bmp", rimTexture(i));
    for (int model = 0; ok && model < kCarCount; ++model) {
        std::string dir = baseDir + "/cars/" + std::to_string(model + 1);
        if (!makeDirectories(dir)) return false;
        MeshBuilder body, wheel;
        buildCarBody(model, body);
        buildCarWheel(model, wheel);
        ok = writeBmp(dir + "/paint.bmp", paintTexture(model)) && writeMesh(dir + "/car.ms3d", body) &&
             writeMesh(dir + "/wheel.ms3d", wheel);
    }
    return ok;
}
