// What each of the Low preset's savings buys the race frame and the menu
// frame at 800 x 600: frames alternate in pairs between the Low preset and
// Low with one switch set as High has it, on the same stretch of race 1 (or
// of the garage's turn). Reports each side's median wall time (glFinish
// included) and median process CPU time (llvmpipe's threads included).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_race.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "shell/shell.h"

namespace {

constexpr int kFramesEachSide = 150;

// One saving: what Low has, put back as High has it on the reference frames.
struct LowSaving {
    const char* name;
    void (*asHigh)(GraphicsSwitches& s);
};
const LowSaving kLowSavings[] = {
    {"baked_lamps", [](GraphicsSwitches& s) { s.bakedLamps = false; }},
    {"plain_paint", [](GraphicsSwitches& s) { s.carPaint = true; }},
    {"half_scale", [](GraphicsSwitches& s) { s.renderScale = 1.0f; }},
    {"no_mirror", [](GraphicsSwitches& s) { s.reflectionInterval = 1; }},
    {"car_culling", [](GraphicsSwitches& s) { s.carBackFaces = true; }},
    // The map chunk by chunk, a draw per group in each, as at High.
    {"merged_map", [](GraphicsSwitches&) { mapMergedDraw = false; }},
    // The merged map's triangles turned away left to the culling alone.
    {"early_back_faces", [](GraphicsSwitches&) { mapEarlyBackFaces = false; }},
    // The race's alone (the last row): the garage keeps the full models.
    {"coarse_cars", [](GraphicsSwitches& s) { s.coarseCarModels = false; }},
};
constexpr int kLowSavingCount = static_cast<int>(sizeof kLowSavings / sizeof kLowSavings[0]);

struct SideSamples {
    std::vector<double> wall[2], cpu[2];

    // Side 1: Low; side 0: Low with the saving undone.
    void frame(int side, const LowSaving& saving) {
        applyGraphicsPreset(GraphicsLow);
        mapMergedDraw = mapEarlyBackFaces = true;
        if (side == 0) saving.asHigh(graphicsSwitches);
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        drawFrame();
        glFinish();
        wall[side].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        cpu[side].push_back(cpuMs() - c0);
        platformSwapBuffers();
    }

