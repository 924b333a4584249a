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
    game.startupElapsed = kSplashSeconds;
    return true;
}

float smoothFrameFactor(float factor, float measured) {
    // Follows the measured time by at most 0.1 a frame in either direction.
    // Each step stops at the measured value: 0.1 added ten times is a hair
    // above 1.0 in floats, and a step that overshot would be undone at once,
    // leaving a steady 10 ms frame at 0.9.
    if (measured > factor) {
        factor = (factor + 0.1f < measured) ? factor + 0.1f : measured;
    }
    if (measured < factor) {
        factor = (factor - 0.1f > measured) ? factor - 0.1f : measured;
    }
    // A frame under a millisecond is taken at once.
    if (measured < 0.1f) {
        factor = measured;
    }
    return factor;
}

// The most time the smoothing may hold back or hand out ahead of the clock
// (8 ms): game time then differs from wall time by at most twice that over
// any stretch, under 2 % of a second. A quarter of what is held is paid back
// each frame, the rest at once where it passes the limit.
static const float kFrameCarryLimit = 0.8f;
static const float kFrameCarryReturn = 0.25f;
// A frame longer than this (300 ms) counts as this long: a load or a stall
// of the machine is not game time.
static const float kFrameTimeLimit = 30.0f;

float keepFrameTime(float factor, float measured, float* carry) {
    if (measured > kFrameTimeLimit) {
        measured = kFrameTimeLimit;
    }
    const float smoothed = smoothFrameFactor(factor, measured);
    float owed = *carry + (measured - smoothed);
    factor = smoothed;
    if (owed > kFrameCarryLimit) {
        factor += owed - kFrameCarryLimit;
        owed = kFrameCarryLimit;
    } else if (owed < -kFrameCarryLimit) {
        factor += owed + kFrameCarryLimit;
        owed = -kFrameCarryLimit;
    }
    const float back = owed * kFrameCarryReturn;
    factor += back;
    owed -= back;
    // A frame never runs the game backwards; what it cannot take stays owed.
    if (factor < 0.0f) {
        owed += factor;
        factor = 0.0f;
    }
    *carry = owed;
    return factor;
}

void measureFrame() {
    // FPS over groups of ten frames: the 1st and the 10th frame's clocks are
    // nine frame times apart.
    frameClock.fpsCounter++;
    if (frameClock.fpsCounter == 1) {
        frameClock.fpsStart = timerGetTime() / 1000.0f;
    }
    if (frameClock.fpsCounter == 10) {
        frameClock.fpsEnd = timerGetTime() / 1000.0f;
        if (frameClock.fpsEnd > frameClock.fpsStart) {
            frameClock.fpsValue = 9.0f / (frameClock.fpsEnd - frameClock.fpsStart);
        }
        frameClock.fpsCounter = 0;
    }

    // The key changes handled before this frame happened since the last one.
    input.inputSpanStartMs = input.inputSpanEndMs;
    input.inputSpanEndMs = timerGetTime();
    const float t = timerGetTime() * 0.01f;
    frameClock.frameDelta =
        t > frameClock.frameClockPrev ? t - frameClock.frameClockPrev : frameClock.frameClockPrev - t;
    frameClock.frameClockPrev = t;
    frameClock.frameFactor =
        keepFrameTime(frameClock.frameFactor, frameClock.frameDelta * 10.0f, &frameClock.frameTimeCarry);
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
    game.startupElapsed += frameSeconds();
    drawLoadingScreen(game.startupElapsed >= kSplashSecondPicture ? 1 : 0);
    if (game.startupElapsed > kSplashSeconds) {
        game.startupPending = false;
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

static void raceFrame() {
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
    if (actionDown(BindPause) && game.gameState == Race && !session.countdownRunning &&
        !session.raceFinished) {
        // Stopped without rewinding: "Continue" plays on from there.
        audio.raceMusic.stop();
        pauseRaceSounds();
        game.gameState = Pause;
    }
    if (actionDown(BindCamera) && !input.keyLatch && game.gameState == Race) {
        input.keyLatch = true;
        players[0].cameraMode++;
        if (players[0].cameraMode >= kCameraModes) {
            players[0].cameraMode = 0;
        }
    }
    if (keyDown('F') && !input.keyLatch) {
        game.showFps = !game.showFps;
        input.keyLatch = true;
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
        input.keyLatch = false;
    }
    // The frame and its race step have seen this frame's taps.
    for (bool& pressed : input.keysPressed) {
        pressed = false;
    }
    clearKeyEvents();
}
