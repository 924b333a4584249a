// The player's car driven by a controller: the stick steers and the triggers
// press the pedals in proportion, through the controller's settings; the
// controller rumbles for crashes, kerbs and nitro.
#include <cmath>

#include "platform/controller_keys.h"
#include "platform/scripted.h"
#include "race/race_local.h"
#include "race_fixture.h"

namespace {

constexpr float kP = 0.5f * 1.15f;  // carPower 0.5 as the player drives it

class PlayerAnalogue : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        setDefaultInputSettings();
        // A straight curve keeps the expected values easy to work by hand.
        controlSettings.inputDevices[DeviceController] = InputDeviceSettings{15, 1.0f, 1.0f, false};
        scriptedSetController(true, false);
    }
    void TearDown() override {
        scriptedReset();
        setDefaultInputSettings();
        RaceWorldTest::TearDown();
    }
    // A fraction of the axis's travel in the controller's own units.
    static int travel(float fraction) { return static_cast<int>(std::lround(fraction * 32767.0f)); }
    void frames(int n) {
        for (int i = 0; i < n; i++) updatePlayerCar(session.cars[0], 1.0f);
    }
};

struct StickCase {
    const char* name;
    float stick;  // raw, right positive
    bool assist;
    int frames;
    float steer;  // the car's steering angle after them
};

// Half the travel beyond the 15 % dead zone is half the 0.7 lock.
const StickCase kStickCases[] = {
    {"HalfLeftIsHalfLock", -0.575f, false, 1, 0.35f},
    {"FullRightIsFullLock", 1.0f, false, 1, -0.7f},
    {"WornStickNeverDrifts", 0.12f, false, 300, 0.0f},
    {"AssistTurnsInAtTheKeysRate", -1.0f, true, 4, 0.2f},
    {"AssistStopsAtTheStickAngle", -0.575f, true, 40, 0.35f},
};

class StickSteers : public PlayerAnalogue, public ::testing::WithParamInterface<StickCase> {};

