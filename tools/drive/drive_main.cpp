// korvask-drive: drives a whole race the way a player at the keyboard does,
// on the scripted backend. Every frame goes through the game's own frame
// dispatcher with every pass drawn; the arrow keys and nitro reach the game
// as key-down and key-up messages through its window procedure, chosen from
// where the car stands against the waypoints; and the game's clock moves on
// by each frame's measured wall time, so the race sees the machine's real
// frame rate, slow frames included. Prints one JSON line when the race is
// finished or the time allowed runs out.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"

namespace {

struct DriveOptions {
    int race = 1;
    int resolution = 1;
    int laps = 4;
    double maxMinutes = 20.0;  // wall time allowed before giving up
    bool timeTrial = false;    // alone, no countdown; ends after the laps
};

bool parseOptions(int argc, char** argv, DriveOptions* o) {
    for (int i = 1; i < argc; i++) {
        if (i + 1 >= argc) return false;
        const char* name = argv[i];
        const double v = atof(argv[++i]);
        if (strcmp(name, "--race") == 0 && v >= 1 && v <= 20)
            o->race = (int)v;
        else if (strcmp(name, "--resolution") == 0 && v >= 0 && v <= 2)
            o->resolution = (int)v;
        else if (strcmp(name, "--laps") == 0 && v >= 1 && v <= 9)
            o->laps = (int)v;
        else if (strcmp(name, "--minutes") == 0 && v > 0)
            o->maxMinutes = v;
        else if (strcmp(name, "--time-trial") == 0 && (v == 0 || v == 1))
            o->timeTrial = v == 1;
        else
            return false;
    }
    return true;
}

// base/ lies beside the program.
void enterProgramFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return;
    path[n] = '\0';
    char* slash = strrchr(path, '/');
    if (slash == nullptr) return;
    *slash = '\0';
    if (chdir(path) != 0) fprintf(stderr, "korvask-drive: cannot enter %s\n", path);
}

bool startGame(const DriveOptions& o) {
    chooseResolution(o.resolution);
    options.soundEnabled = false;
    options.musicEnabled = false;
    if (openSoundDevice()) std::atexit(closeSoundDevice);
    if (!scriptedOpenGLWindow(options.screenWidth, options.screenHeight)) return false;
    resizeScene(options.screenWidth, options.screenHeight);
    // The game starts its frame timer with the renderer; without it the
    // clock reads 0 and the race never moves.
    timerInit();
    if (!initRenderer()) return false;
    loadGameTextures();
    loadCarModels();
    initCarTable();
    game.startupPending = false;
    effectsEnabled = true;
    return true;
}

// The keys the driver wants held this frame become key messages for those
// that change, as a player's fingers would press and release them; they wait
// in the platform's queue like a real keyboard's.
void pressKeys(DriverState& driver) {
    const uint32_t kDriveKeys[] = {VK_UP,    VK_DOWN,
                                   VK_LEFT,  VK_RIGHT,
                                   VK_SPACE, static_cast<uint32_t>(controlSettings.keyBindings[BindReset])};
    constexpr int kKeys = sizeof kDriveKeys / sizeof kDriveKeys[0];
    bool held[kKeys];
    for (int k = 0; k < kKeys; k++) held[k] = input.keys[kDriveKeys[k]];
    scriptedDriverKeys(session.cars[0], driver);
    for (int k = 0; k < kKeys; k++) {
        const bool want = input.keys[kDriveKeys[k]];
        input.keys[kDriveKeys[k]] = held[k];
        if (want != held[k]) scriptedPushKey(kDriveKeys[k], want);
    }
}

