// Our text settings file: lenient reading, clamping, round trip and the
// files it must never write over.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "state/state.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"

namespace {

std::string readText(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class GameSettings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir("base", 0777);
        std::strcpy(saves.savesFolder, "base");
        clearGameSettings();
    }
    void TearDown() override { clearGameSettings(); }
    TempFolder folder;
};

struct LineCase {
    const char* text;
    const char* key;
    const char* value;  // nullptr: the key must be absent
    int dropped;
};

TEST_F(GameSettings, LinesAreReadLeniently) {
    const LineCase cases[] = {
        {"difficulty = 2\n", "difficulty", "2", 0},
        {"  difficulty=0  \r\n", "difficulty", "0", 0},
        {"# difficulty = 2\n", "difficulty", nullptr, 0},
        {"difficulty 2\n", "difficulty", nullptr, 1},
        {"name = two words here\n", "name", "two words here", 0},
        {"bad key = 1\n", "bad key", nullptr, 1},
        {"a = 1\na = 3\n", "a", "3", 0},
        {"no_newline_at_end = 7", "no_newline_at_end", "7", 0},
        {"ctl = a\x01z\n", "ctl", nullptr, 1},
    };
    for (const LineCase& c : cases) {
        clearGameSettings();
        EXPECT_EQ(parseGameSettings(c.text, std::strlen(c.text)), c.dropped) << c.text;
        const char* value = settingText(c.key);
        if (c.value == nullptr) {
            EXPECT_EQ(value, nullptr) << c.text;
        } else {
            ASSERT_NE(value, nullptr) << c.text;
            EXPECT_STREQ(value, c.value) << c.text;
        }
    }
}

struct NumberCase {
    const char* value;
    int expected;
};

TEST_F(GameSettings, NumbersOutOfRangeAreClampedAndStoredBack) {
    const NumberCase cases[] = {{"1", 1}, {"-4", 0}, {"99", 2}, {"two", 1}, {"1.5", 1}, {"", 1}};
    for (const NumberCase& c : cases) {
        clearGameSettings();
        ASSERT_TRUE(setSettingText("difficulty", c.value));
        EXPECT_EQ(settingInt("difficulty", 1, 0, 2), c.expected) << '"' << c.value << '"';
        EXPECT_EQ(settingInt("difficulty", 1, 0, 2), c.expected) << "second read of " << c.value;
    }
    EXPECT_EQ(settingInt("absent", 5, 0, 10), 5);
}

TEST_F(GameSettings, UnknownKeysSurviveARoundTrip) {
    const std::string text = "# mine\nfuture_key = hello\nmusic_volume = 7\n";
    ASSERT_TRUE(writeBytes("base/settings.cfg", std::vector<uint8_t>(text.begin(), text.end())));
    readGameSettings();
    EXPECT_EQ(gameSettingsRead, GameSettingsRead::Read);
    setSettingInt("music_volume", 3);
    ASSERT_TRUE(writeGameSettings());
    clearGameSettings();
    readGameSettings();
    EXPECT_STREQ(settingText("future_key"), "hello");
    EXPECT_EQ(settingInt("music_volume", 10, 0, 10), 3);
}

TEST_F(GameSettings, BadFilesGiveDefaultsAndAreHandledSafely) {
    // Garbage and an oversized file are read as far as they make sense and
    // rewritten clean; a folder in the file's place is never written over.
    std::vector<uint8_t> garbage(4096);
    for (size_t i = 0; i < garbage.size(); i++) garbage[i] = (uint8_t)(i * 131 + 7);
    ASSERT_TRUE(writeBytes("base/settings.cfg", garbage));
    readGameSettings();
    EXPECT_EQ(settingInt("difficulty", 1, 0, 2), 1);
    EXPECT_TRUE(writeGameSettings());
    EXPECT_EQ(readText("base/settings.cfg").find('\x01'), std::string::npos);

    ASSERT_TRUE(writeBytes("base/settings.cfg", std::vector<uint8_t>(kMaxGameSettingsFileBytes + 1, 'a')));
    readGameSettings();
    EXPECT_EQ(gameSettingCount, 0);

    std::remove("base/settings.cfg");
    ASSERT_EQ(mkdir("base/settings.cfg", 0777), 0);
    readGameSettings();
    EXPECT_EQ(gameSettingsRead, GameSettingsRead::Unreadable);
    setSettingInt("difficulty", 2);
    EXPECT_TRUE(writeGameSettings());
    struct stat info;
    ASSERT_EQ(stat("base/settings.cfg", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(GameSettings, ActionsFollowTheirBoundKeys) {
    setDefaultKeyBindings();
    input.keys['N'] = true;
    EXPECT_FALSE(actionDown(BindNitro));
    keyBindings[BindNitro] = 'N';
    EXPECT_TRUE(actionDown(BindNitro));
    input.keys['N'] = false;
    setDefaultKeyBindings();
    EXPECT_EQ(keyBindings[BindNitro], VK_SPACE);
    EXPECT_FALSE(actionDown(kBindActions));
}

}  // namespace

// Keys the game does not know never crowd out its own: a file full of them
// keeps the options and the key bindings working and saved.
TEST_F(GameSettings, UnknownKeysLeaveRoomForTheGamesOwn) {
    struct Case {
        const char* name;
        int unknownBefore, unknownAfter;
        int dropped;
    } cases[] = {
        {"a few", 5, 0, 0},
        {"the limit", kMaxUnknownGameSettings, 0, 0},
        {"a table's worth before", kMaxGameSettings, 0, kMaxGameSettings - kMaxUnknownGameSettings},
        {"a table's worth around", kMaxGameSettings / 2, kMaxGameSettings / 2,
         kMaxGameSettings - kMaxUnknownGameSettings},
    };
    for (const Case& c : cases) {
        clearGameSettings();
        std::string text;
        for (int i = 0; i < c.unknownBefore; i++) text += "mod.before" + std::to_string(i) + " = 1\n";
        text += "difficulty = 2\nmusic_volume = 3\nkey.nitro = N\n";
        for (int i = 0; i < c.unknownAfter; i++) text += "mod.after" + std::to_string(i) + " = 1\n";
        EXPECT_EQ(parseGameSettings(text.data(), text.size()), c.dropped) << c.name;
        EXPECT_EQ(settingInt("difficulty", 1, 0, 2), 2) << c.name;
        EXPECT_EQ(settingInt("music_volume", 10, 0, 10), 3) << c.name;
        EXPECT_STREQ(settingText("key.nitro"), "N") << c.name;
        // The options screen's rows and every binding still take values.
        EXPECT_TRUE(setSettingText("effects_volume", "4")) << c.name;
        EXPECT_TRUE(setSettingText("graphics", "0")) << c.name;
        for (int a = 0; a < kBindActions; a++)
            EXPECT_TRUE(setSettingText(bindingSettingKey(a), "F5")) << c.name;
        const std::string saved = formatGameSettings();
        EXPECT_NE(saved.find("effects_volume = 4\n"), std::string::npos) << c.name;
        EXPECT_NE(saved.find("difficulty = 2\n"), std::string::npos) << c.name;
        // Unknown keys beyond the limit are refused, the first ones kept.
        EXPECT_EQ(setSettingText("mod.late", "1"), c.unknownBefore + c.unknownAfter < kMaxUnknownGameSettings)
            << c.name;
        EXPECT_NE(saved.find("mod.before0 = 1\n"), std::string::npos) << c.name;
    }
}
