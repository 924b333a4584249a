// The twelve cars tell apart at a glance: each paint has its own strong
// colour (not near-black, not another car's), each body keeps to its
// triangle budget and carries lit lamps front and back, and the four body
// styles stand at different heights.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "content/cars.h"

namespace {

// Mean colour of the right side's door panel in the paint picture.
void doorColour(const Image& paint, float rgb[3]) {
    double sum[3] = {0, 0, 0};
    int count = 0;
    for (int y = 60; y < 90; y++)
        for (int x = 20; x < 60; x++) {
            const uint8_t* p = imagePixel(paint, x, y);
            for (int k = 0; k < 3; k++) sum[k] += p[k];
            count++;
        }
    for (int k = 0; k < 3; k++) rgb[k] = (float)(sum[k] / count);
}

TEST(Cars, EveryPaintIsStrongAndItsOwn) {
    float colours[kCarCount][3];
    for (int m = 0; m < kCarCount; m++) {
        const Image paint = carPaintTexture(m);
        ASSERT_EQ(paint.width, 512);
        ASSERT_EQ(paint.height, 256);
        doorColour(paint, colours[m]);
        const float brightest = std::max({colours[m][0], colours[m][1], colours[m][2]});
        EXPECT_GT(brightest, 150.0f) << "car " << m + 1 << " is too dark to read at night";
    }
    for (int a = 0; a < kCarCount; a++)
        for (int b = a + 1; b < kCarCount; b++) {
            const float d =
                std::hypot(colours[a][0] - colours[b][0],
                           std::hypot(colours[a][1] - colours[b][1], colours[a][2] - colours[b][2]));
            EXPECT_GT(d, 60.0f) << "cars " << a + 1 << " and " << b + 1 << " share a colour";
        }
}

TEST(Cars, BodiesKeepTheirBudgetAndLamps) {
    float roof[4] = {0, 0, 0, 0};
    for (int m = 0; m < kCarCount; m++) {
        MeshBuilder body;
        buildCarBody(m, body);
        EXPECT_LE(body.triangleCount(), 6000) << "car " << m + 1;
        EXPECT_GT(body.triangleCount(), 1500) << "car " << m + 1 << " is too coarse for curves";
        Ms3dFile file;
        std::string error;
        ASSERT_TRUE(body.build(&file, &error)) << error;
        bool head = false, tail = false;
        for (const Ms3dMaterial& material : file.materials) {
            head = head || std::string(material.texture).find("headlamp") != std::string::npos;
            tail = tail || std::string(material.texture).find("taillamp") != std::string::npos;
        }
        EXPECT_TRUE(head && tail) << "car " << m + 1;
        // The roof's height over the middle of the car (x between -0.6 and
        // 0, the body's centre line).
        float top = -1.0f;
        for (const Vec3& p : body.positions())
            if (p.x > -0.6f && p.x < 0.0f && std::fabs(p.z) < 0.05f) top = std::max(top, p.y);
        if (m < 4) roof[m] = top;
    }
    // Wedge under muscle car under hot hatch; the GT lowest of all.
    EXPECT_LT(roof[0], roof[1]);
    EXPECT_LT(roof[1], roof[2]);
    EXPECT_LT(roof[3], roof[0]);
}

// Edges used by exactly one triangle of the given materials' triangles,
// counted over the whole mesh: a hole or a crack in a closed surface.
int openEdges(const MeshBuilder& body, const Ms3dFile& file, const std::vector<std::string>& closed) {
    std::map<std::pair<int, int>, int> uses;
    for (int i = 0; i < body.triangleCount(); i++) {
        int v[3];
        body.triangleVertices(i, v);
        for (int k = 0; k < 3; k++) uses[{std::min(v[k], v[(k + 1) % 3]), std::max(v[k], v[(k + 1) % 3])}]++;
    }
    int open = 0;
    for (const Ms3dGroup& group : file.groups) {
        const std::string& name = file.materials[static_cast<size_t>(group.material)].name;
        if (std::find(closed.begin(), closed.end(), name) == closed.end()) continue;
        for (uint16_t t : group.triangles) {
            const uint16_t* v = file.triangles[t].vertices;
            for (int k = 0; k < 3; k++)
                if (uses[{std::min(v[k], v[(k + 1) % 3]), std::max(v[k], v[(k + 1) % 3])}] == 1) open++;
        }
    }
    return open;
}

void bounds(const MeshBuilder& body, Vec3* lo, Vec3* hi) {
    *lo = {1e9f, 1e9f, 1e9f};
    *hi = {-1e9f, -1e9f, -1e9f};
    for (const Vec3& p : body.positions()) {
        *lo = {std::min(lo->x, p.x), std::min(lo->y, p.y), std::min(lo->z, p.z)};
        *hi = {std::max(hi->x, p.x), std::max(hi->y, p.y), std::max(hi->z, p.z)};
    }
}

// Both models built, with the same materials: names, textures, modes,
// glow and colour.
void buildAlike(MeshBuilder& full, MeshBuilder& coarse, Ms3dFile* fullFile, Ms3dFile* coarseFile) {
    std::string error;
    ASSERT_TRUE(full.build(fullFile, &error)) << error;
    ASSERT_TRUE(coarse.build(coarseFile, &error)) << error;
    ASSERT_EQ(coarseFile->materials.size(), fullFile->materials.size());
    for (size_t i = 0; i < fullFile->materials.size(); i++) {
        const Ms3dMaterial &a = fullFile->materials[i], &b = coarseFile->materials[i];
        EXPECT_EQ(b.name, a.name);
        EXPECT_EQ(b.texture, a.texture);
        EXPECT_EQ(b.mode, a.mode);
        for (int k = 0; k < 4; k++) {
            EXPECT_EQ(b.emissive[k], a.emissive[k]) << a.name;
            EXPECT_EQ(b.diffuse[k], a.diffuse[k]) << a.name;
        }
    }
}

// The race's coarse body at Low: at most a third of the full body's
// triangles, in the same materials with the same textures and glow, the
// same outline to within a few centimetres, and a closed skin: every edge
// of the painted shell, its windows and its nose and tail panels meets a
// second triangle (the lamps' lenses, the pipes and the dark bores and
// openings are open plates), and the trims' boxes stay open only at their
// bottoms, as on the full body.
TEST(Cars, CoarseBodiesKeepMaterialsOutlineAndSkinFromAThird) {
    const std::vector<std::string> closed = {"paint", "glass", "front", "rear"}, trims = {"trim"};
    for (int m = 0; m < kCarCount; m++) {
        SCOPED_TRACE("car " + std::to_string(m + 1));
        MeshBuilder full, coarse;
        buildCarBody(m, full);
        buildCarBody(m, coarse, CarBodyDetail::Coarse);
        EXPECT_LE(coarse.triangleCount(), full.triangleCount() / 3);
        Ms3dFile fullFile, coarseFile;
        ASSERT_NO_FATAL_FAILURE(buildAlike(full, coarse, &fullFile, &coarseFile));
        // Every material keeps some of its triangles: no lamp or trim lost.
        ASSERT_EQ(coarseFile.groups.size(), fullFile.groups.size());
        for (size_t g = 0; g < fullFile.groups.size(); g++) {
            EXPECT_EQ(coarseFile.groups[g].material, fullFile.groups[g].material);
            EXPECT_GT(coarseFile.groups[g].triangles.size(), 0u) << fullFile.groups[g].name;
        }
        Vec3 lo, hi, coarseLo, coarseHi;
        bounds(full, &lo, &hi);
        bounds(coarse, &coarseLo, &coarseHi);
        const float kOutline = 0.04f;  // units; a car is about 6 long
        EXPECT_NEAR(coarseLo.x, lo.x, kOutline);
        EXPECT_NEAR(coarseLo.y, lo.y, kOutline);
        EXPECT_NEAR(coarseLo.z, lo.z, kOutline);
        EXPECT_NEAR(coarseHi.x, hi.x, kOutline);
        EXPECT_NEAR(coarseHi.y, hi.y, kOutline);
        EXPECT_NEAR(coarseHi.z, hi.z, kOutline);
        EXPECT_EQ(openEdges(full, fullFile, closed), 0);
        EXPECT_EQ(openEdges(coarse, coarseFile, closed), 0);
        EXPECT_EQ(openEdges(coarse, coarseFile, trims), openEdges(full, fullFile, trims));
    }
}

// The coarse wheel: half the sides, the same tyre, rim and radius.
TEST(Cars, CoarseWheelsKeepTheirMaterialsAndSize) {
    for (int m = 0; m < kCarCount; m++) {
        SCOPED_TRACE("car " + std::to_string(m + 1));
        MeshBuilder full, coarse;
        buildCarWheel(m, full);
        buildCarWheel(m, coarse, CarBodyDetail::Coarse);
        EXPECT_LE(coarse.triangleCount(), full.triangleCount() / 2);
        Ms3dFile fullFile, coarseFile;
        ASSERT_NO_FATAL_FAILURE(buildAlike(full, coarse, &fullFile, &coarseFile));
        Vec3 lo, hi, coarseLo, coarseHi;
        bounds(full, &lo, &hi);
        bounds(coarse, &coarseLo, &coarseHi);
        // Corners on the tread's circle: the top and the front stay put.
        EXPECT_FLOAT_EQ(coarseHi.x, hi.x);
        EXPECT_NEAR(coarseHi.y, hi.y, 0.03f);
        EXPECT_FLOAT_EQ(coarseLo.z, lo.z);
        EXPECT_FLOAT_EQ(coarseHi.z, hi.z);
    }
}

}  // namespace
