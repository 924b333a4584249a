// The race's stings: which one a lap or the finish rings, and only once.
#include "race/race_local.h"
#include "race_fixture.h"

TEST(RaceCues, EachLapAfterTheFirstAndTheFinishByPlaceRingOnce) {
    resetRaceGlobals();
    RigidBody* fakeBody = reinterpret_cast<RigidBody*>(&session.cars[0]);  // only tested for null
    session.cars[0].body = fakeBody;
    session.lapCount = 4;
    struct Frame {
        bool countdown, finished;
        int lap, place;
        const SoundEffect* heard;
    };
    const Frame frames[] = {
        {true, false, 0, 4, nullptr},
        {false, false, 0, 4, nullptr},
        {false, false, 1, 4, nullptr},  // the first pass of the line
        {false, false, 2, 3, &soundLapSting},
        {false, false, 2, 3, nullptr},
        {false, false, 3, 2, &soundLapSting},
        {false, false, 4, 2, &soundLastLapSting},
        {false, false, 4, 2, nullptr},
        {false, true, 4, 2, &soundFinishPodium},
        {false, true, 4, 2, nullptr},
        // The next race: the countdown forgets the last one.
        {true, false, 0, 4, nullptr},
        {false, false, 1, 4, nullptr},
        {false, false, 2, 4, &soundLapSting},
        {false, true, 2, 1, &soundFinishWin},
    };
    int at = 0;
    for (const Frame& f : frames) {
        session.countdownRunning = f.countdown;
        session.raceFinished = f.finished;
        session.cars[0].lap = f.lap;
        players[0].playerPlace = f.place;
        EXPECT_EQ(updateRaceCues(), f.heard) << "frame " << at;
        at++;
    }
    const SoundEffect* byPlace[4] = {&soundFinishWin, &soundFinishPodium, &soundFinishPodium,
                                     &soundFinishLast};
    for (int place = 1; place <= 4; place++) EXPECT_EQ(finishSting(place), byPlace[place - 1]) << place;
    EXPECT_EQ(lapSting(3, 3), &soundLastLapSting);
    EXPECT_EQ(lapSting(1, 1), nullptr);
    session.cars[0].body = nullptr;
    resetRaceGlobals();
}
