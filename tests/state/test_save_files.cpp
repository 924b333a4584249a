// Settings and career files: layout, defaults, sanitising and atomic writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "frontend/frontend.h"
#include "shell/shell.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"

namespace {

// Career file offsets in integers, counted from the layout: 18 flags, 18 x 3
// tuning integers, 24 x (flag, place), then three integers.
constexpr int kTuningAt = 18;
constexpr int kRacesAt = 18 + 54;
constexpr int kMaxRaceAt = 18 + 54 + 48;

class SaveFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        mkdir("base", 0777);
        options.optionsApplied = false;
        setDefaultSettings();
        setDefaultCareer();
    }
    TempFolder folder;
};

TEST_F(SaveFiles, SettingsAreSixIntegersAndRoundTrip) {
    options.resolutionIndex = 2;
    options.colorBits = 16;
    options.depthBits = 16;
    options.soundEnabled = false;
    options.musicEnabled = true;
    options.mouseSensitivity = -77;
    ASSERT_TRUE(writeSettings());
    EXPECT_EQ(fileSize("base/menu.inf"), 24);
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{2, 16, 16, 0, 1, -77}));

    setDefaultSettings();
    readSettings();
    EXPECT_EQ(options.resolutionIndex, 2);
    EXPECT_EQ(options.screenWidth, 1024);
    EXPECT_EQ(options.screenHeight, 768);
    EXPECT_EQ(options.colorBits, 16);
    EXPECT_EQ(options.depthBits, 16);
    EXPECT_FALSE(options.soundEnabled);
    EXPECT_TRUE(options.musicEnabled);
    EXPECT_EQ(options.mouseSensitivity, -77);
}

TEST_F(SaveFiles, ResolutionIndexGivesWindowSize) {
    // Three 4:3 sizes, growing with the index, from 640 wide to 1024; the
    // index read is the one written back.
    int32_t previousWidth = 0;
    for (int index = 0; index < 3; index++) {
        ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({index, 32, 24, 1, 1, 0})));
        readSettings();
        EXPECT_EQ(options.resolutionIndex, index);
        EXPECT_EQ(options.screenWidth * 3, options.screenHeight * 4) << index;
        EXPECT_GT(options.screenWidth, previousWidth) << index;
        previousWidth = options.screenWidth;
        int32_t width = 0, height = 0;
        currentResolution(&width, &height);
        EXPECT_EQ(width, options.screenWidth) << "the game draws at the size read";
        EXPECT_EQ(height, options.screenHeight);
    }
    EXPECT_EQ(previousWidth, 1024);
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({0, 32, 24, 1, 1, 0})));
    readSettings();
    EXPECT_EQ(options.screenWidth, 640);
}

TEST_F(SaveFiles, ResolutionIsWrittenBackOnlyAfterApply) {
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({1, 32, 24, 1, 1, 0})));
    readSettings();
    // 1024 x 768 chosen and the colour depth changed, without "Apply".
    options.screenWidth = 1024;
    options.screenHeight = 768;
    options.colorBits = 16;
    ASSERT_TRUE(writeSettings());
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{1, 16, 24, 1, 1, 0}));

    options.optionsApplied = true;
    ASSERT_TRUE(writeSettings());
    EXPECT_EQ(readIntegers("base/menu.inf")[0], 2);
}

TEST_F(SaveFiles, FlagStoredAsFiveReadsTrueAndIsWrittenAsOne) {
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({0, 32, 24, 5, 0, 3})));
    readSettings();
    EXPECT_TRUE(options.soundEnabled);
    EXPECT_FALSE(options.musicEnabled);
    ASSERT_TRUE(writeSettings());
    EXPECT_EQ(readIntegers("base/menu.inf"), (std::vector<int32_t>{0, 32, 24, 1, 0, 3}));

    std::vector<int32_t> careerFile(123, 0);
    careerFile[4] = 5;
    careerFile[kRacesAt + 2 * 6] = 5;
    careerFile[kMaxRaceAt] = 3;
    ASSERT_TRUE(writeBytes("base/career.inf", leIntegers(careerFile)));
    readCareer();
    EXPECT_TRUE(career.carAvailable[4]);
    EXPECT_TRUE(career.raceRecord[6].flag);
    ASSERT_TRUE(writeCareer());
    std::vector<int32_t> back = readIntegers("base/career.inf");
    ASSERT_EQ(back.size(), 123u);
    EXPECT_EQ(back[4], 1);
    EXPECT_EQ(back[kRacesAt + 2 * 6], 1);
}

