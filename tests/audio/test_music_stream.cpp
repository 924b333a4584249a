// Music streams: Ogg and WAV opening, the refill queue, looping and its end,
// shared whole-file buffers and what close gives back.
#include <malloc.h>
#include <vorbis/vorbisfile.h>

#include <chrono>
#include <thread>

#include "audio_test_support.h"
#include "platform/scripted.h"

using namespace audiotest;

namespace {

// Frames of 16-bit stereo in one streamed buffer.
constexpr long kStereoFramesPerBuffer = kStreamBufferBytes / 4;

class MusicStreamTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ensureSoundDevice());
        alGetError();
        scriptedReset();
        registryBefore = audio.bufferRegistry.size();
    }
    void TearDown() override {
        stream.close();
        other.close();
        EXPECT_TRUE(scriptedMessageBoxes().empty());
    }

    // An Ogg fixture written once per test binary under the given name.
    static std::string ogg(const std::string& name, int channels, long rate, long frames) {
        std::string path = scratchPath(name);
        if (readBytes(path).empty()) {
            EXPECT_TRUE(writeOgg(path, channels, rate, frames));
        }
        return path;
    }

    std::vector<ALuint> queuedBuffers() {
        std::vector<ALuint> out;
        for (int i = 0; i < stream.streamBufferCount; ++i) out.push_back(stream.streamBuffers[i]);
        return out;
    }

    ogg_int64_t decoderAt() { return ov_pcm_tell(stream.decoder); }

    double queuedTotalSeconds() {
        double seconds = 0;
        for (ALuint b : queuedBuffers()) {
            ALint size = bufferInt(b, AL_SIZE), channels = bufferInt(b, AL_CHANNELS),
                  rate = bufferInt(b, AL_FREQUENCY);
            if (size > 0 && channels > 0 && rate > 0) seconds += (double)size / (2.0 * channels * rate);
        }
        return seconds;
    }

    // Runs update every few milliseconds until done() or the time is up.
    template <typename Done>
    bool pumpUntil(Done done, int milliseconds) {
        for (int waited = 0; waited < milliseconds; waited += 5) {
            stream.update();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    MusicStream stream;
    MusicStream other;
    size_t registryBefore = 0;
};

}  // namespace

TEST_F(MusicStreamTest, StreamedOggQueuesTwoFullBuffersWithGainZero) {
    std::string path = ogg("long.ogg", 2, 44100, kStereoFramesPerBuffer * 2 + 5000);
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    EXPECT_TRUE(stream.streamed);
    EXPECT_EQ(stream.sourceCopy, stream.source);
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);
    // The decoder loops, not the source.
    EXPECT_EQ(sourceInt(stream.source, AL_LOOPING), AL_FALSE);
    float gain = -1;
    alGetSourcef(stream.source, AL_GAIN, &gain);
    EXPECT_EQ(gain, 0.0f);
    for (ALuint b : queuedBuffers()) {
        EXPECT_EQ(bufferInt(b, AL_SIZE), kStreamBufferBytes);
        EXPECT_EQ(bufferInt(b, AL_CHANNELS), 2);
        EXPECT_EQ(bufferInt(b, AL_FREQUENCY), 44100);
        ASSERT_EQ(audio.bufferRegistry.count(b), 1u);
        EXPECT_EQ(audio.bufferRegistry[b].fileName, path);
        EXPECT_EQ(audio.bufferRegistry[b].format, AL_FORMAT_STEREO16);
        EXPECT_TRUE(audio.bufferRegistry[b].streamed);
    }
    EXPECT_EQ(decoderAt(), 2 * kStereoFramesPerBuffer);
    EXPECT_EQ(stream.info->channels, 2);
    EXPECT_EQ(stream.info->rate, 44100);
}

