// PNG encoding with stored deflate blocks: a signature, IHDR, one IDAT and IEND.
#include "platform/png_writer.h"

#include "platform/platform.h"

static uint32_t crc32Update(uint32_t crc, const uint8_t* data, size_t size) {
    static uint32_t table[256];
    static bool tableReady = false;
    if (!tableReady) {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int k = 0; k < 8; k++) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[n] = c;
        }
        tableReady = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; i++) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

static void putBigEndian32(std::vector<uint8_t>* out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v >> 24));
    out->push_back(static_cast<uint8_t>(v >> 16));
    out->push_back(static_cast<uint8_t>(v >> 8));
    out->push_back(static_cast<uint8_t>(v));
}

static void putChunk(std::vector<uint8_t>* out, const char type[4], const std::vector<uint8_t>& data) {
    putBigEndian32(out, static_cast<uint32_t>(data.size()));
    size_t typeAt = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    uint32_t crc = crc32Update(0, out->data() + typeAt, 4 + data.size());
    putBigEndian32(out, crc);
}

bool encodePngRgb(const uint8_t* rgb, int width, int height, std::vector<uint8_t>* png) {
    png->clear();
    if (rgb == nullptr || width <= 0 || height <= 0 || width > (1 << 15) || height > (1 << 15)) {
        return false;
    }
    // Raw scanlines, each led by filter type 0.
    const size_t rowBytes = static_cast<size_t>(width) * 3;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * static_cast<size_t>(height));
    for (int y = 0; y < height; y++) {
        raw.push_back(0);
        const uint8_t* row = rgb + rowBytes * static_cast<size_t>(y);
        raw.insert(raw.end(), row, row + rowBytes);
    }

    // zlib stream: header, stored blocks of at most 65535 bytes, Adler-32.
    std::vector<uint8_t> z;
    z.push_back(0x78);
    z.push_back(0x01);
    size_t at = 0;
    do {
        size_t len = raw.size() - at;
        if (len > 65535) {
            len = 65535;
        }
        bool last = at + len == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(len & 0xFF));
        z.push_back(static_cast<uint8_t>(len >> 8));
        z.push_back(static_cast<uint8_t>(~len & 0xFF));
        z.push_back(static_cast<uint8_t>((~len >> 8) & 0xFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + len));
        at += len;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    putBigEndian32(&z, (b << 16) | a);

    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png->insert(png->end(), signature, signature + 8);
    std::vector<uint8_t> header;
    putBigEndian32(&header, static_cast<uint32_t>(width));
    putBigEndian32(&header, static_cast<uint32_t>(height));
    header.push_back(8);  // bit depth
    header.push_back(2);  // colour type RGB
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering
    header.push_back(0);  // no interlace
    putChunk(png, "IHDR", header);
    putChunk(png, "IDAT", z);
    putChunk(png, "IEND", std::vector<uint8_t>());
    return true;
}

bool writePngRgb(const char* path, const uint8_t* rgb, int width, int height) {
    std::vector<uint8_t> png;
    if (!encodePngRgb(rgb, width, height, &png)) {
        return false;
    }
    // Written beside its name and renamed only once whole: a full disk leaves
    // no cut-off picture taking the space the saves need.
    return platformWriteFileAtomic(path, png.data(), png.size());
}
