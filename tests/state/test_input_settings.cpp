// Analogue input: the curve from a raw axis through dead zone, linearity and
// sensitivity to the car's input, and the settings' keys in settings.cfg.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

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
    EXPECT_TRUE(inputDevices[DeviceKeys].steerAssist);
    EXPECT_FALSE(inputDevices[DeviceController].steerAssist);
    EXPECT_GT(inputDevices[DeviceController].deadZone, 0);
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
    const InputDeviceSettings& pad = inputDevices[DeviceController];
    EXPECT_EQ(pad.deadZone, 50);
    EXPECT_FLOAT_EQ(pad.sensitivity, 0.5f);
    EXPECT_FLOAT_EQ(pad.linearity, 3.0f);
    EXPECT_EQ(rumbleStrength, 0);
    EXPECT_FALSE(inputDevices[DeviceKeys].steerAssist);
    EXPECT_STREQ(settingText("pad.dead_zone"), "50");
    EXPECT_STREQ(settingText("pad.linearity"), "3.0");
}

TEST_F(InputSettings, ValuesInRangeRoundTripAndWordsTakeTheDefault) {
    const std::string err = readFile("pad.sensitivity = 1.3\npad.linearity = fast\npad.dead_zone = 5\n");
    EXPECT_EQ(lines(err), 1) << err;
    EXPECT_FLOAT_EQ(inputDevices[DeviceController].sensitivity, 1.3f);
    EXPECT_FLOAT_EQ(inputDevices[DeviceController].linearity, 1.5f);
    EXPECT_EQ(inputDevices[DeviceController].deadZone, 5);
    ASSERT_TRUE(writeGameSettings());
    setDefaultInputSettings();
    clearGameSettings();
    readGameSettings();
    readInputSettings();
    EXPECT_FLOAT_EQ(inputDevices[DeviceController].sensitivity, 1.3f);
    EXPECT_EQ(inputDevices[DeviceController].deadZone, 5);
    // The game's own keys: never crowded out by keys it does not know.
    EXPECT_TRUE(ownSettingKey("pad.dead_zone"));
    EXPECT_TRUE(ownSettingKey("key2.nitro"));
    EXPECT_FALSE(ownSettingKey("pad.warp"));
}

}  // namespace
