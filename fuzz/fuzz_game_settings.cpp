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
            if (controlSettings.keyBindings[a] == controlSettings.keyBindings[b]) __builtin_trap();
    storeKeyBindings();
    if (!setSettingText(settingKey(Setting::Difficulty), "2") ||
        !setSettingText(settingKey(Setting::MusicVolume), "3"))
        __builtin_trap();
    if (settingValue(Setting::Difficulty) != 2) __builtin_trap();
    // Every row reads a value in its range from whatever the text held.
    for (int i = 0; i < kSettingCount; i++) {
        const Setting setting = static_cast<Setting>(i);
        const SettingRow& row = settingRow(setting);
        const int value = settingValue(setting);
        if (row.type != SettingType::Key && value != row.initial && (value < row.lo || value > row.hi))
            __builtin_trap();
    }
    const std::string first = formatGameSettings();
    clearGameSettings();
    if (parseGameSettings(first.data(), first.size()) != 0) __builtin_trap();
    if (formatGameSettings() != first) __builtin_trap();
    return 0;
}
