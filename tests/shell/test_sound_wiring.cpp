// The shell's sound and music calls: the device at start-up and its absence,
// the menu music's fade-in through the game's own frames, and what leaving and
// re-entering the window does to the music of a race.
#include <AL/al.h>
#include <AL/alc.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vorbis/vorbisfile.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "audio/audio.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/render.h"
#include "shell/shell.h"
#include "support/temp_folder.h"
#include "test_support.h"

namespace {

float sourceGain(uint32_t source) {
    float gain = -1.0f;
    alGetSourcef(source, AL_GAIN, &gain);
    return gain;
}

int sourceState(uint32_t source) {
    int state = 0;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

// Audio frames (one sample per channel) that one streamed buffer holds.
long framesPerBuffer(const MusicStream& music) {
    return kStreamBufferBytes / (2 * music.info->channels);
}

struct FrameRecord {
    float musicGain;
    float alGain;
    bool playing;
    bool active;
    float menuSound[3];
};

}  // namespace

// ---------------------------------------------------------------------------
// The whole program.

class SoundShell : public ::testing::Test {
  protected:
    void SetUp() override {
        chooseSilentSoundBackend();
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        resetRunWideState();
    }
    void TearDown() override { scriptedReset(); }
    TempFolder folder;
};

TEST_F(SoundShell, TheDeviceLivesFromStartUpToShutdownWithTheMenuMusicWaiting) {
    bool contextDuringRun = false, menuMusicOpen = false, menuMusicPlaying = true, soundsLoaded = false;
    scriptedSetFrameCallback([&](int frame) {
        if (frame != 2) return;
        contextDuringRun = alcGetCurrentContext() != nullptr;
        menuMusicOpen = menuMusic.source != 0 && menuMusic.streamed && menuMusic.loop;
        menuMusicPlaying = menuMusic.isPlaying();
        soundsLoaded = alIsSource(soundEngine1.source) && alIsSource(soundMenu2.source);
    });
    scriptedPushMessage(WM_CLOSE, 0, 0, 3);
    EXPECT_EQ(gameMain(), 0);
    EXPECT_TRUE(contextDuringRun);
    EXPECT_TRUE(soundsLoaded);
    EXPECT_TRUE(menuMusicOpen);
    EXPECT_FALSE(menuMusicPlaying) << "the splash plays no music";
    EXPECT_EQ(menuMusic.source, 0u) << "closed at exit";
    EXPECT_EQ(soundEngine1.source, 0u) << "released at exit";
    EXPECT_EQ(alcGetCurrentContext(), nullptr) << "the device is closed at exit";
}

// The frame dispatcher after the splash, in a window small enough that the
// garage behind the menus costs next to nothing to draw.
class SoundFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        chooseSilentSoundBackend();
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        resetRunWideState();
        ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
        ASSERT_TRUE(startRenderer());
        ASSERT_TRUE(openSoundDevice(kSoundDeviceName));
        loadSounds();
        // As the end of the splash leaves things.
        game.startupPending = false;
        menuMusic.play();
        startMusicFade();
        requestMenuMusicStart();
    }
    void TearDown() override {
        releaseSounds();
        closeSoundDevice();
        EXPECT_TRUE(scriptedMessageBoxes().empty()) << "an OpenAL error was reported";
        scriptedReset();
    }
    // One pass of the main loop with no message waiting.
    FrameRecord frame() {
        drawFrame();
        platformSwapBuffers();
        FrameRecord r{};
        r.musicGain = game.musicGain;
        r.alGain = sourceGain(menuMusic.source);
        r.playing = menuMusic.isPlaying();
        r.active = game.windowActive;
        alGetSource3f(soundMenu1.source, AL_POSITION, &r.menuSound[0], &r.menuSound[1], &r.menuSound[2]);
        return r;
    }
    TempFolder folder;
};

