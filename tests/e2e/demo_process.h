// Running the real demo under X for end-to-end tests: start it in a run directory, find its
// window, send keys with xdotool, take screenshots, and wait for it to end.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// An RGB picture read from a PPM file, top row first.
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char *at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// Reads a binary PPM; an empty picture when it cannot.
Picture readPicture(const std::string &path);

// Writes a picture as a binary PPM (for people to look at after a run).
void writePicture(const Picture &p, const std::string &path);

// Pixel statistics over the rectangle [x0, x1) × [y0, y1).
double meanBrightness(const Picture &p, int x0, int y0, int x1, int y1);
double fractionBrighterThan(const Picture &p, int threshold, int x0, int y0, int x1, int y1);

struct DemoRun {
    pid_t pid = -1;
    std::string runDir;   // working directory of the demo
    std::string ramDir;   // its RAM: volume
    std::string portDir;  // its port directory
    std::string errPath, outPath;
    std::string window;   // X window id
    double startedAt = 0; // monotonic seconds when it was started
};

// Monotonic seconds.
double now();

// Starts the demo binary in runDir with private RAM: and port folders; its streams go to files.
DemoRun startDemo(const std::string &runDir, const std::vector<std::string> &extraEnv = {});

// Finds the demo's window within the timeout; false when it does not appear.
bool waitForWindow(DemoRun &run, double timeoutSeconds);

// Sends one key (xdotool key name) to the demo's window.
bool pressKey(const DemoRun &run, const std::string &keyName);

// Presses s and reads the screenshot it writes (empty picture when none appears).
Picture screenshot(const DemoRun &run, double timeoutSeconds = 5);

// Waits for the demo to end; its exit status, or −1 when it did not end in time (then it is
// killed).
int waitForExit(DemoRun &run, double timeoutSeconds);

// Kills the demo if it still runs and removes its folders.
void cleanUp(DemoRun &run);

// The whole content of a text file.
std::string fileText(const std::string &path);

// Open descriptors of a process, −1 when it cannot be read.
int openDescriptors(pid_t pid);

// Runs a shell command line and returns what it printed.
std::string commandOutput(const std::string &command);

// Makes a run directory in a temporary folder with links to the built demo and data folders,
// and the player only when withPlayer is set.
std::string makeRunDir(bool withPlayer);
