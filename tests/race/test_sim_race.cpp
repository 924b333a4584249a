// Whole races through the headless runner: the scripted driver must finish
// and the opponents must keep up, on two of the real maps; driving by a
// virtual controller's stick and triggers, a clean lap.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>
#include <vector>

#include "race_fixture.h"

static bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

// Pulls an integer or boolean field out of one JSON line of the runner.
static long field(const std::string& line, const std::string& name) {
    std::string key = "\"" + name + "\":";
    size_t at = line.find(key);
    if (at == std::string::npos) return -999;
    at += key.size();
    if (line.compare(at, 4, "true") == 0) return 1;
    if (line.compare(at, 5, "false") == 0) return 0;
    return strtol(line.c_str() + at, nullptr, 10);
}

// laps > 0: that many laps by the controller, without a reset.
static void runRace(int race, int padLaps = 0) {
    const std::string build = KORVASK_BUILD_DIR;
    const std::string sim = build + "/korvask-sim";
    char mapFile[64];
    snprintf(mapFile, sizeof mapFile, "/base/maps/%d/map.ms3d", race);
    if (!exists(sim) || !exists(build + mapFile)) {
        FAIL() << "needs korvask-sim and the generated maps in " << build;
    }
    std::string command = sim + " --race " + std::to_string(race) + " --seed 7";
    if (padLaps > 0) command += " --pad --laps " + std::to_string(padLaps);
    command += " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> lines;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) lines.push_back(buffer);
    int status = pclose(pipe);
    std::string all;
    for (const std::string& l : lines) all += l;
    ASSERT_TRUE(WIFEXITED(status)) << all;
    EXPECT_EQ(WEXITSTATUS(status), 0) << all;
    int carsSeen = 0;
    for (const std::string& line : lines) {
        long car = field(line, "car");
        if (car < 0) continue;
        carsSeen++;
        if (car == 0) {
            EXPECT_EQ(field(line, "finished"), 1) << line;
            EXPECT_EQ(field(line, "laps"), padLaps > 0 ? padLaps : 4) << line;
            if (padLaps > 0) {
                EXPECT_EQ(field(line, "resets"), 0) << line;
            }
        } else if (padLaps > 0) {
            // One lap is too short to judge the opponents by.
        } else {
            EXPECT_GE(field(line, "laps"), 3) << line;
        }
        EXPECT_EQ(field(line, "leftMap"), 0) << line;
    }
    EXPECT_EQ(carsSeen, 4) << all;
}

TEST(SimRace, FinishesRaceOne) {
    runRace(1);
}
TEST(SimRace, FinishesRaceSeven) {
    runRace(7);
}
TEST(SimRace, ControllerDrivesACleanLapOfRaceOne) {
    runRace(1, 1);
}
