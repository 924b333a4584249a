// The generated sounds and music: every effect parses with the game's WAV
// reader in the format the game expects, loops close without a step, engines
// stay clear of aliasing when pitched up, crashes grow in weight; every music
// file opens with libvorbisfile at its loop length; and generation repeats
// byte for byte. Also checks the synthesiser's building blocks against
// closed-form results.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio/audio.h"
#include "content/sounds.h"
#include "content/synth.h"
#include "content/wav_writer.h"
#include "read_bytes.h"

namespace {

std::vector<double> samplesOf(const WavSound& wav) {
    std::vector<double> out(wav.data.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<int16_t>(wav.data[2 * i] | (wav.data[2 * i + 1] << 8)) / 32768.0;
    return out;
}

WavSound loadEffect(int index) {
    WavSound wav{};
    const std::vector<uint8_t> bytes = readBytes(std::string("base/sound/") + effectSounds[index].name);
    parseWavBytes(bytes.data(), bytes.size(), &wav);
    return wav;
}

// Fraction of the energy above `hz`, by a plain DFT of a window.
double energyAbove(const std::vector<double>& x, int rate, double hz) {
    const size_t n = std::min<size_t>(2048, x.size());
    double above = 0, total = 0;
    for (size_t k = 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (size_t i = 0; i < n; ++i) {
            const double w = 0.5 - 0.5 * std::cos(kTwoPi * i / n);  // Hann window
            re += w * x[i] * std::cos(kTwoPi * k * i / n);
            im -= w * x[i] * std::sin(kTwoPi * k * i / n);
        }
        const double e = re * re + im * im;
        total += e;
        if (k * static_cast<double>(rate) / n > hz) above += e;
    }
    return total > 0 ? above / total : 0;
}

// Step across the loop point against the steps inside the sound: the join
// must not stand out from the 99.9th percentile of ordinary steps.
void expectSeamless(const std::vector<double>& x, int channels, const std::string& what) {
    for (int c = 0; c < channels; ++c) {
        std::vector<double> steps;
        const size_t frames = x.size() / channels;
        for (size_t i = 0; i + 1 < frames; ++i)
            steps.push_back(std::fabs(x[(i + 1) * channels + c] - x[i * channels + c]));
        std::sort(steps.begin(), steps.end());
        const double join = std::fabs(x[c] - x[(frames - 1) * channels + c]);
        EXPECT_LE(join, steps[steps.size() * 999 / 1000] + 1e-3) << what << " channel " << c;
    }
}

}  // namespace

TEST(EffectSounds, EveryFileParsesAsMono16WithItsRateAndLoopMark) {
    for (int i = 0; i < kGeneratedSoundCount; ++i) {
        const WavSound wav = loadEffect(i);
        EXPECT_EQ(wav.format, SoundFormatMono16) << effectSounds[i].name;
        EXPECT_EQ(wav.frequency, effectSounds[i].rate) << effectSounds[i].name;
        EXPECT_GT(wav.data.size(), 1000u) << effectSounds[i].name;
        EXPECT_EQ(wav.data.size() % 2, 0u);
        EXPECT_EQ(wav.loop, effectSounds[i].loop) << effectSounds[i].name;
    }
    // The game loops exactly these (the sound table's loop column).
    for (const char* name :
         {"en1.wav", "en2.wav", "en3.wav", "en4.wav", "st.wav", "en_pass.wav", "nitro.wav", "wind.wav"}) {
        bool found = false;
        for (const EffectSound& s : effectSounds) found |= std::string(s.name) == name && s.loop;
        EXPECT_TRUE(found) << name;
    }
}

TEST(EffectSounds, LoopsCloseWithoutAStepAndOneShotsStartAndEndQuietly) {
    for (int i = 0; i < kGeneratedSoundCount; ++i) {
        const std::vector<double> x = samplesOf(loadEffect(i));
        ASSERT_FALSE(x.empty());
        if (effectSounds[i].loop) {
            expectSeamless(x, 1, effectSounds[i].name);
        } else {
            EXPECT_LT(std::fabs(x.front()), 0.02) << effectSounds[i].name;
            EXPECT_LT(std::fabs(x.back()), 0.02) << effectSounds[i].name;
        }
    }
}

// Every file peaks where the loudness plan puts it, and none alone comes
// near full scale: the mix of all of them must still fit.
TEST(EffectSounds, EveryFilePeaksAtItsPlannedLevel) {
    for (int i = 0; i < kGeneratedSoundCount; ++i) {
        const std::vector<double> x = samplesOf(loadEffect(i));
        double peak = 0;
        for (double v : x) peak = std::max(peak, std::fabs(v));
        EXPECT_NEAR(peak, effectSoundPeaks[i], 0.002) << effectSounds[i].name;
        EXPECT_LT(peak, 0.5) << effectSounds[i].name;
    }
}

// Two checkpoints a second must not nag: the tick is over in a blink and,
// over half a second, carries a small fraction of the engine's energy.
TEST(EffectSounds, TheCheckpointTickIsShortAndSitsUnderTheEngine) {
    const WavSound tickWav = loadEffect(9), engineWav = loadEffect(0);
    const std::vector<double> tick = samplesOf(tickWav), engine = samplesOf(engineWav);
    EXPECT_LT(static_cast<double>(tick.size()) / tickWav.frequency, 0.1);
    double tickEnergy = 0, engineEnergy = 0;
    for (double v : tick) tickEnergy += v * v / tickWav.frequency;
    for (size_t i = 0; i < static_cast<size_t>(engineWav.frequency / 2); ++i)
        engineEnergy += engine[i] * engine[i] / engineWav.frequency;
    EXPECT_LT(10 * std::log10(tickEnergy / engineEnergy), -25.0);
}

TEST(EffectSounds, TheSplashBedIsAQuietSeamlessLoop) {
    WavSound wav{};
    const std::vector<uint8_t> bytes = readBytes("base/music/splash.wav");
    parseWavBytes(bytes.data(), bytes.size(), &wav);
    EXPECT_EQ(wav.format, SoundFormatMono16);
    EXPECT_EQ(wav.frequency, kSplashBedRate);
    EXPECT_TRUE(wav.loop);
    const std::vector<double> x = samplesOf(wav);
    ASSERT_GE(x.size(), static_cast<size_t>(4 * kSplashBedRate));
    expectSeamless(x, 1, "splash.wav");
    double peak = 0;
    for (double v : x) peak = std::max(peak, std::fabs(v));
    EXPECT_NEAR(peak, kSplashBedPeak, 0.002);
}

TEST(EffectSounds, EnginesAreDistinctAndStayBelowAliasingWhenPitchedUp) {
    // At a pitch of 2.5 content above 4.4 kHz would pass the Nyquist limit
    // of a 22.05 kHz buffer played at 44.1 kHz; keep it to a trace.
    double fundamentals[5];
    const int engines[5] = {0, 1, 2, 3, 10};
    for (int k = 0; k < 5; ++k) {
        const WavSound wav = loadEffect(engines[k]);
        const std::vector<double> x = samplesOf(wav);
        EXPECT_LT(energyAbove(x, wav.frequency, 4400), 0.01) << effectSounds[engines[k]].name;
        // The firing rhythm: strongest autocorrelation lag between 2.5 and 10 ms.
        double best = -1e9;
        int bestLag = 0;
        for (int lag = wav.frequency / 400; lag <= wav.frequency / 100; ++lag) {
            double sum = 0;
            for (size_t i = 0; i + lag < 8192; ++i) sum += x[i] * x[i + lag];
            if (sum > best) best = sum, bestLag = lag;
        }
        fundamentals[k] = static_cast<double>(wav.frequency) / bestLag;
    }
    // The four cars' engines fire at different rates (pass-by shares engine 1's).
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_GT(std::fabs(fundamentals[a] - fundamentals[b]), 3.0) << a << " " << b;
    EXPECT_NEAR(fundamentals[4], fundamentals[0], 3.0);
    // At a pitch of 1 an engine fires at about 4250 rpm: 100 to 300 pulses a second.
    for (double f : fundamentals) {
        EXPECT_GT(f, 100);
        EXPECT_LT(f, 300);
    }
}

TEST(EffectSounds, CrashesGrowInWeight) {
    double previousEnergy = 0, previousPeak = 0, previousLength = 0;
    for (int i = 4; i <= 7; ++i) {
        const std::vector<double> x = samplesOf(loadEffect(i));
        double energy = 0, peak = 0;
        for (double v : x) energy += v * v, peak = std::max(peak, std::fabs(v));
        energy /= effectSounds[i].rate;
        const double length = static_cast<double>(x.size()) / effectSounds[i].rate;
        EXPECT_GT(energy, previousEnergy * 1.3) << effectSounds[i].name;
        EXPECT_GT(peak, previousPeak) << effectSounds[i].name;
        EXPECT_GT(length, previousLength) << effectSounds[i].name;
        previousEnergy = energy, previousPeak = peak, previousLength = length;
    }
}

TEST(EffectSounds, RegeneratedSoundsMatchTheFilesByteForByte) {
    for (int i : {0, 7, 8, 9}) {
        const EffectSound& s = effectSounds[i];
        EXPECT_TRUE(encodeWav(renderEffectSound(i), 1, s.rate, s.loop) ==
                    readBytes(std::string("base/sound/") + s.name))
            << s.name;
    }
}

TEST(Music, EveryTrackOpensStereoAt44kWithItsLoopLength) {
    for (int i = 0; i < kMusicTrackCount; ++i) {
        const std::string path = std::string("base/music/") + musicFileNames[i];
        OggVorbis_File file;
        ASSERT_EQ(ov_fopen(path.c_str(), &file), 0) << path;
        const vorbis_info* info = ov_info(&file, -1);
        EXPECT_EQ(info->channels, 2);
        EXPECT_EQ(info->rate, 44100);
        const ogg_int64_t frames = ov_pcm_total(&file, -1);
        EXPECT_EQ(frames, static_cast<ogg_int64_t>(musicTrackFrames(i))) << path;
        EXPECT_GE(frames, 60 * 44100);
        EXPECT_LE(frames, 120 * 44100);
        // A length in whole streaming buffers would make the game requeue a
        // stale buffer at the end of the file.
        EXPECT_NE(frames * 4 % 262144, 0);

        // The join: the end of the file runs on into its start.
        auto readAt = [&](ogg_int64_t at, size_t count) {
            std::vector<double> x;
            EXPECT_EQ(ov_pcm_seek(&file, at), 0);
            std::vector<char> buffer(count * 4);
            size_t got = 0;
            int section = 0;
            while (got < buffer.size()) {
                const long n = ov_read(&file, buffer.data() + got, static_cast<int>(buffer.size() - got), 0,
                                       2, 1, &section);
                if (n <= 0) break;
                got += static_cast<size_t>(n);
            }
            for (size_t k = 0; k + 1 < got; k += 2)
                x.push_back(static_cast<int16_t>(static_cast<uint8_t>(buffer[k]) |
                                                 static_cast<uint8_t>(buffer[k + 1]) << 8) /
                            32768.0);
            return x;
        };
        std::vector<double> around = readAt(frames - 4096, 4096);
        const std::vector<double> start = readAt(0, 4096);
        ASSERT_EQ(around.size(), 8192u);
        around.insert(around.end(), start.begin(), start.end());
        // Rotate so the join sits at the ends of the buffer, as expectSeamless expects.
        std::rotate(around.begin(), around.begin() + 8192, around.end());
        expectSeamless(around, 2, path);
        ov_clear(&file);
    }
}

TEST(Music, RegeneratedTrackMatchesItsFileByteForByte) {
    // The shortest track, rendered and encoded again in this process.
    int shortest = 0;
    for (int i = 1; i < kMusicTrackCount; ++i)
        if (musicTrackFrames(i) < musicTrackFrames(shortest)) shortest = i;
    const std::vector<uint8_t> again =
        encodeOggVorbis(renderMusicTrack(shortest), 44100, 0.25f, 0x4b520000 + shortest);
    EXPECT_TRUE(again == readBytes(std::string("base/music/") + musicFileNames[shortest]));
}

TEST(Synth, FastSineMatchesTheLibrarySine) {
    double worst = 0;
    for (int i = -4000; i <= 4000; ++i)
        worst = std::max(worst, std::fabs(fastSin(i / 997.0) - std::sin(kTwoPi * i / 997.0)));
    EXPECT_LT(worst, 1e-4);
}

TEST(Synth, LowPassPassesDcAndHalvesPowerAtItsCutoff) {
    const double rate = 44100;
    auto gainAt = [&](double hz) {
        Biquad f = lowPass(rate, 1000);
        double peak = 0;
        for (int i = 0; i < 44100; ++i) {
            const float y = f.process(static_cast<float>(std::sin(kTwoPi * hz * i / rate)));
            if (i > 22050) peak = std::max(peak, std::fabs(static_cast<double>(y)));
        }
        return peak;
    };
    EXPECT_NEAR(gainAt(20), 1.0, 0.01);
    EXPECT_NEAR(gainAt(1000), std::sqrt(0.5), 0.01);  // Butterworth: -3 dB at the cutoff
    EXPECT_LT(gainAt(8000), 0.02);                    // 12 dB an octave, three octaves up
}

TEST(Synth, EnvelopeFollowsItsClosedForm) {
    const double rate = 1000, length = 0.5, attack = 0.1, decayTime = 0.05, sustain = 0.6, release = 0.1;
    Envelope e(rate, length, attack, decayTime, sustain, release);
    for (int i = 0; i < 800; ++i) {
        const double t = (i + 1) / rate, value = e.next();
        double expected;
        if (t <= attack)
            expected = t / attack;
        else if (t <= length)
            expected = sustain + (1 - sustain) * std::exp(-(t - attack) / decayTime);
        else
            expected = (sustain + (1 - sustain) * std::exp(-(length - attack) / decayTime)) *
                       std::exp(-(t - length) / release);
        EXPECT_NEAR(value, expected, 0.02) << "t = " << t;
    }
}

TEST(Synth, CloseLoopKeepsPeriodicSoundAndJoinsNoise) {
    // A tone with a whole number of cycles in the loop is left as it was.
    std::vector<float> tone(1200);
    for (size_t i = 0; i < tone.size(); ++i) tone[i] = static_cast<float>(std::sin(kTwoPi * 10 * i / 1000.0));
    const std::vector<float> loop = closeLoop(tone, 1000, 200, 1, false);
    ASSERT_EQ(loop.size(), 1000u);
    for (size_t i = 0; i < loop.size(); ++i) EXPECT_NEAR(loop[i], tone[i], 1e-5);
    // Noise: the first sample continues exactly from the sample after the loop.
    Noise noise(3);
    std::vector<float> hiss(1200);
    for (float& s : hiss) s = noise.next();
    const std::vector<float> joined = closeLoop(hiss, 1000, 200);
    EXPECT_NEAR(joined[0], hiss[1000], 0.02);
    EXPECT_FLOAT_EQ(joined[999], hiss[999]);
    EXPECT_FLOAT_EQ(joined[500], hiss[500]);
}

TEST(WavWriter, HeaderDataAndLoopChunkAsTheReaderSeesThem) {
    const std::vector<float> samples = {0.0f, 0.5f, -0.5f, 1.5f, -1.0f};
    const std::vector<uint8_t> bytes = encodeWav(samples, 1, 22050, true);
    ASSERT_EQ(bytes.size(), 12u + 24u + 8u + 10u + 8u + 60u);
    WavSound wav{};
    parseWavBytes(bytes.data(), bytes.size(), &wav);
    EXPECT_EQ(wav.format, SoundFormatMono16);
    EXPECT_EQ(wav.frequency, 22050);
    EXPECT_EQ(wav.loopCount, 1);
    ASSERT_EQ(wav.data.size(), 10u);
    const std::vector<double> x = samplesOf(wav);
    EXPECT_NEAR(x[1], 0.5, 1e-4);
    EXPECT_NEAR(x[3], 32767 / 32768.0, 1e-6);  // clipped
    EXPECT_NEAR(x[4], -32767 / 32768.0, 1e-6);
    // Loop end is the last frame, inclusive.
    EXPECT_EQ(bytes[bytes.size() - 12], 4);
    EXPECT_TRUE(encodeWav({}, 1, 22050, false).empty());
    EXPECT_TRUE(encodeWav({0.1f, 0.2f, 0.3f}, 2, 44100, false).empty());  // odd stereo count
}

TEST(OggEncoder, SameSamplesGiveTheSameFileAndDecodeToTheirLength) {
    SampleBuffer stereo(2 * 44100 * 2);
    for (size_t i = 0; i < stereo.size() / 2; ++i) {
        stereo[2 * i] = 0.3f * fastSin(440.0 * i / 44100);
        stereo[2 * i + 1] = 0.3f * fastSin(660.0 * i / 44100);
    }
    const std::vector<uint8_t> a = encodeOggVorbis(stereo, 44100, 0.25f, 7),
                               b = encodeOggVorbis(stereo, 44100, 0.25f, 7);
    ASSERT_FALSE(a.empty());
    EXPECT_TRUE(a == b);
    const std::string path = std::string(KORVASK_BUILD_DIR) + "/test_encoder.ogg";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(a.data(), 1, a.size(), f);
    std::fclose(f);
    OggVorbis_File file;
    ASSERT_EQ(ov_fopen(path.c_str(), &file), 0);
    EXPECT_EQ(ov_pcm_total(&file, -1), 2 * 44100);
    ov_clear(&file);
    std::remove(path.c_str());
}
