// korvask-shot's menu screens: every screen name renders through the game's
// dispatcher to a PNG of the asked resolution that is a picture, not a blank.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "stored_png.h"

namespace {

TEST(ShotScreens, EveryMenuScreenRenders) {
    const std::string tool = std::string(KORVASK_BUILD_DIR) + "/korvask-shot";
    struct stat st;
    if (stat(tool.c_str(), &st) != 0) FAIL() << "needs korvask-shot in " << KORVASK_BUILD_DIR;
    const char* const screens[] = {"main",    "career", "garage", "tuning", "citymap",
                                   "options", "pause",  "quit",   "info",   "result"};
    for (const char* screen : screens) {
        const std::string out = "/tmp/korvask-shot-" + std::to_string(getpid()) + "-" + screen + ".png";
        const std::string command = tool + " --screen " + screen + " --resolution 0 --draw-frames 2 --out " +
                                    out + " > /dev/null 2>&1";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << screen;
        EXPECT_EQ(WEXITSTATUS(status), 0) << screen;
        int width = 0, height = 0;
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(readStoredPng(out, &width, &height, &rgb)) << screen;
        std::remove(out.c_str());
        EXPECT_EQ(width, 640) << screen;
        EXPECT_EQ(height, 480) << screen;
        long sum = 0;
        uint8_t low = 255, high = 0;
        for (uint8_t v : rgb) {
            sum += v;
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
        EXPECT_GT(sum / (long)rgb.size(), 8) << screen << ": too dark to be a picture";
        EXPECT_GT(high - low, 150) << screen << ": no text or buttons";
    }
    // An unknown screen is refused with the usage text.
    const int status = std::system((tool + " --screen lobby > /dev/null 2>&1").c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
