// The game's own sounds and music, as the content generator wrote them into
// the build folder, load through the paths the game uses.
#include <filesystem>

#include "audio_test_support.h"
#include "platform/scripted.h"

using namespace audiotest;

namespace {

bool contentPresent() {
    return std::filesystem::exists("base/sound/en1.wav") && std::filesystem::exists("base/music/menu.ogg");
}

}  // namespace

TEST(GameContent, SixteenEffectSoundsHoldSound) {
    if (!contentPresent()) FAIL() << "no generated content in " << std::filesystem::current_path();
    ASSERT_TRUE(ensureSoundDevice());
    scriptedReset();
    loadEffectSounds();
    const SoundEffect* all[kEffectSoundCount] = {
        &audio.soundEngine1, &audio.soundEngine2, &audio.soundEngine3,    &audio.soundEngine4,
        &audio.soundCrash0,  &audio.soundCrash1,  &audio.soundCrash2,     &audio.soundCrash3,
        &audio.soundStart,   &audio.soundPoint,   &audio.soundEnginePass, &audio.soundGear,
        &audio.soundNitro,   &audio.soundWind,    &audio.soundMenu1,      &audio.soundMenu2};
    for (int i = 0; i < kEffectSoundCount; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(bufferInt(all[i]->buffer, AL_SIZE), 0);
        EXPECT_GT(bufferInt(all[i]->buffer, AL_FREQUENCY), 0);
    }
    releaseEffectSounds();
    EXPECT_TRUE(checkAlError());
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}

TEST(GameContent, MusicOpensByItsWindowsStylePaths) {
    if (!contentPresent()) FAIL() << "no generated content in " << std::filesystem::current_path();
    ASSERT_TRUE(ensureSoundDevice());
    scriptedReset();
    const char* tracks[] = {".\\base\\music\\menu.ogg", ".\\base\\music\\1.ogg", ".\\base\\music\\2.ogg",
                            ".\\base\\music\\3.ogg", ".\\base\\music\\4.ogg"};
    for (const char* track : tracks) {
        SCOPED_TRACE(track);
        ASSERT_TRUE(audio.menuMusic.open(track, true, true));
        ASSERT_EQ(audio.menuMusic.streamBufferCount, kStreamBufferCount);
        for (int i = 0; i < kStreamBufferCount; ++i) {
            // Every track is far longer than the two buffers: both are full.
            EXPECT_EQ(bufferInt(audio.menuMusic.streamBuffers[i], AL_SIZE), kStreamBufferBytes);
        }
        audio.menuMusic.close();
    }
    EXPECT_TRUE(scriptedMessageBoxes().empty());
}
