#include "plot_builder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace pltrender::testing {

PlotBuilder& PlotBuilder::h(int v) {
  bytes_.push_back(static_cast<uint8_t>(v & 0xff));
  bytes_.push_back(static_cast<uint8_t>((v >> 8) & 0xff));
  return *this;
}
PlotBuilder& PlotBuilder::e() {
  bytes_.push_back('e');
  return *this;
}
PlotBuilder& PlotBuilder::f(int thickness) {
  bytes_.push_back('f');
  return h(thickness);
}
PlotBuilder& PlotBuilder::m(int x, int y) {
  bytes_.push_back('m');
  return h(x).h(y);
}
PlotBuilder& PlotBuilder::d(int x, int y) {
  bytes_.push_back('d');
  return h(x).h(y);
}
PlotBuilder& PlotBuilder::text(int x, int y, int size, int font, int orient, const std::string& s) {
  m(x, y);
  bytes_.push_back('t');
  bytes_.push_back(static_cast<uint8_t>((size & 31) | ((orient & 3) << 5)));
  bytes_.push_back(static_cast<uint8_t>(font & 255));
  bytes_.push_back(0);
  bytes_.push_back(0);
  for (unsigned char ch : s) bytes_.push_back(ch);
  bytes_.push_back(0);
  return *this;
}
PlotBuilder& PlotBuilder::a(int pattern, const std::vector<std::pair<int, int>>& vertices) {
  bytes_.push_back('a');
  h(pattern).h(static_cast<int>(vertices.size()));
  for (const auto& v : vertices) h(v.first).h(v.second);
  return h(vertices.front().first).h(vertices.front().second);
}
PlotBuilder& PlotBuilder::c(int pattern, int x, int y, int r) {
  bytes_.push_back('c');
  return h(pattern).h(x).h(y).h(r);
}
PlotBuilder& PlotBuilder::raw(std::initializer_list<int> bytes) {
  for (int b : bytes) bytes_.push_back(static_cast<uint8_t>(b));
  return *this;
}

void write_bytes(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Run run(const std::string& command) {
  ScratchDir dir;
  const std::string out = dir.file("out"), err = dir.file("err");
  const std::string full = "(" + command + ") >" + out + " 2>" + err;
  const int rc = std::system(full.c_str());
  Run r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = read_text(out);
  r.err = read_text(err);
  return r;
}

long peak_memory_kib(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

}  // namespace pltrender::testing
