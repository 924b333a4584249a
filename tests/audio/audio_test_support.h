// Fixture makers and the shared sound device for the audio tests.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "test_support.h"

namespace audiotest {

// Opens the sound device once for the whole test binary, on OpenAL Soft's
// silent backend unless the caller already chose one.
inline bool ensureSoundDevice() {
    return openSilentSoundDevice();
}

// A folder of its own under /tmp for files a test writes.
inline std::string scratchDir() {
    static std::string dir;
    if (dir.empty()) {
        char pattern[] = "/tmp/korvask-audio-XXXXXX";
        const char* made = mkdtemp(pattern);
        dir = made ? made : "/tmp";
        if (made)
            std::atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(dir, ignored);
            });
    }
    return dir;
}

inline std::string scratchPath(const std::string& name) {
    return scratchDir() + "/" + name;
}

inline void putLe32(std::vector<uint8_t>* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out->push_back((uint8_t)(v >> (8 * i)));
}

inline void putLe16(std::vector<uint8_t>* out, uint16_t v) {
    out->push_back((uint8_t)v);
    out->push_back((uint8_t)(v >> 8));
}

inline void putId(std::vector<uint8_t>* out, const char* id) {
    out->insert(out->end(), id, id + 4);
}

inline void putChunk(std::vector<uint8_t>* out, const char* id, const std::vector<uint8_t>& body) {
    putId(out, id);
    putLe32(out, (uint32_t)body.size());
    out->insert(out->end(), body.begin(), body.end());
    if (body.size() & 1) out->push_back(0);
}

inline std::vector<uint8_t> fmtBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> b;
    putLe16(&b, tag);
    putLe16(&b, channels);
    putLe32(&b, rate);
    putLe32(&b, rate * channels * (bits / 8));
    putLe16(&b, (uint16_t)(channels * (bits / 8)));
    putLe16(&b, bits);
    return b;
}

inline std::vector<uint8_t> smplBody(uint32_t loops) {
    std::vector<uint8_t> b(36, 0);
    b[28] = (uint8_t)loops;
    for (uint32_t i = 0; i < loops; ++i) b.resize(b.size() + 24, 0);
    return b;
}

// A RIFF/WAVE file from chunks already laid out; the RIFF length is honest.
inline std::vector<uint8_t> riff(const std::vector<uint8_t>& chunks) {
    std::vector<uint8_t> out;
    putId(&out, "RIFF");
    putLe32(&out, (uint32_t)(chunks.size() + 4));
    putId(&out, "WAVE");
    out.insert(out.end(), chunks.begin(), chunks.end());
    return out;
}

// A PCM WAV holding the given sample bytes.
inline std::vector<uint8_t> pcmWav(uint16_t channels, uint32_t rate, uint16_t bits,
                                   const std::vector<uint8_t>& samples) {
    std::vector<uint8_t> chunks;
    putChunk(&chunks, "fmt ", fmtBody(1, channels, rate, bits));
    putChunk(&chunks, "data", samples);
    return riff(chunks);
}

// Bytes counting 0, 1, 2, ... so a copy can be told from its source position.
inline std::vector<uint8_t> rampBytes(size_t count) {
    std::vector<uint8_t> v(count);
    for (size_t i = 0; i < count; ++i) v[i] = (uint8_t)(i * 7 + 3);
    return v;
}

inline bool writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::vector<uint8_t> out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + got);
    std::fclose(f);
    return out;
}

// Encodes frames of a tone of hz (one channel an octave above the other) as
// Ogg Vorbis; the decoded length is exactly frames per channel.
inline bool writeOgg(const std::string& path, int channels, long rate, long frames, double hz = 440.0) {
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, 0.1f) != 0) {
        vorbis_info_clear(&vi);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 7);

    std::vector<uint8_t> bytes;
    auto takePage = [&bytes](const ogg_page& page) {
        bytes.insert(bytes.end(), page.header, page.header + page.header_len);
        bytes.insert(bytes.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, headerComment, headerCode;
    vorbis_analysis_headerout(&vd, &vc, &header, &headerComment, &headerCode);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &headerComment);
    ogg_stream_packetin(&os, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) takePage(page);

    const long block = 1024;
    long written = 0;
    bool eos = false;
    while (!eos) {
        long n = frames - written < block ? frames - written : block;
        if (n > 0) {
            float** in = vorbis_analysis_buffer(&vd, (int)n);
            for (long i = 0; i < n; ++i) {
                double t = (double)(written + i) / (double)rate;
                for (int c = 0; c < channels; ++c)
                    in[c][i] = (float)(0.25 * std::sin(2.0 * M_PI * hz * (c + 1) * t));
            }
            vorbis_analysis_wrote(&vd, (int)n);
            written += n;
        } else {
            vorbis_analysis_wrote(&vd, 0);
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    takePage(page);
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            while (ogg_stream_flush(&os, &page) != 0) {
                takePage(page);
                if (ogg_page_eos(&page)) eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return writeBytes(path, bytes);
}

inline ALint bufferInt(ALuint buffer, ALenum param) {
    ALint value = -1;
    alGetBufferi(buffer, param, &value);
    return value;
}

inline ALint sourceInt(ALuint source, ALenum param) {
    ALint value = -1;
    alGetSourcei(source, param, &value);
    return value;
}

// Count of OpenAL buffer names alive among the first few thousand: OpenAL
// Soft hands out small names, so growth shows up here.
inline int liveBufferNames() {
    int count = 0;
    for (ALuint name = 1; name < 4096; ++name) count += alIsBuffer(name) ? 1 : 0;
    return count;
}

}  // namespace audiotest
