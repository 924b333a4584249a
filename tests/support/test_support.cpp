// The shared test and benchmark helpers of test_support.h.
#include "test_support.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

void chooseSilentSoundBackend() {
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("ALSOFT_LOGLEVEL", "0", 0);
}

bool openSilentSoundDevice() {
    static bool opened = false;
    if (!opened) {
        chooseSilentSoundBackend();
        opened = openSoundDevice();
    }
    return opened;
}

void resetRunWideState() {
    scriptedReset();
    resetShellState();
    setDefaultSettings();
    setDefaultCareer();
    clearGameSettings();
}

std::string corpusPath(const std::string& name) {
    return std::string(KORVASK_CORPUS_DIR) + "/" + name;
}

static bool isFolder(const char* path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool enterContentFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return false;
    path[n] = '\0';
    for (char* slash = std::strrchr(path, '/'); slash != nullptr; slash = std::strrchr(path, '/')) {
        *slash = '\0';
        const std::string folder = path[0] != '\0' ? path : "/";
        if (isFolder((folder + "/base").c_str())) return chdir(folder.c_str()) == 0;
    }
    return false;
}

int largestMap(const char* file) {
    int best = 1;
    long bestSize = -1;
    for (int n = 1; n <= 15; n++) {
        char path[64];
        std::snprintf(path, sizeof path, "base/maps/%d/%s", n, file);
        struct stat st;
        if (stat(path, &st) == 0 && st.st_size > bestSize) {
            bestSize = st.st_size;
            best = n;
        }
    }
    return best;
}

void driveTowardsNextCheckpoint() {
    input.keys[VK_UP] = true;
    input.keys[VK_LEFT] = input.keys[VK_RIGHT] = false;
    const Car& car = session.cars[0];
    if (car.body == nullptr || session.checkpointCount <= 0) return;
    const Checkpoint& c = session.checkpoints[car.nextCheckpoint % session.checkpointCount];
    const Vector3 p = getPosition(car.body);
    const float turn = headingAngle(getRotation(car.body).rows[0], Vector3(c.x - p.x, 0.0f, c.z - p.z));
    input.keys[VK_LEFT] = turn > 0.05f;
    input.keys[VK_RIGHT] = turn < -0.05f;
}

bool startDrivenRace() {
    constexpr int kWidth = 800, kHeight = 600;
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    resetRunWideState();
    chooseResolution(1);
    options.soundEnabled = options.musicEnabled = false;
    if (!scriptedOpenGLWindow(kWidth, kHeight) || !startRenderer() || !loadGameTextures()) return false;
    loadCarModels();
    initCarTable();
    game.startupPending = false;
    game.gameState = Race;
    players[0].playerCarModel = 0;
    players[0].playerCarPower = raceRun.carTable[0].power;
    srand(1);
    loadRace(1);
    frameClock.frameFactor = 1.0f;
    for (int i = 0; i < 700; i++) {
        driveTowardsNextCheckpoint();
        glLoadIdentity();
        updateChaseCamera(0);
        updateStandings();
        raceStep(frameClock.frameFactor);
        tickCountdown(frameClock.frameFactor);
    }
    return session.checkpointCount > 0;
}
