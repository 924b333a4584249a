// Effect files and particle motion: the 96-byte layout, the sub-step cap,
// fading out when disabled, the mends for broken files, and when the
// checkpoint marker shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "race/race.h"
#include "render/render.h"
#include "render_fixtures.h"
#include "shell/shell.h"

namespace {

// A well-formed effect: every field distinct so a misplaced read shows.
struct EffectWords {
    int32_t count = 8;
    int32_t oldBlend = 0;
    float maxSize = 2.0f;
    float gravity[3] = {0.0f, 0.5f, 0.0f};
    float velocityScale[3] = {0.01f, 0.02f, 0.03f};
    float fadeScale = 1.0f;
    int32_t spread[3] = {11, 13, 17};
    float spreadOffset[3] = {5.0f, 6.0f, 8.0f};
    int32_t fadeRange = 100;
    float fadeDivisor = 1000.0f;
    float fadeBase = 0.05f;
    float sizeGrowth = 0.1f;
    float initialSize = 0.5f;
    float factorDecay = 0.001f;
    float level = 0.8f;
    int32_t blend = 1;

    Bytes bytes() const {
        Bytes b;
        putU32(b, (uint32_t)count);
        putU32(b, (uint32_t)oldBlend);
        putF32(b, maxSize);
        for (float g : gravity) putF32(b, g);
        for (float v : velocityScale) putF32(b, v);
        putF32(b, fadeScale);
        for (int32_t s : spread) putU32(b, (uint32_t)s);
        for (float s : spreadOffset) putF32(b, s);
        putU32(b, (uint32_t)fadeRange);
        putF32(b, fadeDivisor);
        putF32(b, fadeBase);
        putF32(b, sizeGrowth);
        putF32(b, initialSize);
        putF32(b, factorDecay);
        putF32(b, level);
        putU32(b, (uint32_t)blend);
        return b;
    }
};

ParticleSystem load(const EffectWords& words) {
    ParticleSystem s{};
    const Bytes b = words.bytes();
    loadEffectFromBytes(s, b.data(), b.size());
    return s;
}

TEST(EffectFile, FieldsComeFromTheirOffsetsAndParticlesStartDead) {
    EffectWords w;
    ASSERT_EQ(w.bytes().size(), kEffectFileBytes);
    ParticleSystem s = load(w);
    ASSERT_EQ(s.count, 8);
    EXPECT_EQ(s.maxSize, 2.0f);
    EXPECT_EQ(s.gravity[1], 0.5f);
    EXPECT_EQ(s.velocityScale[2], 0.03f);
    EXPECT_EQ(s.spread[2], 17);
    EXPECT_EQ(s.spreadOffset[1], 6.0f);
    EXPECT_EQ(s.fadeRange, 100);
    EXPECT_EQ(s.initialSize, 0.5f);
    EXPECT_EQ(s.level, 0.8f);
    EXPECT_EQ(s.colour[0] + s.colour[1] + s.colour[2], 3.0f);
    for (int i = 0; i < s.count; i++) {
        EXPECT_EQ(s.life[i], 0.0f);
        EXPECT_EQ(s.size[i], 0.5f);
        EXPECT_EQ(s.speedFactor[i], 0.8f);
        EXPECT_GE(s.fade[i], 0.05f);
        EXPECT_LT(s.fade[i], 0.05f + 0.1f);
    }
    releaseEffect(s);
}

struct BlendCase {
    int32_t atFour, atNinetyTwo, expected;
};
class EffectBlend : public ::testing::TestWithParam<BlendCase> {};

TEST_P(EffectBlend, OnlyTheLastWordCounts) {
    EffectWords w;
    w.oldBlend = GetParam().atFour;
    w.blend = GetParam().atNinetyTwo;
    ParticleSystem s = load(w);
    EXPECT_EQ(s.blendMode, GetParam().expected);
    releaseEffect(s);
}

INSTANTIATE_TEST_SUITE_P(Words, EffectBlend,
                         ::testing::Values(BlendCase{1, 0, 0}, BlendCase{0, 1, 1}, BlendCase{1, 1, 1},
                                           BlendCase{7, 3, 3}));

// Each broken file leaves a system that has nothing to update or draw.
struct BrokenCase {
    const char* what;
    int32_t count;
    size_t keepBytes;
};
class BrokenEffect : public ::testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenEffect, LeavesNoParticles) {
    EffectWords w;
    w.count = GetParam().count;
    Bytes b = w.bytes();
    b.resize(GetParam().keepBytes);
    ParticleSystem s{};
    loadEffectFromBytes(s, b.data(), b.size());
    EXPECT_EQ(s.count, 0) << GetParam().what;
    EXPECT_EQ(s.life, nullptr);
    s.enabled = true;
    updateEffect(s, 1.0f, 0.0f, 0.0f, 0.0f);
    releaseEffect(s);
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenEffect,
                         ::testing::Values(BrokenCase{"empty", 8, 0}, BrokenCase{"one word short", 8, 92},
                                           BrokenCase{"one byte short", 8, 95},
                                           BrokenCase{"no particles", 0, 96},
                                           BrokenCase{"negative count", -5, 96},
                                           BrokenCase{"absurd count", 1 << 30, 96}));

