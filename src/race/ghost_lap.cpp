// The ghost lap: a lap's line sampled at a fixed rate on the lap clock,
// replayed by interpolating between the samples around the clock, and its
// file ("KVGH", version, circuit, car, lap, splits, rate, count, samples).
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

namespace {

const uint8_t kGhostMagic[4] = {'K', 'V', 'G', 'H'};

// The body's orientation drifts off unit length between the solver's
// normalisations; every stored pose is unit length, the lap's last as well.
GhostSample makeSample(const Vector3& p, const Quaternion& q) {
    GhostSample s;
    s.position[0] = p.x;
    s.position[1] = p.y;
    s.position[2] = p.z;
    const float length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(length > 1e-6f) || !std::isfinite(length)) {
        s.orientation[0] = s.orientation[1] = s.orientation[2] = 0.0f;
        s.orientation[3] = 1.0f;
        return s;
    }
    s.orientation[0] = q.x / length;
    s.orientation[1] = q.y / length;
    s.orientation[2] = q.z / length;
    s.orientation[3] = q.w / length;
    return s;
}

// Position along the straight line, orientation along the shorter arc,
// normalised (the samples lie close enough for that to follow the turn).
GhostSample blend(const GhostSample& a, const GhostSample& b, float k) {
    GhostSample s;
    for (int i = 0; i < 3; i++) s.position[i] = a.position[i] + (b.position[i] - a.position[i]) * k;
    float d = 0.0f;
    for (int i = 0; i < 4; i++) d += a.orientation[i] * b.orientation[i];
    const float sign = d < 0.0f ? -1.0f : 1.0f;
    float n = 0.0f;
    for (int i = 0; i < 4; i++) {
        s.orientation[i] = a.orientation[i] + (sign * b.orientation[i] - a.orientation[i]) * k;
        n += s.orientation[i] * s.orientation[i];
    }
    n = n > 1e-12f ? 1.0f / std::sqrt(n) : 0.0f;
    for (int i = 0; i < 4; i++) s.orientation[i] *= n;
    if (n == 0.0f) s.orientation[3] = 1.0f;
    return s;
}

bool soundLap(float lap) {
    return std::isfinite(lap) && lap > 0.0f && ghostSampleCount(lap) <= kMaxGhostSamples;
}

}  // namespace

int ghostSampleCount(float lap) {
    if (!(lap > 0.0f) || !std::isfinite(lap)) return 1;
    if (lap > kGhostSampleHundredths * static_cast<float>(kMaxGhostSamples)) return kMaxGhostSamples + 1;
    // The samples on the grid below the lap's end, then the end itself.
    int k = static_cast<int>(std::ceil(lap / kGhostSampleHundredths));
    while (k > 0 && static_cast<float>(k - 1) * kGhostSampleHundredths >= lap) k--;
    while (static_cast<float>(k) * kGhostSampleHundredths < lap) k++;
    return k + 1;
}

float ghostSampleTime(const GhostLap& ghost, int i) {
    const float t = static_cast<float>(i) * kGhostSampleHundredths;
    return t < ghost.lap ? t : ghost.lap;
}

bool ghostPose(const GhostLap& ghost, float t, Vector3* position, Quaternion* orientation) {
    const int count = static_cast<int>(ghost.samples.size());
    if (count == 0 || !(t >= 0.0f) || t > ghost.lap) return false;
    int i = static_cast<int>(t / kGhostSampleHundredths);
    GhostSample s;
    if (i >= count - 1) {
        s = ghost.samples[count - 1];
    } else {
        const float t0 = ghostSampleTime(ghost, i), t1 = ghostSampleTime(ghost, i + 1);
        const float k = t1 > t0 ? (t - t0) / (t1 - t0) : 0.0f;
        s = blend(ghost.samples[i], ghost.samples[i + 1], k < 0.0f ? 0.0f : (k > 1.0f ? 1.0f : k));
    }
    *position = Vector3(s.position[0], s.position[1], s.position[2]);
    *orientation = Quaternion(s.orientation[0], s.orientation[1], s.orientation[2], s.orientation[3]);
    return true;
}

