// Windows-style content paths, whole-file reads and atomic replacement.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"

namespace {

std::string normalise(const char* path, size_t outSize = 256) {
    char out[256];
    platformNormalisePath(path, out, outSize);
    return out;
}

TEST(Paths, WindowsStyleNamesBecomeRelativeSlashPaths) {
    EXPECT_EQ(normalise(".\\base\\menu.inf"), "base/menu.inf");
    EXPECT_EQ(normalise("base/career.inf"), "base/career.inf");
    EXPECT_EQ(normalise(".\\base\\music\\1.ogg"), "base/music/1.ogg");
    EXPECT_EQ(normalise("./base/x.bmp"), "base/x.bmp");
    EXPECT_EQ(normalise(".\\.\\base"), "base");
    EXPECT_EQ(normalise("..\\up\\file"), "../up/file");
    EXPECT_EQ(normalise(".hidden"), ".hidden");
    EXPECT_EQ(normalise(""), "");
    // A short buffer truncates instead of overflowing.
    EXPECT_EQ(normalise(".\\base\\menu.inf", 5), "base");
    char guard[4] = {'x', 'x', 'x', 'x'};
    platformNormalisePath("abcdef", guard, 3);
    EXPECT_EQ(std::string(guard), "ab");
    EXPECT_EQ(guard[3], 'x');
}

class Files : public ::testing::Test {
  protected:
    void SetUp() override {
        char* cwd = getcwd(nullptr, 0);
        previous = cwd;
        std::free(cwd);
        char pattern[] = "/tmp/korvask-files-XXXXXX";
        folder = mkdtemp(pattern);
        ASSERT_EQ(chdir(folder.c_str()), 0);
    }
    void TearDown() override {
        ASSERT_EQ(chdir(previous.c_str()), 0);
        std::filesystem::remove_all(folder);
    }
    std::string previous, folder;
};

TEST_F(Files, BothSpellingsOpenTheSameFile) {
    const char text[] = "menu";
    ASSERT_TRUE(platformWriteFileAtomic(".\\base\\menu.inf", text, 4));
    FILE* f = platformOpenFile("base/menu.inf", "rb");
    ASSERT_NE(f, nullptr);
    char back[8] = {};
    EXPECT_EQ(std::fread(back, 1, sizeof(back), f), 4u);
    std::fclose(f);
    EXPECT_STREQ(back, "menu");

    std::vector<uint8_t> bytes;
    ASSERT_TRUE(platformReadFile(".\\base\\menu.inf", &bytes));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "menu");
}

TEST_F(Files, MissingFileReadsAsNothing) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(platformReadFile("base/none.inf", &bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(platformOpenFile(".\\base\\none.inf", "rb"), nullptr);
}

TEST_F(Files, AtomicWriteReplacesAndLeavesNoTemporary) {
    std::vector<uint8_t> big(200000);
    for (size_t i = 0; i < big.size(); i++) {
        big[i] = (uint8_t)(i * 7);
    }
    ASSERT_TRUE(platformWriteFileAtomic("deep/er/file.bin", big.data(), big.size()));
    ASSERT_TRUE(platformWriteFileAtomic("deep/er/file.bin", "ab", 2));
    std::vector<uint8_t> back;
    ASSERT_TRUE(platformReadFile("deep/er/file.bin", &back));
    EXPECT_EQ(back, (std::vector<uint8_t>{'a', 'b'}));
    struct stat st;
    EXPECT_NE(stat("deep/er/file.bin.tmp", &st), 0);

    // When the temporary cannot be made the old file stays whole.
    ASSERT_EQ(mkdir("deep/er/file.bin.tmp", 0777), 0);
    EXPECT_FALSE(platformWriteFileAtomic("deep/er/file.bin", big.data(), big.size()));
    ASSERT_TRUE(platformReadFile("deep/er/file.bin", &back));
    EXPECT_EQ(back.size(), 2u);
}

}  // namespace
