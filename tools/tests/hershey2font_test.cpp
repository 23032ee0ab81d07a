// hershey2font on inputs that hold no font: each named for what it is.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

// Runs the converter on `input` in a scratch directory; its exit status
// and standard error.
std::pair<int, std::string> convert(const fs::path& dir, const std::string& input) {
  const std::string cmd = "cd '" + dir.string() + "' && '" HERSHEY2FONT_BIN "' '" + input +
                          "' out.font 2> stderr.txt";
  const int rc = std::system(cmd.c_str());
  std::ifstream in(dir / "stderr.txt");
  std::ostringstream err;
  err << in.rdbuf();
  return {WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, err.str()};
}

}  // namespace

TEST(Hershey2font, InputsWithoutAFont) {
  const fs::path dir = fs::path(::testing::TempDir()) / ("hershey2font_" + std::to_string(::getpid()));
  fs::create_directories(dir / "fonts.d");
  std::ofstream(dir / "empty.jhf").close();
  EXPECT_EQ(convert(dir, "fonts.d"),
            std::make_pair(1, std::string("hershey2font: fonts.d: read error: Is a directory\n")));
  EXPECT_EQ(convert(dir, "empty.jhf"), std::make_pair(1, std::string("hershey2font: empty.jhf: no glyphs\n")));
  EXPECT_FALSE(fs::exists(dir / "out.font"));
  fs::remove_all(dir);
}

// A height the plotting library would refuse in the font file is refused here.
TEST(Hershey2font, HeightBeyondTheLibraryLimit) {
  const std::string cmd = "'" HERSHEY2FONT_BIN "' /dev/null /dev/null 1001 2>/dev/null";
  const int rc = std::system(cmd.c_str());
  EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 2);
}
