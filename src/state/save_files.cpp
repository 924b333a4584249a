// The settings and career save files: plain little-endian 32-bit integers.
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "state/state.h"

int32_t resolutionIndex = 1;
int32_t screenWidth = 800;
int32_t screenHeight = 600;
int32_t colorBits = 32;
int32_t depthBits = 24;
bool soundEnabled = true;
bool musicEnabled = true;
int32_t mouseSensitivity = 0;
bool optionsApplied = false;
int blurWidth = kBlurTextureSize;
int blurHeight = kBlurTextureSize;

bool carAvailable[kCarSlots];
int32_t carTuning[kCarSlots][kTuningPackages];
RaceRecord raceRecord[kRaceSlots];
int32_t maxRaceUnlocked = 1;
int32_t careerPoints = 0;
int32_t tuningPoints = 250;

const CarPrize carPrizes[kPrizeCount] = {
    {100, 3}, {200, 4}, {300, 5}, {450, 6}, {600, 7}, {750, 8}, {900, 9}, {1050, 10}, {1200, 11},
};
static_assert(sizeof(carPrizes) / sizeof(carPrizes[0]) == kPrizeCount, "one row per prize car");

SaveFileCheck settingsFileCheck;
SaveFileCheck careerFileCheck;

static const int32_t kResolutions[3][2] = {{640, 480}, {800, 600}, {1024, 768}};

bool resolutionSize(int index, int32_t* width, int32_t* height) {
    if (index < 0 || index > 2) {
        return false;
    }
    *width = kResolutions[index][0];
    *height = kResolutions[index][1];
    return true;
}

void chooseResolution(int index) {
    resolutionIndex = index;
    resolutionSize(index, &screenWidth, &screenHeight);
}

void currentResolution(int32_t* width, int32_t* height) {
    *width = screenWidth;
    *height = screenHeight;
    resolutionSize(resolutionIndex, width, height);
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
    resolutionIndex = 1;
    screenWidth = 800;
    screenHeight = 600;
    colorBits = 32;
    depthBits = 24;
    soundEnabled = true;
    musicEnabled = true;
    mouseSensitivity = 0;
}

bool decodeSettings(const uint8_t* data, size_t size) {
    FieldReader r = {data, size, 0};
    r.integer(&resolutionIndex);
    r.integer(&colorBits);
    r.integer(&depthBits);
    r.flag(&soundEnabled);
    r.flag(&musicEnabled);
    r.integer(&mouseSensitivity);

    // The resolution index picks a table row and the bits go to the pixel
    // format and the display mode: keep them to the values the game offers.
    bool intact = size == static_cast<size_t>(kSettingsFileBytes);
    if (resolutionIndex < 0 || resolutionIndex > 2) {
        resolutionIndex = 1;
        intact = false;
    }
    if (colorBits != 16 && colorBits != 32) {
        colorBits = 32;
        intact = false;
    }
    if (depthBits != 16 && depthBits != 24) {
        depthBits = 24;
        intact = false;
    }
    resolutionSize(resolutionIndex, &screenWidth, &screenHeight);
    return intact;
}

void encodeSettings(uint8_t out[kSettingsFileBytes]) {
    FieldWriter w = {out, 0};
    w.integer(resolutionIndex);
    w.integer(colorBits);
    w.integer(depthBits);
    w.flag(soundEnabled);
    w.flag(musicEnabled);
    w.integer(mouseSensitivity);
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
    if (!readSaveFile(kSettingsFileName, &settingsFileCheck, &bytes)) {
        decodeSettings(nullptr, 0);
        return;
    }
    if (!decodeSettings(bytes.data(), bytes.size())) {
        keepDamagedSaveFile(kSettingsFileName, bytes, &settingsFileCheck);
        // The repaired file replaces it at once, so the player hears of the
        // damage once.
        writeSettings();
    }
}

