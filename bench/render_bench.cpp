// Reader speed: a 60,000-triangle model from disk, and 1024 x 1024 images.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "render/render.h"
#include "render_fixtures.h"

namespace {

// A grid of quads: 174 x 174 quads, two triangles each, 60,552
// triangles on 30,625 vertices, in 16 groups of one material each.
const std::string& bigModelPath() {
    static std::string path;
    if (!path.empty()) return path;
    Ms3dFile file;
    const int quads = 174, side = quads + 1;
    for (int z = 0; z < side; z++)
        for (int x = 0; x < side; x++) file.vertices.push_back({(float)x, 0.0f, (float)z, 0});
    for (int z = 0; z < quads; z++)
        for (int x = 0; x < quads; x++) {
            uint16_t a = (uint16_t)(z * side + x), b = (uint16_t)(a + 1), c = (uint16_t)(a + side + 1),
                     d = (uint16_t)(a + side);
            file.triangles.push_back(ms3dTriangle(a, b, c));
            file.triangles.push_back(ms3dTriangle(a, c, d));
        }
    const int groups = 16;
    for (int g = 0; g < groups; g++) {
        file.groups.push_back({{}, (int8_t)g});
        file.materials.push_back(ms3dMaterial(""));
    }
    for (size_t t = 0; t < file.triangles.size(); t++)
        file.groups[t % groups].triangles.push_back((uint16_t)t);
    path = "/tmp/korvask-bench-60k.ms3d";
    writeFile(path, file.build());
    return path;
}

void BM_LoadMs3d60kTriangles(benchmark::State& state) {
    const std::string& path = bigModelPath();
    for (auto _ : state) {
        auto model = std::make_unique<Model>();
        bool loaded = model->load(path.c_str());
        benchmark::DoNotOptimize(loaded);
        if (!loaded || model->triangleCount < 60000) state.SkipWithError("model did not load");
    }
    state.counters["triangles"] = 2 * 174 * 174;
}
BENCHMARK(BM_LoadMs3d60kTriangles)->Unit(benchmark::kMillisecond);

Bytes bigBmp(int bits, uint32_t compression) {
    Picture p = testPicture(1024, 1024);
    BmpOptions o;
    o.bits = bits;
    o.compression = compression;
    return makeBmp(p, o);
}

void decodeBmp(benchmark::State& state, const Bytes& bytes) {
    for (auto _ : state) {
        DibImage* image = nullptr;
        if (decodeDib(bytes.data(), bytes.size(), &image) != DibOk) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(image);
        freeDibImage(image);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * 1024 * 1024 * 3);
}

void BM_DecodeBmp1024Rgb24(benchmark::State& state) {
    decodeBmp(state, bigBmp(24, 0));
}
void BM_DecodeBmp1024Pal8(benchmark::State& state) {
    decodeBmp(state, bigBmp(8, 0));
}
void BM_DecodeBmp1024Rle8(benchmark::State& state) {
    decodeBmp(state, bigBmp(8, 1));
}
BENCHMARK(BM_DecodeBmp1024Rgb24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBmp1024Pal8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBmp1024Rle8)->Unit(benchmark::kMillisecond);

void BM_DecodeTga1024(benchmark::State& state) {
    int bits = (int)state.range(0);
    std::vector<uint8_t> pixels((size_t)1024 * 1024 * (bits / 8));
    for (size_t i = 0; i < pixels.size(); i++) pixels[i] = (uint8_t)(i * 7);
    Bytes bytes = makeTga(1024, 1024, bits, pixels);
    for (auto _ : state) {
        TgaPixels out;
        if (!decodeTga(bytes.data(), bytes.size(), &out)) state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.pixels);
        std::free(out.pixels);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)pixels.size());
}
BENCHMARK(BM_DecodeTga1024)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond);

}  // namespace
