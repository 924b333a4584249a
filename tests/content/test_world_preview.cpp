// Software previews of the world: a top-down plan of a circuit, the view
// from behind a starting grid, a car and the garage as the menu camera sees
// it. The pictures land in the build folder's previews/ for people to look
// at; the checks read the pixels that must be right whatever the styling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "content/cars.h"
#include "content/circuit.h"
#include "content/city.h"
#include "content/content.h"
#include "content/garage.h"
#include "content/maps.h"
#include "content/preview.h"

namespace {

std::string root;  // holds base/ with the textures

Ms3dFile fileOf(const MeshBuilder& mesh) {
    Ms3dFile f;
    std::string error;
    EXPECT_TRUE(mesh.build(&f, &error)) << error;
    return f;
}

void save(const PreviewCanvas& canvas, const char* name) {
    std::string dir = std::string(KORVASK_BUILD_DIR) + "/previews";
    makeDirectories(dir);
    EXPECT_TRUE(writePng(dir + "/" + name, canvas.image));
}

bool isBackground(const uint8_t* p, const uint8_t* background) {
    return p[0] == background[0] && p[1] == background[1] && p[2] == background[2];
}

bool exists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

// Textures from the build's base/ when it has them, else from a fresh one.
class WorldPreview : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        buildCity();
        std::string built = KORVASK_BUILD_DIR;
        if (exists(built + "/base/garage/light.ms3d") && exists(built + "/base/textures/city/facade0.bmp")) {
            root = built;
            return;
        }
        char pattern[] = "/tmp/korvask-preview-XXXXXX";
        char* dir = mkdtemp(pattern);
        ASSERT_NE(dir, nullptr);
        root = dir;
        temporary = true;
        ASSERT_TRUE(generateWorld(root + "/base"));
    }
    static void TearDownTestSuite() {
        if (temporary) std::system(("rm -rf '" + root + "'").c_str());
    }
    static bool temporary;
};
bool WorldPreview::temporary = false;

}  // namespace

// Race 1 from above: the grid and waypoint 0 lie on asphalt, the circuit's
// inside is city (not fog), and the waypoints are drawn over the plan.
TEST_F(WorldPreview, TopDownPlanOfACircuit) {
    buildCity();
    MeshBuilder visual;
    buildMapVisual(1, visual, nullptr);
    Ms3dFile file = fileOf(visual);
    PreviewTextures textures{root, {}};
    PreviewCamera camera{true, -160.0f, -260.0f, 400.0f, 300.0f, {}, {}, 0.0f, 0.0f};
    PreviewCanvas canvas = makeCanvas(700, 700, 10, 10, 20);
    drawPreviewModel(canvas, file, textures, camera);
    Vec3 g = raceGridOrigin(1);
    float sx, sy, depth;
    // Around the grid (behind the start line) most pixels are asphalt:
    // dark, and grey with no channel far from the others.
    ASSERT_TRUE(projectPreview(canvas, camera, {g.x - 8.0f, 0, g.z + 6.75f}, &sx, &sy, &depth));
    int asphalt = 0;
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            const uint8_t* p = imagePixel(canvas.image, static_cast<int>(sx) + dx, static_cast<int>(sy) + dy);
            asphalt += p[0] < 110 && std::abs(p[0] - p[2]) < 40;
        }
    EXPECT_GT(asphalt, 81 / 2);
    // The block in the circuit's middle is drawn (sidewalk or roofs).
    ASSERT_TRUE(projectPreview(canvas, camera, {100.0f, 0, -70.0f - 40.0f}, &sx, &sy, &depth));
    const uint8_t background[3] = {10, 10, 20};
    EXPECT_FALSE(
        isBackground(imagePixel(canvas.image, static_cast<int>(sx), static_cast<int>(sy)), background));
    Circuit circuit = makeCircuit(1);
    for (const Waypoint& w : circuitWaypoints(circuit))
        drawPreviewDot(canvas, camera, {float(w.x), float(w.y), float(w.z)}, 2, 255, 40, 40);
    for (int i = 0; i < 4; ++i) drawPreviewDot(canvas, camera, {g.x, g.y, g.z + 4.5f * i}, 2, 40, 255, 40);
    save(canvas, "map1_top.png");
}

