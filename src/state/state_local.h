// State's own view of the stored settings, for its files, the tests and the
// fuzzers: the rows of settings.cfg as read, known keys and unknown alike.
#pragma once

#include "state/state.h"

struct GameSetting {
    char key[kSettingKeyBytes];
    char value[kSettingValueBytes];
};
// What readGameSettings found.
enum class GameSettingsRead { Missing, Read, Unreadable };

extern GameSetting gameSettings[kMaxGameSettings];
extern int gameSettingCount;
// An unreadable file is never written over (writeGameSettings leaves it).
extern GameSettingsRead gameSettingsRead;

// Leaves key out of the stored settings.
void eraseSettingText(const char* key);

// Before menu.inf is written: its resolution index for the chosen size, and
// the size itself in settings.cfg when the index cannot say it.
void keepScreenSize();