TEST_F(MusicStreamTest, StreamEndingMidBufferUploadsThePartAndGoesOnFromTheStart) {
    const long tail = 30000;
    std::string path = ogg("one-and-a-bit.ogg", 2, 44100, kStereoFramesPerBuffer + tail);
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    std::vector<ALuint> buffers = queuedBuffers();
    ASSERT_EQ(buffers.size(), 2u);
    EXPECT_EQ(bufferInt(buffers[0], AL_SIZE), kStreamBufferBytes);
    EXPECT_EQ(bufferInt(buffers[1], AL_SIZE), tail * 4);
    // The second buffer reached the end, so the next refill starts over.
    EXPECT_EQ(decoderAt(), 0);

    // Let the first buffer finish: its refill is the start of the file again.
    stream.setGain(0.0f);
    stream.play();
    alSourcef(stream.source, AL_SEC_OFFSET, (float)kStereoFramesPerBuffer / 44100.0f - 0.03f);
    ASSERT_TRUE(pumpUntil([&] { return decoderAt() != 0; }, 1500));
    EXPECT_EQ(decoderAt(), kStereoFramesPerBuffer);
    EXPECT_EQ(bufferInt(buffers[0], AL_SIZE), kStreamBufferBytes);
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);

    // Then the partial one: refilled with the rest of the file, which ends
    // inside it again and turns the decoder back to the start.
    alSourcef(stream.source, AL_SEC_OFFSET, (float)tail / 44100.0f - 0.03f);
    ASSERT_TRUE(pumpUntil([&] { return decoderAt() == 0; }, 1500));
    EXPECT_EQ(bufferInt(buffers[1], AL_SIZE), tail * 4);
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);
    EXPECT_TRUE(stream.isPlaying());
}

TEST_F(MusicStreamTest, ShortLoopingStreamFillsEveryBufferFromTheStart) {
    // Shorter than a buffer: each buffer holds the whole file once.
    std::string path = ogg("click.ogg", 1, 22050, 2205);
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    std::vector<ALuint> buffers = queuedBuffers();
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);
    for (ALuint b : buffers) {
        EXPECT_EQ(bufferInt(b, AL_SIZE), 2205 * 2);
        EXPECT_EQ(bufferInt(b, AL_CHANNELS), 1);
    }
    stream.play();
    // 0.1 s a buffer: after a few refills the loop is still whole.
    EXPECT_FALSE(pumpUntil([] { return false; }, 350));
    EXPECT_TRUE(stream.isPlaying());
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);
    for (ALuint b : buffers) EXPECT_EQ(bufferInt(b, AL_SIZE), 2205 * 2);
}

TEST_F(MusicStreamTest, StreamEndingOnABufferEdgeRefillsFromTheStart) {
    // Exactly one buffer long: the second fill finds the end with nothing
    // decoded and takes the start of the file instead of staying empty.
    std::string path = ogg("edge.ogg", 2, 44100, kStereoFramesPerBuffer);
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);
    for (ALuint b : queuedBuffers()) EXPECT_EQ(bufferInt(b, AL_SIZE), kStreamBufferBytes);
    EXPECT_EQ(decoderAt(), kStereoFramesPerBuffer);
}

TEST_F(MusicStreamTest, NonLoopingStreamStopsAndRewindsAtItsEnd) {
    std::string path = ogg("once.ogg", 1, 22050, 3300);
    ASSERT_TRUE(stream.open(path.c_str(), false, true));
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 1);
    stream.play();
    EXPECT_TRUE(stream.isPlaying());
    // 0.15 s of sound, then a stop and a rewind to the first sample.
    ASSERT_TRUE(pumpUntil([&] { return sourceInt(stream.source, AL_SOURCE_STATE) == AL_INITIAL; }, 1500));
    EXPECT_FALSE(stream.isPlaying());
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 1);
    EXPECT_EQ(bufferInt(queuedBuffers()[0], AL_SIZE), 3300 * 2);
    // Updates while rewound change nothing; playing again plays it again.
    stream.update();
    EXPECT_EQ(sourceInt(stream.source, AL_SOURCE_STATE), AL_INITIAL);
    stream.play();
    EXPECT_TRUE(stream.isPlaying());
    ASSERT_TRUE(pumpUntil([&] { return sourceInt(stream.source, AL_SOURCE_STATE) == AL_INITIAL; }, 1500));
}

