// Time and size of the interface art, effect sounds and music generation.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "content/content.h"
#include "content/interface.h"
#include "content/sounds.h"

static double folderBytes(const std::string& folder, const char* const* names, int count) {
    double total = 0;
    for (int i = 0; i < count; ++i) {
        struct stat info;
        if (stat((folder + "/" + names[i]).c_str(), &info) == 0) total += static_cast<double>(info.st_size);
    }
    return total;
}

static std::string scratchBase() {
    char pattern[] = "/tmp/korvask_content_bench_XXXXXX";
    const char* made = mkdtemp(pattern);
    return made ? made : "/tmp";
}

// Every texture of the three tables and the effect files, written to disk.
static void BM_GenerateInterface(benchmark::State& state) {
    const std::string base = scratchBase();
    for (auto _ : state) benchmark::DoNotOptimize(generateInterface(base));
    double bytes = 0;
    for (int i = 0; i < kGameTextureCount; ++i) {
        const std::string name = textureFileName(i, false);
        const char* names[] = {name.c_str()};
        bytes += folderBytes(base + "/textures", names, 1);
    }
    for (int i = 0; i < kTgaTextureCount; ++i) {
        const std::string name = textureFileName(i, true);
        const char* names[] = {name.c_str()};
        bytes += folderBytes(base + "/textures", names, 1);
    }
    state.counters["MiB"] = bytes / (1 << 20);
    std::system(("rm -rf '" + base + "'").c_str());
}
BENCHMARK(BM_GenerateInterface)->Unit(benchmark::kMillisecond)->Iterations(2);

// The sixteen effect sounds, rendered (no disk).
static void BM_RenderEffectSounds(benchmark::State& state) {
    double samples = 0;
    for (auto _ : state)
        for (int i = 0; i < kGeneratedSoundCount; ++i)
            samples += static_cast<double>(renderEffectSound(i).size());
    state.counters["MiB"] = samples * 2 / state.iterations() / (1 << 20);
}
BENCHMARK(BM_RenderEffectSounds)->Unit(benchmark::kMillisecond)->Iterations(3);

// One music track (the menu's): synthesis, then Vorbis encoding.
static void BM_RenderMusicTrack(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(renderMusicTrack(0).size());
    state.counters["seconds_of_audio"] = static_cast<double>(musicTrackFrames(0)) / 44100;
}
BENCHMARK(BM_RenderMusicTrack)->Unit(benchmark::kMillisecond)->Iterations(2);

static void BM_EncodeMusicTrack(benchmark::State& state) {
    const SampleBuffer track = renderMusicTrack(0);
    size_t bytes = 0;
    for (auto _ : state) bytes = encodeOggVorbis(track, 44100, 0.25f, 1).size();
    state.counters["MiB"] = static_cast<double>(bytes) / (1 << 20);
}
BENCHMARK(BM_EncodeMusicTrack)->Unit(benchmark::kMillisecond)->Iterations(2);

// Everything under base/sound and base/music, the way korvask-content makes it
// (the five tracks on worker threads).
static void BM_GenerateSounds(benchmark::State& state) {
    const std::string base = scratchBase();
    for (auto _ : state) benchmark::DoNotOptimize(generateSounds(base));
    double bytes = folderBytes(base + "/music", musicFileNames, kMusicTrackCount);
    for (const EffectSound& s : effectSounds) {
        const char* names[] = {s.name};
        bytes += folderBytes(base + "/sound", names, 1);
    }
    state.counters["MiB"] = bytes / (1 << 20);
    std::system(("rm -rf '" + base + "'").c_str());
}
BENCHMARK(BM_GenerateSounds)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
