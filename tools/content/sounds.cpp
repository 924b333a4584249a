// The effect sounds, synthesised: engine loops, crashes, tyre squeal, the
// checkpoint tick, mechanical, menu and countdown sounds, and the bed under
// the splash. All mono (the game places them in 3-D), 16-bit; the engine,
// nitro and wind loops are 22.05 kHz, the squeal and the one-shots 44.1 kHz
// (the squeal's whistle, resampled from 22.05 kHz by the mixer, left a faint
// wavering image near 21 kHz).
//
// The engine loops are played with a pitch of 0.35 at 1000 rpm up to 2.5, so
// the recorded engine is one at about 4250 rpm; its firing pattern repeats a
// whole number of times per loop, and everything above 4.5 kHz is filtered
// away so a pitch of 2.5 does not fold harmonics back down.
#include "content/sounds.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "content/content.h"
#include "content/image_writer.h"
#include "content/synth.h"
#include "content/wav_writer.h"

static constexpr double kPi = 3.14159265358979323846;

const EffectSound effectSounds[kGeneratedSoundCount] = {
    {"en1.wav", 22050, true},       {"en2.wav", 22050, true},      {"en3.wav", 22050, true},
    {"en4.wav", 22050, true},       {"cr0.wav", 44100, false},     {"cr1.wav", 44100, false},
    {"cr2.wav", 44100, false},      {"cr3.wav", 44100, false},     {"st.wav", 44100, true},
    {"point.wav", 44100, false},    {"en_pass.wav", 22050, true},  {"gear.wav", 44100, false},
    {"nitro.wav", 22050, true},     {"wind.wav", 22050, true},     {"menu1.wav", 44100, false},
    {"menu2.wav", 44100, false},    {"count.wav", 44100, false},   {"lap.wav", 44100, false},
    {"lastlap.wav", 44100, false},  {"finish1.wav", 44100, false}, {"finish2.wav", 44100, false},
    {"finish4.wav", 44100, false},  {"amb_city.wav", 44100, true}, {"amb_harbour.wav", 44100, true},
    {"amb_works.wav", 44100, true}, {"kerb.wav", 44100, true},
};

// The loudness plan (docs/SOUND.md): every file's peak, set so that the
// player's engine leads, the opponents, squeal, nitro and wind sit under it,
// crashes cut through, the checkpoint tick stays a tick, and everything the
// game can play at once still leaves headroom under full scale.
const float effectSoundPeaks[kGeneratedSoundCount] = {
    0.34f,  // en1: the player's engine
    0.17f,  // en2 .. en4: opponents, at up to full gain when close
    0.17f, 0.17f,
    0.34f,  // cr0 .. cr3: crashes, growing with the impact, over a ducked bed
    0.40f, 0.45f, 0.49f,
    0.22f,  // st: tyre squeal
    0.12f,  // point: checkpoint tick
    0.30f,  // en_pass: the player's engine off the throttle (crossfades with en1), 6 dB under it
    0.18f,  // gear
    0.20f,  // nitro
    0.28f,  // wind
    0.35f,  // menu1: click
    0.22f,  // menu2: hover
    0.28f,  // count: countdown beep
    0.24f,  // lap: the lap sting, over the engines like the beep
    0.26f,  // lastlap: the last lap's sting
    0.28f,  // finish1 .. finish4: the finish stings by place
    0.26f, 0.24f,
    0.10f,  // amb_city, amb_harbour, amb_works: the districts' ambience, far under the engines
    0.10f, 0.10f,
    0.22f,  // kerb: the tyres drumming over a kerb
};

// ---------------------------------------------------------------------------
// Engines

struct EngineSpec {
    double cycleHz;     // two crank turns per second at pitch 1 (whole number: the loop closes)
    int firings;        // per cycle
    double offsets[8];  // firing times as fractions of a firing interval (uneven = burble)
    double gains[8];
    double resonance[3];  // exhaust and intake body resonances, Hz
    double q[3];
    double resonanceGain[3];
    double body;     // the raw pulse train's share
    double pulseMs;  // width of one exhaust pulse
    double noise;    // combustion and intake noise
    double drive;    // saturation
    double lowPassHz;
    double whineHz, whine;  // turbocharger whistle, whole cycles per loop
    double jitter;          // firing-to-firing strength variation
    double pops;            // overrun crackles per second
    uint32_t seed;
};

