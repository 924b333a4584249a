// The game's mix heard through OpenAL Soft's loopback device: a race driven
// flat out with nitro never reaches full scale, an impact is heard, the
// countdown beeps, and from the menu through the loading into the countdown
// the sound never drops out. The loopback device mixes only when asked, so
// each 10 ms frame of the game is followed by exactly 10 ms of its mix.
// With KORVASK_MIX_DIR set, each test also leaves its mix there as a WAV file
// named after it, to listen to or to look at (sox's spectrogram).
#include <AL/alc.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include "audio_test_support.h"
#include "frontend/frontend.h"
#include "physics/physics.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"

using namespace audiotest;

namespace {

constexpr int kMixRate = 44100;
constexpr int kFrameSamples = kMixRate / 100;  // one 10 ms game frame
// Below this a 16-bit sample counts as silence (about -70 dBFS).
constexpr int kSilence = 10;

struct Level {
    int peak;
    double rms;
};

Level levelOf(const std::vector<int16_t>& stereo, size_t from, size_t to) {
    Level level{0, 0.0};
    to = std::min(to, stereo.size());
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        level.peak = std::max(level.peak, std::abs((int)stereo[i]));
        sum += (double)stereo[i] * stereo[i];
    }
    level.rms = to > from ? std::sqrt(sum / (double)(to - from)) : 0.0;
    return level;
}

