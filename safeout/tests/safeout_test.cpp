// Every kind of output name: what is written, what stays.  Devices and
// FIFOs are tested through pltrender, which writes with this library.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "safeout.h"
#include "test_support.h"

namespace {

using zarvo::testing::ScratchDir;

std::string text_of(const std::string& path) {
  const zarvo::testing::Bytes b = zarvo::testing::read_file(path);
  return std::string(b.begin(), b.end());
}

TEST(Safeout, EachKindOfOutputNameIsWrittenOrRefusedSoundly) {
  struct Case {
    const char* what;
    std::function<void(const ScratchDir&)> make;  // what exists before the write
    const char* name;
    const char* error;                             // "" when the write succeeds
    std::function<void(const ScratchDir&)> check;  // what must hold afterwards
  };
  const auto untouched = [](const ScratchDir&) {};
  const std::vector<Case> cases = {
      {"new file", untouched, "new.txt", "",
       [](const ScratchDir& d) { EXPECT_EQ(text_of(d.file("new.txt")), "data"); }},
      {"existing file keeps its mode", [](const ScratchDir& d) {
         zarvo::testing::write_file(d.file("old.txt"), "old");
         chmod(d.file("old.txt").c_str(), 0604);
       }, "old.txt", "", [](const ScratchDir& d) {
         struct stat st {};
         ASSERT_EQ(stat(d.file("old.txt").c_str(), &st), 0);
         EXPECT_EQ(st.st_mode & 07777, 0604u);
         EXPECT_EQ(text_of(d.file("old.txt")), "data");
       }},
      {"symbolic link: the target is written, the link stays", [](const ScratchDir& d) {
         zarvo::testing::write_file(d.file("target.txt"), "old");
         ASSERT_EQ(symlink("target.txt", d.file("link.txt").c_str()), 0);
       }, "link.txt", "", [](const ScratchDir& d) {
         struct stat st {};
         ASSERT_EQ(lstat(d.file("link.txt").c_str(), &st), 0);
         EXPECT_TRUE(S_ISLNK(st.st_mode));
         EXPECT_EQ(text_of(d.file("target.txt")), "data");
       }},
      {"link to a missing file", [](const ScratchDir& d) {
         ASSERT_EQ(symlink("nowhere.txt", d.file("dangling.txt").c_str()), 0);
       }, "dangling.txt", "DIR/dangling.txt: symbolic link to a missing file; refused", untouched},
      {"directory", [](const ScratchDir& d) { mkdir(d.file("sub").c_str(), 0755); }, "sub",
       "DIR/sub: is a directory", untouched},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    c.make(dir);
    std::string error;
    const bool ok = safeout::write_file(dir.file(c.name), "data", error);
    std::string expected = c.error;
    if (const std::size_t at = expected.find("DIR"); at != std::string::npos) expected.replace(at, 3, dir.path());
    EXPECT_EQ(ok, expected.empty());
    EXPECT_EQ(error, expected);
    c.check(dir);
    // Nothing is left behind under a temporary name.
    for (const char* name : {"new.txt", "old.txt", "target.txt", "link.txt", "dangling.txt", "sub"})
      EXPECT_NE(access((dir.file(name) + ".XXXXXX").c_str(), F_OK), 0);
  }
}

TEST(Safeout, ARunNeverWritesOneFileTwiceNorOverAnInput) {
  ScratchDir dir;
  safeout::Writer writer;
  std::string error;
  ASSERT_TRUE(writer.write(dir.file("a"), "first", error)) << error;
  ASSERT_EQ(symlink("a", dir.file("b").c_str()), 0);
  EXPECT_FALSE(writer.write(dir.file("b"), "second", error));
  EXPECT_EQ(error, dir.file("b") + ": already written by this run; refused");
  EXPECT_EQ(text_of(dir.file("a")), "first");
  EXPECT_FALSE(writer.write("", "x", error));
  EXPECT_EQ(error, "empty output file name");

  EXPECT_FALSE(safeout::not_an_input(dir.path() + "/./a", {"x", dir.file("a")}, error));
  EXPECT_EQ(error, dir.path() + "/./a is an input; it would be overwritten");
  EXPECT_TRUE(safeout::not_an_input(dir.file("c"), {dir.file("a")}, error));
}

}  // namespace
