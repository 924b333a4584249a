// The circuits' lap records and their file: "KVRL", version, entry count,
// then per entry the circuit, the car, the lap, the three sector ends and the
// date. Read leniently: an entry that does not make sense is left out, the
// others are kept.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "race/race.h"
#include "race/race_local.h"
#include "state/state.h"

namespace {

const uint8_t kRecordsMagic[4] = {'K', 'V', 'R', 'L'};

// One entry; false when it is not a record the game could have made.
bool decodeEntry(const uint8_t* p, int* race, LapRecord* out) {
    const uint32_t circuit = readU32(p), car = readU32(p + 4);
    LapRecord r;
    r.lap = readF32(p + 8);
    for (int s = 0; s < kLapSectors; s++) r.splits[s] = readF32(p + 12 + 4 * s);
    r.date = static_cast<int64_t>(static_cast<uint64_t>(readU32(p + 24)) |
                                  static_cast<uint64_t>(readU32(p + 28)) << 32);
    r.car = static_cast<int>(car);
    if (circuit < 1 || circuit > static_cast<uint32_t>(kRecordCircuits) ||
        car >= static_cast<uint32_t>(kCarModels))
        return false;
    if (!std::isfinite(r.lap) || r.lap <= 0.0f || r.lap > 6000.0f * 999.0f) return false;
    for (int s = 0; s < kLapSectors; s++) {
        const float low = s == 0 ? 0.0f : r.splits[s - 1];
        if (!std::isfinite(r.splits[s]) || r.splits[s] < low || r.splits[s] > r.lap) return false;
    }
    *race = static_cast<int>(circuit);
    *out = r;
    return true;
}

}  // namespace

void clearLapRecords() {
    for (LapRecord& r : raceRun.lapRecords) r = LapRecord{};
    raceRun.lapFiles = LapFileState{};
}

std::vector<uint8_t> encodeLapRecords() {
    int count = 0;
    for (const LapRecord& r : raceRun.lapRecords) count += r.lap > 0.0f ? 1 : 0;
    std::vector<uint8_t> out;
    for (uint8_t b : kRecordsMagic) out.push_back(b);
    appendU32(out, kLapRecordsVersion);
    appendU32(out, static_cast<uint32_t>(count));
    for (int i = 0; i < kRecordCircuits; i++) {
        const LapRecord& r = raceRun.lapRecords[i];
        if (!(r.lap > 0.0f)) continue;
        appendU32(out, static_cast<uint32_t>(i + 1));
        appendU32(out, static_cast<uint32_t>(r.car));
        appendF32(out, r.lap);
        for (float s : r.splits) appendF32(out, s);
        appendU32(out, static_cast<uint32_t>(static_cast<uint64_t>(r.date) & 0xFFFFFFFFu));
        appendU32(out, static_cast<uint32_t>(static_cast<uint64_t>(r.date) >> 32));
    }
    return out;
}

LapFileRead decodeLapRecordsInto(const uint8_t* data, size_t size, LapRecord records[kRecordCircuits]) {
    for (int i = 0; i < kRecordCircuits; i++) records[i] = LapRecord{};
    if (size < kLapRecordsHeaderBytes || std::memcmp(data, kRecordsMagic, 4) != 0 ||
        readU32(data + 4) != static_cast<uint32_t>(kLapRecordsVersion) || size > kMaxLapRecordsFileBytes)
        return LapFileRead::Refused;
    const uint32_t count = readU32(data + 8);
    bool whole = static_cast<size_t>(count) * kLapRecordBytes == size - kLapRecordsHeaderBytes;
    const uint8_t* p = data + kLapRecordsHeaderBytes;
    for (uint32_t i = 0; i < count && static_cast<size_t>(p - data) + kLapRecordBytes <= size;
         i++, p += kLapRecordBytes) {
        int race = 0;
        LapRecord r;
        if (!decodeEntry(p, &race, &r)) {
            whole = false;
            continue;
        }
        // Two entries for one circuit: the faster stands.
        LapRecord& slot = records[race - 1];
        if (!(slot.lap > 0.0f) || r.lap < slot.lap) slot = r;
    }
    return whole ? LapFileRead::Read : LapFileRead::Partial;
}

LapFileRead decodeLapRecords(const uint8_t* data, size_t size) {
    return decodeLapRecordsInto(data, size, raceRun.lapRecords);
}

namespace {

void sayRecordsRead(const std::string& path, LapFileRead read) {
    if (read == LapFileRead::Refused)
        std::fprintf(
            stderr,
            "korvask: %s is oversized, of another version or no records file; starting without lap records\n",
            path.c_str());
    else if (read == LapFileRead::Partial)
        std::fprintf(stderr, "korvask: %s is damaged; keeping the lap records it holds whole\n",
                     path.c_str());
}

}  // namespace