// The longest run of silent stereo frames, in frames.
size_t longestSilence(const std::vector<int16_t>& stereo, size_t from, size_t to) {
    size_t run = 0, longest = 0;
    for (size_t i = from; i + 1 < std::min(to, stereo.size()); i += 2) {
        const bool quiet = std::abs((int)stereo[i]) < kSilence && std::abs((int)stereo[i + 1]) < kSilence;
        run = quiet ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// Energy of one channel of the stereo mix in the band lo..hi Hz, from the
// power spectrum of Hann-windowed blocks of n frames, a power of two (a plain
// radix-2 FFT).
double bandEnergy(const std::vector<int16_t>& stereo, double lo, double hi, size_t n = 4096) {
    std::vector<double> re(n), im(n);
    double energy = 0;
    for (size_t block = 0; block + 2 * n <= stereo.size(); block += 2 * n) {
        for (size_t i = 0; i < n; i++) {
            const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * (double)i / (double)n);
            re[i] = w * stereo[block + 2 * i];
            im[i] = 0;
        }
        for (size_t i = 1, j = 0; i < n; i++) {
            size_t bit = n >> 1;
            for (; j & bit; bit >>= 1) j ^= bit;
            j ^= bit;
            if (i < j) std::swap(re[i], re[j]);
        }
        for (size_t len = 2; len <= n; len <<= 1) {
            const double a = -2.0 * M_PI / (double)len;
            for (size_t i = 0; i < n; i += len)
                for (size_t k = 0; k < len / 2; k++) {
                    const double c = std::cos(a * (double)k), s = std::sin(a * (double)k);
                    const size_t u = i + k, v = i + k + len / 2;
                    const double tr = re[v] * c - im[v] * s, ti = re[v] * s + im[v] * c;
                    re[v] = re[u] - tr;
                    im[v] = im[u] - ti;
                    re[u] += tr;
                    im[u] += ti;
                }
        }
        for (size_t k = 1; k < n / 2; k++) {
            const double hz = (double)k * kMixRate / (double)n;
            if (hz >= lo && hz < hi) energy += re[k] * re[k] + im[k] * im[k];
        }
    }
    return energy;
}

void muteSources(std::initializer_list<const SoundEffect*> sounds) {
    for (const SoundEffect* sound : sounds) alSourcef(sound->source, AL_MAX_GAIN, 0.0f);
}

class LoopbackMix : public ::testing::Test {
  protected:
    void SetUp() override {
        struct stat st;
        ASSERT_EQ(stat("base/maps/1/map.ms3d", &st), 0) << "needs the generated content";
        ASSERT_EQ(stat("base/music/1.ogg", &st), 0) << "needs the generated content";
        ASSERT_EQ(stat("base/sound/count.wav", &st), 0) << "needs the generated content";
        // The binary's shared silent device comes back once the test is done.
        previous = alcGetCurrentContext();
        ASSERT_TRUE(openLoopbackSoundDevice(kMixRate));
        scriptedReset();
        ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
        loadSounds();
        initCarTable();
        players[0].playerCarModel = 0;
        players[0].playerCarPower = raceRun.carTable[0].power;
        options.soundEnabled = true;
        options.musicEnabled = true;
        frameClock.frameFactor = 1.0f;
        startMusicFade();
        game.menuMusicStartPending = false;
        srand(7);
    }
    void TearDown() override {
        if (const char* dir = std::getenv("KORVASK_MIX_DIR")) {
            const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
            writeMix(std::string(dir) + "/" + name + ".wav");
        }
        if (raceLoaded) {
            game.gameState = MainMenu;
            unloadRace();
        }
        endMenuMusicFadeOut();
        releaseSounds();
        closeSoundDevice();
        alcMakeContextCurrent(previous);
        options.soundEnabled = false;
        options.musicEnabled = false;
        game.menuMusicStartPending = false;
        EXPECT_TRUE(scriptedMessageBoxes().empty()) << "an OpenAL error was reported";
        scriptedCloseGLWindow();
    }

    void writeMix(const std::string& path) const {
        std::vector<uint8_t> samples(mix.size() * 2);
        for (size_t i = 0; i < mix.size(); ++i) {
            samples[2 * i] = (uint8_t)(mix[i] & 0xFF);
            samples[2 * i + 1] = (uint8_t)((uint16_t)mix[i] >> 8);
        }
        writeBytes(path, pcmWav(2, kMixRate, 16, samples));
    }

    void mixFor(int samples) {
        const size_t at = mix.size();
        mix.resize(at + 2 * (size_t)samples);
        renderSoundMix(mix.data() + at, samples);
    }

    // The menu frame's music calls, without the drawing.
    void menuFrame() {
        const float gain = advanceMusicFade(frameClock.frameFactor);
        menuMusic.update();
        menuMusic.setGain(gain);
        mixFor(kFrameSamples);
    }

    // A race as the menus start it: the game does not mix while it loads, the
    // device goes on playing what is queued for as long as the load takes.
    void startRace(int raceNumber) {
        game.gameState = Race;
        const auto start = std::chrono::steady_clock::now();
        ASSERT_TRUE(loadRace(raceNumber));
        raceLoaded = true;
        loadSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        mixFor((int)(loadSeconds * kMixRate));
    }

    // The race frame's sound and race calls, without the drawing.
    void raceFrame() {
        updateRaceSounds(frameClock.frameFactor);
        glLoadIdentity();
        updateChaseCamera(0);
        updateStandings();
        raceStep(frameClock.frameFactor);
        tickCountdown(frameClock.frameFactor);
        mixFor(kFrameSamples);
    }

    void holdKeys(bool up, bool nitro) {
        for (int key : {VK_UP, VK_DOWN, VK_LEFT, VK_RIGHT, VK_SPACE}) input.keys[key] = false;
        input.keys[VK_UP] = up;
        input.keys[VK_SPACE] = nitro;
    }

    // Once the countdown is over, turns the player's car to face the wall
    // beside the grid, 8 units from it, and sets it going at `speed` with the
    // throttle down.
    void driveAtTheWallBesideTheGrid(float speed) {
        holdKeys(false, false);
        for (int frame = 0; frame < 700; frame++) raceFrame();
        holdKeys(true, false);
        RigidBody* body = session.cars[0].body;
        setRotation(
            body, Matrix3(Vector3(0.0f, 0.0f, -1.0f), Vector3(0.0f, 1.0f, 0.0f), Vector3(1.0f, 0.0f, 0.0f)));
        setPosition(body, getPosition(body) + Vector3(0.0f, 0.0f, 8.0f));
        setLinearVelocity(body, Vector3(0.0f, 0.0f, -speed));
    }

    ALCcontext* previous = nullptr;
    bool raceLoaded = false;
    double loadSeconds = 0;
    std::vector<int16_t> mix;
};

}  // namespace

