// The result screen's table: the four cars in finishing order, the player
// where "You finished" puts it, opponents still racing ranked by progress.
#include <gtest/gtest.h>

#include <string>

#include "frontend/frontend.h"
#include "race/race.h"
#include "shell/shell.h"

namespace {

ResultRow finished(int car, float total) {
    return ResultRow{car, true, total, 0.0f, 0, 0.0f};
}
ResultRow racing(int car, int progress, float toNext) {
    return ResultRow{car, false, 0.0f, 0.0f, progress, toNext};
}

struct OrderCase {
    const char* name;
    ResultRow rows[kResultRows];  // cars 0..3 in index order
    int place;
    int order[kResultRows];  // cars from first to last
};

class ResultOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ResultOrder, FinishedByTimeThenRacingByProgress) {
    const OrderCase& c = GetParam();
    ResultRow rows[kResultRows];
    for (int i = 0; i < kResultRows; i++) rows[i] = c.rows[i];
    orderResults(rows, c.place);
    for (int i = 0; i < kResultRows; i++) EXPECT_EQ(rows[i].car, c.order[i]) << "row " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResultOrder,
    ::testing::Values(
        // One rival finished ahead; of the two still racing, the one with more
        // checkpoints passed is ahead although it has the higher index.
        OrderCase{"OneRivalStillRacingAhead",
                  {finished(0, 30000), racing(1, 40, 5), finished(2, 29000), racing(3, 41, 90)},
                  2,
                  {2, 0, 3, 1}},
        // A win: every rival still racing; equal progress goes to the car
        // nearer its next checkpoint.
        OrderCase{"WinWithRivalsLevel",
                  {finished(0, 30000), racing(1, 40, 50), racing(2, 40, 20), racing(3, 39, 1)},
                  1,
                  {0, 2, 1, 3}},
        // Finishers are ranked by their time, not their index.
        OrderCase{"RivalsFinishedInReverse",
                  {finished(0, 30000), finished(1, 29500), finished(2, 29000), finished(3, 28000)},
                  4,
                  {3, 2, 1, 0}},
        // A place out of range keeps the player on the table.
        OrderCase{"PlaceOutOfRange",
                  {finished(0, 30000), racing(1, 3, 0), racing(2, 2, 0), racing(3, 1, 0)},
                  9,
                  {1, 2, 3, 0}}),
    [](const ::testing::TestParamInfo<OrderCase>& test) { return std::string(test.param.name); });

TEST(ResultRows, PlayerFromTheRaceClocksOpponentsFromTheirOwnTimes) {
    resetRaceInfo();
    session.raceFinished = true;
    session.raceTime = RaceClock{4, 2, 50.0f};
    players[0].bestLapTime = RaceClock{0, 58, 7.0f};
    session.cars[0].lap = 4;
    session.carRaceTimes[2].finished = true;
    session.carRaceTimes[2].finishTime = 24000.0f;
    session.carRaceTimes[2].bestLap = 5800.0f;
    ResultRow rows[kResultRows];
    gatherResultRows(rows);
    EXPECT_TRUE(rows[0].finished);
    EXPECT_FLOAT_EQ(rows[0].total, 24250.0f);
    EXPECT_FLOAT_EQ(rows[0].bestLap, 5807.0f);
    EXPECT_TRUE(rows[2].finished);
    EXPECT_FLOAT_EQ(rows[2].total, 24000.0f);
    EXPECT_FALSE(rows[1].finished);
    session.raceFinished = false;
}

}  // namespace
