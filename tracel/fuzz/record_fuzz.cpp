// libFuzzer target for the record reader and the plot call that follows it
// in tracel: the input is the record file; the plot goes to /dev/null.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "record.h"
#include "state.h"
#include <zarvo/zarvo.h>

namespace {

float x[tracel::kMaxSamples];
float y[tracel::kMaxSamples];
int record_fd = -1;
std::string record_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("pltfil", "/dev/null", 1);
  record_fd = memfd_create("record", 0);
  if (record_fd < 0) std::abort();
  record_path = "/proc/self/fd/" + std::to_string(record_fd);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (ftruncate(record_fd, 0) != 0) std::abort();
  if (size > 0 && pwrite(record_fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();

  tracel::CountLine count;
  const tracel::ReadResult r = tracel::read_record(record_path, count, y);
  // A refusal names the file and a line; a record holds what its count
  // field can say.
  if (!r && r.message.compare(0, record_path.size() + 1, record_path + ":") != 0) __builtin_trap();
  if (!r) return 0;
  if (count.np > 99999) __builtin_trap();
  tracel::fill_times(count.np, count.dt, x);

  float para[20] = {8.0f, 4.0f};
  (void)zarvo_(&count.np, x, y, "Time (s)", "Amp", " ", para);
  // Each call opens the plot file anew; close it so that runs do not pile
  // up open files.
  if (zarvo::lib.plotfile != nullptr) {
    std::fclose(zarvo::lib.plotfile);
    zarvo::lib.plotfile = nullptr;
  }
  return 0;
}
