// Replays: a recorded race read back puts every car where the race had it,
// the file keeps every sample and refuses every bad input cleanly, and the
// saved files follow the rules of the player's other files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/scripted.h"
#include "race/race.h"
#include "race_fixture.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"
#include "support/temp_folder.h"

namespace {

// One race step of the race as it ran: every car's pose and motion.
struct TruePose {
    float clock;
    Vector3 position[kRaceCars];
    Quaternion orientation[kRaceCars];
    Vector3 velocity[kRaceCars];
    Vector3 spin[kRaceCars];
};

float angleBetween(const Quaternion& a, const Quaternion& b) {
    const float d = std::fabs(a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w);
    return 2.0f * std::acos(d > 1.0f ? 1.0f : d);
}

// Race 1 from the runner's start, driven for `frames` 10 ms frames; every
// step's true poses kept.
std::vector<TruePose> driveRecordedRace(int frames) {
    resetRaceGlobals();
    EXPECT_TRUE(loadSimRace(1, 0, 7));
    DriverState driver{};
    std::vector<TruePose> poses;
    float clock = 0.0f;
    for (int frame = 0; frame < frames; frame++) {
        scriptedDriverKeys(session.cars[0], driver);
        updateStandings();
        raceStep(frameClock.frameFactor);
        clock += frameClock.frameFactor;
        tickCountdown(frameClock.frameFactor);
        TruePose p{};
        p.clock = clock;
        for (int i = 0; i < kRaceCars; i++) {
            p.position[i] = getPosition(session.cars[i].body);
            p.orientation[i] = getOrientation(session.cars[i].body);
            p.velocity[i] = getLinearVelocity(session.cars[i].body);
            p.spin[i] = getAngularVelocity(session.cars[i].body);
        }
        poses.push_back(p);
    }
    return poses;
}

class RecordedRace : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        struct stat st;
        if (stat("base/maps/1/map.ms3d", &st) != 0) return;
        scriptedReset();
        if (!openSimWindow()) return;
        poses_ = new std::vector<TruePose>(driveRecordedRace(2500));
        replay_ = new Replay(replayRun.recording);
        watchInTheRace();
        unloadRace();
        scriptedCloseGLWindow();
    }
    static void TearDownTestSuite() {
        delete poses_;
        delete replay_;
        poses_ = nullptr;
        replay_ = nullptr;
    }
    void SetUp() override {
        if (poses_ == nullptr) FAIL() << "needs the generated maps (korvask-content base) and a GL context";
    }
    // The viewer on the loaded race: every car put where the race had it at
    // a sample, by its body's own transform; then a rewind and the same
    // play forwards.
    static void watchInTheRace() {
        viewed_ = startReplayView(false);
        if (!viewed_) return;
        const TruePose& at = (*poses_)[1999];  // clock 2000, a sample
        seekReplay(at.clock);
        showReplayMoment();
        for (int i = 0; i < kRaceCars; i++) {
            positionError_ =
                std::fmax(positionError_, length(getPosition(session.cars[i].body) - at.position[i]));
            const Matrix3 want = toMatrix(at.orientation[i]), got = getRotation(session.cars[i].body);
            for (int row = 0; row < 3; row++)
                rotationError_ = std::fmax(rotationError_, length(want.rows[row] - got.rows[row]));
        }
        Vector3 before[kRaceCars];
        for (int i = 0; i < kRaceCars; i++) before[i] = getPosition(session.cars[i].body);
        const float start = replayRun.viewer.time;
        setReplaySpeed(kReplayNormalSpeed + 1);
        replayRun.viewer.backwards = true;
        for (int k = 0; k < 7; k++) advanceReplayView(1.3f);
        rewoundBy_ = start - replayRun.viewer.time;
        replayRun.viewer.backwards = false;
        for (int k = 0; k < 7; k++) advanceReplayView(1.3f);
        showReplayMoment();
        for (int i = 0; i < kRaceCars; i++)
            rewindGap_ = std::fmax(rewindGap_, length(getPosition(session.cars[i].body) - before[i]));
        stopReplayView();
    }
    static std::vector<TruePose>* poses_;
    static Replay* replay_;
    static bool viewed_;
    static float positionError_, rotationError_, rewindGap_, rewoundBy_;
};
bool RecordedRace::viewed_ = false;
float RecordedRace::positionError_ = 0.0f;
float RecordedRace::rotationError_ = 0.0f;
float RecordedRace::rewindGap_ = 0.0f;
float RecordedRace::rewoundBy_ = 0.0f;
std::vector<TruePose>* RecordedRace::poses_ = nullptr;
Replay* RecordedRace::replay_ = nullptr;