static const EngineSpec kEngines[5] = {
    // en1: the player's car, a free-revving four with a rasp.
    {35,
     4,
     {0, 0, 0, 0},
     {1, 0.92, 1.04, 0.95},
     {420, 1150, 2500},
     {3, 4, 5},
     {1.0, 0.7, 0.35},
     0.6,
     2.2,
     0.18,
     1.8,
     4500,
     0,
     0,
     0.08,
     0,
     11},
    // en2: a big cross-plane V8: uneven bank pulses give the burble.
    {30,
     8,
     {0, 0.06, -0.04, 0.09, 0, -0.07, 0.05, -0.08},
     {1, 0.72, 1.12, 0.66, 1.0, 0.8, 1.08, 0.7},
     {170, 620, 1500},
     {2, 3, 4},
     {1.3, 0.8, 0.3},
     0.8,
     2.8,
     0.12,
     2.6,
     3800,
     0,
     0,
     0.1,
     0,
     22},
    // en3: a flat six: paired pulses, smooth and hollow.
    {36,
     6,
     {0, 0.12, 0, 0.12, 0, 0.12},
     {1, 0.62, 1, 0.62, 1, 0.62},
     {300, 880, 2100},
     {2.5, 3.5, 4},
     {1.1, 0.8, 0.3},
     0.5,
     2.4,
     0.14,
     2.0,
     4200,
     0,
     0,
     0.07,
     0,
     33},
    // en4: a turbocharged straight six with its whistle.
    {33,
     6,
     {0, 0, 0, 0, 0, 0},
     {1, 0.95, 1, 0.97, 1, 0.94},
     {350, 1300, 2900},
     {2.5, 4, 5},
     {1.0, 0.6, 0.3},
     0.55,
     2.0,
     0.2,
     1.6,
     4500,
     2310,
     0.05,
     0.06,
     0,
     44},
    // en_pass: the first engine off the throttle: weak pulses, muffled, crackling.
    {35,
     4,
     {0, 0.02, 0, -0.02},
     {0.6, 0.5, 0.62, 0.48},
     {380, 900, 2300},
     {2.5, 3, 4},
     {0.9, 0.45, 0.2},
     0.5,
     2.6,
     0.22,
     1.4,
     2600,
     0,
     0,
     0.18,
     5,
     55},
};

static std::vector<float> renderEngine(const EngineSpec& e, int rate, float peak) {
    const double loopSeconds = 2.0, fadeSeconds = 0.15, warmSeconds = 0.3;
    const size_t loop = static_cast<size_t>(loopSeconds * rate),
                 fade = static_cast<size_t>(fadeSeconds * rate);
    const size_t warm = static_cast<size_t>(warmSeconds * rate), total = warm + loop + fade;
    Noise noise(e.seed);

    // The pulse train: one half-sine pressure pulse per firing, with a little
    // random strength so no two cycles are identical.
    std::vector<float> pulses(total, 0.0f), envelope(total, 0.0f);
    const double interval = 1.0 / (e.cycleHz * e.firings);
    const double width = e.pulseMs / 1000.0;
    const int count = static_cast<int>((total / static_cast<double>(rate)) / interval) + 2;
    for (int k = -1; k < count; ++k) {
        const int slot = ((k % e.firings) + e.firings) % e.firings;
        const double start = (k + e.offsets[slot]) * interval;
        const double gain = e.gains[slot] * (1 + e.jitter * noise.next());
        const size_t first = static_cast<size_t>(std::max(0.0, std::ceil(start * rate)));
        for (size_t i = first; i < total; ++i) {
            const double t = i / static_cast<double>(rate) - start;
            if (t >= width * 3) break;
            if (t < width) pulses[i] += static_cast<float>(gain * std::sin(kPi * t / width));
            envelope[i] += static_cast<float>(gain * std::exp(-t / width));
        }
    }
    Biquad res[3];
    for (int i = 0; i < 3; ++i) res[i] = bandPass(rate, e.resonance[i], e.q[i]);
    Biquad noiseBand = bandPass(rate, 1800, 0.8), dc = highPass(rate, 25), lp1 = lowPass(rate, e.lowPassHz),
           lp2 = lowPass(rate, e.lowPassHz), bodyLp = lowPass(rate, 900);
    Biquad whineBand = bandPass(rate, e.whineHz > 0 ? e.whineHz : 1000, 30);
    std::vector<float> out(total);
    double whinePhase = 0;
    double popEnergy = 0;
    Biquad popBand = bandPass(rate, 2200, 1.2);
    for (size_t i = 0; i < total; ++i) {
        const float p = pulses[i];
        float x = static_cast<float>(e.body) * bodyLp.process(p);
        for (int r = 0; r < 3; ++r) x += static_cast<float>(e.resonanceGain[r]) * res[r].process(p) * 2.0f;
        x += static_cast<float>(e.noise) * noiseBand.process(noise.next()) * (0.35f + envelope[i]);
        if (e.whine > 0) {
            whinePhase += e.whineHz / rate;
            x += static_cast<float>(e.whine *
                                    (std::sin(kTwoPi * whinePhase) + 0.3 * whineBand.process(noise.next())));
        }
        if (e.pops > 0) {
            if (noise.uniform() < e.pops / rate) popEnergy = 0.5 + noise.uniform();
            popEnergy *= 0.9985;
            x += static_cast<float>(popEnergy * popEnergy) * popBand.process(noise.next()) * 2.5f;
        }
        x = static_cast<float>(std::tanh(e.drive * x) / std::tanh(e.drive));
        out[i] = lp2.process(lp1.process(dc.process(x)));
    }
    std::vector<float> body(out.begin() + warm, out.end());
    std::vector<float> looped = closeLoop(body, loop, fade, 1, false);
    normalisePeak(looped, peak);
    return looped;
}

