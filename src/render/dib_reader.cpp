// BMP (device-independent bitmap) files to packed 24-bit RGB.
//
// The game's textures are BMP files that a modder may replace with anything a
// paint program writes, so the reader takes every depth and compression of
// the classic formats (core and info headers; 1, 2, 4, 8, 16, 24 and 32 bits;
// RLE4 and RLE8; 16- and 32-bit bit-field masks; bottom-up or top-down) and
// converts them itself, checking every count against the bytes it was given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/platform.h"
#include "render/render.h"
#include "render/render_local.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;
constexpr uint32_t kInfoHeaderBytes = 40;

enum : uint32_t {
    kCompressionNone = 0,
    kCompressionRle8 = 1,
    kCompressionRle4 = 2,
    kCompressionBitFields = 3,
    kCompressionAlphaBitFields = 6,
};

// Nothing the game draws comes near this; it keeps a lying header from
// asking for gigabytes even when the file is large enough to back it.
constexpr uint64_t kMaxPixels = 1u << 26;
// An RLE pair paints at most 255 pixels from 2 bytes; an image that needs
// more than this per byte of its stream is mostly skipped, and refused.
constexpr uint64_t kMaxRlePixelsPerByte = 256;

struct Rgb {
    uint8_t r, g, b;
};

// One colour channel of a bit-field pixel.
struct Channel {
    uint32_t mask;
    int shift;
    uint64_t maximum;  // all ones in the mask's width; 0 when the mask is 0
};

struct DibLayout {
    int64_t width;
    int64_t height;  // rows, always positive here
    bool topDown;
    int bitCount;
    uint32_t compression;
    size_t pixelStart;
    Rgb palette[256];
    uint32_t paletteCount;  // entries actually read, at most 256
    Channel channels[3];    // red, green, blue for 16 and 32 bits
};

bool makeChannel(uint32_t mask, int bitCount, Channel* out) {
    out->mask = mask;
    out->shift = 0;
    out->maximum = 0;
    if (mask == 0) return true;
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    while (!((mask >> out->shift) & 1u)) out->shift++;
    uint64_t shifted = mask >> out->shift;
    // Only a contiguous run of ones scales to a channel.
    if ((shifted & (shifted + 1)) != 0) return false;
    out->maximum = shifted;
    return true;
}

uint8_t channelValue(const Channel& channel, uint32_t pixel) {
    if (channel.maximum == 0) return 0;
    uint64_t value = (pixel & channel.mask) >> channel.shift;
    return static_cast<uint8_t>((value * 255 + channel.maximum / 2) / channel.maximum);
}

bool setChannels(DibLayout& dib, uint32_t red, uint32_t green, uint32_t blue) {
    if ((red & green) || (red & blue) || (green & blue)) return false;
    return makeChannel(red, dib.bitCount, &dib.channels[0]) &&
           makeChannel(green, dib.bitCount, &dib.channels[1]) &&
           makeChannel(blue, dib.bitCount, &dib.channels[2]);
}

bool validCompression(int bitCount, uint32_t compression) {
    switch (compression) {
        case kCompressionNone:
            return bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
                   bitCount == 24 || bitCount == 32;
        case kCompressionRle8:
            return bitCount == 8;
        case kCompressionRle4:
            return bitCount == 4;
        case kCompressionBitFields:
        case kCompressionAlphaBitFields:
            return bitCount == 16 || bitCount == 32;
        default:
            return false;
    }
}

