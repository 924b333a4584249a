// Cost of the music's per-frame refill, of opening a race's music and of
// reading an effect sound, on real files from the outside corpus.
#include <AL/al.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "audio/audio.h"
#include "test_support.h"

namespace {

// One refill of a streamed buffer: 262144 bytes, about 1.5 s of 44.1 kHz
// stereo, decoded and uploaded. Runs on the frame that finds a buffer played.
void BM_StreamRefill(benchmark::State& state) {
    MusicStream music;
    if (!openSilentSoundDevice() || !music.open(corpusPath("ogg/sfml/doodle_pop.ogg").c_str(), true, true)) {
        state.SkipWithError("no device or no corpus");
        return;
    }
    // A buffer of its own, registered like the stream's: a queued one may not
    // be refilled in place.
    ALuint buffer = 0;
    alGenBuffers(1, &buffer);
    RegisteredBuffer record = audio.bufferRegistry[music.streamBuffers[0]];
    record.buffer = buffer;
    audio.bufferRegistry[buffer] = record;
    for (auto _ : state) {
        bool full = music.fill(buffer, kStreamBufferBytes);
        if (!full) music.rewind();
        benchmark::DoNotOptimize(full);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * kStreamBufferBytes);
    music.close();
    audio.bufferRegistry.erase(buffer);
    alDeleteBuffers(1, &buffer);
}
BENCHMARK(BM_StreamRefill)->Unit(benchmark::kMillisecond);

// What loadRace pays for its music: open, decode two buffers, close.
void BM_OpenCloseRaceMusic(benchmark::State& state) {
    MusicStream music;
    if (!openSilentSoundDevice()) {
        state.SkipWithError("no device");
        return;
    }
    std::string path = corpusPath("ogg/sfml/doodle_pop.ogg");
    for (auto _ : state) {
        bool opened = music.open(path.c_str(), true, true);
        benchmark::DoNotOptimize(opened);
        music.close();
    }
}
BENCHMARK(BM_OpenCloseRaceMusic)->Unit(benchmark::kMillisecond);

// Reading a 434 KB WAV effect (start-up cost per sound).
void BM_ReadWavFile(benchmark::State& state) {
    std::string path = corpusPath("wav/go-audio/flloop.wav");
    WavSound wav;
    for (auto _ : state) {
        readWavFile(path.c_str(), &wav);
        benchmark::DoNotOptimize(wav.data.data());
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)wav.data.size());
}
BENCHMARK(BM_ReadWavFile)->Unit(benchmark::kMicrosecond);

}  // namespace