// ---------------------------------------------------------------------------
// Recording.

void ghostRecordStart(GhostRecorder& rec, int race, int car, const Vector3& p, const Quaternion& q) {
    rec.lap.race = race;
    rec.lap.car = car;
    rec.lap.lap = 0.0f;
    for (float& s : rec.lap.splits) s = 0.0f;
    rec.lap.samples.clear();
    rec.last = makeSample(p, q);
    rec.lap.samples.push_back(rec.last);
    rec.lastTime = 0.0f;
    rec.running = true;
}

// The grid samples before t (or up to and including it), each interpolated
// between the last pose and this one.
static void sampleUpTo(GhostRecorder& rec, float t, const GhostSample& now, bool inclusive) {
    for (;;) {
        const int k = static_cast<int>(rec.lap.samples.size());
        if (k > kMaxGhostSamples) {
            rec.running = false;
            return;
        }
        const float at = static_cast<float>(k) * kGhostSampleHundredths;
        if (inclusive ? at > t : at >= t) return;
        const float span = t - rec.lastTime;
        const float f = span > 0.0f ? (at - rec.lastTime) / span : 1.0f;
        rec.lap.samples.push_back(blend(rec.last, now, f < 0.0f ? 0.0f : (f > 1.0f ? 1.0f : f)));
    }
}

void ghostRecordStep(GhostRecorder& rec, float t, const Vector3& p, const Quaternion& q) {
    if (!rec.running || !(t >= rec.lastTime)) return;
    const GhostSample now = makeSample(p, q);
    sampleUpTo(rec, t, now, false);
    rec.last = now;
    rec.lastTime = t;
}

bool ghostRecordFinish(GhostRecorder& rec, float lap, const Vector3& p, const Quaternion& q) {
    if (!rec.running || !soundLap(lap) || lap < rec.lastTime) {
        rec.running = false;
        return false;
    }
    const GhostSample now = makeSample(p, q);
    sampleUpTo(rec, lap, now, false);
    rec.running = false;
    if (static_cast<int>(rec.lap.samples.size()) >= kMaxGhostSamples) return false;
    rec.lap.samples.push_back(now);
    rec.lap.lap = lap;
    return static_cast<int>(rec.lap.samples.size()) == ghostSampleCount(lap);
}

// ---------------------------------------------------------------------------
// The file.

std::vector<uint8_t> encodeGhost(const GhostLap& ghost) {
    std::vector<uint8_t> out;
    out.reserve(kGhostHeaderBytes + ghost.samples.size() * kGhostSampleBytes);
    for (uint8_t b : kGhostMagic) out.push_back(b);
    appendU32(out, kGhostFileVersion);
    appendU32(out, static_cast<uint32_t>(ghost.race));
    appendU32(out, static_cast<uint32_t>(ghost.car));
    appendF32(out, ghost.lap);
    for (float s : ghost.splits) appendF32(out, s);
    appendU32(out, static_cast<uint32_t>(kGhostSampleHundredths));
    appendU32(out, static_cast<uint32_t>(ghost.samples.size()));
    for (const GhostSample& s : ghost.samples) {
        for (float v : s.position) appendF32(out, v);
        for (float v : s.orientation) appendF32(out, v);
    }
    return out;
}

