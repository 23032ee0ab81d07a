#include "scratch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace zarvo::fuzz {

namespace {

[[noreturn]] void fail(const char* what) {
  std::perror(what);
  std::abort();
}

const std::string& scratch_path() {
  static const std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/zarvo-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) fail("zarvo fuzz: making the scratch directory");
    return pattern;
  }();
  return path;
}

}  // namespace

InScratchDir::InScratchDir() : previous_(open(".", O_RDONLY | O_DIRECTORY)) {
  if (previous_ < 0 || chdir(scratch_path().c_str()) != 0) fail("zarvo fuzz: entering the scratch directory");
}

InScratchDir::~InScratchDir() {
  if (fchdir(previous_) != 0) fail("zarvo fuzz: leaving the scratch directory");
  close(previous_);
}

void write_file(const char* name, const uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(name, "wb");
  if (f == nullptr || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0) {
    fail("zarvo fuzz: writing a font file");
  }
}

}  // namespace zarvo::fuzz
