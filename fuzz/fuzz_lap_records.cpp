// The lap records and ghost files: any bytes read; what was taken, written
// and read back, gives the same file (a save never changes what it saved).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "race/race.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool ghost = data[0] & 1;
    data++;
    size--;
    if (ghost) {
        GhostLap lap;
        const char* why = nullptr;
        if (!decodeGhost(data, size, &lap, &why)) {
            if (why == nullptr) __builtin_trap();
            return 0;
        }
        const std::vector<uint8_t> first = encodeGhost(lap);
        GhostLap again;
        if (!decodeGhost(first.data(), first.size(), &again, &why)) __builtin_trap();
        if (encodeGhost(again) != first) __builtin_trap();
        // Every clock of the lap finds a pose.
        Vector3 p;
        Quaternion q;
        for (int i = 0; i <= 8; i++)
            if (!ghostPose(lap, lap.lap * (float)i / 8.0f, &p, &q)) __builtin_trap();
    } else {
        decodeLapRecords(data, size);
        const std::vector<uint8_t> first = encodeLapRecords();
        if (decodeLapRecords(first.data(), first.size()) != LapFileRead::Read) __builtin_trap();
        if (encodeLapRecords() != first) __builtin_trap();
    }
    return 0;
}
