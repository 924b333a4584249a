// The levels the race mix depends on, read from the generated files the game
// plays: music centred and under the engines, the pack's engines under the
// player's own.
#include <sys/stat.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>

#include "audio_test_support.h"

using namespace audiotest;

namespace {

struct Level {
    double mean = 0, peak = 0, rms = 0;
};

Level wavLevel(const char* path) {
    WavSound wav;
    readWavFile(path, &wav);
    Level level;
    const size_t count = wav.data.size() / 2;
    for (size_t i = 0; i < count; ++i) {
        const double v = (int16_t)(wav.data[2 * i] | (wav.data[2 * i + 1] << 8)) / 32768.0;
        level.mean += v;
        level.rms += v * v;
        level.peak = std::max(level.peak, std::fabs(v));
    }
    if (count > 0) {
        level.mean /= (double)count;
        level.rms = std::sqrt(level.rms / (double)count);
    }
    return level;
}

Level oggLevel(const char* path) {
    Level level;
    OggVorbis_File file;
    if (ov_fopen(path, &file) != 0) return level;
    char pcm[8192];
    int section = 0;
    long got;
    double count = 0;
    while ((got = ov_read(&file, pcm, sizeof pcm, 0, 2, 1, &section)) > 0) {
        for (long i = 0; i + 1 < got; i += 2) {
            const double v = (int16_t)((uint8_t)pcm[i] | ((uint8_t)pcm[i + 1] << 8)) / 32768.0;
            level.mean += v;
            level.rms += v * v;
            level.peak = std::max(level.peak, std::fabs(v));
            count += 1;
        }
    }
    ov_clear(&file);
    if (count > 0) {
        level.mean /= count;
        level.rms = std::sqrt(level.rms / count);
    }
    return level;
}

bool haveContent() {
    struct stat st;
    return stat("base/music/menu.ogg", &st) == 0 && stat("base/sound/en1.wav", &st) == 0;
}

}  // namespace

TEST(MixLevels, MusicIsCentredAndPlaysUnderThePlayersEngine) {
    if (!haveContent()) FAIL() << "needs the generated content (korvask-content base)";
    const Level engine = wavLevel("base/sound/en1.wav");
    ASSERT_GT(engine.rms, 0.1);
    for (const char* track : {"base/music/menu.ogg", "base/music/1.ogg", "base/music/2.ogg",
                              "base/music/3.ogg", "base/music/4.ogg"}) {
        const Level music = oggLevel(track);
        ASSERT_GT(music.rms, 0.02) << track;
        // An offset this small neither thumps when the music stops nor
        // spends the mixer's headroom on one side of the wave.
        EXPECT_LT(std::fabs(music.mean), 0.005) << track;
        EXPECT_LT(music.peak, 0.65) << track;
        EXPECT_LT(music.rms, 0.6 * engine.rms) << track << ": about 5 dB or more under the engine";
    }
}

TEST(MixLevels, TheEngineOffTheThrottleIsSixDecibelsUnderItsLoad) {
    if (!haveContent()) FAIL() << "needs the generated content (korvask-content base)";
    // The crossfade between the two is what the player hears of the load:
    // at the same engine speed, coasting sits about 6 dB under the throttle.
    const double load = wavLevel("base/sound/en1.wav").rms, coast = wavLevel("base/sound/en_pass.wav").rms;
    ASSERT_GT(coast, 0.0);
    EXPECT_NEAR(20.0 * std::log10(coast / load), -6.0, 0.5);
}

TEST(MixLevels, OpponentsEnginesPeakAtHalfThePlayers) {
    if (!haveContent()) FAIL() << "needs the generated content (korvask-content base)";
    const double player = wavLevel("base/sound/en1.wav").peak;
    for (const char* opponent : {"base/sound/en2.wav", "base/sound/en3.wav", "base/sound/en4.wav"}) {
        const Level level = wavLevel(opponent);
        EXPECT_NEAR(level.peak, player / 2, 0.02) << opponent;
        EXPECT_LT(std::fabs(level.mean), 0.005) << opponent;
    }
}
