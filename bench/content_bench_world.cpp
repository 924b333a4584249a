// How long korvask-content takes to make the world and the whole base/
// folder from scratch, and how much disk it fills (targets: under 30 s and
// 150 MB for all of base/).
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "content/city.h"
#include "content/content.h"
#include "content/maps.h"

static double folderBytes(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return 0.0;
    if (!S_ISDIR(info.st_mode)) return static_cast<double>(info.st_size);
    double total = 0.0;
    DIR* dir = opendir(path.c_str());
    if (!dir) return 0.0;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        total += folderBytes(path + "/" + name);
    }
    closedir(dir);
    return total;
}

static std::string freshFolder() {
    char pattern[] = "/tmp/korvask-bench-XXXXXX";
    char* dir = mkdtemp(pattern);
    return dir ? std::string(dir) : std::string();
}

static void removeFolder(const std::string& path) {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
}

// The city, its 20 maps, the 12 cars and the garage.
static void BM_GenerateWorld(benchmark::State& state) {
    double bytes = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string root = freshFolder();
        state.ResumeTiming();
        bool ok = generateWorld(root + "/base");
        state.PauseTiming();
        if (!ok) state.SkipWithError("generateWorld failed");
        bytes = folderBytes(root + "/base");
        removeFolder(root);
        state.ResumeTiming();
    }
    state.counters["MB"] = bytes / 1e6;
}
BENCHMARK(BM_GenerateWorld)->Unit(benchmark::kMillisecond)->Iterations(2);

// One map's drawn city alone: the part that grows with the circuit's reach.
static void BM_MapVisual(benchmark::State& state) {
    buildCity();
    for (auto _ : state) {
        MeshBuilder mesh;
        buildMapVisual(static_cast<int>(state.range(0)), mesh, nullptr);
        benchmark::DoNotOptimize(mesh.triangleCount());
    }
}
BENCHMARK(BM_MapVisual)->Arg(1)->Arg(15)->Unit(benchmark::kMillisecond);

// Everything korvask-content writes, in the order it writes it.
static void BM_GenerateWholeBase(benchmark::State& state) {
    double bytes = 0.0;
    for (auto _ : state) {
        state.PauseTiming();
        std::string root = freshFolder();
        state.ResumeTiming();
        std::string base = root + "/base";
        bool ok = generateShaders(base) && generateWorld(base) && generateInterface(base) &&
                  generateSounds(base) && generateSaveFiles(base);
        state.PauseTiming();
        if (!ok) state.SkipWithError("generation failed");
        bytes = folderBytes(base);
        removeFolder(root);
        state.ResumeTiming();
    }
    state.counters["MB"] = bytes / 1e6;
}
BENCHMARK(BM_GenerateWholeBase)->Unit(benchmark::kSecond)->Iterations(1);
