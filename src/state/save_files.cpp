// The settings and career save files: plain little-endian 32-bit integers.
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
int blurWidth = 256;
int blurHeight = 256;

bool carAvailable[kCarSlots];
int32_t carTuning[kCarSlots][kTuningPackages];
RaceRecord raceRecord[kRaceSlots];
int32_t maxRaceUnlocked = 1;
int32_t careerPoints = 0;
int32_t tuningPoints = 250;

static const int32_t kResolutions[3][2] = {{640, 480}, {800, 600}, {1024, 768}};

bool resolutionSize(int index, int32_t* width, int32_t* height) {
    if (index < 0 || index > 2) {
        return false;
    }
    *width = kResolutions[index][0];
    *height = kResolutions[index][1];
    return true;
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
        uint32_t u = (uint32_t)v;
        out[at + 0] = (uint8_t)u;
        out[at + 1] = (uint8_t)(u >> 8);
        out[at + 2] = (uint8_t)(u >> 16);
        out[at + 3] = (uint8_t)(u >> 24);
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

void decodeSettings(const uint8_t* data, size_t size) {
    FieldReader r = {data, size, 0};
    r.integer(&resolutionIndex);
    r.integer(&colorBits);
    r.integer(&depthBits);
    r.flag(&soundEnabled);
    r.flag(&musicEnabled);
    r.integer(&mouseSensitivity);

    // The resolution index picks a table row and the bits go to the pixel
    // format and the display mode: keep them to the values the game offers.
    if (resolutionIndex < 0 || resolutionIndex > 2) {
        resolutionIndex = 1;
    }
    if (colorBits != 16 && colorBits != 32) {
        colorBits = 32;
    }
    if (depthBits != 16 && depthBits != 24) {
        depthBits = 24;
    }
    resolutionSize(resolutionIndex, &screenWidth, &screenHeight);
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

void readSettings() {
    // A game killed while saving leaves its temporary beside the file.
    platformRemoveStaleTemporaries(savesPath(kSettingsFileName).c_str());
    setDefaultSettings();
    std::vector<uint8_t> bytes;
    platformReadFile(savesPath(kSettingsFileName).c_str(), &bytes);
    decodeSettings(bytes.data(), bytes.size());
}

bool writeSettings() {
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

void decodeCareer(const uint8_t* data, size_t size) {
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

    // The city map indexes its races by maxRaceUnlocked and the results
    // screen its place pictures by bestPlace.
    if (maxRaceUnlocked < 1) {
        maxRaceUnlocked = 1;
    }
    if (maxRaceUnlocked > kCareerRaces) {
        maxRaceUnlocked = kCareerRaces;
    }
    for (int j = 0; j < kRaceSlots; j++) {
        if (raceRecord[j].bestPlace < 0 || raceRecord[j].bestPlace > 3) {
            raceRecord[j].bestPlace = 0;
        }
    }
    // A package is installed (1) or not (0); the garage multiplies the stored
    // value into the car's ratings, so anything else would rate a car below
    // zero or above its best. Any other non-zero value counts as installed,
    // as a flag would.
    for (int i = 0; i < kCarSlots; i++) {
        for (int k = 0; k < kTuningPackages; k++) {
            carTuning[i][k] = carTuning[i][k] > 0 ? 1 : 0;
        }
    }
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
    platformReadFile(savesPath(kCareerFileName).c_str(), &bytes);
    decodeCareer(bytes.data(), bytes.size());
}

bool writeCareer() {
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