TEST_F(SoundFrames, MenuMusicFadesInFromSilenceToFullGainInTwoAndAHalfSeconds) {
    // Frame 10 is the first to know the frame rate; above 15 it clears the
    // start, and the music already playing keeps its fade. Steady 10 ms
    // frames from the first.
    frameClock.frameFactor = 1.0f;
    frameClock.frameClockPrev = timerGetTime() * 0.01f - 0.1f;
    std::vector<FrameRecord> record(1);
    for (int f = 1; f <= 300; f++) record.push_back(frame());
    EXPECT_FALSE(game.menuMusicStartPending);

    // gain(t) = 0.4 t, t in seconds since the start, clamped to 0..1.
    int firstFull = 0;
    for (int f = 1; f <= 300; f++) {
        if (firstFull == 0 && record[f].alGain >= 0.9999f) firstFull = f;
        EXPECT_TRUE(record[f].playing) << "frame " << f;
        EXPECT_GT(record[f].alGain, 0.0f) << "heard from the first frame";
        EXPECT_LE(record[f].alGain, 1.0f);
        if (f > 1 && f <= 250) {
            EXPECT_GT(record[f].alGain, record[f - 1].alGain) << "frame " << f;
        }
    }
    EXPECT_NEAR(firstFull * 0.01, 2.5, 0.02);
    EXPECT_NEAR(record[50].alGain, 0.2f, 0.005f);
    EXPECT_NEAR(record[125].alGain, 0.5f, 0.005f);
    EXPECT_EQ(record[300].alGain, 1.0f);

    // The menu sounds ride 2 above the camera, which no race has moved yet.
    EXPECT_EQ(record[10].menuSound[0], 0.0f);
    EXPECT_EQ(record[10].menuSound[1], 2.0f);
    EXPECT_EQ(record[10].menuSound[2], 0.0f);
}

// The menu music waiting to start again (after a race) starts once the frame
// rate passes 15, or after two seconds of menu frames on a slower machine.
TEST_F(SoundFrames, TheMenuMusicStartsAtTenAndAtSixtyFramesASecond) {
    struct Rate {
        double frameMs;
        double earliest, latest;  // seconds of menu frames before it plays
    };
    const Rate rates[] = {
        {1000.0 / 60.0, 0.1, 0.4},  // the first measure of ten frames
        {100.0, 1.9, 2.15},         // never above 15: the two-second wait
    };
    for (const Rate& rate : rates) {
        SCOPED_TRACE(rate.frameMs);
        menuMusic.rewind();
        resetShellState();
        game.startupPending = false;
        game.gameState = MainMenu;
        requestMenuMusicStart();
        scriptedSetFrameStep(rate.frameMs);
        frameClock.frameClockPrev = timerGetTime() * 0.01f;
        double startedAt = -1;
        for (int f = 1; f <= 400 && startedAt < 0; f++) {
            frame();
            if (menuMusic.isPlaying()) startedAt = f * rate.frameMs / 1000.0;
        }
        EXPECT_GE(startedAt, rate.earliest);
        EXPECT_LE(startedAt, rate.latest);
        EXPECT_FALSE(game.menuMusicStartPending);
        EXPECT_EQ(sourceGain(menuMusic.source), 0.0f) << "fading in from silence";
    }
    scriptedSetFrameStep(10.0);
}

TEST_F(SoundFrames, LeavingTheMenusSilencesTheMusicAndComingBackFadesItInAgain) {
    for (int f = 0; f < 700; f++) frame();
    ASSERT_EQ(sourceGain(menuMusic.source), 1.0f);
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    EXPECT_FALSE(menuMusic.isPlaying());
    EXPECT_EQ(sourceGain(menuMusic.source), 0.0f);
    EXPECT_EQ(ov_pcm_tell(menuMusic.decoder), 0) << "rewound";
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_TRUE(menuMusic.isPlaying());
    FrameRecord r{};
    for (int f = 0; f < 20; f++) r = frame();
    EXPECT_TRUE(r.playing);
    EXPECT_NEAR(r.alGain, 20 * kMusicFadeRate, 1e-5f) << "fading in again from silence";
    EXPECT_NEAR(r.musicGain, 20 * kMusicFadeRate, 1e-5f);
}

// The child half of the test below: the game started where no sound device
// opens. It leaves with the game's own exit status, or 3 when a window was
// made all the same.
TEST(SoundDeviceChild, StartWithoutADevice) {
    if (std::getenv("KORVASK_NO_DEVICE_CHILD") == nullptr) {
        GTEST_SKIP()
            << "runs only when started by SoundDevice.MissingDeviceEndsTheProgramWithMinusOneAndOneLine";
    }
    TempFolder folder;
    resetRunWideState();
    const int status = gameMain();
    bool windowMade = false;
    for (const std::string& call : scriptedCallLog()) {
        windowMade = windowMade || call.rfind("createWindow", 0) == 0;
    }
    std::fflush(nullptr);
    std::_Exit(windowMade ? 3 : status);
}

