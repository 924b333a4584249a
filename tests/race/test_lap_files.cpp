// The lap records and ghost files follow the rules of every file of the
// player's: an unreadable file is never written over, a refused one is copied
// aside before anything replaces it, two games merge rather than lose each
// other's records, a failed save is told and tried again at exit, and killed
// writers' temporaries are cleaned at start.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "gtest/gtest.h"
#include "race/race.h"
#include "state/state.h"
#include "support/temp_folder.h"

namespace {

const float kSplits[3] = {1000.0f, 2000.0f, 3000.0f};

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::vector<uint8_t> bytes;
    platformReadFile(path.c_str(), &bytes);
    return bytes;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// A ghost of circuit 3, car 2: a straight lap of `lap` hundredths.
GhostLap straightGhost(float lap) {
    GhostRecorder rec{};
    ghostRecordStart(rec, 3, 2, Vector3(0, 0, 0), Quaternion());
    for (float t = 1.0f; t < lap; t += 1.0f) ghostRecordStep(rec, t, Vector3(t, 0, 0), Quaternion());
    EXPECT_TRUE(ghostRecordFinish(rec, lap, Vector3(lap, 0, 0), Quaternion()));
    return rec.lap;
}

// The records file of another run: circuits 2 and 9.
std::vector<uint8_t> theirRecords() {
    clearLapRecords();
    offerLapRecord(2, 1, 5000.0f, kSplits, 1);
    offerLapRecord(9, 4, 6000.0f, kSplits, 2);
    std::vector<uint8_t> bytes = encodeLapRecords();
    clearLapRecords();
    return bytes;
}

class LapFilesOfThePlayer : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        ASSERT_EQ(mkdir("base", 0777), 0);
        std::snprintf(saves.savesFolder, sizeof saves.savesFolder, "base");
        clearLapRecords();
        game.playerNotice = PlayerNotice{};
    }
    void TearDown() override {
        clearLapRecords();
        game.playerNotice = PlayerNotice{};
    }
    static std::string notice() { return game.playerNotice.set ? game.playerNotice.text : ""; }
    TempFolder folder;
};

enum class Kind { Folder, IoError, Refused, Link };

struct FileCase {
    const char* name;
    Kind kind;
    std::vector<uint8_t> (*bytes)();  // what a refused or linked file holds
};

std::vector<uint8_t> recordsOfVersion2() {
    std::vector<uint8_t> b = theirRecords();
    b[4] = 2;
    return b;
}
std::vector<uint8_t> recordsOfUnknownCircuit() {
    std::vector<uint8_t> b = theirRecords();
    b[kLapRecordsHeaderBytes] = 99;
    return b;
}
std::vector<uint8_t> recordsOfUnknownCar() {
    std::vector<uint8_t> b = theirRecords();
    b[kLapRecordsHeaderBytes + 4] = 99;
    return b;
}
std::vector<uint8_t> recordsTruncated() {
    std::vector<uint8_t> b = theirRecords();
    b.resize(b.size() - 5);
    return b;
}
std::vector<uint8_t> noBytes() {
    return {};
}

// Sets up base/<name> as the case asks.
void plant(const std::string& path, const FileCase& c) {
    switch (c.kind) {
        case Kind::Folder:
            ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
            ASSERT_EQ(mkdir((path + "/inside").c_str(), 0777), 0);
            break;
        case Kind::IoError:
            // Reading a process's memory at offset 0 fails with an I/O error.
            ASSERT_EQ(symlink("/proc/self/mem", path.c_str()), 0);
            break;
        case Kind::Refused:
            writeBytes(path, c.bytes());
            break;
        case Kind::Link:
            writeBytes("elsewhere.dat", c.bytes());
            ASSERT_EQ(symlink("../elsewhere.dat", path.c_str()), 0);
            break;
    }
}

// What stands at path after the lap: the folder or link untouched.
void expectUntouched(const std::string& path, Kind kind) {
    struct stat info;
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    if (kind == Kind::Folder) {
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_TRUE(exists(path + "/inside"));
    } else {
        EXPECT_TRUE(S_ISLNK(info.st_mode));
    }
}

const FileCase kRecordsCases[] = {
    {"folder", Kind::Folder, noBytes},
    {"io error", Kind::IoError, noBytes},
    {"future version", Kind::Refused, recordsOfVersion2},
    {"unknown circuit", Kind::Refused, recordsOfUnknownCircuit},
    {"unknown car", Kind::Refused, recordsOfUnknownCar},
    {"truncated", Kind::Refused, recordsTruncated},
    {"link", Kind::Link, theirRecords},
};

}  // namespace