TEST(EffectFile, MissingFileLeavesNoParticles) {
    ParticleSystem s{};
    loadEffect(s, "base/effects/no-such-effect.eff");
    EXPECT_EQ(s.count, 0);
}

// A range of zero or less would take a random number modulo zero.
TEST(EffectFile, ZeroAndNegativeRangesRespawnWithoutRandomPart) {
    EffectWords w;
    w.spread[0] = 0;
    w.spread[1] = -3;
    w.spread[2] = 0;
    w.fadeRange = 0;
    w.fadeDivisor = 0.0f;
    ParticleSystem s = load(w);
    ASSERT_EQ(s.count, 8);
    s.enabled = true;
    s.level = 1.0f;
    updateEffect(s, 1.0f, 2.0f, 0.0f, 0.0f);
    for (int i = 0; i < s.count; i++) {
        EXPECT_EQ(s.fade[i], 0.05f);
        EXPECT_EQ(s.velocityX[i], -5.0f + 2.0f);
        EXPECT_EQ(s.velocityY[i], -6.0f);
        EXPECT_TRUE(std::isfinite(s.life[i]));
    }
    releaseEffect(s);
}

// Gravity alone, no motion scale: the velocity grows by one gravity step per
// sub-step, which counts them.
struct StepCase {
    float frameFactor;
    int steps;
};
class EffectSteps : public ::testing::TestWithParam<StepCase> {};

TEST_P(EffectSteps, SlowFramesTakeCappedSubSteps) {
    EXPECT_EQ(effectSubSteps(GetParam().frameFactor), GetParam().steps);
    EffectWords w;
    w.gravity[1] = 1.0f;
    w.fadeBase = 0.0f;
    w.fadeRange = 1;
    ParticleSystem s = load(w);
    s.enabled = false;  // no respawn: the velocities stay as integrated
    updateEffect(s, GetParam().frameFactor, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(s.velocityY[0], (float)GetParam().steps);
    releaseEffect(s);
}

INSTANTIATE_TEST_SUITE_P(Factors, EffectSteps,
                         ::testing::Values(StepCase{1.0f, 1}, StepCase{2.0f, 1}, StepCase{2.5f, 2},
                                           StepCase{10.0f, 5}, StepCase{20.0f, 6}, StepCase{200.0f, 6}));

TEST(EffectMotion, DisabledSystemFadesOutAndStaysInvisible) {
    EffectWords w;
    w.level = 1.0f;
    w.fadeBase = 0.1f;
    ParticleSystem s = load(w);
    s.enabled = true;
    updateEffect(s, 1.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < s.count; i++) EXPECT_GT(s.life[i], 0.5f) << "respawned at full level";
    s.enabled = false;
    updateEffect(s, 1.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < s.count; i++) EXPECT_GT(s.life[i], 0.0f) << "still drawn while it fades";
    for (int frame = 0; frame < 100; frame++) updateEffect(s, 1.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < s.count; i++) EXPECT_LT(s.life[i], 0.0f) << "invisible, never respawned";
    s.enabled = true;
    updateEffect(s, 1.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < s.count; i++) EXPECT_EQ(s.offsetY[i], 0.0f) << "back at the emitter";
    releaseEffect(s);
}

// The marker shows only while the player races towards a checkpoint.
struct MarkerCase {
    bool countdown, finished;
    int checkpointCount;
    bool shown;
};
class MarkerShown : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(MarkerShown, OnlyBetweenStartAndFinish) {
    const bool savedCountdown = session.countdownRunning, savedFinished = session.raceFinished;
    const int savedCount = session.checkpointCount, savedNext = session.cars[0].nextCheckpoint;
    session.countdownRunning = GetParam().countdown;
    session.raceFinished = GetParam().finished;
    session.checkpointCount = GetParam().checkpointCount;
    session.cars[0].nextCheckpoint = 0;
    EXPECT_EQ(checkpointMarkerShown(), GetParam().shown);
    session.countdownRunning = savedCountdown, session.raceFinished = savedFinished;
    session.checkpointCount = savedCount, session.cars[0].nextCheckpoint = savedNext;
}

INSTANTIATE_TEST_SUITE_P(States, MarkerShown,
                         ::testing::Values(MarkerCase{false, false, 12, true},
                                           MarkerCase{true, false, 12, false},
                                           MarkerCase{false, true, 12, false},
                                           MarkerCase{false, false, 0, false}));

}  // namespace