LapFileRead readLapRecords() {
    const std::string path = savesPath(kLapRecordsFileName);
    // Games killed while saving leave their temporaries beside the files.
    platformRemoveStaleTemporaries(path.c_str());
    platformRemoveStaleTemporariesLike(saves.savesFolder, kGhostFilePattern);
    clearLapRecords();
    raceRun.lapFiles.recordsUnsaved = false;
    std::vector<uint8_t> bytes;
    if (!readSaveFile(kLapRecordsFileName, &raceRun.lapFiles.records, &bytes)) {
        if (!raceRun.lapFiles.records.unreadable) return LapFileRead::Missing;
        std::fprintf(stderr, "korvask: %s cannot be read (%s); starting without lap records\n", path.c_str(),
                     raceRun.lapFiles.records.reason);
        return LapFileRead::Unreadable;
    }
    const LapFileRead read = decodeLapRecords(bytes.data(), bytes.size());
    sayRecordsRead(path, read);
    // What the game could not take stays in the copy before any lap of this
    // run replaces the file.
    if (read != LapFileRead::Read) keepDamagedSaveFile(kLapRecordsFileName, bytes, &raceRun.lapFiles.records);
    return read;
}

namespace {

// The records another game saved since this one read them: the faster of
// each circuit stands. False when the file there must not be replaced.
bool mergeSavedRecords(const std::string& path) {
    std::vector<uint8_t> bytes;
    const int error = platformTryReadFile(path.c_str(), &bytes);
    if (error == ENOENT) return true;
    if (error != 0) {
        raceRun.lapFiles.records.unreadable = true;
        raceRun.lapFiles.records.keepFile = true;
        std::snprintf(raceRun.lapFiles.records.reason, sizeof raceRun.lapFiles.records.reason, "%s",
                      std::strerror(error));
        char text[160];
        std::snprintf(text, sizeof text, "Could not read the lap records: %s. They will not be overwritten.",
                      raceRun.lapFiles.records.reason);
        tellLapFiles(text);
        return false;
    }
    LapRecord saved[kRecordCircuits];
    const LapFileRead read = decodeLapRecordsInto(bytes.data(), bytes.size(), saved);
    if (read != LapFileRead::Read) {
        if (!raceRun.lapFiles.records.damaged) sayRecordsRead(path, read);
        SaveFileCheck check{};
        keepDamagedSaveFile(kLapRecordsFileName, bytes, &check);
        if (!check.backupKept) {
            raceRun.lapFiles.records.keepFile = true;
            tellLapFiles(
                "The lap records file was damaged and no copy of it could be kept. It will not be "
                "overwritten.");
            return false;
        }
        if (!raceRun.lapFiles.records.damaged) {
            const std::string text = std::string("The lap records file was damaged. A copy was kept as ") +
                                     kLapRecordsFileName + kDamagedFileSuffix + ".";
            tellLapFiles(text.c_str());
        }
        raceRun.lapFiles.records.damaged = true;
    }
    for (int i = 0; i < kRecordCircuits; i++) {
        LapRecord& ours = raceRun.lapRecords[i];
        if (saved[i].lap > 0.0f && (!(ours.lap > 0.0f) || saved[i].lap < ours.lap)) ours = saved[i];
    }
    return true;
}

}  // namespace

bool writeLapRecords() {
    // Told at start (or when it was found): the file stays as it is.
    if (raceRun.lapFiles.records.keepFile) return true;
    const std::string path = savesPath(kLapRecordsFileName);
    const int lock = platformLockFolder(saves.savesFolder);
    bool written = true;
    if (mergeSavedRecords(path)) {
        const std::vector<uint8_t> bytes = encodeLapRecords();
        written = platformWriteFileAtomic(path.c_str(), bytes.data(), bytes.size());
    }
    const int error = errno;
    platformUnlockFolder(lock);
    if (written) {
        raceRun.lapFiles.recordsUnsaved = false;
        return true;
    }
    std::fprintf(stderr, "korvask: could not write %s: %s\n", path.c_str(), std::strerror(error));
    if (!raceRun.lapFiles.recordsUnsaved) {
        char text[160];
        std::snprintf(text, sizeof text, "Could not save the lap record: %s. It will be tried again at exit.",
                      std::strerror(error));
        tellLapFiles(text);
    }
    raceRun.lapFiles.recordsUnsaved = true;
    return false;
}

bool offerLapRecord(int race, int car, float lap, const float splits[kLapSectors], int64_t date) {
    if (race < 1 || race > kRecordCircuits || !(lap > 0.0f)) return false;
    LapRecord& slot = raceRun.lapRecords[race - 1];
    if (slot.lap > 0.0f && !(lap < slot.lap)) return false;
    slot.lap = lap;
    slot.car = car;
    slot.date = date;
    for (int s = 0; s < kLapSectors; s++) slot.splits[s] = splits[s];
    return true;
}

void tellLapFiles(const char* text) {
    std::fprintf(stderr, "korvask: %s\n", text);
    setPlayerNotice(text);
}

bool saveLapFilesAtExit() {
    bool saved = !raceRun.lapFiles.recordsUnsaved || writeLapRecords();
    std::vector<LapFileState::Ghost> waiting;
    waiting.swap(raceRun.lapFiles.ghostsUnsaved);
    for (const LapFileState::Ghost& g : waiting) saved = saveGhostFile(g.lap.race, g.lap.car, g.lap) && saved;
    return saved;
}
