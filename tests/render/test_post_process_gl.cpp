// The glow chain and the reflection pass on a real context: the same
// 256 x 256 square at every resolution, the glow history carried to the next
// frame, and the race's reflection mirrored where the garage's is not.
#include <vector>

#include "frontend/frontend.h"
#include "gl_fixture.h"
#include "race/race.h"
#include "render/render_local.h"

namespace {

constexpr int kGlow = 256;

std::vector<uint8_t> readTexture(GLuint texture) {
    std::vector<uint8_t> rgba((size_t)kGlow * kGlow * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

// Mean of one channel over a box of a 256 x 256 RGBA image (y up).
double mean(const std::vector<uint8_t>& rgba, int channel, int x0, int y0, int x1, int y1) {
    double sum = 0.0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) sum += rgba[((size_t)y * kGlow + x) * 4 + channel];
    return sum / ((x1 - x0) * (y1 - y0));
}

// A white block over the left quarter of the screen, the rest dark grey.
void drawTestFrame(int width, int height) {
    glViewport(0, 0, width, height);
    glClearColor(0.05f, 0.05f, 0.05f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, width / 4, height);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glDisable(GL_SCISSOR_TEST);
}

struct ResolutionCase {
    int index, width, height;
};
class GlowChain : public RendererTest, public ::testing::WithParamInterface<ResolutionCase> {};

// The glow image is the whole frame shrunk to the square, whatever the
// resolution: the white quarter lands in the square's left quarter.
TEST_P(GlowChain, GlowsFromTheSameSquareAndCarriesItsBrightness) {
    const ResolutionCase& r = GetParam();
    options.resolutionIndex = r.index;
    ASSERT_TRUE(start(r.width, r.height));
    effectsEnabled = true;
    std::vector<uint8_t> history = readTexture(blurTextureB);
    EXPECT_EQ(mean(history, 0, 0, 0, kGlow, kGlow), 0.0) << "the first frame starts from no glow";

    drawTestFrame(r.width, r.height);
    postProcessFrame();
    const std::vector<uint8_t> first = readTexture(blurTextureA);
    EXPECT_GT(mean(first, 0, 8, 8, 48, 248), 150.0) << "the white quarter glows";
    EXPECT_LT(mean(first, 0, 96, 8, 248, 248), 4.0) << "the dark rest stays dark";
    {
        // The passes draw in the lower-left square only and put the frame
        // back there: the whole frame is as it was drawn.
        const std::vector<uint8_t> rgb = frame();
        auto red = [&](int x, int yUp) { return rgb[((size_t)(r.height - 1 - yUp) * r.width + x) * 3]; };
        EXPECT_EQ(red(10, r.height - 10), 255) << "outside the square";
        EXPECT_EQ(red(10, 10), 255) << "the white quarter inside the square";
        EXPECT_EQ(red(200, 10), 200 < r.width / 4 ? 255 : 13) << "x 200 inside the square";
    }

    history = readTexture(blurTextureB);
    EXPECT_GT(mean(history, 0, 8, 8, 48, 248), 150.0) << "luminance kept for the next frame";
    EXPECT_LT(mean(history, 0, 96, 8, 248, 248), 4.0);

    // The same picture again glows less where it glowed before.
    drawTestFrame(r.width, r.height);
    postProcessFrame();
    const std::vector<uint8_t> second = readTexture(blurTextureA);
    EXPECT_LT(mean(second, 0, 8, 8, 48, 248), mean(first, 0, 8, 8, 48, 248) - 20.0);

    effectsEnabled = false;
    drawTestFrame(r.width, r.height);
    postProcessFrame();
    EXPECT_EQ(mean(readTexture(blurTextureA), 0, 0, 0, kGlow, kGlow), 0.0) << "--effects off: no glow";
    effectsEnabled = true;
}

// A steady picture gives a steady glow: the history holds the exposure back
// only so far that the chain settles instead of flaring on every other frame.
TEST_P(GlowChain, SteadyPictureSettlesToASteadyGlow) {
    const ResolutionCase& r = GetParam();
    options.resolutionIndex = r.index;
    ASSERT_TRUE(start(r.width, r.height));
    effectsEnabled = true;
    double glow[2] = {0.0, 0.0};
    for (int frame = 0; frame < 32; frame++) {
        drawTestFrame(r.width, r.height);
        postProcessFrame();
        if (frame >= 30) glow[frame - 30] = mean(readTexture(blurTextureA), 0, 8, 8, 48, 248);
    }
    EXPECT_NEAR(glow[0], glow[1], 3.0);
    EXPECT_GT(glow[1], 100.0) << "a white area keeps its glow";
}

INSTANTIATE_TEST_SUITE_P(Resolutions, GlowChain,
                         ::testing::Values(ResolutionCase{0, 640, 480}, ResolutionCase{2, 1024, 768}));

// One particle at half life over a mid-grey frame: the blend mode read from
// the last word of its file decides between adding and covering.
struct ParticleBlendCase {
    int32_t atFour, atNinetyTwo;
    int expected;  // the pixel under the particle
};
class ParticleBlend : public RendererTest, public ::testing::WithParamInterface<ParticleBlendCase> {};

TEST_P(ParticleBlend, DrawsWithTheBlendModeOfTheLastWord) {
    ASSERT_TRUE(start(640, 480));
    Bytes file;
    putU32(file, 1);
    putU32(file, (uint32_t)GetParam().atFour);
    for (int i = 2; i < 23; i++) putF32(file, 0.0f);
    putU32(file, (uint32_t)GetParam().atNinetyTwo);
    ParticleSystem s{};
    loadEffectFromBytes(s, file.data(), file.size());
    ASSERT_EQ(s.count, 1);
    s.life[0] = 0.5f;
    s.size[0] = 1.0f;
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(90.0, 640.0 / 480.0, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    drawEffect(s, 0.0f, 0.0f, -5.0f, 0.0f, 0.0f, 0.0f, whiteTexture);
    const std::vector<uint8_t> rgb = frame();
    EXPECT_NEAR(rgb[((size_t)240 * 640 + 320) * 3], GetParam().expected, 2);
    EXPECT_NEAR(rgb[((size_t)10 * 640 + 10) * 3], 128, 2) << "only the particle's quad is drawn";
    releaseEffect(s);
}

INSTANTIATE_TEST_SUITE_P(Words, ParticleBlend,
                         ::testing::Values(ParticleBlendCase{0, 1, 255}, ParticleBlendCase{1, 0, 191},
                                           ParticleBlendCase{1, 2, 191}));

// A red wall left of the view from the origin towards -z, lit only by its
// emissive colour.
Model* leftWall() {
    Ms3dFile f;
    f.vertices = {
        {-6.0f, -3.0f, -5.0f, 0}, {-0.5f, -3.0f, -5.0f, 0}, {-0.5f, 3.0f, -5.0f, 0}, {-6.0f, 3.0f, -5.0f, 0}};
    f.triangles = {ms3dTriangle(0, 1, 2), ms3dTriangle(0, 2, 3)};
    f.groups = {{{0, 1}, -1}};
    const Bytes bytes = f.build();
    Model* model = new Model();
    EXPECT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    return model;
}

class ReflectionPass : public RendererTest {
  protected:
    void SetUp() override {
        RendererTest::SetUp();
        options.resolutionIndex = 0;
        ASSERT_TRUE(start(640, 480));
        effectsEnabled = true;
        glUseProgramObjectARB(lightProgram);
        glUniform4fARB(emissiveUniform, 1.0f, 0.0f, 0.0f, 1.0f);
        glUseProgramObjectARB(0);
        // The race's map is drawn in chunks with the scene's shading.
        savedShading = sceneShading;
        sceneShading.emissive[0] = 1.0f;
        shadingEye = Vector3(0.0f, 0.0f, -10.0f);
        lightSourceCount = 0;
        menuPhase = 0.0f;
    }
    void TearDown() override {
        sceneShading = savedShading;
        RendererTest::TearDown();
    }
    SceneShading savedShading;

    // How much redder than blue the left and right halves are.
    void sides(bool inRace, double* left, double* right) {
        if (inRace)
            renderRaceReflection();
        else
            renderGarageReflection();
        const std::vector<uint8_t> t = readTexture(reflectionTexture);
        *left = mean(t, 0, 16, 96, 112, 160) - mean(t, 2, 16, 96, 112, 160);
        *right = mean(t, 0, 144, 96, 240, 160) - mean(t, 2, 144, 96, 240, 160);
    }
};

TEST_F(ReflectionPass, GarageIsSeenAsItIs) {
    Model* saved = garageModel;
    garageModel = leftWall();
    double left = 0.0, right = 0.0;
    sides(false, &left, &right);
    EXPECT_GT(left, 100.0);
    EXPECT_LT(right, 10.0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640) << "the screen's viewport is back";
    delete garageModel;
    garageModel = saved;
}

TEST_F(ReflectionPass, RaceIsMirroredAndNeedsThePlayersCar) {
    Model* savedMap = session.visualMapModel;
    session.visualMapModel = leftWall();
    double left = 0.0, right = 0.0;
    session.cars[0].body = nullptr;
    sides(true, &left, &right);
    EXPECT_LT(left, 10.0) << "no player car: nothing drawn";

    WorldSizes sizes{};
    sizes.rigidBodiesCount = 1;
    sizes.geometriesCount = 1;
    sizes.constraintSetsCount = 1;
    sizes.sensorsCount = 1;
    PhysicsWorld* world = createWorld(sizes, nullptr, nullptr);
    ASSERT_NE(world, nullptr);
    session.cars[0].body = createBody(world, 0);
    ASSERT_NE(session.cars[0].body, nullptr);
    setPosition(session.cars[0].body, Vector3(0.0f, 0.0f, 0.0f));
    const float savedFactor = frameClock.frameFactor;
    frameClock.frameFactor = 5.0f;
    sides(true, &left, &right);
    EXPECT_LT(right, 10.0) << "after a slow frame, the next one keeps the image";
    sides(true, &left, &right);
    EXPECT_LT(left, 10.0);
    EXPECT_GT(right, 100.0) << "the wall on the left shows on the right";

    // At full speed every frame draws its own image.
    frameClock.frameFactor = 1.0f;
    delete session.visualMapModel;
    session.visualMapModel = nullptr;
    sides(true, &left, &right);
    EXPECT_LT(right, 10.0) << "a fast frame redraws: the wall is gone";
    frameClock.frameFactor = savedFactor;
    session.cars[0].body = nullptr;
    destroyWorld(world);
    delete session.visualMapModel;
    session.visualMapModel = savedMap;
}

}  // namespace

namespace {

// A tail lamp's lens across the middle of the view from the origin towards
// -z: its material glows red, untextured, and no lamp is anywhere near.
Model* tailLamp() {
    Ms3dFile f;
    f.vertices = {
        {-2.0f, -1.0f, -5.0f, 0}, {2.0f, -1.0f, -5.0f, 0}, {2.0f, 1.0f, -5.0f, 0}, {-2.0f, 1.0f, -5.0f, 0}};
    f.triangles = {ms3dTriangle(0, 1, 2), ms3dTriangle(0, 2, 3)};
    Ms3dMaterial lens = ms3dMaterial("");
    const float glow[4] = {1.0f, 0.15f, 0.1f, 1.0f};
    for (int k = 0; k < 4; k++) lens.emissive[k] = glow[k];
    f.materials = {lens};
    f.groups = {{{0, 1}, 0}};
    const Bytes bytes = f.build();
    Model* model = new Model();
    EXPECT_TRUE(model->loadFromBytes(bytes.data(), bytes.size()));
    return model;
}

void placeNowhere(const void*) {}

struct GlowPathCase {
    const char* name;
    bool chunked;  // the map's path; otherwise the cars'
};
class MaterialGlow : public RendererTest, public ::testing::WithParamInterface<GlowPathCase> {};

// The lens shines red in the dark and feeds the glow, through the map's
// chunks and through the cars' program copies alike.
TEST_P(MaterialGlow, TailLampShinesWithNoLampNear) {
    options.resolutionIndex = 0;
    ASSERT_TRUE(start(640, 480));
    effectsEnabled = true;
    const SceneShading saved = sceneShading;
    for (int a = 0; a < 3; a++) sceneShading.ambientColor[a] = 0.0f;
    lightSourceCount = 0;
    shadingEye = Vector3(0.0f, 0.0f, 0.0f);
    shadingViewDir = Vector3(0.0f, 0.0f, -1.0f);
    glViewport(0, 0, 640, 480);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 640.0 / 480.0, 0.5, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_FOG);
    glUseProgramObjectARB(lightProgram);
    selectLights();
    // No fill light either: only the material's own glow can show.
    for (int a = 0; a < 3; a++) shaderLights[kShaderLights - 1].colour[a] = 0.0f;
    glUniform4fARB(lightColorUniform[kShaderLights - 1], 0.0f, 0.0f, 0.0f, 1.0f);
    glUniform4fARB(ambientColorUniform, 0.0f, 0.0f, 0.0f, 1.0f);
    Model* lens = tailLamp();
    if (GetParam().chunked) {
        glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
        updateModelLights();
        drawChunkedModel(lens, sceneShading);
        releaseModelChunks(lens);
    } else {
        drawLampLitModel(lens, placeNowhere, nullptr, sceneShading, 1.0f);
    }
    glUseProgramObjectARB(0);
    const std::vector<uint8_t> rgb = frame();
    const uint8_t* centre = &rgb[((size_t)240 * 640 + 320) * 3];
    EXPECT_GT(centre[0], 220) << "the lens shines red";
    EXPECT_LT(centre[2], 60);
    EXPECT_LT(rgb[((size_t)20 * 640 + 20) * 3], 5) << "around it the night stays black";

    postProcessFrame();
    const std::vector<uint8_t> glow = readTexture(blurTextureA);
    EXPECT_GT(mean(glow, 0, 112, 120, 144, 136), 100.0) << "the lens feeds the glow";
    EXPECT_LT(mean(glow, 2, 112, 120, 144, 136), 30.0) << "a red glow";
    EXPECT_LT(mean(glow, 0, 0, 0, 16, 16), 4.0);
    delete lens;
    sceneShading = saved;
}

INSTANTIATE_TEST_SUITE_P(Paths, MaterialGlow,
                         ::testing::Values(GlowPathCase{"map", true}, GlowPathCase{"cars", false}),
                         [](const ::testing::TestParamInfo<GlowPathCase>& param) {
                             return param.param.name;
                         });

}  // namespace