TEST_F(RecordedRace, EveryCarIsWhereTheRaceHadItAtEverySample) {
    const Replay& r = *replay_;
    ASSERT_EQ(r.carCount, kRaceCars);
    // 2500 steps of one hundredth: a sample at 0 and every fifth step.
    ASSERT_EQ(replayFrameCount(r), 501);
    int checked = 0;
    for (const TruePose& p : *poses_) {
        if (std::fmod(p.clock, kReplaySampleHundredths) != 0.0f) continue;
        for (int i = 0; i < kRaceCars; i++) {
            ReplayPose pose;
            ASSERT_TRUE(replayCarPose(r, i, p.clock, &pose));
            EXPECT_LE(length(pose.position - p.position[i]), 0.01f) << "car " << i << " at " << p.clock;
            EXPECT_LE(angleBetween(pose.orientation, p.orientation[i]), 0.01f)
                << "car " << i << " at " << p.clock;
            checked++;
        }
    }
    EXPECT_EQ(checked, 500 * kRaceCars);
}

// Between two samples the true path leaves the straight line between them by
// no more than half the interval times the largest gap between the true
// velocity and the line's own; the orientation likewise by the spin.
TEST_F(RecordedRace, BetweenSamplesEveryCarStaysWithinTheInterpolationsBound) {
    const Replay& r = *replay_;
    const std::vector<TruePose>& poses = *poses_;
    constexpr float kPhysicsSecondsPerHundredth = 0.028f;
    const float interval = kReplaySampleHundredths * kPhysicsSecondsPerHundredth;
    int checked = 0;
    for (size_t start = 4; start + 5 < poses.size(); start += 5) {
        // poses[start] is at a sample; the next sample is five steps on.
        for (int i = 0; i < kRaceCars; i++) {
            const Vector3 chord =
                (poses[start + 5].position[i] - poses[start].position[i]) * (1.0f / interval);
            float velocityGap = 0.0f, spin = 0.0f;
            for (size_t k = start; k <= start + 5; k++) {
                velocityGap = std::fmax(velocityGap, length(poses[k].velocity[i] - chord));
                spin = std::fmax(spin, length(poses[k].spin[i]));
            }
            for (size_t k = start + 1; k < start + 5; k++) {
                ReplayPose pose;
                ASSERT_TRUE(replayCarPose(r, i, poses[k].clock, &pose));
                // The samples' rounding (1 cm, 0.01 rad) comes on top.
                EXPECT_LE(length(pose.position - poses[k].position[i]), 0.5f * interval * velocityGap + 0.01f)
                    << "car " << i << " at " << poses[k].clock;
                EXPECT_LE(angleBetween(pose.orientation, poses[k].orientation[i]), interval * spin + 0.01f)
                    << "car " << i << " at " << poses[k].clock;
                checked++;
            }
        }
    }
    EXPECT_GT(checked, 1500 * kRaceCars);
}

TEST_F(RecordedRace, TheViewerPutsEveryBodyWhereTheRaceHadIt) {
    ASSERT_TRUE(viewed_);
    EXPECT_LE(positionError_, 0.01f);
    // Rows of unit length: 0.01 apart is about 0.01 rad.
    EXPECT_LE(rotationError_, 0.01f);
}

