// Graphics presets: what each of Low, Medium and High draws, the switches the
// passes read, and Auto's choice from the first seconds of menu frames.
#include <algorithm>
#include <vector>

#include "render/gl.h"
#include "render/render.h"
#include "render/render_local.h"
#include "state/state.h"

// Night haze of the full picture: about 150 units are visible.
static const float kHighFogDensity = 0.012f;

const GraphicsSwitches kGraphicsPresets[kGraphicsPresetCount] = {
    // Low: a half-size scene, no mirror in the paint, no glow, a quarter of
    // the particles, the city to 150 units in a thicker haze, lit by the
    // lamps' light baked into a map of the ground, cars without polish and
    // without the back faces of their closed shells, in their coarse bodies
    // and wheels.
    {0.5f, 0, 0, 4, 150.0f, 0.016f, true, false, false, true},
    // Medium: a three-quarter scene, the mirror every third frame, the glow
    // at half size, half the particles, the city to 200 units, the cars'
    // closed shells without their back faces.
    {0.75f, 3, 128, 2, 200.0f, 0.0125f, false, true, false, false},
    // High: every pass at full size, every face of the cars drawn.
    {1.0f, 1, 256, 1, 0.0f, kHighFogDensity, false, true, true, false},
};

GraphicsSwitches graphicsSwitches = kGraphicsPresets[GraphicsHigh];
int graphicsPreset = GraphicsHigh;
int autoGraphicsPreset = -1;

// The race frame of each preset against the menu frame on the same machine
// (frame_bench, llvmpipe at 800 x 600): the menu frame is what Auto can
// measure before any race is loaded.
static const float kRaceToMenuCost[kGraphicsPresetCount] = {0.65f, 1.0f, 1.42f};
// Auto keeps the race above 30 frames a second.
static const float kAutoFrameBudgetMs = 1000.0f / 30.0f;
// Menu frames Auto times before it chooses, after the first few (which load
// and warm the caches).
static const int kAutoSkippedFrames = 5;
static const int kAutoMeasuredFrames = 40;
static std::vector<float> autoFrames;
static int autoSkipped = 0;

const GraphicsSwitches& graphicsSwitchesInForce() {
    return graphicsSwitches;
}

void applyGraphicsPreset(int preset) {
    preset = std::max(0, std::min(kGraphicsPresetCount - 1, preset));
    graphicsPreset = preset;
    graphicsSwitches = kGraphicsPresets[preset];
    glFogf(GL_FOG_DENSITY, graphicsSwitches.fogDensity);
}

int chooseAutoPreset(const float* menuFrameMs, int count) {
    if (count <= 0) return GraphicsHigh;
    std::vector<float> sorted(menuFrameMs, menuFrameMs + count);
    std::sort(sorted.begin(), sorted.end());
    const float median = sorted[sorted.size() / 2];
    for (int preset = GraphicsHigh; preset > GraphicsLow; preset--)
        if (median * kRaceToMenuCost[preset] <= kAutoFrameBudgetMs) return preset;
    return GraphicsLow;
}

int graphicsSetting() {
    return settingValue(Setting::Graphics);
}

// The options screen's graphics row applies its choice at once.
static const bool kGraphicsApplyHooked = (setSettingApply(Setting::Graphics, applyGraphicsSetting), true);

void applyGraphicsSetting() {
    const int setting = graphicsSetting();
    if (setting != GraphicsAuto)
        applyGraphicsPreset(setting);
    else
        applyGraphicsPreset(autoGraphicsPreset >= 0 ? autoGraphicsPreset : GraphicsHigh);
}

void noteMenuFrameTime(float frameMs) {
    // Only frames drawn at High tell what High costs on this machine.
    if (autoGraphicsPreset >= 0 || graphicsPreset != GraphicsHigh) return;
    if (autoSkipped < kAutoSkippedFrames) {
        autoSkipped++;
        return;
    }
    autoFrames.push_back(frameMs);
    if (static_cast<int>(autoFrames.size()) < kAutoMeasuredFrames) return;
    autoGraphicsPreset = chooseAutoPreset(autoFrames.data(), static_cast<int>(autoFrames.size()));
    autoFrames.clear();
    if (graphicsSetting() == GraphicsAuto) applyGraphicsPreset(autoGraphicsPreset);
}

bool autoMeasuring() {
    return autoGraphicsPreset < 0 && graphicsSetting() == GraphicsAuto;
}
