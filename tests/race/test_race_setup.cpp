// Waypoint file, car table, grid and the race world's cars.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "race_fixture.h"

static void putInt(std::vector<unsigned char>& out, int32_t v) {
    uint32_t u = (uint32_t)v;
    for (int i = 0; i < 4; i++) out.push_back((unsigned char)(u >> (8 * i)));
}

static std::vector<unsigned char> waypointFile(int32_t declared, int points) {
    std::vector<unsigned char> out;
    putInt(out, declared);
    for (int i = 0; i < points; i++) {
        putInt(out, i * 10);
        putInt(out, -5 - i);
        putInt(out, -i * 7);
        putInt(out, 3);
        putInt(out, 100 + i);
    }
    return out;
}

TEST(Waypoints, ReadsPointsInFileOrder) {
    std::vector<unsigned char> file = waypointFile(3, 3);
    parseWaypoints(file.data(), file.size());
    ASSERT_EQ(session.checkpointCount, 3);
    EXPECT_EQ(session.checkpoints[2].x, 20.0f);
    EXPECT_EQ(session.checkpoints[2].y, -7.0f);
    EXPECT_EQ(session.checkpoints[2].z, -14.0f);
    EXPECT_EQ(session.checkpoints[2].w, 3.0f);
    EXPECT_EQ(session.checkpoints[2].tag, 102);
}

TEST(Waypoints, LyingOrTruncatedFilesStayInsideTheTable) {
    // More points than the table holds: the first 150 are kept.
    std::vector<unsigned char> file = waypointFile(200, 200);
    parseWaypoints(file.data(), file.size());
    EXPECT_EQ(session.checkpointCount, kMaxCheckpoints);
    EXPECT_EQ(session.checkpoints[149].tag, 249);

    // A count that claims more than the file holds keeps what is there.
    file = waypointFile(1000000, 10);
    parseWaypoints(file.data(), file.size());
    EXPECT_EQ(session.checkpointCount, 10);
    file = waypointFile(-4, 10);
    parseWaypoints(file.data(), file.size());
    EXPECT_EQ(session.checkpointCount, 0);

    // Cut at every byte: only whole points count.
    file = waypointFile(5, 5);
    for (size_t cut = 0; cut <= file.size(); cut++) {
        std::vector<unsigned char> part(file.begin(), file.begin() + cut);
        parseWaypoints(part.data(), part.size());
        int whole = cut < 4 ? 0 : (int)((cut - 4) / 20);
        EXPECT_EQ(session.checkpointCount, whole) << cut;
    }
}

TEST(Waypoints, AMissingFileGivesAnEmptyTable) {
    std::vector<unsigned char> file = waypointFile(3, 3);
    parseWaypoints(file.data(), file.size());
    readWaypoints(99);  // no such map
    EXPECT_EQ(session.checkpointCount, 0);
    EXPECT_EQ(session.checkpoints[0].x, 0.0f);
}

// A quick race drives a car with its row's ratings untuned, and the garage
// shows them as bars that end at 1; the wheels are drawn at the offsets.
TEST(CarTable, EveryCarGetsRatingsTheBarsCanShowAndWheelsOnItsBody) {
    memset(raceRun.carTable, 0, sizeof raceRun.carTable);
    initCarTable();
    for (int i = 0; i < kCarModels; i++) {
        const CarTableRow& row = raceRun.carTable[i];
        for (float rating : {row.power, row.maxSpeed, row.suspensionRating}) {
            EXPECT_GE(rating, 0.5f) << "car " << i;
            EXPECT_LE(rating, 1.0f) << "car " << i;
        }
        EXPECT_GT(row.frontWheelOffset, 0.0f) << "car " << i;
        EXPECT_GT(row.rearWheelOffset, 0.0f) << "car " << i;
    }
}

TEST(Grid, SharedOriginsAndOutOfTableNumbersClamp) {
    auto same = [](const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; };
    EXPECT_TRUE(same(gridOrigin(1), gridOrigin(5)));
    EXPECT_TRUE(same(gridOrigin(1), gridOrigin(13)));
    EXPECT_TRUE(same(gridOrigin(2), gridOrigin(8)));
    EXPECT_TRUE(same(gridOrigin(2), gridOrigin(12)));
    EXPECT_TRUE(same(gridOrigin(3), gridOrigin(9)));
    EXPECT_FALSE(same(gridOrigin(1), gridOrigin(2)));
    EXPECT_EQ(gridOrigin(7).x, 237.0f);
    EXPECT_TRUE(same(gridOrigin(16), gridOrigin(15)));
    EXPECT_TRUE(same(gridOrigin(20), gridOrigin(15)));
    EXPECT_TRUE(same(gridOrigin(0), gridOrigin(1)));
    EXPECT_TRUE(same(gridOrigin(-3), gridOrigin(1)));
}

TEST(RaceWorld, BuildsFourDistinctCarsOnTheGrid) {
    for (int seed = 1; seed <= 40; seed++) {
        resetRaceGlobals();
        srand((unsigned)seed);
        players[0].playerCarModel = seed % kCarModels;
        buildRaceWorld();
        ASSERT_NE(session.raceWorld, nullptr);
        EXPECT_EQ(session.cars[0].model, players[0].playerCarModel);
        for (int i = 0; i < kRaceCars; i++) {
            ASSERT_NE(session.cars[i].body, nullptr);
            EXPECT_EQ(session.cars[i].index, i);
            EXPECT_EQ(session.cars[i].nitro, 100.0f);
            EXPECT_EQ(getUserData(session.cars[i].body), &session.cars[i]);
            for (int j = 0; j < i; j++) EXPECT_NE(session.cars[i].model, session.cars[j].model) << seed;
            Vector3 p = getPosition(session.cars[i].body);
            Vector3 origin = gridOrigin(1);
            EXPECT_EQ(p.x, origin.x);
            EXPECT_EQ(p.z, origin.z + 4.5f * (float)i);
        }
        // The cabin's box gives every axis 2/3 x 100 x 2.6 x 2.6.
        Vector3 inertia = getInertia(session.cars[0].body);
        EXPECT_NEAR(inertia.x, 2.0f / 3.0f * 100.0f * 2.6f * 2.6f, 0.01f);
        EXPECT_EQ(getMass(session.cars[0].body), 100.0f);
        destroyWorld(session.raceWorld);
        session.raceWorld = nullptr;
        for (int i = 0; i < kRaceCars; i++) session.cars[i].body = nullptr;
    }
}

// Every circuit has a name of its own that fits the records table's column.
TEST(CircuitNames, OneNameEachThatFitsItsColumn) {
    std::set<std::string> names;
    for (int race = 1; race <= kRecordCircuits; race++) {
        const std::string name = circuitName(race);
        EXPECT_FALSE(name.empty()) << race;
        EXPECT_LE(name.size(), 14u) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(kRecordCircuits));
    EXPECT_STREQ(circuitName(0), "");
    EXPECT_STREQ(circuitName(16), "");
}