TEST_F(LoopbackMix, FullThrottleWithNitroAndThePackNeverReachesFullScale) {
    startRace(1);
    DriverState driver{};
    int nitroFrames = 0, fastFrames = 0;
    for (int frame = 0; frame < 2600; frame++) {
        // The runner's driver keeps the car on the road; the throttle stays
        // down and the nitro burns whenever the tank allows.
        scriptedDriverKeys(session.cars[0], driver);
        input.keys[VK_UP] = !input.keys[VK_DOWN];
        input.keys[VK_SPACE] = true;
        nitroFrames += soundNitro.isPlaying() ? 1 : 0;
        fastFrames += players[0].playerSpeed > 18.0f ? 1 : 0;
        raceFrame();
    }
    ASSERT_GT(nitroFrames, 300) << "the nitro never burned";
    ASSERT_GT(fastFrames, 300) << "the car never got going";
    const Level level = levelOf(mix, 0, mix.size());
    // Full scale is 32767; the mix keeps at least 1 dB below it by its own
    // levels, so the output limiter never has to act.
    EXPECT_LT(level.peak, 29204) << "rms " << level.rms;
    EXPECT_GT(level.rms, 1000.0) << "a mix this quiet says nothing about headroom";
}

TEST_F(LoopbackMix, EveryMomentPlaysItsSoundAndNoOther) {
    // Only the sounds under test are heard in each run, so the mix shows
    // where they sound and where they must not. Throttle held from the grid.
    const std::vector<const SoundEffect*> crashes = {&soundCrash0, &soundCrash1, &soundCrash2, &soundCrash3};
    struct Moment {
        const char* what;
        std::vector<const SoundEffect*> heard;
        int fromFrame, toFrame;  // race frames after loading
        bool present;
    };
    // The countdown's images come up at 3, 4 and 5 s and "go" at 6 s.
    const Moment moments[] = {
        {"no beep before the first count", {&soundCountdown}, 100, 295, false},
        {"beep on 3", {&soundCountdown}, 300, 330, true},
        {"beep on 2", {&soundCountdown}, 400, 430, true},
        {"beep on 1", {&soundCountdown}, 500, 530, true},
        {"beep on go", {&soundCountdown}, 600, 615, true},
        {"no beep once the race runs", {&soundCountdown}, 650, 800, false},
        {"no crash while held on the grid", crashes, 10, 600, false},
        {"no nitro without the key", {&soundNitro}, 10, 900, false},
        {"engines heard on the grid", {&soundEngine1, &soundEnginePass, &soundEngine2}, 100, 300, true},
    };
    const SoundEffect* all[] = {&soundEngine1,         &soundEngine2,       &soundEngine3,
                                &soundEngine4,         &soundCrash0,        &soundCrash1,
                                &soundCrash2,          &soundCrash3,        &soundStart,
                                &soundPoint,           &soundEnginePass,    &soundGear,
                                &soundNitro,           &soundWind,          &soundMenu1,
                                &soundMenu2,           &soundCountdown,     &soundAmbienceCity,
                                &soundAmbienceHarbour, &soundAmbienceWorks, &soundKerb};
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.what);
        srand(7);
        startRace(1);
        mix.clear();
        // Whatever played while loading has faded out by fromFrame.
        for (const SoundEffect* sound : all) {
            const bool heard =
                std::find(moment.heard.begin(), moment.heard.end(), sound) != moment.heard.end();
            alSourcef(sound->source, AL_MAX_GAIN, heard ? 1.0f : 0.0f);
        }
        alSourcef(raceMusic.source, AL_MAX_GAIN, 0.0f);
        holdKeys(true, false);
        for (int frame = 0; frame < moment.toFrame; frame++) raceFrame();
        const Level level = levelOf(mix, 2 * (size_t)kFrameSamples * moment.fromFrame, mix.size());
        if (moment.present) {
            EXPECT_GT(level.peak, 3000);
        } else {
            EXPECT_LT(level.peak, kSilence);
        }
        game.gameState = MainMenu;
        unloadRace();
        raceLoaded = false;
        for (const SoundEffect* sound : all) alSourcef(sound->source, AL_MAX_GAIN, 1.0f);
    }
}

