// The effect sounds and music of the content generator, exposed so tests and
// previews can render single sounds.
#pragma once

#include <string>
#include <vector>

#include "content/synth.h"

struct EffectSound {
    const char* name;  // file name in base/sound
    int rate;
    bool loop;
};
// The game's sixteen effects, then its countdown beep (count.wav), the lap
// stings (lap.wav, lastlap.wav) and the finish stings by place (finish1.wav
// for a win, finish2.wav for second or third, finish4.wav for last), and
// the districts' ambience loops (amb_city.wav, amb_harbour.wav,
// amb_works.wav), and the kerb rumble (kerb.wav).
constexpr int kGeneratedSoundCount = 26;
extern const EffectSound effectSounds[kGeneratedSoundCount];
// Peak level of each effect file, the loudness plan of docs/SOUND.md.
extern const float effectSoundPeaks[kGeneratedSoundCount];

// Mono samples in [-1, 1] of effect `index` (the order of effectSounds).
std::vector<float> renderEffectSound(int index);

// The quiet loop under the start-up splash (base/music/splash.wav): mono,
// 22.05 kHz, peaking at kSplashBedPeak.
constexpr int kSplashBedRate = 22050;
constexpr float kSplashBedPeak = 0.2f;
std::vector<float> renderSplashBed();

// Music: base/music/menu.ogg and 1.ogg to 4.ogg.
constexpr int kMusicTrackCount = 5;
extern const char* const musicFileNames[kMusicTrackCount];
// Interleaved stereo at 44.1 kHz, exactly one seamless loop of the track.
SampleBuffer renderMusicTrack(int index);
// Frames (stereo samples) of one loop of the track.
size_t musicTrackFrames(int index);
// Encodes interleaved stereo 44.1 kHz samples as an Ogg Vorbis file.
std::vector<uint8_t> encodeOggVorbis(const SampleBuffer& stereo, int rate, float quality, int serial);
bool generateMusic(const std::string& musicDir);
