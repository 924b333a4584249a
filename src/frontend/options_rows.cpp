// The options screen's own rows: music and effects volume, difficulty,
// graphics and the way to the Controls screen. Each is a settings.cfg key
// (music_volume, effects_volume, difficulty, graphics) that the sound, the
// race and the renderer read when they need it.
#include <cstdio>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

constexpr int kVolumeSteps = 10;
constexpr int kLabelX = 150;
constexpr int kValueX = 360;
// The difficulty's line on what it does, in the large font at 0.55 (7.15
// units a letter): 45 letters from here end clear of the screen's edge.
constexpr int kDifficultyTextX = 440;
constexpr float kDifficultyTextScale = 0.55f;
constexpr int kRowLeft = 131, kRowRight = 449;

// The mouse band of a row drawn at overlay height y, as the lines above it.
bool onRow(int x, int y, int rowY) {
    return x >= kRowLeft && x <= kRowRight && y >= 581 - rowY && y <= 609 - rowY;
}

int musicVolumeSetting() {
    return settingInt("music_volume", kVolumeSteps, 0, kVolumeSteps);
}

int effectsVolumeSetting() {
    return settingInt("effects_volume", kVolumeSteps, 0, kVolumeSteps);
}

// Ten steps, lit up to the volume; a click on step k sets volume k.
void drawVolumeBar(int y, int volume) {
    beginShapes();
    for (int k = 0; k < kVolumeSteps; k++) {
        const float x0 = static_cast<float>(kVolumeBarX + k * kVolumeStepWidth) + 1.0f;
        const float top = static_cast<float>(y) + 4.0f + 1.2f * static_cast<float>(k);
        if (k < volume)
            shapeColour(kHudCyan, 0.95f);
        else
            shapeColour(kHudWhite, 0.18f);
        fillRect(x0, static_cast<float>(y), x0 + static_cast<float>(kVolumeStepWidth) - 2.0f, top);
    }
    endShapes();
}

// The volume a click at x sets: the step under it, or one more (after ten,
// none) on the label.
int clickedVolume(int x, int volume) {
    if (x >= kVolumeBarX && x < kVolumeBarX + kVolumeSteps * kVolumeStepWidth)
        return (x - kVolumeBarX) / kVolumeStepWidth + 1;
    if (x >= kVolumeBarX + kVolumeSteps * kVolumeStepWidth) return kVolumeSteps;
    return volume >= kVolumeSteps ? 0 : volume + 1;
}

}  // namespace

const char* difficultyName(int difficulty) {
    static const char* const kNames[kDifficultySettings] = {"Easy", "Normal", "Hard", "Rising"};
    return difficulty >= 0 && difficulty < kDifficultySettings ? kNames[difficulty] : "";
}

const char* difficultyText(int difficulty) {
    static const char* const kTexts[kDifficultySettings] = {
        "Easy: rivals brake early and give way",
        "Normal: rivals race a good driver's pace",
        "Hard: rivals drive flat out and fight back",
        "Rising: Easy at first, then Normal, then Hard",
    };
    return difficulty >= 0 && difficulty < kDifficultySettings ? kTexts[difficulty] : "";
}

const char* graphicsName(int graphics) {
    static const char* const kNames[4] = {"Low", "Medium", "High", "Auto"};
    return graphics >= 0 && graphics < 4 ? kNames[graphics] : "";
}