// Street level behind race 4's grid, looking down the start straight: road
// below the horizon, lit windows above it, fog far away.
TEST_F(WorldPreview, StreetLevelFromTheGrid) {
    buildCity();
    MeshBuilder visual;
    buildMapVisual(4, visual, nullptr);
    Ms3dFile file = fileOf(visual);
    PreviewTextures textures{root, {}};
    Vec3 g = raceGridOrigin(4);
    PreviewCamera camera{
        false, 0,     0, 0, 0, {g.x - 12.0f, g.y + 2.0f, g.z + 6.75f}, {g.x + 40.0f, g.y, g.z + 6.75f},
        1.0f,  0.012f};
    PreviewCanvas canvas = makeCanvas(640, 480, 14, 16, 30);
    drawPreviewModel(canvas, file, textures, camera);
    for (int i = 0; i < 4; ++i) {
        MeshBuilder body;
        buildCarBody(i * 3, body);
        drawPreviewModel(canvas, fileOf(body), textures, camera, {g.x, g.y + 0.07f, g.z + 4.5f * i});
    }
    // The bottom middle is the road just ahead of the camera.
    const uint8_t* near = imagePixel(canvas.image, 320, 470);
    EXPECT_LT(std::abs(near[0] - near[2]), 50);
    // Above the road there are lit windows: warm pixels well above the fog.
    int lit = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = imagePixel(canvas.image, x, y);
            if (p[0] > 90 && p[1] > 60 && p[0] > p[2] + 30) ++lit;
        }
    EXPECT_GT(lit, 200);
    save(canvas, "map4_street.png");
}

// Every car in three-quarter view fills a fair part of the frame; the
// garage around car 12 as the menu camera sees it.
TEST_F(WorldPreview, CarsAndGarage) {
    PreviewTextures textures{root, {}};
    PreviewCamera camera{false, 0, 0, 0, 0, {5.5f, 2.2f, 6.5f}, {0, 0, 0}, 0.8f, 0.0f};
    for (int model = 0; model < kCarCount; ++model) {
        PreviewCanvas canvas = makeCanvas(320, 240, 40, 40, 50);
        MeshBuilder body, wheel;
        buildCarBody(model, body);
        buildCarWheel(model, wheel);
        Ms3dFile wheelFile = fileOf(wheel);
        drawPreviewModel(canvas, fileOf(body), textures, camera);
        CarStyle s = carStyle(model);
        for (float x : {s.frontAxle, s.rearAxle}) {
            drawPreviewModel(canvas, wheelFile, textures, camera, {x, -0.48f, 1.0f});
            drawPreviewModel(canvas, wheelFile, textures, camera, {x, -0.48f, -1.0f}, 3.1415927f);
        }
        const uint8_t background[3] = {40, 40, 50};
        int covered = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                covered += !isBackground(imagePixel(canvas.image, x, y), background);
        EXPECT_GT(covered, 320 * 240 / 10) << "car " << model + 1;
        EXPECT_LT(covered, 320 * 240 * 6 / 10) << "car " << model + 1;
        save(canvas, ("car" + std::to_string(model + 1) + ".png").c_str());
    }
    MeshBuilder room;
    buildGarage(room);
    PreviewCamera menu{false, 0, 0, 0, 0, {0.0f, 0.5f, 9.5f}, {0.0f, 0.5f, 0.0f}, 0.9f, 0.0f};
    PreviewCanvas canvas = makeCanvas(640, 480, 0, 0, 0);
    drawPreviewModel(canvas, fileOf(room), textures, menu);
    MeshBuilder body;
    buildCarBody(11, body);
    drawPreviewModel(canvas, fileOf(body), textures, menu);
    // The room closes the view: no pixel is left at the clear colour.
    int open = 0;
    const uint8_t black[3] = {0, 0, 0};
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) open += isBackground(imagePixel(canvas.image, x, y), black);
    EXPECT_EQ(open, 0);
    save(canvas, "garage.png");
}

