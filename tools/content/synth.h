// Small synthesiser toolkit for the generated sounds and music: noise,
// oscillators, RBJ biquad filters, envelopes, a plate-like reverb, and the
// loop join helper. Everything is plain float maths over sample buffers, with
// seeded noise, so a render gives the same samples on every run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

constexpr double kTwoPi = 6.283185307179586;

// Allocator for the long sample buffers of the music (tens of megabytes):
// asks for transparent huge pages, since faulting in that much memory page by
// page costs more than rendering the notes on a virtual machine.
void* allocateSamples(size_t bytes);
void releaseSamples(void* memory);
template <typename T>
struct SampleAllocator {
    using value_type = T;
    SampleAllocator() = default;
    template <typename U>
    SampleAllocator(const SampleAllocator<U>&) {}
    T* allocate(size_t n) { return static_cast<T*>(allocateSamples(n * sizeof(T))); }
    void deallocate(T* p, size_t) { releaseSamples(p); }
    template <typename U>
    bool operator==(const SampleAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const SampleAllocator<U>&) const {
        return false;
    }
};
using SampleBuffer = std::vector<float, SampleAllocator<float>>;

// Seeded white noise in [-1, 1).
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed * 2654435761u + 12345u) {}
    float next() {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int32_t>(state) * (1.0 / 2147483648.0));
    }
    float uniform() { return 0.5f * (next() + 1.0f); }  // [0, 1)
};

// Second-order IIR section (RBJ cookbook forms), direct form I.
struct Biquad {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    float process(float x) {
        const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void reset() { x1 = x2 = y1 = y2 = 0; }
};
Biquad lowPass(double rate, double cutoff, double q = 0.7071);
Biquad highPass(double rate, double cutoff, double q = 0.7071);
Biquad bandPass(double rate, double centre, double q);  // unity gain at the centre
Biquad peaking(double rate, double centre, double q, double gainDb);
// Re-tunes a low-pass in place, keeping its state (for swept filters).
void retuneLowPass(Biquad& filter, double rate, double cutoff, double q);

// One-pole smoother / low-pass: y += k (x - y).
struct OnePole {
    float k = 1, y = 0;
    float process(float x) { return y += k * (x - y); }
};
OnePole onePole(double rate, double cutoff);

// Sine of a phase in cycles by a wrapped odd polynomial (error below 1e-4):
// several times faster than std::sin, and plenty for audio.
inline float fastSin(double phase) {
    double x = phase - std::floor(phase + 0.5);  // [-0.5, 0.5)
    // sin(2 pi x) folded onto [-0.25, 0.25].
    if (x > 0.25)
        x = 0.5 - x;
    else if (x < -0.25)
        x = -0.5 - x;
    const double y = kTwoPi * x, y2 = y * y;
    return static_cast<float>(y * (1 - y2 / 6 * (1 - y2 / 20 * (1 - y2 / 42 * (1 - y2 / 72)))));
}

// Attack-decay-sustain-release envelope stepped once per sample: the decay
// and release are exponential, kept as per-sample factors.
struct Envelope {
    double attackStep, decayFactor, releaseFactor, sustain;
    size_t holdSamples, at = 0;
    double level = 0, excess = 1;  // excess: the decaying part above the sustain level
    bool attacking = true;
    Envelope(double rate, double length, double attack, double decayTime, double sustainLevel, double release)
        : attackStep(1.0 / std::max(1.0, attack * rate)),
          decayFactor(std::exp(-1.0 / (decayTime * rate))),
          releaseFactor(std::exp(-1.0 / (release * rate))),
          sustain(sustainLevel),
          holdSamples(static_cast<size_t>(length * rate)) {}
    float next() {
        if (at++ >= holdSamples) {
            level *= releaseFactor;
        } else if (attacking) {
            level += attackStep;
            if (level >= 1) {
                level = 1;
                attacking = false;
            }
        } else {
            excess *= decayFactor;
            level = sustain + (1 - sustain) * excess;
        }
        return static_cast<float>(level);
    }
};

// Band-limited-enough oscillators for a phase in cycles (fraction used).
inline float sineAt(double phase) {
    return static_cast<float>(std::sin(kTwoPi * phase));
}
// Saw with a polyBLEP correction at the wrap: `step` is the phase increment per sample.
float sawBlep(double phase, double step);
float squareBlep(double phase, double step, double width = 0.5);

// Exponential decay envelope value after t seconds with the given time constant.
inline float decay(double t, double tau) {
    return t < 0 ? 0.0f : static_cast<float>(std::exp(-t / tau));
}
// Attack-decay-sustain-release gain at time t of a note held for `length` seconds.
float adsr(double t, double length, double attack, double decayTime, double sustain, double release);

// Stereo Schroeder-style reverb: four combs and two all-passes per side, with
// slightly different delays left and right for width.
struct Reverb {
    struct Line {
        std::vector<float> buffer;
        size_t at = 0;
        float feedback = 0;
        float damp = 0, state = 0;
    };
    Line combs[2][4];
    Line allpasses[2][2];
    void init(double rate, double size, double damping);
    void process(float in, float& left, float& right);
};

// Stereo feedback delay (ping-pong), a time in samples.
struct PingPong {
    std::vector<float> left, right;
    size_t at = 0;
    float feedback = 0.4f;
    void init(size_t samples, float fb) {
        left.assign(samples, 0);
        right.assign(samples, 0);
        at = 0;
        feedback = fb;
    }
    void process(float in, float& outLeft, float& outRight) {
        const float l = left[at], r = right[at];
        left[at] = in + r * feedback;
        right[at] = l * feedback;
        at = (at + 1) % left.size();
        outLeft = l;
        outRight = r;
    }
};

// Makes a buffer of loopLength + fade samples loop seamlessly at loopLength:
// the first `fade` samples are crossfaded with the ones after the loop point,
// so playing sample loopLength - 1 then sample 0 continues the sound exactly.
// Returns the loop (loopLength samples), interleaved with `channels`.
// Equal-power weights suit noise (the two ends are unrelated); linear ones
// suit periodic sounds whose ends already agree, which equal power would swell.
std::vector<float> closeLoop(const std::vector<float>& samples, size_t loopLength, size_t fade,
                             int channels = 1, bool equalPower = true);

// Scales so the largest magnitude is `peak`.
void normalisePeak(std::vector<float>& samples, float peak);
// Root mean square of a range.
double rms(const std::vector<float>& samples, size_t from = 0, size_t to = SIZE_MAX);
