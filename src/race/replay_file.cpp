// Replay files in the saves folder ("KVRP", version, circuit, cars, laps,
// date, winner's time, rate, counts, samples frame by frame, events): read
// as untrusted bytes, written through the atomic writer, listed and deleted
// for the Replays screen.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

namespace {

const uint8_t kReplayMagic[4] = {'K', 'V', 'R', 'P'};
constexpr uint32_t kTimeTrialFlag = 1;
// A position or an angle past these is no car of ours.
constexpr float kMaxCoordinate = 1e6f;
constexpr float kMaxWheelSpin = 1e8f;
constexpr float kMaxRaceHundredths = 1e8f;

void appendU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void appendSample(std::vector<uint8_t>& out, const ReplayCarSample& s) {
    for (float v : s.position) appendF32(out, v);
    for (int16_t v : s.orientation) appendU16(out, static_cast<uint16_t>(v));
    for (float v : s.wheelSpin) appendF32(out, v);
    for (uint8_t v : s.suspension) out.push_back(v);
    appendU16(out, static_cast<uint16_t>(s.steer));
    appendU16(out, s.rpm);
    out.push_back(static_cast<uint8_t>(s.gear));
    out.push_back(s.flags);
    out.push_back(s.flameLevel);
    out.push_back(s.dustLevel);
    out.push_back(s.smokeLevel);
    out.push_back(s.driftLevel);
    out.push_back(s.nitro);
}

int16_t readI16(const uint8_t* p) {
    return static_cast<int16_t>(readU16(p));
}

// One sample from its bytes; false when it holds what no car can.
bool readSample(const uint8_t* p, ReplayCarSample* s) {
    for (int k = 0; k < 3; k++) s->position[k] = readF32(p + 4 * k);
    float n = 0.0f;
    for (int k = 0; k < 4; k++) {
        s->orientation[k] = readI16(p + 12 + 2 * k);
        const float c = s->orientation[k] / 32767.0f;
        n += c * c;
    }
    for (int k = 0; k < 4; k++) s->wheelSpin[k] = readF32(p + 20 + 4 * k);
    for (int k = 0; k < 4; k++) s->suspension[k] = p[36 + k];
    s->steer = readI16(p + 40);
    s->rpm = readU16(p + 42);
    s->gear = static_cast<int8_t>(p[44]);
    s->flags = p[45];
    s->flameLevel = p[46];
    s->dustLevel = p[47];
    s->smokeLevel = p[48];
    s->driftLevel = p[49];
    s->nitro = p[50];
    for (float v : s->position)
        if (!std::isfinite(v) || std::fabs(v) > kMaxCoordinate) return false;
    for (float v : s->wheelSpin)
        if (!std::isfinite(v) || std::fabs(v) > kMaxWheelSpin) return false;
    // A stored orientation is unit length give or take its rounding.
    return n > 0.9f && n < 1.1f && s->gear >= -1 && s->gear <= 5 && (s->flags & ~kReplayAllFlags) == 0 &&
           s->nitro <= 100;
}

std::string datePart(int64_t date) {
    const time_t t = static_cast<time_t>(date);
    struct tm utc {};
    char text[32] = "00000000_000000";
    if (gmtime_r(&t, &utc) != nullptr) std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", &utc);
    return text;
}

}  // namespace

static_assert(kReplayHeaderBytes == 64, "the header's fields");
static_assert(kReplaySampleBytes == 51, "a sample's fields");

std::vector<uint8_t> encodeReplay(const Replay& replay) {
    std::vector<uint8_t> out;
    const int frames = replayFrameCount(replay);
    out.reserve(kReplayHeaderBytes + replay.samples.size() * kReplaySampleBytes +
                replay.events.size() * kReplayEventBytes);
    for (uint8_t b : kReplayMagic) out.push_back(b);
    appendU32(out, kReplayFileVersion);
    appendU32(out, static_cast<uint32_t>(replay.race));
    appendU32(out, replay.timeTrial ? kTimeTrialFlag : 0u);
    appendU32(out, static_cast<uint32_t>(replay.laps));
    appendU32(out, static_cast<uint32_t>(static_cast<uint64_t>(replay.date)));
    appendU32(out, static_cast<uint32_t>(static_cast<uint64_t>(replay.date) >> 32));
    appendU32(out, static_cast<uint32_t>(replay.carCount));
    for (int i = 0; i < kRaceCars; i++)
        appendU32(out, i < replay.carCount ? static_cast<uint32_t>(replay.models[i]) : 0u);
    appendF32(out, replay.winnerTime);
    appendU32(out, static_cast<uint32_t>(kReplaySampleHundredths));
    appendU32(out, static_cast<uint32_t>(frames));
    appendU32(out, static_cast<uint32_t>(replay.events.size()));
    const size_t samples = static_cast<size_t>(frames) * static_cast<size_t>(replay.carCount);
    for (size_t i = 0; i < samples; i++) appendSample(out, replay.samples[i]);
    for (const ReplayEvent& e : replay.events) {
        appendF32(out, e.time);
        out.push_back(static_cast<uint8_t>(e.kind));
        out.push_back(e.car);
        appendU32(out, static_cast<uint32_t>(e.value));
    }
    return out;
}

