// Start-up, window and callbacks (placeholder until the shell lands).
#include "shell/startup.h"

int demoMain(int, char **) { return 0; }
