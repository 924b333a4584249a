// Sound: the OpenAL device, the sixteen effect sounds and the music streams.
//
// The audio module owns the sound device and context, every OpenAL source and
// buffer the game makes, and the Ogg Vorbis decoders behind the music. Only this
// folder includes OpenAL and vorbisfile; other modules reach sources through the
// operations below (pitch, gain, position, play state), never through AL calls.
//
// Lifetimes:
//   for the whole run   - the device (openSoundDevice .. closeSoundDevice), the
//                         sixteen effect sounds (loadEffectSounds ..
//                         releaseEffectSounds) and menuMusic;
//   loadRace..unloadRace - raceMusic, opened and closed once per race.
// Invariants: every SoundEffect owns exactly one source and one buffer while
// loaded; a streamed MusicStream owns its queued buffers and deletes them on
// close; whole-file music buffers are shared by file name through
// bufferRegistry and live until closeSoundDevice.
// Everything runs on the one game thread; the device must be open before any
// sound is loaded, and every sound released before it closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The decoder's own records; only the audio files see inside them.
struct OggVorbis_File;
struct vorbis_comment;
struct vorbis_info;

// ---------------------------------------------------------------------------
// Device and listener.

// The device the game asks for. It names no device on Linux, so it stands for
// the system's default one.
constexpr const char* kSoundDeviceName = "DirectSound3D";

// Opens the device, creates a context, makes it current and clears the error
// state. "DirectSound3D" (or null) means the system's default device. On
// failure prints one line on stderr saying why and returns false; the caller
// then ends the program with exit status -1.
bool openSoundDevice(const char* deviceName = kSoundDeviceName);
// Opens OpenAL Soft's loopback device at `rate` frames a second, 16-bit
// stereo, with the same context as the game's own device: nothing plays, and
// renderSoundMix hands over the mix on demand. For tests and recordings.
bool openLoopbackSoundDevice(int rate);
// Mixes the next `frames` stereo frames of the loopback device into `stereo`
// (left and right interleaved). Does nothing when no loopback device is open.
void renderSoundMix(int16_t* stereo, int frames);
// Makes no context current, destroys the context and closes its device. Also
// deletes the whole-file music buffers still registered. Safe when no device
// is open.
void closeSoundDevice();
// Inverse distance attenuation, clamped at the reference distance (never
// louder than the gain asked for); set once after the sounds load.
void setInverseDistanceModel();
// Places the listener. orientation is the "at" vector followed by "up".
void setListener(const float position[3], const float velocity[3], const float orientation[6]);

// Reads the OpenAL error state; on an error shows the warning box "OpenAL
// error: <reason>" with the caption "Error" and returns false.
bool checkAlError();

// ---------------------------------------------------------------------------
// WAV files.

// OpenAL sample formats, so that callers outside this folder can name them.
enum SoundFormat : int {
    SoundFormatMono8 = 0x1100,     // AL_FORMAT_MONO8
    SoundFormatMono16 = 0x1101,    // AL_FORMAT_MONO16
    SoundFormatStereo8 = 0x1102,   // AL_FORMAT_STEREO8
    SoundFormatStereo16 = 0x1103,  // AL_FORMAT_STEREO16
};

// What readWavFile yields: a missing or unusable file gives silence, that is
// 16-bit mono at 22050 Hz with no data.
struct WavSound {
    int format;
    std::vector<uint8_t> data;
    int frequency;
    // Loop count of the last "smpl" chunk; the game does not use it.
    int loopCount;
    bool loop;
};

// Reads the PCM WAV subset the game relies on: RIFF chunks after the 12-byte
// header, "fmt " (PCM, 1 or 2 channels, 8 or 16 bits), "data" (only after such
// a "fmt "), "smpl" for its loop count. A chunk whose length runs past the end
// of the file ends the walk.
void readWavFile(const char* path, WavSound* out);
// The same over bytes already in memory.
void parseWavBytes(const uint8_t* bytes, size_t size, WavSound* out);

// ---------------------------------------------------------------------------
// Effect sounds: one source with one buffer each.

struct SoundEffect {
    // Kept first so that code holding the record reaches the source directly.
    uint32_t source;
    uint32_t buffer;
    // The gain the game asked for; the source plays it times effectsVolume
    // (and times raceBedGain for a sound of the race's bed).
    float gain;
    bool bed;

