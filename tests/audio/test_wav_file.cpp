// The WAV reader against hand-made files, damaged copies and the outside corpus.
#include "audio_test_support.h"

using namespace audiotest;

namespace {

std::string corpusWav(const char* name) {
    return std::string(KORVASK_CORPUS_DIR) + "/wav/" + name;
}

void expectSilence(const WavSound& wav) {
    EXPECT_EQ(wav.format, SoundFormatMono16);
    EXPECT_EQ(wav.frequency, 22050);
    EXPECT_TRUE(wav.data.empty());
}

// Every sample byte the reader hands out must be a run of the input itself.
bool dataLiesInside(const WavSound& wav, const std::vector<uint8_t>& file) {
    if (wav.data.empty()) return true;
    if (wav.data.size() > file.size()) return false;
    for (size_t start = 0; start + wav.data.size() <= file.size(); ++start) {
        if (std::memcmp(file.data() + start, wav.data.data(), wav.data.size()) == 0) return true;
    }
    return false;
}

}  // namespace

TEST(WavFile, FormatsFollowChannelsAndBits) {
    struct Case {
        uint16_t channels, bits;
        int format;
    } cases[] = {
        {1, 8, SoundFormatMono8},
        {2, 8, SoundFormatStereo8},
        {1, 16, SoundFormatMono16},
        {2, 16, SoundFormatStereo16},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> samples = rampBytes(400);
        std::vector<uint8_t> file = pcmWav(c.channels, 11025, c.bits, samples);
        WavSound wav;
        parseWavBytes(file.data(), file.size(), &wav);
        EXPECT_EQ(wav.format, c.format) << c.channels << " channels, " << c.bits << " bits";
        EXPECT_EQ(wav.frequency, 11025);
        EXPECT_EQ(wav.data, samples);
        EXPECT_FALSE(wav.loop);
    }
}

TEST(WavFile, ChunksAreWalkedWithPaddingAndLoopCountsRead) {
    // JUNK of odd length before fmt, smpl before and after data: the pad byte
    // must be skipped for the next chunk to be found, and the later smpl wins.
    std::vector<uint8_t> chunks;
    putChunk(&chunks, "JUNK", rampBytes(9));
    putChunk(&chunks, "smpl", smplBody(1));
    putChunk(&chunks, "fmt ", fmtBody(1, 1, 8000, 8));
    putChunk(&chunks, "data", rampBytes(301));
    putChunk(&chunks, "smpl", smplBody(3));
    std::vector<uint8_t> file = riff(chunks);
    WavSound wav;
    parseWavBytes(file.data(), file.size(), &wav);
    EXPECT_EQ(wav.format, SoundFormatMono8);
    EXPECT_EQ(wav.data, rampBytes(301));
    EXPECT_EQ(wav.loopCount, 3);
    EXPECT_TRUE(wav.loop);
}

TEST(WavFile, UnusableInputGivesSilence) {
    std::vector<std::vector<uint8_t>> files;
    // Data before any fmt; fmt of another tag; 24-bit; six channels; rate 0.
    {
        std::vector<uint8_t> c;
        putChunk(&c, "data", rampBytes(64));
        putChunk(&c, "fmt ", fmtBody(1, 1, 8000, 16));
        files.push_back(riff(c));
    }
    files.push_back(riff([] {
        std::vector<uint8_t> c;
        putChunk(&c, "fmt ", fmtBody(3, 1, 8000, 32));
        putChunk(&c, "data", rampBytes(64));
        return c;
    }()));
    files.push_back(pcmWav(1, 8000, 24, rampBytes(60)));
    files.push_back(pcmWav(6, 8000, 16, rampBytes(120)));
    files.push_back(pcmWav(1, 0, 16, rampBytes(64)));
    // Not RIFF at all, and a RIFF of another form.
    files.push_back(rampBytes(100));
    {
        std::vector<uint8_t> f = pcmWav(1, 8000, 16, rampBytes(64));
        std::memcpy(f.data() + 8, "AVI ", 4);
        files.push_back(f);
    }
    // A data chunk claiming more than the file holds ends the walk.
    {
        std::vector<uint8_t> f = pcmWav(1, 8000, 16, rampBytes(64));
        f[40] = 0xA0;
        f[41] = 0x86;
        f[42] = 0x01;
        files.push_back(f);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        WavSound wav;
        parseWavBytes(files[i].data(), files[i].size(), &wav);
        SCOPED_TRACE(i);
        expectSilence(wav);
    }
    WavSound missing;
    readWavFile(scratchPath("no-such-file.wav").c_str(), &missing);
    expectSilence(missing);
}