TEST_F(MusicStreamTest, RewindStopsAndReturnsToTheFirstSample) {
    std::string path = ogg("long.ogg", 2, 44100, kStereoFramesPerBuffer * 2 + 5000);
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    stream.play();
    EXPECT_TRUE(stream.isPlaying());
    stream.rewind();
    EXPECT_EQ(sourceInt(stream.source, AL_SOURCE_STATE), AL_INITIAL);
    EXPECT_EQ(decoderAt(), 0);
    // A stopped stream is not restarted by its refills.
    stream.play();
    stream.stop();
    for (int i = 0; i < 3; ++i) stream.update();
    EXPECT_FALSE(stream.isPlaying());
}

TEST_F(MusicStreamTest, StreamThatRanDryPlaysOnAfterTheRefill) {
    std::string path = ogg("click.ogg", 1, 22050, 2205);
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    stream.play();
    // A long frame: both 0.1 s buffers play out and the source stops.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(sourceInt(stream.source, AL_SOURCE_STATE), AL_STOPPED);
    stream.update();
    EXPECT_TRUE(stream.isPlaying());
    EXPECT_EQ(sourceInt(stream.source, AL_BUFFERS_QUEUED), 2);
}

TEST_F(MusicStreamTest, UpperCaseExtensionAndUnknownKinds) {
    std::string path = ogg("SHOUT.OGG", 2, 44100, 4000);
    EXPECT_TRUE(stream.open(path.c_str(), true, true));
    stream.close();

    std::string text = scratchPath("music.mp3");
    writeBytes(text, rampBytes(100));
    EXPECT_FALSE(stream.open(text.c_str(), true, true));
    EXPECT_EQ(stream.source, 0u);
    // A file named .ogg that is not Ogg Vorbis.
    std::string fake = scratchPath("fake.ogg");
    writeBytes(fake, rampBytes(5000));
    EXPECT_FALSE(stream.open(fake.c_str(), true, true));
    EXPECT_EQ(stream.decoder, nullptr);
    EXPECT_EQ(stream.file, nullptr);
    EXPECT_FALSE(stream.open(scratchPath("missing.ogg").c_str(), true, true));
    EXPECT_FALSE(stream.open(scratchPath("noextension").c_str(), true, true));
    EXPECT_EQ(audio.bufferRegistry.size(), registryBefore);
}

TEST_F(MusicStreamTest, WholeFileOggOpenedTwiceSharesOneBuffer) {
    std::string path = ogg("whole.ogg", 2, 44100, 12345);
    ASSERT_TRUE(stream.open(path.c_str(), false, false));
    EXPECT_FALSE(stream.streamed);
    ALuint buffer = (ALuint)sourceInt(stream.source, AL_BUFFER);
    ASSERT_TRUE(alIsBuffer(buffer));
    EXPECT_EQ(bufferInt(buffer, AL_SIZE), 12345 * 4);
    ASSERT_TRUE(other.open(path.c_str(), false, false));
    EXPECT_NE(other.source, stream.source);
    EXPECT_EQ((ALuint)sourceInt(other.source, AL_BUFFER), buffer);
    EXPECT_EQ(audio.bufferRegistry.size(), registryBefore + 1);

    // A streamed open of the same file makes slices of its own and never
    // hands them to a whole-file open.
    MusicStream streamed;
    ASSERT_TRUE(streamed.open(path.c_str(), true, true));
    other.close();
    ASSERT_TRUE(other.open(path.c_str(), true, false));
    EXPECT_EQ((ALuint)sourceInt(other.source, AL_BUFFER), buffer);
    streamed.close();

    // Closing leaves the shared buffer registered for the next open.
    stream.close();
    other.close();
    EXPECT_TRUE(alIsBuffer(buffer));
    EXPECT_EQ(audio.bufferRegistry.count(buffer), 1u);
}

