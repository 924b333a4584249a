// The settings the game knows: one row each with its key in settings.cfg, its
// type, default, range and step, and the owner's apply function; the typed
// reads and writes over the stored text, where a bad value is mended once.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/controller_keys.h"
#include "state/state.h"
#include "state/state_local.h"

namespace {

const char* const kDisplayWords[] = {"window", "fullscreen", "desktop"};
static_assert(sizeof(kDisplayWords) / sizeof(kDisplayWords[0]) == kDisplayModes, "one word per mode");
// What settings.cfg and the Controls screen show for a second key left free.
const char* const kNoKeyName = "None";

constexpr SettingRow whole(const char* key, int initial, int lo, int hi, int step, bool wraps,
                           void (*apply)() = nullptr) {
    return SettingRow{key, SettingType::Whole, initial, lo, hi, step, wraps, nullptr, apply};
}

// Every figure of a Tenths row is a whole number of tenths, so ten times it
// is exact in a float.
constexpr int inTenths(float value) {
    return static_cast<int>(value * 10.0f);
}
constexpr bool wholeTenths(float value) {
    return static_cast<float>(inTenths(value)) == value * 10.0f;
}
static_assert(wholeTenths(kMinSensitivity) && wholeTenths(kMaxSensitivity) && wholeTenths(kMinLinearity) &&
                  wholeTenths(kMaxLinearity),
              "the stick's ranges are whole tenths");

constexpr SettingRow tenths(const char* key, int initial, float lo, float hi) {
    return SettingRow{key,     SettingType::Tenths, initial, inTenths(lo), inTenths(hi), 1, false,
                      nullptr, readInputSettings};
}

// On or off.
constexpr SettingRow onOff(const char* key, bool initial) {
    return whole(key, initial ? 1 : 0, 0, 1, 1, true, readInputSettings);
}

constexpr SettingRow keyRow(const char* name, int vk) {
    return SettingRow{name, SettingType::Key, vk, 0, 255, 0, false, nullptr, nullptr};
}

// Volumes in ten steps; difficulty 0 Easy, 1 Normal, 2 Hard, 3 Rising;
// graphics 0 Low, 1 Medium, 2 High, 3 Auto. Keys turn in gradually, as they
// always did; a stick or wheel already says how far to turn, and a worn
// stick rests within 15 % of its travel. The arrows drive, Space fires the
// nitro, C and Esc as the frame keys always were, R puts the car back on the
// road; the left hand's keys beside them serve keyboards that cannot hold an
// arrow and Space together. No wheel axis is assigned until the player picks
// one.
SettingRow settingRows[kSettingCount] = {
    whole("music_volume", 10, 0, 10, 1, false),
    whole("effects_volume", 10, 0, 10, 1, false),
    whole("difficulty", 3, 0, 3, 1, true),
    whole("graphics", 3, 0, 3, 1, true),
    SettingRow{"display", SettingType::Word, -1, 0, kDisplayModes - 1, 1, true, kDisplayWords, nullptr},
    whole("screen.width", 0, 0, kMaxScreenSide, 1, false),
    whole("screen.height", 0, 0, kMaxScreenSide, 1, false),
    onOff("keys.steer_assist", true),
    whole("pad.dead_zone", 15, 0, kMaxDeadZone, 5, false, readInputSettings),
    tenths("pad.sensitivity", 10, kMinSensitivity, kMaxSensitivity),
    tenths("pad.linearity", 15, kMinLinearity, kMaxLinearity),
    onOff("pad.steer_assist", false),
    whole("pad.rumble", 60, 0, 100, 10, false, readInputSettings),
    whole("wheel.steer_axis", kNoWheelAxis, kNoWheelAxis, kJoystickAxes - 1, 1, true, readInputSettings),
    onOff("wheel.steer_inverted", false),
    whole("wheel.throttle_axis", kNoWheelAxis, kNoWheelAxis, kJoystickAxes - 1, 1, true, readInputSettings),
    onOff("wheel.throttle_inverted", false),
    whole("wheel.throttle_rest", 0, -1, 1, 1, true, readInputSettings),
    whole("wheel.brake_axis", kNoWheelAxis, kNoWheelAxis, kJoystickAxes - 1, 1, true, readInputSettings),
    onOff("wheel.brake_inverted", false),
    whole("wheel.brake_rest", 0, -1, 1, 1, true, readInputSettings),
    keyRow("key.accelerate", VK_UP),
    keyRow("key.brake", VK_DOWN),
    keyRow("key.left", VK_LEFT),
    keyRow("key.right", VK_RIGHT),
    keyRow("key.nitro", VK_SPACE),
    keyRow("key.camera", 'C'),
    keyRow("key.pause", VK_ESCAPE),
    keyRow("key.reset", 'R'),
    keyRow("key2.accelerate", 'W'),
    keyRow("key2.brake", 'S'),
    keyRow("key2.left", 'A'),
    keyRow("key2.right", 'D'),
    keyRow("key2.nitro", VK_SHIFT),
    keyRow("key2.camera", kNoKey),
    keyRow("key2.pause", kNoKey),
    keyRow("key2.reset", kNoKey),
};
static_assert(sizeof(settingRows) / sizeof(settingRows[0]) == kSettingCount, "one row per setting");
static_assert(kSettingCount + kMaxUnknownGameSettings <= kMaxGameSettings,
              "the game's own keys always have room in the file");

SettingRow& row(Setting setting) {
    return settingRows[static_cast<int>(setting)];
}

void storeText(Setting setting, const char* text) {
    setSettingText(row(setting).key, text);
}

void storeWhole(Setting setting, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    storeText(setting, text);
}

void storeTenths(Setting setting, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value) / 10.0);
    storeText(setting, text);
}