TEST(WavFile, TrailingPartFrameIsDropped) {
    // 16-bit stereo frames are 4 bytes; OpenAL refuses any other length.
    std::vector<uint8_t> file = pcmWav(2, 8000, 16, rampBytes(403));
    WavSound wav;
    parseWavBytes(file.data(), file.size(), &wav);
    ASSERT_EQ(wav.data.size(), 400u);
    EXPECT_TRUE(std::equal(wav.data.begin(), wav.data.end(), rampBytes(403).begin()));
}

TEST(WavFile, TheFirstFormatChunkDescribesTheData) {
    // A later "fmt " (after the data, or a second one before it) must not
    // relabel the samples: 0 Hz, or frames that do not fit the data.
    std::vector<uint8_t> samples = rampBytes(400);
    struct Case {
        const char* name;
        std::vector<std::vector<uint8_t>> fmts;
        bool fmtsAfterData;
        int format, frequency;
        size_t bytes;
    } cases[] = {
        {"zero-rate fmt after data",
         {fmtBody(1, 1, 11025, 16), fmtBody(1, 2, 0, 16)},
         true,
         SoundFormatMono16,
         11025,
         400},
        {"stereo fmt after data",
         {fmtBody(1, 1, 8000, 8), fmtBody(1, 2, 44100, 16)},
         true,
         SoundFormatMono8,
         8000,
         400},
        {"two fmts before data",
         {fmtBody(1, 2, 22050, 16), fmtBody(1, 1, 8000, 8)},
         false,
         SoundFormatStereo16,
         22050,
         400},
        {"unusable first fmt",
         {fmtBody(3, 1, 8000, 32), fmtBody(1, 1, 8000, 8)},
         false,
         SoundFormatMono16,
         22050,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> chunks;
        putChunk(&chunks, "fmt ", c.fmts[0]);
        if (!c.fmtsAfterData) putChunk(&chunks, "fmt ", c.fmts[1]);
        putChunk(&chunks, "data", samples);
        if (c.fmtsAfterData) putChunk(&chunks, "fmt ", c.fmts[1]);
        std::vector<uint8_t> file = riff(chunks);
        WavSound wav;
        parseWavBytes(file.data(), file.size(), &wav);
        EXPECT_EQ(wav.format, c.format);
        EXPECT_EQ(wav.frequency, c.frequency);
        EXPECT_EQ(wav.data.size(), c.bytes);
    }
}

TEST(WavFile, ABlockAlignmentThatDisagreesWithTheFormatIsRefused) {
    for (uint16_t blockAlign : {0, 1, 3, 8}) {
        SCOPED_TRACE(blockAlign);
        std::vector<uint8_t> fmt = fmtBody(1, 2, 22050, 16);  // frames of 4 bytes
        fmt[12] = (uint8_t)blockAlign;
        fmt[13] = 0;
        std::vector<uint8_t> chunks;
        putChunk(&chunks, "fmt ", fmt);
        putChunk(&chunks, "data", rampBytes(402));
        std::vector<uint8_t> file = riff(chunks);
        WavSound wav;
        parseWavBytes(file.data(), file.size(), &wav);
        expectSilence(wav);
    }
}

TEST(WavFile, EveryTruncationAndCorruptCountStaysInsideTheFile) {
    std::vector<uint8_t> chunks;
    putChunk(&chunks, "fmt ", fmtBody(1, 2, 22050, 16));
    putChunk(&chunks, "smpl", smplBody(2));
    putChunk(&chunks, "data", rampBytes(64));
    putChunk(&chunks, "LIST", rampBytes(5));
    std::vector<uint8_t> file = riff(chunks);

    for (size_t cut = 0; cut <= file.size(); ++cut) {
        std::vector<uint8_t> part(file.begin(), file.begin() + cut);
        WavSound wav;
        parseWavBytes(part.data(), part.size(), &wav);
        ASSERT_TRUE(dataLiesInside(wav, part)) << "cut at " << cut;
        // Until the data chunk is complete there is nothing to play.
        if (cut < 12 + 24 + (8 + 84) + 8 + 64) {
            EXPECT_TRUE(wav.data.empty()) << "cut at " << cut;
        }
    }
    const uint32_t lies[] = {0, 1, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu, (uint32_t)file.size()};
    for (size_t at = 0; at + 4 <= file.size(); ++at) {
        for (uint32_t lie : lies) {
            std::vector<uint8_t> bad = file;
            for (int i = 0; i < 4; ++i) bad[at + i] = (uint8_t)(lie >> (8 * i));
            WavSound wav;
            parseWavBytes(bad.data(), bad.size(), &wav);
            ASSERT_TRUE(dataLiesInside(wav, bad)) << "count " << lie << " at " << at;
        }
    }
}

TEST(WavFile, CorpusFilesReadAsTheirLayoutsSay) {
    struct Case {
        const char* name;
        int format;
        int frequency;
        size_t bytes;
        int loopCount;
    } cases[] = {
        {"wavefile/valid/mono_pcm_8_44100.wav", SoundFormatMono8, 44100, 2240, 0},
        {"wavefile/valid/stereo_pcm_8_44100.wav", SoundFormatStereo8, 44100, 4480, 0},
        {"wavefile/valid/mono_pcm_16_44100.wav", SoundFormatMono16, 44100, 4480, 0},
        {"wavefile/valid/stereo_pcm_16_44100.wav", SoundFormatStereo16, 44100, 8960, 0},
        {"wavefile/valid/mono_pcm_8_44100_with_padding_byte.wav", SoundFormatMono8, 44100, 2241, 0},
        {"wavefile/valid/mono_pcm_16_44100_junk_chunk_with_padding_byte.wav", SoundFormatMono16, 44100, 4480,
         0},
        {"wavefile/valid/mono_pcm_16_44100_junk_chunk_final_chunk_missing_padding_byte.wav",
         SoundFormatMono16, 44100, 4480, 0},
        {"wavefile/valid/format_chunk_with_extra_bytes.wav", SoundFormatMono8, 44100, 2240, 0},
        {"wavefile/valid/with_smpl_chunk_before_data_chunk.wav", SoundFormatStereo16, 44100, 8960, 1},
        {"wavefile/valid/with_smpl_chunk_after_data_chunk.wav", SoundFormatStereo16, 44100, 8960, 1},
        {"wavefile/valid/with_smpl_chunk_after_data_chunk_and_data_chunk_has_padding_byte.wav",
         SoundFormatMono8, 44100, 2241, 1},
        {"wavefile/valid/with_smpl_chunk_no_loops.wav", SoundFormatStereo16, 44100, 8960, 0},
        {"wavefile/valid/with_smpl_chunk_with_sampler_specific_data.wav", SoundFormatStereo16, 44100, 8960,
         1},
        // Two smpl chunks: the one after the data is the last read and wins.
        {"wavefile/valid/with_multiple_smpl_chunks_before_and_after_data_chunk.wav", SoundFormatMono8, 44100,
         2240, 2},
        {"wavefile/invalid/smpl_chunk_loop_count_too_high.wav", SoundFormatStereo16, 44100, 8960, 2},
        // The smpl chunk runs past the end and ends the walk; the samples stay.
        {"wavefile/invalid/smpl_chunk_truncated.wav", SoundFormatStereo16, 44100, 8960, 0},
        {"wavefile/invalid/smpl_chunk_empty.wav", SoundFormatStereo16, 44100, 8960, 0},
        {"go-audio/kick.wav", SoundFormatMono16, 22050, 8968, 0},
        {"go-audio/flloop.wav", SoundFormatStereo16, 44100, 433124, 1},
        {"wavinfo/alarm_citizen_loop1.wav", SoundFormatMono16, 22050, 199020, 1},
        {"wavinfo/alarm_citizen_loop1_udata.wav", SoundFormatMono16, 22050, 199020, 1},
        {"sfml/ball.wav", SoundFormatStereo8, 44100, 4848, 0},
        {"sfml/killdeer.wav", SoundFormatMono8, 22050, 112941, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WavSound wav;
        readWavFile(corpusWav(c.name).c_str(), &wav);
        EXPECT_EQ(wav.format, c.format);
        EXPECT_EQ(wav.frequency, c.frequency);
        EXPECT_EQ(wav.data.size(), c.bytes);
        EXPECT_EQ(wav.loopCount, c.loopCount);
        EXPECT_TRUE(dataLiesInside(wav, readBytes(corpusWav(c.name))));
    }
    // Unusable files all fall back to silence.
    const char* silent[] = {
        "wavefile/valid/no_samples.wav",
        "wavefile/valid/extensible_stereo_pcm_16_44100.wav",
        "wavefile/invalid/format_chunk_after_data_chunk.wav",
        "wavefile/invalid/data_chunk_truncated.wav",
        "wavefile/invalid/no_data_chunk.wav",
        "wavefile/invalid/empty.wav",
        "wavefile/invalid/incomplete_riff_header.wav",
        "wavefile/invalid/empty_format_chunk.wav",
        "wavefile/unsupported/unsupported_audio_format.wav",
        "wavefile/unsupported/unsupported_bits_per_sample.wav",
    };
    for (const char* name : silent) {
        SCOPED_TRACE(name);
        WavSound wav;
        readWavFile(corpusWav(name).c_str(), &wav);
        expectSilence(wav);
    }
}
