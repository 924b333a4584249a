// Key bindings in settings.cfg: names, the round trip through the file, bad
// bindings falling back to defaults, binding with a clash swapped, and the
// second key of each action.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "state/state.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"

namespace {

class KeyBindings : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir("base", 0777);
        std::strcpy(saves.savesFolder, "base");
        clearGameSettings();
        setDefaultKeyBindings();
    }
    void TearDown() override {
        clearGameSettings();
        setDefaultKeyBindings();
    }
    void readFile(const std::string& text) {
        ASSERT_TRUE(writeBytes("base/settings.cfg", std::vector<uint8_t>(text.begin(), text.end())));
        readGameSettings();
        readKeyBindings();
    }
    TempFolder folder;
};

TEST_F(KeyBindings, NamesRoundTripAndUnknownNamesHaveNoKey) {
    const int named[] = {VK_UP, VK_SPACE, VK_ESCAPE, VK_RETURN, 'A', 'Z', '0', '9', VK_F1, VK_F11, VK_DELETE};
    for (int vk : named) {
        ASSERT_NE(keyName(vk), nullptr) << vk;
        EXPECT_EQ(keyFromName(keyName(vk)), vk) << keyName(vk);
    }
    EXPECT_EQ(keyName(0), nullptr);
    EXPECT_EQ(keyName('a'), nullptr);
    EXPECT_EQ(keyFromName("Warp"), -1);
    EXPECT_EQ(keyFromName("up"), -1);
    EXPECT_FALSE(keyBindable('F'));
    EXPECT_FALSE(keyBindable(VK_F12));
    EXPECT_TRUE(keyBindable('W'));
}

struct FileCase {
    const char* text;
    int expected[kBindActions];  // accelerate, brake, left, right, nitro, camera, pause, reset
};

