// Font files are read from the working directory: the fuzz targets read
// theirs in a scratch directory of their own, entered only while the
// library works, so that libFuzzer's paths and artifacts stay where it
// was started.
#ifndef ZARVO_FUZZ_SCRATCH_H
#define ZARVO_FUZZ_SCRATCH_H

#include <cstddef>
#include <cstdint>

namespace zarvo::fuzz {

// Makes the fresh scratch directory (under TMPDIR, else /tmp) on first use
// and makes it the working directory for the life of this object.
class InScratchDir {
 public:
  InScratchDir();
  ~InScratchDir();
  InScratchDir(const InScratchDir&) = delete;
  InScratchDir& operator=(const InScratchDir&) = delete;

 private:
  int previous_;  // descriptor of the directory to return to
};

// Writes `size` bytes to the file `name` in the working directory.
void write_file(const char* name, const uint8_t* data, std::size_t size);

}  // namespace zarvo::fuzz

#endif