bool decodeReplay(const uint8_t* data, size_t size, Replay* replay, const char** detail) {
    const char* why = nullptr;
    Replay r;
    uint32_t frames = 0, events = 0;
    if (size == 0) {
        why = "empty";
    } else if (size < kReplayHeaderBytes) {
        why = "cut short";
    } else if (std::memcmp(data, kReplayMagic, 4) != 0) {
        why = "not a replay";
    } else if (readU32(data + 4) > static_cast<uint32_t>(kReplayFileVersion)) {
        why = "from a newer version of the game";
    } else if (readU32(data + 4) != static_cast<uint32_t>(kReplayFileVersion)) {
        why = "of an older version the game no longer reads";
    } else if (size > kMaxReplayFileBytes) {
        why = "too large";
    }
    if (why == nullptr) {
        const uint32_t race = readU32(data + 8), flags = readU32(data + 12), laps = readU32(data + 16);
        r.date = static_cast<int64_t>(static_cast<uint64_t>(readU32(data + 20)) |
                                      (static_cast<uint64_t>(readU32(data + 24)) << 32));
        const uint32_t cars = readU32(data + 28);
        r.winnerTime = readF32(data + 48);
        const uint32_t rate = readU32(data + 52);
        frames = readU32(data + 56);
        events = readU32(data + 60);
        bool carsKnown = cars >= 1 && cars <= static_cast<uint32_t>(kRaceCars);
        for (uint32_t i = 0; carsKnown && i < cars; i++) {
            const uint32_t model = readU32(data + 32 + 4 * i);
            carsKnown = model < static_cast<uint32_t>(kCarModels);
            r.models[i] = static_cast<int>(model);
        }
        if (race < 1 || race > static_cast<uint32_t>(kReplayCircuits)) {
            why = "of a circuit this game does not have";
        } else if (!carsKnown) {
            why = "of a car this game does not have";
        } else if ((flags & ~kTimeTrialFlag) != 0 || laps < 1 ||
                   laps > static_cast<uint32_t>(kTimeTrialLaps) ||
                   rate != static_cast<uint32_t>(kReplaySampleHundredths) || frames < 1 ||
                   frames > static_cast<uint32_t>(kMaxReplayFrames) ||
                   events > static_cast<uint32_t>(kMaxReplayEvents) || !std::isfinite(r.winnerTime) ||
                   r.winnerTime < 0.0f || r.winnerTime > kMaxRaceHundredths) {
            why = "damaged";
        } else {
            const size_t want = kReplayHeaderBytes + static_cast<size_t>(frames) * cars * kReplaySampleBytes +
                                static_cast<size_t>(events) * kReplayEventBytes;
            if (size < want) why = "cut short";
            if (size > want) why = "damaged";
        }
        r.race = static_cast<int>(race);
        r.carCount = static_cast<int>(cars);
        r.laps = static_cast<int>(laps);
        r.timeTrial = (flags & kTimeTrialFlag) != 0;
    }
    if (why == nullptr) {
        const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(r.carCount);
        r.samples.resize(count);
        const uint8_t* p = data + kReplayHeaderBytes;
        for (size_t i = 0; i < count && why == nullptr; i++, p += kReplaySampleBytes)
            if (!readSample(p, &r.samples[i])) why = "damaged";
        const float duration = replayDuration(r);
        float before = 0.0f;
        r.events.resize(events);
        for (uint32_t i = 0; i < events && why == nullptr; i++, p += kReplayEventBytes) {
            ReplayEvent& e = r.events[i];
            e.time = readF32(p);
            e.kind = static_cast<ReplayEventKind>(p[4]);
            e.car = p[5];
            e.value = readI32(p + 6);
            // In time order, within the recording, for a car it holds.
            if (!std::isfinite(e.time) || e.time < before || e.time > duration + kReplaySampleHundredths ||
                p[4] >= static_cast<uint8_t>(ReplayEventKind::Count) || e.car >= r.carCount)
                why = "damaged";
            before = e.time;
        }
    }
    if (detail != nullptr) *detail = why;
    if (why != nullptr) return false;
    *replay = std::move(r);
    return true;
}