TEST_F(SaveFiles, NewCareerIs492BytesAndReadsBack) {
    selectedCar = 7;
    selectedRace = 9;
    career.maxRaceUnlocked = 12;
    career.careerPoints = 900;
    career.tuningPoints = 10;
    career.carTuning[3][1] = 1;
    career.raceRecord[2].flag = true;
    career.raceRecord[2].bestPlace = 3;
    newCareer();
    EXPECT_EQ(selectedCar, 0);
    EXPECT_EQ(selectedRace, 1);
    EXPECT_EQ(fileSize("base/career.inf"), 492);

    setDefaultCareer();
    career.carAvailable[0] = false;
    readCareer();
    for (int i = 0; i < 18; i++) {
        EXPECT_EQ(career.carAvailable[i], i < 8) << "car " << i;
    }
    EXPECT_EQ(career.carTuning[3][1], 0);
    EXPECT_EQ(career.maxRaceUnlocked, 1);
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(career.tuningPoints, 250);
    // The race records keep their flags; only the places are cleared.
    EXPECT_TRUE(career.raceRecord[2].flag);
    EXPECT_EQ(career.raceRecord[2].bestPlace, 0);
}

TEST_F(SaveFiles, CareerFieldsSitAtTheirOffsets) {
    career.carAvailable[11] = true;
    career.carTuning[5][2] = 1;
    career.raceRecord[14].flag = true;
    career.raceRecord[14].bestPlace = 2;
    career.maxRaceUnlocked = 15;
    career.careerPoints = 1234;
    career.tuningPoints = 750;
    ASSERT_TRUE(writeCareerNow());
    std::vector<int32_t> v = readIntegers("base/career.inf");
    ASSERT_EQ(v.size(), 123u);
    EXPECT_EQ(v[11], 1);
    EXPECT_EQ(v[12], 0);
    EXPECT_EQ(v[kTuningAt + 5 * 3 + 2], 1);
    EXPECT_EQ(v[kTuningAt + 5 * 3 + 1], 0);
    EXPECT_EQ(v[kRacesAt + 2 * 14], 1);
    EXPECT_EQ(v[kRacesAt + 2 * 14 + 1], 2);
    EXPECT_EQ(v[kMaxRaceAt], 15);
    EXPECT_EQ(v[kMaxRaceAt + 1], 1234);
    EXPECT_EQ(v[kMaxRaceAt + 2], 750);
}

TEST_F(SaveFiles, MissingFilesGiveDefaults) {
    options.resolutionIndex = 0;
    options.colorBits = 16;
    options.soundEnabled = false;
    options.mouseSensitivity = 9;
    readSettings();
    EXPECT_EQ(options.screenWidth, 800);
    EXPECT_EQ(options.screenHeight, 600);
    EXPECT_EQ(options.colorBits, 32);
    EXPECT_EQ(options.depthBits, 24);
    EXPECT_TRUE(options.soundEnabled);
    EXPECT_TRUE(options.musicEnabled);
    EXPECT_EQ(options.mouseSensitivity, 0);

    career.carAvailable[10] = true;
    career.maxRaceUnlocked = 9;
    readCareer();
    EXPECT_TRUE(career.carAvailable[7]);
    EXPECT_FALSE(career.carAvailable[8]);
    EXPECT_FALSE(career.carAvailable[10]);
    EXPECT_EQ(career.maxRaceUnlocked, 1);
    EXPECT_EQ(career.tuningPoints, 250);
}

TEST_F(SaveFiles, ShortFilesKeepDefaultsForWhatIsMissing) {
    // Two and a half integers: the half is not read as anything.
    std::vector<uint8_t> bytes = leIntegers({0, 16, 16});
    bytes.resize(10);
    ASSERT_TRUE(writeBytes("base/menu.inf", bytes));
    readSettings();
    EXPECT_EQ(options.screenWidth, 640);
    EXPECT_EQ(options.colorBits, 16);
    EXPECT_EQ(options.depthBits, 24);
    EXPECT_TRUE(options.soundEnabled);
    EXPECT_TRUE(options.musicEnabled);
    EXPECT_EQ(options.mouseSensitivity, 0);

    // A career cut inside the race records.
    std::vector<int32_t> careerFile(kRacesAt + 3, 0);
    careerFile[kTuningAt + 9 * 3] = 1;
    careerFile[kRacesAt + 1] = 2;
    ASSERT_TRUE(writeBytes("base/career.inf", leIntegers(careerFile)));
    readCareer();
    EXPECT_EQ(career.carTuning[9][0], 1);
    EXPECT_EQ(career.raceRecord[0].bestPlace, 2);
    EXPECT_FALSE(career.raceRecord[1].flag);
    EXPECT_EQ(career.raceRecord[1].bestPlace, 0);
    // What the cut took follows from what was read: the first eight cars, and
    // race 2 open after a second place in race 1.
    EXPECT_TRUE(career.carAvailable[0]);
    EXPECT_FALSE(career.carAvailable[9]);
    EXPECT_EQ(career.maxRaceUnlocked, 2);
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(career.tuningPoints, 250);
}

