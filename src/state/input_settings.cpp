// Analogue input settings per device and the curve from a raw axis to the
// car's input.
#include <cmath>

#include "state/state.h"

void setDefaultInputSettings() {
    InputDeviceSettings& keysDevice = controlSettings.inputDevices[DeviceKeys];
    InputDeviceSettings& pad = controlSettings.inputDevices[DeviceController];
    keysDevice = InputDeviceSettings{0, 1.0f, 1.0f, settingRow(Setting::KeysSteerAssist).initial != 0};
    pad.deadZone = settingRow(Setting::PadDeadZone).initial;
    pad.sensitivity = static_cast<float>(settingRow(Setting::PadSensitivity).initial) / 10.0f;
    pad.linearity = static_cast<float>(settingRow(Setting::PadLinearity).initial) / 10.0f;
    pad.steerAssist = settingRow(Setting::PadSteerAssist).initial != 0;
    controlSettings.rumbleStrength = settingRow(Setting::PadRumble).initial;
}

static const bool kInputSettingsAtLoad = (setDefaultInputSettings(), true);

void readInputSettings() {
    setDefaultInputSettings();
    InputDeviceSettings& pad = controlSettings.inputDevices[DeviceController];
    controlSettings.inputDevices[DeviceKeys].steerAssist = settingValue(Setting::KeysSteerAssist) != 0;
    pad.deadZone = settingValue(Setting::PadDeadZone);
    pad.sensitivity = settingNumber(Setting::PadSensitivity);
    pad.linearity = settingNumber(Setting::PadLinearity);
    pad.steerAssist = settingValue(Setting::PadSteerAssist) != 0;
    controlSettings.rumbleStrength = settingValue(Setting::PadRumble);
    storeInputSettings();
}

void storeInputSettings() {
    const InputDeviceSettings& pad = controlSettings.inputDevices[DeviceController];
    setSettingValue(Setting::KeysSteerAssist, controlSettings.inputDevices[DeviceKeys].steerAssist ? 1 : 0);
    setSettingValue(Setting::PadDeadZone, pad.deadZone);
    setSettingValue(Setting::PadSensitivity, static_cast<int>(std::lround(pad.sensitivity * 10.0f)));
    setSettingValue(Setting::PadLinearity, static_cast<int>(std::lround(pad.linearity * 10.0f)));
    setSettingValue(Setting::PadSteerAssist, pad.steerAssist ? 1 : 0);
    setSettingValue(Setting::PadRumble, controlSettings.rumbleStrength);
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
