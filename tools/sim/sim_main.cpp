// korvask-sim: runs one race headless with exact 10 ms frames, the player's
// car driven by a scripted driver through the key states (or a virtual
// controller's stick and triggers), and prints one JSON
// object per car and one for the race.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"
#include "sim_driver.h"
#include "state/state.h"

namespace {

struct SimOptions {
    int race = 1;
    unsigned seed = 1;
    int laps = 4;
    int frames = 60000;  // ten minutes of race
    int car = 0;         // model index 0..11
    int trace = -1;      // car whose state goes to stderr every 10 frames
    bool timeTrial = false;
    std::string record;     // ghost file to write with the best lap
    std::string ghost;      // ghost file to replay beside the player
    int difficulty = 1;     // the opponents' difficulty, 0..3 (the settings key)
    bool career = false;    // run as that race of the career (Rising follows it)
    bool newcomer = false;  // the driver's throttle and steering at kNewcomerShare
    bool saves = false;     // the game's own saves: records and ghosts read and written
    bool pad = false;       // drive by a virtual controller's stick and triggers
    bool help = false;
    // The race's replay, written at its end.
    std::string replayOut;
};

struct CarStats {
    std::vector<double> lapTimes;  // seconds
    int lastLap = 0;
    double lapStart = 0.0;  // race clock at the last pass of the start line
    float topSpeed = 0.0f;
    float minY = 1e30f;
    bool leftMap = false;
    // The player's car only: driving figures.
    float topNitroSpeed = 0.0f;
    float maxDrift = 0.0f;
    float maxDriftScore = 0.0f;
    long fifthGearFrames = 0;
};

// A replayed ghost beside the player: per timed lap the gap at each sector
// end (player minus ghost, hundredths) and the ghost's largest distance from
// the player's car over the lap.
struct GhostLapGap {
    float gaps[kLapSectors] = {0.0f, 0.0f, 0.0f};
    int sectors = 0;
    float maxDistance = 0.0f;
};

struct GhostReplay {
    GhostLap ghost;
    std::vector<GhostLapGap> laps;
    int lapsSeen = 0;  // laps completed when last looked at
    int sectorsSeen = 0;
};

void followGhost(GhostReplay& r) {
    const Car& car = session.cars[0];
    if (car.body == nullptr) return;
    // A lap completed: its last sector closes on the lap time.
    if (players[0].lapTiming.lapsCompleted != r.lapsSeen) {
        if (!r.laps.empty()) {
            GhostLapGap& g = r.laps.back();
            g.gaps[kLapSectors - 1] = players[0].lapTiming.lastLap - r.ghost.splits[kLapSectors - 1];
            g.sectors = kLapSectors;
        }
        r.lapsSeen = players[0].lapTiming.lapsCompleted;
        r.sectorsSeen = 0;
        if (players[0].lapTiming.lapRunning) r.laps.push_back(GhostLapGap{});
    } else if (players[0].lapTiming.lapRunning && r.laps.empty()) {
        r.laps.push_back(GhostLapGap{});
    }
    if (!players[0].lapTiming.lapRunning || r.laps.empty()) return;
    GhostLapGap& g = r.laps.back();
    if (players[0].lapTiming.sectorsDone > r.sectorsSeen) {
        r.sectorsSeen = players[0].lapTiming.sectorsDone;
        g.gaps[r.sectorsSeen - 1] =
            players[0].lapTiming.splits[r.sectorsSeen - 1] - r.ghost.splits[r.sectorsSeen - 1];
        g.sectors = r.sectorsSeen;
    }
    // The ghost's samples hold the car as each step began: the car stands
    // now where the coming step's clock will find it.
    Vector3 p;
    Quaternion q;
    if (ghostPose(r.ghost, clockHundredths(players[0].lapTime) + frameClock.frameFactor, &p, &q)) {
        const float d = length(p - getPosition(car.body));
        if (d > g.maxDistance) g.maxDistance = d;
    }
}

std::string absolutePath(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) return path;
    return std::string(cwd) + "/" + path;
}