TEST(SoundDevice, MissingDeviceEndsTheProgramWithMinusOneAndOneLine) {
    char self[PATH_MAX] = {0};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    char errPattern[] = "/tmp/korvask-nodevice-XXXXXX";
    const int fd = mkstemp(errPattern);
    ASSERT_GE(fd, 0);
    close(fd);
    // A backend list naming nothing OpenAL Soft knows leaves it no device.
    const std::string command =
        std::string("KORVASK_NO_DEVICE_CHILD=1 ALSOFT_DRIVERS=no-such-driver ALSOFT_LOGLEVEL=0 '") + self +
        "' --gtest_filter=SoundDeviceChild.StartWithoutADevice > /dev/null 2> '" + errPattern + "'";
    const int status = std::system(command.c_str());
    std::ifstream err(errPattern);
    std::vector<std::string> lines;
    for (std::string line; std::getline(err, line);) lines.push_back(line);
    std::remove(errPattern);

    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 255) << "exit status -1, before any window";
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("sound device"), std::string::npos) << lines[0];
}

// ---------------------------------------------------------------------------
// The shell's sound steps and the window procedure on an open device, without frames.

class ShellSounds : public ::testing::Test {
  protected:
    void SetUp() override {
        chooseSilentSoundBackend();
        ASSERT_FALSE(folder.path().empty());
        folder.linkContent();
        resetRunWideState();
        ASSERT_TRUE(openSoundDevice(kSoundDeviceName));
        loadSounds();
        game.startupPending = false;
        game.gameState = Race;
        session.countdownRunning = false;
        session.raceFinished = false;
    }
    void TearDown() override {
        releaseSounds();
        closeSoundDevice();
        EXPECT_TRUE(scriptedMessageBoxes().empty()) << "an OpenAL error was reported";
        scriptedReset();
    }

