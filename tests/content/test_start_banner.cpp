// The start gantry's banner reads the right way round from the grid on every
// circuit: the lettering the game draws is checked against the font's own
// glyphs for the banner's text, and must match them better than their mirror
// image does.
#include <GL/glu.h>
#include <ft2build.h>
#include <gtest/gtest.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "content/textures_world.h"
#include "race/race_draw_fixture.h"

namespace {

constexpr int kWidth = 1024, kHeight = 768;

// A black-and-white picture, rows top first.
struct Mask {
    int width = 0, height = 0;
    std::vector<uint8_t> on;
    bool at(int x, int y) const { return on[(size_t)y * width + x] != 0; }
};

// The text as the font's glyphs draw it, 64 pixels to the em.
Mask glyphMask(const std::string& text) {
    Mask mask;
    FT_Library library;
    if (FT_Init_FreeType(&library) != 0) return mask;
    FT_Face face;
    const std::string path = fontFilePath(kStartBannerFont);
    if (path.empty() || FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return mask;
    }
    FT_Set_Pixel_Sizes(face, 0, 64);
    const int baseline = 64;
    mask.width = 64 * (int)text.size() + 64;
    mask.height = 96;
    mask.on.assign((size_t)mask.width * mask.height, 0);
    int penX = 16;
    for (char c : text) {
        if (FT_Load_Char(face, (FT_ULong)(unsigned char)c, FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = face->glyph;
        for (unsigned row = 0; row < g->bitmap.rows; row++) {
            for (unsigned col = 0; col < g->bitmap.width; col++) {
                const int x = penX + g->bitmap_left + (int)col, y = baseline - g->bitmap_top + (int)row;
                if (x < 0 || y < 0 || x >= mask.width || y >= mask.height) continue;
                if (g->bitmap.buffer[row * g->bitmap.pitch + col] > 127)
                    mask.on[(size_t)y * mask.width + x] = 1;
            }
        }
        penX += (int)(g->advance.x >> 6);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    return mask;
}

// The mask's lit part sampled into a gw x gh grid spanning its bounding box,
// optionally mirrored left to right.
std::vector<uint8_t> fitted(const Mask& m, int gw, int gh, bool mirrored) {
    int x0 = m.width, x1 = -1, y0 = m.height, y1 = -1;
    for (int y = 0; y < m.height; y++)
        for (int x = 0; x < m.width; x++)
            if (m.at(x, y)) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    std::vector<uint8_t> grid((size_t)gw * gh, 0);
    if (x1 < x0) return grid;
    for (int gy = 0; gy < gh; gy++)
        for (int gx = 0; gx < gw; gx++) {
            const int sx = x0 + (int)((gx + 0.5f) * (float)(x1 - x0 + 1) / (float)gw);
            const int sy = y0 + (int)((gy + 0.5f) * (float)(y1 - y0 + 1) / (float)gh);
            grid[(size_t)gy * gw + (mirrored ? gw - 1 - gx : gx)] = m.at(sx, sy) ? 1 : 0;
        }
    return grid;
}

// Cells lit in both over cells lit in either.
float overlap(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    int both = 0, either = 0;
    for (size_t i = 0; i < a.size(); i++) {
        both += a[i] && b[i];
        either += a[i] || b[i];
    }
    return either > 0 ? (float)both / (float)either : 0.0f;
}

class StartBanner : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(generatedContentPresent()) << "build the content first (base/ in the build folder)";
        ASSERT_TRUE(startRaceRenderer(kWidth, kHeight));
        loadCarModels();
        initCarTable();
        options.soundEnabled = options.musicEnabled = false;
        game.gameState = Race;
        game.startupPending = false;
        raceViewSpeed = 0.0f;
        players[0].playerCarModel = 0;
        players[0].playerCarPower = raceRun.carTable[0].power;
        ASSERT_TRUE(loadRace(GetParam()));
    }
    void TearDown() override {
        unloadRaceAndCars();
        game.gameState = MainMenu;
        stopRaceRenderer();
    }
};

TEST_P(StartBanner, ReadsTheRightWayRoundFromTheGrid) {
    // The gantry's banner: the highest corners of the banner's material
    // (its boards stand on the barriers below).
    std::vector<Vector3> corners;
    float top = -1e30f;
    for (int g = 0; g < session.visualMapModel->groupCount; g++) {
        const ModelGroup& group = session.visualMapModel->groups[g];
        if (group.materialIndex < 0) continue;
        const char* file = session.visualMapModel->materials[group.materialIndex].textureFile;
        if (file == nullptr || std::strstr(file, "startbanner") == nullptr) continue;
        for (int t = 0; t < group.triangleCount; t++)
            for (int k = 0; k < 3; k++) {
                const ModelTriangle& tri = session.visualMapModel->triangles[group.triangleIndices[t]];
                const float* p = session.visualMapModel->vertices[tri.vertexIndices[k]].position;
                corners.push_back(Vector3(p[0], p[1], p[2]));
                top = std::max(top, p[1]);
            }
    }
    Vector3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    for (const Vector3& p : corners) {
        if (p.y < top - 2.0f) continue;
        lo = Vector3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = Vector3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    ASSERT_LT(lo.z, hi.z) << "no banner over the start line";
    // Squarely in front of it on the grid's side (the grid faces +x), near
    // enough for the banner to fill most of the picture's width.
    const Vector3 centre((lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f);
    const Vector3 eye(lo.x - 0.95f * (hi.z - lo.z) * 0.5f, centre.y, centre.z);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    resizeScene(kWidth, kHeight);
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, centre.x, centre.y, centre.z, 0.0, 1.0, 0.0);
    shadingEye = eye;
    shadingViewDir = centre - eye;
    useLightProgram();
    selectLights();
    glPushMatrix();
    glLoadIdentity();
    glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
    updateModelLights();
    glPopMatrix();
    glEnable(GL_FOG);
    drawChunkedModel(session.visualMapModel, sceneShading, false);
    glUseProgramObjectARB(0);

    // The banner's rectangle in the picture.
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double ax, ay, az, bx, by, bz;
    gluProject(lo.x, hi.y, lo.z, model, projection, viewport, &ax, &ay, &az);
    gluProject(lo.x, lo.y, hi.z, model, projection, viewport, &bx, &by, &bz);
    const std::vector<uint8_t> rgb = readFrame(kWidth, kHeight);
    const int left = (int)std::max(0.0, std::min(ax, bx)) + 3;
    const int right = (int)std::min((double)kWidth - 1, std::max(ax, bx)) - 3;
    const int rowTop = kHeight - 1 - (int)std::max(ay, by) + 3;
    const int rowBottom = kHeight - 1 - (int)std::min(ay, by) - 3;
    ASSERT_GT(right - left, kWidth / 2) << "the banner is not in the picture";
    ASSERT_GT(rowBottom - rowTop, 20);

    // The lettering is white on a coloured band: the pixels whose weakest
    // channel is bright.
    Mask seen;
    seen.width = right - left + 1;
    seen.height = rowBottom - rowTop + 1;
    seen.on.assign((size_t)seen.width * seen.height, 0);
    int brightest = 0;
    auto weakest = [&](int x, int row) {
        const uint8_t* p = &rgb[((size_t)row * kWidth + x) * 3];
        return (int)std::min(p[0], std::min(p[1], p[2]));
    };
    for (int row = rowTop; row <= rowBottom; row++)
        for (int x = left; x <= right; x++) brightest = std::max(brightest, weakest(x, row));
    ASSERT_GT(brightest, 60) << "no lettering on the banner";
    for (int row = rowTop; row <= rowBottom; row++)
        for (int x = left; x <= right; x++)
            seen.on[(size_t)(row - rowTop) * seen.width + (x - left)] =
                weakest(x, row) > brightest / 2 ? 1 : 0;

    const std::string text = startBannerText(GetParam());
    const Mask glyphs = glyphMask(text);
    ASSERT_GT(glyphs.width, 0) << "the banner's font is not installed";
    const int gw = 12 * (int)text.size(), gh = 16;
    const std::vector<uint8_t> drawn = fitted(seen, gw, gh, false);
    const float straight = overlap(drawn, fitted(glyphs, gw, gh, false));
    const float mirrored = overlap(drawn, fitted(glyphs, gw, gh, true));
    // Measured: about 0.8 the right way round, under 0.35 mirrored.
    EXPECT_GT(straight, 0.6f) << text;
    EXPECT_GT(straight, mirrored + 0.3f) << text << ": reads backwards";
}

INSTANTIATE_TEST_SUITE_P(EveryCircuit, StartBanner, ::testing::Range(1, 16));

}  // namespace
