// Lap records and ghosts: sector cuts, the sampled lap at its boundaries,
// interpolation between samples, the record rule, both files round trip and
// the damaged ones, and a ghost recorded by the race runner replayed beside
// the same drive.
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "gtest/gtest.h"
#include "race/race.h"
#include "state/state.h"
#include "support/temp_folder.h"

namespace {

Quaternion turnAboutY(float radians) {
    return Quaternion(0.0f, std::sin(radians / 2.0f), 0.0f, std::cos(radians / 2.0f));
}

// A lap driven straight along +x at one unit per hundredth, in steps of f.
GhostLap driveStraight(float lap, float f) {
    GhostRecorder rec{};
    ghostRecordStart(rec, 3, 2, Vector3(0, 0, 0), Quaternion());
    float t = 0.0f;
    while (t + f < lap) {
        t += f;
        ghostRecordStep(rec, t, Vector3(t, 0, 0), Quaternion());
    }
    EXPECT_TRUE(ghostRecordFinish(rec, lap, Vector3(lap, 0, 0), Quaternion()));
    return rec.lap;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary).write((const char*)bytes.data(), (std::streamsize)bytes.size());
}

class LapFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        std::snprintf(saves.savesFolder, sizeof saves.savesFolder, "%s", folder.path().c_str());
        clearLapRecords();
    }
    void TearDown() override {
        std::snprintf(saves.savesFolder, sizeof saves.savesFolder, "base");
        clearLapRecords();
    }
    TempFolder folder;
};

}  // namespace