TEST_F(LoopbackMix, AnImpactIsHeard) {
    startRace(1);
    holdKeys(true, false);
    // Out of the countdown and up to speed.
    for (int frame = 0; frame < 900; frame++) raceFrame();
    ASSERT_GT(players[0].playerSpeed, 10.0f);
    muteSources({&soundEngine1, &soundEngine2, &soundEngine3, &soundEngine4, &soundStart, &soundPoint,
                 &soundEnginePass, &soundGear, &soundNitro, &soundWind, &soundAmbienceCity,
                 &soundAmbienceHarbour, &soundAmbienceWorks, &soundKerb});
    alSourcef(raceMusic.source, AL_MAX_GAIN, 0.0f);
    for (int frame = 0; frame < 20; frame++) raceFrame();
    const size_t before = mix.size();
    // A side hit: the blow sets the car spinning about its vertical axis as
    // a kerb or another car would.
    setAngularMomentum(session.cars[0].body, Vector3{0.0f, 1500.0f, 0.0f});
    for (int frame = 0; frame < 30; frame++) raceFrame();
    // The muted sources take a few milliseconds to fade out.
    EXPECT_LT(levelOf(mix, before - 2 * kFrameSamples * 10, before).peak, kSilence) << "no crash before";
    const Level crash = levelOf(mix, before, mix.size());
    EXPECT_GT(crash.peak, 3000);
    EXPECT_GT(crash.rms, 300.0);
}

TEST_F(LoopbackMix, FromTheMenuIntoTheCountdownTheSoundNeverDropsOut) {
    // The menu music at full gain, as after its fade-in.
    menuMusic.play();
    for (int frame = 0; frame < 300; frame++) menuFrame();
    const size_t click = mix.size();
    soundMenu1.play();
    startRace(1);
    holdKeys(false, false);
    for (int frame = 0; frame < 650; frame++) raceFrame();
    // 20 ms at most anywhere from the click to just after "go".
    EXPECT_LE(longestSilence(mix, click, mix.size()), (size_t)kMixRate / 50)
        << "the load took " << loadSeconds << " s";
    EXPECT_FALSE(menuMusic.isPlaying()) << "faded out and stopped by the countdown";
    EXPECT_FALSE(menuMusicFadingOut());
    // The race music is up to full well before the cars are released.
    float gain = 0.0f;
    alGetSourcef(raceMusic.source, AL_GAIN, &gain);
    EXPECT_EQ(gain, 1.0f);
}