// ---------------------------------------------------------------------------
// Crashes: a thump, crunching grains, ringing metal, glass and scraping.

struct CrashSpec {
    double seconds;
    int hits;          // sub-impacts
    double hitSpread;  // seconds over which they fall
    double thumpFrom, thumpTo, thumpTau;
    double crunch, crunchTau;
    double metal, metalTau;
    double glass;
    double scrape;
    float peak;
    uint32_t seed;
};

static const CrashSpec kCrashes[4] = {
    {0.45, 1, 0.0, 140, 70, 0.05, 0.35, 0.05, 0.10, 0.12, 0.0, 0.0, 1.0f, 101},
    {0.8, 2, 0.05, 120, 55, 0.07, 0.55, 0.09, 0.30, 0.22, 0.08, 0.0, 1.0f, 202},
    {1.3, 3, 0.12, 105, 45, 0.09, 0.8, 0.15, 0.55, 0.35, 0.35, 0.25, 1.0f, 303},
    {2.0, 4, 0.22, 90, 32, 0.13, 1.0, 0.25, 0.8, 0.55, 0.6, 0.6, 1.0f, 404},
};

static std::vector<float> renderCrash(const CrashSpec& c, int rate) {
    const size_t total = static_cast<size_t>(c.seconds * rate);
    Noise noise(c.seed);
    std::vector<float> out(total, 0.0f);
    double hitTimes[8];
    double hitGains[8];
    for (int h = 0; h < c.hits; ++h) {
        hitTimes[h] =
            h == 0 ? 0.0 : c.hitSpread * (h / static_cast<double>(c.hits)) * (0.7 + 0.6 * noise.uniform());
        hitGains[h] = h == 0 ? 1.0 : 0.45 + 0.4 * noise.uniform();
    }
    // Metal modes: inharmonic partials of a panel.
    double modeHz[10], modeTau[10], modeGain[10];
    for (int m = 0; m < 10; ++m) {
        modeHz[m] = 380 * std::pow(1.0 + 0.37 * m, 1.35) * (0.95 + 0.1 * noise.uniform());
        modeTau[m] = c.metalTau * (0.4 + 0.6 * noise.uniform()) / (1 + 0.15 * m);
        modeGain[m] = (0.5 + 0.5 * noise.uniform()) / (1 + 0.3 * m);
    }
    // Glass pings: short high partials at random times after the impact.
    const int glassCount = static_cast<int>(c.glass * 60);
    std::vector<double> glassAt(glassCount), glassHz(glassCount), glassGain(glassCount);
    for (int g = 0; g < glassCount; ++g) {
        glassAt[g] = 0.02 + std::pow(noise.uniform(), 2.0) * (c.seconds * 0.6);
        glassHz[g] = 3000 + 5000 * noise.uniform();
        glassGain[g] = 0.1 + 0.25 * noise.uniform();
    }
    Biquad crunchBand = bandPass(rate, 1400, 0.7), crunchLow = lowPass(rate, 6000),
           crunchLow2 = lowPass(rate, 6000);
    Biquad scrapeBand = bandPass(rate, 2600, 3.0);
    double grain = 0, grainLeft = 0;
    double thumpPhase[8] = {0};
    for (size_t i = 0; i < total; ++i) {
        const double t = i / static_cast<double>(rate);
        double x = 0;
        for (int h = 0; h < c.hits; ++h) {
            const double u = t - hitTimes[h];
            if (u < 0) continue;
            const double f = c.thumpTo + (c.thumpFrom - c.thumpTo) * std::exp(-u / 0.04);
            thumpPhase[h] += f / rate;
            x += hitGains[h] * std::sin(kTwoPi * thumpPhase[h]) * decay(u, c.thumpTau) * 0.9;
            double ring = 0;
            for (int m = 0; m < 10; ++m)
                ring += modeGain[m] * std::sin(kTwoPi * modeHz[m] * u + m) * decay(u, modeTau[m]);
            x += c.metal * hitGains[h] * ring * 0.35;
        }
        // Crunch: grains of noise, each with a soft attack and a quick decay,
        // falling off in number and strength after the impact.
        if (noise.uniform() < 700.0 / rate * decay(t, c.crunchTau)) {
            grain = (0.3 + 0.7 * noise.uniform()) * decay(t, c.crunchTau * 1.5);
            grainLeft = 0;
        }
        grainLeft += (grain - grainLeft) * 0.08;  // attack over a few samples
        grain *= 0.9975;
        x += c.crunch *
             crunchBand.process(noise.next() *
                                static_cast<float>(grainLeft * 1.6 + 0.6 * decay(t, c.crunchTau * 0.4))) *
             2.0;
        for (int k = 0; k < glassCount; ++k) {
            const double u = t - glassAt[k];
            if (u >= 0 && u < 0.2)
                x += glassGain[k] * std::sin(kTwoPi * glassHz[k] * u) * decay(u, 0.025) *
                     std::min(1.0, u / 0.0008);
        }
        if (c.scrape > 0 && t > 0.1) {
            const double rough = 0.5 + 0.5 * std::sin(kTwoPi * 31 * t) * std::sin(kTwoPi * 7 * t);
            x += c.scrape * scrapeBand.process(noise.next()) * rough * decay(t - 0.1, c.seconds * 0.35) * 1.5;
        }
        out[i] = crunchLow2.process(crunchLow.process(static_cast<float>(std::tanh(1.5 * x))));
    }
    // A short fade-in and fade-out: no click at either end.
    for (size_t i = 0; i < 32 && i < total; ++i) out[i] *= i / 32.0f;
    for (size_t i = 0; i < 2000 && i < total; ++i) out[total - 1 - i] *= i / 2000.0f;
    normalisePeak(out, c.peak);
    return out;
}