int readWhole(Setting setting, const char* text) {
    const SettingRow& r = row(setting);
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0') {
        std::fprintf(stderr, "korvask: %s: \"%s\" is not a number, using %d\n", kGameSettingsFileName, text,
                     r.initial);
        storeWhole(setting, r.initial);
        return r.initial;
    }
    if (value < r.lo || value > r.hi) {
        const int clamped = value < r.lo ? r.lo : r.hi;
        std::fprintf(stderr, "korvask: %s: %s = %ld is out of range %d..%d, using %d\n",
                     kGameSettingsFileName, r.key, value, r.lo, r.hi, clamped);
        storeWhole(setting, clamped);
        return clamped;
    }
    return static_cast<int>(value);
}

int readTenths(Setting setting, const char* text) {
    const SettingRow& r = row(setting);
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value)) {
        std::fprintf(stderr, "korvask: %s: %s = \"%s\" is not a number, using %.1f\n", kGameSettingsFileName,
                     r.key, text, static_cast<double>(r.initial) / 10.0);
        storeTenths(setting, r.initial);
        return r.initial;
    }
    const float lo = static_cast<float>(r.lo) / 10.0f, hi = static_cast<float>(r.hi) / 10.0f;
    if (value < lo || value > hi) {
        const int clamped = value < lo ? r.lo : r.hi;
        std::fprintf(stderr, "korvask: %s: %s = %s is out of range %.1f..%.1f, using %.1f\n",
                     kGameSettingsFileName, r.key, text, static_cast<double>(lo), static_cast<double>(hi),
                     static_cast<double>(clamped) / 10.0);
        storeTenths(setting, clamped);
        return clamped;
    }
    // The file and the screen step by tenths.
    return static_cast<int>(std::lround(value * 10.0f));
}

int readWord(Setting setting, const char* text) {
    const SettingRow& r = row(setting);
    for (int i = 0; i <= r.hi; i++)
        if (std::strcmp(text, r.words[i]) == 0) return i;
    // A word the game does not know: as if the player had said nothing.
    std::string words;
    for (int i = 0; i <= r.hi; i++) {
        words += i == 0 ? "" : (i == r.hi ? " or " : ", ");
        words += r.words[i];
    }
    std::fprintf(stderr, "korvask: %s: %s = \"%s\" is not %s\n", kGameSettingsFileName, r.key, text,
                 words.c_str());
    eraseSettingText(r.key);
    return r.initial;
}

}  // namespace

const SettingRow& settingRow(Setting setting) {
    return row(setting);
}

Setting bindingSetting(int action, int slot) {
    return static_cast<Setting>(
        (slot == 0 ? static_cast<int>(Setting::FirstKey) : static_cast<int>(Setting::FirstSecondKey)) +
        action);
}

bool findSetting(const char* key, Setting* setting) {
    for (int i = 0; i < kSettingCount; i++) {
        if (std::strcmp(settingRows[i].key, key) == 0) {
            *setting = static_cast<Setting>(i);
            return true;
        }
    }
    return false;
}

bool ownSettingKey(const char* key) {
    Setting setting;
    return findSetting(key, &setting);
}

void setSettingApply(Setting setting, void (*apply)()) {
    row(setting).apply = apply;
}

const char* slotKeyName(int vk) {
    const char* name = keyName(vk);
    return name != nullptr ? name : kNoKeyName;
}

int settingValue(Setting setting) {
    const SettingRow& r = row(setting);
    const char* text = settingText(r.key);
    if (text == nullptr) return r.initial;
    switch (r.type) {
        case SettingType::Whole:
            return readWhole(setting, text);
        case SettingType::Tenths:
            return readTenths(setting, text);
        case SettingType::Word:
            return readWord(setting, text);
        case SettingType::Key:
            return std::strcmp(text, kNoKeyName) == 0 ? kNoKey : keyFromName(text);
    }
    return r.initial;
}

float settingNumber(Setting setting) {
    const int value = settingValue(setting);
    return row(setting).type == SettingType::Tenths ? static_cast<float>(value) / 10.0f
                                                    : static_cast<float>(value);
}

void setSettingValue(Setting setting, int value) {
    const SettingRow& r = row(setting);
    if (r.type == SettingType::Key) {
        storeText(setting, slotKeyName(value));
        return;
    }
    if (r.type == SettingType::Word && value < 0) {
        eraseSettingText(r.key);
        return;
    }
    value = value < r.lo ? r.lo : (value > r.hi ? r.hi : value);
    if (r.type == SettingType::Tenths)
        storeTenths(setting, value);
    else if (r.type == SettingType::Word)
        storeText(setting, r.words[value]);
    else
        storeWhole(setting, value);
}

bool stepSetting(Setting setting, int direction) {
    const SettingRow& r = row(setting);
    const int now = settingValue(setting);
    int next = now + (direction < 0 ? -r.step : r.step);
    if (r.wraps) {
        const int span = r.hi - r.lo + 1;
        next = r.lo + ((next - r.lo) % span + span) % span;
    } else {
        next = next < r.lo ? r.lo : (next > r.hi ? r.hi : next);
    }
    if (next == now) return false;
    setSettingValue(setting, next);
    applySetting(setting);
    return true;
}

void applySetting(Setting setting) {
    if (row(setting).apply != nullptr) row(setting).apply();
}

int displayModeSetting() {
    return settingValue(Setting::Display);
}

void setDisplayModeSetting(int mode) {
    if (mode >= 0 && mode < kDisplayModes) setSettingValue(Setting::Display, mode);
}

const char* displayModeName(int mode) {
    static const char* const kNames[kDisplayModes] = {"Window", "Fullscreen", "Desktop"};
    return mode >= 0 && mode < kDisplayModes ? kNames[mode] : "";
}
