// The five music loops: night-drive electronic tracks rendered note by note
// (drums, bass, pads, arpeggios, a lead), then encoded as Ogg Vorbis.
//
// Each track is a whole number of bars at a tempo whose beat is a whole number
// of samples. It is rendered with a few seconds of tail (reverb, delay, note
// releases) past its end, and that tail is folded back onto its start: played
// in a loop, the start of the file is exactly what follows its end.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

#include "content/image_writer.h"
#include "content/sounds.h"
#include "content/synth.h"

const char* const musicFileNames[kMusicTrackCount] = {"menu.ogg", "1.ogg", "2.ogg", "3.ogg", "4.ogg"};

static const int kRate = 44100;
static const double kTailSeconds = 4.0;
static const float kMusicPeak = 0.31f;

struct TrackSpec {
    double bpm;
    int bars;
    int root;        // MIDI note of the key's tonic (minor key)
    int chords[4];   // chord roots as minor-scale degrees, two bars each
    int drumStyle;   // 0 soft half-time, 1 four on the floor, 2 half-time heavy
    int bassStyle;   // 0 eighths, 1 rolling sixteenths with octaves, 2 sustained pulses
    int arpPattern;  // 0 up, 1 up-down, 2 broken
    double padCutoff;
    double lead;  // level of the lead melody in the second half
    uint32_t seed;
    // Bars at the start with the pads alone, swelling in: the opening the
    // game's fade-in plays over, before the hats and the arpeggio enter.
    int padBars;
};

static const TrackSpec kTracks[kMusicTrackCount] = {
    // menu: slow and wide, A minor.
    {100, 32, 57, {0, 5, 2, 6}, 0, 0, 1, 1600, 0.0, 7, 2},
    // 1: driving, E minor.
    {120, 40, 52, {0, 5, 2, 6}, 1, 1, 0, 2200, 0.8, 11, 0},
    // 2: darker and faster, F# minor.
    {126, 40, 54, {0, 5, 6, 4}, 1, 1, 2, 2000, 0.7, 13, 0},
    // 3: moody half-time, D minor.
    {105, 32, 50, {0, 5, 3, 6}, 2, 2, 1, 1800, 0.6, 17, 0},
    // 4: heavy and slow, C minor.
    {98, 32, 48, {0, 5, 2, 4}, 2, 0, 2, 1500, 0.75, 19, 0},
};

static size_t samplesPerBeat(const TrackSpec& t) {
    return static_cast<size_t>(std::lround(kRate * 60.0 / t.bpm));
}

size_t musicTrackFrames(int index) {
    const TrackSpec& t = kTracks[index];
    return samplesPerBeat(t) * 4 * t.bars;
}