TEST_F(LoopbackMix, EverySoundAtOnceAtItsLoudestStaysUnderFullScale) {
    // More than a race ever stacks up: four engines at full gain and top
    // pitch, squeal, nitro, wind, the heaviest crash, a gear change, the
    // checkpoint tick, every sting, every district's ambience and the kerb
    // rumble, all at the same moment over the race music at full. The crash
    // comes with the duck of the bed that every hit of the player's car
    // brings.
    // The chase camera keeps the player's car ahead of the listener; the
    // opponents can be anywhere around it, all three hard to one side at
    // worst, where a mono source gives that side all it has.
    struct Place {
        const char* what;
        float x, z;  // the opponents from the listener, which looks along -z
    };
    const Place places[] = {
        {"the pack ahead", 0.0f, -5.0f},
        {"the pack hard to the right", 5.0f, 0.0f},
        {"the pack hard to the left", -5.0f, 0.0f},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.what);
        srand(7);
        startRace(1);
        mix.clear();
        for (SoundEffect* sound :
             {&soundEngine1, &soundEngine2, &soundEngine3, &soundEngine4, &soundStart, &soundNitro,
              &soundWind, &soundCrash3, &soundGear, &soundPoint, &soundLapSting, &soundLastLapSting,
              &soundFinishWin, &soundFinishPodium, &soundFinishLast, &soundAmbienceCity,
              &soundAmbienceHarbour, &soundAmbienceWorks, &soundKerb}) {
            const bool opponent = sound == &soundEngine2 || sound == &soundEngine3 || sound == &soundEngine4;
            sound->setListenerRelative();
            sound->setPositionVelocity(opponent ? place.x : 0.0f, 0.0f, opponent ? place.z : -5.0f, 0.0f,
                                       0.0f, 0.0f);
            sound->setGain(1.0f);
            sound->setPitch(2.5f);
            sound->play();
        }
        duckRaceBed(0.4f);
        soundEnginePass.stop();
        raceMusic.setGain(1.0f);
        for (int frame = 0; frame < 150; frame++) {
            raceMusic.update();
            recoverRaceBed(1.0f);
            mixFor(kFrameSamples);
        }
        // A decibel of headroom left by the levels alone: the output limiter
        // has nothing to do.
        const Level level = levelOf(mix, 0, mix.size());
        EXPECT_LT(level.peak, 29204);
        EXPECT_GT(level.rms, 3000.0);
        game.gameState = MainMenu;
        unloadRace();
        raceLoaded = false;
        // The next race's sounds play in the scene again.
        releaseSounds();
        loadSounds();
    }
}

TEST_F(LoopbackMix, EffectsVolumeThreeIsTenAndAHalfDecibelsUnderTenForEverySound) {
    // Every kind of effect where the game plays it: the menu sounds above the
    // camera, the car's sounds at the car a few metres ahead of the listener,
    // an opponent far down the road, a cue at the listener; full gain and a
    // part of it. Volume 3 of 10 is a gain of 0.3, 10.46 dB down.
    struct Case {
        const char* what;
        SoundEffect* sound;
        float gain;
        enum { Menu, Car, Far, Listener } place;
    };
    const Case cases[] = {
        {"menu click", &soundMenu1, 1.0f, Case::Menu},
        {"menu hover", &soundMenu2, 1.0f, Case::Menu},
        {"engine on the throttle", &soundEngine1, 1.0f, Case::Car},
        {"engine half off the throttle", &soundEnginePass, 0.5f, Case::Car},
        {"squeal", &soundStart, 0.4f, Case::Car},
        {"heaviest crash", &soundCrash3, 1.0f, Case::Car},
        {"gear change", &soundGear, 1.0f, Case::Car},
        {"opponent far down the road", &soundEngine2, 0.6f, Case::Far},
        {"countdown beep", &soundCountdown, 1.0f, Case::Listener},
    };
    startRace(1);
    setMusicVolume(0.0f);
    holdKeys(false, false);
    // Past the countdown, the camera swung round behind the car.
    for (int frame = 0; frame < 700; frame++) raceFrame();
    // Nothing else heard: a knock between the opponents on the grid may
    // still be ringing.
    stopRaceSounds();
    for (SoundEffect* sound : {&soundCrash0, &soundCrash1, &soundCrash2, &soundCrash3, &soundGear,
                               &soundPoint, &soundCountdown, &soundMenu1, &soundMenu2})
        sound->stop();
    for (int frame = 0; frame < 5; frame++) mixFor(kFrameSamples);
    const Vector3 p = getPosition(session.cars[0].body);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        double rms[2];
        const float volumes[2] = {1.0f, 0.3f};
        for (int v = 0; v < 2; v++) {
            setEffectsVolume(volumes[v]);
            if (c.place == Case::Menu) placeMenuSounds();
            if (c.place == Case::Car) c.sound->setPositionVelocity(p.x, p.y, p.z, 0.0f, 0.0f, 0.0f);
            if (c.place == Case::Far) c.sound->setPositionVelocity(p.x + 90.0f, p.y, p.z, 0.0f, 0.0f, 0.0f);
            c.sound->setGain(c.gain);
            c.sound->setPitch(1.0f);
            c.sound->play();
            mix.clear();
            for (int frame = 0; frame < 30; frame++) mixFor(kFrameSamples);
            c.sound->stop();
            for (int frame = 0; frame < 5; frame++) mixFor(kFrameSamples);
            rms[v] = levelOf(mix, 0, mix.size()).rms;
        }
        ASSERT_GT(rms[0], 30.0) << "not heard at all";
        EXPECT_NEAR(20.0 * std::log10(rms[1] / rms[0]), -10.46, 0.3);
    }
    setEffectsVolume(1.0f);
    setMusicVolume(1.0f);
}

