// Save files that cannot be read or hold nonsense, a saves folder that takes
// no files, and a screenshot that cannot be saved: nothing of the player's is
// lost, and the player is told.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"
#include "support/save_file_bytes.h"
#include "support/temp_folder.h"

namespace {

constexpr int kRacesAt = 18 + 54;
constexpr int kMaxRaceAt = 18 + 54 + 48;

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::vector<uint8_t> bytes;
    platformReadFile(path.c_str(), &bytes);
    return bytes;
}

// The texts of the boxes shown since the fixture began.
class SaveDamage : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        ASSERT_EQ(mkdir("base", 0777), 0);
        scriptedReset();
        std::snprintf(saves.savesFolder, sizeof(saves.savesFolder), "base");
        saves.savesFolderWritable = true;
        options.optionsApplied = false;
    }
    void TearDown() override {
        saves.settingsFileCheck = SaveFileCheck{};
        saves.careerFileCheck = SaveFileCheck{};
        clearLapRecords();
        scriptedReset();
    }
    std::vector<std::string> boxes() const {
        std::vector<std::string> texts;
        for (const ScriptedMessageBox& box : scriptedMessageBoxes()) {
            texts.push_back(box.text);
        }
        return texts;
    }
    TempFolder folder;
};

// ---------------------------------------------------------------------------
// A file that is there but cannot be read is never written over.

enum class Unreadable { Folder, IoError };

// The save files, by name: what the player is told they hold, and their
// read's check.
const char* whatIsIn(const std::string& file) {
    return file == kCareerFileName       ? "career"
           : file == kSettingsFileName   ? "settings"
           : file == kLapRecordsFileName ? "lap records"
                                         : "game settings";
}

const SaveFileCheck& checkOf(const std::string& file) {
    return file == kCareerFileName       ? saves.careerFileCheck
           : file == kSettingsFileName   ? saves.settingsFileCheck
           : file == kLapRecordsFileName ? raceRun.lapFiles.records
                                         : gameSettingsFileCheck;
}

void readAllSaves() {
    readSettings();
    readGameSettings();
    readCareer();
    readLapRecords();
}

struct UnreadableCase {
    const char* name;
    const char* file;
    Unreadable kind;
    int error;
};

const UnreadableCase kUnreadableCases[] = {
    {"CareerIsAFolder", kCareerFileName, Unreadable::Folder, EISDIR},
    {"CareerGivesAnIoError", kCareerFileName, Unreadable::IoError, EIO},
    {"SettingsIsAFolder", kSettingsFileName, Unreadable::Folder, EISDIR},
    {"SettingsGivesAnIoError", kSettingsFileName, Unreadable::IoError, EIO},
    {"GameSettingsIsAFolder", kGameSettingsFileName, Unreadable::Folder, EISDIR},
    {"GameSettingsGivesAnIoError", kGameSettingsFileName, Unreadable::IoError, EIO},
    {"LapRecordsIsAFolder", kLapRecordsFileName, Unreadable::Folder, EISDIR},
    {"LapRecordsGivesAnIoError", kLapRecordsFileName, Unreadable::IoError, EIO},
};

class UnreadableSave : public SaveDamage, public ::testing::WithParamInterface<UnreadableCase> {};

