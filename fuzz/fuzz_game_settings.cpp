// The settings file with its key bindings: any text read, the bindings
// settled from it, then written and read back to the same file. The game's
// own keys always take a value, however full the table is of others.
#include <cstddef>
#include <cstdint>
#include <string>

#include "state/state.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    clearGameSettings();
    parseGameSettings(reinterpret_cast<const char*>(data), size);
    readKeyBindings();
    // Every action has a key of its own.
    for (int a = 0; a < kBindActions; a++)
        for (int b = a + 1; b < kBindActions; b++)
            if (keyBindings[a] == keyBindings[b]) __builtin_trap();
    storeKeyBindings();
    if (!setSettingText("difficulty", "2") || !setSettingText("music_volume", "3")) __builtin_trap();
    if (settingInt("difficulty", 1, 0, 2) != 2) __builtin_trap();
    const std::string first = formatGameSettings();
    clearGameSettings();
    if (parseGameSettings(first.data(), first.size()) != 0) __builtin_trap();
    if (formatGameSettings() != first) __builtin_trap();
    return 0;
}