bool writeSettings() {
    if (settingsFileCheck.keepFile) {
        return true;
    }
    // The resolution chosen on the options screen counts only after "Apply".
    if (optionsApplied) {
        for (int i = 0; i < 3; i++) {
            if (screenWidth == kResolutions[i][0]) {
                resolutionIndex = i;
            }
        }
    }
    uint8_t image[kSettingsFileBytes];
    encodeSettings(image);
    return platformWriteFileAtomic(savesPath(kSettingsFileName).c_str(), image, sizeof(image));
}

// ---------------------------------------------------------------------------
// Career.

void setDefaultCareer() {
    for (int i = 0; i < kCarSlots; i++) {
        carAvailable[i] = i < 8;
        for (int k = 0; k < kTuningPackages; k++) {
            carTuning[i][k] = 0;
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        raceRecord[j].flag = false;
        raceRecord[j].bestPlace = 0;
    }
    maxRaceUnlocked = 1;
    careerPoints = 0;
    tuningPoints = 250;
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
        r.flag(&carAvailable[i]);
    }
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            r.integer(&carTuning[i][k]);
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        r.flag(&raceRecord[j].flag);
        r.integer(&raceRecord[j].bestPlace);
    }
    r.integer(&maxRaceUnlocked);
    r.integer(&careerPoints);
    r.integer(&tuningPoints);
    bool intact = size == static_cast<size_t>(kCareerFileBytes);

    // A package is installed (1) or not (0); the garage multiplies the stored
    // value into the car's ratings, so anything else would rate a car below
    // zero or above its best. Any other positive value counts as installed,
    // as a flag would.
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            if (carTuning[i][k] < 0) {
                intact = false;
            }
            carTuning[i][k] = carTuning[i][k] > 0 ? 1 : 0;
        }
    }

    // The results screen indexes its place pictures by bestPlace; only the
    // fifteen career races are ever booked.
    int placed = 0;
    int32_t earned = 0;
    for (int j = 0; j < kRaceSlots; j++) {
        int32_t& best = raceRecord[j].bestPlace;
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
    if (maxRaceUnlocked != unlocked) {
        maxRaceUnlocked = unlocked;
        intact = false;
    }
    // Points come only from those finishes; tuning points are never negative
    // and never more than the career's races pay.
    intact = clampInteger(&careerPoints, 0, earned) && intact;
    intact = clampInteger(&tuningPoints, 0, kMostTuningPoints) && intact;

    // Cars: the first eight belong to every career, the prize cars follow
    // from the points, and the stored slots past the last car hold nothing.
    for (int i = 0; i < kCarSlots; i++) {
        bool available = i < 8;
        for (const CarPrize& prize : carPrizes) {
            if (prize.car == i && careerPoints >= prize.points) {
                available = true;
            }
        }
        if (carAvailable[i] != available) {
            carAvailable[i] = available;
            intact = false;
        }
    }
    return intact;
}

void encodeCareer(uint8_t out[kCareerFileBytes]) {
    FieldWriter w = {out, 0};
    for (int i = 0; i < kCarSlots; i++) {
        w.flag(carAvailable[i]);
    }
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            w.integer(carTuning[i][k]);
        }
    }
    for (int j = 0; j < kRaceSlots; j++) {
        w.flag(raceRecord[j].flag);
        w.integer(raceRecord[j].bestPlace);
    }
    w.integer(maxRaceUnlocked);
    w.integer(careerPoints);
    w.integer(tuningPoints);
}

void readCareer() {
    platformRemoveStaleTemporaries(savesPath(kCareerFileName).c_str());
    setDefaultCareer();
    std::vector<uint8_t> bytes;
    if (!readSaveFile(kCareerFileName, &careerFileCheck, &bytes)) {
        return;
    }
    if (!decodeCareer(bytes.data(), bytes.size())) {
        keepDamagedSaveFile(kCareerFileName, bytes, &careerFileCheck);
        writeCareer();
    }
}

bool writeCareer() {
    if (careerFileCheck.keepFile) {
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
