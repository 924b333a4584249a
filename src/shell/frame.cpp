// The frame dispatcher: frame measure, start-up splash, race or menu frame,
// FPS display and the single-press keys after each frame.
#include <cstdlib>
#include <ctime>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"

// The splash shows its first picture for 7 s, the second with "Loading..."
// until 8 s, then the start-up assets load.
static const float kSplashSecondPicture = 7.0f;
static const float kSplashSeconds = 8.0f;
// A key, click or button ends the splash once it has shown this long.
static const float kSplashSkippableAfter = 1.0f;

bool skipSplash() {
    if (!game.startupPending || game.startupElapsed < kSplashSkippableAfter ||
        game.startupElapsed >= kSplashSeconds) {
        return false;
    }
    // The next frame shows "Loading..." and loads what the splash hides.
    endStartupWait(kSplashSeconds);
    return true;
}

static void resizeToResolution() {
    int32_t width, height;
    currentResolution(&width, &height);
    resizeScene(width, height);
}

static void splashFrame() {
    // A quiet bed under the pictures, so the game is not silent while it
    // starts; the menu music takes over from it.
    if (game.startupElapsed == 0.0f && options.musicEnabled) {
        startSplashBed();
    }
    advanceStartup(frameSeconds());
    drawLoadingScreen(game.startupElapsed >= kSplashSecondPicture ? 1 : 0);
    if (game.startupElapsed > kSplashSeconds) {
        finishStartup();
        loadGameTextures();
        loadCarModels();
        initCarTable();
        loadGarageModels();
        if (options.musicEnabled) {
            audio.menuMusic.play();
        }
        startMusicFade();
        requestMenuMusicStart();
        std::srand(static_cast<unsigned>(std::time(nullptr)));
    }
}

// A replay watched in the race's place: the race neither steps nor shows
// its result screen meanwhile. Leaving a saved replay goes back to the
// Replays screen; leaving the race's own goes back to its result screen.
static void replayFrame() {
    resizeToResolution();
    renderRaceReflection();
    clearFrame();
    updateRaceSounds(frameClock.frameFactor);
    const bool saved = replayRun.viewer.watchingSaved;
    if (!runReplayFrame(frameClock.frameFactor) && saved) leaveSavedReplay();
}

static void raceFrame() {
    if (replayRun.viewer.active) {
        replayFrame();
        return;
    }
    resizeToResolution();
    renderRaceReflection();
    clearFrame();

    updateRaceSounds(frameClock.frameFactor);

    drawRaceScene();
    // Every frame steps the race; long frames are sliced by the race step.
    raceFrameStep(frameClock.frameFactor);
    if (countdownShowing()) {
        drawCountdown();
        runCountdown(frameClock.frameFactor);
    }
    if (session.raceFinished) {
        drawResultScreen();
    }
}

static void menuFrame() {
    // Auto's measure of this machine: the menu frames' own times.
    noteMenuFrameTime(frameClock.frameDelta * 100.0f);
    clearFrame();
    resizeToResolution();
    const float lightPosition[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    placeFixedLight(lightPosition);
    placeMenuSounds();
    const float gain = advanceMusicFade(frameClock.frameFactor);
    audio.menuMusic.update();
    audio.menuMusic.setGain(gain);
    fadeSplashBed(1.0f - gain);
    drawMenus();
}

bool drawFrame() {
    measureFrame();
    clearFrame();

    if (game.startupPending) {
        splashFrame();
        return true;
    }

    if (game.gameState == Race) {
        raceFrame();
    } else {
        menuFrame();
    }

    if (game.showFps) {
        beginImages();
        printText(kFrameCounterX, kFrameCounterY, 1.0f, 1, "FPS:%2i", static_cast<int>(frameClock.fpsValue));
    }
    // The player's notice, over the race or the menus alike.
    drawPlayerNotice();

    // The start waits for a steady frame rate, but never longer than the
    // wait: a slow machine gets its menu music too. A music already playing
    // (from the end of the splash) keeps its fade rather than starting over.
    if (options.musicEnabled && game.gameState != Race && menuMusicStartDue(frameClock.frameDelta * 0.1f) &&
        !audio.menuMusic.isPlaying()) {
        // From silence at once: this frame's gain was set before the start.
        startMusicFade();
        audio.menuMusic.setGain(kMusicFadeStart);
        audio.menuMusic.play();
    }
    return true;
}

void frameCounterRect(float* x0, float* y0, float* x1, float* y1) {
    // "FPS:99" in the small font: six advances of 10 and the last glyph's
    // width, its baseline 3 below the given y, glyphs 20 high.
    *x0 = static_cast<float>(kFrameCounterX);
    *x1 = static_cast<float>(kFrameCounterX) + 5.0f * 10.0f + 19.0f;
    *y0 = static_cast<float>(kFrameCounterY) - 3.0f;
    *y1 = static_cast<float>(kFrameCounterY) + 17.0f;
}

void checkFrameKeys() {
    // The replay viewer takes its own keys.
    const bool racing = game.gameState == Race && !replayRun.viewer.active;
    if (actionDown(BindPause) && racing && !session.countdownRunning && !session.raceFinished) {
        // Stopped without rewinding: "Continue" plays on from there.
        audio.raceMusic.stop();
        pauseRaceSounds();
        setGameState(Pause);
    }
    if (actionDown(BindCamera) && !input.keyLatch && racing) {
        setKeyLatch(true);
        cycleCameraMode(0);
    }
    if (keyDown('F') && !input.keyLatch) {
        toggleFpsDisplay();
        setKeyLatch(true);
    }

    // Keys that hold the latch while down, so one press acts once.
    static const uint8_t kLatchKeys[] = {VK_SPACE, 'Y', 'R', 'F', 'L', 'K', 'C',
                                         'X',      'Z', 'O', 'P', 'I', 'U'};
    bool anyHeld = false;
    for (uint8_t key : kLatchKeys) {
        anyHeld = anyHeld || input.keys[key];
    }
    // A camera key bound elsewhere (or a second one) holds the latch as C does.
    anyHeld = anyHeld || actionDown(BindCamera);
    if (!anyHeld) {
        setKeyLatch(false);
    }
    // The frame and its race step have seen this frame's taps.
    for (bool& pressed : input.keysPressed) {
        pressed = false;
    }
    clearKeyEvents();
}
