// The command line. With no option the program plays the show exactly as it always has;
// the options turn vsync off or capture the show to a video or to PNG frames.
#pragma once

#include <string>
#include <vector>

// What the command line asks for.
enum class Action { play, capture, help, version, fail };

struct Options {
    Action action = Action::play;
    bool vsync = true;
    std::string captureOut;       // --capture OUT, as given
    int fps = 50;                 // --fps N
    long fromUs = 0;              // --from S, in microseconds of show time
    long toUs = -1;               // --to S, in microseconds; −1: the end of the show
    std::vector<long> onlyFrames; // --frames LIST (for tests): write only these frame numbers
    std::string error;            // for Action::fail: what was wrong, one line without newline
};

// The program's version, as --version and the window title give it.
constexpr const char *programVersion = "1.0";

// Where a capture ends by default, in centiseconds of show time: the closing scroller has
// then shown its whole text once (it starts at 20201 and takes 32 a character, 355 of them).
constexpr long showEndCentiseconds = 20201 + 355 * 32;

// Reads the command line (argv[0] is the program). Never prints anything.
Options parseOptions(int argc, char **argv);

// The --help text, ending in a newline.
std::string helpText();

// The --version text, ending in a newline.
std::string versionText();

// True when the frame rate is one a capture accepts: 1 … 100 and a divisor of 48000, so that
// every frame spans a whole number of 48 kHz samples.
bool validCaptureRate(int fps);
