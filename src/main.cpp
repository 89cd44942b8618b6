// The demo's entry: the command line, then the show (everything it does lives in the core
// library) or a capture of it.
#include <cstdio>

#include "platform/datadir.h"
#include "platform/frame.h"
#include "shell/capture_run.h"
#include "shell/options.h"
#include "shell/startup.h"

int main(int argc, char **argv) {
    Options options = parseOptions(argc, argv);
    switch (options.action) {
        case Action::help:
            std::fputs(helpText().c_str(), stdout);
            return 0;
        case Action::version:
            std::fputs(versionText().c_str(), stdout);
            return 0;
        case Action::fail:
            std::fprintf(stderr, "corvalis: %s\nTry 'corvalis --help' for more information.\n", options.error.c_str());
            return 2;
        case Action::capture:
            options.captureOut = absolutePath(options.captureOut);
            enterShowDataFolder();
            return runCapture(options);
        case Action::play:
            break;
    }
    enterShowDataFolder();
    setVsyncWanted(options.vsync);
    // GLUT sees no option of ours.
    int glutArgc = 1;
    char *glutArgv[] = {argv[0], nullptr};
    return argc == 1 ? demoMain(argc, argv) : demoMain(glutArgc, glutArgv);
}
