// sdsraw: the samples of one channel's window of an SDS archive as
// little-endian 32-bit floats, for the matplotlib peer in make bench.
//
//   sdsraw ROOT NET.STA.LOC.CHA START END FILE
#include <cstdio>
#include <string>
#include <vector>

#include "sds.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: sdsraw ROOT NET.STA.LOC.CHA START END FILE\n");
    return 2;
  }
  seisdata::SdsWindow w{argv[1], {argv[2]}, 0, 0};
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  if (!seisdata::parse_time(argv[3], w.start_us, error) || !seisdata::parse_time(argv[4], w.end_us, error) ||
      !seisdata::read_sds(w, traces, notes, error)) {
    std::fprintf(stderr, "sdsraw: %s\n", error.c_str());
    return 1;
  }
  if (traces.size() != 1) {
    std::fprintf(stderr, "sdsraw: the window holds %zu traces, not one\n", traces.size());
    return 1;
  }
  std::FILE* out = std::fopen(argv[5], "wb");
  const std::vector<float>& s = traces[0].samples;
  if (out == nullptr || std::fwrite(s.data(), sizeof(float), s.size(), out) != s.size() || std::fclose(out) != 0) {
    std::fprintf(stderr, "sdsraw: cannot write %s\n", argv[5]);
    return 1;
  }
  return 0;
}
