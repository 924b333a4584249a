// The options screen's own rows: music and effects volume, difficulty,
// graphics and the way to the Controls screen. Each value row is a row of the
// settings table, which the sound, the race and the renderer read; a change
// here runs the row's apply function.
#include <cstdio>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "frontend/frontend_local.h"
#include "race/race.h"
#include "render/render.h"
#include "state/state.h"

namespace {

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

// The value rows, top to bottom; a volume shows as a bar of steps.
struct OptionRow {
    Setting setting;
    int y;
    const char* label;
    bool bar;
};
const OptionRow kOptionRows[] = {
    {Setting::MusicVolume, kMusicVolumeY, "Music volume", true},
    {Setting::EffectsVolume, kEffectsVolumeY, "Effects volume", true},
    {Setting::Difficulty, kDifficultyY, "Difficulty", false},
    {Setting::Graphics, kGraphicsY, "Graphics", false},
};

const OptionRow* optionRowAt(int x, int y) {
    for (const OptionRow& row : kOptionRows)
        if (onRow(x, y, row.y)) return &row;
    return nullptr;
}

// A step of the bar for each volume step, lit up to the volume; a click on
// step k sets volume k.
void drawVolumeBar(int y, int volume, int steps) {
    beginShapes();
    for (int k = 0; k < steps; k++) {
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
int clickedVolume(int x, int volume, int steps) {
    if (x >= kVolumeBarX && x < kVolumeBarX + steps * kVolumeStepWidth)
        return (x - kVolumeBarX) / kVolumeStepWidth + 1;
    if (x >= kVolumeBarX + steps * kVolumeStepWidth) return steps;
    return volume >= steps ? 0 : volume + 1;
}

// The row's value as the screen words it.
const char* optionValueName(Setting setting, int value) {
    return setting == Setting::Difficulty ? difficultyName(value) : graphicsName(value);
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
    for (const OptionRow& row : kOptionRows) {
        const int value = settingValue(row.setting);
        printText(kLabelX, row.y, 1.0f, 1, "%s", row.label);
        if (row.bar) {
            drawVolumeBar(row.y, value, settingRow(row.setting).hi);
            printText(kVolumeBarX + 106, row.y, 1.0f, 1, "%d", value);
            continue;
        }
        printText(kValueX, row.y, 1.0f, 1, "%s", optionValueName(row.setting, value));
        if (row.setting == Setting::Difficulty) {
            // What the value does, smaller, beside it.
            drawColour(0.75f, 0.9f, 1.0f, 1.0f);
            printScaled(static_cast<float>(kDifficultyTextX), static_cast<float>(row.y) - 2.0f,
                        kDifficultyTextScale, difficultyText(value));
            // The large font's print leaves texturing off; the prints after it need it.
            beginImages();
        }
    }
    // The way on to the keys is a row of its own that lights up like an item.
    int focusRow = 0, x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const bool over = menuKeyFocusItem(&focusRow, &x0, &y0, &x1, &y1)
                          ? onRow((x0 + x1) / 2, (y0 + y1) / 2, kControlsY)
                          : onRow(frontEnd.mouseX, frontEnd.mouseY, kControlsY);
    beginShapes();
    shapeColour(over ? kHudCyan : kHudMagenta, over ? 0.42f : 0.22f);
    fillRect(static_cast<float>(kLabelX) - 8.0f, static_cast<float>(kControlsY) - 7.0f, 450.0f,
             static_cast<float>(kControlsY) + 20.0f);
    endShapes();
    printText(kLabelX, kControlsY, 1.0f, 1, "Controls");
    printText(kValueX, kControlsY, 1.0f, 1, "keys >");
}

bool stepOptionRow(int x, int y, int direction) {
    const OptionRow* row = optionRowAt(x, y);
    if (row == nullptr) return false;
    // A volume stops at its ends; the others go round.
    if (!stepSetting(row->setting, direction) && row->bar) return true;
    playHoverSound();
    resetMenuHover();
    return true;
}

bool clickOptionRows(int x, int y) {
    const OptionRow* row = optionRowAt(x, y);
    if (row != nullptr && row->bar) {
        setSettingValue(row->setting,
                        clickedVolume(x, settingValue(row->setting), settingRow(row->setting).hi));
        applySetting(row->setting);
    } else if (row != nullptr) {
        stepSetting(row->setting, 1);
    } else if (onRow(x, y, kControlsY)) {
        setGameState(Controls);
        frontEnd.controlsCapture = -1;
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
