// The settings table: bad values mended once with one line, every row through
// the file and back beside keys the game does not know, steps held to ranges.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "state/state.h"
#include "state/state_local.h"
#include "support/temp_folder.h"

namespace {

class SettingsTable : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir("base", 0777);
        std::strcpy(saves.savesFolder, "base");
        clearGameSettings();
    }
    void TearDown() override {
        clearGameSettings();
        setDefaultInputSettings();
    }
    TempFolder folder;
};

int lines(const std::string& text) {
    int n = 0;
    for (char c : text) n += c == '\n' ? 1 : 0;
    return n;
}

struct BadValueCase {
    Setting setting;
    const char* text;
    int expected;        // the value read (tenths for a Tenths row)
    const char* stored;  // the file's text after the read; nullptr: left out
    const char* said;    // part of the one stderr line
};

TEST_F(SettingsTable, BadValuesAreMendedOnceWithOneLine) {
    const BadValueCase cases[] = {
        {Setting::MusicVolume, "14", 10, "10", "out of range 0..10"},
        {Setting::MusicVolume, "-1", 0, "0", "music_volume = -1"},
        {Setting::EffectsVolume, "loud", 10, "10", "\"loud\" is not a number"},
        {Setting::Difficulty, "7", 3, "3", "difficulty = 7"},
        {Setting::Difficulty, "2.5", 3, "3", "not a number"},
        {Setting::Graphics, "-9", 0, "0", "graphics = -9"},
        {Setting::PadDeadZone, "51", 50, "50", "pad.dead_zone = 51"},
        {Setting::PadRumble, "1e3", 60, "60", "not a number"},
        {Setting::KeysSteerAssist, "2", 1, "1", "keys.steer_assist = 2"},
        {Setting::PadSensitivity, "9.5", 20, "2.0", "pad.sensitivity = 9.5 is out of range 0.5..2.0"},
        {Setting::PadSensitivity, "nan", 10, "1.0", "pad.sensitivity = \"nan\""},
        {Setting::PadLinearity, "", 15, "1.5", "pad.linearity = \"\""},
        {Setting::PadLinearity, "0.2", 10, "1.0", "pad.linearity"},
        {Setting::Display, "tv", -1, nullptr, "display = \"tv\" is not window, fullscreen or desktop"},
    };
    for (const BadValueCase& c : cases) {
        clearGameSettings();
        const char* key = settingKey(c.setting);
        ASSERT_TRUE(setSettingText(key, c.text)) << key;
        testing::internal::CaptureStderr();
        EXPECT_EQ(settingValue(c.setting), c.expected) << key << " = " << c.text;
        const std::string first = testing::internal::GetCapturedStderr();
        EXPECT_EQ(lines(first), 1) << first;
        EXPECT_NE(first.find(c.said), std::string::npos) << first;
        // Mended in the file's text, so the next read has nothing to say.
        if (c.stored == nullptr)
            EXPECT_EQ(settingText(key), nullptr) << key;
        else
            EXPECT_STREQ(settingText(key), c.stored) << key;
        testing::internal::CaptureStderr();
        EXPECT_EQ(settingValue(c.setting), c.expected) << "second read of " << key << " = " << c.text;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << key;
    }
}

TEST_F(SettingsTable, GoodValuesAreReadSilently) {
    const struct {
        Setting setting;
        const char* text;
        int expected;
    } cases[] = {
        {Setting::MusicVolume, "0", 0},         {Setting::Difficulty, "3", 3},
        {Setting::PadDeadZone, "50", 50},       {Setting::PadSensitivity, "0.5", 5},
        {Setting::PadLinearity, "3", 30},       {Setting::Display, "desktop", DisplayDesktop},
        {Setting::FirstKey, "Space", VK_SPACE}, {Setting::FirstSecondKey, "None", kNoKey},
    };
    for (const auto& c : cases) {
        clearGameSettings();
        ASSERT_TRUE(setSettingText(settingKey(c.setting), c.text));
        testing::internal::CaptureStderr();
        EXPECT_EQ(settingValue(c.setting), c.expected) << c.text;
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << c.text;
    }
}

