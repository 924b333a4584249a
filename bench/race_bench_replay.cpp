// The replay's recording per race frame, alone: four cars sampled on the
// largest race map at 20 samples a second of 10 ms frames, with the step's
// events looked for every frame.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_race.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"

static void BM_ReplayRecordingPerFrame(benchmark::State& state) {
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
    for (auto _ : state) recordReplayStep(1.0f);
    const Replay& r = replayRun.recording;
    state.counters["bytesPerMinute"] = static_cast<double>(r.samples.size() * kReplaySampleBytes) /
                                       (static_cast<double>(replayFrameCount(r)) / 1200.0);
    state.SetLabel("race " + std::to_string(race));
    unloadRace();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_ReplayRecordingPerFrame)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(20000)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
