// Windows-style content paths, whole-file reads and atomic replacement.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/png_writer.h"

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

int entriesIn(const char* folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        (void)entry;
        count++;
    }
    return count;
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
    EXPECT_EQ(entriesIn("deep/er"), 1) << "temporary file left behind";

    // When the name cannot be replaced (a folder holds it) the write fails
    // and takes its temporary with it.
    ASSERT_EQ(mkdir("deep/er/folder.bin", 0777), 0);
    EXPECT_FALSE(platformWriteFileAtomic("deep/er/folder.bin", big.data(), big.size()));
    EXPECT_EQ(entriesIn("deep/er"), 2);
}

// ---------------------------------------------------------------------------
// Saves under faults: whatever happens to a write, the previous file is
// either still there whole or replaced whole.

const std::vector<uint8_t> kPrevious(492, 0x11);

// Runs body in a child process and returns its wait status.
template <typename Body>
int inChild(Body body) {
    pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

std::vector<uint8_t> contents(const char* path) {
    std::vector<uint8_t> bytes;
    platformReadFile(path, &bytes);
    return bytes;
}

TEST_F(Files, KilledWhileWritingTheTemporaryKeepsThePreviousSave) {
    ASSERT_TRUE(platformWriteFileAtomic("base/career.inf", kPrevious.data(), kPrevious.size()));
    // The file-size limit kills the writer part way through its temporary,
    // as a player killing the game during the save would.
    int status = inChild([] {
        struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        struct rlimit limit = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<uint8_t> big(1 << 20, 0x22);
        platformWriteFileAtomic("base/career.inf", big.data(), big.size());
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer was meant to be killed";
    EXPECT_EQ(contents("base/career.inf"), kPrevious);
    EXPECT_EQ(entriesIn("base"), 2) << "the killed writer's temporary";
    // The next start-up clears it away and the save still reads whole.
    EXPECT_EQ(platformRemoveStaleTemporaries("base/career.inf"), 1);
    EXPECT_EQ(entriesIn("base"), 1);
    EXPECT_EQ(contents("base/career.inf"), kPrevious);
}

TEST_F(Files, AFullDiskFailsTheWriteAndKeepsThePreviousSave) {
    ASSERT_TRUE(platformWriteFileAtomic("base/career.inf", kPrevious.data(), kPrevious.size()));
    int status = inChild([] {
        // No room past 100 bytes, reported as an error rather than a signal.
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<uint8_t> next(492, 0x33);
        _exit(platformWriteFileAtomic("base/career.inf", next.data(), next.size()) ? 1 : 0);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write claimed success";
    EXPECT_EQ(contents("base/career.inf"), kPrevious);
    EXPECT_EQ(entriesIn("base"), 1) << "the failed write left its temporary";
}

TEST_F(Files, TwoWritersAtOnceNeverPublishAPartialSave) {
    ASSERT_TRUE(platformWriteFileAtomic("base/career.inf", kPrevious.data(), kPrevious.size()));
    // Two games quitting together, many times over; a reader watches the file
    // the whole time and must only ever see a whole save.
    const int kRounds = 200;
    pid_t watcher = fork();
    if (watcher == 0) {
        int bad = 0;
        for (int i = 0; i < kRounds * 20; i++) {
            std::vector<uint8_t> seen = contents("base/career.inf");
            if (seen.size() != 492) bad++;
        }
        _exit(bad == 0 ? 0 : 1);
    }
    pid_t writers[2];
    for (int w = 0; w < 2; w++) {
        writers[w] = fork();
        if (writers[w] == 0) {
            std::vector<uint8_t> mine(492, (uint8_t)(0x40 + w));
            for (int i = 0; i < kRounds; i++) {
                if (!platformWriteFileAtomic("base/career.inf", mine.data(), mine.size())) _exit(1);
            }
            _exit(0);
        }
    }
    for (pid_t pid : {writers[0], writers[1], watcher}) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "process " << pid;
    }
    std::vector<uint8_t> last = contents("base/career.inf");
    ASSERT_EQ(last.size(), 492u);
    EXPECT_TRUE(last == std::vector<uint8_t>(492, 0x40) || last == std::vector<uint8_t>(492, 0x41));
    EXPECT_EQ(entriesIn("base"), 1);
}

TEST_F(Files, ALiveWritersTemporaryIsNotTakenForStale) {
    ASSERT_EQ(mkdir("base", 0777), 0);
    // A temporary held the way a writer holds its own.
    int fd = open("base/career.inf.tmpLiVe01", O_CREAT | O_RDWR, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX), 0);
    ASSERT_EQ(mkdir("base/career.inf.tmpDir", 0777), 0);
    EXPECT_EQ(platformRemoveStaleTemporaries("base/career.inf"), 0);
    close(fd);
    EXPECT_EQ(platformRemoveStaleTemporaries("base/career.inf"), 1);
    EXPECT_EQ(entriesIn("base"), 1) << "a folder is never removed";
}

// The start-up cleaner's names: only the writer's own temporaries of the save
// it cleans for, as plain files no writer holds, are removed.
enum class Entry { File, Folder, LinkToFile, HeldFile };

struct CleanerCase {
    const char* save;
    const char* name;
    Entry entry;
    bool removed;
};

const CleanerCase kCleanerCases[] = {
    {"career.inf", "career.inf.tmpAbC123", Entry::File, true},
    {"career.inf", "career.inf.tmp000000", Entry::File, true},
    {"career.inf", "career.inf.tmpzzZZ99", Entry::File, true},
    {"menu.inf", "menu.inf.tmpXyZ789", Entry::File, true},
    // Look-alikes are the player's.
    {"career.inf", "career.inf.tmp", Entry::File, false},
    {"career.inf", "career.inf.tmp.bak", Entry::File, false},
    {"career.inf", "career.inf.tmp-copy-of-my-career", Entry::File, false},
    {"menu.inf", "menu.inf.tmp_backup", Entry::File, false},
    {"career.inf", "career.inf.tmpAbC12", Entry::File, false},
    {"career.inf", "career.inf.tmpAbC1234", Entry::File, false},
    {"career.inf", "career.inf.tmpAb.123", Entry::File, false},
    {"career.inf", "career.inf.tmpAb-123", Entry::File, false},
    {"career.inf", "my-career.inf.tmpAbC123", Entry::File, false},
    {"career.inf", "menu.inf.tmpAbC123", Entry::File, false},
    {"career.inf", "career.inf.TMPAbC123", Entry::File, false},
    // The exact name, but not the writer's kind of file, or still written.
    {"career.inf", "career.inf.tmpAbC123", Entry::Folder, false},
    {"career.inf", "career.inf.tmpAbC123", Entry::LinkToFile, false},
    {"career.inf", "career.inf.tmpAbC123", Entry::HeldFile, false},
};

TEST_F(Files, TheCleanerRemovesOnlyTheWritersStaleTemporaries) {
    for (const CleanerCase& c : kCleanerCases) {
        SCOPED_TRACE(std::string(c.name) + " for " + c.save + " as entry " + std::to_string((int)c.entry));
        std::filesystem::remove_all("base");
        ASSERT_EQ(mkdir("base", 0777), 0);
        ASSERT_TRUE(platformWriteFileAtomic("base/kept.bin", "player", 6));
        const std::string path = std::string("base/") + c.name;
        int held = -1;
        switch (c.entry) {
            case Entry::File:
                ASSERT_TRUE(platformWriteFileAtomic(path.c_str(), "x", 1));
                break;
            case Entry::Folder:
                ASSERT_EQ(mkdir(path.c_str(), 0777), 0);
                break;
            case Entry::LinkToFile:
                ASSERT_EQ(symlink("kept.bin", path.c_str()), 0);
                break;
            case Entry::HeldFile:
                held = open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
                ASSERT_GE(held, 0);
                ASSERT_EQ(flock(held, LOCK_EX), 0);
                break;
        }
        EXPECT_EQ(platformRemoveStaleTemporaries((std::string("base/") + c.save).c_str()), c.removed ? 1 : 0);
        struct stat info;
        EXPECT_EQ(lstat(path.c_str(), &info) != 0, c.removed);
        EXPECT_EQ(contents("base/kept.bin"), (std::vector<uint8_t>{'p', 'l', 'a', 'y', 'e', 'r'}));
        if (held >= 0) {
            close(held);
        }
    }
}

TEST_F(Files, TheWritersRealTemporariesMatchTheCleanersPattern) {
    // mkostemp's own names, from the writer's template.
    for (int i = 0; i < 50; i++) {
        char name[] = "career.inf.tmpXXXXXX";
        int fd = mkostemp(name, O_CLOEXEC);
        ASSERT_GE(fd, 0);
        close(fd);
        unlink(name);
        EXPECT_TRUE(platformIsWriterTemporary("career.inf", name)) << name;
    }
}

// Why a read failed: a missing file is told apart from one that is there but
// cannot be read.
TEST_F(Files, AFailedReadSaysWhy) {
    ASSERT_EQ(mkdir("folder.inf", 0777), 0);
    ASSERT_EQ(symlink("/proc/self/mem", "broken.inf"), 0);
    ASSERT_TRUE(platformWriteFileAtomic("good.inf", "ok", 2));
    const struct {
        const char* path;
        int error;
    } cases[] = {{"good.inf", 0}, {"none.inf", ENOENT}, {"folder.inf", EISDIR}, {"broken.inf", EIO}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::vector<uint8_t> bytes = {9};
        EXPECT_EQ(platformTryReadFile(c.path, &bytes), c.error);
        EXPECT_EQ(bytes.empty(), c.error != 0);
    }
}

// A screenshot is whole or not there at all.
TEST_F(Files, APictureThatCannotBeWrittenLeavesNothingBehind) {
    std::vector<uint8_t> rgb(64 * 48 * 3, 0x80);
    ASSERT_EQ(mkdir("shots", 0777), 0);
    ASSERT_TRUE(writePngRgb("shots/whole.png", rgb.data(), 64, 48));
    EXPECT_EQ(contents("shots/whole.png").size() > 64u * 48u * 3u, true);
    // A full disk: no room past 1000 bytes, reported as an error.
    int status = inChild([&rgb] {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = {1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        errno = 0;
        const bool written = writePngRgb("shots/full.png", rgb.data(), 64, 48);
        _exit(written ? 1 : (errno == EFBIG ? 0 : 2));
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: claimed success, 2: no reason given";
    EXPECT_EQ(entriesIn("shots"), 1) << "a cut-off picture or its temporary was left";
    // A folder that takes no files (even for root).
    ASSERT_EQ(symlink("/proc/self", "locked"), 0);
    EXPECT_FALSE(writePngRgb("locked/shot.png", rgb.data(), 64, 48));
}

TEST_F(Files, OnlyPlainFilesAreRead) {
    ASSERT_EQ(mkdir("folder.bin", 0777), 0);
    ASSERT_EQ(symlink("/dev/zero", "endless.bin"), 0);
    for (const char* path : {"folder.bin", "endless.bin"}) {
        SCOPED_TRACE(path);
        std::vector<uint8_t> bytes = {1};
        EXPECT_FALSE(platformReadFile(path, &bytes));
        EXPECT_TRUE(bytes.empty());
    }
}

}  // namespace
