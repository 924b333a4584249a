// Soak run: the whole game through its own loop and frame dispatcher on the
// scripted backend, fed random but valid input (clicks anywhere and on the
// menu rows, keys pressed and held, pauses, restarts, window deactivation,
// quits followed by a fresh start) for a number of frames. Checks every frame
// that no car body holds a NaN, prints the resident memory's peak and the
// heap in use per thousand frames and every message box the game shows, and
// checks the save files at the end. Exit status 0 when nothing went wrong.
//
//   korvask-soak [--frames N] [--seconds S] [--seed S] [--content DIR] [--sound] [--clip]
//                [--heap-profile N]
//
// --seconds ends the soak early (as a quit) once that much wall time passed.
// --clip    clips the game's rasterization to one pixel: the scissor test
//           stays on with the box at the bottom-left pixel, cut further by
//           the box the game itself sets while it has the test on (the
//           soak's own glEnable, glDisable, glIsEnabled and glScissor stand
//           between the game and the driver). Every GL call is still made
//           and every vertex still transformed, but a software driver skips
//           the fragment work: the soak checks the game's state, not its
//           picture, and runs much faster.
// --heap-profile N  under AddressSanitizer, prints the live heap by allocating
//           stack every N frames (stderr), so the stacks whose bytes grow
//           between two prints show where memory goes.
//
// It runs in a scratch folder whose base/ links the content folders of DIR
// (default: base/ in the working folder), so the saves it makes stay there.
#include <GL/gl.h>
#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "physics/physics.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"

namespace {

// The client area the game runs in (640 x 480), and mouse space per pixel.
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr float kMousePerPixel = 1.25f;
constexpr int kFramesPerReport = 1000;

std::mt19937 rng;
long framesWanted = 20000;
double secondsWanted = 0.0;
std::chrono::steady_clock::time_point started;
long framesDone = 0;
long runs = 0;
long racesSeen = 0;
long failures = 0;
bool wasRacing = false;
long firstRaceFrame = -1;
long blockPeakKb = 0;
std::vector<long> blockPeaks;
bool clipToPixel = false;
size_t boxesPrinted = 0;
// Frames of the current run, and when it is to end by closing the window.
long runFrames = 0;
long runLength = 0;

// The game's own scissor state, which --clip keeps apart from the driver's.
struct GameScissor {
    bool enabled = false;
    GLint x = 0, y = 0;
    GLsizei width = 0, height = 0;  // 0 x 0: the window's size, as GL starts
    bool boxSet = false;
};
GameScissor gameScissor;

template <typename T>
T nextDefinition(const char* name) {
    void* found = dlsym(RTLD_NEXT, name);
    if (found == nullptr) {
        std::fprintf(stderr, "korvask-soak: no %s in the GL library\n", name);
        std::abort();
    }
    return reinterpret_cast<T>(found);
}

// The driver's scissor box: the bottom-left pixel, inside the game's box
// while the game has its test on (possibly empty).
void applyClip() {
    static const auto scissor = nextDefinition<void (*)(GLint, GLint, GLsizei, GLsizei)>("glScissor");
    static const auto enable = nextDefinition<void (*)(GLenum)>("glEnable");
    GLint x0 = 0, y0 = 0, x1 = 1, y1 = 1;
    if (gameScissor.enabled && gameScissor.boxSet) {
        x0 = std::max(x0, gameScissor.x);
        y0 = std::max(y0, gameScissor.y);
        x1 = std::min(x1, gameScissor.x + (GLint)gameScissor.width);
        y1 = std::min(y1, gameScissor.y + (GLint)gameScissor.height);
    }
    scissor(x0, y0, std::max(0, x1 - x0), std::max(0, y1 - y0));
    enable(GL_SCISSOR_TEST);
}

int uniform(int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(rng);
}
bool chance(double p) {
    return std::uniform_real_distribution<double>(0.0, 1.0)(rng) < p;
}

long residentKb() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The sanitizer runtime's count of live heap bytes, when the soak runs under
// one; malloc's own count otherwise. Both count every library's heap, the GL
// driver's too, but not its mapped code or the sanitizer's shadow memory.
extern "C" size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));
extern "C" void __sanitizer_print_memory_profile(size_t topPercent, size_t maxStacks) __attribute__((weak));
long heapProfileEvery = 0;
long heapKb() {
    if (__sanitizer_get_current_allocated_bytes)
        return (long)(__sanitizer_get_current_allocated_bytes() / 1024);
    return (long)(mallinfo2().uordblks / 1024);
}

