// The music's hand-overs: the bed under the splash into the menu music, and
// the menu music into a race's music.
#include "audio/audio.h"

static bool menuFadeOut = false;
static float menuFadeOutGain = 0.0f;

void startSplashBed() {
    audio.splashMusic.setGain(1.0f);
    if (!audio.splashMusic.isPlaying()) audio.splashMusic.play();
}

void fadeSplashBed(float gain) {
    if (!audio.splashMusic.isPlaying()) return;
    if (gain <= 0.0f) {
        audio.splashMusic.setGain(0.0f);
        audio.splashMusic.rewind();
        return;
    }
    // Only ever down: the bed never comes back once the menu music took over.
    if (gain < audio.splashMusic.gain) audio.splashMusic.setGain(gain);
}

void fadeOutMenuMusic() {
    // The bed may still be fading when a race is chosen at once.
    fadeSplashBed(0.0f);
    if (!audio.menuMusic.isPlaying()) return;
    menuFadeOut = true;
    menuFadeOutGain = audio.menuMusic.gain;
}

void updateMenuMusicFadeOut(float f) {
    if (!menuFadeOut) return;
    menuFadeOutGain -= kMenuMusicFadeOutRate * f;
    if (menuFadeOutGain <= 0.0f) {
        endMenuMusicFadeOut();
        return;
    }
    audio.menuMusic.update();
    audio.menuMusic.setGain(menuFadeOutGain);
}

void endMenuMusicFadeOut() {
    if (!menuFadeOut) return;
    menuFadeOut = false;
    audio.menuMusic.setGain(0.0f);
    audio.menuMusic.rewind();
}

bool menuMusicFadingOut() {
    return menuFadeOut;
}
