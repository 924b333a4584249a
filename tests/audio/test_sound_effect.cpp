// The sound device, effect sounds reaching OpenAL and the error report.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "audio/audio_local.h"
#include "audio_test_support.h"
#include "platform/scripted.h"

using namespace audiotest;

namespace {

class SoundEffectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(ensureSoundDevice());
        alGetError();
        scriptedReset();
    }
};

std::string writeWav(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::string path = scratchPath(name);
    EXPECT_TRUE(writeBytes(path, bytes));
    return path;
}

}  // namespace

TEST(SoundDevice, MissingDeviceEndsWithOneLineOnStderr) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A fresh process whose OpenAL has no backend at all, as on a machine with
    // no sound hardware and no silent driver chosen.
    EXPECT_EXIT(
        {
            setenv("ALSOFT_DRIVERS", "no-such-backend", 1);
            setenv("ALSOFT_LOGLEVEL", "0", 1);
            if (!openSoundDevice()) std::exit(-1);
            std::exit(0);
        },
        ::testing::ExitedWithCode(255), "no sound device");
}

TEST_F(SoundEffectTest, DeviceHasACurrentContextAndClampedInverseDistance) {
    ASSERT_NE(alcGetCurrentContext(), nullptr);
    setInverseDistanceModel();
    EXPECT_EQ(alGetInteger(AL_DISTANCE_MODEL), AL_INVERSE_DISTANCE_CLAMPED);

    const float position[3] = {1, 2, 3}, velocity[3] = {4, 5, 6};
    const float orientation[6] = {0, 0, -1, 0, 1, 0};
    setListener(position, velocity, orientation);
    float p[3], v[3], o[6];
    alGetListenerfv(AL_POSITION, p);
    alGetListenerfv(AL_VELOCITY, v);
    alGetListenerfv(AL_ORIENTATION, o);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(p[i], position[i]);
        EXPECT_EQ(v[i], velocity[i]);
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(o[i], orientation[i]);
    EXPECT_TRUE(checkAlError());
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}

TEST_F(SoundEffectTest, OpenAlErrorShowsOneWarningBox) {
    alSourcePlay(0xDEADu);
    EXPECT_FALSE(checkAlError());
    ASSERT_EQ(scriptedMessageBoxes().size(), 1u);
    const ScriptedMessageBox& box = scriptedMessageBoxes()[0];
    EXPECT_EQ(box.caption, "Error");
    EXPECT_EQ(box.text, std::string("OpenAL error: ") + alGetString(AL_INVALID_NAME));
    EXPECT_EQ(box.flags & 0xF0u, (uint32_t)MB_ICONWARNING);
    // Reading the error clears it.
    EXPECT_TRUE(checkAlError());
    EXPECT_EQ(scriptedMessageBoxes().size(), 1u);
}

TEST_F(SoundEffectTest, WavFormatsReachOpenAl) {
    struct Case {
        uint16_t channels, bits;
        size_t bytes;
    } cases[] = {{2, 8, 800}, {1, 16, 600}, {1, 8, 333}, {2, 16, 1000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.channels << " ch " << c.bits << " bit");
        std::string path = writeWav("format.wav", pcmWav(c.channels, 16000, c.bits, rampBytes(c.bytes)));
        SoundEffect sound{};
        sound.load(path.c_str(), false);
        ASSERT_TRUE(alIsSource(sound.source));
        ASSERT_TRUE(alIsBuffer(sound.buffer));
        EXPECT_EQ(bufferInt(sound.buffer, AL_CHANNELS), c.channels);
        EXPECT_EQ(bufferInt(sound.buffer, AL_BITS), c.bits);
        EXPECT_EQ(bufferInt(sound.buffer, AL_FREQUENCY), 16000);
        EXPECT_EQ(bufferInt(sound.buffer, AL_SIZE), (ALint)c.bytes);
        EXPECT_EQ((ALuint)sourceInt(sound.source, AL_BUFFER), sound.buffer);
        sound.release();
        EXPECT_EQ(sound.source, 0u);
    }
    EXPECT_TRUE(checkAlError());
}

