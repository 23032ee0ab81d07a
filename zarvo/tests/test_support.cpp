#include "test_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "state.h"

namespace zarvo::testing {

ScratchDir::ScratchDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "zarvo-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void reset_plot_state() {
  if (lib.plotfile != nullptr) std::fclose(lib.plotfile);
  lib.plotfile = nullptr;
  std::snprintf(lib.plotfile_name, sizeof lib.plotfile_name, "%s", "pltfil");
  lib.origin_offset = 0;
  lib.txtinfo = TextInfo{};
  lib.fatsave = 0;
}

PlotCapture::PlotCapture() {
  reset_plot_state();
  lib.plotfile = std::fopen(path().c_str(), "w");
  if (lib.plotfile == nullptr) throw std::runtime_error("cannot open " + path());
}

PlotCapture::~PlotCapture() { reset_plot_state(); }

Bytes PlotCapture::bytes() const {
  if (lib.plotfile != nullptr) std::fflush(lib.plotfile);
  return read_file(path());
}

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
}

void append_h(Bytes& out, int32_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>((value >> 8) & 0xFF));
}

Bytes cmd_move(int x, int y) {
  Bytes b{'m'};
  append_h(b, x);
  append_h(b, y);
  return b;
}

Bytes cmd_draw(int x, int y) {
  Bytes b{'d'};
  append_h(b, x);
  append_h(b, y);
  return b;
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

}  // namespace zarvo::testing