TEST_F(LapFilesOfThePlayer, RecordsFileLosesNothingAtTheNextLap) {
    const std::string path = "base/records.dat";
    for (const FileCase& c : kRecordsCases) {
        std::filesystem::remove_all(path);
        std::filesystem::remove_all(path + ".bad");
        std::filesystem::remove_all("elsewhere.dat");
        plant(path, c);
        const std::vector<uint8_t> original = bytesOf(path);
        const LapFileRead read = readLapRecords();
        // A finished lap books a record of circuit 5 and saves.
        ASSERT_TRUE(offerLapRecord(5, 0, 4000.0f, kSplits, 3)) << c.name;
        EXPECT_TRUE(writeLapRecords()) << c.name;
        if (c.kind == Kind::Folder || c.kind == Kind::IoError) {
            EXPECT_EQ(read, LapFileRead::Unreadable) << c.name;
            EXPECT_TRUE(raceRun.lapFiles.records.unreadable && raceRun.lapFiles.records.keepFile) << c.name;
            expectUntouched(path, c.kind);
            continue;
        }
        if (c.kind == Kind::Link) {
            // Another file's records join ours; the file linked to is left as
            // it was.
            EXPECT_EQ(read, LapFileRead::Read) << c.name;
            EXPECT_EQ(bytesOf("elsewhere.dat"), original) << c.name;
        } else {
            EXPECT_TRUE(read == LapFileRead::Refused || read == LapFileRead::Partial) << c.name;
            EXPECT_TRUE(raceRun.lapFiles.records.damaged && raceRun.lapFiles.records.backupKept) << c.name;
            EXPECT_EQ(bytesOf(path + ".bad"), original) << c.name;
        }
        // The new file holds the new record and every whole record the old
        // one had.
        clearLapRecords();
        EXPECT_EQ(readLapRecords(), LapFileRead::Read) << c.name;
        EXPECT_FLOAT_EQ(raceRun.lapRecords[4].lap, 4000.0f) << c.name;
        const bool firstWhole = c.bytes != recordsOfUnknownCircuit && c.bytes != recordsOfUnknownCar;
        const bool anyWhole = c.bytes != recordsOfVersion2;
        EXPECT_EQ(raceRun.lapRecords[1].lap > 0.0f, anyWhole && firstWhole) << c.name;
        EXPECT_EQ(raceRun.lapRecords[8].lap > 0.0f, anyWhole && c.bytes != recordsTruncated) << c.name;
    }
}

namespace {

std::vector<uint8_t> theirGhost() {
    return encodeGhost(straightGhost(300.0f));
}
std::vector<uint8_t> ghostOfVersion2() {
    std::vector<uint8_t> b = theirGhost();
    b[4] = 2;
    return b;
}
std::vector<uint8_t> ghostOfUnknownCircuit() {
    std::vector<uint8_t> b = theirGhost();
    b[8] = 99;
    return b;
}
std::vector<uint8_t> ghostOfAnotherCar() {
    std::vector<uint8_t> b = theirGhost();
    b[12] = 7;
    return b;
}
std::vector<uint8_t> ghostTruncated() {
    std::vector<uint8_t> b = theirGhost();
    b.resize(b.size() - 3);
    return b;
}

const FileCase kGhostCases[] = {
    {"folder", Kind::Folder, noBytes},
    {"io error", Kind::IoError, noBytes},
    {"future version", Kind::Refused, ghostOfVersion2},
    {"unknown circuit", Kind::Refused, ghostOfUnknownCircuit},
    {"another car", Kind::Refused, ghostOfAnotherCar},
    {"truncated", Kind::Refused, ghostTruncated},
    {"link", Kind::Link, theirGhost},
};

}  // namespace

TEST_F(LapFilesOfThePlayer, GhostFileLosesNothingAtTheNextLap) {
    const std::string path = "base/" + ghostFileName(3, 2);
    const GhostLap faster = straightGhost(200.0f);
    for (const FileCase& c : kGhostCases) {
        clearLapRecords();
        game.playerNotice = PlayerNotice{};
        std::filesystem::remove_all(path);
        std::filesystem::remove_all(path + ".bad");
        std::filesystem::remove_all("elsewhere.dat");
        plant(path, c);
        const std::vector<uint8_t> original = bytesOf(path);
        GhostLap read;
        const LapFileRead result = loadGhostFile(3, 2, &read);
        const std::string told = notice();
        EXPECT_TRUE(saveGhostFile(3, 2, faster)) << c.name;
        if (c.kind == Kind::Folder || c.kind == Kind::IoError) {
            EXPECT_EQ(result, LapFileRead::Unreadable) << c.name;
            EXPECT_NE(told.find("Could not read the ghost ghost_3_2.dat"), std::string::npos) << told;
            EXPECT_NE(told.find("It will not be overwritten."), std::string::npos) << told;
            expectUntouched(path, c.kind);
            continue;
        }
        if (c.kind == Kind::Link) {
            EXPECT_EQ(result, LapFileRead::Read) << c.name;
            EXPECT_EQ(told, "") << c.name;
            EXPECT_EQ(bytesOf("elsewhere.dat"), original) << c.name;
        } else {
            EXPECT_EQ(result, LapFileRead::Refused) << c.name;
            EXPECT_EQ(told, "The ghost ghost_3_2.dat was damaged. A copy was kept as ghost_3_2.dat.bad.")
                << c.name;
            EXPECT_EQ(bytesOf(path + ".bad"), original) << c.name;
        }
        EXPECT_EQ(bytesOf(path), encodeGhost(faster)) << c.name;
    }
}