// ---------------------------------------------------------------------------
// Loops of noise and tone

// Tyre squeal: a wavering whistle with rough chatter over a band of hiss.
// Every modulation makes whole cycles in the 2 s loop.
static std::vector<float> renderSqueal(int rate) {
    const size_t loop = 2 * rate, fade = rate / 5;
    Noise noise(808);
    std::vector<float> tone(loop), hiss(loop + fade);
    double phase = 0;
    for (size_t i = 0; i < loop; ++i) {
        const double t = i / static_cast<double>(rate);
        const double f = 1150 + 70 * std::sin(kTwoPi * 0.5 * t) + 35 * std::sin(kTwoPi * 1.5 * t + 1.0) +
                         18 * std::sin(kTwoPi * 6.5 * t);
        phase += f / rate;
        const double chatter = 0.75 + 0.25 * std::sin(kTwoPi * 23 * t) * std::sin(kTwoPi * 2.5 * t + 0.3);
        const double swell = 0.8 + 0.2 * std::sin(kTwoPi * 1.0 * t + 2.0);
        tone[i] = static_cast<float>(chatter * swell *
                                     (std::sin(kTwoPi * phase) + 0.35 * std::sin(2 * kTwoPi * phase + 0.5) +
                                      0.12 * std::sin(3 * kTwoPi * phase + 1.1)));
    }
    Biquad band = bandPass(rate, 2400, 1.5), band2 = bandPass(rate, 1200, 4);
    for (size_t i = 0; i < hiss.size(); ++i) {
        const float n = noise.next();
        hiss[i] = 0.9f * band.process(n) + 0.8f * band2.process(n);
    }
    std::vector<float> hissLoop = closeLoop(hiss, loop, fade);
    // The whistle's total phase is a whole number of cycles, so the tone closes by itself.
    std::vector<float> out(loop);
    for (size_t i = 0; i < loop; ++i) out[i] = 0.55f * tone[i] + hissLoop[i];
    normalisePeak(out, 0.75f);
    return out;
}

// Wind at speed: a low buffeting under a bright rush of air. The rush sits
// above the engines' harmonics (2-6 kHz), so the wind is heard over an engine
// at full throttle even at the modest gain the game gives it at 200 km/h.
static std::vector<float> renderWind(int rate) {
    const size_t loop = 4 * rate, fade = rate / 2;
    Noise noise(909);
    std::vector<float> raw(loop + fade);
    Biquad low = lowPass(rate, 160), band = bandPass(rate, 600, 0.9), band2 = bandPass(rate, 1500, 1.5);
    // The rush falls off steeply above 6 kHz: the checkpoint tick lives there.
    Biquad rushHigh = highPass(rate, 2000), rushLow = lowPass(rate, 6000), rushLow2 = lowPass(rate, 6000),
           rushLow3 = lowPass(rate, 6000), top = lowPass(rate, 6500), top2 = lowPass(rate, 6500);
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = static_cast<double>(i % loop) / rate;
        const double gust =
            0.65 + 0.2 * std::sin(kTwoPi * 0.25 * t) + 0.15 * std::sin(kTwoPi * 0.75 * t + 1.3);
        const double whistle = 0.5 + 0.5 * std::sin(kTwoPi * 0.5 * t + 0.7);
        const float n = noise.next();
        const double rush = rushLow3.process(rushLow2.process(rushLow.process(rushHigh.process(n))));
        const float wind = static_cast<float>(gust * (1.0 * low.process(n) + 0.7 * band.process(n) +
                                                      0.35 * whistle * band2.process(n) + 0.55 * rush));
        raw[i] = top2.process(top.process(wind));
    }
    std::vector<float> out = closeLoop(raw, loop, fade);
    normalisePeak(out, 0.7f);
    return out;
}