    void report(benchmark::State& state) {
        const char* names[2] = {"undone", "low"};
        for (int side = 0; side < 2; side++) {
            std::sort(wall[side].begin(), wall[side].end());
            std::sort(cpu[side].begin(), cpu[side].end());
            const std::string name = names[side];
            state.counters[name + "_median_ms"] =
                wall[side].empty() ? 0.0 : wall[side][wall[side].size() / 2];
            state.counters[name + "_cpu_ms"] = cpu[side].empty() ? 0.0 : cpu[side][cpu[side].size() / 2];
        }
        double load[1] = {0.0};
        state.counters["load1"] = getloadavg(load, 1) == 1 ? load[0] : -1.0;
        applyGraphicsPreset(GraphicsHigh);
    }
};

void BM_LowRaceSaving(benchmark::State& state) {
    const LowSaving& saving = kLowSavings[state.range(0)];
    state.SetLabel(saving.name);
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    // As a race loaded at Low has them.
    loadCoarseCarModels();
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    SideSamples samples;
    int frame = 0;
    for (auto _ : state) {
        driveTowardsNextCheckpoint();
        samples.frame((frame++ / 2) % 2, saving);
    }
    samples.report(state);
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_LowRaceSaving)
    ->DenseRange(0, kLowSavingCount - 1)
    ->Iterations(4 * kFramesEachSide)
    ->Unit(benchmark::kMillisecond);

void BM_LowMenuSaving(benchmark::State& state) {
    const LowSaving& saving = kLowSavings[state.range(0)];
    state.SetLabel(saving.name);
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    scriptedReset();
    chooseResolution(1);
    options.soundEnabled = options.musicEnabled = false;
    if (!enterContentFolder() || !scriptedOpenGLWindow(options.screenWidth, options.screenHeight) ||
        !startRenderer() || !loadGameTextures()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    loadCarModels();
    initCarTable();
    loadGarageModels();
    game.startupPending = false;
    game.gameState = MainMenu;
    frameClock.frameFactor = 1.0f;
    SideSamples samples;
    int frame = 0;
    for (auto _ : state) samples.frame((frame++ / 2) % 2, saving);
    samples.report(state);
    releaseGarageModels();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_LowMenuSaving)
    ->DenseRange(0, kLowSavingCount - 2)
    ->Iterations(4 * kFramesEachSide)
    ->Unit(benchmark::kMillisecond);

// Where the Low race frame goes: each frame is drawn in full, then parts of
// it once more on their own between glFinish calls: clearing the frame, the
// map alone at the scene's scale from the frame's view, the sky dome, the
// scaled scene's copy and stretch over the frame, the HUD, and the map at
// a quarter of the frame's side and that picture's stretch; then both maps
// once more drawn chunk by chunk instead of by groups.
void BM_LowFrameParts(benchmark::State& state) {
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    applyGraphicsPreset(GraphicsLow);
    loadCoarseCarModels();
    constexpr int kParts = 10;
    std::vector<double> wall[kParts], cpu[kParts];
    auto timed = [&](void (*part)(), int index) {
        glFinish();
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        part();
        glFinish();
        wall[index].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        cpu[index].push_back(cpuMs() - c0);
    };
    static SceneView frameView;
    // The map alone at the scene's scale from the frame's view (the scaled
    // scene left open).
    auto mapAlone = [] {
        beginScaledScene();
        beginLitScene();
        setSceneView(frameView);
        selectLights();
        setLightMaterial(sceneShading);
        drawSceneMap(session.visualMapModel, false);
        endLitScene();
    };
    for (auto _ : state) {
        driveTowardsNextCheckpoint();
        timed([] { drawFrame(); }, 0);
        frameView = sceneView();
        timed(clearFrame, 1);
        timed(mapAlone, 2);
        timed(
            [] {
                beginUnlitScene();
                drawSkyDome();
                restoreSceneState();
            },
            3);
        timed(endScaledScene, 4);
        timed(drawRaceHud, 5);
        // The map again at a quarter of the frame's side: what is left is
        // its work per triangle and per draw rather than per pixel; then the
        // stretch of that quarter-size picture over the frame on its own.
        graphicsSwitches.renderScale = 0.25f;
        timed(mapAlone, 6);
        timed(endScaledScene, 9);
        // The map at both sizes once more drawn chunk by chunk (a draw per
        // group in each chunk, every triangle sent).
        mapMergedDraw = false;
        graphicsSwitches.renderScale = kGraphicsPresets[GraphicsLow].renderScale;
        timed(mapAlone, 7);
        endScaledScene();
        graphicsSwitches.renderScale = 0.25f;
        timed(mapAlone, 8);
        endScaledScene();
        mapMergedDraw = true;
        graphicsSwitches.renderScale = kGraphicsPresets[GraphicsLow].renderScale;
        platformSwapBuffers();
    }
    const char* names[kParts] = {"frame",
                                 "clear",
                                 "map",
                                 "sky",
                                 "stretch",
                                 "hud",
                                 "map_quarter",
                                 "map_chunked",
                                 "map_quarter_chunked",
                                 "stretch_quarter"};
    for (int part = 0; part < kParts; part++) {
        std::sort(wall[part].begin(), wall[part].end());
        std::sort(cpu[part].begin(), cpu[part].end());
        const std::string name = names[part];
        state.counters[name + "_median_ms"] = wall[part].empty() ? 0.0 : wall[part][wall[part].size() / 2];
        state.counters[name + "_cpu_ms"] = cpu[part].empty() ? 0.0 : cpu[part][cpu[part].size() / 2];
    }
    double load[1] = {0.0};
    state.counters["load1"] = getloadavg(load, 1) == 1 ? load[0] : -1.0;
    applyGraphicsPreset(GraphicsHigh);
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_LowFrameParts)->Iterations(200)->Unit(benchmark::kMillisecond);

}  // namespace
