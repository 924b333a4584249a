// korvask-shot: renders chosen moments of the game to PNG through the game's
// own frame dispatcher, on the scripted backend (a hidden window; under Xvfb
// or SDL's offscreen driver). A race is driven by the race runner's scripted
// driver up to the moment, the last frames before it are drawn in full so the
// camera, HUD and countdown show their running state, and the frame is read
// back before the swap.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/controller_keys.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "render/render.h"
#include "shell/shell.h"
#include "shot/shot_menus.h"
#include "shot/shot_replay.h"
#include "sim/sim_driver.h"

namespace {

// What to show: a moment of a race, or a menu screen with --screen NAME.
enum class Until { Time, Finish };

struct ShotOptions {
    std::string screen = "race";
    int race = 1;
    double seconds = 8.0;  // race time (from loadRace) of the picture
    Until until = Until::Time;
    std::string out = "shot.png";
    int resolution = 1;
    // --size WxH: any window size instead of a resolution index.
    int width = 0, height = 0;
    int car = 0;
    unsigned seed = 1;
    int camera = 0;
    int laps = 4;
    int drawFrames = 60;   // frames drawn in full before the picture
    bool nitro = false;    // hold nitro through the drawn frames
    bool drift = false;    // throw the car into a slide through the drawn frames
    double reverse = 0.0;  // seconds before the picture to brake and back up the road
    bool career = false;   // a career race: the result screen lists the points booked
    bool locked = false;   // menus: the car and race shown stay locked
    bool pad = false;      // a controller plugged in, its stick and triggers part way
    bool immediate = false;
    bool effects = true;  // reflection pass, glow passes and particles
    int graphics = -1;    // graphics preset 0..2; -1: the settings' own
    bool culling = true;  // the map's closed shapes drawn with back faces culled
    bool timing = false;
    bool timeTrial = false;
    std::string ghost;  // ghost file driven beside the player
    bool help = false;
    // A frame of a replay file instead of a race driven here.
    std::string replay;
    int replayCamera = 0;  // 0 chase, 1 TV, 2 free
    bool hud = true;
    // Humans on one screen, 1..kMaxPlayers, each driven by the scripted
    // driver on a device of their own: the split frame.
    int players = 1;
};

void usage() {
    fprintf(stderr,
            "usage: korvask-shot [--screen NAME] [--race N] [--seconds T] [--until time|finish]\n"
            "                    [--out FILE] [--resolution 0|1|2] [--size WxH] [--car M] [--seed S]\n"
            "                    [--camera 0-3]\n"
            "                    [--laps L] [--draw-frames K] [--nitro] [--drift] [--immediate] [--timing]\n"
            "                    [--effects on|off] [--reverse S] [--career] [--locked] [--time-trial]\n"
            "                    [--ghost FILE] [--graphics 0|1|2] [--culling on|off]\n"
            "                    [--replay FILE [--camera chase|tv|free] [--car N] [--hud on|off]]\n"
            "  --screen NAME   what to show: race (default), or a menu screen: main, career, garage,\n"
            "                  tuning, citymap, options, controls, pause, quit, info, result,\n"
            "                  practice, records, quickrace\n"
            "  --race N        race number 1..20 (default 1)\n"
            "  --seconds T     seconds after the race is loaded (default 8); with --until finish,\n"
            "                  seconds after the player's finish\n"
            "  --out FILE      PNG to write (default shot.png)\n"
            "  --resolution R  0: 640 x 480, 1: 800 x 600 (default), 2: 1024 x 768\n"
            "  --size WxH      any window size, for example 1920x1080 (instead of --resolution)\n"
            "  --car M         the player's car, model index 0..11 (default 0)\n"
            "  --seed S        random seed for the opponents' cars (default 1)\n"
            "  --camera C      0 chase camera, 1 chase further back, 2 bumper, 3 hood (default 0)\n"
            "  --laps L        laps to drive (default 4)\n"
            "  --draw-frames K frames drawn in full before the picture (default 60)\n"
            "  --nitro         hold the nitro key through the drawn frames\n"
            "  --drift         full throttle, nitro and full lock towards the next bend through\n"
            "                  the drawn frames, to catch the car sliding\n"
            "  --immediate     draw models in immediate mode instead of display lists\n"
            "  --timing        print the median and mean time of the drawn frames\n"
            "  --effects off   the same frame without the reflection pass, the glow passes and the\n"
            "                  particles (black reflection and glow, no dust, flames or smoke)\n"
            "  --reverse S     brake, then reverse up the road from S seconds before the picture\n"
            "                  (7 shows the wrong-way warning; it blinks: see wrongWay in the output)\n"
            "  --career        run it as a career race of a new career, booked in memory only\n"
            "  --graphics P    graphics preset: 0 Low, 1 Medium, 2 High (default: the settings')\n"
            "  --culling off   every face of the map drawn (the reference picture)\n"
            "  --time-trial    drive alone, without the countdown\n"
            "  --ghost FILE    drive beside the ghost in FILE (written by korvask-sim --record),\n"
            "                  its lap taken as the circuit's record\n"
            "  --locked        menus: the garage's car and the city map's race are not yet won\n"
            "  --pad           menus: a controller without rumble plugged in, its stick 60 %% to\n"
            "                  the left, the right trigger at 70 %% and the left one at 10 %%\n"
            "  --replay FILE   a frame of the replay in FILE (written by korvask-sim --replay-out\n"
            "                  or saved by the game) at --seconds of its clock, seen by --camera\n"
            "                  chase (of car --car N, 0..3), tv or free\n"
            "  --hud off       the replay's frame without the HUD and the time bar\n"
            "  --players N     N humans (1..4) on one screen, in cars M, M+1, ..., each driven\n"
            "                  by the scripted driver: the split frame\n"
            "Frames are 10 ms of game time each. Runs from the folder holding the program,\n"
            "where base/ lies; a relative --out is taken from the folder it was started in.\n");
}

bool parseNumber(const char* text, double lo, double hi, double* out) {
    char* end = nullptr;
    double v = strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= lo && v <= hi)) return false;
    *out = v;
    return true;
}