bool finite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

void checkBodies() {
    if (session.raceWorld == nullptr) return;
    for (int i = 0; i < kRaceCars; i++) {
        const RigidBody* body = session.cars[i].body;
        if (body == nullptr) continue;
        if (!finite(getPosition(body)) || !finite(getLinearVelocity(body)) ||
            !finite(getAngularVelocity(body))) {
            std::printf("frame %ld: car %d holds a NaN or infinity\n", framesDone, i);
            failures++;
        }
    }
}

void printNewBoxes() {
    const std::vector<ScriptedMessageBox>& boxes = scriptedMessageBoxes();
    for (; boxesPrinted < boxes.size(); boxesPrinted++) {
        std::printf("frame %ld: message box [%s] %s\n", framesDone, boxes[boxesPrinted].caption.c_str(),
                    boxes[boxesPrinted].text.c_str());
    }
}

// The row that leads on towards a race (or back into one), per screen; 0
// where none does.
int forwardRow(int state) {
    switch (state) {
        case MainMenu:
            return 3;  // quick race
        case QuickRaceMenu:
            return 1;  // start it
        case CareerMenu:
            return 3;  // continue the career
        case Garage:
        case CityMap:
            return 4;  // to the map, then the race
        case Pause:
            return 2;  // resume
        case QuitConfirm:
            return 4;  // no
        default:
            return 0;
    }
}

// A menu row's place in client pixels (rows 1..5 at mouse y 192 + 50 (row-1)).
// Half the clicks go to the row that leads on, so most runs reach races
// rather than ending in the quit row after a few hundred frames of menus.
void clickMenuRow(int frame) {
    const int forward = forwardRow(game.gameState);
    const int row = forward > 0 && chance(0.5) ? forward : uniform(1, 5);
    const int x = (int)(700 / kMousePerPixel), y = (int)((192 + 50 * (row - 1)) / kMousePerPixel);
    scriptedPushMouseMove(x, y, frame + 1);
    scriptedPushLeftClick(x, y, frame + 3);
}

void clickAnywhere(int frame) {
    const int x = uniform(0, kClientWidth - 1), y = uniform(0, kClientHeight - 1);
    scriptedPushMouseMove(x, y, frame + 1);
    if (chance(0.5)) scriptedPushLeftClick(x, y, frame + 2);
}

const uint32_t kKeys[] = {VK_UP,     VK_UP,    VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE, VK_RETURN,
                          VK_ESCAPE, VK_PAUSE, 'P',   'C',     'F',     VK_F1,    VK_TAB,   VK_SHIFT};

void pressKey(int frame) {
    const uint32_t key = kKeys[uniform(0, (int)(sizeof kKeys / sizeof kKeys[0]) - 1)];
    // A tap, or a hold of up to five seconds of frames.
    const int hold = chance(0.5) ? 1 : uniform(2, 500);
    scriptedPushKey(key, true, frame);
    scriptedPushKey(key, false, frame + hold);
}

