// Where the program reads its own files and where it writes: the
// executable's folder when run from a build folder, share/voxmere and the
// user's data folder when installed under a prefix.
#include "common/program_folders.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vox {
namespace {

namespace fs = std::filesystem;

struct Layout {
    const char *name;
    bool initBesideExe;  // <prefix>/bin/INITdata.v01, as the build writes it
    bool initUnderShare; // <prefix>/share/voxmere/INITdata.v01, as the package installs it
    const char *program; // expected, relative to the prefix; "user" is the data folder
    const char *user;
};

void PrintTo(const Layout &l, std::ostream *os) { *os << l.name; }

class ProgramFoldersTest : public ::testing::TestWithParam<Layout> {};

TEST_P(ProgramFoldersTest, ReadsAndWritesWhereTheLayoutSays) {
    const Layout &l = GetParam();
    test::ScratchFolder scratch{"folders"};
    const fs::path prefix = scratch.path();
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share/voxmere");
    if (l.initBesideExe) std::ofstream(prefix / "bin/INITdata.v01") << "x";
    if (l.initUnderShare) std::ofstream(prefix / "share/voxmere/INITdata.v01") << "x";
    const fs::path data = prefix / "home/.local/share/voxmere";

    const ProgramFolders folders = ChooseProgramFolders(prefix / "bin", data);

    const auto where = [&](const std::string &rel) { return rel == "user" ? data : prefix / rel; };
    EXPECT_EQ(folders.program, where(l.program));
    EXPECT_EQ(folders.user, where(l.user));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ProgramFoldersTest,
                         ::testing::Values(Layout{"build folder", true, false, "bin", "bin"},
                                           Layout{"installed", false, true, "share/voxmere", "user"},
                                           Layout{"build folder beside an install", true, true, "bin", "bin"},
                                           Layout{"bare executable", false, false, "bin", "bin"}));

} // namespace
} // namespace vox