TEST_F(RecordedRace, RewindThenForwardLandsOnTheSamePose) {
    ASSERT_TRUE(viewed_);
    // Seven frames of 1.3 hundredths at 2x.
    EXPECT_NEAR(rewoundBy_, 7 * 1.3f * 2.0f, 1e-3f);
    EXPECT_LE(rewindGap_, 1e-3f);
}

TEST_F(RecordedRace, TheRacesEventsAreKeptInTimeOrder) {
    const Replay& r = *replay_;
    int released = 0, playerCheckpoints = 0;
    float before = 0.0f;
    for (const ReplayEvent& e : r.events) {
        EXPECT_GE(e.time, before);
        before = e.time;
        if (e.kind == ReplayEventKind::Countdown && e.value == 1) {
            released++;
            // The countdown lets the cars go after six seconds.
            EXPECT_NEAR(e.time, 600.0f, 2.0f);
        }
        if (e.kind == ReplayEventKind::Checkpoint && e.car == 0) playerCheckpoints++;
    }
    EXPECT_EQ(released, 1);
    EXPECT_GT(playerCheckpoints, 3);
    ASSERT_FALSE(r.events.empty());
    EXPECT_EQ(r.events.front().kind, ReplayEventKind::Countdown);
    EXPECT_EQ(r.events.front().value, 0);
}

TEST_F(RecordedRace, TheFileKeepsEverySampleAndEvent) {
    const std::vector<uint8_t> bytes = encodeReplay(*replay_);
    EXPECT_EQ(bytes.size(), kReplayHeaderBytes + replay_->samples.size() * kReplaySampleBytes +
                                replay_->events.size() * kReplayEventBytes);
    Replay back;
    const char* why = nullptr;
    ASSERT_TRUE(decodeReplay(bytes.data(), bytes.size(), &back, &why)) << why;
    EXPECT_EQ(back.race, 1);
    EXPECT_EQ(back.carCount, kRaceCars);
    for (int i = 0; i < kRaceCars; i++) EXPECT_EQ(back.models[i], replay_->models[i]);
    ASSERT_EQ(back.samples.size(), replay_->samples.size());
    EXPECT_EQ(std::memcmp(back.samples.data(), replay_->samples.data(),
                          back.samples.size() * sizeof(ReplayCarSample)),
              0);
    EXPECT_EQ(encodeReplay(back), bytes);
}

// ---------------------------------------------------------------------------
// Bad input.

// A small, sound replay of circuit 3: two cars, a straight drive, two events.
Replay smallReplay() {
    Replay r;
    r.race = 3;
    r.carCount = 2;
    r.models[0] = 4;
    r.models[1] = 9;
    r.laps = 4;
    r.date = 1765000000;
    r.winnerTime = 12.0f;
    for (int frame = 0; frame < 6; frame++) {
        for (int i = 0; i < 2; i++) {
            ReplayPose p{};
            p.position = Vector3(static_cast<float>(frame), 1.0f, 4.5f * static_cast<float>(i));
            p.gear = 1;
            p.rpm = 2000.0f;
            r.samples.push_back(makeReplaySample(p));
        }
    }
    r.events.push_back(ReplayEvent{0.0f, ReplayEventKind::Countdown, 0, 0});
    r.events.push_back(ReplayEvent{12.0f, ReplayEventKind::Finish, 1, 12});
    return r;
}

void putU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int k = 0; k < 4; k++) b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}
void putF32(std::vector<uint8_t>& b, size_t at, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    putU32(b, at, v);
}

struct BadReplay {
    const char* name;
    void (*spoil)(std::vector<uint8_t>& bytes);
    const char* reason;
};

constexpr size_t kFirstSample = kReplayHeaderBytes;
constexpr size_t kFirstEvent = kReplayHeaderBytes + 12 * kReplaySampleBytes;

