// Model files: the MS3D parser and the flat triangle list built from it.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A model embeds its flat list and is always made on the heap.
    std::unique_ptr<Model> model(new Model());
    if (model->loadFromBytes(data, size)) model->buildFlatTriangles();
    return 0;
}
