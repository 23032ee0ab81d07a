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

#include <unistd.h>

namespace zarvo::testing {

namespace {

int read_h(const Bytes& b, size_t& at) {
  if (at + 2 > b.size()) throw std::runtime_error("truncated operand");
  const auto v = static_cast<int16_t>(b[at] | (b[at + 1] << 8));
  at += 2;
  return v;
}

}  // namespace

std::vector<Command> parse_plot(const Bytes& b) {
  std::vector<Command> out;
  size_t at = 0;
  while (at < b.size()) {
    Command c;
    c.op = static_cast<char>(b[at++]);
    switch (c.op) {
      case 'e':
        break;
      case 'f':
        c.args = {read_h(b, at)};
        break;
      case 'm':
      case 'd': {
        const int x = read_h(b, at);
        c.args = {x, read_h(b, at)};
        break;
      }
      case 't': {
        if (at + 4 > b.size()) throw std::runtime_error("truncated attribute");
        c.args = {b[at] & 31, b[at + 1], (b[at] >> 5) & 3};
        at += 4;
        while (at < b.size() && b[at] != 0) c.text.push_back(static_cast<char>(b[at++]));
        if (at == b.size()) throw std::runtime_error("unterminated text");
        ++at;
        break;
      }
      case 'a': {
        c.args = {read_h(b, at)};
        const int n = read_h(b, at);
        c.args.push_back(n);
        for (int i = 0; i < 2 * (n + 1); ++i) c.args.push_back(read_h(b, at));
        break;
      }
      case 'c':
        for (int i = 0; i < 4; ++i) c.args.push_back(read_h(b, at));
        break;
      default:
        throw std::runtime_error("unknown command byte");
    }
    out.push_back(c);
  }
  return out;
}

void PrintTo(const Command& c, std::ostream* os) {
  *os << c.op;
  for (int a : c.args) *os << ' ' << a;
  if (c.op == 't') *os << " \"" << c.text << '"';
}

Command move(int x, int y) { return Command{'m', {x, y}, ""}; }
Command line(int x, int y) { return Command{'d', {x, y}, ""}; }
Command text(int size, int font, int orient, const std::string& s) { return Command{'t', {size, font, orient}, s}; }

InScratchDir::InScratchDir() {
  char cwd[4096];
  if (getcwd(cwd, sizeof cwd) == nullptr) throw std::runtime_error("getcwd failed");
  previous_ = cwd;
  if (chdir(dir_.path().c_str()) != 0) throw std::runtime_error("chdir failed");
  unsetenv("pltfil");
  unsetenv("zarvo_debug");
  reset_plot_state();
}

InScratchDir::~InScratchDir() {
  reset_plot_state();
  unsetenv("pltfil");
  unsetenv("zarvo_debug");
  if (chdir(previous_.c_str()) != 0) std::abort();
}

}  // namespace zarvo::testing