static std::vector<float> renderNitro(int rate) {
    const size_t loop = 2 * rate, fade = rate / 4;
    Noise noise(1010);
    std::vector<float> raw(loop + fade);
    Biquad hp = highPass(rate, 2200), hiss = peaking(rate, 5200, 1.0, 8), roar = lowPass(rate, 220),
           roar2 = bandPass(rate, 90, 1.0);
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = static_cast<double>(i % loop) / rate;
        const double flutter = 0.9 + 0.1 * std::sin(kTwoPi * 17 * t);
        const float n = noise.next();
        raw[i] = static_cast<float>(
            flutter * (0.8 * hiss.process(hp.process(n)) + 1.6 * roar.process(n) + 2.5 * roar2.process(n)));
    }
    std::vector<float> out = closeLoop(raw, loop, fade);
    normalisePeak(out, 0.75f);
    return out;
}

// ---------------------------------------------------------------------------
// One-shots

// Checkpoint tick: a short, bright tick above the engines' range and above
// the wind's rush (2-6 kHz), so it is heard at a low level at any speed and
// does not tire at two a second. Two glassy partials (7.1 and 9.3 kHz) over a
// very short burst of noise filtered around 8 kHz, and a faint knock at 2.4
// kHz for body.
static std::vector<float> renderTick(int rate) {
    const size_t total = static_cast<size_t>(0.06 * rate);
    Noise noise(1313);
    Biquad band = bandPass(rate, 8000, 2.0);
    std::vector<float> out(total);
    for (size_t i = 0; i < total; ++i) {
        const double t = i / static_cast<double>(rate);
        const double ping = std::sin(kTwoPi * 7100 * t) * decay(t, 0.012) +
                            0.6 * std::sin(kTwoPi * 9300 * t) * decay(t, 0.008) +
                            0.2 * std::sin(kTwoPi * 2400 * t) * decay(t, 0.006);
        const double x = ping + 0.5 * band.process(noise.next()) * decay(t, 0.002);
        out[i] = static_cast<float>(x * std::min(1.0, t / 0.0008));
    }
    for (size_t i = 0; i < 400; ++i) out[total - 1 - i] *= i / 400.0f;
    return out;
}

// A bell-like note: a few inharmonic partials with a soft strike, for the
// stings. Adds it into out from `at` seconds, lasting about `tau` seconds.
static void addBell(std::vector<float>& out, int rate, double at, double hz, double tau, double gain) {
    static const double kPartials[4][2] = {{1.0, 1.0}, {2.0, 0.45}, {3.01, 0.22}, {4.17, 0.12}};
    const size_t from = static_cast<size_t>(at * rate);
    for (size_t i = from; i < out.size(); ++i) {
        const double t = (i - from) / static_cast<double>(rate);
        double x = 0;
        for (const auto& partial : kPartials)
            x += partial[1] * std::sin(kTwoPi * hz * partial[0] * t) * decay(t, tau / partial[0]);
        out[i] += static_cast<float>(gain * x * std::min(1.0, t / 0.003));
    }
}

// The stings, in the race music's key of A minor: notes in Hz, the time each
// starts and how long it rings.
struct StingNote {
    double at, hz, tau, gain;
};

static std::vector<float> renderSting(int rate, double seconds, const StingNote* notes, int count) {
    std::vector<float> out(static_cast<size_t>(seconds * rate), 0.0f);
    for (int n = 0; n < count; ++n) addBell(out, rate, notes[n].at, notes[n].hz, notes[n].tau, notes[n].gain);
    for (size_t i = 0; i < 600; ++i) out[out.size() - 1 - i] *= i / 600.0f;
    return out;
}

// A new lap: two notes rising a fifth (E5, B5).
static std::vector<float> renderLapSting(int rate) {
    static const StingNote kNotes[] = {{0.0, 659.25, 0.25, 1.0}, {0.12, 987.77, 0.35, 0.9}};
    return renderSting(rate, 0.7, kNotes, 2);
}

// The last lap: three notes rising to the octave (E5, A5, E6), the top one
// doubled and ringing longer, so it is told from a lap at once.
static std::vector<float> renderLastLapSting(int rate) {
    static const StingNote kNotes[] = {
        {0.0, 659.25, 0.2, 1.0}, {0.1, 880.0, 0.2, 0.9}, {0.2, 1318.5, 0.5, 0.9}, {0.2, 1320.5, 0.5, 0.5}};
    return renderSting(rate, 1.1, kNotes, 4);
}

