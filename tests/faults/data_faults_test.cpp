// Data files missing or cut short, with the real demo and player under X. A picture that
// cannot be read leaves its slot empty, with the reader's line (none for a missing file), and
// the show still runs; without its song the demo holds the title and quits on Escape.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

#include "fault_run.h"

namespace {

enum class Damage { missing, cutInHeader, cutInRaster };

struct DataFault {
    const char *name;
    const char *file;  // below the run directory
    Damage damage;
    const char *stdoutText;  // what the demo prints on stdout, all of it
};

constexpr const char *rasterShort = "Error PPM raster too short\n";
constexpr const char *badHeader = "Error scanning PPM header\n";

// Every picture of the texture table, missing and cut in its raster; one cut in its header.
const DataFault dataFaults[] = {
    {"FontMissing", "Fonts/font1.pbm", Damage::missing, ""},
    {"SpritesMissing", "gfx/gfx2.pbm", Damage::missing, ""},
    {"FirstOverlayMissing", "gfx/apan-ls.pbm", Damage::missing, ""},
    {"GreetingsOneMissing", "gfx/greets1.pbm", Damage::missing, ""},
    {"GreetingsTwoMissing", "gfx/greets2.pbm", Damage::missing, ""},
    {"SecondOverlayMissing", "gfx/lsd.pbm", Damage::missing, ""},
    {"ClosingPictureMissing", "gfx/closingwords.pbm", Damage::missing, ""},
    {"TitleMissing", "gfx/veldoran_dpdp7.pbm", Damage::missing, ""},
    {"FontCut", "Fonts/font1.pbm", Damage::cutInRaster, rasterShort},
    {"SpritesCut", "gfx/gfx2.pbm", Damage::cutInRaster, rasterShort},
    {"FirstOverlayCut", "gfx/apan-ls.pbm", Damage::cutInRaster, rasterShort},
    {"GreetingsOneCut", "gfx/greets1.pbm", Damage::cutInRaster, rasterShort},
    {"GreetingsTwoCut", "gfx/greets2.pbm", Damage::cutInRaster, rasterShort},
    {"SecondOverlayCut", "gfx/lsd.pbm", Damage::cutInRaster, rasterShort},
    {"ClosingPictureCut", "gfx/closingwords.pbm", Damage::cutInRaster, rasterShort},
    {"TitleCut", "gfx/veldoran_dpdp7.pbm", Damage::cutInRaster, rasterShort},
    {"TitleCutInItsHeader", "gfx/veldoran_dpdp7.pbm", Damage::cutInHeader, badHeader},
};

bool isTitle(const char *file) { return std::string(file) == "gfx/veldoran_dpdp7.pbm"; }

double litFraction(const Picture &p) { return fractionBrighterThan(p, 24, 0, 0, p.width, p.height); }

struct DataFaults : ::testing::TestWithParam<DataFault> {
    DemoRun run;
    std::string dir;

    void SetUp() override {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "fault tests need an X display (./test.sh starts Xvfb)";
        dir = makeFaultRunDir(true);
    }
    void TearDown() override {
        cleanUp(run);
        std::filesystem::remove_all(dir);
    }
    void damage(const DataFault &f) {
        switch (f.damage) {
            case Damage::missing: std::filesystem::remove(dir + "/" + f.file); break;
            case Damage::cutInHeader: cutDataFile(dir, f.file, 6); break;
            case Damage::cutInRaster: cutDataFile(dir, f.file, dataFileSize(f.file) / 2); break;
        }
    }
};

TEST_P(DataFaults, SlotStaysEmptyWithItsLineAndTheShowRuns) {
    const DataFault &f = GetParam();
    damage(f);
    std::string why;
    run = startFaultDemo(dir, {}, &why);
    ASSERT_GT(run.pid, 0) << why;
    Picture first = screenshot(run);
    ASSERT_EQ(first.width, 640) << fileText(run.errPath);
    // The empty title slot draws nothing; every other fault leaves the title as it is.
    if (isTitle(f.file))
        EXPECT_LT(litFraction(first), 0.0005) << "an empty title slot shows nothing";
    else
        EXPECT_GT(litFraction(first), 0.2) << "the title picture";
    // The show runs: the title fades out, or, with no title, the wheel text comes.
    EXPECT_EQ(waitForChange(run, first, 30).width, 640) << "the show never moved on";
    double asked = now();
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    EXPECT_LT(now() - asked, 1.0);
    EXPECT_EQ(fileText(run.outPath), f.stdoutText);
    EXPECT_EQ(countOf(run.errPath, "Setup completed!\n"), 1) << fileText(run.errPath);
}

INSTANTIATE_TEST_SUITE_P(EachPicture, DataFaults, ::testing::ValuesIn(dataFaults),
                         [](const ::testing::TestParamInfo<DataFault> &info) { return std::string(info.param.name); });

TEST(SongFaults, MissingSongTheTitleStaysAndEscapeQuits) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "fault tests need an X display (./test.sh starts Xvfb)";
    std::string dir = makeFaultRunDir(true);
    std::filesystem::remove(dir + "/msx/qsm_insomnia.xm");
    std::string why;
    DemoRun run = startFaultDemo(dir, {}, &why);
    ASSERT_GT(run.pid, 0) << why;
    Picture title = screenshot(run);
    ASSERT_GT(litFraction(title), 0.2) << "the title picture";
    // Long enough for a song to have started and the title to have faded (4 s) if it had.
    std::this_thread::sleep_for(std::chrono::seconds(6));
    Picture later = screenshot(run);
    EXPECT_LT(pictureDifference(title, later), 1.0) << "the title stays";
    double asked = now();
    pressKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 5), 0);
    EXPECT_LT(now() - asked, 1.0);
    cleanUp(run);
    std::filesystem::remove_all(dir);
}

}  // namespace
