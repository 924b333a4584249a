// Races loaded and unloaded over and over, with sound and music on: every race
// opens its music and starts its loops, and none may leave an OpenAL object or
// heap memory behind.
#include <malloc.h>
#include <sys/stat.h>

#include <cstdlib>

#include "audio_test_support.h"
#include "frontend/frontend.h"
#include "platform/scripted.h"
#include "race/race.h"
#include "shell/shell.h"

using namespace audiotest;

namespace {

int liveSourceNames() {
    int count = 0;
    for (ALuint name = 1; name < 4096; ++name) count += alIsSource(name) ? 1 : 0;
    return count;
}

size_t heapInUse() {
    malloc_trim(0);
    return mallinfo2().uordblks;
}

class RaceSounds : public ::testing::Test {
  protected:
    void SetUp() override {
        struct stat st;
        if (stat("base/maps/1/map.ms3d", &st) != 0 || stat("base/music/1.ogg", &st) != 0) {
            FAIL() << "needs the generated content (korvask-content base)";
        }
        ASSERT_TRUE(ensureSoundDevice());
        scriptedReset();
        ASSERT_TRUE(scriptedOpenGLWindow(64, 64));
        loadEffectSounds();
        ASSERT_TRUE(menuMusic.open(".\\base\\music\\menu.ogg", true, true));
        initCarTable();
        players[0].playerCarModel = 0;
        players[0].playerCarPower = raceRun.carTable[0].power;
        options.soundEnabled = true;
        options.musicEnabled = true;
        game.menuMusicStartPending = false;
        frameClock.frameFactor = 1.0f;
        alGetError();
    }
    void TearDown() override {
        menuMusic.close();
        releaseEffectSounds();
        options.soundEnabled = false;
        options.musicEnabled = false;
        EXPECT_TRUE(scriptedMessageBoxes().empty()) << "an OpenAL error was reported";
        scriptedCloseGLWindow();
    }

    // One race as the menus run it: in from the menu, out to the menu.
    void raceFromTheMenu(int raceNumber) {
        game.gameState = Race;
        loadRace(raceNumber);
        game.gameState = MainMenu;
        unloadRace();
    }
};

}  // namespace

TEST_F(RaceSounds, ARaceFadesTheMenuMusicOutAndHandsItBackWhenItEnds) {
    menuMusic.play();
    menuMusic.setGain(1.0f);
    game.gameState = Race;
    srand(5);
    loadRace(2);
    EXPECT_TRUE(menuMusic.isPlaying()) << "plays on through the loading";
    EXPECT_TRUE(menuMusicFadingOut());
    EXPECT_TRUE(raceMusic.isPlaying());
    float gain = -1.0f;
    alGetSourcef(raceMusic.source, AL_GAIN, &gain);
    EXPECT_EQ(gain, 0.0f) << "the race music starts silent and fades in";
    EXPECT_EQ(game.musicGain, kMusicFadeStart);
    // A frame of the race lowers the menu music under the race's.
    updateRaceSounds(1.0f);
    float menuGain = -1.0f;
    alGetSourcef(menuMusic.source, AL_GAIN, &menuGain);
    EXPECT_NEAR(menuGain, 1.0f - kMenuMusicFadeOutRate, 1e-6f);
    for (const SoundEffect* loop : {&soundEngine1, &soundEngine2, &soundEngine3, &soundEngine4,
                                    &soundEnginePass, &soundStart, &soundWind}) {
        EXPECT_TRUE(loop->isPlaying());
    }
    EXPECT_FALSE(soundNitro.isPlaying());

    game.gameState = MainMenu;
    unloadRace();
    EXPECT_EQ(raceMusic.source, 0u) << "closed";
    EXPECT_FALSE(menuMusicFadingOut());
    EXPECT_FALSE(menuMusic.isPlaying()) << "what was left of the fade is stopped";
    EXPECT_TRUE(game.menuMusicStartPending) << "the menu frame starts its music again";
    for (const SoundEffect* loop : {&soundEngine1, &soundEngine2, &soundEngine3, &soundEngine4,
                                    &soundEnginePass, &soundStart, &soundWind, &soundNitro}) {
        EXPECT_FALSE(loop->isPlaying());
    }
}

TEST_F(RaceSounds, FiftyRacesLeaveNoBuffersSourcesOrMemoryBehind) {
    srand(11);
    // The first races fill the caches that stay for the run (texture tables,
    // the decoder's own tables, OpenAL's mixer).
    for (int race = 1; race <= 3; race++) raceFromTheMenu(race);
    const int buffers = liveBufferNames();
    const int sources = liveSourceNames();
    const size_t registry = bufferRegistry.size();
    const size_t heap = heapInUse();

    for (int i = 0; i < 50; i++) raceFromTheMenu(1 + i % 3);
    EXPECT_EQ(liveBufferNames(), buffers);
    EXPECT_EQ(liveSourceNames(), sources);
    EXPECT_EQ(bufferRegistry.size(), registry);
    // A race's map, world and music take megabytes; fifty of them kept would
    // show far above this allowance for allocator slack.
    const size_t after = heapInUse();
    EXPECT_LT(after, heap + (256u << 10)) << "heap grew from " << heap << " to " << after;
}