static double midiHz(double note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// Natural minor scale steps, and a triad (plus seventh) on a degree.
static int scaleNote(int root, int degree) {
    static const int steps[7] = {0, 2, 3, 5, 7, 8, 10};
    const int octave = degree >= 0 ? degree / 7 : (degree - 6) / 7;
    return root + 12 * octave + steps[degree - octave * 7];
}

// One rendered note at unit gain: dry stereo plus mono sends to the reverb
// and the delay. Notes repeat all through a track (the same drum hit, the
// same bass note), so each distinct one is rendered once and placed by copy.
struct Voice {
    SampleBuffer left, right, reverbSend, delaySend;
    void resize(size_t frames) {
        left.assign(frames, 0);
        right.assign(frames, 0);
        reverbSend.assign(frames, 0);
        delaySend.assign(frames, 0);
    }
    void add(size_t at, float value, float pan, float reverb, float delay) {
        if (at >= left.size()) return;
        left[at] += value * (1 - pan);
        right[at] += value * (1 + pan);
        reverbSend[at] += value * reverb;
        delaySend[at] += value * delay;
    }
};

struct Mix : Voice {
    void place(size_t at, const Voice& v, float gain) {
        const size_t n = std::min(v.left.size(), at < left.size() ? left.size() - at : 0);
        for (size_t i = 0; i < n; ++i) {
            left[at + i] += v.left[i] * gain;
            right[at + i] += v.right[i] * gain;
            reverbSend[at + i] += v.reverbSend[i] * gain;
            delaySend[at + i] += v.delaySend[i] * gain;
        }
    }
};

enum Section { Intro, MainA, Break, MainB, Fill };

static Section sectionOf(const TrackSpec& t, int bar) {
    if (bar < 4) return Intro;
    if (bar >= t.bars - 1) return Fill;
    if (bar < t.bars / 2) return MainA;
    if (bar < t.bars / 2 + 4) return Break;
    return MainB;
}

// ---------------------------------------------------------------------------
// Instruments: each renders one note into the mix.

static void kick(Voice& mix, size_t at, float gain) {
    double phase = 0, sweep = 1, body = 1, click = 0.3;
    const double sweepK = std::exp(-1.0 / (0.03 * kRate)), bodyK = std::exp(-1.0 / (0.16 * kRate)),
                 clickK = std::exp(-1.0 / (0.002 * kRate));
    const size_t len = static_cast<size_t>(0.45 * kRate);
    for (size_t i = 0; i < len; ++i) {
        phase += (45 + 110 * sweep) / kRate;
        sweep *= sweepK;
        const float v = static_cast<float>((fastSin(phase) * body + click) * gain);
        body *= bodyK;
        click *= clickK;
        mix.add(at + i, std::tanh(1.6f * v), 0, 0.02f, 0);
    }
}

static void snare(Voice& mix, size_t at, float gain, Noise& noise) {
    Biquad band = bandPass(kRate, 1900, 0.8), hp = highPass(kRate, 400);
    const size_t len = static_cast<size_t>(0.35 * kRate);
    double bodyEnv = 1, rattleEnv = 1;
    const double bodyK = std::exp(-1.0 / (0.05 * kRate)), rattleK = std::exp(-1.0 / (0.11 * kRate));
    for (size_t i = 0; i < len; ++i) {
        const double body = fastSin(185.0 * i / kRate) * bodyEnv;
        const double rattle = band.process(noise.next()) * 1.6 + 0.4 * hp.process(noise.next());
        const float v = static_cast<float>((0.6 * body + rattle * rattleEnv) * gain);
        bodyEnv *= bodyK;
        rattleEnv *= rattleK;
        mix.add(at + i, v, 0.05f, 0.55f, 0.0f);
    }
}

static void hat(Voice& mix, size_t at, float gain, bool open, float pan, Noise& noise) {
    Biquad hp = highPass(kRate, 7500), peak = peaking(kRate, 10000, 1.0, 6);
    const double tau = open ? 0.12 : 0.025;
    const size_t len = static_cast<size_t>(tau * 6 * kRate);
    double env = gain;
    const double k = std::exp(-1.0 / (tau * kRate));
    for (size_t i = 0; i < len; ++i) {
        const float v = static_cast<float>(peak.process(hp.process(noise.next())) * env);
        env *= k;
        mix.add(at + i, v, pan, 0.05f, 0);
    }
}

static void bassNote(Voice& mix, size_t at, double seconds, int note, float gain, double cutoff) {
    const double f = midiHz(note), step = f / kRate;
    Biquad lp = lowPass(kRate, cutoff, 1.4);
    const size_t len = static_cast<size_t>((seconds + 0.08) * kRate);
    double phase = 0, phase2 = 0.37;
    Envelope envelope(kRate, seconds, 0.003, 0.15, 0.7, 0.04);
    for (size_t i = 0; i < len; ++i) {
        const double t = i / static_cast<double>(kRate);
        if (i % 64 == 0) retuneLowPass(lp, kRate, cutoff * (1 + 3 * std::exp(-t / 0.06)), 1.4);
        phase += step;
        phase2 += step * 1.006;
        const float osc =
            0.5f * (sawBlep(phase, step) + sawBlep(phase2, step * 1.006)) + 0.6f * fastSin(phase * 0.5);
        const float env = envelope.next();
        mix.add(at + i, lp.process(osc) * env * gain, 0, 0.03f, 0);
    }
}

static void padChord(Voice& mix, size_t at, double seconds, const int* notes, int count, float gain,
                     double cutoff) {
    const size_t len = static_cast<size_t>((seconds + 1.2) * kRate);
    for (int n = 0; n < count; ++n) {
        const double f = midiHz(notes[n]);
        Biquad lpL = lowPass(kRate, cutoff, 0.8), lpR = lowPass(kRate, cutoff, 0.8);
        double pl = 0.13 * n, pr = 0.61 + 0.17 * n;
        const double stepL = f * 0.997 / kRate, stepR = f * 1.004 / kRate;
        Envelope envelope(kRate, seconds, 0.6, 1.0, 0.85, 0.9);
        for (size_t i = 0; i < len; ++i) {
            const double t = i / static_cast<double>(kRate);
            // Slow vibrato on each side keeps the pad moving.
            pl += stepL * (1 + 0.0015 * fastSin(0.7 * t + n / kTwoPi));
            pr += stepR * (1 + 0.0015 * fastSin(0.53 * t + 2 * n / kTwoPi));
            const float env = envelope.next() * gain / count;
            const float l = lpL.process(sawBlep(pl, stepL)) * env, r = lpR.process(sawBlep(pr, stepR)) * env;
            const size_t k = at + i;
            if (k >= mix.left.size()) break;
            mix.left[k] += l;
            mix.right[k] += r;
            mix.reverbSend[k] += 0.3f * (l + r);
        }
    }
}

static void pluck(Voice& mix, size_t at, int note, float gain, float pan, double brightness) {
    const double f = midiHz(note), step = f / kRate;
    Biquad lp = lowPass(kRate, brightness, 2.0);
    const size_t len = static_cast<size_t>(0.4 * kRate);
    double phase = 0, env = gain;
    const double k = std::exp(-1.0 / (0.12 * kRate));
    for (size_t i = 0; i < len; ++i) {
        const double t = i / static_cast<double>(kRate);
        if (i % 64 == 0) retuneLowPass(lp, kRate, 300 + brightness * std::exp(-t / 0.08), 2.0);
        phase += step;
        const float osc = squareBlep(phase, step, 0.3);
        mix.add(at + i, lp.process(osc) * static_cast<float>(env), pan, 0.2f, 0.45f);
        env *= k;
    }
}

static void leadNote(Voice& mix, size_t at, double seconds, int note, float gain) {
    const double f = midiHz(note);
    Biquad lp = lowPass(kRate, 2600, 1.0);
    const size_t len = static_cast<size_t>((seconds + 0.3) * kRate);
    double p1 = 0, p2 = 0.5;
    Envelope envelope(kRate, seconds, 0.02, 0.3, 0.75, 0.15);
    for (size_t i = 0; i < len; ++i) {
        const double t = i / static_cast<double>(kRate);
        const double vibrato = 1 + 0.004 * fastSin(5.5 * t) * std::min(1.0, t / 0.3);
        const double s1 = f * vibrato / kRate, s2 = f * 1.007 * vibrato / kRate;
        p1 += s1;
        p2 += s2;
        const float osc = 0.6f * sawBlep(p1, s1) + 0.4f * squareBlep(p2, s2);
        mix.add(at + i, lp.process(osc) * envelope.next() * gain, -0.1f, 0.35f, 0.35f);
    }
}

// ---------------------------------------------------------------------------

// Renders a note once per distinct key and places copies of it.
struct VoiceCache {
    std::map<std::string, Voice> voices;
    template <typename Render>
    void place(Mix& mix, size_t at, const std::string& key, size_t frames, float gain, Render render) {
        auto found = voices.find(key);
        if (found == voices.end()) {
            Voice v;
            v.resize(frames);
            render(v);
            found = voices.emplace(key, std::move(v)).first;
        }
        mix.place(at, found->second, gain);
    }
};

static std::string keyOf(const char* kind, double a, double b = 0, double c = 0, double d = 0) {
    char text[96];
    std::snprintf(text, sizeof text, "%s %.4f %.4f %.4f %.4f", kind, a, b, c, d);
    return text;
}

static SampleBuffer renderTrack(const TrackSpec& t) {
    const size_t beat = samplesPerBeat(t), bar = beat * 4, sixteenth = beat / 4;
    const size_t frames = bar * t.bars, tail = static_cast<size_t>(kTailSeconds * kRate);
    Mix mix;
    mix.resize(frames + tail);
    VoiceCache cache;
    Noise noise(t.seed * 7919u);
    const double beatSeconds = 60.0 / t.bpm;
    auto at16 = [&](int b, int s) { return b * bar + static_cast<size_t>(std::lround(s * (beat / 4.0))); };
    (void)sixteenth;

    // A lead phrase per track: chord tones chosen by the seed, two bars long.
    Noise melody(t.seed * 104729u);
    int phrase[16];
    for (int& p : phrase) p = static_cast<int>(melody.uniform() * 5);

    for (int b = 0; b < t.bars; ++b) {
        const Section section = sectionOf(t, b);
        const int degree = t.chords[(b / 2) % 4];
        const int chordNotes[4] = {scaleNote(t.root, degree), scaleNote(t.root, degree + 2),
                                   scaleNote(t.root, degree + 4), scaleNote(t.root, degree + 7)};
        // Pads: one chord every two bars, always on (they carry the join).
        if (b % 2 == 0) {
            const int voiced[4] = {chordNotes[0], chordNotes[1], chordNotes[2], chordNotes[1] + 12};
            const double seconds = 2 * 4 * beatSeconds - 0.1;
            cache.place(mix, b * bar, keyOf("pad", degree), static_cast<size_t>((seconds + 1.2) * kRate),
                        0.5f, [&](Voice& v) { padChord(v, 0, seconds, voiced, 4, 1.0f, t.padCutoff); });
        }
        // Drums.
        const bool drums = section == MainA || section == MainB || section == Fill;
        for (int s = 0; s < 16; ++s) {
            const size_t pos = at16(b, s);
            if (drums) {
                const bool kickHit =
                    t.drumStyle == 1 ? s % 4 == 0 : (s == 0 || s == 10 || (t.drumStyle == 0 && s == 8));
                if (kickHit)
                    cache.place(mix, pos, "kick", kRate / 2, 1.0f, [](Voice& v) { kick(v, 0, 0.95f); });
                const bool snareHit = t.drumStyle == 1 ? (s == 4 || s == 12) : s == 8;
                auto snareVoice = [&](Voice& v) { snare(v, 0, 1.0f, noise); };
                if (snareHit) cache.place(mix, pos, "snare", kRate * 4 / 10, 0.55f, snareVoice);
                if (section == Fill && s >= 12)
                    cache.place(mix, pos, "snare", kRate * 4 / 10, 0.25f + 0.08f * (s - 12), snareVoice);
            }
            if (section != Break && b >= t.padBars) {
                const bool offbeat = s % 4 == 2;
                if (s % 2 == 0 || (t.drumStyle == 1 && section == MainB)) {
                    const bool open = offbeat && t.drumStyle == 1;
                    const float pan = s % 4 == 0 ? -0.3f : 0.3f;
                    cache.place(mix, pos, keyOf("hat", open, pan), open ? kRate : kRate / 5,
                                (offbeat ? 0.22f : 0.12f) * (section == Intro ? 0.6f : 1.0f),
                                [&](Voice& v) { hat(v, 0, 1.0f, open, pan, noise); });
                }
            }
        }
        // Bass.
        if (section != Intro) {
            const int low = chordNotes[0] - 24;
            auto bass = [&](size_t pos, double seconds, int note, float gain, double cutoff) {
                cache.place(mix, pos, keyOf("bass", seconds, note, cutoff),
                            static_cast<size_t>((seconds + 0.1) * kRate), gain,
                            [&](Voice& v) { bassNote(v, 0, seconds, note, 1.0f, cutoff); });
            };
            if (section == Break) {
                bass(b * bar, 4 * beatSeconds - 0.05, low, 0.45f, 260);
            } else if (t.bassStyle == 1) {
                for (int s = 0; s < 16; ++s)
                    bass(at16(b, s), beatSeconds / 4 - 0.01, low + (s % 2 ? 12 : 0), 0.42f, 420);
            } else if (t.bassStyle == 2) {
                for (int s = 0; s < 16; s += 4) bass(at16(b, s), beatSeconds * 0.9, low, 0.5f, 320);
            } else {
                for (int s = 0; s < 16; s += 2)
                    bass(at16(b, s), beatSeconds / 2 - 0.02, low + (s == 6 || s == 14 ? 12 : 0), 0.45f, 380);
            }
        }
        // Arpeggio over the chord, brightening through the track.
        if ((section == Intro && b >= t.padBars) || section == Break || section == MainB ||
            (section == MainA && b >= t.bars / 4)) {
            static const int up[8] = {0, 1, 2, 3, 0, 1, 2, 3}, upDown[8] = {0, 1, 2, 3, 2, 1, 0, 1},
                             broken[8] = {0, 2, 1, 3, 0, 2, 3, 1};
            const int* pattern = t.arpPattern == 0 ? up : t.arpPattern == 1 ? upDown : broken;
            const double brightness = section == Intro ? 900 : section == Break ? 1500 : 2600;
            for (int s = 0; s < 16; ++s) {
                const int note = chordNotes[pattern[s % 8]] + 12;
                const float pan = s % 2 ? 0.4f : -0.4f;
                cache.place(mix, at16(b, s), keyOf("pluck", note, pan, brightness), kRate * 4 / 10,
                            section == Intro ? 0.12f : 0.16f,
                            [&](Voice& v) { pluck(v, 0, note, 1.0f, pan, brightness); });
            }
        }
        // Lead: a two-bar phrase of chord tones in the second half.
        if (t.lead > 0 && section == MainB) {
            const int half = (b % 2) * 8;
            for (int k = 0; k < 8; k += 2) {
                const int tone = phrase[half + k];
                const int note = (tone < 4 ? chordNotes[tone] : chordNotes[0] + 12) + 12;
                const double seconds = beatSeconds * (k == 6 ? 1.8 : 0.9);
                cache.place(mix, at16(b, k * 2), keyOf("lead", note, seconds),
                            static_cast<size_t>((seconds + 0.3) * kRate), static_cast<float>(0.16 * t.lead),
                            [&](Voice& v) { leadNote(v, 0, seconds, note, 1.0f); });
            }
        }
    }

    // Effects over the whole timeline, tail included.
    Reverb reverb;
    reverb.init(kRate, 1.3, 0.35);
    PingPong delay;
    delay.init(static_cast<size_t>(beat * 0.75), 0.38f);
    Biquad delayTone = lowPass(kRate, 3000);
    // The reverb passes DC about eleven times louder than it came in, so the
    // notes' small offsets add up to a level sitting well below zero. A 10 Hz
    // blocker centres the mix, so the saturation and the game's mixer meet
    // both halves of the wave alike; it runs over the tail too, so the folded
    // join stays smooth.
    const float blockerPole = static_cast<float>(std::exp(-kTwoPi * 10.0 / kRate));
    float inL = 0, inR = 0, heldL = 0, heldR = 0;
    SampleBuffer out((frames + tail) * 2);
    for (size_t i = 0; i < frames + tail; ++i) {
        float rl, rr, dl, dr;
        reverb.process(mix.reverbSend[i], rl, rr);
        delay.process(delayTone.process(mix.delaySend[i]), dl, dr);
        const float l = mix.left[i] + 0.8f * rl + 0.5f * dl;
        const float r = mix.right[i] + 0.8f * rr + 0.5f * dr;
        heldL = l - inL + blockerPole * heldL;
        heldR = r - inR + blockerPole * heldR;
        inL = l;
        inR = r;
        out[2 * i] = heldL;
        out[2 * i + 1] = heldR;
    }
    // Fold the tail onto the start: the loop's join.
    for (size_t i = 0; i < tail * 2; ++i) out[i] += out[frames * 2 + i];
    out.resize(frames * 2);
    // Gentle master saturation and level. The music plays under the engines,
    // the squeal and the chimes, so it peaks well below full scale.
    float peak = 0;
    for (float s : out) peak = std::max(peak, std::fabs(s));
    const float drive = peak > 0 ? 1.3f / peak : 1.0f;
    for (float& s : out) s = kMusicPeak * std::tanh(s * drive) / std::tanh(1.3f);
    return out;
}

SampleBuffer renderMusicTrack(int index) {
    return renderTrack(kTracks[index]);
}

bool generateMusic(const std::string& musicDir) {
    // The tracks are independent: render and encode them side by side.
    std::vector<std::vector<uint8_t>> files(kMusicTrackCount);
    std::vector<std::thread> workers;
    const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 3u));
    for (unsigned w = 0; w < threads; ++w)
        workers.emplace_back([w, threads, &files] {
            for (int i = static_cast<int>(w); i < kMusicTrackCount; i += static_cast<int>(threads))
                files[i] = encodeOggVorbis(renderMusicTrack(i), kRate, 0.25f, 0x4b520000 + i);
        });
    for (std::thread& worker : workers) worker.join();
    for (int i = 0; i < kMusicTrackCount; ++i)
        if (!writeFileBytes(musicDir + "/" + musicFileNames[i], files[i])) return false;
    return true;
}
