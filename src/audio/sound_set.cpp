// The game's sounds for the whole run: loaded after the device opens,
// released before it closes.
#include "audio/audio.h"

// The front-end music: looping, streamed, started once the splash is over.
static const char* const kMenuMusicPath = ".\\base\\music\\menu.ogg";
// The quiet loop under the splash: short enough to hold in one buffer.
static const char* const kSplashMusicPath = ".\\base\\music\\splash.wav";

void loadSounds() {
    loadEffectSounds();
    audio.menuMusic.open(kMenuMusicPath, true, true);
    audio.splashMusic.open(kSplashMusicPath, true, false);
    setInverseDistanceModel();
}

void releaseSounds() {
    releaseEffectSounds();
    audio.menuMusic.close();
    audio.splashMusic.close();
    // A quit in the middle of a race leaves its music open; its source has to
    // go before the context does.
    audio.raceMusic.close();
}