    // Reads the WAV file (silence when it is missing), makes the source and the
    // buffer, and sets pitch 1, the loop flag, maximum gain 1 and reference
    // distance 30. OpenAL errors are not checked here.
    void load(const char* path, bool loop);
    // Plays at the listener whatever it moves to: for the game's own cues
    // rather than sounds of the scene.
    void setListenerRelative();
    void play();
    void stop();
    void setGain(float gain);
    void setPitch(float pitch);
    void setPositionVelocity(float px, float py, float pz, float vx, float vy, float vz);
    bool isPlaying() const;
    // Deletes the source and then the buffer.
    void release();
};

constexpr int kEffectSoundCount = 16;

// Pitch of soundCountdown on "go": an octave above the three counts.
constexpr float kCountdownGoPitch = 2.0f;

// Loudness the player chose, 0 (silent) to 1 (as made), for the whole run;
// setEffectsVolume and setMusicVolume apply it at once.
void setEffectsVolume(float volume);
void setMusicVolume(float volume);
// Hands the settings' music and effects volumes to the sound; the options
// screen's volume rows call it through their rows.
void applyVolumeSettings();

// Ducks the bed to `gain` (0..1) at once, unless it is already lower.
void duckRaceBed(float gain);
// Brings the bed back towards 1 by f frame units; once a race frame.
void recoverRaceBed(float f);

// Loads the sixteen effect sounds from "base/sound" in their fixed order,
// then the countdown and splash cues.
void loadEffectSounds();
// Releases them in the same order.
void releaseEffectSounds();
// Stops the sounds a race leaves running: st, en_pass, en1..en4, wind, nitro,
// the ambience, the kerb rumble, and whatever the pause holds.
void stopRaceSounds();
// The pause menu: pauses every race sound that is playing (engines, squeal,
// wind, nitro, crashes, gear, tick, countdown), and "Continue" plays those on
// from where they stopped. The menu's own sounds are not touched.
void pauseRaceSounds();
void resumeRaceSounds();

// ---------------------------------------------------------------------------
// Music streams.

constexpr int kStreamBufferBytes = 0x40000;  // bytes decoded into each streamed buffer
constexpr int kStreamBufferCount = 2;        // buffers queued per streamed object
// A decoder reporting errors this many times in a row is treated as ended, so
// a broken stream costs a bounded amount of work per frame.
constexpr int kMaxDecodeErrors = 32;
// A whole-file Ogg whose header claims more than this is refused: its length
// comes from the file and is not to be trusted with an allocation.
constexpr int64_t kMaxWholeFileBytes = 64 << 20;

// One buffer made by MusicStream, shared by file name for whole-file loads.
struct RegisteredBuffer {
    uint32_t buffer;
    std::string fileName;
    int rate;
    int format;
    // Streamed buffers hold one slice of a file and are never shared.
    bool streamed;
};

class MusicStream {
  public:
    float velocity[3];
    float position[3];
    // Repeats the source for code that reads a sound's first field.
    uint32_t sourceCopy;
    bool loop;
    uint32_t source;
    // Owned decoder, null until opened; allocated anew by every open.
    OggVorbis_File* decoder;
    vorbis_comment* comment;
    vorbis_info* info;
    // The music file the decoder's callbacks read.
    FILE* file;
    bool streamed;
    // The gain the game asked for; the source plays it times musicVolume.
    float gain;

    // The streamed buffers this object made; deleted by close.
    uint32_t streamBuffers[kStreamBufferCount];
    int streamBufferCount;
    // A non-looping stream has queued its last audio and waits for it to play.
    bool endQueued;
    // Set by play, cleared by stop and rewind: a stream that ran dry during a
    // long frame is started again once refilled, so a hitch is a gap, not the
    // end of the music.
    bool playRequested;
    // Set by rewind: the queued buffers still hold the audio from where the
    // stream was stopped, so the next play refills them from the first sample.
    bool queueStale;
    // The decoder reported a hard error (not a hole) or could not be opened
    // again: the file is damaged, so nothing more is decoded from it until
    // the next open; the music plays out what is queued and falls silent.
    bool decoderFailed;

    MusicStream();
    virtual ~MusicStream();

    // Opens a ".wav" (whole file) or ".ogg" (streamed or whole) file; false
    // when the file is missing, not of those kinds or not Ogg Vorbis. The gain
    // is left at 0.
    bool open(const char* name, bool loopFlag, bool streamedFlag);
    void play();
    void stop();
    // Stops, returns the decoder to the first sample and rewinds the source; a
    // non-looping stream that reached its end also gets its queue rebuilt.
    // Whatever a streamed queue still holds is refilled from the first sample
    // by the next play, so the music really starts again from its beginning.
    void rewind();
    // Refills processed buffers; call once per frame while this music is current.
    void update();
    // Stops and releases the source, the decoder and the streamed buffers.
    void close();
    void setGain(float gain);
    bool isPlaying() const;

