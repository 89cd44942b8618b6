// Every GL function the demo's code calls has an entry point in the batching layer. A call
// without one would reach libGL directly, ahead of the primitives still gathered, and draw
// out of order: read from the libraries' symbol tables with nm.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <set>
#include <string>

namespace {

// The symbols nm lists for the archive, undefined ones or defined ones, that are GL calls:
// gl followed by a capital letter (glX… and the GLUT calls other than the swap are not drawing).
std::set<std::string> glSymbols(const char *archive, bool defined) {
    std::string command = std::string("nm --format=posix ") + (defined ? "--defined-only " : "--undefined-only ") +
                          "'" + archive + "' 2>/dev/null";
    std::set<std::string> out;
    FILE *p = popen(command.c_str(), "r");
    if (!p) return out;
    char line[512];
    while (std::fgets(line, sizeof line, p)) {
        std::string name(line, std::string(line).find(' ') == std::string::npos ? 0 : std::string(line).find(' '));
        bool gl = name.size() > 2 && name.compare(0, 2, "gl") == 0 && std::isupper(static_cast<unsigned char>(name[2])) &&
                  name.compare(0, 3, "glX") != 0;
        if (gl || name == "glutSwapBuffers") out.insert(name);
    }
    pclose(p);
    return out;
}

TEST(Coverage, EveryGlCallOfTheDemoHasAnEntryInTheLayer) {
    std::set<std::string> entries = glSymbols(CORVALIS_GLBATCH_LIBRARY, true);
    ASSERT_TRUE(entries.count("glBegin") && entries.count("glutSwapBuffers")) << "nm found no entry points";
    std::set<std::string> called = glSymbols(CORVALIS_CORE_LIBRARY, false);
    for (const std::string &s : glSymbols(CORVALIS_CAPTURE_LIBRARY, false)) called.insert(s);
    ASSERT_TRUE(called.count("glVertex4f")) << "nm found no GL calls in the core";
    for (const std::string &s : called) EXPECT_TRUE(entries.count(s)) << s << " is called but has no entry in the layer";
}

}  // namespace
