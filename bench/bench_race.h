// What the drawing and frame benchmarks share: finding base/, the scripted
// driver's steering, a race driven past its countdown, and the clocks.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/app.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"

// base/ lies in the build folder, one above bench/.
inline void enterBuildFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return;
    path[n] = '\0';
    for (int up = 0; up < 2; up++) {
        char* slash = strrchr(path, '/');
        if (slash == nullptr) return;
        *slash = '\0';
    }
    if (chdir(path) != 0) perror("chdir");
}

// The race whose map file (for example "map.ms3d" for the collision model,
// "mapvisual.ms3d" for the drawn one) is the largest of the fifteen.
inline int largestMap(const char* file) {
    int best = 1;
    long bestSize = -1;
    for (int n = 1; n <= 15; n++) {
        char path[64];
        snprintf(path, sizeof path, "base/maps/%d/%s", n, file);
        struct stat st;
        if (stat(path, &st) == 0 && st.st_size > bestSize) {
            bestSize = st.st_size;
            best = n;
        }
    }
    return best;
}

// Throttle on, steering at the next checkpoint: enough to keep the car on
// the road and the view moving through the city.
inline void driveTowardsNextCheckpoint() {
    keys[VK_UP] = true;
    keys[VK_LEFT] = keys[VK_RIGHT] = false;
    const Car& car = cars[0];
    if (car.body == nullptr || checkpointCount <= 0) return;
    const Checkpoint& c = checkpoints[car.nextCheckpoint % checkpointCount];
    const Vector3 p = getPosition(car.body);
    const float turn = headingAngle(getRotation(car.body).rows[0], Vector3(c.x - p.x, 0.0f, c.z - p.z));
    keys[VK_LEFT] = turn > 0.05f;
    keys[VK_RIGHT] = turn < -0.05f;
}

// Race 1 at 800 x 600 with car 0, driven past its countdown without drawing.
// False when there is no GL window or no base/.
inline bool startDrivenRace() {
    constexpr int kWidth = 800, kHeight = 600;
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    scriptedReset();
    resolutionIndex = 1;
    screenWidth = kWidth;
    screenHeight = kHeight;
    blurWidth = blurHeight = 256;
    soundEnabled = musicEnabled = false;
    if (!scriptedOpenGLWindow(kWidth, kHeight) || !startRenderer() || !loadGameTextures()) return false;
    loadCarModels();
    initCarTable();
    startupPending = false;
    gameState = Race;
    playerCarModel = 0;
    playerCarPower = carTable[0].power;
    srand(1);
    loadRace(1);
    frameFactor = 1.0f;
    for (int i = 0; i < 700; i++) {
        driveTowardsNextCheckpoint();
        glLoadIdentity();
        updateChaseCamera(0);
        updateStandings();
        raceStep(frameFactor);
        if (countdownRunning || (raceTimer > 0.0f && raceTimer < 10.0f)) runCountdown(frameFactor);
    }
    return checkpointCount > 0;
}

// The process's CPU time in milliseconds, llvmpipe's rendering threads included.
inline double cpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}
