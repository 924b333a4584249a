// Our own settings file beside menu.inf: "key = value" text lines for what
// the 24-byte menu.inf cannot hold (volumes, difficulty, graphics, keys).
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "state/state.h"
#include "state/state_local.h"

GameSetting gameSettings[kMaxGameSettings];
int gameSettingCount = 0;
GameSettingsRead gameSettingsRead = GameSettingsRead::Missing;
SaveFileCheck gameSettingsFileCheck;

// ---------------------------------------------------------------------------
// The table of keys and values.

static GameSetting* findStored(const char* key) {
    for (int i = 0; i < gameSettingCount; i++) {
        if (std::strcmp(gameSettings[i].key, key) == 0) {
            return &gameSettings[i];
        }
    }
    return nullptr;
}

static bool validKey(const char* key, size_t length) {
    if (length == 0 || length >= static_cast<size_t>(kSettingKeyBytes)) {
        return false;
    }
    for (size_t i = 0; i < length; i++) {
        const unsigned char c = static_cast<unsigned char>(key[i]);
        if (!std::isalnum(c) && c != '_' && c != '.' && c != '-') {
            return false;
        }
    }
    return true;
}

static bool validValue(const char* value, size_t length) {
    if (length >= static_cast<size_t>(kSettingValueBytes)) {
        return false;
    }
    for (size_t i = 0; i < length; i++) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

static int unknownSettingCount() {
    int count = 0;
    for (int i = 0; i < gameSettingCount; i++) {
        count += ownSettingKey(gameSettings[i].key) ? 0 : 1;
    }
    return count;
}

void clearGameSettings() {
    gameSettingCount = 0;
    gameSettingsRead = GameSettingsRead::Missing;
    gameSettingsFileCheck = SaveFileCheck{};
}

bool setSettingText(const char* key, const char* value) {
    const size_t keyLength = std::strlen(key);
    const size_t valueLength = std::strlen(value);
    if (!validKey(key, keyLength) || !validValue(value, valueLength)) {
        return false;
    }
    GameSetting* setting = findStored(key);
    if (setting == nullptr) {
        if (gameSettingCount == kMaxGameSettings ||
            (!ownSettingKey(key) && unknownSettingCount() >= kMaxUnknownGameSettings)) {
            return false;
        }
        setting = &gameSettings[gameSettingCount++];
        std::memcpy(setting->key, key, keyLength + 1);
    }
    std::memcpy(setting->value, value, valueLength + 1);
    return true;
}

void eraseSettingText(const char* key) {
    GameSetting* setting = findStored(key);
    if (setting == nullptr) return;
    // Later rows move up, so the file keeps its order.
    for (GameSetting* next = setting + 1; next < gameSettings + gameSettingCount; next++) *(next - 1) = *next;
    gameSettingCount--;
}

const char* settingText(const char* key) {
    const GameSetting* setting = findStored(key);
    return setting != nullptr ? setting->value : nullptr;
}

// ---------------------------------------------------------------------------
// The file.

static void trim(const char** begin, const char** end) {
    while (*begin < *end && (**begin == ' ' || **begin == '\t')) {
        (*begin)++;
    }
    while (*end > *begin && ((*end)[-1] == ' ' || (*end)[-1] == '\t' || (*end)[-1] == '\r')) {
        (*end)--;
    }
}

int parseGameSettings(const char* text, size_t size) {
    int dropped = 0;
    int noRoom = 0;
    const char* at = text;
    const char* const stop = text + size;
    while (at < stop) {
        const char* lineEnd = static_cast<const char*>(std::memchr(at, '\n', static_cast<size_t>(stop - at)));
        if (lineEnd == nullptr) {
            lineEnd = stop;
        }
        const char* begin = at;
        const char* end = lineEnd;
        at = lineEnd + 1;
        trim(&begin, &end);
        if (begin == end || *begin == '#') {
            continue;
        }
        const char* equals =
            static_cast<const char*>(std::memchr(begin, '=', static_cast<size_t>(end - begin)));
        if (equals == nullptr) {
            dropped++;
            continue;
        }
        const char* keyEnd = equals;
        const char* valueBegin = equals + 1;
        trim(&begin, &keyEnd);
        trim(&valueBegin, &end);
        const std::string key(begin, keyEnd);
        const std::string value(valueBegin, end);
        if (key.find('\0') != std::string::npos || value.find('\0') != std::string::npos ||
            !setSettingText(key.c_str(), value.c_str())) {
            dropped++;
            if (validKey(key.c_str(), key.size()) && validValue(value.c_str(), value.size()) &&
                settingText(key.c_str()) == nullptr) {
                noRoom++;
            }
        }
    }
    if (noRoom > 0) {
        std::fprintf(stderr, "korvask: %s: %d key(s) the game does not know were left out (it keeps %d)\n",
                     kGameSettingsFileName, noRoom, kMaxUnknownGameSettings);
    }
    return dropped;
}

std::string formatGameSettings() {
    std::string out = "# Korvask settings: key = value, one a line. The game rewrites this file at exit.\n";
    for (int i = 0; i < gameSettingCount; i++) {
        out += gameSettings[i].key;
        out += " = ";
        out += gameSettings[i].value;
        out += '\n';
    }
    return out;
}

void readGameSettings() {
    clearGameSettings();
    const std::string path = savesPath(kGameSettingsFileName);
    platformRemoveStaleTemporaries(path.c_str());
    std::vector<uint8_t> bytes;
    if (!readSaveFile(kGameSettingsFileName, &gameSettingsFileCheck, &bytes)) {
        if (gameSettingsFileCheck.unreadable) {
            // There is a file we cannot read: keep it as it is for the player
            // to mend, and play on the defaults.
            gameSettingsRead = GameSettingsRead::Unreadable;
        }
        return;
    }
    gameSettingsRead = GameSettingsRead::Read;
    int dropped = 0;
    if (bytes.size() > static_cast<size_t>(kMaxGameSettingsFileBytes)) {
        std::fprintf(stderr,
                     "korvask: %s is larger than a settings file can be; using the default settings\n",
                     path.c_str());
        dropped = 1;
    } else {
        dropped = parseGameSettings(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        if (dropped > 0) {
            std::fprintf(stderr, "korvask: %s: %d line(s) could not be read and were left out\n",
                         path.c_str(), dropped);
        }
    }
    if (dropped > 0) {
        // What was left out stays in the copy; the lines read replace the
        // file at once, so the player hears of it once.
        keepDamagedSaveFile(kGameSettingsFileName, bytes, &gameSettingsFileCheck);
        writeGameSettings();
    }
}

bool writeGameSettings() {
    if (gameSettingsRead == GameSettingsRead::Unreadable || gameSettingsFileCheck.keepFile) {
        return true;
    }
    const std::string text = formatGameSettings();
    return platformWriteFileAtomic(savesPath(kGameSettingsFileName).c_str(), text.data(), text.size());
}
