// The frame budget on this machine: the race frame at the three resolutions,
// the menu frame over the garage scene, start-up from the end of the splash
// to the first menu frame, loadRace of the largest map, and the peak memory
// of a play-through. Every frame goes through the game's frame dispatcher
// with all of its passes and ends with glFinish, so the software renderer's
// own threads are inside the figure. Each reports the median wall time and
// the median CPU time of the whole process (the renderer's threads included:
// on a shared machine the wall time says as much about the neighbours as
// about the game), and the load average when it ran.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "bench_race.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"

namespace {

constexpr int kMeasuredFrames = 200;

double wallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double loadAverage() {
    double load[1] = {0.0};
    return getloadavg(load, 1) == 1 ? load[0] : -1.0;
}

struct Samples {
    std::vector<double> wall, cpu;
    void report(benchmark::State& state) const {
        state.counters["wall_median_ms"] = median(wall);
        state.counters["cpu_median_ms"] = median(cpu);
        state.counters["load1"] = loadAverage();
    }
};

// One window for the whole program, at the resolution asked for; the
// renderer, the start-up textures and the car and garage models load once.
bool openGame(int resolution) {
    static int openAt = -1;
    if (openAt == resolution) return true;
    enterContentFolder();
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    if (openAt >= 0) scriptedCloseGLWindow();
    scriptedReset();
    resetShellState();
    chooseResolution(resolution);
    options.soundEnabled = options.musicEnabled = false;
    if (!scriptedOpenGLWindow(options.screenWidth, options.screenHeight) || !startRenderer()) return false;
    if (!loadGameTextures()) return false;
    loadCarModels();
    initCarTable();
    loadGarageModels();
    game.startupPending = false;
    // The benchmark steps in 10 ms frames, but every frame it draws takes
    // longer than 30 ms here: draw the reflection as the game does on such
    // a machine.
    reflectionSlowFrameFactor = 0.0f;
    openAt = resolution;
    return true;
}

// One frame as the main loop runs it: messages, drawFrame, the swap, the keys.
void timedFrame(Samples* samples) {
    const double w = wallMs(), c = cpuMs();
    drawFrame();
    glFinish();
    if (samples != nullptr) {
        samples->wall.push_back(wallMs() - w);
        samples->cpu.push_back(cpuMs() - c);
    }
    platformSwapBuffers();
    checkFrameKeys();
}

// Into a race on map `race` with the first car, past the countdown by race
// steps alone; the drawn frames then go on from the open road.
void startRace(int race) {
    game.gameState = Race;
    players[0].playerCarModel = 0;
    players[0].playerCarPower = raceRun.carTable[0].power;
    srand(1);
    loadRace(race);
    DriverState driver{};
    frameClock.frameFactor = 1.0f;
    for (int i = 0; i < 900; i++) {
        scriptedDriverKeys(session.cars[0], driver);
        updateStandings();
        raceStep(frameClock.frameFactor);
        tickCountdown(frameClock.frameFactor);
    }
}

void BM_RaceFrame(benchmark::State& state) {
    const int resolution = (int)state.range(0);
    if (!openGame(resolution)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    startRace(1);
    DriverState driver{};
    Samples samples;
    for (auto _ : state) {
        for (int i = 0; i < kMeasuredFrames; i++) {
            scriptedDriverKeys(session.cars[0], driver);
            timedFrame(&samples);
        }
    }
    unloadRace();
    game.gameState = MainMenu;
    samples.report(state);
}
BENCHMARK(BM_RaceFrame)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The race frame at 800 x 600 at each graphics preset (0 Low, 1 Medium, 2
// High; 3 is High with the map's back faces drawn, as the map was drawn
// before), with the map's visibility sets (second argument 1) or every chunk
// in view drawn (0), on the same stretch of race 1 as RaceFrame.
void BM_RaceFramePreset(benchmark::State& state) {
    const int preset = std::min((int)state.range(0), (int)GraphicsHigh);
    mapBackFaceCulling = state.range(0) <= GraphicsHigh;
    mapVisibilityEnabled = state.range(1) != 0;
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    startRace(1);
    applyGraphicsPreset(preset);
    // The bodies a race loaded at that preset draws.
    if (graphicsSwitchesInForce().coarseCarModels) loadCoarseCarModels();
    DriverState driver{};
    Samples samples;
    int drawn = 0;
    long draws = 0, triangles = 0;
    for (auto _ : state) {
        for (int i = 0; i < kMeasuredFrames; i++) {
            scriptedDriverKeys(session.cars[0], driver);
            timedFrame(&samples);
            drawn += mapChunkStats.drawn;
            draws += mapChunkStats.draws;
            triangles += mapChunkStats.triangles;
        }
    }
    unloadRace();
    applyGraphicsPreset(GraphicsHigh);
    mapBackFaceCulling = true;
    mapVisibilityEnabled = false;
    game.gameState = MainMenu;
    samples.report(state);
    state.counters["chunks_drawn"] = (double)drawn / kMeasuredFrames;
    state.counters["map_draws"] = (double)draws / kMeasuredFrames;
    state.counters["map_triangles"] = (double)triangles / kMeasuredFrames;
}
BENCHMARK(BM_RaceFramePreset)
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Args({2, 0})
    ->Args({2, 1})
    ->Args({3, 0})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// The split frame at 800 x 600 at the Low preset on race 1: one, two and
// four players' views (the argument), every human driven by the scripted
// driver on a device of their own from the open road on.
void BM_RaceFramePlayers(benchmark::State& state) {
    const int humans = (int)state.range(0);
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    static const int kDevices[kMaxPlayers] = {DriveKeysA, DriveKeysB, DriveController1, DriveController2};
    setPlayerCount(humans);
    DriverState drivers[kMaxPlayers]{};
    for (int p = 0; p < kMaxPlayers; p++) {
        setPlayerCar(p, 0, raceRun.carTable[0].power);
        setPlayerDevice(p, kDevices[p]);
        drivers[p].ownDevice = humans > 1;
        drivers[p].device = kDevices[p];
    }
    game.gameState = Race;
    srand(1);
    loadRace(1);
    frameClock.frameFactor = 1.0f;
    for (int i = 0; i < 900; i++) {
        for (int p = 0; p < humans; p++) scriptedDriverKeys(session.cars[p], drivers[p]);
        updateStandings();
        raceStep(frameClock.frameFactor);
        tickCountdown(frameClock.frameFactor);
    }
    applyGraphicsPreset(GraphicsLow);
    loadCoarseCarModels();
    Samples samples;
    for (auto _ : state) {
        for (int i = 0; i < kMeasuredFrames; i++) {
            for (int p = 0; p < humans; p++) scriptedDriverKeys(session.cars[p], drivers[p]);
            timedFrame(&samples);
        }
    }
    unloadRace();
    applyGraphicsPreset(GraphicsHigh);
    setPlayerCount(1);
    input = InputState{};
    game.gameState = MainMenu;
    samples.report(state);
}
BENCHMARK(BM_RaceFramePlayers)
    ->Arg(1)
    ->Arg(2)
    ->Arg(4)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

// What the ghost costs the race frame at 800 x 600: a time trial on map 1
// driven undrawn through its first lap, whose line becomes the ghost, then
// frames of the second lap drawn with the ghost (1) or with it taken away (0).
void BM_TimeTrialFrameGhost(benchmark::State& state) {
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    setTimeTrialMode(true);
    game.gameState = Race;
    players[0].playerCarModel = 0;
    players[0].playerCarPower = raceRun.carTable[0].power;
    srand(1);
    loadRace(1);
    DriverState driver{};
    frameClock.frameFactor = 1.0f;
    for (int i = 0; i < 20000 && players[0].lapTiming.lapsCompleted < 1; i++) {
        scriptedDriverKeys(session.cars[0], driver);
        updateStandings();
        raceStep(frameClock.frameFactor);
    }
    if (state.range(0) == 0) players[0].raceGhost.samples.clear();
    Samples samples;
    int shown = 0;
    for (auto _ : state) {
        for (int i = 0; i < kMeasuredFrames; i++) {
            scriptedDriverKeys(session.cars[0], driver);
            Vector3 p;
            Quaternion q;
            shown += ghostNow(&p, &q) ? 1 : 0;
            timedFrame(&samples);
        }
    }
    unloadRace();
    setTimeTrialMode(false);
    game.gameState = MainMenu;
    samples.report(state);
    state.counters["ghost_frames"] = shown;
}
BENCHMARK(BM_TimeTrialFrameGhost)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_MenuFrame(benchmark::State& state) {
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    game.gameState = MainMenu;
    Samples samples;
    for (auto _ : state) {
        for (int i = 0; i < kMeasuredFrames; i++) timedFrame(&samples);
    }
    samples.report(state);
}
BENCHMARK(BM_MenuFrame)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// The menu frame (the garage behind the main menu) at each graphics preset:
// 0 Low, 1 Medium, 2 High.
void BM_MenuFramePreset(benchmark::State& state) {
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    applyGraphicsPreset((int)state.range(0));
    game.gameState = MainMenu;
    Samples samples;
    for (auto _ : state) {
        for (int i = 0; i < kMeasuredFrames; i++) timedFrame(&samples);
    }
    applyGraphicsPreset(GraphicsHigh);
    samples.report(state);
}
BENCHMARK(BM_MenuFramePreset)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// What the end of the splash does (textures, car models and table, garage
// models), then the first menu frame.
void BM_StartupToMenu(benchmark::State& state) {
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    game.gameState = MainMenu;
    Samples samples;
    for (auto _ : state) {
        const double w = wallMs(), c = cpuMs();
        loadGameTextures();
        loadCarModels();
        initCarTable();
        loadGarageModels();
        drawFrame();
        glFinish();
        samples.wall.push_back(wallMs() - w);
        samples.cpu.push_back(cpuMs() - c);
        platformSwapBuffers();
    }
    samples.report(state);
}
BENCHMARK(BM_StartupToMenu)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadRaceLargestMap(benchmark::State& state) {
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    const int race = largestMap("mapvisual.ms3d");
    Samples samples;
    for (auto _ : state) {
        game.gameState = Race;
        srand(1);
        const double w = wallMs(), c = cpuMs();
        loadRace(race);
        samples.wall.push_back(wallMs() - w);
        samples.cpu.push_back(cpuMs() - c);
        unloadRace();
    }
    game.gameState = MainMenu;
    state.SetLabel("race " + std::to_string(race));
    samples.report(state);
}
BENCHMARK(BM_LoadRaceLargestMap)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// Menus, a race on the largest map driven to the finish (drawn at the start
// and on the result screen, stepped undrawn in between, in 100 ms frames as
// on a slow machine: the race frame's sliced step), back to the menus. Run it on its own
// (--benchmark_filter=Peak) so no other benchmark's memory counts: ru_maxrss is the whole process's peak.
void BM_PlaythroughPeakMemory(benchmark::State& state) {
    if (!openGame(1)) {
        state.SkipWithError("no GL window or no base/ (build the content first)");
        return;
    }
    int finishedAfter = -1;
    for (auto _ : state) {
        game.gameState = MainMenu;
        for (int i = 0; i < 30; i++) timedFrame(nullptr);
        startRace(largestMap("mapvisual.ms3d"));
        DriverState driver{};
        for (int i = 0; i < 30; i++) {
            scriptedDriverKeys(session.cars[0], driver);
            timedFrame(nullptr);
        }
        int frames = 0;
        for (; frames < 20000 && !session.raceFinished; frames++) {
            scriptedDriverKeys(session.cars[0], driver);
            frameClock.frameFactor = 10.0f;
            updateStandings();
            raceFrameStep(frameClock.frameFactor);
        }
        frameClock.frameFactor = 1.0f;
        finishedAfter = session.raceFinished ? frames : -1;
        for (int i = 0; i < 30 && game.gameState == Race; i++) timedFrame(nullptr);
        if (game.gameState == Race) {
            unloadRace();
            rebuildGarageLights();
        }
        game.gameState = MainMenu;
        for (int i = 0; i < 30; i++) timedFrame(nullptr);
    }
    rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_mb"] = (double)usage.ru_maxrss / 1024.0;
    state.counters["finish_frames_100ms"] = finishedAfter;
}
BENCHMARK(BM_PlaythroughPeakMemory)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
