// Analogue input: the curve from a raw axis through dead zone, linearity and
// sensitivity to the car's input, and the settings' keys in settings.cfg.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/controller_keys.h"
#include "state/state.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"

namespace {

struct AxisCase {
    const char* name;
    float raw;
    int deadZone;
    float sensitivity;
    float linearity;
    float expected;
};

// Expected values worked by hand: past the dead zone the rest of the travel
// maps to 0..1, then the power, then the scale, held to 1.
const AxisCase kAxisCases[] = {
    {"WornStickRestsInsideTheDeadZone", 0.10f, 15, 1.0f, 1.5f, 0.0f},
    {"DeadZoneEdgeIsStillRest", -0.15f, 15, 1.0f, 1.0f, 0.0f},
    {"HalfTheTravelBeyondTheDeadZone", 0.575f, 15, 1.0f, 1.0f, 0.5f},
    {"LinearityTwoSquaresIt", 0.575f, 15, 1.0f, 2.0f, 0.25f},
    {"LinearityThreeCubesIt", 0.5f, 0, 1.0f, 3.0f, 0.125f},
    {"LeftKeepsItsSign", -0.55f, 10, 1.5f, 1.0f, -0.75f},
    {"SensitivityIsHeldToFullLock", -0.575f, 15, 2.0f, 1.0f, -1.0f},
    {"LowSensitivityNeverReachesFull", 1.0f, 15, 0.5f, 1.0f, 0.5f},
    {"FullDeflectionIsFullWhateverTheCurve", 1.0f, 15, 1.0f, 1.5f, 1.0f},
    {"HalfDeadZoneLeavesTheOuterHalf", 0.75f, 50, 1.0f, 1.0f, 0.5f},
    {"BeyondFullIsFull", 1.2f, 0, 1.0f, 1.0f, 1.0f},
    {"StickFullLeftReportsOneStepFurther", -32768.0f / 32767.0f, 0, 1.0f, 1.0f, -1.0f},
    {"NotANumberIsRest", std::numeric_limits<float>::quiet_NaN(), 0, 1.0f, 1.0f, 0.0f},
};

class AxisCurve : public ::testing::TestWithParam<AxisCase> {};

TEST_P(AxisCurve, RawAxisToTheCarsInput) {
    const AxisCase& c = GetParam();
    const InputDeviceSettings device{c.deadZone, c.sensitivity, c.linearity, false};
    EXPECT_NEAR(shapeAxis(c.raw, device), c.expected, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Cases, AxisCurve, ::testing::ValuesIn(kAxisCases),
                         [](const ::testing::TestParamInfo<AxisCase>& test) { return test.param.name; });

class InputSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir("base", 0777);
        std::strcpy(saves.savesFolder, "base");
        clearGameSettings();
        setDefaultInputSettings();
    }
    void TearDown() override {
        clearGameSettings();
        setDefaultInputSettings();
    }
    // Reads text as settings.cfg; returns what went to stderr.
    std::string readFile(const std::string& text) {
        EXPECT_TRUE(writeBytes("base/settings.cfg", std::vector<uint8_t>(text.begin(), text.end())));
        testing::internal::CaptureStderr();
        readGameSettings();
        readInputSettings();
        return testing::internal::GetCapturedStderr();
    }
    TempFolder folder;
};

int lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n' ? 1 : 0;
    return n;
}

TEST_F(InputSettings, DefaultsSuitEachDevice) {
    EXPECT_EQ(readFile(""), "");
    // Keys turn in at their steady rate; a stick says how far at once.
    EXPECT_TRUE(controlSettings.inputDevices[DeviceKeys].steerAssist);
    EXPECT_FALSE(controlSettings.inputDevices[DeviceController].steerAssist);
    EXPECT_GT(controlSettings.inputDevices[DeviceController].deadZone, 0);
    // The table holds them for the file written at exit.
    EXPECT_STREQ(settingText("keys.steer_assist"), "1");
    EXPECT_STREQ(settingText("pad.steer_assist"), "0");
    EXPECT_NE(settingText("pad.linearity"), nullptr);
}

