// Race step per frame: four cars with their wheel rays and forces and one
// physics step, on the largest of the fifteen race maps.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"

// base/ lies in the build folder, one above bench/.
static void enterBuildFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return;
    path[n] = '\0';
    for (int up = 0; up < 2; up++) {
        char* slash = strrchr(path, '/');
        if (slash == nullptr) return;
        *slash = '\0';
    }
    if (chdir(path) != 0) perror("chdir");
}

static int largestMap() {
    int best = 1;
    long bestSize = -1;
    for (int n = 1; n <= 15; n++) {
        char path[64];
        snprintf(path, sizeof path, "base/maps/%d/map.ms3d", n);
        struct stat st;
        if (stat(path, &st) == 0 && st.st_size > bestSize) {
            bestSize = st.st_size;
            best = n;
        }
    }
    return best;
}

static void BM_RaceStepLargestMap(benchmark::State& state) {
    enterBuildFolder();
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    scriptedReset();
    if (!scriptedOpenGLWindow(64, 64)) {
        state.SkipWithError("no GL context for the model loader");
        return;
    }
    soundEnabled = false;
    musicEnabled = false;
    gameState = Race;
    frameFactor = 1.0f;
    initCarTable();
    selectedCar = 0;
    carPower = carTable[0].power;
    srand(1);
    const int race = largestMap();
    loadRace(race);
    if (checkpointCount == 0) {
        state.SkipWithError("no race content under base/: run korvask-content first");
        unloadRace();
        return;
    }
    // Through the countdown, then full throttle.
    while (countdownRunning) {
        raceStep();
        runCountdown();
    }
    keys[VK_UP] = true;
    for (auto _ : state) {
        raceStep();
    }
    keys[VK_UP] = false;
    state.SetLabel("race " + std::to_string(race));
    unloadRace();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_RaceStepLargestMap)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(3000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