// A win: a rising A major arpeggio to the octave, held as a chord.
static std::vector<float> renderWinSting(int rate) {
    static const StingNote kNotes[] = {{0.0, 440.0, 0.5, 0.9},   {0.11, 554.37, 0.5, 0.8},
                                       {0.22, 659.25, 0.6, 0.8}, {0.33, 880.0, 0.9, 0.9},
                                       {0.33, 1108.7, 0.9, 0.5}, {0.33, 1318.5, 0.9, 0.4}};
    return renderSting(rate, 2.0, kNotes, 6);
}

// Second or third: the A minor triad rising, ending on the fifth.
static std::vector<float> renderPodiumSting(int rate) {
    static const StingNote kNotes[] = {
        {0.0, 440.0, 0.4, 0.9}, {0.14, 523.25, 0.4, 0.8}, {0.28, 659.25, 0.7, 0.8}, {0.28, 329.63, 0.7, 0.4}};
    return renderSting(rate, 1.5, kNotes, 4);
}

// Last: falling from the fifth to the root, low and soft.
static std::vector<float> renderLastPlaceSting(int rate) {
    static const StingNote kNotes[] = {{0.0, 329.63, 0.35, 0.9},
                                       {0.18, 293.66, 0.35, 0.8},
                                       {0.36, 220.0, 0.8, 0.9},
                                       {0.36, 261.63, 0.8, 0.4}};
    return renderSting(rate, 1.5, kNotes, 4);
}

// Countdown beep: a clean tone with a soft attack, E5 at pitch 1; the game
// plays it an octave higher on "go", where it also lasts half as long.
static std::vector<float> renderBeep(int rate) {
    const size_t total = static_cast<size_t>(0.4 * rate);
    std::vector<float> out(total);
    for (size_t i = 0; i < total; ++i) {
        const double t = i / static_cast<double>(rate);
        const double env = std::min(1.0, t / 0.004) * (t < 0.22 ? 1.0 : decay(t - 0.22, 0.04));
        out[i] =
            static_cast<float>(env * (std::sin(kTwoPi * 659.25 * t) + 0.25 * std::sin(kTwoPi * 1318.5 * t) +
                                      0.08 * std::sin(kTwoPi * 1977.8 * t)));
    }
    for (size_t i = 0; i < 400; ++i) out[total - 1 - i] *= i / 400.0f;
    return out;
}

// Gear change: a dull clunk, a metallic tick and a breath of air.
static std::vector<float> renderGear(int rate) {
    const size_t total = static_cast<size_t>(0.32 * rate);
    Noise noise(1111);
    std::vector<float> out(total);
    Biquad air = bandPass(rate, 3200, 1.2);
    double phase = 0;
    for (size_t i = 0; i < total; ++i) {
        const double t = i / static_cast<double>(rate);
        phase += (70 + 90 * std::exp(-t / 0.01)) / rate;
        double x = std::sin(kTwoPi * phase) * decay(t, 0.035) * 0.9;
        const double u = t - 0.012;
        if (u >= 0)
            x += 0.3 * (std::sin(kTwoPi * 1870 * u) * decay(u, 0.02) +
                        0.6 * std::sin(kTwoPi * 3140 * u) * decay(u, 0.012) +
                        0.4 * std::sin(kTwoPi * 4730 * u) * decay(u, 0.008));
        x += 0.15 * air.process(noise.next()) * decay(t - 0.03, 0.05) * (t > 0.03 ? 1 : 0);
        out[i] = static_cast<float>(x);
    }
    for (size_t i = 0; i < 400; ++i) out[total - 1 - i] *= i / 400.0f;
    normalisePeak(out, 0.6f);
    return out;
}

// Menu click: a short, crisp tick with a little body.
static std::vector<float> renderClick(int rate) {
    const size_t total = static_cast<size_t>(0.07 * rate);
    Noise noise(1212);
    Biquad hp = highPass(rate, 3000);
    std::vector<float> out(total);
    for (size_t i = 0; i < total; ++i) {
        const double t = i / static_cast<double>(rate);
        const double x = std::sin(kTwoPi * 2200 * t) * decay(t, 0.006) +
                         0.5 * std::sin(kTwoPi * 330 * t) * decay(t, 0.012) +
                         0.6 * hp.process(noise.next()) * decay(t, 0.0015);
        out[i] = static_cast<float>(x * std::min(1.0, t / 0.0005));
    }
    for (size_t i = 0; i < 200; ++i) out[total - 1 - i] *= i / 200.0f;
    normalisePeak(out, 0.6f);
    return out;
}