double clockSeconds(const RaceClock& c) {
    return c.minutes * 60.0 + c.seconds + c.hundredths / 100.0;
}

void usage() {
    fprintf(stderr,
            "usage: korvask-sim [--race N] [--seed S] [--laps L] [--frames MAX] [--car M] [--trace C]\n"
            "                   [--time-trial] [--record FILE] [--ghost FILE]\n"
            "                   [--difficulty D] [--career] [--newcomer] [--saves] [--pad]\n"
            "                   [--replay-out FILE]\n"
            "  --race N    race number 1..20 (default 1)\n"
            "  --seed S    random seed for the opponents' cars and the music (default 1)\n"
            "  --laps L    laps to drive (default 4)\n"
            "  --frames M  give up after M frames of 10 ms (default 60000)\n"
            "  --car M     the player's car, model index 0..11 (default 0)\n"
            "  --trace C   print car C's state to stderr every 10 frames\n"
            "  --time-trial  drive alone, without the countdown\n"
            "  --record FILE write the ghost of the best lap driven to FILE\n"
            "  --ghost FILE  replay the ghost in FILE beside the player and report the gap\n"
            "                at each sector and the ghost's distance from the player\n"
            "  --difficulty D  the opponents: 0 Easy, 1 Normal, 2 Hard, 3 Rising (default 1)\n"
            "  --career      run it as that race of a career (Rising's difficulty follows it)\n"
            "  --newcomer    a slower hand: the driver's throttle and steering at 85 %%\n"
            "  --saves     use the saves folder as the game does: the lap records and\n"
            "              ghosts read at start and written at each lap, what the game\n"
            "              tells the player on stderr\n"
            "  --pad       drive by a virtual controller's stick and triggers (A for the\n"
            "              nitro) instead of the arrow keys\n"
            "  --replay-out FILE  write the race's replay (every car, 20 samples a second) to FILE\n"
            "Runs from the folder holding the program, where base/ lies.\n");
}

bool parseInt(const char* text, long lo, long hi, long* out) {
    char* end = nullptr;
    long v = strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < lo || v > hi) {
        return false;
    }
    *out = v;
    return true;
}

bool parseOptions(int argc, char** argv, SimOptions* o) {
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            o->help = true;
            return true;
        }
        if (strcmp(a, "--time-trial") == 0) {
            o->timeTrial = true;
            continue;
        }
        if (strcmp(a, "--pad") == 0) {
            o->pad = true;
            continue;
        }
        if (strcmp(a, "--saves") == 0) {
            o->saves = true;
            continue;
        }
        if (strcmp(a, "--career") == 0 || strcmp(a, "--newcomer") == 0) {
            (strcmp(a, "--career") == 0 ? o->career : o->newcomer) = true;
            continue;
        }
        if (i + 1 >= argc) {
            fprintf(stderr, "korvask-sim: %s needs a value\n", a);
            return false;
        }
        long v = 0;
        bool ok;
        if (strcmp(a, "--replay-out") == 0) {
            o->replayOut = argv[++i];
            if (o->replayOut.empty()) {
                fprintf(stderr, "korvask-sim: --replay-out needs a file\n");
                return false;
            }
            continue;
        }
        if (strcmp(a, "--race") == 0) {
            ok = parseInt(argv[++i], 1, 20, &v);
            o->race = (int)v;
        } else if (strcmp(a, "--seed") == 0) {
            ok = parseInt(argv[++i], 0, 0xFFFFFFFFL, &v);
            o->seed = (unsigned)v;
        } else if (strcmp(a, "--laps") == 0) {
            ok = parseInt(argv[++i], 1, 100, &v);
            o->laps = (int)v;
        } else if (strcmp(a, "--frames") == 0) {
            ok = parseInt(argv[++i], 1, 100000000L, &v);
            o->frames = (int)v;
        } else if (strcmp(a, "--trace") == 0) {
            ok = parseInt(argv[++i], 0, kRaceCars - 1, &v);
            o->trace = (int)v;
        } else if (strcmp(a, "--record") == 0 || strcmp(a, "--ghost") == 0) {
            (strcmp(a, "--record") == 0 ? o->record : o->ghost) = argv[++i];
            ok = argv[i][0] != '\0';
        } else if (strcmp(a, "--difficulty") == 0) {
            ok = parseInt(argv[++i], 0, kDifficultySettings - 1, &v);
            o->difficulty = (int)v;
        } else if (strcmp(a, "--car") == 0) {
            ok = parseInt(argv[++i], 0, kCarModels - 1, &v);
            o->car = (int)v;
        } else {
            fprintf(stderr, "korvask-sim: unknown option %s\n", a);
            return false;
        }
        if (!ok) {
            fprintf(stderr, "korvask-sim: bad value for %s: %s\n", a, argv[i]);
            return false;
        }
    }
    return true;
}