// Two games on one saves folder: a ghost is replaced only by a faster lap,
// and each game's records survive the other's saves.
TEST_F(LapFilesOfThePlayer, AnotherGamesFasterGhostStands) {
    const std::string path = "base/" + ghostFileName(3, 2);
    const GhostLap fast = straightGhost(200.0f), slow = straightGhost(250.0f);
    ASSERT_TRUE(saveGhostFile(3, 2, fast));
    EXPECT_TRUE(saveGhostFile(3, 2, slow));
    EXPECT_EQ(bytesOf(path), encodeGhost(fast));
    const GhostLap faster = straightGhost(150.0f);
    EXPECT_TRUE(saveGhostFile(3, 2, faster));
    EXPECT_EQ(bytesOf(path), encodeGhost(faster));
}

TEST_F(LapFilesOfThePlayer, TwoGamesSavingAtOnceKeepBothRecords) {
    constexpr int kLaps = 40;
    pid_t games[2];
    for (int g = 0; g < 2; g++) {
        games[g] = fork();
        ASSERT_GE(games[g], 0);
        if (games[g] == 0) {
            // Each game reads the file at start and books ever faster laps on
            // a circuit of its own.
            readLapRecords();
            bool saved = true;
            for (int i = 0; i < kLaps; i++) {
                offerLapRecord(4 + 6 * g, g, 9000.0f - 10.0f * static_cast<float>(i), kSplits, i);
                saved = writeLapRecords() && saved;
            }
            _exit(saved ? 0 : 1);
        }
    }
    for (pid_t child : games) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    ASSERT_EQ(readLapRecords(), LapFileRead::Read);
    const float last = 9000.0f - 10.0f * (kLaps - 1);
    EXPECT_FLOAT_EQ(raceRun.lapRecords[3].lap, last);
    EXPECT_FLOAT_EQ(raceRun.lapRecords[9].lap, last);
    EXPECT_EQ(raceRun.lapRecords[9].car, 1);
}

// A disk with no room: the lap's record and ghost cannot be saved. The player
// is told on screen, and the save at exit, with room again, writes both.
TEST_F(LapFilesOfThePlayer, FailedSaveIsToldAndTriedAgainAtExit) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A file may grow to 16 bytes: every save fails as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlim_t room = limit.rlim_cur;
        limit.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &limit);
        offerLapRecord(5, 0, 4000.0f, kSplits, 3);
        int code = 0;
        if (writeLapRecords()) code |= 1;
        const char* told = currentPlayerNotice();
        if (told == nullptr || std::strstr(told, "Could not save the lap record") == nullptr) code |= 2;
        if (saveGhostFile(3, 2, straightGhost(200.0f))) code |= 4;
        if (saveLapFilesAtExit()) code |= 8;
        if (exists("base/records.dat") || exists("base/ghost_3_2.dat")) code |= 16;
        limit.rlim_cur = room;
        setrlimit(RLIMIT_FSIZE, &limit);
        if (!saveLapFilesAtExit()) code |= 32;
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: saved, 2: not told, 4: ghost saved, 8: exit saved, 16: "
                                         "partial file, 32: exit did not save";
    EXPECT_EQ(readLapRecords(), LapFileRead::Read);
    EXPECT_FLOAT_EQ(raceRun.lapRecords[4].lap, 4000.0f);
    GhostLap ghost;
    EXPECT_EQ(loadGhostFile(3, 2, &ghost), LapFileRead::Read);
    EXPECT_FLOAT_EQ(ghost.lap, 200.0f);
}