TEST_F(KeyBindings, BadBindingsGiveThatActionItsDefault) {
    const int defaults[kBindActions] = {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'};
    const FileCase cases[] = {
        {"", {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'}},
        {"key.accelerate = W\nkey.brake = S\n", {'W', 'S', VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'}},
        // A key that does not exist, or two keys for one action.
        {"key.nitro = Warp\nkey.left = A, Q\n",
         {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'}},
        // One key for two actions: both go back to their defaults.
        {"key.nitro = N\nkey.camera = N\nkey.reset = T\n",
         {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'T'}},
        // A key another action has by default: that action's default clashes
        // in turn, and it keeps its own choice only where no clash is left.
        {"key.nitro = Up\n", {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'}},
        {"key.nitro = Up\nkey.accelerate = W\n",
         {'W', VK_DOWN, VK_LEFT, VK_RIGHT, VK_UP, 'C', VK_ESCAPE, 'R'}},
        // Keys the game keeps for itself.
        {"key.camera = F\nkey.pause = F12\n",
         {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, 'C', VK_ESCAPE, 'R'}},
    };
    for (const FileCase& c : cases) {
        clearGameSettings();
        setDefaultKeyBindings();
        keyBindings[BindReset] = 'Q';  // whatever was bound before is replaced
        readFile(c.text);
        for (int a = 0; a < kBindActions; a++) {
            EXPECT_EQ(keyBindings[a], c.expected[a]) << c.text << " action " << a;
            // The table holds what is in force, for the file written at exit.
            EXPECT_STREQ(settingText(bindingSettingKey(a)), keyName(c.expected[a])) << c.text;
        }
    }
    EXPECT_EQ(defaultKeyBinding(BindPause), defaults[BindPause]);
}

TEST_F(KeyBindings, BindingSwapsAClashAndSurvivesTheFile) {
    ASSERT_TRUE(bindKey(BindNitro, 'N'));
    EXPECT_EQ(keyBindings[BindNitro], 'N');
    // Up belongs to accelerate: accelerate takes nitro's old key.
    ASSERT_TRUE(bindKey(BindNitro, VK_UP));
    EXPECT_EQ(keyBindings[BindNitro], VK_UP);
    EXPECT_EQ(keyBindings[BindAccelerate], 'N');
    // Keys that cannot be bound change nothing.
    EXPECT_FALSE(bindKey(BindLeft, 'F'));
    EXPECT_FALSE(bindKey(BindLeft, 0));
    EXPECT_FALSE(bindKey(kBindActions, 'W'));
    EXPECT_EQ(keyBindings[BindLeft], VK_LEFT);

    ASSERT_TRUE(writeGameSettings());
    setDefaultKeyBindings();
    clearGameSettings();
    readGameSettings();
    readKeyBindings();
    EXPECT_EQ(keyBindings[BindNitro], VK_UP);
    EXPECT_EQ(keyBindings[BindAccelerate], 'N');
    EXPECT_STREQ(settingText("key.nitro"), "Up");

    restoreDefaultKeyBindings();
    EXPECT_EQ(keyBindings[BindNitro], VK_SPACE);
    EXPECT_STREQ(settingText("key.accelerate"), "Up");
}

TEST_F(KeyBindings, BadFilesStartOnDefaultsAndAreWrittenClean) {
    // Empty, garbage with one good line in it, and a file far too large.
    readFile("");
    EXPECT_EQ(keyBindings[BindAccelerate], VK_UP);
    std::string garbage(300, '\x07');
    garbage += "\nkey.brake = S\n\xff\xfe\x00zz\n";
    readFile(garbage);
    EXPECT_EQ(keyBindings[BindBrake], 'S');
    ASSERT_TRUE(writeGameSettings());
    clearGameSettings();
    readGameSettings();
    EXPECT_STREQ(settingText("key.brake"), "S");

    readFile("key.brake = S\n" + std::string((size_t)kMaxGameSettingsFileBytes, '#'));
    EXPECT_EQ(keyBindings[BindBrake], VK_DOWN);
    ASSERT_TRUE(writeGameSettings());
    struct stat info;
    ASSERT_EQ(stat("base/settings.cfg", &info), 0);
    EXPECT_LT(info.st_size, 1024);
}

struct SecondFileCase {
    const char* text;
    int expected[kBindActions];  // the second keys, kNoKey for none
};

TEST_F(KeyBindings, SecondKeysFromTheFileNeverTakeAPrimarysPlace) {
    const SecondFileCase cases[] = {
        // The left hand's keys beside the arrows, Shift beside Space.
        {"", {'W', 'S', 'A', 'D', VK_SHIFT, kNoKey, kNoKey, kNoKey}},
        {"key2.camera = V\nkey2.nitro = None\n", {'W', 'S', 'A', 'D', kNoKey, 'V', kNoKey, kNoKey}},
        // A primary moved onto a default second key: that second is none.
        {"key.accelerate = W\n", {kNoKey, 'S', 'A', 'D', VK_SHIFT, kNoKey, kNoKey, kNoKey}},
        // A second key that is a primary, or another second, or no key the
        // game can use: its default.
        {"key2.left = Up\nkey2.pause = W\nkey2.reset = F\n",
         {'W', 'S', 'A', 'D', VK_SHIFT, kNoKey, kNoKey, kNoKey}},
    };
    for (const SecondFileCase& c : cases) {
        clearGameSettings();
        setDefaultKeyBindings();
        readFile(c.text);
        for (int a = 0; a < kBindActions; a++) {
            EXPECT_EQ(secondKeyBindings[a], c.expected[a]) << c.text << " action " << a;
            const char* name = keyName(c.expected[a]);
            EXPECT_STREQ(settingText(secondBindingSettingKey(a)), name != nullptr ? name : "None") << c.text;
        }
        const int accelerate = std::strstr(c.text, "key.accelerate = W") != nullptr ? 'W' : (int)VK_UP;
        EXPECT_EQ(keyBindings[BindAccelerate], accelerate);
    }
}

TEST_F(KeyBindings, EitherKeyDrivesTheActionAndClashesSwapAcrossSlots) {
    for (bool& key : input.keys) key = false;
    input.keys['A'] = true;
    EXPECT_TRUE(actionDown(BindLeft));
    EXPECT_FALSE(actionDown(BindRight));
    input.keys['A'] = false;
    input.keys[VK_SHIFT] = true;
    EXPECT_TRUE(actionDown(BindNitro));
    input.keys[VK_SHIFT] = false;

    // Nitro's second takes A from steering left, which takes Shift.
    ASSERT_TRUE(bindKeySlot(BindNitro, 1, 'A'));
    EXPECT_EQ(secondKeyBindings[BindNitro], 'A');
    EXPECT_EQ(secondKeyBindings[BindLeft], VK_SHIFT);
    EXPECT_STREQ(settingText("key2.left"), "Shift");
    // A primary takes a second key: the second slot gets the primary's old key.
    ASSERT_TRUE(bindKeySlot(BindBrake, 0, 'D'));
    EXPECT_EQ(keyBindings[BindBrake], 'D');
    EXPECT_EQ(secondKeyBindings[BindRight], VK_DOWN);
    // An empty second slot taking a primary: that action's second key steps up.
    clearSecondKey(BindCamera);
    ASSERT_TRUE(bindKeySlot(BindCamera, 1, VK_UP));
    EXPECT_EQ(secondKeyBindings[BindCamera], VK_UP);
    EXPECT_EQ(keyBindings[BindAccelerate], 'W');
    EXPECT_EQ(secondKeyBindings[BindAccelerate], kNoKey);
    // ... and an action with no second key keeps its only key.
    EXPECT_FALSE(bindKeySlot(BindPause, 1, 'W'));
    EXPECT_EQ(keyBindings[BindAccelerate], 'W');
    EXPECT_EQ(secondKeyBindings[BindPause], kNoKey);

    // Every key is in one slot at most.
    for (int a = 0; a < kBindActions; a++) {
        for (int b = 0; b < kBindActions; b++) {
            if (a != b) {
                EXPECT_NE(keyBindings[a], keyBindings[b]);
            }
            EXPECT_NE(keyBindings[a], secondKeyBindings[b]);
            if (a != b && secondKeyBindings[a] != kNoKey) {
                EXPECT_NE(secondKeyBindings[a], secondKeyBindings[b]);
            }
        }
    }
    // What is written is read back the same.
    int primaries[kBindActions], seconds[kBindActions];
    std::memcpy(primaries, keyBindings, sizeof primaries);
    std::memcpy(seconds, secondKeyBindings, sizeof seconds);
    ASSERT_TRUE(writeGameSettings());
    setDefaultKeyBindings();
    clearGameSettings();
    readGameSettings();
    readKeyBindings();
    for (int a = 0; a < kBindActions; a++) {
        EXPECT_EQ(keyBindings[a], primaries[a]) << a;
        EXPECT_EQ(secondKeyBindings[a], seconds[a]) << a;
    }
}

}  // namespace
