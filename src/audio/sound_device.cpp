// The OpenAL device and context, the listener, the loopback mix and the error
// report.
#include <AL/alext.h>

#include <cstring>

#include "audio/audio.h"
#include "audio/audio_local.h"
#include "platform/platform.h"

// The limiter only catches what the mix's own levels let through (see
// docs/SOUND.md): a pile-up of every sound at once should still never reach
// the converter as a clipped square.
static void contextAttributes(ALCdevice* device, ALCint* attributes, int rate) {
    int at = 0;
    if (alcIsExtensionPresent(device, "ALC_SOFT_output_limiter")) {
        attributes[at++] = ALC_OUTPUT_LIMITER_SOFT;
        attributes[at++] = ALC_TRUE;
    }
    if (rate > 0) {
        attributes[at++] = ALC_FREQUENCY;
        attributes[at++] = rate;
        attributes[at++] = ALC_FORMAT_CHANNELS_SOFT;
        attributes[at++] = ALC_STEREO_SOFT;
        attributes[at++] = ALC_FORMAT_TYPE_SOFT;
        attributes[at++] = ALC_SHORT_SOFT;
    }
    attributes[at] = 0;
}

static bool makeContext(ALCdevice* device, int rate) {
    ALCint attributes[16];
    contextAttributes(device, attributes, rate);
    ALCcontext* context = alcCreateContext(device, attributes);
    if (!context || !alcMakeContextCurrent(context)) {
        std::fprintf(stderr, "korvask: the sound device opened but refused a context\n");
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return false;
    }
    alGetError();
    return true;
}

bool openSoundDevice(const char* deviceName) {
    // Nothing on Linux answers to the game's device name: the default device
    // plays the same role.
    const char* name = deviceName && std::strcmp(deviceName, "DirectSound3D") != 0 ? deviceName : nullptr;
    ALCdevice* device = alcOpenDevice(name);
    if (!device) {
        std::fprintf(stderr, "korvask: no sound device could be opened (OpenAL found no output)\n");
        return false;
    }
    return makeContext(device, 0);
}

// The loopback device mixes only when asked, into memory, as fast as the
// machine can: what the game would play, without a sound card or a clock.
static ALCdevice* loopbackDevice = nullptr;
static LPALCRENDERSAMPLESSOFT renderSamples = nullptr;

bool openLoopbackSoundDevice(int rate) {
    if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) return false;
    auto openLoopback = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
        alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
    renderSamples =
        reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
    if (!openLoopback || !renderSamples) return false;
    ALCdevice* device = openLoopback(nullptr);
    if (!device) return false;
    if (!makeContext(device, rate)) return false;
    loopbackDevice = device;
    return true;
}

void renderSoundMix(int16_t* stereo, int frames) {
    if (loopbackDevice && renderSamples && frames > 0) renderSamples(loopbackDevice, stereo, frames);
}

void closeSoundDevice() {
    ALCcontext* context = alcGetCurrentContext();
    if (!context) return;
    // Whole-file music buffers are shared by name and outlive their streams;
    // the device is the last owner they have.
    for (auto& entry : audio.bufferRegistry) {
        ALuint buffer = entry.first;
        if (alIsBuffer(buffer)) alDeleteBuffers(1, &buffer);
    }
    audio.bufferRegistry.clear();
    alGetError();

    ALCdevice* device = alcGetContextsDevice(context);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    if (device) alcCloseDevice(device);
    if (device == loopbackDevice) loopbackDevice = nullptr;
}

// Clamped: a source nearer than its reference distance plays at the gain
// asked for, not above it. Unclamped, such a source's distance gain rose
// over 1 and the maximum gain of 1 cut it back, so the engine's crossfade,
// the squeal's and the wind's levels and the player's effects volume were
// lost on every sound near the listener.
void setInverseDistanceModel() {
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
}

void setListener(const float position[3], const float velocity[3], const float orientation[6]) {
    alListenerfv(AL_POSITION, position);
    alListenerfv(AL_VELOCITY, velocity);
    alListenerfv(AL_ORIENTATION, orientation);
}

bool checkAlError() {
    ALenum error = alGetError();
    if (error == AL_NO_ERROR) return true;
    const char* reason = alGetString(error);
    char text[256];
    std::snprintf(text, sizeof text, "OpenAL error: %s", reason ? reason : "");
    platformMessageBox(text, "Error", MB_OK | MB_ICONWARNING);
    return false;
}
