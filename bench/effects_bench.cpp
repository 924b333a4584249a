// What the reflection pass, the glow passes and the particles cost a race
// frame at 800 x 600: a driven race on map 1 through the game's frame
// dispatcher, frames alternating between effects on and off so both see the
// same stretch of the race. Reports each side's median wall time (glFinish
// included) and its mean process CPU time per frame over 300 frames each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "bench_race.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

namespace {

constexpr int kMeasuredFrames = 300;

// One frame through the dispatcher, its wall and process CPU time (the
// rasteriser threads included) added to the samples, then the swap.
void timedFrame(std::vector<double>* wall, std::vector<double>* cpu) {
    const double c0 = cpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    drawFrame();
    glFinish();
    wall->push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    cpu->push_back(cpuMs() - c0);
    platformSwapBuffers();
}

// Median wall and mean CPU time of the frames drawn off ([0]) and on ([1]).
void reportOffOn(benchmark::State& state, std::vector<double> wall[2], const std::vector<double> cpu[2]) {
    const char* wallNames[2] = {"off_median_ms", "on_median_ms"};
    const char* cpuNames[2] = {"off_cpu_mean_ms", "on_cpu_mean_ms"};
    for (int side = 0; side < 2; side++) {
        std::vector<double>& w = wall[side];
        std::sort(w.begin(), w.end());
        state.counters[wallNames[side]] = w.empty() ? 0.0 : w[w.size() / 2];
        double sum = 0.0;
        for (double c : cpu[side]) sum += c;
        state.counters[cpuNames[side]] = cpu[side].empty() ? 0.0 : sum / (double)cpu[side].size();
    }
}

void BM_RaceFrameEffects(benchmark::State& state) {
    // Slow frames, as on this machine: see frame_bench.
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    std::vector<double> wall[2], cpu[2];
    int frame = 0;
    for (auto _ : state) {
        const int on = frame++ % 2;
        effectsEnabled = on == 1;
        driveTowardsNextCheckpoint();
        timedFrame(&wall[on], &cpu[on]);
    }
    effectsEnabled = true;
    reportOffOn(state, wall, cpu);
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}

// The parts one by one on the same stretch: each frame is drawn in full,
// then the reflection pass, the screen copy with the glow chain, the HUD
// over it, and the particles' update and drawing are each run once more on
// their own, between glFinish calls. Reports each part's median wall time
// and median process CPU time (the rasteriser threads included).
void BM_EffectParts(benchmark::State& state) {
    // Slow frames, as on this machine: see frame_bench.
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    effectsEnabled = true;
    // The reflection pass timed on its own draws in full every time.
    reflectionEveryOtherFrame = false;
    constexpr int kParts = 5;
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
    for (auto _ : state) {
        driveTowardsNextCheckpoint();
        timed([] { drawFrame(); }, 0);
        timed([] { renderRaceReflection(); }, 1);
        timed(postProcessFrame, 2);
        timed(drawRaceHud, 3);
        timed(drawCarEffects, 4);
        platformSwapBuffers();
    }
    reflectionEveryOtherFrame = true;
    const char* names[kParts] = {"frame", "reflection", "glow", "hud", "particles"};
    for (int part = 0; part < kParts; part++) {
        std::sort(wall[part].begin(), wall[part].end());
        std::sort(cpu[part].begin(), cpu[part].end());
        const std::string name = names[part];
        state.counters[name + "_median_ms"] = wall[part].empty() ? 0.0 : wall[part][wall[part].size() / 2];
        state.counters[name + "_cpu_ms"] = cpu[part].empty() ? 0.0 : cpu[part][cpu[part].size() / 2];
    }
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}

BENCHMARK(BM_EffectParts)->Iterations(kMeasuredFrames)->Unit(benchmark::kMillisecond);

// The savings that can be switched off, each measured against its own
// reference on the same stretch: frames alternate in pairs between the switch
// on and off (a pair, so that a saving made on every other frame counts once
// in each pair). Reports each side's median wall time and mean process CPU time.
struct Switch {
    const char* name;
    bool* value;
};
const Switch kSwitches[] = {
    {"fog_far_chunks", &fogFarChunks},
    {"reflection_every_other_frame", &reflectionEveryOtherFrame},
};

void BM_RaceFrameSwitch(benchmark::State& state) {
    const Switch& which = kSwitches[state.range(0)];
    state.SetLabel(which.name);
    // Slow frames, as on this machine: see frame_bench.
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    effectsEnabled = true;
    std::vector<double> wall[2], cpu[2];
    int frame = 0;
    for (auto _ : state) {
        const int on = (frame++ / 2) % 2;
        *which.value = on == 1;
        driveTowardsNextCheckpoint();
        timedFrame(&wall[on], &cpu[on]);
    }
    *which.value = true;
    reportOffOn(state, wall, cpu);
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}

BENCHMARK(BM_RaceFrameSwitch)
    ->DenseRange(0, (int)(sizeof kSwitches / sizeof kSwitches[0]) - 1)
    ->Iterations(2 * kMeasuredFrames)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_RaceFrameEffects)->Iterations(2 * kMeasuredFrames)->Unit(benchmark::kMillisecond);

}  // namespace
