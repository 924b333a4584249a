// Where the player's files live: base/ itself when the game may write there
// (a game run from its build folder), else the player's data folder (an
// installed game, whose base/ belongs to the system).
#include <cstdio>
#include <cstring>
#include <string>

#include "state/state.h"

char savesFolder[kSavesFolderBytes] = "base";

static void setSavesFolder(const std::string& folder) {
    std::snprintf(savesFolder, sizeof(savesFolder), "%s", folder.c_str());
}

void chooseSavesFolder() {
    if (platformFolderWritable("base")) {
        setSavesFolder("base");
        return;
    }
    const std::string userFolder = platformUserDataFolder("korvask");
    if (userFolder.empty() || userFolder.size() >= sizeof(savesFolder) ||
        !platformMakeFolders(userFolder.c_str())) {
        // Nowhere to write: keep base/, whose writes then fail quietly, as a
        // settings file that cannot be opened always has.
        setSavesFolder("base");
        return;
    }
    setSavesFolder(userFolder);
}

std::string savesPath(const char* name) {
    return std::string(savesFolder) + "/" + name;
}

void writeMissingSaveFiles() {
    std::vector<uint8_t> bytes;
    if (!platformReadFile(savesPath(kSettingsFileName).c_str(), &bytes)) {
        writeSettings();
    }
    if (!platformReadFile(savesPath(kCareerFileName).c_str(), &bytes)) {
        writeCareer();
    }
}