std::string replayFileName(int race, int64_t date) {
    char name[64];
    std::snprintf(name, sizeof name, "replay_%d_%s.krp", race, datePart(date).c_str());
    return name;
}

LapFileRead readReplayFile(const char* path, Replay* replay, const char** detail) {
    std::vector<uint8_t> bytes;
    const int failed = platformTryReadFile(path, &bytes);
    if (failed == ENOENT) {
        if (detail != nullptr) *detail = "gone";
        return LapFileRead::Missing;
    }
    if (failed != 0) {
        if (detail != nullptr) *detail = std::strerror(failed);
        return LapFileRead::Unreadable;
    }
    if (!decodeReplay(bytes.data(), bytes.size(), replay, detail)) return LapFileRead::Refused;
    return LapFileRead::Read;
}

bool writeReplayFile(const char* path, const Replay& replay) {
    const std::vector<uint8_t> bytes = encodeReplay(replay);
    if (platformWriteFileAtomic(path, bytes.data(), bytes.size())) return true;
    std::fprintf(stderr, "korvask: could not write the replay %s: %s\n", path, std::strerror(errno));
    return false;
}

bool saveRecordedReplay(std::string* savedName) {
    const Replay& r = replayRun.recording;
    if (r.race == 0 || replayFrameCount(r) < 2) {
        tellLapFiles("There is no replay to save.");
        return false;
    }
    const std::vector<uint8_t> bytes = encodeReplay(r);
    const std::string base = replayFileName(r.race, r.date);
    const int lock = platformLockFolder(saves.savesFolder);
    // A file of that name is the same recording saved before, or some other
    // file of the player's: the first is done, the second is never written
    // over, and the replay takes the next free name.
    std::string name;
    bool done = false, written = false;
    for (int n = 1; n <= 99 && !done; n++) {
        name = base;
        if (n > 1) name.insert(name.size() - 4, "_" + std::to_string(n));
        std::vector<uint8_t> there;
        const int failed = platformTryReadFile(savesPath(name.c_str()).c_str(), &there);
        if (failed == 0 && there == bytes) {
            done = written = true;
        } else if (failed == ENOENT) {
            done = true;
            written = platformWriteFileAtomic(savesPath(name.c_str()).c_str(), bytes.data(), bytes.size());
        }
    }
    const int error = errno;
    platformUnlockFolder(lock);
    char text[160];
    if (written) {
        std::snprintf(text, sizeof text, "Replay saved as %s.", name.c_str());
        if (savedName != nullptr) *savedName = name;
    } else {
        std::snprintf(text, sizeof text, "Could not save the replay: %s.",
                      done ? std::strerror(error) : "no free name");
    }
    tellLapFiles(text);
    return written;
}

std::vector<ReplayListing> listSavedReplays() {
    std::vector<std::string> names = platformListFiles(saves.savesFolder, kReplayFilePattern);
    std::vector<ReplayListing> list;
    // The names hold the date, but the race number leads: newest first by
    // the date read, unreadable files last.
    for (const std::string& name : names) {
        ReplayListing l{};
        l.name = name;
        Replay r;
        const char* why = nullptr;
        l.readable = readReplayFile(savesPath(name.c_str()).c_str(), &r, &why) == LapFileRead::Read;
        if (!l.readable) {
            l.problem = why != nullptr ? why : "unreadable";
            list.push_back(l);
            continue;
        }
        l.race = r.race;
        l.carCount = r.carCount;
        for (int i = 0; i < kRaceCars; i++) l.models[i] = r.models[i];
        l.date = r.date;
        l.winnerTime = r.winnerTime;
        list.push_back(l);
    }
    std::stable_sort(list.begin(), list.end(), [](const ReplayListing& a, const ReplayListing& b) {
        if (a.readable != b.readable) return a.readable;
        return a.date > b.date;
    });
    return list;
}

bool deleteSavedReplay(const std::string& name) {
    // Only a replay's own name, never a path out of the saves folder.
    if (name.find('/') != std::string::npos || name.compare(0, 7, "replay_") != 0 || name.size() < 12 ||
        name.compare(name.size() - 4, 4, ".krp") != 0)
        return false;
    if (platformRemoveFile(savesPath(name.c_str()).c_str())) return true;
    char text[160];
    std::snprintf(text, sizeof text, "Could not delete %s: %s.", name.c_str(), std::strerror(errno));
    tellLapFiles(text);
    return false;
}

bool loadSavedReplay(const std::string& name, std::string* problem) {
    Replay r;
    const char* why = nullptr;
    if (readReplayFile(savesPath(name.c_str()).c_str(), &r, &why) != LapFileRead::Read) {
        if (problem != nullptr) *problem = why != nullptr ? why : "unreadable";
        return false;
    }
    replayRun.watched = std::move(r);
    return true;
}
