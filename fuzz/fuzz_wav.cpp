// WAV files: the RIFF chunk walk and the PCM subset the sounds use.
#include <cstddef>
#include <cstdint>

#include "audio/audio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WavSound wav;
    parseWavBytes(data, size, &wav);
    // What OpenAL is handed must be whole frames of a format it takes.
    int frame = 0;
    switch (wav.format) {
        case SoundFormatMono8:
            frame = 1;
            break;
        case SoundFormatMono16:
        case SoundFormatStereo8:
            frame = 2;
            break;
        case SoundFormatStereo16:
            frame = 4;
            break;
    }
    if (frame == 0 || wav.data.size() % (size_t)frame != 0 || wav.frequency <= 0) __builtin_trap();
    return 0;
}