TEST_F(SoundEffectTest, LoadSetsSourceParameters) {
    std::string path = writeWav("params.wav", pcmWav(1, 8000, 16, rampBytes(200)));
    SoundEffect looping{}, once{};
    looping.load(path.c_str(), true);
    once.load(path.c_str(), false);
    // The same file twice: two sources and two buffers of their own.
    EXPECT_NE(looping.source, once.source);
    EXPECT_NE(looping.buffer, once.buffer);
    EXPECT_EQ(sourceInt(looping.source, AL_LOOPING), AL_TRUE);
    EXPECT_EQ(sourceInt(once.source, AL_LOOPING), AL_FALSE);
    float value = 0;
    alGetSourcef(looping.source, AL_PITCH, &value);
    EXPECT_EQ(value, 1.0f);
    alGetSourcef(looping.source, AL_MAX_GAIN, &value);
    EXPECT_EQ(value, 1.0f);
    alGetSourcef(looping.source, AL_REFERENCE_DISTANCE, &value);
    EXPECT_EQ(value, 30.0f);
    alGetSourcef(looping.source, AL_GAIN, &value);
    EXPECT_EQ(value, 1.0f);

    looping.setGain(0.25f);
    looping.setPitch(1.75f);
    looping.setPositionVelocity(1, 2, 3, -4, -5, -6);
    alGetSourcef(looping.source, AL_GAIN, &value);
    EXPECT_EQ(value, 0.25f);
    alGetSourcef(looping.source, AL_PITCH, &value);
    EXPECT_EQ(value, 1.75f);
    float p[3], v[3];
    alGetSourcefv(looping.source, AL_POSITION, p);
    alGetSourcefv(looping.source, AL_VELOCITY, v);
    EXPECT_EQ(p[0], 1.0f);
    EXPECT_EQ(p[2], 3.0f);
    EXPECT_EQ(v[1], -5.0f);

    // Releasing one leaves the other whole.
    ALuint onceSource = once.source, onceBuffer = once.buffer;
    once.release();
    EXPECT_FALSE(alIsSource(onceSource));
    EXPECT_FALSE(alIsBuffer(onceBuffer));
    EXPECT_TRUE(alIsSource(looping.source));
    once.release();
    looping.release();
    EXPECT_TRUE(checkAlError());
}

// Values OpenAL would refuse leave the source as it was and no error behind
// for the music's next check to take as its own.
TEST_F(SoundEffectTest, RefusedValuesChangeNothingAndLeaveNoError) {
    std::string path = writeWav("refused.wav", pcmWav(1, 8000, 16, rampBytes(200)));
    SoundEffect sound{};
    sound.load(path.c_str(), true);
    sound.setGain(0.5f);
    sound.setPitch(1.5f);
    sound.setPositionVelocity(1, 2, 3, 0, 0, 0);
    ASSERT_EQ(alGetError(), AL_NO_ERROR);
    const float nan = std::nanf(""), inf = INFINITY;
    struct Case {
        float gain, pitch, x;
    } cases[] = {{nan, 1.5f, 1}, {inf, nan, 1}, {0.5f, 0.0f, nan}, {0.5f, -2.0f, inf}};
    for (const Case& c : cases) {
        sound.setGain(c.gain);
        sound.setPitch(c.pitch);
        sound.setPositionVelocity(c.x, 2, 3, 0, 0, 0);
        EXPECT_EQ(alGetError(), AL_NO_ERROR) << c.gain << " " << c.pitch << " " << c.x;
        float value = 0, p[3];
        alGetSourcef(sound.source, AL_GAIN, &value);
        EXPECT_FLOAT_EQ(value, 0.5f * effectsVolume);
        alGetSourcef(sound.source, AL_PITCH, &value);
        EXPECT_EQ(value, 1.5f);
        alGetSourcefv(sound.source, AL_POSITION, p);
        EXPECT_EQ(p[0], 1.0f);
    }
    // A negative gain is silence.
    sound.setGain(-1.0f);
    EXPECT_EQ(alGetError(), AL_NO_ERROR);
    EXPECT_EQ(sound.gain, 0.0f);
    sound.release();
}

