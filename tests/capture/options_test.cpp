// The command line: what each form asks for, and the clear errors for everything else.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/options.h"

namespace {

Options parse(std::vector<std::string> args) {
    args.insert(args.begin(), "corvalis");
    std::vector<char *> argv;
    for (auto &a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return parseOptions(int(args.size()), argv.data());
}

TEST(Options, NoOptionPlaysTheShowAsAlwaysWithVsync) {
    Options o = parse({});
    EXPECT_EQ(o.action, Action::play);
    EXPECT_TRUE(o.vsync);
}

TEST(Options, HelpAndVersionWinWhereverTheyStand) {
    EXPECT_EQ(parse({"--help"}).action, Action::help);
    EXPECT_EQ(parse({"--no-vsync", "--help"}).action, Action::help);
    EXPECT_EQ(parse({"--version"}).action, Action::version);
    EXPECT_NE(helpText().find("--capture OUT"), std::string::npos);
    EXPECT_EQ(versionText().rfind(std::string("corvalis ") + programVersion + "\n", 0), 0u);
}

TEST(Options, CaptureTakesItsValuesInEitherForm) {
    Options o = parse({"--capture", "out.mkv", "--fps=25", "--from", "12.5", "--to=20"});
    EXPECT_EQ(o.action, Action::capture);
    EXPECT_EQ(o.captureOut, "out.mkv");
    EXPECT_EQ(o.fps, 25);
    EXPECT_EQ(o.fromUs, 12500000);
    EXPECT_EQ(o.toUs, 20000000);

    Options d = parse({"--capture=frames"});
    EXPECT_EQ(d.fps, 50);
    EXPECT_EQ(d.fromUs, 0);
    EXPECT_EQ(d.toUs, -1) << "the end of the show";
    EXPECT_EQ(parse({"--capture", "f", "--frames", "3,100,7"}).onlyFrames, (std::vector<long>{3, 100, 7}));
    EXPECT_FALSE(parse({"--no-vsync"}).vsync);
}

struct BadCase {
    std::vector<std::string> args;
    std::string error;  // a part of the message
};

class BadOptions : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadOptions, FailWithAClearOneLineError) {
    Options o = parse(GetParam().args);
    EXPECT_EQ(o.action, Action::fail);
    EXPECT_NE(o.error.find(GetParam().error), std::string::npos) << o.error;
    EXPECT_EQ(o.error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BadOptions,
    ::testing::Values(BadCase{{"--bogus"}, "unrecognized option '--bogus'"},
                      BadCase{{"-x"}, "unrecognized option '-x'"},
                      BadCase{{"--help=yes"}, "unrecognized option '--help=yes'"},
                      BadCase{{"show.mp4"}, "unexpected argument 'show.mp4'"},
                      BadCase{{"--capture"}, "requires an argument"},
                      BadCase{{"--capture="}, "needs a file or folder name"},
                      BadCase{{"--capture", "o", "--fps", "7"}, "invalid frame rate '7'"},
                      BadCase{{"--capture", "o", "--fps", "200"}, "invalid frame rate '200'"},
                      BadCase{{"--capture", "o", "--fps", "0"}, "invalid frame rate '0'"},
                      BadCase{{"--capture", "o", "--from", "-1"}, "invalid time '-1'"},
                      BadCase{{"--capture", "o", "--to", "1e3"}, "invalid time '1e3'"},
                      BadCase{{"--capture", "o", "--to", "1.2345678"}, "invalid time"},
                      BadCase{{"--capture", "o", "--from", "5", "--to", "5"}, "must come before"},
                      BadCase{{"--capture", "o", "--from", "400"}, "must come before"},
                      BadCase{{"--capture", "o", "--frames", "1,,2"}, "invalid frame list"},
                      BadCase{{"--fps", "25"}, "go with '--capture'"},
                      BadCase{{"--to", "3"}, "go with '--capture'"}));

TEST(Options, CaptureRatesAreDivisorsOf48000UpTo100) {
    for (int fps : {1, 24, 25, 30, 50, 60, 75, 100}) EXPECT_TRUE(validCaptureRate(fps)) << fps;
    for (int fps : {0, 7, 29, 90, 120, 48000}) EXPECT_FALSE(validCaptureRate(fps)) << fps;
}

}  // namespace
