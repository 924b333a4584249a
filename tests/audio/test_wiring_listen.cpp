// A driven race recorded for listening: OpenAL Soft's wave backend writes
// what the game's mixer plays while the race runner's driver races the
// player's car in real time, with the race frame's own sound and music calls
// (music refill and fade, camera and listener, race step). Nothing is drawn.
//
// Runs only when KORVASK_RECORD_RACE names the WAV file to write; a table of
// what the car did lands beside it (".csv": time, speed, gear, engine speed,
// mix, squeal, nitro, checkpoints passed).
//   KORVASK_RECORD_RACE=/tmp/race.wav build/tests/test_audio --gtest_filter=RaceRecording.*
// KORVASK_RECORD_SECONDS sets the length (34 s), KORVASK_RECORD_RACE_NUMBER the
// race (1), KORVASK_RECORD_LAPS the laps (4; the recording ends 6 s after the
// finish), and KORVASK_RECORD_MUTE a comma-separated list of what to leave
// out, to hear the rest alone: music, engine (the player's loop and its pass
// sound), opponents, squeal, wind, nitro, gear, chime, crash, count, sting.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "audio_test_support.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "render/gl.h"
#include "shell/shell.h"
#include "sim/sim_driver.h"

using namespace audiotest;

namespace {

// Silences the sounds named in the mute list through their maximum gain,
// which the game sets only when it loads them: their gains go on changing
// every frame, and a gain set back after the game's own could leave the
// mixer a moment of the game's value.
void muteListed(const std::string& list) {
    auto listed = [&](const char* name) { return list.find(name) != std::string::npos; };
    std::vector<uint32_t> sources;
    if (listed("music")) sources.push_back(raceMusic.source);
    if (listed("engine")) sources.insert(sources.end(), {soundEngine1.source, soundEnginePass.source});
    if (listed("opponents"))
        sources.insert(sources.end(), {soundEngine2.source, soundEngine3.source, soundEngine4.source});
    if (listed("squeal")) sources.push_back(soundStart.source);
    if (listed("wind")) sources.push_back(soundWind.source);
    if (listed("nitro")) sources.push_back(soundNitro.source);
    if (listed("gear")) sources.push_back(soundGear.source);
    if (listed("chime")) sources.push_back(soundPoint.source);
    if (listed("count")) sources.push_back(soundCountdown.source);
    if (listed("sting"))
        sources.insert(sources.end(), {soundLapSting.source, soundLastLapSting.source, soundFinishWin.source,
                                       soundFinishPodium.source, soundFinishLast.source});
    if (listed("crash"))
        sources.insert(sources.end(),
                       {soundCrash0.source, soundCrash1.source, soundCrash2.source, soundCrash3.source});
    for (uint32_t source : sources)
        if (source) alSourcef(source, AL_MAX_GAIN, 0.0f);
}

}  // namespace

TEST(RaceRecording, DrivenRaceThroughTheWaveBackend) {
    const char* out = std::getenv("KORVASK_RECORD_RACE");
    if (!out) GTEST_SKIP() << "set KORVASK_RECORD_RACE to the WAV file to record";
    const char* secondsText = std::getenv("KORVASK_RECORD_SECONDS");
    const double seconds = secondsText ? std::atof(secondsText) : 34.0;
    const char* raceText = std::getenv("KORVASK_RECORD_RACE_NUMBER");
    const int raceNumber = raceText ? std::atoi(raceText) : 1;
    const char* lapsText = std::getenv("KORVASK_RECORD_LAPS");
    const char* muteText = std::getenv("KORVASK_RECORD_MUTE");
    const std::string mute = muteText ? muteText : "";

    const std::string config = std::string(out) + ".conf";
    const std::string text =
        "[general]\nchannels = stereo\nsample-type = int16\nfrequency = 44100\n[wave]\nfile = " +
        std::string(out) + "\n";
    ASSERT_TRUE(writeBytes(config, std::vector<uint8_t>(text.begin(), text.end())));
    // OpenAL Soft reads these once, when this process first opens a device.
    setenv("ALSOFT_DRIVERS", "wave", 1);
    setenv("ALSOFT_CONF", config.c_str(), 1);
    setenv("ALSOFT_LOGLEVEL", "0", 1);

    scriptedReset();
    ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
    ASSERT_TRUE(openSoundDevice(kSoundDeviceName));
    loadSounds();
    options.soundEnabled = true;
    options.musicEnabled = true;
    initCarTable();
    players[0].playerCarModel = 0;
    players[0].playerCarPower = raceRun.carTable[0].power;
    frameClock.frameFactor = 1.0f;
    srand(7);
    game.gameState = Race;
    loadRace(raceNumber);
    if (lapsText) session.lapCount = std::atoi(lapsText);
    if (!mute.empty()) muteListed(mute);

    FILE* table = std::fopen((std::string(out) + ".csv").c_str(), "w");
    ASSERT_NE(table, nullptr);
    std::fprintf(table, "t,speed,gear,rpm,engineMix,skid,nitro,checkpoints,countdown\n");

    DriverState driver{};
    const int frames = (int)(seconds * 100.0);
    const auto start = std::chrono::steady_clock::now();
    int finishedFrames = 0;
    for (int frame = 0; frame < frames && finishedFrames < 600; frame++) {
        finishedFrames += session.raceFinished ? 1 : 0;
        // The null and wave devices play in real time: frames of 10 ms.
        std::this_thread::sleep_until(start + std::chrono::milliseconds(10 * frame));
        scriptedDriverKeys(session.cars[0], driver);

        updateRaceSounds(frameClock.frameFactor);
        glLoadIdentity();
        updateChaseCamera(0);
        updateStandings();
        raceStep(frameClock.frameFactor);
        tickCountdown(frameClock.frameFactor);

        if (frame % 5 == 0) {
            std::fprintf(table, "%.2f,%.2f,%d,%.0f,%.3f,%.3f,%d,%d,%d\n", frame * 0.01,
                         players[0].playerSpeed, session.cars[0].gear, session.cars[0].rpm,
                         players[0].engineMix, players[0].skidLevel, input.keys[VK_SPACE] ? 1 : 0,
                         session.cars[0].checkpointsPassed, session.countdownRunning ? 1 : 0);
        }
    }
    std::fclose(table);

    game.gameState = MainMenu;
    unloadRace();
    releaseSounds();
    closeSoundDevice();
    scriptedCloseGLWindow();
    options.soundEnabled = false;
    options.musicEnabled = false;
    EXPECT_TRUE(scriptedMessageBoxes().empty());
    EXPECT_GT(readBytes(out).size(), 44100u * 4u * 10u);
}
