// The demo's entry: everything it does lives in the core library.
#include "shell/startup.h"

int main(int argc, char **argv) { return demoMain(argc, argv); }
