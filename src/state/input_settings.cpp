// Analogue input settings per device and the curve from a raw axis to the
// car's input.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "state/state.h"

InputDeviceSettings inputDevices[kInputDevices];
int rumbleStrength = 0;

namespace {

// Keys turn in gradually, as they always did; a stick or wheel already says
// how far to turn. A worn stick rests within 15 % of its travel.
const InputDeviceSettings kDefaultDevices[kInputDevices] = {
    {0, 1.0f, 1.0f, true},
    {15, 1.0f, 1.5f, false},
};
static_assert(sizeof(kDefaultDevices) / sizeof(kDefaultDevices[0]) == kInputDevices,
              "one default per device");
const int kDefaultRumble = 60;

const char* const kKeysSteerAssist = "keys.steer_assist";
const char* const kPadDeadZone = "pad.dead_zone";
const char* const kPadSensitivity = "pad.sensitivity";
const char* const kPadLinearity = "pad.linearity";
const char* const kPadSteerAssist = "pad.steer_assist";
const char* const kPadRumble = "pad.rumble";
const char* const kInputKeys[] = {kKeysSteerAssist, kPadDeadZone,    kPadSensitivity,
                                  kPadLinearity,    kPadSteerAssist, kPadRumble};
static_assert(sizeof(kInputKeys) / sizeof(kInputKeys[0]) == kInputSettingKeys, "every input key counted");

// The number with one decimal under key, clamped to lo..hi with a line on
// stderr, as settingInt does for whole numbers.
float settingTenths(const char* key, float fallback, float lo, float hi) {
    const char* text = settingText(key);
    if (text == nullptr) return fallback;
    char* end = nullptr;
    const float value = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value)) {
        std::fprintf(stderr, "korvask: %s: %s = \"%s\" is not a number, using %.1f\n", kGameSettingsFileName,
                     key, text, static_cast<double>(fallback));
        return fallback;
    }
    if (value < lo || value > hi) {
        const float clamped = value < lo ? lo : hi;
        std::fprintf(stderr, "korvask: %s: %s = %s is out of range %.1f..%.1f, using %.1f\n",
                     kGameSettingsFileName, key, text, static_cast<double>(lo), static_cast<double>(hi),
                     static_cast<double>(clamped));
        return clamped;
    }
    // The file and the screen step by tenths.
    return std::round(value * 10.0f) / 10.0f;
}

void setSettingTenths(const char* key, float value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    setSettingText(key, text);
}

}  // namespace

void setDefaultInputSettings() {
    for (int d = 0; d < kInputDevices; d++) inputDevices[d] = kDefaultDevices[d];
    rumbleStrength = kDefaultRumble;
}

static const bool kInputSettingsAtLoad = (setDefaultInputSettings(), true);

void readInputSettings() {
    setDefaultInputSettings();
    InputDeviceSettings& keysDevice = inputDevices[DeviceKeys];
    InputDeviceSettings& pad = inputDevices[DeviceController];
    keysDevice.steerAssist = settingInt(kKeysSteerAssist, keysDevice.steerAssist ? 1 : 0, 0, 1) != 0;
    pad.deadZone = settingInt(kPadDeadZone, pad.deadZone, 0, kMaxDeadZone);
    pad.sensitivity = settingTenths(kPadSensitivity, pad.sensitivity, kMinSensitivity, kMaxSensitivity);
    pad.linearity = settingTenths(kPadLinearity, pad.linearity, kMinLinearity, kMaxLinearity);
    pad.steerAssist = settingInt(kPadSteerAssist, pad.steerAssist ? 1 : 0, 0, 1) != 0;
    rumbleStrength = settingInt(kPadRumble, rumbleStrength, 0, 100);
    storeInputSettings();
}

void storeInputSettings() {
    const InputDeviceSettings& pad = inputDevices[DeviceController];
    setSettingInt(kKeysSteerAssist, inputDevices[DeviceKeys].steerAssist ? 1 : 0);
    setSettingInt(kPadDeadZone, pad.deadZone);
    setSettingTenths(kPadSensitivity, pad.sensitivity);
    setSettingTenths(kPadLinearity, pad.linearity);
    setSettingInt(kPadSteerAssist, pad.steerAssist ? 1 : 0);
    setSettingInt(kPadRumble, rumbleStrength);
}

bool inputSettingKey(const char* key) {
    for (const char* own : kInputKeys)
        if (std::strcmp(own, key) == 0) return true;
    return false;
}

float shapeAxis(float raw, const InputDeviceSettings& device) {
    if (!(raw == raw)) return 0.0f;
    const float sign = raw < 0.0f ? -1.0f : 1.0f;
    float m = std::fabs(raw);
    if (m > 1.0f) m = 1.0f;
    const float rest = static_cast<float>(device.deadZone) / 100.0f;
    if (m <= rest) return 0.0f;
    float t = (m - rest) / (1.0f - rest);
    t = std::pow(t, device.linearity) * device.sensitivity;
    return sign * (t > 1.0f ? 1.0f : t);
}
