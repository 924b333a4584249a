// The players line and the join screen: players join in the order their
// devices are pressed, a device already playing is refused with a notice,
// each chooses a car with their own keys, and Start hands every player's
// device and car to the race.
#include <cstring>

#include "frontend_gl_fixture.h"

namespace {

class JoinScreenTest : public FrontEndGl {
  protected:
    void SetUp() override {
        FrontEndGl::SetUp();
        setDefaultCareer();
        // Three cars open: 0, 3 and 5.
        for (bool& open : career.carAvailable) open = false;
        career.carAvailable[0] = career.carAvailable[3] = career.carAvailable[5] = true;
        frontEnd.quickRaceCar = 0;
    }
    void TearDown() override {
        setPlayerCount(1);
        frontEnd.playerCount = 1;
        FrontEndGl::TearDown();
    }
    static bool press(int vk) {
        const bool taken = menuKeyDown(vk, false);
        input.keys[vk] = false;
        return taken;
    }
    static std::string notice() {
        const char* text = currentPlayerNotice();
        return text != nullptr ? text : "";
    }
};

TEST_F(JoinScreenTest, ThePlayersLineStepsRoundOneToFour) {
    const int expected[] = {2, 3, 4, 1, 2};
    for (int e : expected) {
        stepPlayerCount(1);
        EXPECT_EQ(frontEnd.playerCount, e);
    }
    stepPlayerCount(-1);
    stepPlayerCount(-1);
    EXPECT_EQ(frontEnd.playerCount, 4);
}

TEST_F(JoinScreenTest, DevicesJoinInTurnAndOneDeviceTakesOnePlace) {
    frontEnd.playerCount = 3;
    openJoinScreen(JoinQuickRace);
    ASSERT_EQ(game.gameState, JoinScreen);
    EXPECT_TRUE(press(VK_LSHIFT));  // keys B's nitro
    EXPECT_TRUE(press(VK_UP));      // keys A
    EXPECT_EQ(frontEnd.joinedCount, 2);
    EXPECT_EQ(frontEnd.joinDevices[0], DriveKeysB);
    EXPECT_EQ(frontEnd.joinDevices[1], DriveKeysA);
    // Keys B again: refused, with a notice, and no third place taken.
    EXPECT_TRUE(press('W'));
    EXPECT_EQ(frontEnd.joinedCount, 2);
    EXPECT_NE(notice().find("already plays as Player 1"), std::string::npos) << notice();
    // The controller's own buttons join it as itself.
    EXPECT_TRUE(press(driveDeviceKey(DriveController1, BindNitro)));
    EXPECT_EQ(frontEnd.joinedCount, 3);
    EXPECT_EQ(frontEnd.joinDevices[2], DriveController1);
    // A key of no device is the menu's own.
    EXPECT_FALSE(joinScreenKey('Q', false));
}

TEST_F(JoinScreenTest, EachPlayerChoosesAmongTheOpenCarsWithTheirOwnKeys) {
    frontEnd.playerCount = 2;
    openJoinScreen(JoinQuickRace);
    press(VK_UP);      // player 1: keys A
    press(VK_LSHIFT);  // player 2: keys B
    ASSERT_EQ(frontEnd.joinCars[0], 0);
    ASSERT_EQ(frontEnd.joinCars[1], 0);
    press('D');  // keys B right: player 2 only, to the next open car
    EXPECT_EQ(frontEnd.joinCars[1], 3);
    EXPECT_EQ(frontEnd.joinCars[0], 0);
    press(VK_LEFT);  // keys A left: player 1 round to the last open car
    EXPECT_EQ(frontEnd.joinCars[0], 5);
    EXPECT_EQ(frontEnd.joinCars[1], 3);
}

TEST_F(JoinScreenTest, StartWaitsForEveryPlayerThenHandsEachTheirDeviceAndCar) {
    frontEnd.playerCount = 2;
    openJoinScreen(JoinQuickRace);
    press(VK_LSHIFT);
    press(VK_RETURN);
    EXPECT_EQ(game.gameState, JoinScreen);
    EXPECT_NE(notice().find("Waiting for Player 2"), std::string::npos) << notice();
    press(VK_UP);
    press(VK_RIGHT);  // player 2 (keys A) to car 3
    press(VK_RETURN);
    ASSERT_EQ(game.gameState, Race);
    EXPECT_EQ(raceRun.playerCount, 2);
    EXPECT_EQ(session.humanCount, 2);
    EXPECT_EQ(players[0].driveDevice, DriveKeysB);
    EXPECT_EQ(players[1].driveDevice, DriveKeysA);
    EXPECT_EQ(session.cars[0].model, 0);
    EXPECT_EQ(session.cars[1].model, 3);
    EXPECT_FLOAT_EQ(players[1].playerCarPower, raceRun.carTable[3].power);
}

TEST_F(JoinScreenTest, OnePlayerStartsAtOnceAndACareerRaceIsAlwaysOne) {
    setPlayerCount(3);
    frontEnd.playerCount = 1;
    game.gameState = QuickRaceMenu;
    frontEnd.mouseX = 700;
    frontEnd.mouseY = 192;  // row 1, "Start"
    menuClick();
    ASSERT_EQ(game.gameState, Race);
    EXPECT_EQ(session.humanCount, 1);
    unloadRace();
    setPlayerCount(3);
    frontEnd.selectedRace = 1;
    startCareerRace();
    EXPECT_EQ(session.humanCount, 1);
}

TEST_F(JoinScreenTest, EscLeadsBackToTheScreenTheJoinCameFrom) {
    frontEnd.playerCount = 2;
    openJoinScreen(JoinPractice);
    EXPECT_TRUE(press(VK_ESCAPE));
    EXPECT_EQ(game.gameState, PracticeMenu);
}

}  // namespace
