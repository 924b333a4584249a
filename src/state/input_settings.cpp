// Analogue input settings per device and the curve from a raw axis to the
// car's input.
#include <cmath>
#include <cstdlib>

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
    for (WheelAxis& axis : controlSettings.wheelAxes) axis = WheelAxis{kNoWheelAxis, false, 0};
}

namespace {

// Each wheel input's rows: axis, inverted, rest (the steering has none).
struct WheelRows {
    Setting axis, inverted;
    const Setting* rest;
};
const Setting kThrottleRest = Setting::WheelThrottleRest;
const Setting kBrakeRest = Setting::WheelBrakeRest;
const WheelRows kWheelRows[kWheelInputs] = {
    {Setting::WheelSteerAxis, Setting::WheelSteerInverted, nullptr},
    {Setting::WheelThrottleAxis, Setting::WheelThrottleInverted, &kThrottleRest},
    {Setting::WheelBrakeAxis, Setting::WheelBrakeInverted, &kBrakeRest},
};

}  // namespace

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
    for (int i = 0; i < kWheelInputs; i++) {
        WheelAxis& axis = controlSettings.wheelAxes[i];
        axis.axis = settingValue(kWheelRows[i].axis);
        axis.inverted = settingValue(kWheelRows[i].inverted) != 0;
        axis.rest = kWheelRows[i].rest != nullptr ? settingValue(*kWheelRows[i].rest) : 0;
    }
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
    for (int i = 0; i < kWheelInputs; i++) {
        const WheelAxis& axis = controlSettings.wheelAxes[i];
        setSettingValue(kWheelRows[i].axis, axis.axis);
        setSettingValue(kWheelRows[i].inverted, axis.inverted ? 1 : 0);
        if (kWheelRows[i].rest != nullptr) setSettingValue(*kWheelRows[i].rest, axis.rest);
    }
}

void assignWheelAxis(WheelInput which, const WheelAxis& axis) {
    if (which < 0 || which >= kWheelInputs) return;
    controlSettings.wheelAxes[which] = axis;
    if (which == WheelSteer) controlSettings.wheelAxes[which].rest = 0;
    storeInputSettings();
}

float wheelAxisValue(float raw, const WheelAxis& axis, WheelInput which) {
    if (!(raw == raw)) return 0.0f;
    const float sign = axis.inverted ? -1.0f : 1.0f;
    float v = sign * (raw < -1.0f ? -1.0f : (raw > 1.0f ? 1.0f : raw));
    if (which == WheelSteer) return v;
    // Measured from where the pedal rests, in the direction it is pressed.
    float rest = sign * static_cast<float>(axis.rest < -1 ? -1 : (axis.rest > 1 ? 1 : axis.rest));
    if (rest >= 1.0f) rest = 0.0f;
    v = (v - rest) / (1.0f - rest);
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

bool pickWheelAxis(const int* rest, const int* now, int count, WheelAxis* out) {
    int best = -1, bestTravel = kWheelCaptureTravel - 1;
    for (int a = 0; a < count; a++) {
        const int travel = std::abs(now[a] - rest[a]);
        if (travel > bestTravel) {
            best = a;
            bestTravel = travel;
        }
    }
    if (best < 0) return false;
    const int at = rest[best];
    out->axis = best;
    out->inverted = now[best] < at;
    out->rest = at > kWheelCaptureTravel ? 1 : (at < -kWheelCaptureTravel ? -1 : 0);
    return true;
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
