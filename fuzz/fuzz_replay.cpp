// Replay files: any bytes read; what was taken, written and read back gives
// the same file, and every moment of it finds every car's pose.
#include <cstddef>
#include <cstdint>

#include "race/race.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Replay replay;
    const char* why = nullptr;
    if (!decodeReplay(data, size, &replay, &why)) {
        if (why == nullptr) __builtin_trap();
        return 0;
    }
    const std::vector<uint8_t> first = encodeReplay(replay);
    Replay again;
    if (!decodeReplay(first.data(), first.size(), &again, &why)) __builtin_trap();
    if (encodeReplay(again) != first) __builtin_trap();
    const float end = replayDuration(replay);
    for (int car = 0; car < replay.carCount; car++) {
        for (int i = 0; i <= 8; i++) {
            ReplayPose pose;
            if (!replayCarPose(replay, car, end * static_cast<float>(i) / 8.0f, &pose)) __builtin_trap();
        }
    }
    return 0;
}