TEST_P(UnreadableSave, IsToldAtStartAndNeverOverwritten) {
    const UnreadableCase& c = GetParam();
    const bool careerFile = std::strcmp(c.file, kCareerFileName) == 0;
    const std::string path = std::string("base/") + c.file;
    if (c.kind == Unreadable::Folder) {
        ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
        ASSERT_EQ(mkdir((path + "/inside").c_str(), 0777), 0);
    } else {
        // Reading a process's memory at offset 0 fails with an I/O error.
        ASSERT_EQ(symlink("/proc/self/mem", path.c_str()), 0);
    }
    // Values the defaults must replace.
    career.careerPoints = 999;
    options.colorBits = 16;
    readAllSaves();
    const SaveFileCheck& check = checkOf(c.file);
    EXPECT_TRUE(check.unreadable);
    EXPECT_TRUE(check.keepFile);
    EXPECT_STREQ(check.reason, std::strerror(c.error));
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(options.colorBits, 32);

    tellSaveProblemsAtStart();
    const std::string expected = std::string("Could not read the ") + whatIsIn(c.file) + ": " +
                                 std::strerror(c.error) + ". It will not be overwritten.";
    EXPECT_EQ(boxes(), std::vector<std::string>{expected});

    // The first start's writes, a new career and the saves at exit all leave
    // it alone without calling it a failure.
    writeMissingSaveFiles();
    newCareer();
    EXPECT_TRUE(writeSettings());
    EXPECT_TRUE(writeGameSettings());
    EXPECT_TRUE(writeCareer());
    const float splits[kLapSectors] = {1.0f, 2.0f, 3.0f};
    offerLapRecord(1, 0, 3.0f, splits, 0);
    EXPECT_TRUE(writeLapRecords());
    struct stat info;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    if (c.kind == Unreadable::Folder) {
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_TRUE(std::filesystem::exists(path + "/inside"));
    } else {
        EXPECT_TRUE(S_ISLNK(info.st_mode));
    }
    // The other file is written as usual.
    const std::string other = std::string("base/") + (careerFile ? kSettingsFileName : kCareerFileName);
    EXPECT_EQ(fileSize(other), careerFile ? kSettingsFileBytes : kCareerFileBytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, UnreadableSave, ::testing::ValuesIn(kUnreadableCases),
                         [](const ::testing::TestParamInfo<UnreadableCase>& param) {
                             return param.param.name;
                         });

// The file of another user, mode 600, in a folder the player may write to:
// the rename that replaces a save would go through, so only the game's own
// check keeps the file.
TEST_F(SaveDamage, AnotherUsersCareerIsNeverReplaced) {
    const std::vector<uint8_t> theirs = leIntegers(std::vector<int32_t>(123, 1));
    ASSERT_TRUE(writeBytes("base/career.inf", theirs));
    ASSERT_EQ(chmod("base/career.inf", 0600), 0);
    ASSERT_EQ(chmod(".", 0755), 0);
    ASSERT_EQ(chmod("base", 0777), 0);
    const bool root = geteuid() == 0;
    if (!root) {
        ASSERT_EQ(chmod("base/career.inf", 0), 0);
    }
    pid_t child = fork();
    if (child == 0) {
        // Root reads anything: the player is somebody else.
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        readCareer();
        writeMissingSaveFiles();
        newCareer();
        const bool skipped = writeCareer();
        _exit(saves.careerFileCheck.unreadable &&
                      std::strcmp(saves.careerFileCheck.reason, std::strerror(EACCES)) == 0
                  ? (skipped ? 0 : 2)
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: not seen as unreadable, 2: skipping called a failure, 3: no user";
    ASSERT_EQ(chmod("base/career.inf", 0600), 0);
    EXPECT_EQ(bytesOf("base/career.inf"), theirs);
    struct stat info;
    ASSERT_EQ(stat("base/career.inf", &info), 0);
    EXPECT_EQ(info.st_uid, geteuid());
}

// ---------------------------------------------------------------------------
// A file read whole but holding nonsense is kept once as <name>.bad.

std::vector<uint8_t> nanBytes(size_t size) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < size; i++) {
        bytes.push_back("NaN"[i % 3]);
    }
    return bytes;
}

std::vector<uint8_t> careerWith(int at, int32_t value) {
    std::vector<int32_t> careerFile(123, 0);
    for (int i = 0; i < 8; i++) {
        careerFile[i] = 1;
    }
    careerFile[kMaxRaceAt] = 1;
    careerFile[kMaxRaceAt + 2] = 250;
    careerFile[at] = value;
    return leIntegers(careerFile);
}

std::vector<uint8_t> textBytes(const std::string& text) {
    return std::vector<uint8_t>(text.begin(), text.end());
}

struct DamagedCase {
    const char* name;
    const char* file;
    std::vector<uint8_t> bytes;
};

const DamagedCase kDamagedCases[] = {
    {"EmptyCareer", kCareerFileName, {}},
    {"ShortCareer", kCareerFileName, leIntegers({1, 1, 1})},
    {"LongCareer", kCareerFileName,
     [] {
         std::vector<uint8_t> b = careerWith(0, 1);
         b.resize(b.size() + 4, 0);
         return b;
     }()},
    {"NanCareer", kCareerFileName, nanBytes(kCareerFileBytes)},
    {"NegativePoints", kCareerFileName, careerWith(kMaxRaceAt + 1, -2147483647 - 1)},
    {"PlaceFive", kCareerFileName, careerWith(kRacesAt + 1, 5)},
    {"ShortSettings", kSettingsFileName, leIntegers({1, 32})},
    {"ColourBitsEight", kSettingsFileName, leIntegers({1, 8, 24, 1, 1, 0})},
    {"NanSettings", kSettingsFileName, nanBytes(kSettingsFileBytes)},
    {"GameSettingsLineWithoutValue", kGameSettingsFileName, textBytes("difficulty = 2\nmy own note\n")},
    {"GameSettingsOversized", kGameSettingsFileName,
     textBytes(std::string(kMaxGameSettingsFileBytes + 1, '#'))},
};

class DamagedSave : public SaveDamage, public ::testing::WithParamInterface<DamagedCase> {
  protected:
    void readBoth() {
        readAllSaves();
        tellSaveProblemsAtStart();
    }
};

TEST_P(DamagedSave, IsKeptOnceAsBadAndThePlayerToldOnce) {
    const DamagedCase& c = GetParam();
    const std::string file = c.file;
    const std::string path = "base/" + file;
    ASSERT_TRUE(writeBytes("base/career.inf", careerWith(0, 1)));
    ASSERT_TRUE(writeBytes("base/menu.inf", leIntegers({1, 32, 24, 1, 1, 0})));
    ASSERT_TRUE(writeBytes("base/settings.cfg", textBytes("difficulty = 1\n")));
    ASSERT_TRUE(writeBytes(path, c.bytes));

    readBoth();
    const SaveFileCheck& check = checkOf(file);
    EXPECT_TRUE(check.damaged);
    EXPECT_TRUE(check.backupKept);
    EXPECT_FALSE(check.keepFile);
    EXPECT_EQ(bytesOf(path + ".bad"), c.bytes);
    EXPECT_EQ(boxes(), std::vector<std::string>{"The " + std::string(whatIsIn(file)) +
                                                " file was damaged. A copy was kept as " + path + ".bad."});
    // The repaired file stands in its place at once, whole.
    EXPECT_NE(bytesOf(path), c.bytes);
    if (file != kGameSettingsFileName) {
        EXPECT_EQ(fileSize(path), file == kCareerFileName ? kCareerFileBytes : kSettingsFileBytes);
    }

    // The next start finds nothing to tell and leaves the copy as it is.
    scriptedReset();
    readBoth();
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(bytesOf(path + ".bad"), c.bytes);

    // A newer damaged file replaces the one copy.
    const std::vector<uint8_t> newer = leIntegers({-1});
    ASSERT_TRUE(writeBytes(path, newer));
    readBoth();
    EXPECT_EQ(bytesOf(path + ".bad"), newer);
    int copies = 0;
    for (const auto& entry : std::filesystem::directory_iterator("base")) {
        copies += entry.path().filename().string().find(file + ".bad") == 0 ? 1 : 0;
    }
    EXPECT_EQ(copies, 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedSave, ::testing::ValuesIn(kDamagedCases),
                         [](const ::testing::TestParamInfo<DamagedCase>& param) { return param.param.name; });

// Lap records of a version to come: kept as records.dat.bad at start, and
// the player told, before any lap of this run replaces the file.
TEST_F(SaveDamage, RefusedLapRecordsAreCopiedAsideAndTold) {
    std::vector<uint8_t> future = {'K', 'V', 'R', 'L', 2, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_TRUE(writeBytes("base/records.dat", future));
    readAllSaves();
    tellSaveProblemsAtStart();
    EXPECT_EQ(boxes(), std::vector<std::string>{
                           "The lap records file was damaged. A copy was kept as base/records.dat.bad."});
    EXPECT_EQ(bytesOf("base/records.dat.bad"), future);
}

TEST_F(SaveDamage, ADamagedCareerWithNoRoomForItsCopyIsKept) {
    const std::vector<uint8_t> damaged = nanBytes(kCareerFileBytes);
    ASSERT_TRUE(writeBytes("base/career.inf", damaged));
    // A folder full of the player's things holds the copy's name.
    ASSERT_EQ(mkdir("base/career.inf.bad", 0777), 0);
    ASSERT_TRUE(writeBytes("base/career.inf.bad/notes", {1}));
    readCareer();
    EXPECT_TRUE(saves.careerFileCheck.damaged);
    EXPECT_FALSE(saves.careerFileCheck.backupKept);
    EXPECT_TRUE(saves.careerFileCheck.keepFile);
    tellSaveProblemsAtStart();
    EXPECT_EQ(
        boxes(),
        std::vector<std::string>{
            "The career file was damaged and no copy of it could be kept. It will not be overwritten."});
    EXPECT_TRUE(writeCareer());
    EXPECT_EQ(bytesOf("base/career.inf"), damaged);
}

// ---------------------------------------------------------------------------
// The career's figures as they can have been earned.

struct CareerRangeCase {
    const char* name;
    std::vector<std::pair<int, int32_t>> stored;  // integer index, value, over a new career
    int32_t points, tuning, maxRace;
    int carsAvailable;  // cars 0.. this - 1, and no other
    bool intact;
};

std::vector<std::pair<int, int32_t>> wins(int count, int place, std::vector<std::pair<int, int32_t>> more) {
    for (int race = 0; race < count; race++) {
        more.push_back({kRacesAt + 2 * race + 1, place});
    }
    return more;
}

const CareerRangeCase kCareerRangeCases[] = {
    {"NewCareer", {}, 0, 250, 1, 8, true},
    {"ThreeWins", wins(3, 1, {{kMaxRaceAt, 4}, {kMaxRaceAt + 1, 300}, {kMaxRaceAt + 2, 2500}, {3 * 1, 1}}),
     300, 2500, 4, 8, true},
    {"NegativePoints", {{kMaxRaceAt + 1, -5}}, 0, 250, 1, 8, false},
    {"LowestPoints", {{kMaxRaceAt + 1, INT32_MIN}}, 0, 250, 1, 8, false},
    {"PointsPastTheResults", wins(2, 2, {{kMaxRaceAt, 3}, {kMaxRaceAt + 1, 1600000000}}), 150, 250, 3, 8,
     false},
    {"NegativeTuning", {{kMaxRaceAt + 2, -250}}, 0, 0, 1, 8, false},
    {"TuningPastFifteenWins", {{kMaxRaceAt + 2, INT32_MAX}}, 0, 250 + 15 * 750, 1, 8, false},
    {"TwelveWinsWinEveryCar",
     wins(12, 1, {{kMaxRaceAt, 13}, {kMaxRaceAt + 1, 1200}, {8, 1}, {9, 1}, {10, 1}, {11, 1}}), 1200, 250, 13,
     12, true},
    {"PrizeCarWithoutThePoints",
     wins(11, 1, {{kMaxRaceAt, 12}, {kMaxRaceAt + 1, 1100}, {8, 1}, {9, 1}, {10, 1}, {11, 1}}), 1100, 250, 12,
     11, false},
    {"UnusedCarSlot", {{15, 1}}, 0, 250, 1, 8, false},
    {"FirstCarsTakenAway", {{0, 0}, {5, 0}}, 0, 250, 1, 8, false},
    {"PlaceInARaceOutsideTheCareer", {{kRacesAt + 2 * 20 + 1, 1}}, 0, 250, 1, 8, false},
};

class CareerRange : public SaveDamage, public ::testing::WithParamInterface<CareerRangeCase> {};

TEST_P(CareerRange, FiguresFollowFromTheResults) {
    const CareerRangeCase& c = GetParam();
    std::vector<int32_t> careerFile(123, 0);
    for (int i = 0; i < 8; i++) {
        careerFile[i] = 1;
    }
    careerFile[kMaxRaceAt] = 1;
    careerFile[kMaxRaceAt + 2] = 250;
    for (const auto& field : c.stored) {
        careerFile[field.first] = field.second;
    }
    const std::vector<uint8_t> image = leIntegers(careerFile);
    EXPECT_EQ(decodeCareer(image.data(), image.size()), c.intact);
    EXPECT_EQ(career.careerPoints, c.points);
    EXPECT_EQ(career.tuningPoints, c.tuning);
    EXPECT_EQ(career.maxRaceUnlocked, c.maxRace);
    for (int car = 0; car < kCarSlots; car++) {
        EXPECT_EQ(career.carAvailable[car], car < c.carsAvailable) << "car " << car;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CareerRange, ::testing::ValuesIn(kCareerRangeCases),
                         [](const ::testing::TestParamInfo<CareerRangeCase>& param) {
                             return param.param.name;
                         });

TEST_F(SaveDamage, AFileOfNanBytesUnlocksNothing) {
    const std::vector<uint8_t> image = nanBytes(kCareerFileBytes);
    EXPECT_FALSE(decodeCareer(image.data(), image.size()));
    EXPECT_EQ(career.careerPoints, 0);
    EXPECT_EQ(career.maxRaceUnlocked, 1);
    EXPECT_GE(career.tuningPoints, 0);
    for (int car = 8; car < kCarSlots; car++) {
        EXPECT_FALSE(career.carAvailable[car]) << "car " << car;
    }
}

// ---------------------------------------------------------------------------
// No saves folder that takes files: the player hears of it at start.

TEST_F(SaveDamage, NoWritableSavesFolderIsToldAtStart) {
    const char* home = std::getenv("HOME");
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string savedHome = home ? home : "", savedDataHome = dataHome ? dataHome : "";
    ASSERT_EQ(rmdir("base"), 0);
    ASSERT_EQ(symlink("/proc/self", "base"), 0);
    const std::string expected =
        "No folder for the saves can be written: the settings and the career will not be saved.";
    // A data folder that cannot be made, and one that exists but takes no
    // files (a link to a folder nobody may add to, which holds for root too).
    ASSERT_EQ(mkdir("data", 0777), 0);
    ASSERT_EQ(symlink("/proc/self/fdinfo", "data/korvask"), 0);
    const struct {
        const char* dataHome;
        bool writable;
    } cases[] = {{"/proc/self/none", false}, {"data", false}, {"fresh", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dataHome);
        scriptedReset();
        const std::string value = c.dataHome[0] == '/' ? c.dataHome : folder.path() + "/" + c.dataHome;
        setenv("XDG_DATA_HOME", value.c_str(), 1);
        chooseSavesFolder();
        EXPECT_EQ(saves.savesFolderWritable, c.writable);
        tellSaveProblemsAtStart();
        EXPECT_EQ(boxes(), c.writable ? std::vector<std::string>{} : std::vector<std::string>{expected});
    }
    home ? setenv("HOME", savedHome.c_str(), 1) : unsetenv("HOME");
    dataHome ? setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1) : unsetenv("XDG_DATA_HOME");
    std::snprintf(saves.savesFolder, sizeof(saves.savesFolder), "base");
    saves.savesFolderWritable = true;
}

// ---------------------------------------------------------------------------
// F12 into a folder that takes no files: no file, and the player sees why.

TEST_F(SaveDamage, AScreenshotThatCannotBeSavedIsShownForTwoSeconds) {
    ASSERT_EQ(rmdir("base"), 0);
    ASSERT_EQ(symlink("/proc/self/fdinfo", "base"), 0);
    timerInit();
    input.keys[VK_F12] = true;
    checkScreenshotKey();
    input.keys[VK_F12] = false;
    checkScreenshotKey();
    ASSERT_NE(currentPlayerNotice(), nullptr);
    EXPECT_STREQ(currentPlayerNotice(), "Screenshot failed: the folder cannot be written");
    scriptedAdvanceClock(1900.0);
    EXPECT_NE(currentPlayerNotice(), nullptr);
    scriptedAdvanceClock(200.0);
    EXPECT_EQ(currentPlayerNotice(), nullptr);
    EXPECT_FALSE(std::filesystem::exists("base/screenshots"));
}

}  // namespace