bool parseOptions(int argc, char** argv, ShotOptions* o) {
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (strcmp(a, "--help") == 0 || strcmp(a, "-h") == 0) {
            o->help = true;
            return true;
        }
        if (strcmp(a, "--nitro") == 0) {
            o->nitro = true;
            continue;
        }
        if (strcmp(a, "--drift") == 0) {
            o->drift = true;
            continue;
        }
        if (strcmp(a, "--immediate") == 0) {
            o->immediate = true;
            continue;
        }
        if (strcmp(a, "--timing") == 0) {
            o->timing = true;
            continue;
        }
        if (strcmp(a, "--career") == 0) {
            o->career = true;
            continue;
        }
        if (strcmp(a, "--time-trial") == 0) {
            o->timeTrial = true;
            continue;
        }
        if (strcmp(a, "--locked") == 0) {
            o->locked = true;
            continue;
        }
        if (strcmp(a, "--pad") == 0) {
            o->pad = true;
            continue;
        }
        if (i + 1 >= argc) {
            fprintf(stderr, "korvask-shot: %s needs a value\n", a);
            return false;
        }
        const char* value = argv[++i];
        double v = 0.0;
        bool ok = true;
        if (strcmp(a, "--screen") == 0) {
            o->screen = value;
            ok = o->screen == "race" || isMenuScreen(o->screen);
        } else if (strcmp(a, "--replay") == 0) {
            o->replay = value;
            ok = !o->replay.empty();
        } else if (strcmp(a, "--hud") == 0) {
            ok = strcmp(value, "on") == 0 || strcmp(value, "off") == 0;
            o->hud = strcmp(value, "on") == 0;
        } else if (strcmp(a, "--camera") == 0 &&
                   (strcmp(value, "chase") == 0 || strcmp(value, "tv") == 0 || strcmp(value, "free") == 0)) {
            o->replayCamera = strcmp(value, "chase") == 0 ? 0 : (strcmp(value, "tv") == 0 ? 1 : 2);
        } else if (strcmp(a, "--ghost") == 0) {
            o->ghost = value;
            ok = !o->ghost.empty();
        } else if (strcmp(a, "--out") == 0) {
            o->out = value;
            ok = !o->out.empty();
        } else if (strcmp(a, "--until") == 0) {
            if (strcmp(value, "time") == 0)
                o->until = Until::Time;
            else if (strcmp(value, "finish") == 0)
                o->until = Until::Finish;
            else
                ok = false;
        } else if (strcmp(a, "--graphics") == 0) {
            ok = parseNumber(value, 0, 2, &v) && v == (int)v;
            o->graphics = (int)v;
        } else if (strcmp(a, "--culling") == 0) {
            ok = strcmp(value, "on") == 0 || strcmp(value, "off") == 0;
            o->culling = strcmp(value, "on") == 0;
        } else if (strcmp(a, "--effects") == 0) {
            ok = strcmp(value, "on") == 0 || strcmp(value, "off") == 0;
            o->effects = strcmp(value, "on") == 0;
        } else if (strcmp(a, "--race") == 0) {
            ok = parseNumber(value, 1, 20, &v);
            o->race = (int)v;
        } else if (strcmp(a, "--seconds") == 0) {
            ok = parseNumber(value, 0.0, 3600.0, &v);
            o->seconds = v;
        } else if (strcmp(a, "--size") == 0) {
            int w = 0, h = 0;
            char end = 0;
            ok = sscanf(value, "%dx%d%c", &w, &h, &end) == 2 && w >= 64 && h >= 48 && w <= 7680 && h <= 4320;
            o->width = w;
            o->height = h;
        } else if (strcmp(a, "--resolution") == 0) {
            ok = parseNumber(value, 0, 2, &v) && v == (int)v;
            o->resolution = (int)v;
        } else if (strcmp(a, "--car") == 0) {
            ok = parseNumber(value, 0, kCarModels - 1, &v) && v == (int)v;
            o->car = (int)v;
        } else if (strcmp(a, "--seed") == 0) {
            ok = parseNumber(value, 0, 4294967295.0, &v) && v == (double)(unsigned)v;
            o->seed = (unsigned)v;
        } else if (strcmp(a, "--camera") == 0) {
            ok = parseNumber(value, 0, kCameraModes - 1, &v) && v == (int)v;
            o->camera = (int)v;
        } else if (strcmp(a, "--laps") == 0) {
            ok = parseNumber(value, 1, 100, &v) && v == (int)v;
            o->laps = (int)v;
        } else if (strcmp(a, "--reverse") == 0) {
            ok = parseNumber(value, 0.01, 3600.0, &v);
            o->reverse = v;
        } else if (strcmp(a, "--players") == 0) {
            ok = parseNumber(value, 1, kMaxPlayers, &v) && v == (int)v;
            o->players = (int)v;
        } else if (strcmp(a, "--draw-frames") == 0) {
            ok = parseNumber(value, 1, 100000, &v) && v == (int)v;
            o->drawFrames = (int)v;
        } else {
            fprintf(stderr, "korvask-shot: unknown option %s\n", a);
            return false;
        }
        if (!ok) {
            fprintf(stderr, "korvask-shot: bad value for %s: %s\n", a, value);
            return false;
        }
    }
    return true;
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return path;
    return std::string(cwd) + "/" + path;
}