const BadReplay kBadReplays[] = {
    {"empty", [](std::vector<uint8_t>& b) { b.clear(); }, "empty"},
    {"header cut short", [](std::vector<uint8_t>& b) { b.resize(kReplayHeaderBytes - 1); }, "cut short"},
    {"samples cut short", [](std::vector<uint8_t>& b) { b.resize(kFirstEvent - 3); }, "cut short"},
    {"last event cut short", [](std::vector<uint8_t>& b) { b.pop_back(); }, "cut short"},
    {"zeroed", [](std::vector<uint8_t>& b) { std::fill(b.begin(), b.end(), 0); }, "not a replay"},
    {"another magic", [](std::vector<uint8_t>& b) { b[3] = 'H'; }, "not a replay"},
    {"a byte too many", [](std::vector<uint8_t>& b) { b.push_back(0); }, "damaged"},
    {"oversize", [](std::vector<uint8_t>& b) { b.resize(kMaxReplayFileBytes + 1); }, "too large"},
    {"future version", [](std::vector<uint8_t>& b) { putU32(b, 4, kReplayFileVersion + 1); },
     "from a newer version of the game"},
    {"version 0", [](std::vector<uint8_t>& b) { putU32(b, 4, 0); },
     "of an older version the game no longer reads"},
    {"circuit 0", [](std::vector<uint8_t>& b) { putU32(b, 8, 0); }, "of a circuit this game does not have"},
    {"circuit 21", [](std::vector<uint8_t>& b) { putU32(b, 8, 21); }, "of a circuit this game does not have"},
    {"car model 12", [](std::vector<uint8_t>& b) { putU32(b, 36, 12); }, "of a car this game does not have"},
    {"no cars", [](std::vector<uint8_t>& b) { putU32(b, 28, 0); }, "of a car this game does not have"},
    {"five cars", [](std::vector<uint8_t>& b) { putU32(b, 28, 5); }, "of a car this game does not have"},
    {"unknown flag", [](std::vector<uint8_t>& b) { putU32(b, 12, 2); }, "damaged"},
    {"no laps", [](std::vector<uint8_t>& b) { putU32(b, 16, 0); }, "damaged"},
    {"another rate", [](std::vector<uint8_t>& b) { putU32(b, 52, 10); }, "damaged"},
    {"no frames", [](std::vector<uint8_t>& b) { putU32(b, 56, 0); }, "damaged"},
    {"more frames than it holds", [](std::vector<uint8_t>& b) { putU32(b, 56, 7); }, "cut short"},
    {"frames past the limit", [](std::vector<uint8_t>& b) { putU32(b, 56, 0xFFFFFFFFu); }, "damaged"},
    {"events past the limit", [](std::vector<uint8_t>& b) { putU32(b, 60, 0x7FFFFFFFu); }, "damaged"},
    {"winner's time not a number", [](std::vector<uint8_t>& b) { putF32(b, 48, NAN); }, "damaged"},
    {"position not a number", [](std::vector<uint8_t>& b) { putF32(b, kFirstSample + 4, NAN); }, "damaged"},
    {"position far off", [](std::vector<uint8_t>& b) { putF32(b, kFirstSample, 3e7f); }, "damaged"},
    {"orientation not unit",
     [](std::vector<uint8_t>& b) {
         std::fill(b.begin() + kFirstSample + 12, b.begin() + kFirstSample + 20, 0);
     },
     "damaged"},
    {"wheel spin infinite", [](std::vector<uint8_t>& b) { putF32(b, kFirstSample + 20, INFINITY); },
     "damaged"},
    {"gear 6", [](std::vector<uint8_t>& b) { b[kFirstSample + 44] = 6; }, "damaged"},
    {"unknown light", [](std::vector<uint8_t>& b) { b[kFirstSample + 45] = 0x80; }, "damaged"},
    {"nitro over full", [](std::vector<uint8_t>& b) { b[kFirstSample + 50] = 101; }, "damaged"},
    {"events out of order", [](std::vector<uint8_t>& b) { putF32(b, kFirstEvent, 20.0f); }, "damaged"},
    {"event after the end", [](std::vector<uint8_t>& b) { putF32(b, kFirstEvent + 10, 100.0f); }, "damaged"},
    {"unknown event", [](std::vector<uint8_t>& b) { b[kFirstEvent + 4] = 99; }, "damaged"},
    {"event of a car it lacks", [](std::vector<uint8_t>& b) { b[kFirstEvent + 15] = 2; }, "damaged"},
};

