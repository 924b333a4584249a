// Two scripted humans through the headless runner: they finish in the order
// their cars give, each timed apart, with laps near those of the faster car
// driven alone.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "race_fixture.h"

namespace {

// A number or boolean field of one JSON line of the runner; -999 without it.
double field(const std::string& line, const std::string& name) {
    const std::string key = "\"" + name + "\":";
    size_t at = line.find(key);
    if (at == std::string::npos) return -999.0;
    at += key.size();
    if (line.compare(at, 4, "true") == 0) return 1.0;
    if (line.compare(at, 5, "false") == 0) return 0.0;
    return strtod(line.c_str() + at, nullptr);
}

// The runner's lines for `arguments`; its exit status in *status.
std::vector<std::string> runSim(const std::string& arguments, int* status) {
    const std::string sim = std::string(KORVASK_BUILD_DIR) + "/korvask-sim";
    struct stat st;
    if (stat(sim.c_str(), &st) != 0) {
        ADD_FAILURE() << "needs " << sim;
        return {};
    }
    FILE* pipe = popen((sim + " " + arguments + " 2>&1").c_str(), "r");
    std::vector<std::string> lines;
    if (pipe == nullptr) return lines;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) lines.push_back(buffer);
    *status = pclose(pipe);
    return lines;
}

std::string carLine(const std::vector<std::string>& lines, int car) {
    for (const std::string& l : lines)
        if (field(l, "car") == car) return l;
    return "";
}

TEST(SplitSim, TwoHumansFinishInTheOrderTheirCarsGive) {
    // Player 1 in the strongest car, player 2 in the weakest.
    int status = -1;
    const std::vector<std::string> two = runSim("--race 1 --seed 7 --players 2 --cars 11,0", &status);
    std::string all;
    for (const std::string& l : two) all += l;
    ASSERT_TRUE(WIFEXITED(status)) << all;
    EXPECT_EQ(WEXITSTATUS(status), 0) << all;
    const std::string first = carLine(two, 0), second = carLine(two, 1);
    ASSERT_FALSE(first.empty()) << all;
    ASSERT_FALSE(second.empty()) << all;
    EXPECT_EQ(field(first, "human"), 1.0) << first;
    EXPECT_EQ(field(second, "human"), 1.0) << second;
    EXPECT_EQ(field(carLine(two, 2), "human"), 0.0) << all;
    EXPECT_EQ(field(first, "finished"), 1.0) << first;
    EXPECT_EQ(field(first, "laps"), 4.0) << first;
    // The weaker car is home within the 30 s the race waits, behind.
    EXPECT_EQ(field(second, "finished"), 1.0) << second;
    EXPECT_LT(field(first, "finishTime"), field(second, "finishTime")) << all;
    EXPECT_LT(field(first, "place"), field(second, "place")) << all;

    // The same car alone: its best lap as the split race's, within what
    // the other cars' contact can cost or give.
    const std::vector<std::string> one = runSim("--race 1 --seed 7 --car 11", &status);
    const std::string alone = carLine(one, 0);
    ASSERT_FALSE(alone.empty());
    const double bestAlone = field(alone, "bestLap"), bestSplit = field(first, "bestLap");
    ASSERT_GT(bestAlone, 0.0) << alone;
    EXPECT_NEAR(bestSplit, bestAlone, 0.08 * bestAlone) << first << alone;
}

}  // namespace
