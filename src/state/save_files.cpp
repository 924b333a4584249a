// The settings and career save files: plain little-endian 32-bit integers.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "state/state.h"
#include "state/state_local.h"

void toggleColorBits() {
    options.colorBits = options.colorBits == 16 ? 32 : 16;
}

void toggleDepthBits() {
    options.depthBits = options.depthBits == 16 ? 24 : 16;
}

void setSoundEnabled(bool on) {
    options.soundEnabled = on;
}

void setMusicEnabled(bool on) {
    options.musicEnabled = on;
}

void applyOptions() {
    options.optionsApplied = true;
}

// ---------------------------------------------------------------------------
// Field cursor over a file image: reads stop at the end, where the caller's
// default stays.

namespace {

struct FieldReader {
    const uint8_t* data;
    size_t size;
    size_t at;

    bool next(int32_t* value) {
        if (size < 4 || at > size - 4) {
            return false;
        }
        const uint8_t* p = data + at;
        *value = readI32(p);
        at += 4;
        return true;
    }
    void flag(bool* value) {
        int32_t v;
        if (next(&v)) {
            *value = v != 0;
        }
    }
    void integer(int32_t* value) {
        int32_t v;
        if (next(&v)) {
            *value = v;
        }
    }
};

struct FieldWriter {
    uint8_t* out;
    size_t at;

    void integer(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        out[at + 0] = static_cast<uint8_t>(u);
        out[at + 1] = static_cast<uint8_t>(u >> 8);
        out[at + 2] = static_cast<uint8_t>(u >> 16);
        out[at + 3] = static_cast<uint8_t>(u >> 24);
        at += 4;
    }
    void flag(bool v) { integer(v ? 1 : 0); }
};

}  // namespace

// ---------------------------------------------------------------------------
// Settings.

void setDefaultSettings() {
    options.resolutionIndex = 1;
    options.screenWidth = 800;
    options.screenHeight = 600;
    options.colorBits = 32;
    options.depthBits = 24;
    options.soundEnabled = true;
    options.musicEnabled = true;
    options.mouseSensitivity = 0;
}

bool decodeSettings(const uint8_t* data, size_t size) {
    FieldReader r = {data, size, 0};
    r.integer(&options.resolutionIndex);
    r.integer(&options.colorBits);
    r.integer(&options.depthBits);
    r.flag(&options.soundEnabled);
    r.flag(&options.musicEnabled);
    r.integer(&options.mouseSensitivity);

    // The resolution index picks a table row and the bits go to the pixel
    // format and the display mode: keep them to the values the game offers.
    bool intact = size == static_cast<size_t>(kSettingsFileBytes);
    if (options.resolutionIndex < 0 || options.resolutionIndex > 2) {
        options.resolutionIndex = 1;
        intact = false;
    }
    if (options.colorBits != 16 && options.colorBits != 32) {
        options.colorBits = 32;
        intact = false;
    }
    if (options.depthBits != 16 && options.depthBits != 24) {
        options.depthBits = 24;
        intact = false;
    }
    resolutionSize(options.resolutionIndex, &options.screenWidth, &options.screenHeight);
    options.windowWidth = options.screenWidth;
    options.windowHeight = options.screenHeight;
    return intact;
}

void encodeSettings(uint8_t out[kSettingsFileBytes]) {
    FieldWriter w = {out, 0};
    w.integer(options.resolutionIndex);
    w.integer(options.colorBits);
    w.integer(options.depthBits);
    w.flag(options.soundEnabled);
    w.flag(options.musicEnabled);
    w.integer(options.mouseSensitivity);
}

// A missing file is no fault (a first start); one that exists but cannot be
// read is never written over in this run, whatever it holds.
bool readSaveFile(const char* name, SaveFileCheck* check, std::vector<uint8_t>* bytes) {
    *check = SaveFileCheck{};
    const int error = platformTryReadFile(savesPath(name).c_str(), bytes);
    if (error == 0) {
        return true;
    }
    if (error != ENOENT) {
        check->unreadable = true;
        check->keepFile = true;
        std::snprintf(check->reason, sizeof(check->reason), "%s", std::strerror(error));
    }
    return false;
}

// A file read whole but holding what the game cannot use: its bytes go to
// "<name>.bad" (one copy, replaced by a newer one) before the repaired values
// are ever written over it. Without that copy the file is kept instead.
void keepDamagedSaveFile(const char* name, const std::vector<uint8_t>& bytes, SaveFileCheck* check) {
    check->damaged = true;
    const std::string copy = savesPath(name) + kDamagedFileSuffix;
    check->backupKept = platformWriteFileAtomic(copy.c_str(), bytes.data(), bytes.size());
    if (!check->backupKept) {
        check->keepFile = true;
    }
}

void readSettings() {
    // A game killed while saving leaves its temporary beside the file.
    platformRemoveStaleTemporaries(savesPath(kSettingsFileName).c_str());
    setDefaultSettings();
    std::vector<uint8_t> bytes;
    if (!readSaveFile(kSettingsFileName, &saves.settingsFileCheck, &bytes)) {
        decodeSettings(nullptr, 0);
        return;
    }
    if (!decodeSettings(bytes.data(), bytes.size())) {
        keepDamagedSaveFile(kSettingsFileName, bytes, &saves.settingsFileCheck);
        // The repaired file replaces it at once, so the player hears of the
        // damage once.
        writeSettings();
    }
}

