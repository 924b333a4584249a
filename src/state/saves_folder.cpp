// Where the player's files live: base/ itself when the game may write there
// (a game run from its build folder), else the player's data folder (an
// installed game, whose base/ belongs to the system).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "state/state.h"

static void setSavesFolder(const std::string& folder) {
    std::snprintf(saves.savesFolder, sizeof(saves.savesFolder), "%s", folder.c_str());
}

void chooseSavesFolder() {
    saves.savesFolderWritable = true;
    if (platformFolderWritable("base")) {
        setSavesFolder("base");
        return;
    }
    const std::string userFolder = platformUserDataFolder("korvask");
    if (userFolder.empty() || userFolder.size() >= sizeof(saves.savesFolder) ||
        !platformMakeFolders(userFolder.c_str())) {
        // Nowhere to write: keep base/, whose saves are read as usual; the
        // shell tells the player at start that nothing will be kept.
        setSavesFolder("base");
        saves.savesFolderWritable = false;
        return;
    }
    setSavesFolder(userFolder);
    // A data folder that exists but takes no files still holds the saves to
    // read.
    saves.savesFolderWritable = platformFolderWritable(userFolder.c_str());
}

std::string savesPath(const char* name) {
    return std::string(saves.savesFolder) + "/" + name;
}

void writeMissingSaveFiles() {
    // Only where there is no file at all: one that cannot be read is the
    // player's and stays as it is.
    std::vector<uint8_t> bytes;
    if (platformTryReadFile(savesPath(kSettingsFileName).c_str(), &bytes) == ENOENT) {
        writeSettings();
    }
    if (platformTryReadFile(savesPath(kCareerFileName).c_str(), &bytes) == ENOENT) {
        writeCareer();
    }
}