// Reads the headers, masks and palette; every offset is checked against size.
DibResult parseLayout(const uint8_t* data, size_t size, DibLayout& dib) {
    size_t start = 0;
    bool fileHeader = false;
    uint32_t pixelOffset = 0;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        if (size < kFileHeaderBytes) return DibUnknownFormat;
        pixelOffset = readU32(data + 10);
        fileHeader = true;
        start = kFileHeaderBytes;
    }
    if (size - start < 4) return DibUnknownFormat;
    const uint8_t* header = data + start;
    uint32_t headerSize = readU32(header);
    if (headerSize != kCoreHeaderBytes && headerSize != kInfoHeaderBytes) return DibUnknownFormat;
    if (size - start < headerSize) return DibConversionError;

    uint32_t colours;
    size_t entryBytes;
    size_t maskBytes = 0;
    int planes;
    if (headerSize == kCoreHeaderBytes) {
        dib.width = readU16(header + 4);
        dib.height = readU16(header + 6);
        planes = readU16(header + 8);
        dib.bitCount = readU16(header + 10);
        dib.compression = kCompressionNone;
        colours = dib.bitCount <= 8 ? 1u << dib.bitCount : 0;
        entryBytes = 3;
    } else {
        dib.width = readI32(header + 4);
        dib.height = readI32(header + 8);
        planes = readU16(header + 12);
        dib.bitCount = readU16(header + 14);
        dib.compression = readU32(header + 16);
        uint32_t used = readU32(header + 32);
        colours = used != 0 ? used : (dib.bitCount <= 8 ? 1u << dib.bitCount : 0);
        entryBytes = 4;
        if (dib.compression == kCompressionBitFields) maskBytes = 12;
        if (dib.compression == kCompressionAlphaBitFields) maskBytes = 16;
    }
    if (planes != 1 || !validCompression(dib.bitCount, dib.compression)) return DibConversionError;
    dib.topDown = dib.height < 0;
    if (dib.topDown) dib.height = -dib.height;
    if (dib.width <= 0 || dib.height <= 0) return DibConversionError;
    // A top-down bitmap cannot be run-length encoded.
    if (dib.topDown && dib.compression != kCompressionNone && dib.compression != kCompressionBitFields &&
        dib.compression != kCompressionAlphaBitFields)
        return DibConversionError;
    if (static_cast<uint64_t>(dib.width) * static_cast<uint64_t>(dib.height) > kMaxPixels)
        return DibConversionError;

    // Masks, then the palette (which a 16-, 24- or 32-bit file may carry
    // unused), both bounded by the file.
    size_t maskStart = start + headerSize;
    if (size - maskStart < maskBytes) return DibConversionError;
    if (dib.bitCount == 16 && maskBytes == 0) {
        setChannels(dib, 0x7C00, 0x03E0, 0x001F);
    } else if (dib.bitCount == 32 && maskBytes == 0) {
        setChannels(dib, 0xFF0000, 0x00FF00, 0x0000FF);
    } else if (maskBytes != 0) {
        if (!setChannels(dib, readU32(data + maskStart), readU32(data + maskStart + 4),
                         readU32(data + maskStart + 8)))
            return DibConversionError;
    }
    size_t paletteStart = maskStart + maskBytes;
    if (static_cast<uint64_t>(colours) * entryBytes > static_cast<uint64_t>(size - paletteStart))
        return DibConversionError;
    size_t paletteBytes = static_cast<size_t>(colours) * entryBytes;
    std::memset(dib.palette, 0, sizeof dib.palette);
    dib.paletteCount = colours < 256 ? colours : 256;
    if (dib.bitCount > 8) dib.paletteCount = 0;
    for (uint32_t i = 0; i < dib.paletteCount; i++) {
        const uint8_t* entry = data + paletteStart + i * entryBytes;
        dib.palette[i] = Rgb{entry[2], entry[1], entry[0]};
    }

    dib.pixelStart = fileHeader ? pixelOffset : paletteStart + paletteBytes;
    if (dib.pixelStart > size) return DibConversionError;

    // The pixel data must back every row (the last row's padding may be
    // missing), or, compressed, be large enough to plausibly paint them.
    size_t available = size - dib.pixelStart;
    uint64_t pixelCount = static_cast<uint64_t>(dib.width) * static_cast<uint64_t>(dib.height);
    if (dib.compression == kCompressionRle8 || dib.compression == kCompressionRle4) {
        if (pixelCount > static_cast<uint64_t>(available) * kMaxRlePixelsPerByte) return DibConversionError;
    } else {
        uint64_t rowBits = static_cast<uint64_t>(dib.width) * static_cast<uint64_t>(dib.bitCount);
        uint64_t stride = (rowBits + 31) / 32 * 4;
        uint64_t needed = stride * static_cast<uint64_t>(dib.height - 1) + (rowBits + 7) / 8;
        if (needed > available) return DibConversionError;
    }
    return DibOk;
}

Rgb paletteColour(const DibLayout& dib, uint32_t index) {
    // Indices past the palette (a short or lying palette) read as black.
    return index < dib.paletteCount ? dib.palette[index] : Rgb{0, 0, 0};
}

void putPixel(uint8_t* out, Rgb colour) {
    out[0] = colour.r;
    out[1] = colour.g;
    out[2] = colour.b;
}

void convertRow(const DibLayout& dib, const uint8_t* row, uint8_t* out) {
    int bits = dib.bitCount;
    for (int64_t x = 0; x < dib.width; x++, out += 3) {
        if (bits <= 8) {
            uint64_t bit = static_cast<uint64_t>(x) * bits;
            int shift = 8 - bits - static_cast<int>(bit % 8);
            uint32_t index = (row[bit / 8] >> shift) & ((1u << bits) - 1);
            putPixel(out, paletteColour(dib, index));
        } else if (bits == 24) {
            const uint8_t* p = row + x * 3;
            putPixel(out, Rgb{p[2], p[1], p[0]});
        } else {
            uint32_t pixel = bits == 16 ? readU16(row + x * 2) : readU32(row + x * 4);
            putPixel(out, Rgb{channelValue(dib.channels[0], pixel), channelValue(dib.channels[1], pixel),
                              channelValue(dib.channels[2], pixel)});
        }
    }
}

