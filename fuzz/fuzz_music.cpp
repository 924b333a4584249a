// Music files: the Ogg stream through the game's own file callbacks, as the
// menus and races use it (open, play, refill, loop, rewind, close), then the
// same file opened whole. Runs on OpenAL Soft's silent device.
#include <AL/al.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "audio/audio.h"
#include "fuzz_input_file.h"
#include "platform/scripted.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("ALSOFT_DRIVERS", "null", 1);
    setenv("ALSOFT_LOGLEVEL", "0", 1);
    if (!openSoundDevice()) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = fuzzScratchPath(".ogg");
    if (!writeFuzzInput(path, data, size)) return 0;
    static MusicStream music;
    // The first byte picks looping, so both ends of a stream are walked.
    const bool loop = size == 0 || (data[0] & 1);
    if (music.open(path.c_str(), loop, true)) {
        music.play();
        for (int i = 0; i < 4; i++) {
            music.fill(music.streamBuffers[i % kStreamBufferCount], kStreamBufferBytes);
            music.update();
        }
        music.rewind();
        music.play();
        music.update();
        music.stop();
        music.close();
    }
    if (music.open(path.c_str(), false, false)) music.close();
    // Whole-file buffers are kept and shared by name; this name holds a new
    // file every run, so its buffer goes.
    for (auto it = audio.bufferRegistry.begin(); it != audio.bufferRegistry.end();) {
        if (it->second.streamed) {
            ++it;
            continue;
        }
        ALuint name = it->first;
        alDeleteBuffers(1, &name);
        it = audio.bufferRegistry.erase(it);
    }
    // OpenAL errors show boxes through the scripted backend: keep them from
    // piling up over millions of runs.
    scriptedReset();
    return 0;
}
