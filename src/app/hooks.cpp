// The hooks' bodies: each module fills its own; until then they do nothing.
#include "app/hooks.h"

#include "app/app.h"
#include "audio/audio.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"

// The front-end music: looping, streamed, started once the splash is over.
static const char* const kMenuMusicPath = ".\\base\\music\\menu.ogg";
// The menu sounds sit just above the camera, so they play at full gain.
static const float kMenuSoundRise = 2.0f;

bool hookOpenSoundDevice() {
    return openSoundDevice(kSoundDeviceName);
}

void hookLoadSounds() {
    loadEffectSounds();
    menuMusic.open(kMenuMusicPath, true, true);
    setInverseDistanceModel();
}

bool hookInitRenderer() {
    return initRenderer();
}

void hookLoadStartupAssets() {
    loadGameTextures();
    loadCarModels();
    initCarTable();
    loadGarageModels();
}
void hookReleaseSounds() {
    releaseEffectSounds();
    menuMusic.close();
    // A quit in the middle of a race leaves its music open; its source has to
    // go before the context does.
    raceMusic.close();
}

void hookCloseSoundDevice() {
    closeSoundDevice();
}
void hookDeleteFonts() {
    releaseFonts();
}

void hookDrawLoadingScreen(bool secondPicture) {
    drawLoadingScreen(secondPicture ? 1 : 0);
}
void hookRenderReflection() {
    renderReflection(true);
}
void hookUpdateRaceMusic(float gain) {
    raceMusic.update();
    raceMusic.setGain(gain);
    // The checkpoint chime fades in with the music.
    soundPoint.setGain(gain);
}
void hookDrawRaceScene() {
    drawRaceScene();
}
void hookRaceStep() {
    raceFrameStep();
}
void hookRaceCountdown() {
    drawCountdown();
    runCountdown();
}
void hookDrawResultScreen() {
    drawResultScreen();
}
void hookPlaceMenuSounds() {
    const float x = cameraEye.x, y = cameraEye.y + kMenuSoundRise, z = cameraEye.z;
    soundMenu1.setPositionVelocity(x, y, z, 0.0f, 0.0f, 0.0f);
    soundMenu2.setPositionVelocity(x, y, z, 0.0f, 0.0f, 0.0f);
}

void hookUpdateMenuMusic(float gain) {
    menuMusic.update();
    menuMusic.setGain(gain);
}
void hookDrawMenus() {
    drawMenus();
}
void hookPrintFps(int fps) {
    printText(670, 500, 1.0f, 1, "FPS:%2i", fps);
}
float hookPlayerSpeed() {
    return playerSpeed;
}

void hookPlayMenuMusic() {
    menuMusic.play();
}
void hookPlayRaceMusic() {
    raceMusic.play();
}
void hookStopRaceMusic() {
    raceMusic.stop();
}
void hookSilenceMenuMusic() {
    menuMusic.setGain(0.0f);
    menuMusic.rewind();
}
void hookSilenceRaceMusic() {
    raceMusic.setGain(0.0f);
    raceMusic.rewind();
}

void hookMenuClick(int x, int y) {
    screenToMouse(resolutionIndex, x, y, &mouseX, &mouseY);
    menuClick();
}
void hookMenuHover() {
    menuHover();
}
