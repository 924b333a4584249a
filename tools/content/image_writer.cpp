// BMP, TGA and PNG writers over the generator's Image record.
#include "content/image_writer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

Image makeImage(int width, int height, int channels, uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    Image image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.resize(static_cast<size_t>(width) * height * channels);
    const uint8_t colour[4] = {r, g, b, a};
    for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = colour[i % channels];
    return image;
}

static void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

static void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}

static void put32BigEndian(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

static bool isValid(const Image& image) {
    return image.width > 0 && image.height > 0 && (image.channels == 3 || image.channels == 4) &&
           image.pixels.size() == static_cast<size_t>(image.width) * image.height * image.channels;
}

std::vector<uint8_t> encodeBmp(const Image& image) {
    std::vector<uint8_t> out;
    if (!isValid(image)) return out;
    const uint32_t rowBytes = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t dataBytes = rowBytes * static_cast<uint32_t>(image.height);
    const uint32_t offset = 14 + 40;
    out.reserve(offset + dataBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + dataBytes);
    put32(out, 0);  // reserved
    put32(out, offset);
    put32(out, 40);  // info header size
    put32(out, static_cast<uint32_t>(image.width));
    put32(out, static_cast<uint32_t>(image.height));  // positive: bottom-up
    put16(out, 1);                                    // planes
    put16(out, 24);                                   // bits per pixel
    put32(out, 0);                                    // BI_RGB
    put32(out, dataBytes);
    put32(out, 2835);  // 72 dpi, in pixels per metre
    put32(out, 2835);
    put32(out, 0);  // colours used
    put32(out, 0);  // important colours
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = imagePixel(image, x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < rowBytes; ++pad) out.push_back(0);
    }
    return out;
}

std::vector<uint8_t> encodeTga(const Image& image) {
    std::vector<uint8_t> out;
    if (!isValid(image) || image.width > 65535 || image.height > 65535) return out;
    const uint8_t header[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    out.assign(header, header + 12);
    put16(out, static_cast<uint32_t>(image.width));
    put16(out, static_cast<uint32_t>(image.height));
    out.push_back(static_cast<uint8_t>(image.channels * 8));
    // Bottom-left origin; the low bits count the alpha bits.
    out.push_back(image.channels == 4 ? 8 : 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = imagePixel(image, x, y);
            out.push_back(p[2]);
            out.push_back(p[1]);
            out.push_back(p[0]);
            if (image.channels == 4) out.push_back(p[3]);
        }
    }
    return out;
}

uint32_t crc32Bytes(const uint8_t* data, size_t size, uint32_t crc) {
    static uint32_t table[256];
    static bool tableReady = false;
    if (!tableReady) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        tableReady = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}

static void putPngChunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
    put32BigEndian(out, static_cast<uint32_t>(data.size()));
    const size_t typeStart = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32BigEndian(out, crc32Bytes(&out[typeStart], out.size() - typeStart));
}

std::vector<uint8_t> encodePng(const Image& image) {
    std::vector<uint8_t> out;
    if (!isValid(image)) return out;
    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    out.assign(signature, signature + 8);

    std::vector<uint8_t> header;
    put32BigEndian(header, static_cast<uint32_t>(image.width));
    put32BigEndian(header, static_cast<uint32_t>(image.height));
    header.push_back(8);                            // bit depth
    header.push_back(image.channels == 4 ? 6 : 2);  // RGBA or RGB
    header.push_back(0);                            // deflate
    header.push_back(0);                            // adaptive filters
    header.push_back(0);                            // no interlace
    putPngChunk(out, "IHDR", header);

    // Raw scanlines, each with filter type 0, then stored deflate blocks in a zlib wrapper.
    const size_t rowBytes = static_cast<size_t>(image.width) * image.channels;
    std::vector<uint8_t> raw;
    raw.reserve((rowBytes + 1) * image.height);
    for (int y = 0; y < image.height; ++y) {
        raw.push_back(0);
        const uint8_t* row = imagePixel(image, 0, y);
        raw.insert(raw.end(), row, row + rowBytes);
    }
    std::vector<uint8_t> z;
    z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
    z.push_back(0x78);  // deflate, 32 KiB window
    z.push_back(0x01);  // check bits: 0x7801 is a multiple of 31
    size_t pos = 0;
    do {
        const size_t n = raw.size() - pos < 65535 ? raw.size() - pos : 65535;
        z.push_back(pos + n == raw.size() ? 1 : 0);  // final-block flag, type "stored"
        put16(z, static_cast<uint32_t>(n));
        put16(z, static_cast<uint32_t>(~n & 0xffff));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    uint32_t a = 1, b = 0;
    for (uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    put32BigEndian(z, (b << 16) | a);
    putPngChunk(out, "IDAT", z);
    putPngChunk(out, "IEND", {});
    return out;
}

bool writeFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) {
        std::fprintf(stderr, "%s: nothing to write (invalid image or sound)\n", path.c_str());
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !ok) {
        std::fprintf(stderr, "%s: write failed\n", path.c_str());
        return false;
    }
    return true;
}

bool makeDirectories(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string prefix = path.substr(0, i);
            if (mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
                std::fprintf(stderr, "%s: %s\n", prefix.c_str(), std::strerror(errno));
                return false;
            }
        }
    }
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool writeBmp(const std::string& path, const Image& image) {
    return writeFileBytes(path, encodeBmp(image));
}
bool writeTga(const std::string& path, const Image& image) {
    return writeFileBytes(path, encodeTga(image));
}
bool writePng(const std::string& path, const Image& image) {
    return writeFileBytes(path, encodePng(image));
}
