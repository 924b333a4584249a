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
};
constexpr int kLowSavingCount = static_cast<int>(sizeof kLowSavings / sizeof kLowSavings[0]);

struct SideSamples {
    std::vector<double> wall[2], cpu[2];

    // Side 1: Low; side 0: Low with the saving undone.
    void frame(int side, const LowSaving& saving) {
        applyGraphicsPreset(GraphicsLow);
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
// The map's baked lamps do not apply in the garage.
BENCHMARK(BM_LowMenuSaving)
    ->DenseRange(1, kLowSavingCount - 1)
    ->Iterations(4 * kFramesEachSide)
    ->Unit(benchmark::kMillisecond);

}  // namespace
