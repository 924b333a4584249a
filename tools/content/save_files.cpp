// Default settings and career files, written only where the player has none.
#include "content/save_files.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "content/content.h"
#include "content/image_writer.h"

static void putInt(std::vector<uint8_t>& out, int32_t value) {
    uint32_t bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>((bits >> (8 * i)) & 0xFF));
}

std::vector<uint8_t> defaultSettingsBytes() {
    std::vector<uint8_t> bytes;
    putInt(bytes, 1);   // 800 x 600
    putInt(bytes, 32);  // colour bits
    putInt(bytes, 24);  // depth bits
    putInt(bytes, 1);   // sound on
    putInt(bytes, 1);   // music on
    putInt(bytes, 0);   // mouse sensitivity
    return bytes;
}

// The career a new game starts: cars 1 to 8 open, nothing tuned or won,
// race 1 unlocked and 250 tuning points.
std::vector<uint8_t> defaultCareerBytes() {
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 18; ++i) putInt(bytes, i < 8 ? 1 : 0);
    for (int i = 0; i < 18 * 3; ++i) putInt(bytes, 0);
    for (int i = 0; i < 24; ++i) {
        putInt(bytes, 0);  // flag
        putInt(bytes, 0);  // best place
    }
    putInt(bytes, 1);    // highest race unlocked
    putInt(bytes, 0);    // career points
    putInt(bytes, 250);  // tuning points
    return bytes;
}

static bool fileExists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Written beside the final name and renamed over it, so a half-written file
// never stands where the game looks.
static bool writeIfAbsent(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (fileExists(path)) return true;
    std::string temporary = path + ".new";
    if (!writeFileBytes(temporary, bytes)) return false;
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::fprintf(stderr, "korvask-content: cannot rename %s\n", temporary.c_str());
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool generateSaveFiles(const std::string& baseDir) {
    if (!makeDirectories(baseDir)) return false;
    return writeIfAbsent(baseDir + "/menu.inf", defaultSettingsBytes()) &&
           writeIfAbsent(baseDir + "/career.inf", defaultCareerBytes());
}
