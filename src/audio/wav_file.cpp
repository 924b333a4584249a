// Reader for the PCM WAV subset the effect sounds and WAV music are written in.
#include <cstring>

#include "audio/audio.h"
#include "platform/platform.h"

static void setSilence(WavSound* out) {
    out->format = SoundFormatMono16;
    out->data.clear();
    out->frequency = 22050;
    out->loopCount = 0;
    out->loop = false;
}

// The "fmt " fields the game uses, checked for a kind OpenAL can take as is.
struct WavFormat {
    bool usable;
    int format;
    int frequency;
    int frameBytes;
};

static WavFormat readFormatChunk(const uint8_t* chunk, uint32_t length) {
    WavFormat fmt = {false, 0, 0, 0};
    if (length < 16) return fmt;
    uint16_t tag = readU16(chunk);
    uint16_t channels = readU16(chunk + 2);
    uint32_t rate = readU32(chunk + 4);
    uint16_t blockAlign = readU16(chunk + 12);
    uint16_t bits = readU16(chunk + 14);
    // Only plain PCM of the four OpenAL base formats: anything else would reach
    // alBufferData as noise, or as an error left pending for the next check.
    if (tag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return fmt;
    if (rate == 0 || rate > 0x7FFFFFFF) return fmt;
    // The data is cut into frames of this size: a block alignment that
    // disagrees with the channels and bits leaves the frames unknown.
    if (blockAlign != channels * (bits / 8)) return fmt;
    fmt.usable = true;
    if (channels == 1)
        fmt.format = bits == 8 ? SoundFormatMono8 : SoundFormatMono16;
    else
        fmt.format = bits == 8 ? SoundFormatStereo8 : SoundFormatStereo16;
    fmt.frequency = static_cast<int>(rate);
    fmt.frameBytes = channels * (bits / 8);
    return fmt;
}

void parseWavBytes(const uint8_t* bytes, size_t size, WavSound* out) {
    setSilence(out);
    if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return;

    // The RIFF length is not trusted: real files disagree with their own size,
    // so the file's length bounds the walk.
    WavFormat fmt = {false, 0, 0, 0};
    bool fmtSeen = false;
    const uint8_t* data = nullptr;
    size_t dataSize = 0;
    int loopCount = 0;
    size_t offset = 12;
    while (size - offset >= 8) {
        const uint8_t* header = bytes + offset;
        uint32_t length = readU32(header + 4);
        size_t bodyOffset = offset + 8;
        if (length > size - bodyOffset) break;
        const uint8_t* body = bytes + bodyOffset;
        if (std::memcmp(header, "fmt ", 4) == 0) {
            // The first "fmt " describes the data; a later one (even after
            // the data) must not relabel samples already taken.
            if (!fmtSeen) fmt = readFormatChunk(body, length);
            fmtSeen = true;
        } else if (std::memcmp(header, "data", 4) == 0) {
            if (fmt.usable && !data) {
                data = body;
                // A trailing part frame would make OpenAL refuse the buffer.
                dataSize = length - length % static_cast<uint32_t>(fmt.frameBytes);
            }
        } else if (std::memcmp(header, "smpl", 4) == 0) {
            // The loop count sits after seven 32-bit fields; later chunks win.
            if (length >= 32) loopCount = static_cast<int>(readU32(body + 28) & 0x7FFFFFFF);
        }
        size_t next = static_cast<size_t>(length) + (length & 1);
        if (next > size - bodyOffset) break;
        offset = bodyOffset + next;
    }

    out->loopCount = loopCount;
    out->loop = loopCount > 0;
    if (!data || dataSize == 0) return;
    out->format = fmt.format;
    out->frequency = fmt.frequency;
    out->data.assign(data, data + dataSize);
}

void readWavFile(const char* path, WavSound* out) {
    std::vector<uint8_t> bytes;
    if (!platformReadFile(path, &bytes)) {
        setSilence(out);
        return;
    }
    parseWavBytes(bytes.data(), bytes.size(), out);
}