TEST(ReplayFile, EveryBadInputIsRefusedWithItsReason) {
    const std::vector<uint8_t> good = encodeReplay(smallReplay());
    Replay read;
    const char* why = "unset";
    ASSERT_TRUE(decodeReplay(good.data(), good.size(), &read, &why));
    EXPECT_EQ(why, nullptr);
    for (const BadReplay& bad : kBadReplays) {
        std::vector<uint8_t> bytes = good;
        bad.spoil(bytes);
        Replay r;
        r.race = 77;
        why = nullptr;
        EXPECT_FALSE(decodeReplay(bytes.data(), bytes.size(), &r, &why)) << bad.name;
        ASSERT_NE(why, nullptr) << bad.name;
        EXPECT_STREQ(why, bad.reason) << bad.name;
        EXPECT_EQ(r.race, 77) << bad.name << ": a refused file leaves the replay as it was";
    }
}

TEST(ReplayFile, EveryTruncationIsRefused) {
    const std::vector<uint8_t> good = encodeReplay(smallReplay());
    for (size_t n = 0; n < good.size(); n++) {
        Replay r;
        const char* why = nullptr;
        EXPECT_FALSE(decodeReplay(good.data(), n, &r, &why)) << n;
        EXPECT_NE(why, nullptr) << n;
    }
}

TEST(ReplayFile, ASampleReadsBackWithinItsRounding) {
    ReplayPose p{};
    p.position = Vector3(12.5f, -3.25f, 1000.0f);
    const float half = 0.3f;
    p.orientation = Quaternion(0.0f, std::sin(half), 0.0f, std::cos(half));
    const float spins[4] = {0.5f, 100.25f, -3.0f, 7.0f};
    for (int j = 0; j < kWheels; j++) {
        p.wheelSpin[j] = spins[j];
        p.suspension[j] = 0.7f + 0.05f * static_cast<float>(j);
    }
    p.steer = -0.31f;
    p.rpm = 6543.0f;
    p.gear = -1;
    p.flags = kReplayReverseLight | kReplaySmoke;
    p.flameLevel = 0.5f;
    p.driftLevel = 2.5f;
    p.nitro = 42.0f;
    const ReplayPose b = replaySamplePose(makeReplaySample(p));
    EXPECT_EQ(length(b.position - p.position), 0.0f);
    EXPECT_LE(angleBetween(b.orientation, p.orientation), 1e-3f);
    for (int j = 0; j < kWheels; j++) {
        EXPECT_EQ(b.wheelSpin[j], spins[j]);
        EXPECT_NEAR(b.suspension[j], p.suspension[j], 0.51f / 255.0f);
    }
    EXPECT_NEAR(b.steer, -0.31f, 1e-4f);
    EXPECT_EQ(b.rpm, 6543.0f);
    EXPECT_EQ(b.gear, -1);
    EXPECT_EQ(b.flags, kReplayReverseLight | kReplaySmoke);
    EXPECT_NEAR(b.flameLevel, 0.5f, 0.51f / 255.0f);
    EXPECT_NEAR(b.driftLevel, 2.5f, 0.5f / 60.0f);
    EXPECT_EQ(b.nitro, 42.0f);
}

// Twenty minutes of four cars fit the budget of 8 MB, on disk and in memory.
TEST(ReplayFile, TwentyMinutesOfFourCarsStayUnderEightMegabytes) {
    const size_t frames = 20 * 60 * 20 + 1;
    EXPECT_LT(kReplayHeaderBytes + frames * kRaceCars * kReplaySampleBytes, 8u << 20);
    EXPECT_LT(frames * kRaceCars * sizeof(ReplayCarSample), 8u << 20);
}

// ---------------------------------------------------------------------------
// The saves folder.

