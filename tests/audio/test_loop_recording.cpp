// Listens to a looping stream: OpenAL Soft's wave backend records what the
// mixer plays, and the recording must run on through every buffer change and
// every loop point without a gap or a click.
#include <sys/wait.h>

#include <climits>
#include <cstdlib>

#include "audio_test_support.h"

using namespace audiotest;

namespace {

// 441 Hz at 22050 Hz is exactly 50 samples a period, and 11000 frames are 220
// whole periods: the loop joins the end of the tone to its start seamlessly.
// Each buffer then holds half a second, so a loaded machine has a second of
// slack before a late refill could leave a gap.
constexpr long kToneRate = 22050;
constexpr long kToneFrames = 11000;
constexpr double kToneHz = 441.0;
constexpr int kRecordRate = 44100;

// The "data" chunk of a WAV file, whatever its format chunk says.
std::vector<int16_t> dataSamples(const std::vector<uint8_t>& file) {
    std::vector<int16_t> out;
    size_t at = 12;
    while (file.size() >= 8 && at <= file.size() - 8) {
        uint32_t length = (uint32_t)file[at + 4] | ((uint32_t)file[at + 5] << 8) |
                          ((uint32_t)file[at + 6] << 16) | ((uint32_t)file[at + 7] << 24);
        size_t body = at + 8;
        if (std::memcmp(file.data() + at, "data", 4) == 0) {
            // The length is written when the device closes; take what is there.
            size_t end = length <= file.size() - body ? body + length : file.size();
            for (size_t i = body; i + 1 < end; i += 2) out.push_back((int16_t)(file[i] | (file[i + 1] << 8)));
            return out;
        }
        if (length > file.size() - body) break;
        at = body + length + (length & 1);
    }
    return out;
}

}  // namespace

// The recording half, run in a process of its own by the test below: OpenAL
// Soft picks its backend once per process.
TEST(LoopRecording, RecorderProcess) {
    const char* ogg = std::getenv("KORVASK_RECORD_OGG");
    if (!ogg) GTEST_SKIP() << "runs only when started by LoopRecording.StreamLoopsWithoutGapsOrClicks";
    ASSERT_TRUE(openSoundDevice());
    MusicStream music;
    ASSERT_TRUE(music.open(ogg, true, true));
    music.setGain(1.0f);
    music.play();
    // About 1.7 s: three loop points, each also a buffer change.
    for (int i = 0; i < 340; ++i) {
        music.update();
        usleep(5000);
    }
    music.close();
    closeSoundDevice();
}

TEST(LoopRecording, StreamLoopsWithoutGapsOrClicks) {
    std::string ogg = scratchPath("tone-loop.ogg");
    ASSERT_TRUE(writeOgg(ogg, 1, kToneRate, kToneFrames, kToneHz));
    std::string recording = scratchPath("recording.wav");
    std::string config = scratchPath("alsoft.conf");
    std::string text =
        "[general]\nchannels = stereo\nsample-type = int16\nfrequency = " + std::to_string(kRecordRate) +
        "\n[wave]\nfile = " + recording + "\n";
    ASSERT_TRUE(writeBytes(config, std::vector<uint8_t>(text.begin(), text.end())));

    char self[PATH_MAX] = {0};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string command = "KORVASK_RECORD_OGG='" + ogg +
                          "' ALSOFT_DRIVERS=wave ALSOFT_LOGLEVEL=0 ALSOFT_CONF='" + config + "' '" + self +
                          "' --gtest_filter=LoopRecording.RecorderProcess > /dev/null 2>&1";
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;

    std::vector<int16_t> samples = dataSamples(readBytes(recording));
    ASSERT_GT(samples.size(), (size_t)kRecordRate * 2 / 2) << "less than half a second recorded";
    // Left channel only; the mono source sits on the listener, so both match.
    std::vector<int> left;
    for (size_t i = 0; i + 1 < samples.size(); i += 2) left.push_back(samples[i]);
    size_t onset = 0;
    while (onset < left.size() && std::abs(left[onset]) < 200) ++onset;
    const size_t end = onset + kRecordRate * 14 / 10;
    ASSERT_LT(end, left.size()) << "the tone never started, or stopped early";

    // From the onset for 1.4 s, past two loop points: the tone's steepest
    // step at this level is a few hundred; a gap or a misplaced buffer jumps
    // by thousands, or sits near zero for far longer than a zero crossing.
    int peak = 0, steepest = 0;
    size_t quietRun = 0, longestQuiet = 0;
    for (size_t i = onset + 1; i < end; ++i) {
        peak = std::max(peak, std::abs(left[i]));
        steepest = std::max(steepest, std::abs(left[i] - left[i - 1]));
        quietRun = std::abs(left[i]) < 100 ? quietRun + 1 : 0;
        longestQuiet = std::max(longestQuiet, quietRun);
    }
    const double expectedStep = 2.0 * M_PI * kToneHz / kRecordRate * peak;
    EXPECT_GT(peak, 2000) << "the tone is too quiet to judge";
    EXPECT_LT(steepest, 2.0 * expectedStep) << "a click: peak " << peak;
    EXPECT_LT(longestQuiet, 8u) << "a gap of " << longestQuiet << " samples";
}