TEST_F(LoopbackMix, PauseSilencesTheRaceAndContinuePlaysOnFromThere) {
    startRace(1);
    holdKeys(true, false);
    // Out of the countdown, engines, squeal, wind and music all running, and
    // a crash ringing on.
    for (int frame = 0; frame < 700; frame++) raceFrame();
    soundCrash3.play();
    for (int frame = 0; frame < 20; frame++) raceFrame();
    ASSERT_GT(levelOf(mix, mix.size() - 2 * kFrameSamples * 10, mix.size()).peak, 3000);
    ALint crashAt = 0, engineAt = 0;

    input.keys[keyBindings[BindPause]] = true;
    checkFrameKeys();
    input.keys[keyBindings[BindPause]] = false;
    ASSERT_EQ(game.gameState, Pause);
    alGetSourcei(soundCrash3.source, AL_SAMPLE_OFFSET, &crashAt);
    alGetSourcei(soundEngine1.source, AL_SAMPLE_OFFSET, &engineAt);
    // The pause menu's frames: its hover sound is its own, so it is kept out.
    const size_t paused = mix.size();
    for (int frame = 0; frame < 100; frame++) menuFrame();
    // The sources fade out over a few milliseconds; then all that is left is
    // the 16-bit output's dither, one step either way (-90 dBFS).
    EXPECT_LE(levelOf(mix, paused + 2 * kFrameSamples * 2, mix.size()).peak, 1);
    for (const SoundEffect* sound :
         {&soundEngine1, &soundEngine2, &soundEnginePass, &soundStart, &soundWind, &soundCrash3})
        EXPECT_EQ(sourceInt(sound->source, AL_SOURCE_STATE), AL_PAUSED);

    // "Continue".
    mouseX = 700;
    mouseY = 240;
    menuClick();
    ASSERT_EQ(game.gameState, Race);
    EXPECT_TRUE(soundEngine1.isPlaying());
    EXPECT_TRUE(soundEnginePass.isPlaying());
    EXPECT_TRUE(soundWind.isPlaying());
    ALint crashNow = 0, engineNow = 0;
    alGetSourcei(soundCrash3.source, AL_SAMPLE_OFFSET, &crashNow);
    alGetSourcei(soundEngine1.source, AL_SAMPLE_OFFSET, &engineNow);
    EXPECT_EQ(crashNow, crashAt) << "the crash plays on from where it was";
    EXPECT_EQ(engineNow, engineAt);
    const size_t resumed = mix.size();
    for (int frame = 0; frame < 20; frame++) raceFrame();
    EXPECT_GT(levelOf(mix, resumed, mix.size()).peak, 3000);
}