bool decodeGhost(const uint8_t* data, size_t size, GhostLap* ghost, const char** detail) {
    const char* why = nullptr;
    GhostLap g;
    g.race = 0;
    if (size < kGhostHeaderBytes) {
        why = "truncated";
    } else if (std::memcmp(data, kGhostMagic, 4) != 0) {
        why = "not a ghost file";
    } else if (readU32(data + 4) != static_cast<uint32_t>(kGhostFileVersion)) {
        why = "of another version";
    } else if (size > kMaxGhostFileBytes) {
        why = "oversized";
    }
    uint32_t count = 0;
    if (why == nullptr) {
        const uint32_t race = readU32(data + 8), car = readU32(data + 12);
        g.race = static_cast<int>(race);
        g.car = static_cast<int>(car);
        g.lap = readF32(data + 16);
        for (int s = 0; s < kLapSectors; s++) g.splits[s] = readF32(data + 20 + 4 * s);
        const uint32_t rate = readU32(data + 32);
        count = readU32(data + 36);
        if (race < 1 || race > kRecordCircuits || car >= static_cast<uint32_t>(kCarModels) ||
            !soundLap(g.lap) || rate != static_cast<uint32_t>(kGhostSampleHundredths) ||
            count != static_cast<uint32_t>(ghostSampleCount(g.lap))) {
            why = "damaged";
        } else if (size < kGhostHeaderBytes + static_cast<size_t>(count) * kGhostSampleBytes) {
            why = "truncated";
        } else if (size > kGhostHeaderBytes + static_cast<size_t>(count) * kGhostSampleBytes) {
            why = "oversized";
        }
        for (int s = 0; why == nullptr && s < kLapSectors; s++) {
            const float low = s == 0 ? 0.0f : g.splits[s - 1];
            if (!std::isfinite(g.splits[s]) || g.splits[s] < low || g.splits[s] > g.lap) why = "damaged";
        }
    }
    if (why == nullptr) {
        g.samples.resize(count);
        const uint8_t* p = data + kGhostHeaderBytes;
        for (uint32_t i = 0; i < count && why == nullptr; i++, p += kGhostSampleBytes) {
            GhostSample& s = g.samples[i];
            float n = 0.0f;
            for (int k = 0; k < 3; k++) s.position[k] = readF32(p + 4 * k);
            for (int k = 0; k < 4; k++) {
                s.orientation[k] = readF32(p + 12 + 4 * k);
                n += s.orientation[k] * s.orientation[k];
            }
            for (float v : s.position)
                if (!std::isfinite(v) || std::fabs(v) > 1e6f) why = "damaged";
            // A stored orientation is unit length give or take its rounding.
            if (!std::isfinite(n) || n < 0.9f || n > 1.1f) why = "damaged";
        }
    }
    if (detail != nullptr) *detail = why;
    if (why != nullptr) return false;
    *ghost = std::move(g);
    return true;
}

std::string ghostFileName(int race, int car) {
    char name[40];
    std::snprintf(name, sizeof name, "ghost_%d_%d.dat", race, car);
    return name;
}

namespace {

// readGhostFile, keeping the bytes read (for a copy of a refused file).
LapFileRead readGhostBytes(const char* path, int race, int car, GhostLap* ghost, std::vector<uint8_t>* bytes,
                           int* error) {
    ghost->race = 0;
    ghost->samples.clear();
    if (error != nullptr) *error = 0;
    const int failed = platformTryReadFile(path, bytes);
    if (failed == ENOENT) return LapFileRead::Missing;
    if (failed != 0) {
        // No file is no ghost yet; anything else unreadable is said.
        std::fprintf(stderr, "korvask: ghost %s cannot be read (%s); racing without it\n", path,
                     std::strerror(failed));
        if (error != nullptr) *error = failed;
        return LapFileRead::Unreadable;
    }
    const char* why = nullptr;
    GhostLap read;
    if (!decodeGhost(bytes->data(), bytes->size(), &read, &why)) {
        std::fprintf(stderr, "korvask: ghost %s is %s; racing without it\n", path, why);
        return LapFileRead::Refused;
    }
    if (read.race != race || (car >= 0 && read.car != car)) {
        std::fprintf(stderr, "korvask: ghost %s belongs to circuit %d, car %d; racing without it\n", path,
                     read.race, read.car + 1);
        return LapFileRead::Refused;
    }
    *ghost = std::move(read);
    return LapFileRead::Read;
}

bool listed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Once a run per file: the player hears why a ghost file stays as it is or
// where its copy went.
void tellGhostOnce(const std::string& name, const char* text) {
    if (listed(raceRun.lapFiles.ghostsTold, name)) return;
    raceRun.lapFiles.ghostsTold.push_back(name);
    tellLapFiles(text);
}

void keepGhostFile(const std::string& name, int error) {
    if (!listed(raceRun.lapFiles.ghostsKept, name)) raceRun.lapFiles.ghostsKept.push_back(name);
    char text[160];
    if (error != 0)
        std::snprintf(text, sizeof text, "Could not read the ghost %s: %s. It will not be overwritten.",
                      name.c_str(), std::strerror(error));
    else
        std::snprintf(text, sizeof text,
                      "The ghost %s was damaged and no copy of it could be kept. It will not be overwritten.",
                      name.c_str());
    tellGhostOnce(name, text);
}

// A refused ghost goes to "<name>.bad" before anything replaces it; false
// (and the file kept) when the copy could not be made.
bool copyRefusedGhost(const std::string& name, const std::vector<uint8_t>& bytes) {
    SaveFileCheck check{};
    keepDamagedSaveFile(name.c_str(), bytes, &check);
    if (!check.backupKept) {
        keepGhostFile(name, 0);
        return false;
    }
    char text[160];
    std::snprintf(text, sizeof text, "The ghost %s was damaged. A copy was kept as %s%s.", name.c_str(),
                  name.c_str(), kDamagedFileSuffix);
    tellGhostOnce(name, text);
    return true;
}

void waitToSave(const std::string& name, const GhostLap& ghost) {
    for (LapFileState::Ghost& g : raceRun.lapFiles.ghostsUnsaved)
        if (g.name == name) {
            g.lap = ghost;
            return;
        }
    raceRun.lapFiles.ghostsUnsaved.push_back({name, ghost});
}

}  // namespace

