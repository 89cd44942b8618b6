// Command-line parsing: GNU-style long options, "--name value" or "--name=value".
#include "shell/options.h"

#include <cstdlib>

namespace {
// Seconds as a decimal with up to six places, read exactly into microseconds; false on
// anything else (signs, exponents, more places, more than a day).
bool parseSeconds(const std::string &text, long *us) {
    long whole = 0, fraction = 0;
    int places = 0;
    size_t i = 0;
    if (text.empty() || text == ".") return false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        whole = whole * 10 + (text[i] - '0');
        if (whole > 86400) return false;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (++places > 6) return false;
            fraction = fraction * 10 + (text[i] - '0');
        }
    }
    if (i != text.size()) return false;
    while (places++ < 6) fraction *= 10;
    *us = whole * 1000000 + fraction;
    return true;
}

// A whole number of at most nine digits; false on anything else.
bool parseCount(const std::string &text, long *value) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    *value = std::strtol(text.c_str(), nullptr, 10);
    return true;
}

// "12,400,9000": frame numbers; false when any is not a number.
bool parseFrameList(const std::string &text, std::vector<long> *frames) {
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        long k;
        if (!parseCount(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start), &k))
            return false;
        frames->push_back(k);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

Options failure(const std::string &error) {
    Options o;
    o.action = Action::fail;
    o.error = error;
    return o;
}
}  // namespace

bool validCaptureRate(int fps) { return fps >= 1 && fps <= 100 && 48000 % fps == 0; }

Options parseOptions(int argc, char **argv) {
    Options o;
    bool captureOnly = false;  // an option that only means something with --capture was given
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i], name = arg, value;
        bool inlineValue = false;
        size_t eq = arg.find('=');
        if (arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        auto takesValue = [&](const char *option) {
            if (name != option) return false;
            if (!inlineValue) {
                if (i + 1 >= argc) return true;  // reported below as a missing argument
                value = argv[++i];
                inlineValue = true;
            }
            return true;
        };
        auto flag = [&](const char *option) { return name == option && !inlineValue; };

        if (flag("--help")) {
            o.action = Action::help;
            return o;
        } else if (flag("--version")) {
            o.action = Action::version;
            return o;
        } else if (flag("--no-vsync")) {
            o.vsync = false;
        } else if (takesValue("--capture")) {
            if (!inlineValue) return failure("option '--capture' requires an argument");
            if (value.empty()) return failure("option '--capture' needs a file or folder name");
            o.action = Action::capture;
            o.captureOut = value;
        } else if (takesValue("--fps")) {
            long fps = 0;
            if (!inlineValue) return failure("option '--fps' requires an argument");
            if (!parseCount(value, &fps) || !validCaptureRate(int(fps)))
                return failure("invalid frame rate '" + value + "': it must divide 48000 and be 1 to 100");
            o.fps = int(fps);
            captureOnly = true;
        } else if (takesValue("--from") || takesValue("--to")) {
            bool from = name == "--from";
            if (!inlineValue) return failure("option '" + name + "' requires an argument");
            long us = 0;
            if (!parseSeconds(value, &us)) return failure("invalid time '" + value + "' for " + name + ": give seconds, e.g. 12.5");
            (from ? o.fromUs : o.toUs) = us;
            captureOnly = true;
        } else if (takesValue("--frames")) {
            if (!inlineValue || !parseFrameList(value, &o.onlyFrames))
                return failure("invalid frame list for '--frames': give frame numbers, e.g. 100,2500");
            captureOnly = true;
        } else if (arg.rfind("-", 0) == 0 && arg != "-") {
            return failure("unrecognized option '" + arg + "'");
        } else {
            return failure("unexpected argument '" + arg + "'");
        }
    }
    if (captureOnly && o.action != Action::capture)
        return failure("options '--fps', '--from', '--to' and '--frames' go with '--capture'");
    long endUs = o.toUs >= 0 ? o.toUs : showEndCentiseconds * 10000;
    if (o.action == Action::capture && o.fromUs >= endUs)
        return failure("nothing to capture: '--from' must come before '--to'");
    return o;
}

std::string helpText() {
    return "Usage: corvalis [OPTION]...\n"
           "Plays the Corvalis show with its music in a 640x480 frame that keeps its shape in any\n"
           "window, or captures it frame by frame to a video or to pictures.\n"
           "\n"
           "      --no-vsync     do not wait for the screen's vertical blank between frames\n"
           "      --capture OUT  render the show without playing it: OUT ending in .mp4 or .mkv\n"
           "                     is a video with the music (encoded by ffmpeg, which must be on\n"
           "                     PATH); any other OUT is a folder of numbered PNG frames\n"
           "                     (frame-NNNNNN.png) and the music as song.wav\n"
           "      --fps N        frames per second of a capture (default 50); N divides 48000\n"
           "                     and is at most 100\n"
           "      --from S       start the capture S seconds into the show (default 0)\n"
           "      --to S         end the capture S seconds into the show (default 315.61, when\n"
           "                     the closing text has scrolled by once)\n"
           "      --help         display this help and exit\n"
           "      --version      output version information and exit\n"
           "\n"
           "A capture runs the show on a clock that advances 100/N centiseconds a frame, the song\n"
           "starting at frame 0, and always from the show's start: frames before --from are run,\n"
           "not written. The fireworks move once a frame and relaunch on whole centiseconds, so at\n"
           "50 frames per second they see only even centiseconds; N = 100 gives one frame per\n"
           "centisecond, the rate the show was made for. The music is rendered with the same\n"
           "decoder as the player, 48000 samples a second, exactly 48000/N for every frame. With\n"
           "no X display, the capture starts a private Xvfb server of its own. Progress goes to\n"
           "standard error.\n"
           "\n"
           "Keys while playing: Escape quits, f toggles full screen, s writes RAM:screenshot.ppm\n"
           "(in $CORVALIS_RAM, else $XDG_RUNTIME_DIR, else /tmp), Space pauses and resumes.\n"
           "\n"
           "Exit status: 0 when all went well, 1 when the window or a capture failed, 2 for a\n"
           "wrong command line.\n";
}

std::string versionText() {
    return std::string("corvalis ") + programVersion +
           "\nThe show, its pictures, its song and this program are the Corvalis team's own work.\n";
}