// Content paths start with "base", beside the program.
void enterProgramFolder() {
    char path[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return;
    path[n] = '\0';
    char* slash = strrchr(path, '/');
    if (slash == nullptr) return;
    *slash = '\0';
    if (chdir(path) != 0) fprintf(stderr, "korvask-shot: cannot enter %s\n", path);
}

// The renderer and the start-up assets, as the game has them after its splash.
bool startGame(const ShotOptions& o) {
    chooseResolution(o.resolution);
    if (o.width > 0) chooseScreenSize(o.width, o.height);
    options.soundEnabled = false;
    options.musicEnabled = false;
    // Silent, but a race opens its music as in the game; without a device
    // that open would report an OpenAL error.
    if (openSoundDevice()) {
        std::atexit(closeSoundDevice);
    }
    if (!scriptedOpenGLWindow(options.screenWidth, options.screenHeight)) {
        fprintf(stderr, "korvask-shot: no GL window\n");
        return false;
    }
    resizeScene(options.screenWidth, options.screenHeight);
    if (!startRenderer()) {
        fprintf(stderr, "korvask-shot: renderer initialisation failed (is base/ generated?)\n");
        return false;
    }
    loadGameTextures();
    loadCarModels();
    initCarTable();
    game.startupPending = false;
    modelDisplayLists = !o.immediate;
    effectsEnabled = o.effects;
    mapBackFaceCulling = o.culling;
    return true;
}

// The devices of the humans, in player order.
const int kShotDevices[kMaxPlayers] = {DriveKeysA, DriveKeysB, DriveController1, DriveController2};
// The other humans' drivers; the first player's is the caller's.
DriverState otherDrivers[kMaxPlayers] = {};

// The keys of every human for the coming frame.
void driveHumans(DriverState& driver) {
    driver.ownDevice = session.humanCount > 1;
    driver.device = kShotDevices[0];
    scriptedDriverKeys(session.cars[0], driver);
    for (int p = 1; p < session.humanCount; p++) {
        otherDrivers[p].ownDevice = true;
        otherDrivers[p].device = kShotDevices[p];
        scriptedDriverKeys(session.cars[p], otherDrivers[p]);
    }
}

// One undrawn race frame: what the race frame does apart from drawing.
void stepWithoutDrawing() {
    frameClock.frameFactor = 1.0f;
    glLoadIdentity();
    for (int p = session.humanCount - 1; p >= 0; p--) updateChaseCamera(p);
    session.markerPhase += 1.5f * frameClock.frameFactor;
    // The exhaust and dust run warm into the picture, as in a drawn race.
    if (effectsEnabled) updateCarEffects();
    updateStandings();
    raceStep(frameClock.frameFactor);
    // The result screen's own clock, as the drawn frames advance it.
    if (session.raceFinished) session.raceTimer += frameSeconds();
    tickCountdown(frameClock.frameFactor);
}

long reverseFrames(const ShotOptions& o) {
    return (long)(o.reverse * 100.0 + 0.5);
}

// Brakes to a stop, lets go once so the gearbox arms reverse, then backs up
// straight.
void reverseKeys() {
    const Car& car = session.cars[0];
    const float speed = car.body ? length(getLinearVelocity(car.body)) : 0.0f;
    input.keys[VK_UP] = input.keys[VK_LEFT] = input.keys[VK_RIGHT] = input.keys[VK_SPACE] = false;
    input.keys[VK_DOWN] = car.reverseArmed || !(car.brakeHeld && speed < 1.0f);
}

// Frames to the picture: drives undrawn until the last drawFrames frames.
long framesUntilMoment(const ShotOptions& o, DriverState& driver, long* undrawn) {
    const long target = (long)(o.seconds * 100.0 + 0.5);
    long frame = 0;
    if (o.until == Until::Time) {
        *undrawn = std::max(0L, target - o.drawFrames);
        for (; frame < *undrawn; frame++) {
            driveHumans(driver);
            if (o.reverse > 0.0 && frame >= target - reverseFrames(o)) reverseKeys();
            stepWithoutDrawing();
        }
        return target - frame;
    }
    // The finish is found while driving: undrawn until drawFrames before
    // the moment after it.
    const long limit = 100L * 60 * 30;
    long finishFrame = -1;
    for (; frame < limit; frame++) {
        if (session.raceFinished && finishFrame < 0) finishFrame = frame;
        if (finishFrame >= 0 && frame - finishFrame >= std::max(0L, target - o.drawFrames)) break;
        driveHumans(driver);
        stepWithoutDrawing();
    }
    *undrawn = frame;
    if (frame >= limit) fprintf(stderr, "korvask-shot: the moment did not come within 30 minutes\n");
    return std::min<long>(o.drawFrames, std::max(1L, target));
}

// Full lock towards the bend after the next checkpoint, on the throttle.
void throwIntoSlide() {
    const Car& car = session.cars[0];
    if (car.body == nullptr || session.checkpointCount <= 0) return;
    const Checkpoint& c = session.checkpoints[(car.nextCheckpoint + 1) % session.checkpointCount];
    const Vector3 p = getPosition(car.body);
    const float turn = headingAngle(getRotation(car.body).rows[0], Vector3(c.x - p.x, 0.0f, c.z - p.z));
    input.keys[VK_UP] = true;
    input.keys[VK_DOWN] = false;
    input.keys[VK_LEFT] = turn >= 0.0f;
    input.keys[VK_RIGHT] = turn < 0.0f;
}

}  // namespace