// Content paths start with "base", beside the program.
void enterProgramFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return;
    }
    path[n] = '\0';
    char* slash = strrchr(path, '/');
    if (slash != nullptr) {
        *slash = '\0';
        if (chdir(path) != 0) {
            fprintf(stderr, "korvask-sim: cannot enter %s\n", path);
        }
    }
}

// Horizontal extent of the track mesh, to tell a car that left the map.
struct MapBounds {
    float minX = 0, maxX = 0, minY = 0, minZ = 0, maxZ = 0;
    bool valid = false;
};

MapBounds mapBounds() {
    MapBounds b;
    const Model* m = session.collisionMapModel;
    if (m == nullptr || m->vertexCount <= 0) {
        return b;
    }
    b.minX = b.minZ = b.minY = 1e30f;
    b.maxX = b.maxZ = -1e30f;
    for (int i = 0; i < m->vertexCount; i++) {
        const float* p = m->vertices[i].position;
        b.minX = std::min(b.minX, p[0]);
        b.maxX = std::max(b.maxX, p[0]);
        b.minY = std::min(b.minY, p[1]);
        b.minZ = std::min(b.minZ, p[2]);
        b.maxZ = std::max(b.maxZ, p[2]);
    }
    b.valid = true;
    return b;
}

int completedLaps(int i) {
    if (i == 0 && session.raceFinished) {
        return session.lapCount;
    }
    return std::max(session.cars[i].lap - 1, 0);
}

