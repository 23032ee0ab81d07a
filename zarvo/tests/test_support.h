// Helpers shared by the library's tests.
#ifndef ZARVO_TEST_SUPPORT_H
#define ZARVO_TEST_SUPPORT_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace zarvo::testing {

// True in builds with AddressSanitizer, whose shadow memory makes memory
// limits (ulimit -v) and figures meaningless.
constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

using Bytes = std::vector<uint8_t>;

// A fresh scratch directory for one test, removed on destruction.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Resets the plot state of the library (plot file, name, origin, text-info,
// pen thickness) and opens a new plot file in a scratch directory as if
// zarvo_ had opened it.  bytes() flushes the stream and reads the file back.
class PlotCapture {
 public:
  PlotCapture();
  ~PlotCapture();
  Bytes bytes() const;
  std::string path() const { return dir_.file("pltfil"); }

 private:
  ScratchDir dir_;
};

// Resets the plot state of the library without opening a file.
void reset_plot_state();

Bytes read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);

// Little-endian byte builders for expected plot files.
void append_h(Bytes& out, int32_t value);
Bytes cmd_move(int x, int y);
Bytes cmd_draw(int x, int y);
Bytes concat(std::initializer_list<Bytes> parts);

}  // namespace zarvo::testing

#endif

namespace zarvo::testing {

// One command of a plot file, decoded.
struct Command {
  char op = 0;
  std::vector<int> args;  // operands; for t: size, font, orientation
  std::string text;       // for t: the text bytes
  bool operator==(const Command&) const = default;
};

// Decodes a whole plot file; throws std::runtime_error on malformed input.
std::vector<Command> parse_plot(const Bytes& bytes);
void PrintTo(const Command& c, std::ostream* os);

Command move(int x, int y);
Command line(int x, int y);
Command text(int size, int font, int orient, const std::string& s);

// Runs the test body in a fresh scratch directory with the plot state reset
// and the library's environment variables unset.
class InScratchDir {
 public:
  InScratchDir();
  ~InScratchDir();
  const ScratchDir& dir() const { return dir_; }
  std::string file(const std::string& name) const { return dir_.file(name); }

 private:
  ScratchDir dir_;
  std::string previous_;
};

}  // namespace zarvo::testing