TEST_F(SaveFiles, OutOfRangeValuesAreSanitised) {
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({7, 24, 32, 1, 1, 0})));
    readSettings();
    EXPECT_EQ(options.resolutionIndex, 1);
    EXPECT_EQ(options.screenWidth, 800);
    EXPECT_EQ(options.colorBits, 32);
    EXPECT_EQ(options.depthBits, 24);

    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({-1, -1, -1, -1, -1, -1})));
    readSettings();
    EXPECT_EQ(options.resolutionIndex, 1);
    EXPECT_EQ(options.colorBits, 32);
    EXPECT_EQ(options.depthBits, 24);

    // Best places outside 0..3 are no finish; the highest race open follows
    // from the finishes in the first three, whatever was stored.
    const int32_t maxRaces[][3] = {
        // stored maxRaceUnlocked, races placed, expected
        {99, 1, 2}, {0, 1, 2}, {-5, 0, 1}, {15, 13, 14}, {7, 6, 7}, {1, 6, 7}, {3, 0, 1},
    };
    for (const auto& c : maxRaces) {
        std::vector<int32_t> careerFile(123, 0);
        careerFile[kMaxRaceAt] = c[0];
        careerFile[kRacesAt + 1] = 7;
        careerFile[kRacesAt + 3] = -1;
        for (int race = 0; race < c[1]; race++) {
            careerFile[kRacesAt + 2 * (race + 2) + 1] = 3;
        }
        ASSERT_TRUE(writeBytes("base/career.inf", leIntegers(careerFile)));
        readCareer();
        EXPECT_EQ(career.maxRaceUnlocked, c[2]) << "stored " << c[0] << ", " << c[1] << " placed";
        EXPECT_EQ(career.raceRecord[0].bestPlace, 0);
        EXPECT_EQ(career.raceRecord[1].bestPlace, 0);
        EXPECT_EQ(career.raceRecord[2].bestPlace, c[1] > 0 ? 3 : 0);
    }
}

TEST_F(SaveFiles, TuningValuesAreBroughtIntoRange) {
    const int32_t cases[][2] = {{-5, 0}, {0, 0}, {1, 1}, {7, 1}, {INT32_MIN, 0}, {INT32_MAX, 1}};
    for (const auto& c : cases) {
        std::vector<int32_t> careerFile(123, 0);
        careerFile[kTuningAt + 3] = c[0];  // car 1, first package
        ASSERT_TRUE(writeBytes("base/career.inf", leIntegers(careerFile)));
        readCareer();
        EXPECT_EQ(career.carTuning[1][0], c[1]) << "stored " << c[0];
    }
}

TEST_F(SaveFiles, StaleTemporariesAreRemovedAtStartUp) {
    // What a game killed while saving leaves beside the career.
    ASSERT_TRUE(writeBytes("base/career.inf.tmpAbC123", leIntegers({1, 2})));
    ASSERT_TRUE(writeBytes("base/career.inf.tmp", leIntegers({3})));
    ASSERT_TRUE(writeBytes("base/career.inf", leIntegers(std::vector<int32_t>(123, 0))));
    ASSERT_TRUE(writeBytes("base/menu.inf.tmpXyZ789", leIntegers({1})));
    readSettings();
    readCareer();
    struct stat st;
    EXPECT_NE(stat("base/career.inf.tmpAbC123", &st), 0);
    EXPECT_NE(stat("base/menu.inf.tmpXyZ789", &st), 0);
    // Without the writer's six characters the name is no temporary of ours.
    EXPECT_EQ(stat("base/career.inf.tmp", &st), 0);
    EXPECT_EQ(fileSize("base/career.inf"), 492);
}

TEST_F(SaveFiles, WritesReplaceTheFileWhole) {
    career.careerPoints = 100;
    ASSERT_TRUE(writeCareer());
    struct stat st;
    EXPECT_NE(stat("base/career.inf.tmp", &st), 0) << "temporary file left behind";

    // Every write takes a temporary name of its own, so whatever sits at a
    // fixed one (here the name older builds used) is no obstacle.
    ASSERT_EQ(mkdir("base/career.inf.tmp", 0777), 0);
    career.careerPoints = 200;
    EXPECT_TRUE(writeCareer());
    std::vector<int32_t> v = readIntegers("base/career.inf");
    ASSERT_EQ(v.size(), 123u);
    EXPECT_EQ(v[kMaxRaceAt + 1], 200);
    rmdir("base/career.inf.tmp");

    // The settings path is written Windows-style and lands in base/.
    ASSERT_TRUE(writeSettings());
    EXPECT_EQ(fileSize("base/menu.inf"), 24);
}

