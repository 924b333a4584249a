// The golden run: one fixed race through the race runner's own start and
// driver, whose final car states hash to a recorded value. A change to the
// physics or the race rules that moves any car by a single bit fails here.
//
// To change the value on purpose (a change meant to alter the driving): run
//   ./tests/test_race --gtest_filter='GoldenRun.*'
// from the build folder, check with korvask-sim --race 1 --seed 7 that the
// race still looks right, and put the hash the failure prints into kGoldenHash.
// The physics is built with -ffp-contract=off, so the value holds for every
// build of the same code on x86-64.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>

#include "platform/scripted.h"
#include "race/race.h"
#include "race_fixture.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"

namespace {

constexpr int kGoldenRace = 1;
constexpr int kGoldenCar = 0;
constexpr unsigned kGoldenSeed = 7;
// Enough for the whole race: the countdown, four laps with the bumps between
// the cars, and the finish.
constexpr int kGoldenFrames = 12000;
constexpr uint64_t kGoldenHash = 0x038a897f669a9baa;

// 64-bit FNV-1a over the exact bits of each value.
struct StateHash {
    uint64_t value = 14695981039346656037ull;
    void bytes(const void* data, size_t size) {
        const unsigned char* p = (const unsigned char*)data;
        for (size_t i = 0; i < size; i++) value = (value ^ p[i]) * 1099511628211ull;
    }
    void number(float f) { bytes(&f, sizeof f); }
    void number(int n) { bytes(&n, sizeof n); }
    void vector(const Vector3& v) {
        number(v.x);
        number(v.y);
        number(v.z);
    }
};

uint64_t carStateHash() {
    StateHash h;
    for (const Car& car : session.cars) {
        h.vector(getPosition(car.body));
        const Matrix3 r = getRotation(car.body);
        for (int row = 0; row < 3; row++) h.vector(r.rows[row]);
        h.vector(getLinearVelocity(car.body));
        h.vector(getAngularVelocity(car.body));
        h.number(car.rpm);
        h.number(car.steer);
        h.number(car.nitro);
        h.number(car.gear);
        h.number(car.lap);
        h.number(car.nextCheckpoint);
        h.number(car.checkpointsPassed);
        h.number(car.aiWaypoint);
    }
    h.number(session.raceTimer);
    return h.value;
}

}  // namespace

TEST(GoldenRun, AFixedRaceEndsInTheRecordedCarStates) {
    struct stat st;
    if (stat("base/maps/1/map.ms3d", &st) != 0) FAIL() << "needs the generated maps (korvask-content base)";
    // As a fresh korvask-sim process starts: other tests of this binary may
    // have left keys or race values behind.
    resetRaceGlobals();
    scriptedReset();
    ASSERT_TRUE(openSimWindow());
    ASSERT_TRUE(loadSimRace(kGoldenRace, kGoldenCar, kGoldenSeed));
    DriverState driver{};
    for (int frame = 0; frame < kGoldenFrames && !session.raceFinished; frame++) {
        scriptedDriverKeys(session.cars[0], driver);
        updateStandings();
        raceStep(frameClock.frameFactor);
        tickCountdown(frameClock.frameFactor);
    }
    for (const Car& car : session.cars) ASSERT_NE(car.body, nullptr);
    EXPECT_EQ(carStateHash(), kGoldenHash) << "final car states hash to 0x" << std::hex << carStateHash()
                                           << "; see the top of this file before changing the value";
    unloadRace();
    scriptedCloseGLWindow();
}
