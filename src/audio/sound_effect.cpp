// Effect sounds: one OpenAL source and one buffer per WAV file.
#include <AL/alext.h>

#include <cmath>

#include "audio/audio.h"
#include "audio/audio_local.h"
#include "state/state.h"

float effectsVolume = 1.0f;
float musicVolume = 1.0f;

struct EffectSoundFile {
    SoundEffect* sound;
    const char* path;
    bool loop;
};

// Load order, which is also the release order.
static const EffectSoundFile kEffectSoundFiles[] = {
    {&audio.soundEngine1, "base/sound/en1.wav", true},
    {&audio.soundEngine2, "base/sound/en2.wav", true},
    {&audio.soundEngine3, "base/sound/en3.wav", true},
    {&audio.soundEngine4, "base/sound/en4.wav", true},
    {&audio.soundCrash0, "base/sound/cr0.wav", false},
    {&audio.soundCrash1, "base/sound/cr1.wav", false},
    {&audio.soundCrash2, "base/sound/cr2.wav", false},
    {&audio.soundCrash3, "base/sound/cr3.wav", false},
    {&audio.soundStart, "base/sound/st.wav", true},
    {&audio.soundPoint, "base/sound/point.wav", false},
    {&audio.soundEnginePass, "base/sound/en_pass.wav", true},
    {&audio.soundGear, "base/sound/gear.wav", false},
    {&audio.soundNitro, "base/sound/nitro.wav", true},
    {&audio.soundWind, "base/sound/wind.wav", true},
    {&audio.soundMenu1, "base/sound/menu1.wav", false},
    {&audio.soundMenu2, "base/sound/menu2.wav", false},
};
static_assert(sizeof kEffectSoundFiles / sizeof kEffectSoundFiles[0] == kEffectSoundCount,
              "one file per effect sound");

// The game's own cues, heard at the listener, after the sixteen.
static const EffectSoundFile kCueSoundFiles[] = {
    {&audio.soundCountdown, "base/sound/count.wav", false},
    {&audio.soundLapSting, "base/sound/lap.wav", false},
    {&audio.soundLastLapSting, "base/sound/lastlap.wav", false},
    {&audio.soundFinishWin, "base/sound/finish1.wav", false},
    {&audio.soundFinishPodium, "base/sound/finish2.wav", false},
    {&audio.soundFinishLast, "base/sound/finish4.wav", false},
    {&audio.soundAmbienceCity, "base/sound/amb_city.wav", true},
    {&audio.soundAmbienceHarbour, "base/sound/amb_harbour.wav", true},
    {&audio.soundAmbienceWorks, "base/sound/amb_works.wav", true},
};

// Sounds of our own placed in the scene, after the cues.
static const EffectSoundFile kSceneSoundFiles[] = {
    {&audio.soundKerb, "base/sound/kerb.wav", true},
};

// The engines, nitro and wind are 22.05 kHz files played at every pitch
// from 0.15 to 2.5: the mixer's default linear resampler mirrors their rush
// and pops between 12 and 20 kHz only 3 to 27 dB down. OpenAL Soft lists its
// resamplers from the plainest to the finest; the last one is a windowed
// sinc that keeps those images far down.
static void useFinestResampler(ALuint source) {
    if (!alIsExtensionPresent("AL_SOFT_source_resampler")) return;
    const ALint count = alGetInteger(AL_NUM_RESAMPLERS_SOFT);
    if (count > 0) alSourcei(source, AL_SOURCE_RESAMPLER_SOFT, count - 1);
}

