// Builds plot files byte by byte for the tests, and small helpers.
#ifndef PLTRENDER_TESTS_PLOT_BUILDER_H
#define PLTRENDER_TESTS_PLOT_BUILDER_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace pltrender::testing {

using Bytes = std::vector<uint8_t>;

class PlotBuilder {
 public:
  PlotBuilder& e();
  PlotBuilder& f(int thickness);
  PlotBuilder& m(int x, int y);
  PlotBuilder& d(int x, int y);
  // m to (x, y), then the text command.
  PlotBuilder& text(int x, int y, int size, int font, int orient, const std::string& s);
  // The vertices; the first one is repeated after them.
  PlotBuilder& a(int pattern, const std::vector<std::pair<int, int>>& vertices);
  PlotBuilder& c(int pattern, int x, int y, int r);
  PlotBuilder& raw(std::initializer_list<int> bytes);
  PlotBuilder& h(int v);
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
};

// A fresh scratch directory, removed on destruction.
using ScratchDir = zarvo::testing::ScratchDir;


void write_bytes(const std::string& path, const Bytes& bytes);
std::string read_text(const std::string& path);

// Runs a shell command; returns its exit status, stdout and stderr.
struct Run {
  int status = -1;
  std::string out;
  std::string err;
};
Run run(const std::string& command);

// Runs a program (no shell) with its output discarded; returns its peak
// resident memory in KiB, or -1 when it could not run or failed.
long peak_memory_kib(const std::vector<std::string>& argv);

using zarvo::testing::kAddressSanitizer;

}  // namespace pltrender::testing

#endif
