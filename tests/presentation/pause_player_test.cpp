// Pause and resume with the real player: this test process is the demo's music side (the
// listener, the player's start, Space, the way out, all production code), the player is the
// real one, writing what it plays to a file through SDL's disk driver. Paused, the demo clock
// holds and the player plays silence; resumed, the clock goes on from where it stood and the
// song from the very sample where it stopped, so picture and music stay in step.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "music/listener.h"
#include "platform/ports.h"
#include "platform/process.h"
#include "platform/shellrun.h"
#include "platform/time.h"
#include "shell/democlock.h"
#include "shell/keys.h"
#include "shell/musiclink.h"
#include "shell/pause.h"
#include "song.h"
#include "testfiles.h"

namespace fs = std::filesystem;

namespace {

int exitStatus = -1;
void recordExit(int status) { exitStatus = status; }

double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Stereo float frames as SDL's disk driver wrote them.
std::vector<float> readFloats(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<float> out(bytes.size() / sizeof(float));
    std::memcpy(out.data(), bytes.data(), out.size() * sizeof(float));
    return out;
}

bool silentFrame(const std::vector<float> &s, size_t frame) { return s[2 * frame] == 0 && s[2 * frame + 1] == 0; }
bool sameFrame(const std::vector<float> &a, size_t i, const std::vector<float> &b, size_t j) {
    return a[2 * i] == b[2 * j] && a[2 * i + 1] == b[2 * j + 1];
}

struct PausePlayerTest : ::testing::Test {
    std::string run = makeTempDir(), ram = makeTempDir(), ports = makeTempDir();
    std::string audio = ram + "/played.f32";
    void SetUp() override {
        fs::create_directory_symlink(fs::path(CORVALIS_RUN_DIR) / "MusicPlayer", fs::path(run) / "MusicPlayer");
        fs::create_directory_symlink(fs::path(CORVALIS_SOURCE_DIR) / "data" / "msx", fs::path(run) / "msx");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", audio.c_str(), 1);
        usePortDirectory(ports);
        useVirtualClock(false);
        setExitHook(recordExit);
    }
    void TearDown() override {
        setExitHook(nullptr);
        unsetenv("SDL_AUDIODRIVER");
        unsetenv("SDL_DISKAUDIOFILE");
        usePortDirectory("");
        for (const auto &d : {run, ram, ports}) removeTree(d);
    }
};

TEST_F(PausePlayerTest, PauseHoldsTheClockAndSilencesTheSongResumeGoesOnInStep) {
    {
        ScopedWorkingDir cwd(run);
        startMusic();
    }
    double until = seconds() + 15;
    while (playingSong.load() == 0 && seconds() < until) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_NE(playingSong.load(), 0) << "the player never reported that the song sounds";
    getTimeWithStatus(clockReset);  // as the first playing frame would

    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    int atPause = getTime();
    double pausedAt = seconds();
    key(keyPause, 0, 0);
    ASSERT_TRUE(showPaused());
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    key(keyPause, 0, 0);
    double pausedFor = seconds() - pausedAt;
    int atResume = getTime();
    EXPECT_LE(std::abs(atResume - atPause), 2) << "the clock goes on from where it was paused";
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    int later = getTime();
    EXPECT_NEAR(later - atResume, 100, 15) << "and runs on at its own pace";

    leaveShow();
    EXPECT_EQ(exitStatus, 0);
    EXPECT_TRUE(runningChildren().empty()) << "the player was left running";

    // What the player played: silence before the song, the song, silence while paused, the song
    // from where it stopped, silence after the stop.
    std::vector<float> played = readFloats(audio);
    ASSERT_GT(played.size(), 2u * 48000) << "SDL's disk driver wrote nothing: is it built in?";
    std::string error;
    openmpt_module *song = loadSong((fs::path(CORVALIS_SOURCE_DIR) / "data/msx/qsm_insomnia.xm").c_str(), &error);
    ASSERT_NE(song, nullptr) << error;
    std::vector<float> straight(2 * 48000 * 6);
    for (size_t at = 0; at < straight.size(); at += 2 * 1024)
        renderSong(song, 48000, straight.data() + at, std::min<size_t>(1024, (straight.size() - at) / 2));
    freeSong(song);

    const size_t frames = played.size() / 2, songFrames = straight.size() / 2;
    size_t p = 0, s = 0;
    while (p < frames && silentFrame(played, p)) ++p;
    while (s < songFrames && silentFrame(straight, s)) ++s;
    // Before the pause: the song as decoded straight, sample for sample.
    size_t before = 0;
    while (p < frames && s < songFrames && sameFrame(played, p, straight, s)) ++p, ++s, ++before;
    EXPECT_GT(before, size_t(0.8 * 48000)) << "about a second of the song before the pause";
    EXPECT_LT(before, size_t(1.5 * 48000));
    // The pause: nothing but silence, about as long as the clock stood still.
    size_t gap = 0;
    while (p < frames && silentFrame(played, p)) ++p, ++gap;
    EXPECT_NEAR(gap / 48000.0, pausedFor, 0.3) << "silence while paused, as long as the pause";
    // After it: the song goes on from the very sample where it stopped.
    size_t after = 0;
    while (p < frames && s < songFrames && sameFrame(played, p, straight, s)) ++p, ++s, ++after;
    EXPECT_GT(after, size_t(0.5 * 48000)) << "the song did not go on from where it was paused";
}

}  // namespace