// Menu hover: a soft rising blip, quieter than the click.
static std::vector<float> renderHover(int rate) {
    const size_t total = static_cast<size_t>(0.1 * rate);
    std::vector<float> out(total);
    double phase = 0;
    for (size_t i = 0; i < total; ++i) {
        const double t = i / static_cast<double>(rate);
        phase += (900 + 450 * std::min(1.0, t / 0.05)) / rate;
        const double env = std::min(1.0, t / 0.005) * decay(t, 0.025);
        out[i] = static_cast<float>(env * (std::sin(kTwoPi * phase) + 0.15 * std::sin(2 * kTwoPi * phase)));
    }
    for (size_t i = 0; i < 300; ++i) out[total - 1 - i] *= i / 300.0f;
    normalisePeak(out, 0.35f);
    return out;
}

// ---------------------------------------------------------------------------
// Ambience: the districts heard under the race, 8 s seamless loops at 44.1 kHz.

// The city at night: the far rumble of traffic, a swish of tyres on wet
// streets swelling and fading, and the hum of the lamps' transformers.
static std::vector<float> renderCityAmbience(int rate) {
    const size_t loop = 8 * static_cast<size_t>(rate), fade = static_cast<size_t>(rate);
    Noise noise(1515);
    Biquad rumble = lowPass(rate, 120), rumble2 = lowPass(rate, 120), swish = bandPass(rate, 900, 0.8),
           swishTop = lowPass(rate, 3000);
    std::vector<float> raw(loop + fade);
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = static_cast<double>(i % loop) / rate;
        const double swell = 0.5 + 0.5 * std::sin(kTwoPi * 0.125 * t) * std::sin(kTwoPi * 0.375 * t + 0.4);
        const float n = noise.next();
        raw[i] = static_cast<float>(3.0 * rumble2.process(rumble.process(n)) +
                                    0.5 * swell * swishTop.process(swish.process(n)));
    }
    // The hum is periodic, whole cycles in the loop: added after the noise's
    // crossfade, which would swell it.
    std::vector<float> out = closeLoop(raw, loop, fade);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        out[i] += static_cast<float>(0.05 * (std::sin(kTwoPi * 100 * t) + 0.4 * std::sin(kTwoPi * 200 * t)));
    }
    return out;
}

// The harbour: water lapping at the quay in uneven waves, and the low
// groan of moored hulls.
static std::vector<float> renderHarbourAmbience(int rate) {
    const size_t loop = 8 * static_cast<size_t>(rate), fade = static_cast<size_t>(rate);
    Noise noise(1616);
    Biquad lap = bandPass(rate, 450, 1.2), splash = bandPass(rate, 2200, 1.5), swell = lowPass(rate, 80);
    std::vector<float> raw(loop + fade);
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = static_cast<double>(i % loop) / rate;
        // Waves at 0.5, 0.75 and 1.25 a second: whole cycles in the loop.
        double wave = 0.5 + 0.3 * std::sin(kTwoPi * 0.5 * t) + 0.2 * std::sin(kTwoPi * 1.25 * t + 1.1);
        wave *= 0.7 + 0.3 * std::sin(kTwoPi * 0.75 * t + 2.0);
        const double slap = std::pow(std::max(0.0, wave), 3.0);
        const float n = noise.next();
        raw[i] = static_cast<float>(1.2 * wave * lap.process(n) + 0.6 * slap * splash.process(n) +
                                    2.0 * swell.process(n));
    }
    return closeLoop(raw, loop, fade);
}

// The ironworks: a deep mains hum with its harmonics, a furnace's roar and
// a far hammer every two seconds.
static std::vector<float> renderWorksAmbience(int rate) {
    const size_t loop = 8 * static_cast<size_t>(rate), fade = static_cast<size_t>(rate);
    Noise noise(1717);
    Biquad roar = lowPass(rate, 300), roar2 = bandPass(rate, 160, 0.7);
    std::vector<float> raw(loop + fade);
    for (size_t i = 0; i < raw.size(); ++i) {
        const float n = noise.next();
        raw[i] = static_cast<float>(2.0 * roar.process(n) + 0.8 * roar2.process(n));
    }
    // The hum and the hammer are periodic: added after the noise's crossfade.
    std::vector<float> out = closeLoop(raw, loop, fade);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        const double hum = std::sin(kTwoPi * 50 * t) + 0.5 * std::sin(kTwoPi * 100 * t) +
                           0.3 * std::sin(kTwoPi * 150 * t) + 0.15 * std::sin(kTwoPi * 250 * t);
        const double u = std::fmod(t, 2.0);
        const double hammer = (std::sin(kTwoPi * 820 * u) + 0.6 * std::sin(kTwoPi * 1370 * u)) *
                              decay(u, 0.05) * std::min(1.0, u / 0.001);
        out[i] += static_cast<float>(0.25 * hum + 0.35 * hammer);
    }
    return out;
}