    // Plays the first race track as a race does and refills it like the
    // race frame until its first buffer has played and been refilled.
    void playRaceMusicPastItsFirstBuffer() {
        ASSERT_TRUE(raceMusic.open(".\\base\\music\\1.ogg", true, true));
        raceMusic.play();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (ov_pcm_tell(raceMusic.decoder) <= 2 * framesPerBuffer(raceMusic) &&
               std::chrono::steady_clock::now() < until) {
            updateRaceMusic(1.0f);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        ASSERT_GT(ov_pcm_tell(raceMusic.decoder), 2 * framesPerBuffer(raceMusic));
        ASSERT_TRUE(raceMusic.isPlaying());
    }
    TempFolder folder;
};

TEST_F(ShellSounds, StartUpLoadsTheSixteenSoundsAndQueuesTheMenuMusicSilently) {
    SoundEffect* all[kEffectSoundCount] = {&soundEngine1, &soundEngine2, &soundEngine3,    &soundEngine4,
                                           &soundCrash0,  &soundCrash1,  &soundCrash2,     &soundCrash3,
                                           &soundStart,   &soundPoint,   &soundEnginePass, &soundGear,
                                           &soundNitro,   &soundWind,    &soundMenu1,      &soundMenu2};
    for (SoundEffect* sound : all) {
        EXPECT_TRUE(alIsSource(sound->source));
        ALint size = 0;
        alGetBufferi(sound->buffer, AL_SIZE, &size);
        EXPECT_GT(size, 0) << "every effect file of base/sound loads";
    }
    EXPECT_NE(menuMusic.source, 0u);
    EXPECT_TRUE(menuMusic.streamed);
    EXPECT_TRUE(menuMusic.loop);
    EXPECT_FALSE(menuMusic.isPlaying());
    EXPECT_EQ(sourceGain(menuMusic.source), 0.0f);
    EXPECT_EQ(alGetInteger(AL_DISTANCE_MODEL), AL_INVERSE_DISTANCE_CLAMPED);
}

TEST_F(ShellSounds, RaceMusicGainIsAlsoTheChimesAndMenuSoundsRideAboveTheCamera) {
    ASSERT_TRUE(raceMusic.open(".\\base\\music\\2.ogg", true, true));
    updateRaceMusic(0.25f);
    EXPECT_EQ(sourceGain(raceMusic.source), 0.25f);
    EXPECT_EQ(sourceGain(soundPoint.source), 0.25f);
    menuMusic.update();
    menuMusic.setGain(0.75f);
    EXPECT_EQ(sourceGain(menuMusic.source), 0.75f);
    EXPECT_EQ(sourceGain(soundPoint.source), 0.25f);

    cameraEye = Vector3(120.0f, -4.0f, 37.5f);
    placeMenuSounds();
    for (const SoundEffect* sound : {&soundMenu1, &soundMenu2}) {
        float p[3], v[3];
        alGetSourcefv(sound->source, AL_POSITION, p);
        alGetSourcefv(sound->source, AL_VELOCITY, v);
        EXPECT_EQ(p[0], 120.0f);
        EXPECT_EQ(p[1], -2.0f);
        EXPECT_EQ(p[2], 37.5f);
        EXPECT_EQ(v[0] * v[0] + v[1] * v[1] + v[2] * v[2], 0.0f);
    }
    cameraEye = Vector3();
}

TEST_F(ShellSounds, LeavingTheWindowInARaceRestartsItsMusicFromTheBeginning) {
    playRaceMusicPastItsFirstBuffer();
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    EXPECT_FALSE(game.windowActive);
    EXPECT_EQ(game.musicGain, kMusicFadeStart);
    EXPECT_EQ(sourceGain(raceMusic.source), 0.0f);
    EXPECT_EQ(sourceState(raceMusic.source), AL_INITIAL);
    EXPECT_EQ(ov_pcm_tell(raceMusic.decoder), 0);
    EXPECT_FALSE(menuMusic.isPlaying()) << "the menu music stays out of a race";

    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_TRUE(game.windowActive);
    EXPECT_EQ(game.musicGain, kMusicFadeStart);
    EXPECT_TRUE(raceMusic.isPlaying());
    EXPECT_FALSE(menuMusic.isPlaying());
    // What is queued is the first two buffers' worth of the file, and play
    // begins at its first one.
    EXPECT_EQ(ov_pcm_tell(raceMusic.decoder), 2 * framesPerBuffer(raceMusic));
    ALint queued = 0, offset = -1;
    alGetSourcei(raceMusic.source, AL_BUFFERS_QUEUED, &queued);
    alGetSourcei(raceMusic.source, AL_SAMPLE_OFFSET, &offset);
    EXPECT_EQ(queued, kStreamBufferCount);
    EXPECT_GE(offset, 0);
    EXPECT_LT(offset, framesPerBuffer(raceMusic) / 4);
}

TEST_F(ShellSounds, EscPausesTheRaceMusicWhereItIs) {
    ASSERT_TRUE(raceMusic.open(".\\base\\music\\1.ogg", true, true));
    raceMusic.play();
    ASSERT_TRUE(raceMusic.isPlaying());
    const ogg_int64_t decoded = ov_pcm_tell(raceMusic.decoder);
    ASSERT_GT(decoded, 0);
    input.keys[VK_ESCAPE] = true;
    checkFrameKeys();
    EXPECT_EQ(game.gameState, Pause);
    EXPECT_FALSE(raceMusic.isPlaying());
    EXPECT_EQ(sourceState(raceMusic.source), AL_STOPPED) << "stopped, not rewound";
    EXPECT_EQ(ov_pcm_tell(raceMusic.decoder), decoded);
}

TEST_F(ShellSounds, WithMusicOffSwitchingWindowsLeavesTheMusicAlone) {
    options.musicEnabled = false;
    ASSERT_TRUE(raceMusic.open(".\\base\\music\\3.ogg", true, true));
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_FALSE(raceMusic.isPlaying());
    game.gameState = MainMenu;
    windowProcedure(WM_ACTIVATE, makeLong(0, 0), 0);
    windowProcedure(WM_ACTIVATE, makeLong(1, 0), 0);
    EXPECT_FALSE(menuMusic.isPlaying());
    EXPECT_FALSE(game.menuMusicStartPending);
}