TEST_F(MusicStreamTest, WholeFileWavIsSharedWithMusicDistances) {
    std::string path = scratchPath("jingle.wav");
    writeBytes(path, pcmWav(2, 22050, 16, rampBytes(4000)));
    ASSERT_TRUE(stream.open(path.c_str(), false, true));
    EXPECT_FALSE(stream.streamed);
    ALuint buffer = (ALuint)sourceInt(stream.source, AL_BUFFER);
    EXPECT_EQ(bufferInt(buffer, AL_SIZE), 4000);
    EXPECT_EQ(bufferInt(buffer, AL_CHANNELS), 2);
    float value = 0;
    alGetSourcef(stream.source, AL_MAX_GAIN, &value);
    EXPECT_FLOAT_EQ(value, 0.8f);
    alGetSourcef(stream.source, AL_MAX_DISTANCE, &value);
    EXPECT_FLOAT_EQ(value, 8.0f);
    alGetSourcef(stream.source, AL_REFERENCE_DISTANCE, &value);
    EXPECT_FLOAT_EQ(value, 10.0f);
    ASSERT_TRUE(other.open(path.c_str(), false, false));
    EXPECT_EQ((ALuint)sourceInt(other.source, AL_BUFFER), buffer);
}

TEST_F(MusicStreamTest, FiftyRacesOfMusicLeaveNoBuffersBehind) {
    std::string path = ogg("long.ogg", 2, 44100, kStereoFramesPerBuffer * 2 + 5000);
    // Warm up once so lazily made OpenAL state is not counted as growth.
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    stream.close();
    const int buffersBefore = liveBufferNames();
    const size_t registered = audio.bufferRegistry.size();
    std::vector<ALuint> seen;
    seen.reserve(50 * kStreamBufferCount);
    // Each open allocates a decoder of some tens of kilobytes: fifty kept
    // would show as megabytes here.
    const size_t heapBefore = mallinfo2().uordblks;
    for (int race = 0; race < 50; ++race) {
        ASSERT_TRUE(stream.open(path.c_str(), true, true));
        stream.play();
        stream.update();
        for (ALuint b : queuedBuffers()) seen.push_back(b);
        stopRaceSounds();
        stream.stop();
        stream.close();
    }
    const size_t heapAfter = mallinfo2().uordblks;
    EXPECT_LT(heapAfter, heapBefore + 256 * 1024) << "heap grew from " << heapBefore << " to " << heapAfter;
    EXPECT_EQ(liveBufferNames(), buffersBefore);
    EXPECT_EQ(audio.bufferRegistry.size(), registered);
    for (ALuint b : seen) EXPECT_FALSE(alIsBuffer(b));
    // Reopening without a close releases the last file too.
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    EXPECT_EQ(liveBufferNames(), buffersBefore + kStreamBufferCount);
}

TEST_F(MusicStreamTest, CorpusOggFilesOpenStreamedAndWhole) {
    struct Case {
        const char* name;
        int channels;
        long frames;
    } cases[] = {
        {"sfml/mouseclick1.ogg", 2, 2618},           {"sfml/error_005.ogg", 1, 22052},
        {"sfml/doodle_pop.ogg", 2, 1058496},         {"mutagen/multipage-setup.ogg", 2, 182080},
        {"mutagen/multipagecomment.ogg", 2, 162496},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = std::string(KORVASK_CORPUS_DIR) + "/ogg/" + c.name;
        ASSERT_TRUE(stream.open(path.c_str(), false, false));
        ALuint buffer = (ALuint)sourceInt(stream.source, AL_BUFFER);
        EXPECT_EQ(bufferInt(buffer, AL_SIZE), c.frames * 2 * c.channels);
        EXPECT_EQ(bufferInt(buffer, AL_CHANNELS), c.channels);
        EXPECT_EQ(bufferInt(buffer, AL_FREQUENCY), 44100);
        stream.close();

        ASSERT_TRUE(stream.open(path.c_str(), true, true));
        long bytes = c.frames * 2 * c.channels;
        long first = bytes < kStreamBufferBytes ? bytes : kStreamBufferBytes;
        EXPECT_EQ(bufferInt(queuedBuffers()[0], AL_SIZE), first);
        stream.close();
    }
}

