// The settings and career files: any bytes read, then written and read back
// to the same values (a save never changes what it saved).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "shell/shell.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool careerFile = data[0] & 1;
    data++;
    size--;
    if (careerFile) {
        setDefaultCareer();
        decodeCareer(data, size);
        uint8_t first[kCareerFileBytes], second[kCareerFileBytes];
        encodeCareer(first);
        decodeCareer(first, sizeof first);
        encodeCareer(second);
        if (std::memcmp(first, second, sizeof first) != 0) __builtin_trap();
        if (career.maxRaceUnlocked < 1 || career.maxRaceUnlocked > kCareerRaces) __builtin_trap();
    } else {
        setDefaultSettings();
        decodeSettings(data, size);
        uint8_t first[kSettingsFileBytes], second[kSettingsFileBytes];
        encodeSettings(first);
        decodeSettings(first, sizeof first);
        encodeSettings(second);
        if (std::memcmp(first, second, sizeof first) != 0) __builtin_trap();
        if (options.screenWidth != 640 && options.screenWidth != 800 && options.screenWidth != 1024)
            __builtin_trap();
    }
    return 0;
}