TEST(LapSectors, CutByCheckpointCount) {
    struct Case {
        int count, checkpoint, sector;
    } cases[] = {
        {30, 0, 3},  {30, 10, 1}, {30, 20, 2}, {30, 9, 0}, {30, 29, 0}, {31, 10, 1},
        {31, 20, 2}, {31, 21, 0}, {3, 1, 1},   {3, 2, 2},  {1, 0, 3},   {0, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sectorEndedAt(c.checkpoint, c.count), c.sector) << c.count << " " << c.checkpoint;
}

TEST(GhostLapSampling, LapEndingOnASampleAndBetweenSamples) {
    struct Case {
        float lap, step;
        int samples;
    } cases[] = {
        {20.0f, 1.0f, 5},  // 0 5 10 15 20: the end is the grid's last sample, once
        {22.0f, 1.0f, 6},  // 0 5 10 15 20 22
        {20.0f, 2.5f, 5},  // steps that land on the samples
        {20.0f, 3.0f, 5},  // steps that straddle them
        {4.0f, 1.0f, 2},   // shorter than one interval
        {5.0f, 5.0f, 2},
    };
    for (const Case& c : cases) {
        const GhostLap g = driveStraight(c.lap, c.step);
        ASSERT_EQ((int)g.samples.size(), c.samples) << c.lap << " " << c.step;
        EXPECT_EQ(ghostSampleCount(c.lap), c.samples);
        EXPECT_FLOAT_EQ(ghostSampleTime(g, c.samples - 1), c.lap);
        // Each sample lies where the car was at its time, whatever the steps.
        for (int i = 0; i < c.samples; i++)
            EXPECT_NEAR(g.samples[i].position[0], ghostSampleTime(g, i), 1e-4f) << i;
    }
}

TEST(GhostLapSampling, InterpolatesBetweenSamples) {
    GhostLap g;
    g.race = 1;
    g.car = 0;
    g.lap = 12.0f;  // samples at 0, 5, 10, 12
    const float xs[4] = {0.0f, 10.0f, 20.0f, 30.0f};
    const float turns[4] = {0.0f, 1.5707964f, 1.5707964f, 3.0f};
    for (int i = 0; i < 4; i++) {
        const Quaternion q = turnAboutY(turns[i]);
        g.samples.push_back(GhostSample{{xs[i], 1.0f, 0.0f}, {q.x, q.y, q.z, q.w}});
    }
    struct Case {
        float t, x, turn;
    } cases[] = {{0.0f, 0.0f, 0.0f},
                 {2.5f, 5.0f, 0.7853982f},
                 {7.5f, 15.0f, 1.5707964f},
                 {11.0f, 25.0f, -1.0f},
                 {12.0f, 30.0f, 3.0f}};
    for (const Case& c : cases) {
        Vector3 p;
        Quaternion q;
        ASSERT_TRUE(ghostPose(g, c.t, &p, &q)) << c.t;
        EXPECT_NEAR(p.x, c.x, 1e-4f) << c.t;
        EXPECT_NEAR(p.y, 1.0f, 1e-6f);
        EXPECT_NEAR(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w, 1.0f, 1e-5f);
        if (c.turn >= 0.0f) {
            EXPECT_NEAR(2.0f * std::atan2(q.y, q.w), c.turn, 1e-4f) << c.t;
        }
    }
    Vector3 p;
    Quaternion q;
    EXPECT_FALSE(ghostPose(g, 12.5f, &p, &q));
    EXPECT_FALSE(ghostPose(g, -1.0f, &p, &q));
    EXPECT_FALSE(ghostPose(GhostLap{}, 0.0f, &p, &q));
}

// The body's orientation is off unit length between the solver's
// normalisations; every stored pose is unit length, the lap's last included.
TEST(GhostLapSampling, StoresUnitOrientations) {
    GhostRecorder rec{};
    const Quaternion longer(0.0f, 0.3f * 1.05f, 0.0f, std::sqrt(1.0f - 0.09f) * 1.05f);
    ghostRecordStart(rec, 3, 2, Vector3(0, 0, 0), longer);
    for (float t = 1.0f; t < 20.0f; t += 1.0f) ghostRecordStep(rec, t, Vector3(t, 0, 0), longer);
    ASSERT_TRUE(ghostRecordFinish(rec, 20.5f, Vector3(20.5f, 0, 0), longer));
    for (const GhostSample& s : rec.lap.samples) {
        float n = 0.0f;
        for (float v : s.orientation) n += v * v;
        EXPECT_NEAR(n, 1.0f, 1e-5f);
    }
}

TEST(LapRecordRule, ReplacedOnlyByAFasterLap) {
    clearLapRecords();
    const float splits[3] = {1000.0f, 2000.0f, 3000.0f};
    struct Case {
        int race, car;
        float lap;
        bool taken;
        float standing;
    } cases[] = {
        {4, 1, 3000.0f, true, 3000.0f}, {4, 2, 3000.0f, false, 3000.0f}, {4, 2, 3000.5f, false, 3000.0f},
        {4, 5, 2999.9f, true, 2999.9f}, {0, 5, 10.0f, false, 0.0f},      {16, 5, 10.0f, false, 0.0f},
        {5, 5, 0.0f, false, 0.0f},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(offerLapRecord(c.race, c.car, c.lap, splits, 7), c.taken) << c.race << " " << c.lap;
        if (c.race >= 1 && c.race <= kRecordCircuits) {
            EXPECT_FLOAT_EQ(raceRun.lapRecords[c.race - 1].lap, c.standing);
        }
    }
    EXPECT_EQ(raceRun.lapRecords[3].car, 5);
    clearLapRecords();
}

TEST_F(LapFiles, RecordsRoundTripThroughTheSavesFolder) {
    const float splits[3] = {1500.0f, 3000.25f, 5123.5f};
    offerLapRecord(1, 0, 5123.5f, splits, 1796947200);
    offerLapRecord(15, 11, 9000.0f, splits, -5);
    ASSERT_TRUE(writeLapRecords());
    clearLapRecords();
    EXPECT_EQ(readLapRecords(), LapFileRead::Read);
    EXPECT_FLOAT_EQ(raceRun.lapRecords[0].lap, 5123.5f);
    EXPECT_EQ(raceRun.lapRecords[0].date, 1796947200);
    EXPECT_FLOAT_EQ(raceRun.lapRecords[0].splits[1], 3000.25f);
    EXPECT_EQ(raceRun.lapRecords[14].car, 11);
    EXPECT_EQ(raceRun.lapRecords[14].date, -5);
    EXPECT_EQ(raceRun.lapRecords[7].lap, 0.0f);

    const GhostLap ghost = driveStraight(123.0f, 1.0f);
    const std::string path = savesPath(ghostFileName(3, 2).c_str());
    ASSERT_TRUE(writeGhostFile(path.c_str(), ghost));
    GhostLap read;
    ASSERT_EQ(readGhostFile(path.c_str(), 3, 2, &read), LapFileRead::Read);
    EXPECT_EQ(encodeGhost(read), encodeGhost(ghost));
}

TEST_F(LapFiles, DamagedFilesLeaveOnlyWhatTheyBreak) {
    const float splits[3] = {1500.0f, 3000.0f, 5000.0f};
    offerLapRecord(2, 1, 5000.0f, splits, 1);
    offerLapRecord(9, 4, 6000.0f, splits, 2);
    const std::vector<uint8_t> records = encodeLapRecords();
    std::vector<uint8_t> foreign = records, oversized = records, badEntry = records;
    foreign[4] = 2;
    oversized.resize(kMaxLapRecordsFileBytes + 1, 0);
    badEntry[kLapRecordsHeaderBytes + 4] = 99;  // the first entry's car
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool write;
        LapFileRead read;
        bool second, ninth;
    } cases[] = {
        {"missing", {}, false, LapFileRead::Missing, false, false},
        {"whole", records, true, LapFileRead::Read, true, true},
        {"truncated", std::vector<uint8_t>(records.begin(), records.end() - 5), true, LapFileRead::Partial,
         true, false},
        {"header only", std::vector<uint8_t>(records.begin(), records.begin() + 6), true,
         LapFileRead::Refused, false, false},
        {"foreign version", foreign, true, LapFileRead::Refused, false, false},
        {"oversized", oversized, true, LapFileRead::Refused, false, false},
        {"one bad entry", badEntry, true, LapFileRead::Partial, false, true},
    };
    const std::string path = savesPath(kLapRecordsFileName);
    for (const Case& c : cases) {
        std::remove(path.c_str());
        if (c.write) writeBytes(path, c.bytes);
        EXPECT_EQ(readLapRecords(), c.read) << c.name;
        EXPECT_EQ(raceRun.lapRecords[1].lap > 0.0f, c.second) << c.name;
        EXPECT_EQ(raceRun.lapRecords[8].lap > 0.0f, c.ninth) << c.name;
    }

    // Ghosts: the damaged one is left out, and a ghost of another circuit or
    // car is refused.
    GhostLap ghost = driveStraight(40.0f, 1.0f);
    const std::vector<uint8_t> good = encodeGhost(ghost);
    std::vector<uint8_t> ghostForeign = good, ghostLong = good, ghostBadTurn = good;
    ghostForeign[4] = 9;
    ghostLong.push_back(0);
    std::memset(ghostBadTurn.data() + kGhostHeaderBytes + 12, 0, 16);  // the first orientation
    struct GhostCase {
        const char* name;
        std::vector<uint8_t> bytes;
        int race, car;
        LapFileRead read;
    } ghostCases[] = {
        {"whole", good, 3, 2, LapFileRead::Read},
        {"another circuit", good, 4, 2, LapFileRead::Refused},
        {"another car", good, 3, 5, LapFileRead::Refused},
        {"any car", good, 3, -1, LapFileRead::Read},
        {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1), 3, 2, LapFileRead::Refused},
        {"oversized", ghostLong, 3, 2, LapFileRead::Refused},
        {"foreign version", ghostForeign, 3, 2, LapFileRead::Refused},
        {"no orientation", ghostBadTurn, 3, 2, LapFileRead::Refused},
    };
    const std::string ghostPath = savesPath("ghost.dat");
    for (const GhostCase& c : ghostCases) {
        writeBytes(ghostPath, c.bytes);
        GhostLap read;
        EXPECT_EQ(readGhostFile(ghostPath.c_str(), c.race, c.car, &read), c.read) << c.name;
        EXPECT_EQ(read.samples.empty(), c.read != LapFileRead::Read) << c.name;
    }
    GhostLap none;
    EXPECT_EQ(readGhostFile(savesPath("nothing.dat").c_str(), 3, 2, &none), LapFileRead::Missing);
}