TEST_F(LoopbackMix, AWallHitAt200KmhStandsOutOfTheMix) {
    // The whole race's sound, music at full, the engine on the throttle: a
    // head-on hit at 19.05 units a second (200 Km/h).
    startRace(1);
    driveAtTheWallBesideTheGrid(200.0f / 10.5f);
    // The engine heard on the throttle, as after a run up to that speed.
    players[0].engineMix = 1.0f;
    size_t hitAt = 0;
    float speedBefore = 0.0f;
    for (int frame = 0; frame < 60; frame++) {
        const size_t at = mix.size();
        const float speed = players[0].playerSpeed;
        raceFrame();
        if (hitAt == 0 && soundCrash3.isPlaying()) {
            hitAt = at;
            speedBefore = speed;
        }
    }
    ASSERT_NE(hitAt, 0u) << "the heaviest crash was not heard";
    EXPECT_GT(speedBefore, 18.5f);
    EXPECT_LT(players[0].playerSpeed, 3.0f) << "stopped by the wall";
    const size_t tenth = 2 * (size_t)kMixRate / 10;
    const Level bed = levelOf(mix, hitAt - 6 * tenth, hitAt - tenth);
    const Level hit = levelOf(mix, hitAt, hitAt + tenth);
    const double over = 20.0 * std::log10(hit.rms / bed.rms);
    EXPECT_GT(over, 6.0) << "bed rms " << bed.rms << ", the hit's first 100 ms " << hit.rms;
    EXPECT_LT(over, 10.0) << "a crash, not a blast";
    RecordProperty("dB over the bed", std::to_string(over));
    EXPECT_LT(hit.peak, 29204) << "a decibel under full scale";
}

