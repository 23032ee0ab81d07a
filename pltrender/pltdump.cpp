// pltdump: lists a plot file as text, one command a line, or summarises it.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "dump.h"
#include "plotfile.h"

namespace {

void usage(std::FILE* out) {
  std::fputs(
      "usage: pltdump [--summary] [--offsets] PLOTFILE\n"
      "Lists the commands of a plot file, one a line:\n"
      "  e | f THICKNESS | m X Y | d X Y | t size=S font=F orient=O \"TEXT\"\n"
      "  a pattern=0xPPPP n=N X1 Y1 ... XN YN X1 Y1 | c pattern=0xPPPP X Y RADIUS\n"
      "  --summary   counts of each command, pages and the bounding box instead\n"
      "  --offsets   put each command's byte offset in front of it\n"
      "  --help, --version\n"
      "A malformed file is listed up to the bad command; the error, with its byte\n"
      "offset, goes to standard error and the exit status is 1.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  bool want_summary = false;
  bool offsets = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--summary") == 0) {
      want_summary = true;
    } else if (std::strcmp(a, "--offsets") == 0) {
      offsets = true;
    } else if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      usage(stdout);
      return 0;
    } else if (std::strcmp(a, "--version") == 0) {
      std::printf("pltdump %s\n", PLTRENDER_VERSION);
      return 0;
    } else if (a[0] == '-' && a[1] != '\0') {
      std::fprintf(stderr, "pltdump: unknown option %s\n", a);
      usage(stderr);
      return 2;
    } else if (path == nullptr) {
      path = a;
    } else {
      std::fprintf(stderr, "pltdump: more than one plot file given\n");
      return 2;
    }
  }
  if (path == nullptr) {
    usage(stderr);
    return 2;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  try {
    if (!pltrender::read_file(path, bytes, error)) {
      std::fprintf(stderr, "pltdump: %s\n", error.c_str());
      return 1;
    }
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "pltdump: %s: out of memory reading the plot file\n", path);
    return 1;
  }
  // One command at a time: memory stays that of the file's bytes.
  if (bytes.empty()) error = "byte offset 0: empty file, no commands";
  pltrender::CommandReader reader(bytes.data(), 0, bytes.size());
  pltrender::Summary summary;
  pltrender::Command c;
  while (reader.next(c)) {
    if (want_summary) {
      summary.add(c);
      continue;
    }
    if (offsets) std::printf("%zu: ", c.offset);
    std::fputs(pltrender::format_command(c).c_str(), stdout);
    std::fputc('\n', stdout);
  }
  if (!reader.ok()) error = reader.error();
  if (want_summary) std::fputs(summary.text(reader.position()).c_str(), stdout);
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "pltdump: write error on standard output\n");
    return 1;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "pltdump: %s: %s\n", path, error.c_str());
    return 1;
  }
  return 0;
}
