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

namespace {

uint32_t bigEndian(const std::string& s, size_t at) {
    return ((uint32_t)(uint8_t)s[at] << 24) | ((uint32_t)(uint8_t)s[at + 1] << 16) |
           ((uint32_t)(uint8_t)s[at + 2] << 8) | (uint32_t)(uint8_t)s[at + 3];
}

// The PNGs the tool writes: 8-bit RGB in stored deflate blocks, filter 0 rows.
bool readStoredPng(const std::string& path, int* width, int* height, std::vector<uint8_t>* rgb) {
    std::ifstream in(path, std::ios::binary);
    std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (s.size() < 8 || s.compare(1, 3, "PNG") != 0) return false;
    std::string idat;
    for (size_t at = 8; at + 12 <= s.size();) {
        const uint32_t length = bigEndian(s, at);
        if (at + 12 + length > s.size()) return false;
        const std::string type = s.substr(at + 4, 4);
        if (type == "IHDR") {
            *width = (int)bigEndian(s, at + 8);
            *height = (int)bigEndian(s, at + 12);
        } else if (type == "IDAT") {
            idat += s.substr(at + 8, length);
        }
        at += 12 + length;
    }
    std::string raw;
    for (size_t at = 2; at + 5 <= idat.size();) {
        const bool last = idat[at] & 1;
        const size_t length = (uint8_t)idat[at + 1] | ((size_t)(uint8_t)idat[at + 2] << 8);
        if (at + 5 + length > idat.size()) return false;
        raw += idat.substr(at + 5, length);
        at += 5 + length;
        if (last) break;
    }
    const size_t stride = (size_t)*width * 3 + 1;
    if (*width <= 0 || *height <= 0 || raw.size() != stride * (size_t)*height) return false;
    rgb->clear();
    for (int y = 0; y < *height; y++)
        rgb->insert(rgb->end(), raw.begin() + y * stride + 1, raw.begin() + (y + 1) * stride);
    return true;
}

TEST(ShotScreens, EveryMenuScreenRenders) {
    const std::string tool = std::string(KORVASK_BUILD_DIR) + "/korvask-shot";
    struct stat st;
    if (stat(tool.c_str(), &st) != 0) GTEST_SKIP() << "needs korvask-shot in " << KORVASK_BUILD_DIR;
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
