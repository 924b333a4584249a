// The hooks' bodies: each module fills its own; until then they do nothing.
#include "app/hooks.h"

#include "app/app.h"
#include "frontend/frontend.h"
#include "race/race.h"
#include "render/render.h"

bool hookOpenSoundDevice() {
    return true;
}
void hookLoadSounds() {}

bool hookInitRenderer() {
    return initRenderer();
}

void hookLoadStartupAssets() {
    loadGameTextures();
    loadCarModels();
    initCarTable();
    loadGarageModels();
}
void hookReleaseSounds() {}
void hookCloseSoundDevice() {}
void hookDeleteFonts() {}

void hookDrawLoadingScreen(bool secondPicture) {
    drawLoadingScreen(secondPicture ? 1 : 0);
}
void hookRenderReflection() {
    renderReflection(true);
}
void hookUpdateRaceMusic(float) {}
void hookDrawRaceScene() {
    drawRaceScene();
}
void hookRaceStep() {
    raceStep();
}
void hookRaceCountdown() {
    drawCountdown();
    runCountdown();
}
void hookDrawResultScreen() {
    drawResultScreen();
}
void hookPlaceMenuSounds() {}
void hookUpdateMenuMusic(float) {}
void hookDrawMenus() {
    drawMenus();
}
void hookPrintFps(int) {}
float hookPlayerSpeed() {
    return playerSpeed;
}

void hookPlayMenuMusic() {}
void hookPlayRaceMusic() {}
void hookStopRaceMusic() {}
void hookSilenceMenuMusic() {}
void hookSilenceRaceMusic() {}

void hookMenuClick() {
    menuClick();
}
void hookMenuHover() {
    menuHover();
}
