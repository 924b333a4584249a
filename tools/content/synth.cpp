// DSP building blocks of the sound and music generators.
#include "content/synth.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>

void* allocateSamples(size_t bytes) {
    const size_t huge = size_t(2) << 20;
    void* memory = nullptr;
    if (bytes >= 2 * huge) {
        const size_t rounded = (bytes + huge - 1) / huge * huge;
        memory = std::aligned_alloc(huge, rounded);
        if (memory) madvise(memory, rounded, MADV_HUGEPAGE);
    } else {
        memory = std::malloc(bytes ? bytes : 1);
    }
    if (!memory) throw std::bad_alloc();
    return memory;
}

void releaseSamples(void* memory) {
    std::free(memory);
}

Biquad lowPass(double rate, double cutoff, double q) {
    Biquad f;
    retuneLowPass(f, rate, cutoff, q);
    return f;
}

void retuneLowPass(Biquad& f, double rate, double cutoff, double q) {
    cutoff = std::clamp(cutoff, 10.0, rate * 0.45);
    const double w = kTwoPi * cutoff / rate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha;
    f.b0 = static_cast<float>((1 - c) / 2 / a0);
    f.b1 = static_cast<float>((1 - c) / a0);
    f.b2 = f.b0;
    f.a1 = static_cast<float>(-2 * c / a0);
    f.a2 = static_cast<float>((1 - alpha) / a0);
}

Biquad highPass(double rate, double cutoff, double q) {
    Biquad f;
    cutoff = std::clamp(cutoff, 10.0, rate * 0.45);
    const double w = kTwoPi * cutoff / rate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha;
    f.b0 = static_cast<float>((1 + c) / 2 / a0);
    f.b1 = static_cast<float>(-(1 + c) / a0);
    f.b2 = f.b0;
    f.a1 = static_cast<float>(-2 * c / a0);
    f.a2 = static_cast<float>((1 - alpha) / a0);
    return f;
}

Biquad bandPass(double rate, double centre, double q) {
    Biquad f;
    centre = std::clamp(centre, 10.0, rate * 0.45);
    const double w = kTwoPi * centre / rate, c = std::cos(w), alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha;
    f.b0 = static_cast<float>(alpha / a0);
    f.b1 = 0;
    f.b2 = static_cast<float>(-alpha / a0);
    f.a1 = static_cast<float>(-2 * c / a0);
    f.a2 = static_cast<float>((1 - alpha) / a0);
    return f;
}

Biquad peaking(double rate, double centre, double q, double gainDb) {
    Biquad f;
    centre = std::clamp(centre, 10.0, rate * 0.45);
    const double a = std::pow(10.0, gainDb / 40), w = kTwoPi * centre / rate;
    const double c = std::cos(w), alpha = std::sin(w) / (2 * q);
    const double a0 = 1 + alpha / a;
    f.b0 = static_cast<float>((1 + alpha * a) / a0);
    f.b1 = static_cast<float>(-2 * c / a0);
    f.b2 = static_cast<float>((1 - alpha * a) / a0);
    f.a1 = static_cast<float>(-2 * c / a0);
    f.a2 = static_cast<float>((1 - alpha / a) / a0);
    return f;
}

OnePole onePole(double rate, double cutoff) {
    OnePole p;
    p.k = static_cast<float>(1 - std::exp(-kTwoPi * cutoff / rate));
    return p;
}

static double blep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1;
    }
    if (t > 1 - dt) {
        t = (t - 1) / dt;
        return t * t + t + t + 1;
    }
    return 0;
}

float sawBlep(double phase, double step) {
    const double t = phase - std::floor(phase);
    return static_cast<float>(2 * t - 1 - blep(t, step));
}

float squareBlep(double phase, double step, double width) {
    const double t = phase - std::floor(phase);
    double v = t < width ? 1 : -1;
    v += blep(t, step);
    double t2 = t + 1 - width;
    t2 -= std::floor(t2);
    v -= blep(t2, step);
    return static_cast<float>(v);
}

float adsr(double t, double length, double attack, double decayTime, double sustain, double release) {
    if (t < 0) return 0;
    auto held = [&](double u) {
        if (u < attack) return u / attack;
        return sustain + (1 - sustain) * std::exp(-(u - attack) / decayTime);
    };
    if (t < length) return static_cast<float>(held(t));
    return static_cast<float>(held(length) * std::exp(-(t - length) / release));
}

void Reverb::init(double rate, double size, double damping) {
    // Mutually prime delays around 30-45 ms, scaled by the room size.
    static const int combMs[4] = {297, 371, 411, 437};
    static const int allMs[2] = {50, 17};
    for (int side = 0; side < 2; ++side) {
        for (int i = 0; i < 4; ++i) {
            Line& l = combs[side][i];
            l.buffer.assign(static_cast<size_t>(rate * (combMs[i] + side * 7) / 10000.0 * size) + 1, 0);
            l.at = 0;
            l.feedback = 0.84f;
            l.damp = static_cast<float>(damping);
            l.state = 0;
        }
        for (int i = 0; i < 2; ++i) {
            Line& l = allpasses[side][i];
            l.buffer.assign(static_cast<size_t>(rate * (allMs[i] + side * 3) / 10000.0) + 1, 0);
            l.at = 0;
            l.feedback = 0.5f;
        }
    }
}

void Reverb::process(float in, float& left, float& right) {
    float out[2];
    for (int side = 0; side < 2; ++side) {
        float sum = 0;
        for (Line& l : combs[side]) {
            const float y = l.buffer[l.at];
            l.state = y * (1 - l.damp) + l.state * l.damp;
            l.buffer[l.at] = in + l.state * l.feedback;
            l.at = (l.at + 1) % l.buffer.size();
            sum += y;
        }
        for (Line& l : allpasses[side]) {
            const float b = l.buffer[l.at];
            l.buffer[l.at] = sum + b * l.feedback;
            l.at = (l.at + 1) % l.buffer.size();
            sum = b - sum * l.feedback;
        }
        out[side] = sum * 0.25f;
    }
    left = out[0];
    right = out[1];
}

std::vector<float> closeLoop(const std::vector<float>& samples, size_t loopLength, size_t fade, int channels,
                             bool equalPower) {
    std::vector<float> out(samples.begin(), samples.begin() + loopLength * channels);
    for (size_t i = 0; i < fade; ++i) {
        const double t = (i + 0.5) / fade;
        const float in = static_cast<float>(equalPower ? std::sin(t * kTwoPi / 4) : t);
        const float outW = static_cast<float>(equalPower ? std::cos(t * kTwoPi / 4) : 1 - t);
        for (int c = 0; c < channels; ++c) {
            const size_t head = i * channels + c, tail = (loopLength + i) * channels + c;
            out[head] = samples[head] * in + samples[tail] * outW;
        }
    }
    return out;
}

void normalisePeak(std::vector<float>& samples, float peak) {
    float most = 0;
    for (float s : samples) most = std::max(most, std::fabs(s));
    if (most <= 0) return;
    const float scale = peak / most;
    for (float& s : samples) s *= scale;
}

double rms(const std::vector<float>& samples, size_t from, size_t to) {
    to = std::min(to, samples.size());
    if (to <= from) return 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / (to - from));
}
