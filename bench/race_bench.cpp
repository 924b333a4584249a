// Race step per frame: four cars with their wheel rays and forces and one
// physics step, on the largest of the fifteen race maps.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_race.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"

static void BM_RaceStepLargestMap(benchmark::State& state) {
    enterContentFolder();
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    scriptedReset();
    if (!scriptedOpenGLWindow(64, 64)) {
        state.SkipWithError("no GL context for the model loader");
        return;
    }
    options.soundEnabled = false;
    options.musicEnabled = false;
    game.gameState = Race;
    frameClock.frameFactor = 1.0f;
    initCarTable();
    players[0].playerCarModel = 0;
    players[0].playerCarPower = raceRun.carTable[0].power;
    srand(1);
    const int race = largestMap("map.ms3d");
    loadRace(race);
    if (session.checkpointCount == 0) {
        state.SkipWithError("no race content under base/: run korvask-content first");
        unloadRace();
        return;
    }
    // Through the countdown, then full throttle.
    while (session.countdownRunning) {
        raceStep(frameClock.frameFactor);
        runCountdown(frameClock.frameFactor);
    }
    input.keys[VK_UP] = true;
    for (auto _ : state) {
        raceStep(frameClock.frameFactor);
    }
    input.keys[VK_UP] = false;
    state.SetLabel("race " + std::to_string(race));
    unloadRace();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_RaceStepLargestMap)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(3000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