// The temporaries of writers killed mid-save go at start, records and ghosts
// alike; names that only look like them stay.
TEST_F(LapFilesOfThePlayer, KilledWritersTemporariesAreCleanedAtStart) {
    struct Case {
        const char* name;
        bool folder;
        bool cleaned;
    } cases[] = {
        {"records.dat.tmpR3c0rd", false, true},     {"ghost_1_0.dat.tmpAbC123", false, true},
        {"ghost_15_11.dat.tmp000000", false, true}, {"ghost_1_0.dat.tmp", false, false},
        {"ghost_1_0.dat.tmpAbC1234", false, false}, {"ghost_notes.txt.tmpAbC123", false, false},
        {"ghost_2_0.dat.tmpQwErTy", true, false},   {"my_ghost_1_0.dat.tmpAbC123", false, false},
    };
    for (const Case& c : cases) {
        const std::string path = std::string("base/") + c.name;
        if (c.folder)
            ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
        else
            writeBytes(path, {1, 2, 3});
    }
    readLapRecords();
    for (const Case& c : cases) EXPECT_EQ(exists(std::string("base/") + c.name), !c.cleaned) << c.name;
}

// Another user's files, mode 600, in a folder the player may write to: the
// rename that replaces a save would go through, so only the game's own check
// keeps them.
TEST_F(LapFilesOfThePlayer, AnotherUsersFilesAreNeverReplaced) {
    const std::vector<uint8_t> records = theirRecords(), ghost = theirGhost();
    const std::string ghostPath = "base/" + ghostFileName(3, 2);
    writeBytes("base/records.dat", records);
    writeBytes(ghostPath, ghost);
    ASSERT_EQ(chmod("base/records.dat", 0600), 0);
    ASSERT_EQ(chmod(ghostPath.c_str(), 0600), 0);
    ASSERT_EQ(chmod(".", 0755), 0);
    ASSERT_EQ(chmod("base", 0777), 0);
    const bool root = geteuid() == 0;
    if (!root) {
        ASSERT_EQ(chmod("base/records.dat", 0), 0);
        ASSERT_EQ(chmod(ghostPath.c_str(), 0), 0);
    }
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Root reads anything: the player is somebody else.
        if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(64);
        int code = 0;
        if (readLapRecords() != LapFileRead::Unreadable) code |= 1;
        GhostLap read;
        if (loadGhostFile(3, 2, &read) != LapFileRead::Unreadable) code |= 2;
        offerLapRecord(5, 0, 4000.0f, kSplits, 3);
        if (!writeLapRecords() || !saveGhostFile(3, 2, straightGhost(100.0f))) code |= 4;
        const char* told = currentPlayerNotice();
        if (told == nullptr || std::strstr(told, "It will not be overwritten.") == nullptr) code |= 8;
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: records, 2: ghost not seen as unreadable, 4: skipping called a "
                                         "failure, 8: not told, 64: no user";
    ASSERT_EQ(chmod("base/records.dat", 0600), 0);
    ASSERT_EQ(chmod(ghostPath.c_str(), 0600), 0);
    EXPECT_EQ(bytesOf("base/records.dat"), records);
    EXPECT_EQ(bytesOf(ghostPath), ghost);
}

// korvask-sim --saves sets the saves up as the game does: run from a folder
// of its own, it finds a refused records file and an unreadable ghost, tells
// both on stderr, keeps the copy and the ghost, and books its lap.
TEST(SimSaves, DrivesTheGamesOwnSavesSetUp) {
    const std::string sim = std::string(KORVASK_BUILD_DIR) + "/korvask-sim";
    ASSERT_EQ(access(sim.c_str(), X_OK), 0) << "needs korvask-sim in " << KORVASK_BUILD_DIR;
    TempFolder folder;
    folder.linkContent();
    // The program's own folder is where it looks for base/.
    if (link(sim.c_str(), "korvask-sim") != 0) std::filesystem::copy_file(sim, "korvask-sim");
    const std::vector<uint8_t> future = {'K', 'V', 'R', 'L', 2, 0, 0, 0, 0, 0, 0, 0};
    writeBytes("base/records.dat", future);
    ASSERT_EQ(mkdir("base/ghost_1_0.dat", 0777), 0);
    FILE* pipe = popen("./korvask-sim --race 1 --laps 1 --time-trial --saves 2>&1", "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    ASSERT_EQ(pclose(pipe), 0) << out;
    EXPECT_NE(out.find("The lap records file was damaged. A copy was kept as base/records.dat.bad."),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("Could not read the ghost ghost_1_0.dat: Is a directory. It will not be overwritten."),
              std::string::npos)
        << out;
    EXPECT_EQ(bytesOf("base/records.dat.bad"), future);
    struct stat info;
    ASSERT_EQ(stat("base/ghost_1_0.dat", &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    std::vector<uint8_t> records = bytesOf("base/records.dat");
    LapRecord read[kRecordCircuits];
    EXPECT_EQ(decodeLapRecordsInto(records.data(), records.size(), read), LapFileRead::Read);
    EXPECT_GT(read[0].lap, 0.0f);
}
