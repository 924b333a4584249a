// The OpenAL device and context, the listener and the error report.
#include <cstring>

#include "audio/audio.h"
#include "audio/audio_local.h"
#include "platform/platform.h"

bool openSoundDevice(const char* deviceName) {
    // Nothing on Linux answers to the game's device name: the default device
    // plays the same role.
    const char* name = deviceName && std::strcmp(deviceName, "DirectSound3D") != 0 ? deviceName : nullptr;
    ALCdevice* device = alcOpenDevice(name);
    if (!device) {
        std::fprintf(stderr, "korvask: no sound device could be opened (OpenAL found no output)\n");
        return false;
    }
    ALCcontext* context = alcCreateContext(device, nullptr);
    if (!context || !alcMakeContextCurrent(context)) {
        std::fprintf(stderr, "korvask: the sound device opened but refused a context\n");
        if (context) alcDestroyContext(context);
        alcCloseDevice(device);
        return false;
    }
    alGetError();
    return true;
}

void closeSoundDevice() {
    ALCcontext* context = alcGetCurrentContext();
    if (!context) return;
    // Whole-file music buffers are shared by name and outlive their streams;
    // the device is the last owner they have.
    for (auto& entry : bufferRegistry) {
        ALuint buffer = entry.first;
        if (alIsBuffer(buffer)) alDeleteBuffers(1, &buffer);
    }
    bufferRegistry.clear();
    alGetError();

    ALCdevice* device = alcGetContextsDevice(context);
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(context);
    if (device) alcCloseDevice(device);
}

void setInverseDistanceModel() {
    alDistanceModel(AL_INVERSE_DISTANCE);
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