class SavedReplays : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(folder.path().empty());
        ASSERT_EQ(mkdir("base", 0777), 0);
        std::snprintf(saves.savesFolder, sizeof saves.savesFolder, "base");
        replayRun = ReplayRunState{};
        game.playerNotice = PlayerNotice{};
    }
    void TearDown() override {
        replayRun = ReplayRunState{};
        game.playerNotice = PlayerNotice{};
    }
    static std::vector<uint8_t> bytesOf(const std::string& path) {
        std::vector<uint8_t> bytes;
        platformReadFile(path.c_str(), &bytes);
        return bytes;
    }
    static void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    TempFolder folder;
};

TEST_F(SavedReplays, ARecordingIsSavedOnceUnderItsCircuitAndDate) {
    replayRun.recording = smallReplay();
    std::string name;
    ASSERT_TRUE(saveRecordedReplay(&name));
    EXPECT_EQ(name, "replay_3_20251206_054640.krp");
    EXPECT_EQ(bytesOf("base/" + name), encodeReplay(smallReplay()));
    // Saved again: the same file, no second copy.
    std::string again;
    ASSERT_TRUE(saveRecordedReplay(&again));
    EXPECT_EQ(again, name);
    EXPECT_EQ(platformListFiles("base", kReplayFilePattern).size(), 1u);
}

TEST_F(SavedReplays, AnotherFileOfThatNameIsNeverWrittenOver) {
    replayRun.recording = smallReplay();
    const std::string taken = "base/" + replayFileName(3, smallReplay().date);
    const std::vector<uint8_t> theirs = {'n', 'o', 't', ' ', 'o', 'u', 'r', 's'};
    writeBytes(taken, theirs);
    std::string name;
    ASSERT_TRUE(saveRecordedReplay(&name));
    EXPECT_EQ(name, "replay_3_20251206_054640_2.krp");
    EXPECT_EQ(bytesOf(taken), theirs);
}

TEST_F(SavedReplays, NothingRecordedIsNotSavedAndThePlayerIsTold) {
    EXPECT_FALSE(saveRecordedReplay());
    EXPECT_TRUE(game.playerNotice.set);
    EXPECT_TRUE(platformListFiles("base", kReplayFilePattern).empty());
}

TEST_F(SavedReplays, TheListShowsBadFilesWithTheirReasonAndLeavesThemAsTheyAre) {
    Replay older = smallReplay();
    older.date -= 3600;
    writeBytes("base/" + replayFileName(3, older.date), encodeReplay(older));
    writeBytes("base/" + replayFileName(3, smallReplay().date), encodeReplay(smallReplay()));
    std::vector<uint8_t> future = encodeReplay(smallReplay());
    putU32(future, 4, kReplayFileVersion + 1);
    writeBytes("base/replay_9_future.krp", future);
    writeBytes("base/replay_1_empty.krp", {});
    writeBytes("base/notes.txt", {'x'});
    const std::vector<ReplayListing> list = listSavedReplays();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_TRUE(list[0].readable);
    EXPECT_EQ(list[0].date, smallReplay().date);
    EXPECT_EQ(list[0].race, 3);
    EXPECT_EQ(list[0].carCount, 2);
    EXPECT_EQ(list[0].models[1], 9);
    EXPECT_EQ(list[0].winnerTime, 12.0f);
    EXPECT_TRUE(list[1].readable);
    EXPECT_EQ(list[1].date, older.date);
    EXPECT_FALSE(list[2].readable);
    EXPECT_FALSE(list[3].readable);
    std::vector<std::string> problems = {list[2].problem, list[3].problem};
    std::sort(problems.begin(), problems.end());
    EXPECT_EQ(problems[0], "empty");
    EXPECT_EQ(problems[1], "from a newer version of the game");
    EXPECT_EQ(bytesOf("base/replay_9_future.krp"), future);
    std::string problem;
    EXPECT_FALSE(loadSavedReplay("replay_9_future.krp", &problem));
    EXPECT_EQ(problem, "from a newer version of the game");
    EXPECT_TRUE(loadSavedReplay(list[0].name, &problem));
    EXPECT_EQ(replayRun.watched.race, 3);
}

