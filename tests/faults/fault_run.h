// Helpers for the fault tests of the real demo and player: run directories whose data files
// can be taken away or cut, the player of a demo, processes that end, and the moment the
// show has visibly started.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "demo_process.h"

// A run directory like makeRunDir's, but with Fonts/, gfx/ and msx/ as folders of their own
// holding one link per data file, so that a test can remove or replace a single file.
std::string makeFaultRunDir(bool withPlayer);

// Starts the demo like startDemo, once no window of an earlier demo is left on the display
// (keys sent by window title must not reach a demo that is going away), and waits for its
// window and its first frames. pid −1 in the result when it did not come up; the reason is
// then in *why.
DemoRun startFaultDemo(const std::string &runDir, const std::vector<std::string> &env, std::string *why);

// Replaces the linked data file with a copy of its first `keep` bytes.
void cutDataFile(const std::string &runDir, const std::string &relativePath, size_t keep);

// The size of a data file of the repository.
size_t dataFileSize(const std::string &relativePath);

// The demo's music player, once it runs (waits up to ms); 0 when none appears.
pid_t playerOf(pid_t demo, long ms = 5000);

// True while the process exists and is not a zombie.
bool isAlive(pid_t pid);

// Waits up to ms for the process to be gone (ended, or a zombie); reaps it when it is ours.
bool goneWithin(pid_t pid, long ms);

// Takes screenshots until one differs clearly from `before` (mean difference per channel over
// 2), within the timeout; the differing picture, or an empty one.
Picture waitForChange(const DemoRun &run, const Picture &before, double timeoutSeconds);

// Mean difference per channel of two pictures of the same size; a large number otherwise.
double pictureDifference(const Picture &a, const Picture &b);

// How often the text occurs in the file.
int countOf(const std::string &path, const std::string &text);

// Names in a folder, sorted; "." and ".." left out.
std::vector<std::string> folderEntries(const std::string &dir);