// A value in range other than the row's default: the far end of its range,
// or for a key a letter no other row starts with.
int otherValue(Setting setting, int index) {
    const SettingRow& row = settingRow(setting);
    if (row.type == SettingType::Key) return 'E' + index % 20;
    return row.initial == row.hi ? row.lo : row.hi;
}

TEST_F(SettingsTable, EveryRowRoundTripsThroughTheFileBesideUnknownKeys) {
    const std::string text = "future_key = hello\n# a comment\nmod.z = 1\n";
    ASSERT_EQ(parseGameSettings(text.data(), text.size()), 0);
    for (int i = 0; i < kSettingCount; i++) {
        const Setting setting = static_cast<Setting>(i);
        // Nothing in the file: the row's default.
        EXPECT_EQ(settingValue(setting), settingRow(setting).initial) << settingKey(setting);
        setSettingValue(setting, otherValue(setting, i));
    }
    ASSERT_TRUE(writeGameSettings());
    clearGameSettings();
    readGameSettings();
    EXPECT_EQ(gameSettingsRead, GameSettingsRead::Read);
    for (int i = 0; i < kSettingCount; i++) {
        const Setting setting = static_cast<Setting>(i);
        EXPECT_EQ(settingValue(setting), otherValue(setting, i)) << settingKey(setting);
        EXPECT_TRUE(ownSettingKey(settingKey(setting))) << settingKey(setting);
    }
    EXPECT_STREQ(settingText("future_key"), "hello");
    EXPECT_STREQ(settingText("mod.z"), "1");
    EXPECT_FALSE(ownSettingKey("future_key"));
    // The file keeps the unknown keys first, where they were.
    const std::string saved = formatGameSettings();
    EXPECT_LT(saved.find("future_key = hello\nmod.z = 1\n"), saved.find(settingKey(Setting::MusicVolume)));
    EXPECT_NE(saved.find("pad.sensitivity = 2.0\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("display = desktop\n"), std::string::npos) << saved;
}

struct StepCase {
    Setting setting;
    int start;
    int direction;
    int steps;
    int expected;
};

TEST_F(SettingsTable, StepsStayInTheRowsRangesAndWrapWhereTheyShould) {
    const StepCase cases[] = {
        {Setting::MusicVolume, 10, 1, 3, 10},   {Setting::MusicVolume, 2, -1, 5, 0},
        {Setting::Difficulty, 3, 1, 1, 0},      {Setting::Difficulty, 0, -1, 1, 3},
        {Setting::Graphics, 1, 1, 6, 3},        {Setting::PadDeadZone, 40, 1, 5, 50},
        {Setting::PadDeadZone, 10, -1, 1, 5},   {Setting::PadSensitivity, 19, 1, 4, 20},
        {Setting::PadLinearity, 12, -1, 9, 10}, {Setting::PadRumble, 60, -1, 8, 0},
        {Setting::PadSteerAssist, 0, -1, 1, 1}, {Setting::KeysSteerAssist, 1, 1, 3, 0},
    };
    for (const StepCase& c : cases) {
        clearGameSettings();
        setSettingValue(c.setting, c.start);
        const SettingRow& row = settingRow(c.setting);
        for (int i = 0; i < c.steps; i++) {
            stepSetting(c.setting, c.direction);
            const int now = settingValue(c.setting);
            EXPECT_GE(now, row.lo) << row.key;
            EXPECT_LE(now, row.hi) << row.key;
        }
        EXPECT_EQ(settingValue(c.setting), c.expected) << row.key << " from " << c.start;
    }
    // A row held at its end says it stayed.
    setSettingValue(Setting::MusicVolume, 10);
    EXPECT_FALSE(stepSetting(Setting::MusicVolume, 1));
    EXPECT_TRUE(stepSetting(Setting::MusicVolume, -1));
}

int applied = 0;
void countApply() {
    applied++;
}

TEST_F(SettingsTable, AStepRunsTheOwnersApplyFunction) {
    void (*const before)() = settingRow(Setting::Difficulty).apply;
    setSettingApply(Setting::Difficulty, countApply);
    applied = 0;
    stepSetting(Setting::Difficulty, 1);
    applySetting(Setting::Difficulty);
    setSettingValue(Setting::Difficulty, 1);  // a plain write applies nothing
    EXPECT_EQ(applied, 2);
    setSettingApply(Setting::Difficulty, before);
}

}  // namespace