// The whole city from above with every circuit drawn over it, one colour per
// race. Each race's waypoints fall on the drawn road of its own map (dark,
// grey asphalt or white markings), not on roofs, grass or paving.
TEST_F(WorldPreview, CityPlanWithEveryCircuit) {
    PreviewTextures textures{root, {}};
    PreviewCamera camera{true, -470.0f, -660.0f, 490.0f, 660.0f, {}, {}, 0.0f, 0.0f};
    PreviewCanvas plan = makeCanvas(720, 990, 10, 10, 20);
    for (int race = 1; race <= kRaceCount; ++race) {
        MeshBuilder visual;
        buildMapVisual(race, visual, nullptr);
        Ms3dFile file = fileOf(visual);
        PreviewCanvas own = makeCanvas(720, 990, 10, 10, 20);
        drawPreviewModel(own, file, textures, camera);
        drawPreviewModel(plan, file, textures, camera);
        std::vector<Waypoint> points = circuitWaypoints(makeCircuit(race));
        for (size_t i = 1; i < points.size(); ++i) {  // the start gantry hangs over point 0
            const Waypoint& w = points[i];
            float sx, sy, depth;
            projectPreview(own, camera, {float(w.x), 0, float(w.z)}, &sx, &sy, &depth);
            const uint8_t* p = imagePixel(own.image, static_cast<int>(sx), static_cast<int>(sy));
            bool grey = std::abs(p[0] - p[1]) < 30 && std::abs(p[1] - p[2]) < 30;
            // Under the railway the plan shows its deck instead.
            if (std::fabs(w.x - 115.0f) < 8.0f) continue;
            // Asphalt is darker than the paving (about 85); markings are
            // brighter.
            EXPECT_TRUE(grey && (p[0] < 75 || p[0] > 130))
                << "race " << race << " waypoint at " << w.x << ", " << w.z << " on " << int(p[0]) << " "
                << int(p[1]) << " " << int(p[2]);
            // And it is the road's height that the plan shows there.
            float top = own.depth[static_cast<size_t>(sy) * 720 + static_cast<size_t>(sx)];
            EXPECT_NEAR(top, groundHeight(float(w.x), float(w.z)), 0.3f)
                << "race " << race << " at " << w.x << ", " << w.z;
        }
    }
    for (int race = 1; race <= kRaceCount; ++race) {
        uint8_t r = static_cast<uint8_t>(80 + (race * 53) % 176),
                g = static_cast<uint8_t>(80 + (race * 97) % 176),
                b = static_cast<uint8_t>(80 + (race * 31) % 176);
        for (const Waypoint& w : circuitWaypoints(makeCircuit(race)))
            drawPreviewDot(plan, camera, {float(w.x), 0, float(w.z)}, 1, r, g, b);
    }
    save(plan, "city_circuits.png");
}

// Each district by day, from one of its own streets: what its generator
// alone puts there (previews/district_*.png; the street itself is the
// course's) stands along both sides of the view.
TEST_F(WorldPreview, EachDistrictFromItsStreets) {
    buildCity();
    struct View {
        District district;
        float x, z, tx, tz;
        const char* file;
    };
    const View views[] = {
        {Downtown, -80.0f, -70.0f, 60.0f, -70.0f, "district_downtown.png"},
        {Harbour, -60.0f, -548.0f, 60.0f, -610.0f, "district_harbour.png"},
        {Ironworks, 435.0f, -300.0f, 435.0f, -100.0f, "district_ironworks.png"},
        {OldTown, -290.0f, -160.0f, -425.0f, -160.0f, "district_oldtown.png"},
        {Parkside, 60.0f, 440.0f, -95.0f, 440.0f, "district_parkside.png"},
    };
    PreviewTextures textures{root, {}};
    for (const View& v : views) {
        ASSERT_EQ(districtAt(v.x, v.z), v.district) << v.file;
        MeshBuilder mesh;
        drawDistrict(mesh, v.district);
        const float y = groundHeight(v.x, v.z);
        PreviewCamera camera{false, 0, 0, 0, 0, {v.x, y + 2.5f, v.z}, {v.tx, y + 4.0f, v.tz}, 1.0f, 0.004f};
        const uint8_t sky[3] = {120, 150, 190};
        PreviewCanvas canvas = makeCanvas(480, 360, sky[0], sky[1], sky[2]);
        drawPreviewModel(canvas, fileOf(mesh), textures, camera);
        int covered[2] = {0, 0};  // left and right thirds
        for (int yy = 0; yy < 360; ++yy)
            for (int x = 0; x < 160; ++x) {
                if (!isBackground(imagePixel(canvas.image, x, yy), sky)) ++covered[0];
                if (!isBackground(imagePixel(canvas.image, 479 - x, yy), sky)) ++covered[1];
            }
        EXPECT_GT(covered[0] + covered[1], 160 * 360 / 4) << v.file;
        save(canvas, v.file);
    }
}