void convertUncompressed(const uint8_t* data, const DibLayout& dib, uint8_t* pixels) {
    size_t stride = static_cast<size_t>((static_cast<uint64_t>(dib.width) * dib.bitCount + 31) / 32 * 4);
    size_t outStride = static_cast<size_t>(dib.width) * 3;
    for (int64_t r = 0; r < dib.height; r++) {
        // Our rows go bottom first; a top-down file stores the top row first.
        int64_t outRow = dib.topDown ? dib.height - 1 - r : r;
        convertRow(dib, data + dib.pixelStart + static_cast<size_t>(r) * stride,
                   pixels + static_cast<size_t>(outRow) * outStride);
    }
}

// Run-length data paints a bottom-up image; skipped pixels stay black, runs
// past the row's end are clipped, and a stream that stops early (no end
// marker) leaves the rest unpainted.
void convertRle(const uint8_t* data, size_t size, const DibLayout& dib, uint8_t* pixels) {
    bool rle8 = dib.compression == kCompressionRle8;
    uint64_t x = 0, y = 0;
    size_t p = dib.pixelStart;
    auto put = [&](uint32_t index) {
        if (x < static_cast<uint64_t>(dib.width) && y < static_cast<uint64_t>(dib.height))
            putPixel(
                pixels +
                    (static_cast<size_t>(y) * static_cast<size_t>(dib.width) + static_cast<size_t>(x)) * 3,
                paletteColour(dib, index));
        x++;
    };
    while (y < static_cast<uint64_t>(dib.height) && size - p >= 2) {
        uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; i++) put(rle8 ? value : (i % 2 == 0 ? value >> 4 : value & 15));
        } else if (value == 0) {
            x = 0;
            y++;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (size - p < 2) break;
            x += data[p];
            y += data[p + 1];
            p += 2;
        } else {
            size_t bytes = rle8 ? value : (value + 1u) / 2;
            if (size - p < bytes) break;
            for (int i = 0; i < value; i++) {
                uint8_t byte = data[p + (rle8 ? i : i / 2)];
                put(rle8 ? byte : (i % 2 == 0 ? byte >> 4 : byte & 15));
            }
            // Absolute runs are padded to a 16-bit boundary.
            size_t padded = (bytes + 1) & ~static_cast<size_t>(1);
            p += padded <= size - p ? padded : size - p;
        }
    }
}

void showDibMessage(const char* text) {
    platformMessageBox(text, "Error", MB_OK | MB_ICONERROR);
}

}  // namespace

DibResult decodeDib(const uint8_t* data, size_t size, DibImage** out) {
    *out = nullptr;
    DibLayout dib;
    DibResult result = parseLayout(data, size, dib);
    if (result != DibOk) return result;
    uint8_t* pixels = static_cast<uint8_t*>(std::calloc(texturePixelBlockBytes(dib.width, dib.height, 3), 1));
    DibImage* image = new (std::nothrow) DibImage;
    if (!pixels || !image) {
        std::free(pixels);
        delete image;
        return DibOutOfMemory;
    }
    if (dib.compression == kCompressionRle8 || dib.compression == kCompressionRle4)
        convertRle(data, size, dib, pixels);
    else
        convertUncompressed(data, dib, pixels);
    image->width = static_cast<int32_t>(dib.width);
    image->height = static_cast<int32_t>(dib.height);
    image->pixels = pixels;
    *out = image;
    return DibOk;
}

DibImage* loadDibImage(const char* path) {
    // A missing file is not worth a message: the caller falls back quietly.
    FILE* probe = platformOpenFile(path, "r");
    if (!probe) return nullptr;
    std::fclose(probe);

    std::vector<uint8_t> bytes;
    if (!platformReadFile(path, &bytes) || bytes.empty()) {
        char text[600];
        std::snprintf(text, sizeof text, "Failed to open DIB file %s.\n", path);
        showDibMessage(text);
        return nullptr;
    }
    DibImage* image = nullptr;
    DibResult result = decodeDib(bytes.data(), bytes.size(), &image);
    switch (result) {
        case DibOk:
            return image;
        case DibUnknownFormat:
            showDibMessage("Unknown DIB file format.");
            break;
        case DibConversionError:
            showDibMessage("Image file conversion error.");
            break;
        case DibOutOfMemory:
            showDibMessage("Out of memory.");
            break;
    }
    return nullptr;
}

void freeDibImage(DibImage* image) {
    if (!image) return;
    std::free(image->pixels);
    delete image;
}
