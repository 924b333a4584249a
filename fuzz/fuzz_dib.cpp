// BMP files: the DIB reader with every header, palette and compression.
#include <cstddef>
#include <cstdint>

#include "platform/scripted.h"
#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DibImage* image = nullptr;
    if (decodeDib(data, size, &image) == DibOk) {
        // Every converted pixel is read, so a short buffer shows up here.
        volatile uint32_t sum = 0;
        const size_t bytes = (size_t)image->width * (size_t)image->height * 3;
        for (size_t i = 0; i < bytes; i++) sum += image->pixels[i];
        freeDibImage(image);
    }
    // The reader's message boxes are recorded; keep the record from growing.
    scriptedReset();
    return 0;
}