// Kerb rumble: the tyres drumming over the kerb's ridges, 24 a second at
// pitch 1 (the game raises the pitch with the speed), each a dull thump and
// a grain of grit. A whole number of ridges in the 1 s loop.
static std::vector<float> renderKerbRumble(int rate) {
    const size_t loop = static_cast<size_t>(rate), fade = static_cast<size_t>(rate) / 4;
    Noise noise(1818);
    Biquad grit = bandPass(rate, 700, 0.9), body = lowPass(rate, 250);
    std::vector<float> raw(loop + fade);
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = static_cast<double>(i % loop) / rate;
        const double u = std::fmod(t, 1.0 / 24.0);
        const float n = noise.next();
        raw[i] = static_cast<float>(1.5 * body.process(n) * decay(u, 0.02) +
                                    0.6 * grit.process(n) * decay(u, 0.008));
    }
    // The thumps are periodic: added after the noise's crossfade.
    std::vector<float> out = closeLoop(raw, loop, fade);
    for (size_t i = 0; i < out.size(); ++i) {
        const double u = std::fmod(static_cast<double>(i) / rate, 1.0 / 24.0);
        out[i] += static_cast<float>(std::sin(kTwoPi * 75 * u) * decay(u, 0.012) * std::min(1.0, u / 0.001));
    }
    return out;
}

static std::vector<float> renderRaw(int index) {
    const int rate = effectSounds[index].rate;
    switch (index) {
        case 0:
        case 1:
        case 2:
        case 3:
            return renderEngine(kEngines[index], rate, 1.0f);
        case 4:
        case 5:
        case 6:
        case 7:
            return renderCrash(kCrashes[index - 4], rate);
        case 8:
            return renderSqueal(rate);
        case 9:
            return renderTick(rate);
        case 10:
            return renderEngine(kEngines[4], rate, 1.0f);
        case 11:
            return renderGear(rate);
        case 12:
            return renderNitro(rate);
        case 13:
            return renderWind(rate);
        case 14:
            return renderClick(rate);
        case 15:
            return renderHover(rate);
        case 16:
            return renderBeep(rate);
        case 17:
            return renderLapSting(rate);
        case 18:
            return renderLastLapSting(rate);
        case 19:
            return renderWinSting(rate);
        case 20:
            return renderPodiumSting(rate);
        case 21:
            return renderLastPlaceSting(rate);
        case 22:
            return renderCityAmbience(rate);
        case 23:
            return renderHarbourAmbience(rate);
        case 24:
            return renderWorksAmbience(rate);
        case 25:
            return renderKerbRumble(rate);
        default:
            return {};
    }
}

std::vector<float> renderEffectSound(int index) {
    std::vector<float> out = renderRaw(index);
    normalisePeak(out, effectSoundPeaks[index]);
    return out;
}

// The splash's bed: a slow, dark chord of soft saws (A minor, the menu
// music's key) breathing through a low-pass, over the far rumble of a city
// at night. Every modulation makes whole cycles in the 8 s loop.
std::vector<float> renderSplashBed() {
    const int rate = kSplashBedRate;
    const size_t loop = 8 * rate, fade = rate;
    Noise noise(1414);
    const double notes[4] = {110.0, 164.81, 261.63, 329.63};
    double phase[4] = {0, 0.25, 0.5, 0.75};
    Biquad filter = lowPass(rate, 600, 0.9), rumble = lowPass(rate, 90), rumble2 = lowPass(rate, 90);
    std::vector<float> raw(loop + fade);
    for (size_t i = 0; i < raw.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        double chord = 0;
        for (int n = 0; n < 4; ++n) {
            const double step = notes[n] * (1.0 + 0.002 * std::sin(kTwoPi * 0.125 * (n + 1) * t)) / rate;
            phase[n] += step;
            chord += sawBlep(phase[n], step) * (n == 0 ? 0.6 : 0.35);
        }
        const double cutoff = 420 + 260 * (0.5 - 0.5 * std::cos(kTwoPi * 0.125 * t));
        retuneLowPass(filter, rate, cutoff, 0.9);
        const double city = rumble2.process(rumble.process(noise.next())) * 6.0;
        raw[i] = static_cast<float>(filter.process(static_cast<float>(chord)) + city);
    }
    std::vector<float> out = closeLoop(raw, loop, fade);
    normalisePeak(out, kSplashBedPeak);
    return out;
}

bool generateSounds(const std::string& baseDir) {
    const std::string soundDir = baseDir + "/sound", musicDir = baseDir + "/music";
    if (!makeDirectories(soundDir) || !makeDirectories(musicDir)) return false;
    for (int i = 0; i < kGeneratedSoundCount; ++i) {
        const EffectSound& s = effectSounds[i];
        if (!writeWav(soundDir + "/" + s.name, renderEffectSound(i), 1, s.rate, s.loop)) return false;
    }
    if (!writeWav(musicDir + "/splash.wav", renderSplashBed(), 1, kSplashBedRate, true)) return false;
    return generateMusic(musicDir);
}