TEST_F(InputSettings, OutOfRangeValuesAreClampedWithOneLineEach) {
    const std::string err = readFile(
        "pad.dead_zone = 80\npad.sensitivity = 0.1\npad.linearity = 5\npad.rumble = -3\n"
        "keys.steer_assist = 0\n");
    EXPECT_EQ(lines(err), 4) << err;
    EXPECT_NE(err.find("pad.linearity"), std::string::npos) << err;
    const InputDeviceSettings& pad = controlSettings.inputDevices[DeviceController];
    EXPECT_EQ(pad.deadZone, 50);
    EXPECT_FLOAT_EQ(pad.sensitivity, 0.5f);
    EXPECT_FLOAT_EQ(pad.linearity, 3.0f);
    EXPECT_EQ(controlSettings.rumbleStrength, 0);
    EXPECT_FALSE(controlSettings.inputDevices[DeviceKeys].steerAssist);
    EXPECT_STREQ(settingText("pad.dead_zone"), "50");
    EXPECT_STREQ(settingText("pad.linearity"), "3.0");
}

TEST_F(InputSettings, ValuesInRangeRoundTripAndWordsTakeTheDefault) {
    const std::string err = readFile("pad.sensitivity = 1.3\npad.linearity = fast\npad.dead_zone = 5\n");
    EXPECT_EQ(lines(err), 1) << err;
    EXPECT_FLOAT_EQ(controlSettings.inputDevices[DeviceController].sensitivity, 1.3f);
    EXPECT_FLOAT_EQ(controlSettings.inputDevices[DeviceController].linearity, 1.5f);
    EXPECT_EQ(controlSettings.inputDevices[DeviceController].deadZone, 5);
    ASSERT_TRUE(writeGameSettings());
    setDefaultInputSettings();
    clearGameSettings();
    readGameSettings();
    readInputSettings();
    EXPECT_FLOAT_EQ(controlSettings.inputDevices[DeviceController].sensitivity, 1.3f);
    EXPECT_EQ(controlSettings.inputDevices[DeviceController].deadZone, 5);
    // The game's own keys: never crowded out by keys it does not know.
    EXPECT_TRUE(ownSettingKey("pad.dead_zone"));
    EXPECT_TRUE(ownSettingKey("key2.nitro"));
    EXPECT_FALSE(ownSettingKey("pad.warp"));
}

// ---------------------------------------------------------------------------
// A wheel's axes: which one the player moved, and how it reads once assigned.

struct PickCase {
    const char* name;
    int rest[3];
    int now[3];
    bool picked;
    int axis;
    bool inverted;
    int restsAt;
};

const PickCase kPickCases[] = {
    {"TheFurthestMovedWins", {0, 0, 0}, {9000, -30000, 20000}, true, 1, true, 0},
    {"SteeringRightIsUp", {0, 0, 0}, {0, 0, 32767}, true, 2, false, 0},
    {"PedalRestingLowPressedUp", {-32768, 0, 0}, {5000, 3000, 0}, true, 0, false, -1},
    {"PedalRestingHighPressedDown", {0, 32767, 0}, {0, -32768, 100}, true, 1, true, 1},
    // A worn stick's wobble and a slight touch are not a choice.
    {"SmallMovesWaitOn", {0, -32768, 0}, {12000, -20000, -16000}, false, -1, false, 0},
    {"AQuarterOfTheTravelIsEnough", {0, 0, 0}, {0, -16384, 0}, true, 1, true, 0},
    // Measured from where each axis rested, not from the middle.
    {"AnAxisRestingOffCentreIsNotMoved", {30000, 0, 0}, {30000, 0, 17000}, true, 2, false, 0},
};

class WheelPick : public ::testing::TestWithParam<PickCase> {};

TEST_P(WheelPick, TheAxisThatMovedMost) {
    const PickCase& c = GetParam();
    WheelAxis axis{-1, false, 0};
    ASSERT_EQ(pickWheelAxis(c.rest, c.now, 3, &axis), c.picked);
    EXPECT_EQ(axis.axis, c.axis);
    EXPECT_EQ(axis.inverted, c.inverted);
    EXPECT_EQ(axis.rest, c.restsAt);
}

INSTANTIATE_TEST_SUITE_P(Cases, WheelPick, ::testing::ValuesIn(kPickCases),
                         [](const ::testing::TestParamInfo<PickCase>& test) { return test.param.name; });

