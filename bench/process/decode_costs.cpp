// Decoding costs: openmpt123's processor time from wait4, the player's decoding from this
// thread's processor clock.
#include "decode_costs.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>

#include "children.h"

// Runs openmpt123 over the whole song into a WAV file in a folder of its own; its processor time
// from wait4.
DecodeCost renderWithOpenmpt123(const Paths &paths, const PlayerSettings &s, const std::string &label,
                                const std::vector<std::string> &settings) {
    DecodeCost c;
    c.label = label;
    c.musicS = s.songSeconds;
    std::string dir = makeTempDir("bench-render");
    std::vector<std::string> argv = {openmpt123Path, "--quiet", "--batch"};
    argv.insert(argv.end(), settings.begin(), settings.end());
    for (const std::string &a : {std::string("--output"), dir + "/song.wav", std::string("--force"), paths.song})
        argv.push_back(a);
    // The command as printed: the temporary folder and the run directory left out.
    c.detail = "openmpt123 --quiet --batch";
    for (const std::string &a : settings) c.detail += " " + a;
    c.detail += std::string(" --output TMP/song.wav --force ") + songFile;
    std::fprintf(stderr, "  %s\n", c.detail.c_str());
    long long start = monotonicNs();
    pid_t pid = dir.empty() ? 0 : spawn(argv, SpawnOptions{"", {}, {}, dir + "/output.txt", -1});
    rusage usage{};
    int status = pid > 0 ? waitForChild(pid, 120000, &usage) : -1;
    if (pid > 0 && status == -1) status = endChild(pid, 1000);
    c.wallS = (monotonicNs() - start) / 1e9;
    struct stat st;
    bool wrote = stat((dir + "/song.wav").c_str(), &st) == 0 && st.st_size > 1000000;
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0 && wrote)
        c.cpuS = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    else if (!stopRequested())
        notes.push_back("openmpt123 (" + label + ") failed: " + describeStatus(status) + "\n" +
                        tail(fileText(dir + "/output.txt"), 5));
    removeTempDir(dir);
    return c;
}

// Labelled by how it runs.
DecodeCost decodeHere(const Paths &paths, const PlayerSettings &s, int frames, double fromS, double toS, bool paced) {
    DecodeCost c;
    c.label = !paced                     ? "Player's decoding here, flat out"
              : frames == s.bufferFrames ? "Player's decoding here, paced like its audio thread"
                                         : format("Player's decoding here, paced, %.0f-frame pieces", frames);
    c.detail = format("renderSong, %.0f frames at a time", frames) +
               (paced ? format(" every %.1f ms", 1000.0 * frames / s.rate) : std::string()) +
               format(", song %.0f s to %.0f s", fromS, toS);
    std::fprintf(stderr, "  %s\n", c.detail.c_str());
    c.musicS = toS - fromS;
    long long start = monotonicNs();
    c.cpuS = decodeCpuSeconds(paths.song, s.rate, frames, fromS, toS, paced);
    c.wallS = (monotonicNs() - start) / 1e9;
    return c;
}
