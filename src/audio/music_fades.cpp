// The music's hand-overs: the bed under the splash into the menu music, and
// the menu music into a race's music.
#include "audio/audio.h"

MusicStream splashMusic;

static bool menuFadeOut = false;
static float menuFadeOutGain = 0.0f;

void startSplashBed() {
    splashMusic.setGain(1.0f);
    if (!splashMusic.isPlaying()) splashMusic.play();
}

void fadeSplashBed(float gain) {
    if (!splashMusic.isPlaying()) return;
    if (gain <= 0.0f) {
        splashMusic.setGain(0.0f);
        splashMusic.rewind();
        return;
    }
    // Only ever down: the bed never comes back once the menu music took over.
    if (gain < splashMusic.gain) splashMusic.setGain(gain);
}

void fadeOutMenuMusic() {
    // The bed may still be fading when a race is chosen at once.
    fadeSplashBed(0.0f);
    if (!menuMusic.isPlaying()) return;
    menuFadeOut = true;
    menuFadeOutGain = menuMusic.gain;
}

void updateMenuMusicFadeOut(float f) {
    if (!menuFadeOut) return;
    menuFadeOutGain -= kMenuMusicFadeOutRate * f;
    if (menuFadeOutGain <= 0.0f) {
        endMenuMusicFadeOut();
        return;
    }
    menuMusic.update();
    menuMusic.setGain(menuFadeOutGain);
}

void endMenuMusicFadeOut() {
    if (!menuFadeOut) return;
    menuFadeOut = false;
    menuMusic.setGain(0.0f);
    menuMusic.rewind();
}

bool menuMusicFadingOut() {
    return menuFadeOut;
}