int main(int argc, char** argv) {
    ShotOptions opt;
    if (!parseOptions(argc, argv, &opt)) {
        usage();
        return 2;
    }
    if (opt.help) {
        usage();
        return 0;
    }
    const std::string outPath = absolutePath(opt.out);
    const std::string ghostPath = opt.ghost.empty() ? opt.ghost : absolutePath(opt.ghost);
    const std::string replayPath = opt.replay.empty() ? opt.replay : absolutePath(opt.replay);
    enterProgramFolder();
    if (getenv("DISPLAY") == nullptr) setenv("SDL_VIDEODRIVER", "offscreen", 0);

    scriptedReset();
    scriptedEchoMessageBoxes(true);
    if (!startGame(opt)) return 2;
    if (opt.screen != "race") {
        chooseMenuShotSelection(opt.car, opt.race, opt.locked);
        if (opt.pad) {
            scriptedSetController(true, false);
            scriptedSetControllerAxis(PadLeftX, -19660);
            scriptedSetControllerAxis(PadTriggerRight, 22937);
            scriptedSetControllerAxis(PadTriggerLeft, 3277);
        }
        if (opt.graphics >= 0) applyGraphicsPreset(opt.graphics);
        const int status = shootMenuScreen(opt.screen, outPath, opt.seconds, opt.drawFrames, opt.seed);
        releaseSky();
        scriptedCloseGLWindow();
        return status;
    }

    if (!replayPath.empty()) {
        ReplayShot shot;
        shot.file = replayPath;
        shot.seconds = opt.seconds;
        shot.camera = opt.replayCamera;
        shot.car = opt.car;
        shot.drawFrames = opt.drawFrames;
        shot.hud = opt.hud;
        return shootReplay(shot, outPath);
    }

    // As the city map's "Start" would: race state and the chosen car.
    game.gameState = Race;
    players[0].cameraMode = opt.camera;
    frontEnd.selectedCar = opt.car;
    frontEnd.selectedRace = opt.race;
    frontEnd.carPower = raceRun.carTable[opt.car].power;
    players[0].playerCarModel = frontEnd.selectedCar;
    players[0].playerCarPower = frontEnd.carPower;
    srand(opt.seed);
    setTimeTrialMode(opt.timeTrial);
    setPlayerCount(opt.players);
    for (int p = 0; p < kMaxPlayers; p++) {
        const int car = (opt.car + p) % kCarModels;
        if (p > 0) setPlayerCar(p, car, raceRun.carTable[car].power);
        setPlayerDevice(p, kShotDevices[p]);
        if (p > 0) players[p].cameraMode = opt.camera;
    }
    if (!loadRace(opt.race)) {
        fprintf(stderr, "korvask-shot: race %d could not be loaded\n", opt.race);
        return 1;
    }
    if (opt.graphics >= 0) {
        applyGraphicsPreset(opt.graphics);
        // The bodies a race loaded at that preset draws.
        if (graphicsSwitchesInForce().coarseCarModels) loadCoarseCarModels();
    }
    session.lapCount = opt.laps;
    if (!ghostPath.empty() &&
        readGhostFile(ghostPath.c_str(), opt.race, -1, &players[0].raceGhost) == LapFileRead::Read) {
        // In memory only: the ghost's lap stands as the circuit's record.
        LapRecord& record = raceRun.lapRecords[opt.race - 1];
        record.lap = players[0].raceGhost.lap;
        record.car = players[0].raceGhost.car;
        record.date = 0;
        for (int s = 0; s < kLapSectors; s++) record.splits[s] = players[0].raceGhost.splits[s];
    }
    if (opt.career) {
        // Booked below, in memory: the result screen would save the career.
        setDefaultCareer();
        frontEnd.careerRace = true;
        frontEnd.awardPending = false;
    }

    DriverState driver{};
    long undrawn = 0;
    const long drawn = std::max(1L, framesUntilMoment(opt, driver, &undrawn));
    if (opt.career && session.raceFinished) {
        const int points = career.careerPoints, tuning = career.tuningPoints;
        bookRaceResult(opt.race, players[0].playerPlace);
        noteRaceBooking(career.careerPoints - points, career.tuningPoints - tuning);
    }

    // Drawn frames go through the dispatcher with exact 10 ms frames.
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f;
    std::vector<uint8_t> rgb;
    std::vector<double> frameMs;
    bool read = false;
    for (long k = 1; k <= drawn; k++) {
        driveHumans(driver);
        if (opt.nitro || opt.drift) input.keys[VK_SPACE] = true;
        if (opt.drift) throwIntoSlide();
        if (opt.reverse > 0.0 && undrawn + k - 1 >= (long)(opt.seconds * 100.0 + 0.5) - reverseFrames(opt))
            reverseKeys();
        auto t0 = std::chrono::steady_clock::now();
        drawFrame();
        if (opt.timing) glFinish();
        frameMs.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        if (k == drawn) read = scriptedReadFrame(&rgb, options.screenWidth, options.screenHeight);
        platformSwapBuffers();
    }

    int status = 0;
    if (!read || !scriptedWritePng(outPath.c_str(), rgb, options.screenWidth, options.screenHeight)) {
        fprintf(stderr, "korvask-shot: could not write %s\n", outPath.c_str());
        status = 1;
    }
    const Vector3 p = session.cars[0].body ? getPosition(session.cars[0].body) : Vector3();
    printf(
        "{\"out\":\"%s\",\"race\":%d,\"frame\":%ld,\"width\":%d,\"height\":%d,\"lap\":%d,\"speed\":%.1f,"
        "\"drift\":%.1f,\"nitro\":%.1f,\"finished\":%s,\"position\":[%.1f,%.1f,%.1f],"
        "\"place\":%d,\"wrongWay\":%.2f",
        outPath.c_str(), opt.race, undrawn + drawn, options.screenWidth, options.screenHeight,
        session.cars[0].lap, players[0].playerSpeed * 10.5f, players[0].driftScore, session.cars[0].nitro,
        session.raceFinished ? "true" : "false", p.x, p.y, p.z, players[0].playerPlace,
        players[0].wrongWayTimer);
    Vector3 ghostAt;
    Quaternion ghostTurn;
    if (ghostNow(&ghostAt, &ghostTurn))
        printf(",\"ghost\":[%.1f,%.1f,%.1f],\"ghostDistance\":%.1f", ghostAt.x, ghostAt.y, ghostAt.z,
               length(ghostAt - p));
    if (players[0].lapTiming.lastSplitSector > 0)
        printf(",\"split\":%d,\"splitGap\":%.2f", players[0].lapTiming.lastSplitSector,
               players[0].lapTiming.lastSplitGap / 100.0f);
    if (opt.timing && !frameMs.empty()) {
        std::vector<double> sorted = frameMs;
        std::sort(sorted.begin(), sorted.end());
        double mean = 0.0;
        for (double m : sorted) mean += m;
        mean /= (double)sorted.size();
        printf(",\"frames\":%zu,\"frameMsMedian\":%.2f,\"frameMsMean\":%.2f", sorted.size(),
               sorted[sorted.size() / 2], mean);
    }
    printf("}\n");

    unloadRace();
    releaseSky();
    scriptedCloseGLWindow();
    return status;
}