LapFileRead readGhostFile(const char* path, int race, int car, GhostLap* ghost, int* error) {
    std::vector<uint8_t> bytes;
    return readGhostBytes(path, race, car, ghost, &bytes, error);
}

bool writeGhostFile(const char* path, const GhostLap& ghost) {
    const std::vector<uint8_t> bytes = encodeGhost(ghost);
    if (platformWriteFileAtomic(path, bytes.data(), bytes.size())) return true;
    std::fprintf(stderr, "korvask: could not write the ghost %s: %s\n", path, std::strerror(errno));
    return false;
}

LapFileRead loadGhostFile(int race, int car, GhostLap* ghost) {
    const std::string name = ghostFileName(race, car);
    std::vector<uint8_t> bytes;
    int error = 0;
    const LapFileRead read =
        readGhostBytes(savesPath(name.c_str()).c_str(), race, car, ghost, &bytes, &error);
    if (read == LapFileRead::Unreadable) keepGhostFile(name, error);
    if (read == LapFileRead::Refused) copyRefusedGhost(name, bytes);
    return read;
}

bool saveGhostFile(int race, int car, const GhostLap& ghost) {
    const std::string name = ghostFileName(race, car);
    if (listed(raceRun.lapFiles.ghostsKept, name)) return true;
    const std::string path = savesPath(name.c_str());
    const int lock = platformLockFolder(saves.savesFolder);
    // What is there now: another game's faster lap stands, a file that cannot
    // be read stays, a refused one is copied aside first.
    std::vector<uint8_t> bytes;
    GhostLap saved;
    int error = 0;
    const LapFileRead read = readGhostBytes(path.c_str(), race, car, &saved, &bytes, &error);
    bool write = true;
    if (read == LapFileRead::Unreadable) {
        keepGhostFile(name, error);
        write = false;
    } else if (read == LapFileRead::Read) {
        write = ghost.lap < saved.lap;
    } else if (read == LapFileRead::Refused) {
        write = copyRefusedGhost(name, bytes);
    }
    const bool written = !write || writeGhostFile(path.c_str(), ghost);
    const int failed = errno;
    platformUnlockFolder(lock);
    if (written) return true;
    if (raceRun.lapFiles.ghostsUnsaved.empty()) {
        char text[160];
        std::snprintf(text, sizeof text, "Could not save the ghost: %s. It will be tried again at exit.",
                      std::strerror(failed));
        tellLapFiles(text);
    }
    waitToSave(name, ghost);
    return false;
}