TEST_F(MusicStreamTest, DamagedOggsNeverHang) {
    std::vector<uint8_t> good = readBytes(ogg("long.ogg", 2, 44100, kStereoFramesPerBuffer * 2 + 5000));
    ASSERT_GT(good.size(), 4000u);
    // Cut short, and with its audio pages scribbled over.
    std::vector<std::vector<uint8_t>> damaged;
    for (size_t cut : {good.size() / 8, good.size() / 2, good.size() - 1})
        damaged.emplace_back(good.begin(), good.begin() + cut);
    std::vector<uint8_t> scribbled = good;
    for (size_t i = 4000; i < scribbled.size(); i += 97) scribbled[i] ^= 0x5A;
    damaged.push_back(scribbled);
    for (size_t i = 0; i < damaged.size(); ++i) {
        SCOPED_TRACE(i);
        std::string path = scratchPath("damaged.ogg");
        writeBytes(path, damaged[i]);
        if (!stream.open(path.c_str(), true, true)) continue;
        for (int refill = 0; refill < 6; ++refill) stream.fill(stream.streamBuffers[0], kStreamBufferBytes);
        stream.close();
        if (stream.open(path.c_str(), false, false)) stream.close();
    }
    // An error state the decoder never leaves ends each fill at once.
    ASSERT_TRUE(stream.open(scratchPath("long.ogg").c_str(), true, true));
    stream.decoder->ready_state = 0;
    EXPECT_FALSE(stream.fill(stream.streamBuffers[0], kStreamBufferBytes));
    stream.play();
    alSourceStop(stream.source);
    stream.update();
    stream.decoder->ready_state = 2;
    alGetError();
    scriptedReset();
}

TEST_F(MusicStreamTest, RewindOpensTheFileAgainAndADamagedFileFallsSilent) {
    std::string path = scratchPath("rewound.ogg");
    ASSERT_TRUE(writeOgg(path, 1, 22050, 30000));
    ASSERT_TRUE(stream.open(path.c_str(), true, true));
    // Half way through, back to the start: the same first samples again.
    ALuint first = queuedBuffers()[0];
    ALint firstSize = bufferInt(first, AL_SIZE);
    stream.rewind();
    EXPECT_EQ(decoderAt(), 0);
    EXPECT_FALSE(stream.decoderFailed);
    EXPECT_TRUE(stream.fill(first, firstSize));
    EXPECT_EQ(decoderAt(), firstSize / 2);

    // The file is damaged while it plays (its pages scribbled over in
    // place): the next return to the start finds no stream and the music
    // stops decoding for good instead of walking the wreck.
    std::vector<uint8_t> bytes = readBytes(path);
    for (uint8_t& b : bytes) b ^= 0xA5;
    FILE* f = std::fopen(path.c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    stream.rewind();
    EXPECT_TRUE(stream.decoderFailed);
    EXPECT_FALSE(stream.fill(first, kStreamBufferBytes));
    stream.play();
    for (int i = 0; i < 3; ++i) stream.update();
    stream.rewind();
    EXPECT_TRUE(stream.decoderFailed);
    // A fresh open starts over (and fails cleanly on the damaged file).
    stream.close();
    EXPECT_FALSE(stream.decoderFailed);
    EXPECT_FALSE(stream.open(path.c_str(), true, true));
    EXPECT_EQ(stream.decoder, nullptr);
    EXPECT_EQ(stream.file, nullptr);
    alGetError();
    scriptedReset();
}

TEST_F(MusicStreamTest, AHardDecodeErrorStopsTheStreamAtOnce) {
    ASSERT_TRUE(
        stream.open(ogg("long.ogg", 2, 44100, kStereoFramesPerBuffer * 2 + 5000).c_str(), true, true));
    // A decoder in a state it cannot read from answers every read with an
    // error that is not a hole.
    stream.decoder->ready_state = 0;
    EXPECT_FALSE(stream.fill(stream.streamBuffers[0], kStreamBufferBytes));
    EXPECT_TRUE(stream.decoderFailed);
    stream.decoder->ready_state = 2;
    // Even readable again, the stream decodes nothing more until reopened.
    EXPECT_FALSE(stream.fill(stream.streamBuffers[0], kStreamBufferBytes));
    stream.rewind();
    EXPECT_FALSE(stream.fill(stream.streamBuffers[0], kStreamBufferBytes));
    alGetError();
    scriptedReset();
}
