// Race frame time at 800 x 600: a driven race on map 1 drawn through the
// game's frame dispatcher: models in immediate mode, through display lists,
// with the map's depth prepass, and with the map in lamp-selected chunks (the
// game's own path). Reports each path's median frame
// (glFinish included) over 300 frames after the countdown.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "bench_race.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

constexpr int kMeasuredFrames = 300;

bool startRace() {
    static bool started = false;
    if (!started) started = startDrivenRace();
    return started;
}

// Frames take turns among four paths, so each sees the same stretch of the
// race: the immediate-mode reference, display lists, display lists with the
// map's depth laid down first, and the map in chunks, each lit only by the
// lamps that reach it. Each path's median is reported on its own.
void BM_RaceFramePaths(benchmark::State& state) {
    if (!startRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    constexpr int kPaths = 4;
    std::vector<double> ms[kPaths];
    int frame = 0;
    for (auto _ : state) {
        const int path = frame++ % kPaths;
        modelDisplayLists = path >= 1;
        raceRun.mapDepthPrepass = path == 2;
        mapChunksEnabled = path == 3;
        driveTowardsNextCheckpoint();
        const auto t0 = std::chrono::steady_clock::now();
        drawFrame();
        glFinish();
        ms[path].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        platformSwapBuffers();
    }
    modelDisplayLists = true;
    raceRun.mapDepthPrepass = true;
    mapChunksEnabled = true;
    const char* names[kPaths] = {"immediate_median_ms", "lists_median_ms", "lists_prepass_median_ms",
                                 "chunks_median_ms"};
    for (int path = 0; path < kPaths; path++) {
        std::sort(ms[path].begin(), ms[path].end());
        state.counters[names[path]] = ms[path].empty() ? 0.0 : ms[path][ms[path].size() / 2];
    }
}

BENCHMARK(BM_RaceFramePaths)->Iterations(4 * kMeasuredFrames)->Unit(benchmark::kMillisecond);

}  // namespace
