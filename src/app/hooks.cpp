// The hooks' bodies: each module fills its own; until then they do nothing.
#include "app/hooks.h"

#include "app/app.h"

bool hookOpenSoundDevice() { return true; }
void hookLoadSounds() {}

bool hookInitRenderer()
{
    // Stands in for the renderer initialisation until it lands.
    timerInit();
    gameState = MainMenu;
    return true;
}

void hookLoadStartupAssets() {}
void hookReleaseSounds() {}
void hookCloseSoundDevice() {}
void hookDeleteFonts() {}

void hookDrawLoadingScreen(bool) {}
void hookRenderReflection() {}
void hookUpdateRaceMusic(float) {}
void hookDrawRaceScene() {}
void hookRaceStep() {}
void hookRaceCountdown() {}
void hookDrawResultScreen() {}
void hookPlaceMenuSounds() {}
void hookUpdateMenuMusic(float) {}
void hookDrawMenus() {}
void hookPrintFps(int) {}
float hookPlayerSpeed() { return 0.0f; }

void hookPlayMenuMusic() {}
void hookPlayRaceMusic() {}
void hookStopRaceMusic() {}
void hookSilenceMenuMusic() {}
void hookSilenceRaceMusic() {}

void hookMenuClick() {}
void hookMenuHover() {}