struct WheelValueCase {
    const char* name;
    WheelInput input;
    bool inverted;
    int rest;
    float raw;
    float expected;
};

const WheelValueCase kWheelValueCases[] = {
    {"SteeringAsItIs", WheelSteer, false, 0, 0.4f, 0.4f},
    {"SteeringTheOtherWay", WheelSteer, true, 0, 0.4f, -0.4f},
    {"PedalRestingLowIsZero", WheelThrottle, false, -1, -1.0f, 0.0f},
    {"PedalRestingLowFullIsOne", WheelThrottle, false, -1, 1.0f, 1.0f},
    {"PedalRestingLowHalfway", WheelBrake, false, -1, 0.0f, 0.5f},
    {"PedalRestingHighPressedDown", WheelBrake, true, 1, -1.0f, 1.0f},
    {"PedalRestingHighAtRest", WheelBrake, true, 1, 1.0f, 0.0f},
    {"PedalFromTheMiddleReadsItsHalf", WheelThrottle, false, 0, 0.5f, 0.5f},
    {"PedalFromTheMiddleTheOtherHalfIsRest", WheelThrottle, false, 0, -0.8f, 0.0f},
    {"PedalReportingOneStepBelowRestIsRest", WheelThrottle, false, -1, -32768.0f / 32767.0f, 0.0f},
    {"NotANumberIsRest", WheelThrottle, false, -1, std::numeric_limits<float>::quiet_NaN(), 0.0f},
};

class WheelValue : public ::testing::TestWithParam<WheelValueCase> {};

TEST_P(WheelValue, RawAxisToTheInput) {
    const WheelValueCase& c = GetParam();
    EXPECT_NEAR(wheelAxisValue(c.raw, WheelAxis{0, c.inverted, c.rest}, c.input), c.expected, 1e-5f);
}

INSTANTIATE_TEST_SUITE_P(Cases, WheelValue, ::testing::ValuesIn(kWheelValueCases),
                         [](const ::testing::TestParamInfo<WheelValueCase>& test) {
                             return test.param.name;
                         });

TEST_F(InputSettings, NoWheelAxisUntilThePlayerPicksOne) {
    EXPECT_EQ(readFile(""), "");
    for (const WheelAxis& axis : controlSettings.wheelAxes) EXPECT_EQ(axis.axis, kNoWheelAxis);
    EXPECT_STREQ(settingText("wheel.steer_axis"), "-1");
}

TEST_F(InputSettings, WheelAxesRoundTripAndBadValuesClamp) {
    const std::string err = readFile(
        "wheel.steer_axis = 2\nwheel.steer_inverted = 1\nwheel.throttle_axis = 40\n"
        "wheel.throttle_rest = -1\nwheel.brake_axis = -7\nwheel.brake_rest = 3\n");
    EXPECT_EQ(lines(err), 3) << err;
    EXPECT_NE(err.find("wheel.throttle_axis"), std::string::npos) << err;
    const WheelAxis* axes = controlSettings.wheelAxes;
    EXPECT_EQ(axes[WheelSteer].axis, 2);
    EXPECT_TRUE(axes[WheelSteer].inverted);
    EXPECT_EQ(axes[WheelThrottle].axis, kJoystickAxes - 1);
    EXPECT_EQ(axes[WheelThrottle].rest, -1);
    EXPECT_EQ(axes[WheelBrake].axis, kNoWheelAxis);
    EXPECT_EQ(axes[WheelBrake].rest, 1);
    // A capture's assignment goes to the table and back.
    assignWheelAxis(WheelBrake, WheelAxis{5, true, 1});
    ASSERT_TRUE(writeGameSettings());
    setDefaultInputSettings();
    clearGameSettings();
    readGameSettings();
    readInputSettings();
    EXPECT_EQ(axes[WheelSteer].axis, 2);
    EXPECT_EQ(axes[WheelBrake].axis, 5);
    EXPECT_TRUE(axes[WheelBrake].inverted);
    EXPECT_EQ(axes[WheelBrake].rest, 1);
    EXPECT_STREQ(settingText("wheel.brake_axis"), "5");
}

}  // namespace
