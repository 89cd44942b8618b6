// corvalis_picgen run for real: it must reproduce every committed picture byte for byte (so the
// pictures are deterministic and the committed ones are current), and fail cleanly on bad use.
#include "picture_file.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const char* const kOutputs[] = {
    "Fonts/font1.pbm",     "gfx/gfx2.pbm",         "gfx/apan-ls.pbm", "gfx/greets1.pbm",
    "gfx/greets2.pbm",     "gfx/lsd.pbm",          "gfx/closingwords.pbm",
    "gfx/veldoran_dpdp7.pbm",
};

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs the generator with `args` (already quoted); returns its exit status, or −1.
int runGenerator(const std::string& args) {
    const std::string command = std::string("'") + CORVALIS_PICGEN + "' " + args + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Generator : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = ::testing::TempDir() + "corvalis_picgen_XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

TEST_F(Generator, ReproducesEveryCommittedPictureExactly) {
    const std::filesystem::path out = dir / "data", sheet = dir / "sheet.png";
    ASSERT_EQ(runGenerator("'" + out.string() + "' --sheet '" + sheet.string() + "'"), 0);
    for (const char* name : kOutputs) {
        const std::string made = readAll(out / name);
        ASSERT_FALSE(made.empty()) << name << " was not written";
        EXPECT_TRUE(made == readAll(committedPath(name)))
            << name << " differs from the committed file; regenerate with the corvalis_pictures target";
    }
    EXPECT_EQ(readAll(sheet).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST_F(Generator, RejectsBadArgumentsWithUsageStatus) {
    EXPECT_EQ(runGenerator(""), 2);
    EXPECT_EQ(runGenerator("'" + dir.string() + "' --bogus x"), 2);
    EXPECT_EQ(runGenerator("'" + dir.string() + "' --sheet"), 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "gfx"));
}

TEST_F(Generator, FailsWhenTheOutputFolderCannotBeMade) {
    const std::filesystem::path blocker = dir / "plain_file";
    std::ofstream(blocker) << "not a folder";
    EXPECT_EQ(runGenerator("'" + (blocker / "out").string() + "'"), 1);
}

TEST_F(Generator, FailsWhenTheSheetCannotBeWritten) {
    const std::filesystem::path sheet = dir / "missing_folder" / "sheet.png";
    EXPECT_EQ(runGenerator("'" + (dir / "out").string() + "' --sheet '" + sheet.string() + "'"), 1);
}

}  // namespace