void onFrame(int frame) {
    // A fresh context starts with the test off; the clip holds from the
    // first frame on.
    if (clipToPixel) applyClip();
    framesDone++;
    runFrames++;
    checkBodies();
    printNewBoxes();
    const long kb = residentKb();
    if (kb > blockPeakKb) blockPeakKb = kb;
    if (framesDone % kFramesPerReport == 0) {
        blockPeaks.push_back(blockPeakKb);
        std::printf("frames %ld: peak %ld KiB, heap %ld KiB, state %d, runs %ld, races %ld\n", framesDone,
                    blockPeakKb, heapKb(), (int)game.gameState, runs, racesSeen);
        std::fflush(stdout);
        blockPeakKb = 0;
    }
    if (heapProfileEvery > 0 && framesDone % heapProfileEvery == 0 && __sanitizer_print_memory_profile) {
        std::fprintf(stderr, "heap profile at frame %ld:\n", framesDone);
        __sanitizer_print_memory_profile(95, 25);
    }
    const bool racing = game.gameState == Race || game.gameState == Pause;
    if (racing && !wasRacing) {
        racesSeen++;
        if (firstRaceFrame < 0) firstRaceFrame = framesDone;
    }
    wasRacing = racing;

    if (secondsWanted > 0.0 && framesWanted > framesDone &&
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count() > secondsWanted) {
        framesWanted = framesDone;
    }
    if (framesDone >= framesWanted || runFrames >= runLength) {
        // The run ends as a player closes the window.
        if (runFrames == runLength || framesDone == framesWanted) scriptedPushMessage(WM_CLOSE, 0, 0, frame);
        return;
    }
    if (game.startupPending) return;
    if (chance(0.02)) clickMenuRow(frame);
    if (chance(0.01)) clickAnywhere(frame);
    if (chance(racing ? 0.05 : 0.01)) pressKey(frame);
    if (chance(0.001)) {
        // The window loses focus for a while, then comes back.
        scriptedPushMessage(WM_ACTIVATE, 0, 0, frame);
        scriptedPushMessage(WM_ACTIVATE, 1, 0, frame + uniform(1, 30));
    }
}

bool checkSaves() {
    std::vector<uint8_t> settings, careerFile;
    if (!platformReadFile("base/menu.inf", &settings) || settings.size() != kSettingsFileBytes) {
        std::printf("settings file missing or of the wrong size\n");
        return false;
    }
    if (!platformReadFile("base/career.inf", &careerFile) || careerFile.size() != kCareerFileBytes) {
        std::printf("career file missing or of the wrong size\n");
        return false;
    }
    decodeCareer(careerFile.data(), careerFile.size());
    if (career.careerPoints < 0 || career.tuningPoints < 0) {
        std::printf("career points went negative\n");
        return false;
    }
    return true;
}

void linkContent(const std::string& content) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directory("base", error);
    for (const auto& entry : fs::directory_iterator(content, error)) {
        if (entry.is_directory(error))
            fs::create_directory_symlink(fs::absolute(entry.path()),
                                         fs::path("base") / entry.path().filename(), error);
    }
}

}  // namespace

// Defined here, these take the place of the GL library's entry points for
// every call the game's code makes; each forwards to the library's own, and
// with --clip keeps the one-pixel box in force.
extern "C" void glEnable(GLenum cap) {
    static const auto next = nextDefinition<void (*)(GLenum)>("glEnable");
    if (cap == GL_SCISSOR_TEST) {
        gameScissor.enabled = true;
        if (clipToPixel) {
            applyClip();
            return;
        }
    }
    next(cap);
}

extern "C" void glDisable(GLenum cap) {
    static const auto next = nextDefinition<void (*)(GLenum)>("glDisable");
    if (cap == GL_SCISSOR_TEST) {
        gameScissor.enabled = false;
        if (clipToPixel) {
            applyClip();
            return;
        }
    }
    next(cap);
}

extern "C" GLboolean glIsEnabled(GLenum cap) {
    static const auto next = nextDefinition<GLboolean (*)(GLenum)>("glIsEnabled");
    if (cap == GL_SCISSOR_TEST && clipToPixel) return gameScissor.enabled ? GL_TRUE : GL_FALSE;
    return next(cap);
}