void drawOptionRows() {
    const int music = musicVolumeSetting(), effects = effectsVolumeSetting();
    printText(kLabelX, kMusicVolumeY, 1.0f, 1, "Music volume");
    drawVolumeBar(kMusicVolumeY, music);
    printText(kVolumeBarX + 106, kMusicVolumeY, 1.0f, 1, "%d", music);
    printText(kLabelX, kEffectsVolumeY, 1.0f, 1, "Effects volume");
    drawVolumeBar(kEffectsVolumeY, effects);
    printText(kVolumeBarX + 106, kEffectsVolumeY, 1.0f, 1, "%d", effects);
    printText(kLabelX, kDifficultyY, 1.0f, 1, "Difficulty");
    const int difficulty = difficultySetting();
    printText(kValueX, kDifficultyY, 1.0f, 1, "%s", difficultyName(difficulty));
    // What the value does, smaller, beside it.
    drawColour(0.75f, 0.9f, 1.0f, 1.0f);
    printScaled(static_cast<float>(kDifficultyTextX), static_cast<float>(kDifficultyY) - 2.0f,
                kDifficultyTextScale, difficultyText(difficulty));
    // The large font's print leaves texturing off; the prints after it need it.
    beginImages();
    printText(kLabelX, kGraphicsY, 1.0f, 1, "Graphics");
    printText(kValueX, kGraphicsY, 1.0f, 1, "%s", graphicsName(settingInt("graphics", 3, 0, 3)));
    // The way on to the keys is a row of its own that lights up like an item.
    int focusRow = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const bool over = menuKeyFocusItem(&focusRow, &x0, &y0, &x1, &y1)
                          ? onRow((x0 + x1) / 2, (y0 + y1) / 2, kControlsY)
                          : onRow(mouseX, mouseY, kControlsY);
    beginShapes();
    shapeColour(over ? kHudCyan : kHudMagenta, over ? 0.42f : 0.22f);
    fillRect(static_cast<float>(kLabelX) - 8.0f, static_cast<float>(kControlsY) - 7.0f, 450.0f,
             static_cast<float>(kControlsY) + 20.0f);
    endShapes();
    printText(kLabelX, kControlsY, 1.0f, 1, "Controls");
    printText(kValueX, kControlsY, 1.0f, 1, "keys >");
}

void applyVolumeSettings() {
    setMusicVolume(static_cast<float>(musicVolumeSetting()) / static_cast<float>(kVolumeSteps));
    setEffectsVolume(static_cast<float>(effectsVolumeSetting()) / static_cast<float>(kVolumeSteps));
}

bool stepOptionRow(int x, int y, int direction) {
    const int step = direction < 0 ? -1 : 1;
    if (onRow(x, y, kMusicVolumeY) || onRow(x, y, kEffectsVolumeY)) {
        const char* key = onRow(x, y, kMusicVolumeY) ? "music_volume" : "effects_volume";
        const int volume = settingInt(key, kVolumeSteps, 0, kVolumeSteps) + step;
        if (volume < 0 || volume > kVolumeSteps) return true;
        setSettingInt(key, volume);
        applyVolumeSettings();
    } else if (onRow(x, y, kDifficultyY)) {
        setSettingInt(kDifficultyKey,
                      (difficultySetting() + kDifficultySettings + step) % kDifficultySettings);
    } else if (onRow(x, y, kGraphicsY)) {
        setSettingInt("graphics", (settingInt("graphics", 3, 0, 3) + 4 + step) % 4);
        applyGraphicsSetting();
    } else {
        return false;
    }
    playHoverSound();
    resetMenuHover();
    return true;
}

bool clickOptionRows(int x, int y) {
    if (onRow(x, y, kMusicVolumeY)) {
        setSettingInt("music_volume", clickedVolume(x, musicVolumeSetting()));
        applyVolumeSettings();
    } else if (onRow(x, y, kEffectsVolumeY)) {
        setSettingInt("effects_volume", clickedVolume(x, effectsVolumeSetting()));
        applyVolumeSettings();
    } else if (onRow(x, y, kDifficultyY)) {
        setSettingInt(kDifficultyKey, (difficultySetting() + 1) % kDifficultySettings);
    } else if (onRow(x, y, kGraphicsY)) {
        setSettingInt("graphics", (settingInt("graphics", 3, 0, 3) + 1) % 4);
        applyGraphicsSetting();
    } else if (onRow(x, y, kControlsY)) {
        game.gameState = Controls;
        controlsCapture = -1;
        playClickSound();
        resetMenuHover();
        return true;
    } else {
        return false;
    }
    // As the display lines: the hover sound answers.
    playHoverSound();
    resetMenuHover();
    return true;
}