// The runner drives a time trial and writes its best lap's ghost; the same
// drive again beside that ghost stays on its line for the whole lap.
TEST(GhostReplay, FollowsTheLineItRecorded) {
    const std::string build = KORVASK_BUILD_DIR;
    const std::string sim = build + "/korvask-sim";
    ASSERT_EQ(access(sim.c_str(), X_OK), 0) << "needs korvask-sim in " << build;
    ASSERT_EQ(access((build + "/base/maps/1/map.ms3d").c_str(), R_OK), 0) << "needs the generated maps";
    TempFolder folder;
    const std::string ghost = folder.path() + "/ghost.dat";
    const std::string common = sim + " --race 1 --car 2 --laps 1 --time-trial";
    ASSERT_EQ(std::system((common + " --record " + ghost + " >/dev/null 2>&1").c_str()), 0);
    FILE* pipe = popen((common + " --ghost " + ghost + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    ASSERT_EQ(pclose(pipe), 0) << out;
    const size_t at = out.find("\"maxDistance\":");
    ASSERT_NE(at, std::string::npos) << out;
    // Between samples a twentieth of a second apart the ghost runs straight:
    // a knock against a wall puts it a few tenths off for a moment, a ghost
    // that left its line would be metres out (a car is six long).
    EXPECT_LT(std::strtod(out.c_str() + at + 14, nullptr), 0.5) << out;
    EXPECT_NE(out.find("\"sectorGaps\":[0.00,0.00,0.00]"), std::string::npos) << out;
}
