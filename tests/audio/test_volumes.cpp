// The player's music and effects volumes scale what the game asks for, at
// once and on every sound, and never raise it.
#include "audio_test_support.h"

using namespace audiotest;

namespace {

float gainOf(uint32_t source) {
    float gain = -1.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}

}  // namespace

TEST(Volumes, ScaleTheGameGainsAtOnceAndStayWithinZeroToOne) {
    ASSERT_TRUE(ensureSoundDevice());
    // The game's own sounds, which the volumes reach.
    SoundEffect& effect = audio.soundMenu1;
    effect.load(KORVASK_TEST_DATA_DIR "/missing.wav", false);
    MusicStream& music = audio.menuMusic;
    const std::string ogg = scratchPath("volume.ogg");
    ASSERT_TRUE(writeOgg(ogg, 2, 22050, 4410));
    ASSERT_TRUE(music.open(ogg.c_str(), true, true));
    effect.setGain(0.8f);
    music.setGain(0.5f);

    struct Case {
        float effects, music;         // what the player chose
        float effectGain, musicGain;  // what the sources then play
    };
    const Case cases[] = {
        {1.0f, 1.0f, 0.8f, 0.5f},
        {0.5f, 0.2f, 0.4f, 0.1f},
        {0.0f, 1.0f, 0.0f, 0.5f},
        {2.0f, -1.0f, 0.8f, 0.0f},  // out of range: held to 0..1
    };
    for (const Case& c : cases) {
        setEffectsVolume(c.effects);
        setMusicVolume(c.music);
        EXPECT_FLOAT_EQ(gainOf(effect.source), c.effectGain) << c.effects;
        EXPECT_FLOAT_EQ(gainOf(music.source), c.musicGain) << c.music;
    }
    // A gain the game sets afterwards is scaled as well.
    setEffectsVolume(0.5f);
    effect.setGain(0.6f);
    EXPECT_FLOAT_EQ(gainOf(effect.source), 0.3f);
    EXPECT_FLOAT_EQ(effect.gain, 0.6f);

    setEffectsVolume(1.0f);
    setMusicVolume(1.0f);
    music.close();
    effect.release();
}
