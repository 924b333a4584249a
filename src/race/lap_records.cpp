// The circuits' lap records and their file: "KVRL", version, entry count,
// then per entry the circuit, the car, the lap, the three sector ends and the
// date. Read leniently: an entry that does not make sense is left out, the
// others are kept.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "race/race.h"
#include "state/state.h"

LapRecord lapRecords[kRecordCircuits];

namespace {

const uint8_t kRecordsMagic[4] = {'K', 'V', 'R', 'L'};

// One entry; false when it is not a record the game could have made.
bool decodeEntry(const uint8_t* p, int* race, LapRecord* out) {
    const uint32_t circuit = readU32(p), car = readU32(p + 4);
    LapRecord r;
    r.lap = readF32(p + 8);
    for (int s = 0; s < kLapSectors; s++) r.splits[s] = readF32(p + 12 + 4 * s);
    r.date = (int64_t)((uint64_t)readU32(p + 24) | (uint64_t)readU32(p + 28) << 32);
    r.car = (int)car;
    if (circuit < 1 || circuit > (uint32_t)kRecordCircuits || car >= (uint32_t)kCarModels) return false;
    if (!std::isfinite(r.lap) || r.lap <= 0.0f || r.lap > 6000.0f * 999.0f) return false;
    for (int s = 0; s < kLapSectors; s++) {
        const float low = s == 0 ? 0.0f : r.splits[s - 1];
        if (!std::isfinite(r.splits[s]) || r.splits[s] < low || r.splits[s] > r.lap) return false;
    }
    *race = (int)circuit;
    *out = r;
    return true;
}

}  // namespace

void clearLapRecords() {
    for (LapRecord& r : lapRecords) r = LapRecord{};
}

std::vector<uint8_t> encodeLapRecords() {
    int count = 0;
    for (const LapRecord& r : lapRecords) count += r.lap > 0.0f ? 1 : 0;
    std::vector<uint8_t> out;
    for (uint8_t b : kRecordsMagic) out.push_back(b);
    appendU32(out, kLapRecordsVersion);
    appendU32(out, (uint32_t)count);
    for (int i = 0; i < kRecordCircuits; i++) {
        const LapRecord& r = lapRecords[i];
        if (!(r.lap > 0.0f)) continue;
        appendU32(out, (uint32_t)(i + 1));
        appendU32(out, (uint32_t)r.car);
        appendF32(out, r.lap);
        for (float s : r.splits) appendF32(out, s);
        appendU32(out, (uint32_t)((uint64_t)r.date & 0xFFFFFFFFu));
        appendU32(out, (uint32_t)((uint64_t)r.date >> 32));
    }
    return out;
}

LapFileRead decodeLapRecords(const uint8_t* data, size_t size) {
    clearLapRecords();
    if (size < kLapRecordsHeaderBytes || std::memcmp(data, kRecordsMagic, 4) != 0 ||
        readU32(data + 4) != (uint32_t)kLapRecordsVersion || size > kMaxLapRecordsFileBytes)
        return LapFileRead::Refused;
    const uint32_t count = readU32(data + 8);
    bool whole = (size_t)count * kLapRecordBytes == size - kLapRecordsHeaderBytes;
    const uint8_t* p = data + kLapRecordsHeaderBytes;
    for (uint32_t i = 0; i < count && (size_t)(p - data) + kLapRecordBytes <= size;
         i++, p += kLapRecordBytes) {
        int race = 0;
        LapRecord r;
        if (!decodeEntry(p, &race, &r)) {
            whole = false;
            continue;
        }
        // Two entries for one circuit: the faster stands.
        LapRecord& slot = lapRecords[race - 1];
        if (!(slot.lap > 0.0f) || r.lap < slot.lap) slot = r;
    }
    return whole ? LapFileRead::Read : LapFileRead::Partial;
}

LapFileRead readLapRecords() {
    const std::string path = savesPath(kLapRecordsFileName);
    platformRemoveStaleTemporaries(path.c_str());
    clearLapRecords();
    std::vector<uint8_t> bytes;
    if (!platformReadFile(path.c_str(), &bytes)) {
        FILE* f = std::fopen(path.c_str(), "rb");
        if (f == nullptr) return LapFileRead::Missing;
        std::fclose(f);
        std::fprintf(stderr, "korvask: %s cannot be read; starting without lap records\n", path.c_str());
        return LapFileRead::Refused;
    }
    const LapFileRead read = decodeLapRecords(bytes.data(), bytes.size());
    if (read == LapFileRead::Refused)
        std::fprintf(
            stderr,
            "korvask: %s is oversized, of another version or no records file; starting without lap records\n",
            path.c_str());
    else if (read == LapFileRead::Partial)
        std::fprintf(stderr, "korvask: %s is damaged; keeping the lap records it holds whole\n",
                     path.c_str());
    return read;
}

bool writeLapRecords() {
    const std::vector<uint8_t> bytes = encodeLapRecords();
    if (platformWriteFileAtomic(savesPath(kLapRecordsFileName).c_str(), bytes.data(), bytes.size()))
        return true;
    std::fprintf(stderr, "korvask: could not write %s\n", savesPath(kLapRecordsFileName).c_str());
    return false;
}

bool offerLapRecord(int race, int car, float lap, const float splits[kLapSectors], int64_t date) {
    if (race < 1 || race > kRecordCircuits || !(lap > 0.0f)) return false;
    LapRecord& slot = lapRecords[race - 1];
    if (slot.lap > 0.0f && !(lap < slot.lap)) return false;
    slot.lap = lap;
    slot.car = car;
    slot.date = date;
    for (int s = 0; s < kLapSectors; s++) slot.splits[s] = splits[s];
    return true;
}