double median(std::vector<double> v) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    DriveOptions opt;
    if (!parseOptions(argc, argv, &opt)) {
        fprintf(stderr,
                "usage: korvask-drive [--race N] [--resolution 0|1|2] [--laps L] [--minutes M]\n"
                "                     [--time-trial 0|1]\n"
                "  drives race N (default 1) to the finish with key messages, every pass drawn,\n"
                "  the game clock following the wall clock; gives up after M minutes (default 20)\n");
        return 2;
    }
    enterProgramFolder();
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    scriptedReset();
    scriptedEchoMessageBoxes(true);
    // The clock moves only by the measured frames below.
    scriptedSetFrameStep(0.0);
    if (!startGame(opt)) {
        fprintf(stderr, "korvask-drive: no GL window or no base/\n");
        return 2;
    }
    game.gameState = Race;
    frontEnd.selectedCar = 0;
    frontEnd.selectedRace = opt.race;
    frontEnd.carPower = raceRun.carTable[0].power;
    srand(1);
    setTimeTrialMode(opt.timeTrial);
    if (!loadRace(opt.race)) {
        fprintf(stderr, "korvask-drive: race %d could not be loaded\n", opt.race);
        return 1;
    }
    session.lapCount = opt.laps;

    DriverState driver{};
    std::vector<double> frameMs;
    const auto start = std::chrono::steady_clock::now();
    double lastMs = 10.0;
    // The finish as the result screen shows it (the screen later unloads the
    // race and clears it all).
    bool finished = false;
    int place = 0;
    RaceClock finishTime{};
    double finishWallS = 0.0;
    // Frames after the first timed lap, and those of them that showed the
    // ghost that lap left.
    int laterLapFrames = 0, ghostFrames = 0;
    // The wall time at the end of the frame that sounds each countdown beep
    // (the images 3, 2, 1 and "go" at 3, 4, 5 and 6 s of the countdown).
    double beepWallS[4] = {-1.0, -1.0, -1.0, -1.0};
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    for (;;) {
        const double wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (wallS > 60.0 * opt.maxMinutes || game.gameState != Race) break;
        if (session.raceFinished && !finished) {
            finished = true;
            place = players[0].playerPlace;
            finishTime = session.raceTime;
            finishWallS = wallS;
        }
        // A second of the result screen, then done.
        if (finished && wallS - finishWallS > 1.0) break;
        scriptedAdvanceClock(lastMs);
        if (!session.raceFinished) pressKeys(driver);
        const auto t0 = std::chrono::steady_clock::now();
        // The game's main loop: waiting messages first, then one frame.
        PlatformMessage msg;
        while (platformPeekMessage(&msg)) windowProcedure(msg.message, msg.wParam, msg.lParam);
        const float countdownBefore = session.raceTimer;
        drawFrame();
        for (int k = 0; k < 4; k++) {
            const float beep = 3.0f + (float)k;
            if (beepWallS[k] < 0.0 && countdownBefore < beep && session.raceTimer >= beep)
                beepWallS[k] =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        }
        platformSwapBuffers();
        checkFrameKeys();
        glFinish();
        lastMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        frameMs.push_back(lastMs);
        if (players[0].lapTiming.lapsCompleted >= 1 && !session.raceFinished) {
            Vector3 p;
            Quaternion q;
            laterLapFrames++;
            ghostFrames += ghostNow(&p, &q) ? 1 : 0;
        }
    }
    const double wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double load[1] = {-1.0};
    getloadavg(load, 1);
    printf(
        "{\"race\":%d,\"width\":%d,\"height\":%d,\"laps\":%d,\"finished\":%s,\"place\":%d,"
        "\"raceTime\":\"%d:%02d.%02d\",\"frames\":%zu,\"wallSeconds\":%.1f,\"fps\":%.2f,"
        "\"frameMsMedian\":%.1f,\"load1\":%.1f,\"laterLapFrames\":%d,\"ghostFrames\":%d,"
        "\"beepGapsMs\":[%.0f,%.0f,%.0f]}\n",
        opt.race, options.screenWidth, options.screenHeight, opt.laps, finished ? "true" : "false", place,
        finishTime.minutes, finishTime.seconds, (int)finishTime.hundredths, frameMs.size(), wallS,
        wallS > 0.0 ? (double)frameMs.size() / wallS : 0.0, median(frameMs), load[0], laterLapFrames,
        ghostFrames, 1000.0 * (beepWallS[1] - beepWallS[0]), 1000.0 * (beepWallS[2] - beepWallS[1]),
        1000.0 * (beepWallS[3] - beepWallS[2]));
    if (game.gameState == Race) unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
    return finished ? 0 : 1;
}
