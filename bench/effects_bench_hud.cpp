// Where the race HUD's time goes at Low, 800 x 600: each frame of race 1 is
// drawn in full, then the HUD and its parts once more on their own between
// glFinish calls. Reports each part's median wall and process CPU time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_race.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "shell/shell.h"

namespace {

void overlayImages(void (*draw)()) {
    resetView();
    beginOverlay();
    beginImages();
    draw();
    endImages();
    endOverlay();
    restoreSceneState();
}

// The HUD's own texts: the speed, the lap and the place, lined up by spaces.
void hudTexts() {
    printTextLarge(727, 37, 1, "%2i", 123);
    printText(732, 17, 1.0f, 1, "Km/h");
    printTextLarge(105, 563, 1, "Lap   /");
    printTextLarge(105, 563, 0, "    %2i", 1);
    printTextLarge(105, 563, 0, "      %2i", 4);
    printTextLarge(560, 563, 1, "Place  /");
    printTextLarge(560, 563, 0, "     %2i", 2);
    printTextLarge(560, 563, 0, "       %2i", 4);
}

void BM_LowHudParts(benchmark::State& state) {
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    applyGraphicsPreset(GraphicsLow);
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
    for (auto _ : state) {
        driveTowardsNextCheckpoint();
        drawFrame();
        glFinish();
        timed([] {}, 0);
        timed(drawRaceHud, 1);
        timed(
            [] {
                overlaySavings.tiles = false;
                drawRaceHud();
                overlaySavings.tiles = true;
            },
            2);
        timed(
            [] {
                overlayImages([] {
                    drawMaskedImage(gameTextures[kTopBarMaskTexture], gameTextures[kTopBarFaceTexture], 0.0f,
                                    474.0f, 800.0f, 602.0f);
                });
            },
            3);
        timed(
            [] {
                overlayImages([] {
                    drawMaskedImage(gameTextures[kTachoMaskTexture], gameTextures[kTachoFaceTexture], 606.0f,
                                    -6.0f, 806.0f, 194.0f);
                });
            },
            4);
        timed(
            [] {
                overlayImages([] {
                    setBlend2D(Blend2DAlpha);
                    drawOverlayImage(tgaTextureName(kNitroFillTga), OverlayAlpha, -12.0f, 0.0f, 188.0f,
                                     200.0f, 0.5f);
                    drawOverlayImage(tgaTextureName(kNitroFrameTga), OverlayAlpha, -12.0f, 0.0f, 188.0f,
                                     200.0f);
                });
            },
            5);
        timed(drawRaceInfo, 6);
        timed(
            [] {
                overlayImages([] {
                    drawMaskedImage(gameTextures[kTachoMaskTexture], gameTextures[kTachoFaceTexture], 606.0f,
                                    -6.0f, 706.0f, 94.0f);
                });
            },
            7);
        timed([] { hudTexts(); }, 8);
        timed(
            [] {
                overlaySavings.tiles = false;
                hudTexts();
                overlaySavings.tiles = true;
            },
            9);
        platformSwapBuffers();
    }
    const char* names[kParts] = {"empty", "hud",       "hud_untiled",  "top_bar", "dial",
                                 "nitro", "race_info", "dial_quarter", "texts",   "texts_every_quad"};
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
BENCHMARK(BM_LowHudParts)->Iterations(200)->Unit(benchmark::kMillisecond);

// The overlay's savings, each a switch the game keeps on.
struct OverlaySaving {
    const char* name;
    bool* on;
};
const OverlaySaving kOverlaySavings[] = {
    {"tiles", &overlaySavings.tiles},
    {"one_pass_masks", &overlaySavings.onePassMasks},
    {"screen_images", &overlaySavings.screenImages},
};

// The whole Low frame, alternating by pairs of frames between one of the
// overlay's savings on and off, on the same stretch.
void BM_LowHudSaving(benchmark::State& state) {
    const OverlaySaving& saving = kOverlaySavings[state.range(0)];
    state.SetLabel(saving.name);
    reflectionSlowFrameFactor = 0.0f;
    if (!startDrivenRace()) {
        state.SkipWithError("no GL window or no base/ (run from the build folder)");
        return;
    }
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    applyGraphicsPreset(GraphicsLow);
    std::vector<double> cpu[2], wall[2];
    int frame = 0;
    for (auto _ : state) {
        driveTowardsNextCheckpoint();
        const int side = (frame++ / 2) % 2;
        *saving.on = side == 1;
        glFinish();
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        drawFrame();
        glFinish();
        wall[side].push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        cpu[side].push_back(cpuMs() - c0);
        platformSwapBuffers();
    }
    *saving.on = true;
    const char* names[2] = {"off", "on"};
    for (int side = 0; side < 2; side++) {
        std::sort(wall[side].begin(), wall[side].end());
        std::sort(cpu[side].begin(), cpu[side].end());
        state.counters[std::string(names[side]) + "_median_ms"] = wall[side][wall[side].size() / 2];
        state.counters[std::string(names[side]) + "_cpu_ms"] = cpu[side][cpu[side].size() / 2];
    }
    double load[1] = {0.0};
    state.counters["load1"] = getloadavg(load, 1) == 1 ? load[0] : -1.0;
    applyGraphicsPreset(GraphicsHigh);
    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
}
BENCHMARK(BM_LowHudSaving)->DenseRange(0, 2)->Iterations(400)->Unit(benchmark::kMillisecond);

}  // namespace