TEST_P(StickSteers, InProportion) {
    const StickCase& c = GetParam();
    controlSettings.inputDevices[DeviceController].steerAssist = c.assist;
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    scriptedSetControllerAxis(PadLeftX, travel(c.stick));
    frames(c.frames);
    EXPECT_NEAR(session.cars[0].steer, c.steer, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Cases, StickSteers, ::testing::ValuesIn(kStickCases),
                         [](const ::testing::TestParamInfo<StickCase>& test) { return test.param.name; });

TEST_F(PlayerAnalogue, LettingGoReturnsTheWheelAsKeysDo) {
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    scriptedSetControllerAxis(PadLeftX, travel(-1.0f));
    frames(1);
    ASSERT_NEAR(session.cars[0].steer, 0.7f, 1e-6f);
    scriptedSetControllerAxis(PadLeftX, 0);
    frames(1);
    EXPECT_NEAR(session.cars[0].steer, 0.7f * (1.0f - 0.075f), 1e-5f);
}

TEST_F(PlayerAnalogue, TriggersPressThePedalsInProportion) {
    // Half throttle in first gear: half of first's force.
    place(0, Vector3(0, 0, 0), Vector3(3, 0, 0));
    scriptedSetControllerAxis(PadTriggerRight, travel(0.575f));
    frames(1);
    EXPECT_NEAR(session.cars[0].driveForce, 0.5f * 140.0f * kP, 1e-3f);
    EXPECT_EQ(session.cars[0].targetGear, 1);
    // The throttle wins over the brake, as Up does over Down.
    scriptedSetControllerAxis(PadTriggerLeft, travel(1.0f));
    frames(1);
    EXPECT_NEAR(session.cars[0].driveForce, 0.5f * 140.0f * kP, 1e-3f);
    // A quarter brake at 4 units/s: a quarter of 100 x sqrt(4) against the
    // motion.
    scriptedSetControllerAxis(PadTriggerRight, 0);
    scriptedSetControllerAxis(PadTriggerLeft, travel(0.15f + 0.85f * 0.25f));
    place(0, Vector3(0, 0, 0), Vector3(4, 0, 0));
    frames(1);
    EXPECT_NEAR(session.cars[0].driveForce, -0.25f * 200.0f, 1e-2f);
    // A light touch inside the dead zone is no pedal at all.
    scriptedSetControllerAxis(PadTriggerLeft, travel(0.1f));
    frames(1);
    EXPECT_EQ(session.cars[0].driveForce, 0.0f);
}

TEST_F(PlayerAnalogue, AHeldKeyWinsOverTheStick) {
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    scriptedSetControllerAxis(PadLeftX, travel(-1.0f));
    input.keys[VK_RIGHT] = true;
    frames(2);
    // The keys' steady rate, to the right.
    EXPECT_NEAR(session.cars[0].steer, -0.1f, 1e-5f);
}

TEST_F(PlayerAnalogue, KeysWithoutTheAssistGoStraightToFullLock) {
    controlSettings.inputDevices[DeviceKeys].steerAssist = false;
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    input.keys[VK_LEFT] = true;
    frames(1);
    EXPECT_EQ(session.cars[0].steer, 0.7f);
}

TEST_F(PlayerAnalogue, RumbleKnocksByImpactBuzzesOnKerbsAndHumsOnNitro) {
    scriptedSetController(true, true);
    resetRumble();
    controlSettings.rumbleStrength = 100;
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    frames(2);
    EXPECT_TRUE(scriptedRumbles().empty());
    // Into a wall: 9 units/s gone in one frame knocks at full strength; a
    // softer knock is weaker.
    place(0, Vector3(0, 0, 0), Vector3(-4, 0, 0));
    frames(1);
    ASSERT_EQ(scriptedRumbles().size(), 1u);
    EXPECT_FLOAT_EQ(scriptedRumbles()[0].strength, 1.0f);
    frames(30);
    place(0, Vector3(0, 0, 0), Vector3(0.5f, 0, 0));
    frames(1);
    ASSERT_EQ(scriptedRumbles().size(), 2u);
    EXPECT_GT(scriptedRumbles()[1].strength, 0.2f);
    EXPECT_LT(scriptedRumbles()[1].strength, 0.7f);
    frames(30);
    // Over a kerb: the wheels bounce while the car rolls on.
    place(0, Vector3(0, 0, 0), Vector3(6, 0, 0));
    frames(30);
    const size_t before = scriptedRumbles().size();
    for (float& s : session.cars[0].suspension) s = s > 0.8f ? 0.7f : 0.9f;
    frames(1);
    ASSERT_EQ(scriptedRumbles().size(), before + 1);
    EXPECT_LT(scriptedRumbles().back().strength, 0.5f);
    frames(30);
    // Nitro hums at a low strength, halved with the setting at 50 %.
    controlSettings.rumbleStrength = 50;
    input.keys[VK_SPACE] = true;
    session.cars[0].nitro = 100.0f;
    const size_t humStart = scriptedRumbles().size();
    frames(1);
    ASSERT_EQ(scriptedRumbles().size(), humStart + 1);
    EXPECT_LT(scriptedRumbles().back().strength, 0.15f);
    EXPECT_GT(scriptedRumbles().back().strength, 0.0f);
    // Off: nothing at all.
    controlSettings.rumbleStrength = 0;
    const size_t off = scriptedRumbles().size();
    place(0, Vector3(0, 0, 0), Vector3(-10, 0, 0));
    frames(20);
    EXPECT_EQ(scriptedRumbles().size(), off);
}

// A wheel that is no game controller: its assigned axes through the
// controller's shaping.
struct WheelCase {
    const char* name;
    bool inverted;
    float wheel;  // raw, the wheel's own direction
    float steer;  // the car's steering angle after one frame
};

const WheelCase kWheelCases[] = {
    {"TurnedRightSteersRight", false, 1.0f, -0.7f},
    {"HalfLeftIsHalfLock", false, -0.575f, 0.35f},
    {"AnInvertedAxisTurnsTheOtherWay", true, -0.575f, -0.35f},
    {"RestingInsideTheDeadZoneNeverDrifts", false, 0.1f, 0.0f},
};

class WheelSteers : public PlayerAnalogue, public ::testing::WithParamInterface<WheelCase> {};

TEST_P(WheelSteers, TheCarFollowsTheAxis) {
    const WheelCase& c = GetParam();
    scriptedSetController(false, false);
    scriptedSetJoystick(true);
    controlSettings.wheelAxes[WheelSteer] = WheelAxis{3, c.inverted, 0};
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    scriptedSetJoystickAxis(3, travel(c.wheel));
    frames(1);
    EXPECT_NEAR(session.cars[0].steer, c.steer, 1e-4f);
}

INSTANTIATE_TEST_SUITE_P(Cases, WheelSteers, ::testing::ValuesIn(kWheelCases),
                         [](const ::testing::TestParamInfo<WheelCase>& test) { return test.param.name; });

TEST_F(PlayerAnalogue, WheelPedalsRestingAtOneEndDriveInProportion) {
    scriptedSetJoystick(true);
    controlSettings.wheelAxes[WheelThrottle] = WheelAxis{1, false, -1};
    controlSettings.wheelAxes[WheelBrake] = WheelAxis{2, true, 1};
    scriptedSetJoystickAxis(1, -32768);
    scriptedSetJoystickAxis(2, 32767);
    // Both resting: no pedal at all.
    place(0, Vector3(0, 0, 0), Vector3(3, 0, 0));
    frames(1);
    EXPECT_EQ(session.cars[0].driveForce, 0.0f);
    // The throttle pressed to 0.575 of its travel from rest: half of
    // first's force beyond the dead zone.
    scriptedSetJoystickAxis(1, travel(2.0f * 0.575f - 1.0f));
    frames(1);
    EXPECT_NEAR(session.cars[0].driveForce, 0.5f * 140.0f * kP, 1e-2f);
    // The brake pressed all the way down at 4 units/s.
    scriptedSetJoystickAxis(1, -32768);
    scriptedSetJoystickAxis(2, -32768);
    place(0, Vector3(0, 0, 0), Vector3(4, 0, 0));
    frames(1);
    EXPECT_NEAR(session.cars[0].driveForce, -200.0f, 1e-2f);
}

TEST_F(PlayerAnalogue, AnUnpluggedWheelLetsGo) {
    scriptedSetController(false, false);
    scriptedSetJoystick(true);
    controlSettings.wheelAxes[WheelSteer] = WheelAxis{0, false, 0};
    place(0, Vector3(0, 0, 0), Vector3(5, 0, 0));
    scriptedSetJoystickAxis(0, travel(1.0f));
    frames(1);
    ASSERT_NEAR(session.cars[0].steer, -0.7f, 1e-6f);
    scriptedSetJoystick(false);
    frames(1);
    EXPECT_NEAR(session.cars[0].steer, -0.7f * (1.0f - 0.075f), 1e-5f);
}

}  // namespace