    // Decodes up to byteCount bytes into buffer and uploads them; true when
    // the buffer was filled completely, false at the end of the stream.
    bool fill(uint32_t buffer, int byteCount);

  private:
    int fillBytes(uint32_t buffer, int byteCount, bool* ended);
    bool openOgg(const char* name, bool streamedFlag);
    bool openWav(const char* name);
    bool primeQueue();
    void releaseStreamBuffers();
    void restartAfterEnd();
    bool restartDecoder();
};

// The splash's bed: started with the splash, then faded out by the gain the
// menu frames pass in (1 - the menu music's fade) and stopped at silence.
void startSplashBed();
void fadeSplashBed(float gain);
// The menu music plays on through a race's loading instead of stopping dead,
// and fades out under the countdown while the race music fades in:
// fadeOutMenuMusic is called by loadRace, updateMenuMusicFadeOut by every
// race frame (refill, lower by f, stop and rewind at silence), and
// endMenuMusicFadeOut by unloadRace (stops and rewinds what is left).
void fadeOutMenuMusic();
void updateMenuMusicFadeOut(float f);
void endMenuMusicFadeOut();
bool menuMusicFadingOut();
// The fade-out's fall a 10 ms: from full gain to silence in 1.25 s.
constexpr float kMenuMusicFadeOutRate = 0.008f;

// Start-up: the sixteen effect sounds in their order, the menu music opened
// (looping, streamed, not started) and the inverse distance model.
void loadSounds();
// Shutdown: the effect sounds in load order, then the menu music and a race
// music that a quit in the middle of a race left open.
void releaseSounds();

struct AudioRun {
    // For the whole run: every buffer a MusicStream made, by buffer name.
    std::map<uint32_t, RegisteredBuffer> bufferRegistry{};
    // For the whole run, loaded by loadEffectSounds in this order.
    SoundEffect soundEngine1{};  // player's engine loop ("base/sound/en1.wav")
    SoundEffect soundEngine2{};  // opponents' engine loops (en2 .. en4)
    SoundEffect soundEngine3{};
    SoundEffect soundEngine4{};
    SoundEffect soundCrash0{};  // crash sounds by impact strength (cr0 .. cr3)
    SoundEffect soundCrash1{};
    SoundEffect soundCrash2{};
    SoundEffect soundCrash3{};
    SoundEffect soundStart{};       // tyre squeal loop ("st.wav")
    SoundEffect soundPoint{};       // checkpoint chime
    SoundEffect soundEnginePass{};  // player's engine when off the throttle
    SoundEffect soundGear{};        // gear change
    SoundEffect soundNitro{};       // nitro loop
    SoundEffect soundWind{};        // wind loop
    SoundEffect soundMenu1{};       // menu click
    SoundEffect soundMenu2{};       // menu hover
    // For the whole run, loaded after the sixteen and played at the listener:
    // the countdown beep, at pitch 1 on 3, 2, 1 and higher on go ("count.wav").
    SoundEffect soundCountdown{};
    // The race's stings, at the listener: a new lap ("lap.wav"), the last lap
    // ("lastlap.wav"), and the finish by place: a win ("finish1.wav"), second or
    // third ("finish2.wav"), last ("finish4.wav").
    SoundEffect soundLapSting{};
    SoundEffect soundLastLapSting{};
    SoundEffect soundFinishWin{};
    SoundEffect soundFinishPodium{};
    SoundEffect soundFinishLast{};
    // The districts' ambience under a race, looping at the listener: the city's
    // hum ("amb_city.wav"), the harbour's water ("amb_harbour.wav") and the
    // ironworks ("amb_works.wav").
    SoundEffect soundAmbienceCity{};
    SoundEffect soundAmbienceHarbour{};
    SoundEffect soundAmbienceWorks{};
    // The player's tyres drumming over a kerb ("kerb.wav"), looping at the car,
    // part of the race's bed.
    SoundEffect soundKerb{};
    // An impact on the player's car ducks the race's bed (the engines, squeal,
    // wind, nitro and the race music) so the crash stands out of it, then lets
    // it come back. raceBedGain is 1 but for the moment after a hit; the race's
    // sounds play at their gain times it, the crashes and cues do not.
    float raceBedGain = 1.0f;
    // For the whole run: the front-end music (".\base\music\menu.ogg").
    MusicStream menuMusic{};
    // From loadRace to unloadRace: one of the four race tracks.
    MusicStream raceMusic{};
    // For the whole run: the quiet loop under the start-up splash
    // (".\base\music\splash.wav", whole file, looping).
    MusicStream splashMusic{};
};
extern AudioRun audio;