TEST_F(LoopbackMix, The22kHzLoopsLeaveNoImagesAboveTheirBand) {
    // A 22.05 kHz file holds nothing above 11 kHz: whatever the 44.1 kHz mix
    // shows between 12 and 20 kHz the resampler made. Each loop alone at the
    // listener, at the pitch where its band stays under 11 kHz.
    struct Case {
        const char* what;
        SoundEffect* sound;
        float pitch;
    };
    const Case cases[] = {
        {"wind", &soundWind, 1.0f},
        {"nitro", &soundNitro, 1.0f},
        {"engine at 4000 rpm", &soundEngine1, 0.95f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mix.clear();
        c.sound->setListenerRelative();
        c.sound->setGain(1.0f);
        c.sound->setPitch(c.pitch);
        c.sound->play();
        for (int frame = 0; frame < 200; frame++) mixFor(kFrameSamples);
        c.sound->stop();
        const double body = bandEnergy(mix, 200.0, 10000.0), images = bandEnergy(mix, 12000.0, 20000.0);
        ASSERT_GT(body, 0.0);
        EXPECT_LT(10.0 * std::log10(images / body), -50.0);
    }
}

TEST_F(LoopbackMix, TheThrottleHeldAgainstAWallRevsTheEngine) {
    startRace(1);
    driveAtTheWallBesideTheGrid(5.0f);
    // Into the wall within a second, then pressed against it for two.
    for (int frame = 0; frame < 300; frame++) raceFrame();
    ASSERT_LT(players[0].playerSpeed, 3.0f) << "the wall holds the car";
    EXPECT_LT(session.cars[0].rpm, 1500.0f) << "the gearbox idles at this road speed";
    float pitch = 0.0f;
    alGetSourcef(soundEngine1.source, AL_PITCH, &pitch);
    // 0.35 at 1000 rpm, 0.2 more a thousand: the spinning wheels rev it past 5000.
    EXPECT_GT(pitch, 1.15f);
    EXPECT_EQ(players[0].engineMix, 1.0f) << "heard on the throttle";
    // Off the throttle the revs fall back to idle within a second.
    holdKeys(false, false);
    for (int frame = 0; frame < 100; frame++) raceFrame();
    alGetSourcef(soundEngine1.source, AL_PITCH, &pitch);
    EXPECT_LT(pitch, 0.5f);
}

TEST_F(LoopbackMix, AnOpponentBesideOrBehindIsHeardPlacedUnderThePlayersEngine) {
    // Flat out down the first straight; opponent 1 is put alongside at the
    // player's speed, and each engine is heard alone.
    struct Case {
        const char* what;
        float side, back;  // units to the player's left and behind it
        bool leftLouder;
    };
    const Case cases[] = {
        {"beside, on the left", 5.0f, 0.0f, true},
        {"a car length behind", 0.0f, 6.0f, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        srand(7);
        startRace(1);
        holdKeys(true, false);
        for (int frame = 0; frame < 1500; frame++) raceFrame();
        alSourcef(raceMusic.source, AL_MAX_GAIN, 0.0f);
        Level heard[2][2];  // player, opponent; left, right
        for (int who = 0; who < 2; who++) {
            const Vector3 p = getPosition(session.cars[0].body), v = getLinearVelocity(session.cars[0].body);
            Vector3 ahead = v;
            normalise(ahead);
            // The listener looks along the car's way; its left is ahead x up.
            const Vector3 left(ahead.z, 0.0f, -ahead.x);
            setPosition(session.cars[1].body, p + left * c.side - ahead * c.back);
            setLinearVelocity(session.cars[1].body, v);
            for (const SoundEffect* sound :
                 {&soundEngine1, &soundEngine2, &soundEngine3, &soundEngine4, &soundEnginePass, &soundStart,
                  &soundWind, &soundGear, &soundPoint})
                alSourcef(sound->source, AL_MAX_GAIN,
                          sound == (who == 0 ? &soundEngine1 : &soundEngine2) ? 1.0f : 0.0f);
            mix.clear();
            for (int frame = 0; frame < 30; frame++) raceFrame();
            std::vector<int16_t> channel[2];
            for (size_t i = mix.size() / 2; i + 1 < mix.size(); i += 2) {
                channel[0].push_back(mix[i]);
                channel[1].push_back(mix[i + 1]);
            }
            for (int ch = 0; ch < 2; ch++) heard[who][ch] = levelOf(channel[ch], 0, channel[ch].size());
        }
        ASSERT_GT(players[0].playerSpeed, 15.0f);
        const double player = std::hypot(heard[0][0].rms, heard[0][1].rms);
        const double opponent = std::hypot(heard[1][0].rms, heard[1][1].rms);
        const double under = 20.0 * std::log10(opponent / player);
        // The loudness plan's 6 dB under the player at top revs, never lost.
        EXPECT_GT(under, -8.0);
        EXPECT_LT(under, -4.0);
        const double leftOverRight = 20.0 * std::log10(heard[1][0].rms / heard[1][1].rms);
        if (c.leftLouder) {
            EXPECT_GT(leftOverRight, 3.0);
        }
        game.gameState = MainMenu;
        unloadRace();
        raceLoaded = false;
    }
}

TEST_F(LoopbackMix, TheCheckpointTickStandsAboveTheWindAt250Kmh) {
    // Each alone at the car, the wind at its gain for 250 Km/h, the tick at
    // full (the music's fade is over): in the tick's own band the tick is
    // far louder than the wind's rush beside it.
    startRace(1);
    holdKeys(false, false);
    for (int frame = 0; frame < 700; frame++) raceFrame();
    stopRaceSounds();
    alSourcef(raceMusic.source, AL_MAX_GAIN, 0.0f);
    mixFor(kFrameSamples);
    const Vector3 p = getPosition(session.cars[0].body);
    double band[2][2];  // tick, wind; in 6.5-10 kHz, in 1-6 kHz
    SoundEffect* sounds[2] = {&soundPoint, &soundWind};
    for (int i = 0; i < 2; i++) {
        sounds[i]->setPositionVelocity(p.x, p.y, p.z, 0.0f, 0.0f, 0.0f);
        sounds[i]->setGain(i == 0 ? 1.0f : 0.066f * 250.0f / 10.5f - 1.0f);
        sounds[i]->setPitch(1.0f);
        sounds[i]->play();
        mix.clear();
        mixFor(1024);
        sounds[i]->stop();
        // The tick's first 23 ms, where it is heard.
        band[i][0] = bandEnergy(mix, 6500.0, 10000.0, 1024);
        band[i][1] = bandEnergy(mix, 1000.0, 6000.0, 1024);
    }
    ASSERT_GT(band[1][1], 0.0) << "the wind is heard";
    EXPECT_GT(10.0 * std::log10(band[0][0] / band[1][0]), 10.0) << "the tick over the wind in its band";
    EXPECT_GT(band[0][0], band[0][1]) << "the tick's energy lies above the wind's rush";
}
