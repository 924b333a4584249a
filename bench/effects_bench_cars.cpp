// What the cars cost the race frame and the menu frame at 800 x 600: frames
// cycle through three ways of drawing the cars, so each sees the same stretch
// of the race (or of the garage's turn): every car through the full light
// program, each part through the copy with only the lamps that reach it,
// that with the cars out of view skipped, and no cars at all (what is left of
// the frame without them). Reports each way's median wall
// time (glFinish included) and median process CPU time per frame, and how
// many car parts were drawn with 0 to 4 lamps per frame.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "bench_race.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

constexpr int kFramesEach = 150;
constexpr int kWays = 4;
const char* const kWayNames[kWays] = {"full", "lamps", "lamps_culled", "no_cars"};

struct WaySamples {
    std::vector<double> wall[kWays], cpu[kWays];
    long partsByLamps[kShaderLights] = {0, 0, 0, 0, 0};
    long chosenFrames = 0;

    void frame(int way, void (*draw)()) {
        modelLampChoiceEnabled = way >= 1;
        raceRun.carViewCulling = way >= 2;
        modelLampStats = ModelLampStats();
        // Without their models the cars draw nothing.
        Model* bodies[kCarModels];
        Model* wheels[kCarModels];
        for (int m = 0; m < kCarModels; m++) {
            bodies[m] = raceRun.carBodyModels[m];
            wheels[m] = raceRun.carWheelModels[m];
            if (way == 3) raceRun.carBodyModels[m] = raceRun.carWheelModels[m] = nullptr;
        }
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        draw();
        glFinish();
        for (int m = 0; m < kCarModels; m++) {
            raceRun.carBodyModels[m] = bodies[m];
            raceRun.carWheelModels[m] = wheels[m];
        }
        wall[way].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        cpu[way].push_back(cpuMs() - c0);
        platformSwapBuffers();
        if (way == 2) {
            for (int n = 0; n < kShaderLights; n++) partsByLamps[n] += modelLampStats.byLamps[n];
            chosenFrames++;
        }
    }

    void report(benchmark::State& state) {
        for (int way = 0; way < kWays; way++) {
            std::sort(wall[way].begin(), wall[way].end());
            std::sort(cpu[way].begin(), cpu[way].end());
            const std::string name = kWayNames[way];
            state.counters[name + "_median_ms"] = wall[way].empty() ? 0.0 : wall[way][wall[way].size() / 2];
            state.counters[name + "_cpu_ms"] = cpu[way].empty() ? 0.0 : cpu[way][cpu[way].size() / 2];
        }
        for (int n = 0; n < kShaderLights; n++)
            state.counters["parts_" + std::to_string(n) + "_lamps"] =
                chosenFrames > 0 ? (double)partsByLamps[n] / (double)chosenFrames : 0.0;
        modelLampChoiceEnabled = true;
        raceRun.carViewCulling = true;
    }
};

void BM_RaceFrameCars(benchmark::State& state) {
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    WaySamples samples;
    int frame = 0;
    for (auto _ : state) {
        driveTowardsNextCheckpoint();
        samples.frame(frame++ % kWays, [] { drawFrame(); });
    }
    samples.report(state);
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_RaceFrameCars)->Iterations(kWays* kFramesEach)->Unit(benchmark::kMillisecond);

// The main menu over the garage; culling does not apply there, so its third
// way repeats the second.
void BM_MenuFrameCar(benchmark::State& state) {
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
    WaySamples samples;
    int frame = 0;
    for (auto _ : state) samples.frame(frame++ % kWays, [] { drawFrame(); });
    samples.report(state);
    releaseGarageModels();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_MenuFrameCar)->Iterations(kWays* kFramesEach)->Unit(benchmark::kMillisecond);

}  // namespace
