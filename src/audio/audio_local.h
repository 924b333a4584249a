// Shared by the audio module's own files: the OpenAL and decoder headers.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include "audio/audio.h"

static_assert(SoundFormatMono8 == AL_FORMAT_MONO8, "SoundFormat mirrors OpenAL");
static_assert(SoundFormatMono16 == AL_FORMAT_MONO16, "SoundFormat mirrors OpenAL");
static_assert(SoundFormatStereo8 == AL_FORMAT_STEREO8, "SoundFormat mirrors OpenAL");
static_assert(SoundFormatStereo16 == AL_FORMAT_STEREO16, "SoundFormat mirrors OpenAL");
static_assert(sizeof(ALuint) == sizeof(uint32_t), "source and buffer names are kept as uint32_t");

// The volumes in force (see setEffectsVolume and setMusicVolume).
extern float effectsVolume;  // scales every effect sound's gain
extern float musicVolume;    // scales both music streams' gain