TEST_F(SaveFiles, MissingBaseFolderIsCreatedOnWrite) {
    rmdir("base");
    ASSERT_TRUE(writeCareer());
    EXPECT_EQ(fileSize("base/career.inf"), 492);
}

TEST_F(SaveFiles, StatsPageShowsTheCareer) {
    career.careerPoints = 4321;
    career.tuningPoints = 500;
    career.maxRaceUnlocked = 6;
    career.raceRecord[4].bestPlace = 1;
    ASSERT_TRUE(writeStatsPage());
    FILE* f = std::fopen("base/stats.html", "rb");
    ASSERT_NE(f, nullptr);
    std::string page;
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof(chunk), f)) > 0) {
        page.append(chunk, got);
    }
    std::fclose(f);
    EXPECT_NE(page.find("<html"), std::string::npos);
    EXPECT_NE(page.find("4321"), std::string::npos);
    EXPECT_NE(page.find("6 of 15"), std::string::npos);
    EXPECT_NE(page.find("8 of 12"), std::string::npos);
    EXPECT_NE(page.find("<td>Race 5</td><td>1st</td>"), std::string::npos);
}

// Where the player's files go, by whether base/ may be written: each case
// makes base/ (writable, or a link to a folder nobody can add files to, which
// holds for root too) and the environment, starts the way the game does, and
// looks for the two default files in the expected folder.
struct SavesFolderCase {
    const char* name;
    bool baseWritable;
    const char* dataHome;  // XDG_DATA_HOME, inside the test folder; null: unset
    bool dataHomeAbsolute;
    const char* expected;  // the saves folder, relative to the test folder
};

const SavesFolderCase kSavesFolderCases[] = {
    {"BaseWritable", true, "data", true, "base"},
    {"DataHome", false, "data", true, "data/korvask"},
    {"HomeWhenDataHomeUnset", false, nullptr, true, "home/.local/share/korvask"},
    // A relative XDG_DATA_HOME is not valid and is ignored.
    {"HomeWhenDataHomeRelative", false, "relative", false, "home/.local/share/korvask"},
};

class SavesFolder : public ::testing::TestWithParam<SavesFolderCase> {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        for (const char* name : {"XDG_DATA_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved.push_back(value ? std::make_pair(true, std::string(value))
                                  : std::make_pair(false, std::string()));
        }
        options.optionsApplied = false;
    }
    void TearDown() override {
        const char* names[] = {"XDG_DATA_HOME", "HOME"};
        for (size_t i = 0; i < saved.size(); i++) {
            if (saved[i].first) {
                setenv(names[i], saved[i].second.c_str(), 1);
            } else {
                unsetenv(names[i]);
            }
        }
        std::snprintf(saves.savesFolder, sizeof(saves.savesFolder), "base");
    }
    TempFolder folder;
    std::vector<std::pair<bool, std::string>> saved;
};

TEST_P(SavesFolder, IsChosenByWhetherBaseIsWritable) {
    const SavesFolderCase& c = GetParam();
    if (c.baseWritable) {
        ASSERT_EQ(mkdir("base", 0777), 0);
    } else {
        ASSERT_EQ(symlink("/proc/self", "base"), 0);
    }
    if (c.dataHome != nullptr) {
        const std::string value = c.dataHomeAbsolute ? folder.path() + "/" + c.dataHome : c.dataHome;
        setenv("XDG_DATA_HOME", value.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
    setenv("HOME", (folder.path() + "/home").c_str(), 1);

    chooseSavesFolder();
    const std::string expected = c.baseWritable ? "base" : folder.path() + "/" + c.expected;
    EXPECT_EQ(std::string(saves.savesFolder), expected);

    // The first start writes the defaults there, in the files' own layout.
    readSettings();
    readCareer();
    writeMissingSaveFiles();
    EXPECT_EQ(fileSize(expected + "/menu.inf"), kSettingsFileBytes);
    EXPECT_EQ(fileSize(expected + "/career.inf"), kCareerFileBytes);
    ASSERT_TRUE(writeStatsPage());
    EXPECT_GT(fileSize(expected + "/stats.html"), 0);

    // A later start reads what was saved there, and leaves it as it was.
    options.screenWidth = 1024;
    options.optionsApplied = true;
    ASSERT_TRUE(writeSettings());
    setDefaultSettings();
    chooseSavesFolder();
    readSettings();
    writeMissingSaveFiles();
    EXPECT_EQ(options.resolutionIndex, 2);
    EXPECT_EQ(options.screenWidth, 1024);
}

INSTANTIATE_TEST_SUITE_P(Cases, SavesFolder, ::testing::ValuesIn(kSavesFolderCases),
                         [](const ::testing::TestParamInfo<SavesFolderCase>& test) {
                             return test.param.name;
                         });

}  // namespace
