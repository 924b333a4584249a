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

static std::string carDir(int model) {
    return "base/cars/" + std::to_string(model + 1) + "/";
}
static std::string common(const char* name) {
    return std::string("base/cars/common/") + name + ".bmp";
}

// Tyre and rim around the z axis; the rim face looks along +z (outward on
// the right; the game turns the left wheels over).
void buildCarWheel(int model, MeshBuilder& mesh, CarBodyDetail detail) {
    int trim = model / 4;
    int tyre = mesh.material("tyre", common("tyre"));
    int rim = mesh.material("rim", carDir(model) + "rim.bmp");
    int inner = mesh.material("under", common("under"));
    // Ten sides still read as round on the half-size scene at Low.
    const int sides = detail == CarBodyDetail::Coarse ? 10 : 20;
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

bool generateCars(const std::string& baseDir) {
    std::string commonDir = baseDir + "/cars/common";
    if (!makeDirectories(commonDir)) return false;
    bool ok = writeCommonCarTextures(commonDir);
    for (int model = 0; ok && model < kCarCount; ++model) {
        std::string dir = baseDir + "/cars/" + std::to_string(model + 1);
        if (!makeDirectories(dir)) return false;
        MeshBuilder body, coarseBody, wheel, coarseWheel;
        buildCarBody(model, body);
        buildCarBody(model, coarseBody, CarBodyDetail::Coarse);
        buildCarWheel(model, wheel);
        buildCarWheel(model, coarseWheel, CarBodyDetail::Coarse);
        ok = writeBmp(dir + "/paint.bmp", carPaintTexture(model)) && writeCarPanels(dir, model) &&
             writeMesh(dir + "/car.ms3d", body) && writeMesh(dir + "/car_low.ms3d", coarseBody) &&
             writeMesh(dir + "/wheel.ms3d", wheel) && writeMesh(dir + "/wheel_low.ms3d", coarseWheel);
    }
    return ok;
}