bool writeSettings() {
    if (saves.settingsFileCheck.keepFile) {
        return true;
    }
    // The resolution chosen on the options screen counts only after "Apply".
    if (options.optionsApplied) {
        keepScreenSize();
    }
    uint8_t image[kSettingsFileBytes];
    encodeSettings(image);
    return platformWriteFileAtomic(savesPath(kSettingsFileName).c_str(), image, sizeof(image));
}

// ---------------------------------------------------------------------------
// Career.

void setDefaultCareer() {
    for (int i = 0; i < kCarSlots; i++) {
        career.carAvailable[i] = i < 8;
        for (int k = 0; k < kTuningPackages; k++) {
            career.carTuning[i][k] = 0;
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        career.raceRecord[j].flag = false;
        career.raceRecord[j].bestPlace = 0;
    }
    career.maxRaceUnlocked = 1;
    career.careerPoints = 0;
    career.tuningPoints = 250;
}

// What a career can have earned follows from the results it holds: a first
// finish in the first three of each of the fifteen career races books 100, 75
// or 50 points once and unlocks the next race; every finish adds tuning
// points: 250 to start with and 750 for each win. Races won again earn tuning points
// too, so a long career can hold more; but this is already above the 9,000
// that buy every package of every car, so the bound takes nothing the player
// could spend.
constexpr int32_t kMostTuningPoints = 250 + kCareerRaces * 750;

static bool clampInteger(int32_t* value, int32_t low, int32_t high) {
    if (*value < low) {
        *value = low;
        return false;
    }
    if (*value > high) {
        *value = high;
        return false;
    }
    return true;
}

bool decodeCareer(const uint8_t* data, size_t size) {
    FieldReader r = {data, size, 0};
    for (int i = 0; i < kCarSlots; i++) {
        r.flag(&career.carAvailable[i]);
    }
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            r.integer(&career.carTuning[i][k]);
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        r.flag(&career.raceRecord[j].flag);
        r.integer(&career.raceRecord[j].bestPlace);
    }
    r.integer(&career.maxRaceUnlocked);
    r.integer(&career.careerPoints);
    r.integer(&career.tuningPoints);
    bool intact = size == static_cast<size_t>(kCareerFileBytes);

    // A package is installed (1) or not (0); the garage multiplies the stored
    // value into the car's ratings, so anything else would rate a car below
    // zero or above its best. Any other positive value counts as installed,
    // as a flag would.
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            if (career.carTuning[i][k] < 0) {
                intact = false;
            }
            career.carTuning[i][k] = career.carTuning[i][k] > 0 ? 1 : 0;
        }
    }

    // The results screen indexes its place pictures by bestPlace; only the
    // fifteen career races are ever booked.
    int placed = 0;
    int32_t earned = 0;
    for (int j = 0; j < kRaceSlots; j++) {
        int32_t& best = career.raceRecord[j].bestPlace;
        if (best < 0 || best > 3 || (j >= kCareerRaces && best != 0)) {
            best = 0;
            intact = false;
        }
        if (best != 0) {
            placed++;
            earned += 125 - 25 * best;
        }
    }

    // Races open one after another, each with the first finish in the first
    // three of the one before; the city map indexes its races by this.
    const int32_t unlocked = placed + 1 < kCareerRaces ? placed + 1 : kCareerRaces;
    if (career.maxRaceUnlocked != unlocked) {
        career.maxRaceUnlocked = unlocked;
        intact = false;
    }
    // Points come only from those finishes; tuning points are never negative
    // and never more than the career's races pay.
    intact = clampInteger(&career.careerPoints, 0, earned) && intact;
    intact = clampInteger(&career.tuningPoints, 0, kMostTuningPoints) && intact;

    // Cars: the first eight belong to every career, the prize cars follow
    // from the points, and the stored slots past the last car hold nothing.
    for (int i = 0; i < kCarSlots; i++) {
        bool available = i < 8;
        for (const CarPrize& prize : carPrizes) {
            if (prize.car == i && career.careerPoints >= prize.points) {
                available = true;
            }
        }
        if (career.carAvailable[i] != available) {
            career.carAvailable[i] = available;
            intact = false;
        }
    }
    return intact;
}

void encodeCareer(uint8_t out[kCareerFileBytes]) {
    FieldWriter w = {out, 0};
    for (int i = 0; i < kCarSlots; i++) {
        w.flag(career.carAvailable[i]);
    }
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            w.integer(career.carTuning[i][k]);
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        w.flag(career.raceRecord[j].flag);
        w.integer(career.raceRecord[j].bestPlace);
    }
    w.integer(career.maxRaceUnlocked);
    w.integer(career.careerPoints);
    w.integer(career.tuningPoints);
}

void readCareer() {
    platformRemoveStaleTemporaries(savesPath(kCareerFileName).c_str());
    setDefaultCareer();
    std::vector<uint8_t> bytes;
    if (!readSaveFile(kCareerFileName, &saves.careerFileCheck, &bytes)) {
        return;
    }
    if (!decodeCareer(bytes.data(), bytes.size())) {
        keepDamagedSaveFile(kCareerFileName, bytes, &saves.careerFileCheck);
        writeCareer();
    }
}

bool writeCareer() {
    if (saves.careerFileCheck.keepFile) {
        return true;
    }
    uint8_t image[kCareerFileBytes];
    encodeCareer(image);
    return platformWriteFileAtomic(savesPath(kCareerFileName).c_str(), image, sizeof(image));
}

bool writeCareerNow() {
    if (writeCareer()) {
        return true;
    }
    // Mid-run saves keep playing: the file still holds the last good career,
    // and the save at exit tries again and tells the player if it fails.
    std::fprintf(stderr, "korvask: could not save the career to %s\n", savesPath(kCareerFileName).c_str());
    return false;
}
