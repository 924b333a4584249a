// 16-bit PCM WAV files with an optional whole-file loop.
#include "content/wav_writer.h"

#include <algorithm>
#include <cmath>

#include "content/image_writer.h"

static void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
static void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}
static void putId(std::vector<uint8_t>& out, const char* id) {
    out.insert(out.end(), id, id + 4);
}

std::vector<uint8_t> encodeWav(const std::vector<float>& samples, int channels, int rate, bool loop) {
    std::vector<uint8_t> out;
    if (channels < 1 || channels > 2 || rate <= 0 || samples.empty() || samples.size() % channels) return out;
    const uint32_t frames = static_cast<uint32_t>(samples.size() / channels);
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    const uint32_t smplBytes = loop ? 36 + 24 : 0;
    putId(out, "RIFF");
    put32(out, 4 + (8 + 16) + (8 + dataBytes) + (loop ? 8 + smplBytes : 0));
    putId(out, "WAVE");
    putId(out, "fmt ");
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, static_cast<uint32_t>(channels));
    put32(out, static_cast<uint32_t>(rate));
    put32(out, static_cast<uint32_t>(rate * channels * 2));
    put16(out, static_cast<uint32_t>(channels * 2));
    put16(out, 16);
    putId(out, "data");
    put32(out, dataBytes);
    for (float s : samples) {
        const long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(out, static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xffff);
    }
    if (loop) {
        putId(out, "smpl");
        put32(out, smplBytes);
        put32(out, 0);                                           // manufacturer
        put32(out, 0);                                           // product
        put32(out, static_cast<uint32_t>(1000000000.0 / rate));  // sample period, ns
        put32(out, 60);                                          // MIDI unity note
        put32(out, 0);                                           // pitch fraction
        put32(out, 0);                                           // SMPTE format
        put32(out, 0);                                           // SMPTE offset
        put32(out, 1);                                           // one loop
        put32(out, 0);                                           // no sampler data
        put32(out, 0);                                           // cue id
        put32(out, 0);                                           // forward loop
        put32(out, 0);                                           // start frame
        put32(out, frames - 1);                                  // end frame, inclusive
        put32(out, 0);                                           // fraction
        put32(out, 0);                                           // play forever
    }
    return out;
}

bool writeWav(const std::string& path, const std::vector<float>& samples, int channels, int rate, bool loop) {
    return writeFileBytes(path, encodeWav(samples, channels, rate, loop));
}