extern "C" void glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    static const auto next = nextDefinition<void (*)(GLint, GLint, GLsizei, GLsizei)>("glScissor");
    gameScissor.x = x;
    gameScissor.y = y;
    gameScissor.width = width;
    gameScissor.height = height;
    gameScissor.boxSet = true;
    if (clipToPixel) {
        applyClip();
        return;
    }
    next(x, y, width, height);
}

int main(int argc, char** argv) {
    unsigned seed = 1;
    bool sound = false;
    std::string content = "base";
    for (int i = 1; i < argc; i++) {
        if (!std::strcmp(argv[i], "--frames") && i + 1 < argc) {
            framesWanted = std::atol(argv[++i]);
        } else if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc) {
            secondsWanted = std::atof(argv[++i]);
        } else if (!std::strcmp(argv[i], "--seed") && i + 1 < argc) {
            seed = (unsigned)std::atol(argv[++i]);
        } else if (!std::strcmp(argv[i], "--content") && i + 1 < argc) {
            content = argv[++i];
        } else if (!std::strcmp(argv[i], "--sound")) {
            sound = true;
        } else if (!std::strcmp(argv[i], "--clip")) {
            clipToPixel = true;
        } else if (!std::strcmp(argv[i], "--heap-profile") && i + 1 < argc) {
            heapProfileEvery = std::atol(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: korvask-soak [--frames N] [--seconds S] [--seed S] [--content DIR] "
                         "[--sound] [--clip] [--heap-profile N]\n");
            return 2;
        }
    }
    content = std::filesystem::absolute(content).string();
    char folder[] = "/tmp/korvask-soak-XXXXXX";
    if (!mkdtemp(folder) || chdir(folder) != 0) return 2;
    linkContent(content);
    rng.seed(seed);
    started = std::chrono::steady_clock::now();
    scriptedEchoMessageBoxes(false);
    std::srand(seed);
    // 640 x 480 at 32/24 bits; sound and music as asked.
    const uint8_t settings[kSettingsFileBytes] = {
        0, 0, 0, 0, 32, 0, 0, 0, 24, 0, 0, 0, (uint8_t)sound, 0, 0, 0, (uint8_t)sound, 0, 0, 0};
    platformWriteFileAtomic("base/menu.inf", settings, sizeof settings);

    while (framesDone < framesWanted) {
        scriptedReset();
        resetShellState();
        resetFrontEndState();
        boxesPrinted = 0;
        gameScissor = GameScissor();
        runFrames = 0;
        runLength = uniform(2000, 40000);
        scriptedSetFrameStep(uniform(8, 40));
        scriptedSetFrameCallback(onFrame);
        runs++;
        const int exitCode = gameMain();
        printNewBoxes();
        if (exitCode != 0) {
            std::printf("run %ld ended with %d\n", runs, exitCode);
            failures++;
            break;
        }
        // The game ends with 0 also when its window cannot be made; another
        // start would fail the same way, for ever.
        if (runFrames == 0) {
            std::printf("run %ld ended before its first frame\n", runs);
            failures++;
            break;
        }
    }
    scriptedReset();
    if (blockPeakKb > 0) blockPeaks.push_back(blockPeakKb);
    const bool savesValid = checkSaves();
    long first = 0, last = 0;
    // Peaks from the first whole block after the first race began.
    for (size_t i = 0; i < blockPeaks.size(); i++) {
        if (firstRaceFrame >= 0 && (long)(i * kFramesPerReport) >= firstRaceFrame && first == 0)
            first = blockPeaks[i];
        last = blockPeaks[i];
    }
    std::printf(
        "soak: %ld frames, %ld runs, %ld races, peak after the first race %ld KiB, at the end %ld KiB, "
        "saves %s, %ld failures\n",
        framesDone, runs, racesSeen, first, last, savesValid ? "valid" : "INVALID", failures);
    std::error_code ignored;
    if (chdir("/") == 0) std::filesystem::remove_all(folder, ignored);
    return failures == 0 && savesValid ? 0 : 1;
}