void printCar(int i, const CarStats& s, int place) {
    const Car& c = session.cars[i];
    double best = 0.0;
    if (i == 0) {
        best = clockSeconds(players[0].bestLapTime);
    } else if (!s.lapTimes.empty()) {
        best = *std::min_element(s.lapTimes.begin(), s.lapTimes.end());
    }
    printf(
        "{\"car\":%d,\"model\":%d,\"laps\":%d,\"checkpoints\":%d,\"finished\":%s,\"place\":%d,\"lapTimes\":[",
        i, c.model, completedLaps(i), c.checkpointsPassed,
        (i == 0 && session.raceFinished) ? "true" : "false", place);
    for (size_t k = 0; k < s.lapTimes.size(); k++) {
        printf("%s%.2f", k ? "," : "", s.lapTimes[k]);
    }
    printf(
        "],\"bestLap\":%.2f,\"topSpeed\":%.2f,\"unstuck\":%d,\"lost\":%d,\"minY\":%.2f,\"leftMap\":%s,"
        "\"wrongWaySeconds\":%.2f",
        best, s.topSpeed, session.unstickCount[i], session.lostCount[i], s.minY, s.leftMap ? "true" : "false",
        session.courseProgress[i].wrongWaySeconds);
    if (i == 0) {
        printf(
            ",\"topNitroSpeed\":%.2f,\"maxDriftLevel\":%.2f,\"maxDriftScore\":%.1f,\"fifthGearSeconds\":%.2f,"
            "\"resets\":%d",
            s.topNitroSpeed, s.maxDrift, s.maxDriftScore, s.fifthGearFrames * 0.01, players[0].resetCount);
    }
    printf("}\n");
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions opt;
    if (!parseOptions(argc, argv, &opt)) {
        usage();
        return 2;
    }
    if (opt.help) {
        usage();
        return 0;
    }
    opt.record = absolutePath(opt.record);
    opt.ghost = absolutePath(opt.ghost);
    opt.replayOut = absolutePath(opt.replayOut);
    enterProgramFolder();

    scriptedReset();
    scriptedEchoMessageBoxes(true);
    if (!openSimWindow()) {
        fprintf(stderr, "korvask-sim: no GL context for the model loader\n");
        return 2;
    }
    setTimeTrialMode(opt.timeTrial);
    setSettingValue(Setting::Difficulty, opt.difficulty);
    session.raceCareerNumber = opt.career ? opt.race : 0;
    if (opt.saves) {
        // The game's start-up of the lap files; its boxes are echoed.
        chooseSavesFolder();
        readLapRecords();
        setGhostFilesEnabled(true);
        tellSaveProblemsAtStart();
    }
    if (!loadSimRace(opt.race, opt.car, opt.seed)) {
        fprintf(stderr, "korvask-sim: race %d could not be loaded\n", opt.race);
        return 1;
    }
    session.lapCount = opt.laps;
    const MapBounds bounds = mapBounds();
    GhostReplay replay;
    if (!opt.ghost.empty() &&
        readGhostFile(opt.ghost.c_str(), opt.race, -1, &replay.ghost) == LapFileRead::Read) {
        players[0].raceGhost = replay.ghost;
    }

    if (opt.pad) useSimController();
    CarStats stats[kRaceCars];
    DriverState driver{};
    // A newcomer, as the sweep measures the first races with: 85 % of the
    // scripted driver's throttle and steering rate.
    if (opt.newcomer) driver.keyShare = 0.85f;
    std::vector<double> stepMicros;
    stepMicros.reserve((size_t)opt.frames);
    long frame = 0;
    long finishFrame = -1;
    for (frame = 1; frame <= opt.frames; frame++) {
        scriptedDriverKeys(session.cars[0], driver);
        updateStandings();

        auto t0 = std::chrono::steady_clock::now();
        raceStep(frameClock.frameFactor);
        auto t1 = std::chrono::steady_clock::now();
        stepMicros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());

        tickCountdown(frameClock.frameFactor);

        for (int i = 0; i < kRaceCars; i++) {
            CarStats& s = stats[i];
            if (session.cars[i].body == nullptr) continue;
            Vector3 p = getPosition(session.cars[i].body);
            float speed = length(getLinearVelocity(session.cars[i].body));
            if (!session.countdownRunning) s.topSpeed = std::max(s.topSpeed, speed);
            s.minY = std::min(s.minY, p.y);
            if (bounds.valid && (p.x < bounds.minX - 5 || p.x > bounds.maxX + 5 || p.z < bounds.minZ - 5 ||
                                 p.z > bounds.maxZ + 5 || p.y < bounds.minY - 5)) {
                s.leftMap = true;
            }
            // A lap is timed on the race clock from one pass of the start
            // line to the next (the player's lap counter stops at the finish).
            if (session.cars[i].lap != s.lastLap || (i == 0 && session.raceFinished && finishFrame < 0)) {
                double now = clockSeconds(session.raceTime);
                if (s.lastLap > 0) s.lapTimes.push_back(now - s.lapStart);
                s.lastLap = session.cars[i].lap;
                s.lapStart = now;
            }
            if (i == 0) {
                if (input.keys[VK_SPACE] && session.cars[0].nitro > 0.0f)
                    s.topNitroSpeed = std::max(s.topNitroSpeed, speed);
                s.maxDrift = std::max(s.maxDrift, players[0].driftLevel);
                s.maxDriftScore = std::max(s.maxDriftScore, players[0].driftScore);
                if (!session.countdownRunning && !session.raceFinished)
                    s.fifthGearFrames += session.cars[0].gear == 5 ? 1 : 0;
            }
        }
        if (!replay.ghost.samples.empty()) followGhost(replay);
        if (opt.trace >= 0 && frame % 10 == 0 && session.cars[opt.trace].body != nullptr) {
            const Car& c = session.cars[opt.trace];
            Vector3 p = getPosition(c.body), v = getLinearVelocity(c.body);
            fprintf(stderr,
                    "%ld t=%.2f p=(%.1f %.1f %.1f) s=%.2f up=%.2f drive=%.1f steer=%.2f gear=%d wp=%d cp=%d "
                    "lap=%d "
                    "rev=%d grip=%.2f\n",
                    frame, clockSeconds(session.raceTime), p.x, p.y, p.z, length(v),
                    getRotation(c.body).rows[1].y, c.driveForce, c.steer, c.gear, c.aiWaypoint,
                    c.nextCheckpoint, c.lap, c.reversing ? 1 : 0, c.slipGrip);
        }
        if (session.raceFinished && finishFrame < 0) {
            finishFrame = frame;
            break;
        }
    }
    if (frame > opt.frames) frame = opt.frames;

    updateStandings();
    for (int i = 0; i < kRaceCars; i++) {
        int place = 0;
        for (int k = 0; k < kRaceCars; k++) {
            if (session.standings[k].car == i) place = k + 1;
        }
        if (i == 0 && session.raceFinished) place = players[0].playerPlace;
        // A time trial has the player alone.
        if (raceRun.timeTrialMode && i > 0) continue;
        printCar(i, stats[i], place);
    }
    std::vector<double> sorted = stepMicros;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
    double mean = 0.0;
    for (double m : sorted) mean += m;
    if (!sorted.empty()) mean /= (double)sorted.size();
    printf(
        "{\"race\":%d,\"seed\":%u,\"laps\":%d,\"frames\":%ld,\"finished\":%s,\"raceTime\":%.2f,"
        "\"checkpointCount\":%d,\"stepMicrosMedian\":%.1f,\"stepMicrosMean\":%.1f,\"mapMinY\":%.2f}\n",
        opt.race, opt.seed, session.lapCount, frame, session.raceFinished ? "true" : "false",
        clockSeconds(session.raceTime), session.checkpointCount, median, mean,
        bounds.valid ? bounds.minY : 0.0f);

    if (!replay.ghost.samples.empty()) {
        printf("{\"ghost\":\"%s\",\"ghostLap\":%.2f,\"laps\":[", opt.ghost.c_str(), replay.ghost.lap / 100.0);
        for (size_t k = 0; k < replay.laps.size(); k++) {
            const GhostLapGap& g = replay.laps[k];
            printf("%s{\"lap\":%zu,\"sectorGaps\":[", k ? "," : "", k + 1);
            for (int s = 0; s < g.sectors; s++) printf("%s%.2f", s ? "," : "", g.gaps[s] / 100.0);
            printf("],\"maxDistance\":%.3f}", g.maxDistance);
        }
        printf("]}\n");
    }
    bool recorded = true;
    if (!opt.record.empty()) {
        recorded = !players[0].sessionGhost.samples.empty() &&
                   writeGhostFile(opt.record.c_str(), players[0].sessionGhost);
        if (players[0].sessionGhost.samples.empty())
            fprintf(stderr, "korvask-sim: no whole lap of circuits 1..15 was driven; no ghost written\n");
        else if (recorded)
            printf("{\"record\":\"%s\",\"lap\":%.2f,\"samples\":%zu,\"bytes\":%zu}\n", opt.record.c_str(),
                   players[0].sessionGhost.lap / 100.0, players[0].sessionGhost.samples.size(),
                   encodeGhost(players[0].sessionGhost).size());
    }

    if (!opt.replayOut.empty()) {
        const Replay& r = replayRun.recording;
        if (writeReplayFile(opt.replayOut.c_str(), r))
            printf("{\"replay\":\"%s\",\"frames\":%d,\"events\":%zu,\"bytes\":%zu}\n", opt.replayOut.c_str(),
                   replayFrameCount(r), r.events.size(), encodeReplay(r).size());
        else
            recorded = false;
    }

    // The game's last try at a lap file whose save failed, and its box.
    if (opt.saves && !saveLapFilesAtExit()) {
        fprintf(stderr, "korvask: Could Not Save The Lap Records.\n");
        recorded = false;
    }
    const bool finished = session.raceFinished && recorded;
    unloadRace();
    scriptedCloseGLWindow();
    return finished ? 0 : 1;
}