void SoundEffect::load(const char* path, bool loop) {
    WavSound wav;
    readWavFile(path, &wav);

    alGenSources(1, &source);
    alGenBuffers(1, &buffer);
    alBufferData(buffer, wav.format, wav.data.empty() ? nullptr : wav.data.data(),
                 static_cast<ALsizei>(wav.data.size()), wav.frequency);
    alSourcei(source, AL_BUFFER, static_cast<ALint>(buffer));

    alSourcef(source, AL_PITCH, 1.0f);
    gain = 1.0f;
    alSourcef(source, AL_GAIN, gain * effectsVolume);
    alSourcei(source, AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
    alSourcef(source, AL_MAX_GAIN, 1.0f);
    // Full loudness within 30 units, about four car lengths, then falling off.
    alSourcef(source, AL_REFERENCE_DISTANCE, 30.0f);
    useFinestResampler(source);
    // Nothing here is checked, so nothing here may stay pending either: the
    // music's next check would blame its own open for this sound's error.
    alGetError();
}

// An unloaded record (source 0) does nothing: touching name 0 would leave an
// error pending for the music's next check to blame on itself.
void SoundEffect::play() {
    if (!source) return;
    alSourcePlay(source);
}

void SoundEffect::stop() {
    if (!source) return;
    alSourceStop(source);
}

// A value OpenAL refuses (a NaN from a car's broken state, a pitch of 0)
// would leave an error pending that the music's next check takes as its own
// and stops for; such a value changes nothing instead.
void SoundEffect::setGain(float newGain) {
    if (!std::isfinite(newGain)) return;
    gain = newGain < 0.0f ? 0.0f : newGain;
    if (!source) return;
    alSourcef(source, AL_GAIN, gain * effectsVolume * (bed ? audio.raceBedGain : 1.0f));
}

void SoundEffect::setListenerRelative() {
    if (!source) return;
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
}

void SoundEffect::setPitch(float pitch) {
    if (!source || !std::isfinite(pitch) || !(pitch > 0.0f)) return;
    alSourcef(source, AL_PITCH, pitch);
}

void SoundEffect::setPositionVelocity(float px, float py, float pz, float vx, float vy, float vz) {
    if (!source) return;
    for (float v : {px, py, pz, vx, vy, vz})
        if (!std::isfinite(v)) return;
    alSource3f(source, AL_POSITION, px, py, pz);
    alSource3f(source, AL_VELOCITY, vx, vy, vz);
}

bool SoundEffect::isPlaying() const {
    ALint state = AL_STOPPED;
    if (source) alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

void SoundEffect::release() {
    // Names of 0 were never made (no device, or released twice): deleting them
    // would only raise an error for the next check to report.
    if (source && alIsSource(source)) alDeleteSources(1, &source);
    if (buffer && alIsBuffer(buffer)) alDeleteBuffers(1, &buffer);
    source = 0;
    buffer = 0;
}

// The race's bed: what an impact ducks.
static SoundEffect* const kBedSounds[] = {&audio.soundEngine1, &audio.soundEngine2,    &audio.soundEngine3,
                                          &audio.soundEngine4, &audio.soundEnginePass, &audio.soundStart,
                                          &audio.soundWind,    &audio.soundNitro,      &audio.soundKerb};

void loadEffectSounds() {
    for (const EffectSoundFile& file : kEffectSoundFiles) file.sound->load(file.path, file.loop);
    for (const EffectSoundFile& file : kSceneSoundFiles) file.sound->load(file.path, file.loop);
    for (SoundEffect* sound : kBedSounds) sound->bed = true;
    for (const EffectSoundFile& file : kCueSoundFiles) {
        file.sound->load(file.path, file.loop);
        file.sound->setListenerRelative();
    }
}

void releaseEffectSounds() {
    for (const EffectSoundFile& file : kEffectSoundFiles) file.sound->release();
    for (const EffectSoundFile& file : kCueSoundFiles) file.sound->release();
    for (const EffectSoundFile& file : kSceneSoundFiles) file.sound->release();
}

static float clampVolume(float volume) {
    return volume < 0.0f ? 0.0f : (volume > 1.0f ? 1.0f : volume);
}

void setEffectsVolume(float volume) {
    effectsVolume = clampVolume(volume);
    for (const EffectSoundFile& file : kEffectSoundFiles) file.sound->setGain(file.sound->gain);
    for (const EffectSoundFile& file : kCueSoundFiles) file.sound->setGain(file.sound->gain);
    for (const EffectSoundFile& file : kSceneSoundFiles) file.sound->setGain(file.sound->gain);
}

static void applyBedGain() {
    for (SoundEffect* sound : kBedSounds) sound->setGain(sound->gain);
    audio.raceMusic.setGain(audio.raceMusic.gain);
}

void duckRaceBed(float gain) {
    if (gain >= audio.raceBedGain) return;
    audio.raceBedGain = gain < 0.0f ? 0.0f : gain;
    applyBedGain();
}

// The bed comes back from a full duck (0.4) in about 0.3 s: after the
// crash's first 100 ms, while its tail rings on.
static constexpr float kBedRecoveryRate = 0.02f;

void recoverRaceBed(float f) {
    if (audio.raceBedGain >= 1.0f) return;
    audio.raceBedGain += kBedRecoveryRate * f;
    if (audio.raceBedGain > 1.0f) audio.raceBedGain = 1.0f;
    applyBedGain();
}

void setMusicVolume(float volume) {
    musicVolume = clampVolume(volume);
    audio.menuMusic.setGain(audio.menuMusic.gain);
    audio.raceMusic.setGain(audio.raceMusic.gain);
    audio.splashMusic.setGain(audio.splashMusic.gain);
}

void applyVolumeSettings() {
    setMusicVolume(settingNumber(Setting::MusicVolume) /
                   static_cast<float>(settingRow(Setting::MusicVolume).hi));
    setEffectsVolume(settingNumber(Setting::EffectsVolume) /
                     static_cast<float>(settingRow(Setting::EffectsVolume).hi));
}

static const bool kVolumeApplyHooked = (setSettingApply(Setting::MusicVolume, applyVolumeSettings),
                                        setSettingApply(Setting::EffectsVolume, applyVolumeSettings), true);

// Every sound a race plays: what the pause silences and "Continue" resumes.
static SoundEffect* const kRaceSounds[] = {
    &audio.soundEngine1,         &audio.soundEngine2,       &audio.soundEngine3,
    &audio.soundEngine4,         &audio.soundCrash0,        &audio.soundCrash1,
    &audio.soundCrash2,          &audio.soundCrash3,        &audio.soundStart,
    &audio.soundPoint,           &audio.soundEnginePass,    &audio.soundGear,
    &audio.soundNitro,           &audio.soundWind,          &audio.soundCountdown,
    &audio.soundLapSting,        &audio.soundLastLapSting,  &audio.soundFinishWin,
    &audio.soundFinishPodium,    &audio.soundFinishLast,    &audio.soundAmbienceCity,
    &audio.soundAmbienceHarbour, &audio.soundAmbienceWorks, &audio.soundKerb,
};
constexpr int kRaceSoundCount = sizeof kRaceSounds / sizeof kRaceSounds[0];
// Which of them the pause caught playing.
static bool racePaused[kRaceSoundCount];

void pauseRaceSounds() {
    for (int i = 0; i < kRaceSoundCount; i++) {
        racePaused[i] = kRaceSounds[i]->isPlaying();
        if (racePaused[i]) alSourcePause(kRaceSounds[i]->source);
    }
}

void resumeRaceSounds() {
    // A paused source plays on from where it stopped.
    for (int i = 0; i < kRaceSoundCount; i++) {
        if (racePaused[i]) kRaceSounds[i]->play();
        racePaused[i] = false;
    }
}

void stopRaceSounds() {
    audio.soundStart.stop();
    audio.soundEnginePass.stop();
    audio.soundEngine1.stop();
    audio.soundEngine2.stop();
    audio.soundEngine3.stop();
    audio.soundEngine4.stop();
    audio.soundWind.stop();
    audio.soundNitro.stop();
    audio.soundAmbienceCity.stop();
    audio.soundAmbienceHarbour.stop();
    audio.soundAmbienceWorks.stop();
    audio.soundKerb.stop();
    audio.raceBedGain = 1.0f;
    // A race left from the pause menu: what the pause held would otherwise
    // resume from the middle at its next play.
    for (int i = 0; i < kRaceSoundCount; i++) {
        if (racePaused[i]) kRaceSounds[i]->stop();
        racePaused[i] = false;
    }
}