TEST_F(SoundEffectTest, PlayStopAndRestart) {
    // 0.3 s of 8 kHz mono: long enough to be seen playing, short to wait out.
    std::string path = writeWav("short.wav", pcmWav(1, 8000, 8, std::vector<uint8_t>(2400, 128)));
    SoundEffect sound{};
    sound.load(path.c_str(), false);
    sound.stop();
    EXPECT_EQ(sourceInt(sound.source, AL_SOURCE_STATE), AL_INITIAL);
    sound.play();
    EXPECT_TRUE(sound.isPlaying());
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ALint before = sourceInt(sound.source, AL_SAMPLE_OFFSET);
    EXPECT_GT(before, 0);
    // Playing a playing non-looping source starts it again from the top.
    sound.play();
    EXPECT_LT(sourceInt(sound.source, AL_SAMPLE_OFFSET), before);
    sound.stop();
    EXPECT_FALSE(sound.isPlaying());
    EXPECT_EQ(sourceInt(sound.source, AL_SOURCE_STATE), AL_STOPPED);
    sound.release();
    EXPECT_TRUE(checkAlError());
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}

TEST_F(SoundEffectTest, LoadingLeavesNoErrorForTheMusicToReport) {
    // An error raised before or during a load (here an operation on a source
    // that does not exist) is not the music's: its open must still succeed
    // without an "OpenAL error" box.
    std::string wav = writeWav("clear.wav", pcmWav(1, 8000, 16, rampBytes(800)));
    std::string ogg = scratchPath("clear.ogg");
    ASSERT_TRUE(writeOgg(ogg, 1, 8000, 4000));
    alSourcePlay(0xDEAD);
    SoundEffect sound{};
    sound.load(wav.c_str(), false);
    MusicStream music;
    EXPECT_TRUE(music.open(ogg.c_str(), true, true));
    EXPECT_TRUE(scriptedMessageBoxes().empty());
    music.close();
    sound.release();
    scriptedReset();
}

TEST_F(SoundEffectTest, MissingFilesLoadAsSilenceAndRaceSoundsStop) {
    // The tests run in the build folder; whatever base/sound holds there, the
    // sixteen sounds load, and a missing file is an empty buffer.
    loadEffectSounds();
    SoundEffect* all[kEffectSoundCount] = {
        &audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,    &audio.soundEngine4,
        &audio.soundCrash0,  &audio.soundCrash1,  &audio.soundCrash2,     &audio.soundCrash3,
        &audio.soundStart,   &audio.soundPoint,   &audio.soundEnginePass, &audio.soundGear,
        &audio.soundNitro,   &audio.soundWind,    &audio.soundMenu1,      &audio.soundMenu2};
    const bool loops[kEffectSoundCount] = {true, true,  true, true,  false, false, false, false,
                                           true, false, true, false, true,  true,  false, false};
    for (int i = 0; i < kEffectSoundCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(alIsSource(all[i]->source));
        EXPECT_TRUE(alIsBuffer(all[i]->buffer));
        EXPECT_EQ(sourceInt(all[i]->source, AL_LOOPING), loops[i] ? AL_TRUE : AL_FALSE);
        for (int j = 0; j < i; ++j) EXPECT_NE(all[i]->buffer, all[j]->buffer);
    }
    SoundEffect silent{};
    silent.load(scratchPath("missing.wav").c_str(), true);
    EXPECT_EQ(bufferInt(silent.buffer, AL_SIZE), 0);
    EXPECT_EQ(bufferInt(silent.buffer, AL_FREQUENCY), 22050);
    silent.release();

    // Every looping race sound running, plus a crash: stopRaceSounds stops the
    // eight it owns and leaves the others alone.
    std::string path = writeWav("loop.wav", pcmWav(1, 8000, 8, std::vector<uint8_t>(800, 128)));
    for (SoundEffect* s : all) {
        s->release();
        s->load(path.c_str(), true);
        s->play();
    }
    stopRaceSounds();
    SoundEffect* stopped[] = {&audio.soundStart,   &audio.soundEnginePass, &audio.soundEngine1,
                              &audio.soundEngine2, &audio.soundEngine3,    &audio.soundEngine4,
                              &audio.soundWind,    &audio.soundNitro};
    for (int i = 0; i < kEffectSoundCount; ++i) {
        bool shouldStop = std::find(std::begin(stopped), std::end(stopped), all[i]) != std::end(stopped);
        EXPECT_EQ(all[i]->isPlaying(), !shouldStop) << i;
    }
    releaseEffectSounds();
    for (SoundEffect* s : all) EXPECT_EQ(s->source, 0u);
    EXPECT_TRUE(checkAlError());
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}