TEST_F(SavedReplays, OnlyReplaysOfTheSavesFolderAreDeleted) {
    writeBytes("base/replay_3_a.krp", encodeReplay(smallReplay()));
    writeBytes("base/career.inf", {'c'});
    EXPECT_FALSE(deleteSavedReplay("career.inf"));
    EXPECT_FALSE(deleteSavedReplay("../base/replay_3_a.krp"));
    EXPECT_FALSE(deleteSavedReplay("replay_3_gone.krp"));
    EXPECT_TRUE(deleteSavedReplay("replay_3_a.krp"));
    EXPECT_TRUE(platformListFiles("base", "*").size() == 1u);
}

}  // namespace

// ---------------------------------------------------------------------------
// TV cameras.

namespace {

// The segment from a to b passes through the box of a building (from far
// below the ground up to its top).
bool throughBuilding(const MapSolid& s, const Vector3& a, const Vector3& b) {
    const float from[3] = {a.x, a.y, a.z}, to[3] = {b.x, b.y, b.z};
    const float low[3] = {s.x0, -1e4f, s.z0}, high[3] = {s.x1, s.top, s.z1};
    float enter = 0.0f, leave = 1.0f;
    for (int k = 0; k < 3; k++) {
        const float d = to[k] - from[k];
        if (d == 0.0f) {
            if (from[k] < low[k] || from[k] > high[k]) return false;
            continue;
        }
        const float t0 = (low[k] - from[k]) / d, t1 = (high[k] - from[k]) / d;
        enter = std::fmax(enter, std::fmin(t0, t1));
        leave = std::fmin(leave, std::fmax(t0, t1));
    }
    return enter <= leave;
}

}  // namespace

// Along every circuit's line, a metre up where a leading car's body is, the
// TV camera showing that stretch sees it past the walls and the buildings
// for at least 80 % of the lap.
TEST(TvCameras, EveryCircuitsCamerasSeeTheLeaderForMostOfTheLap) {
    struct stat st;
    if (stat("base/maps/1/map.ms3d", &st) != 0) FAIL() << "needs the generated maps (korvask-content base)";
    scriptedReset();
    ASSERT_TRUE(openSimWindow());
    for (int race = 1; race <= kRecordCircuits; race++) {
        resetRaceGlobals();
        ASSERT_TRUE(loadSimRace(race, 0, 1)) << race;
        planTvCameras();
        char path[64];
        std::snprintf(path, sizeof path, "base/maps/%d/solids.txt", race);
        std::vector<MapSolid> solids;
        loadMapSolids(path, &solids);
        const Model* map = session.collisionMapModel;
        int points = 0, seen = 0;
        const int n = session.checkpointCount;
        for (int j = 0; j < n; j++) {
            const Checkpoint& a = session.checkpoints[j];
            const Checkpoint& b = session.checkpoints[(j + 1) % n];
            const Vector3 pa(a.x, a.y + 1.0f, a.z), pb(b.x, b.y + 1.0f, b.z);
            const int steps = static_cast<int>(length(pb - pa) / 2.0f) + 1;
            for (int s = 0; s < steps; s++) {
                const Vector3 car = pa + (pb - pa) * (static_cast<float>(s) / static_cast<float>(steps));
                const int camera = tvCameraFor(car);
                points++;
                if (camera < 0) continue;
                const Vector3 eye = replayRun.tv.cameras[static_cast<size_t>(camera)];
                bool clear = segmentHitFraction(map->vertices, map->vertexCount, map->triangles,
                                                map->triangleCount, eye, car) >= 1.0f;
                for (const MapSolid& building : solids) clear = clear && !throughBuilding(building, eye, car);
                seen += clear ? 1 : 0;
            }
        }
        EXPECT_GT(replayRun.tv.cameras.size(), 3u) << "circuit " << race;
        EXPECT_GE(seen, points * 4 / 5) << "circuit " << race << ": " << seen << " of " << points << " seen";
        unloadRace();
    }
    scriptedCloseGLWindow();
}
