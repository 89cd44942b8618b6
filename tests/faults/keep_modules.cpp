// Preloaded into the demo by the leak run: a library stays mapped after dlclose. LeakSanitizer
// looks at exit, after the GL driver has been unloaded; without this its allocations would
// show as "unknown module" and could be neither told apart from ours nor suppressed by name.
extern "C" int dlclose(void *) { return 0; }
