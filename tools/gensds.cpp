// gensds: writes a synthetic channel into an SDS archive, for the demo, the
// benchmark and the day plot's tests.
//
//   gensds ROOT NET.STA.LOC.CHA START SECONDS RATE [GAP_START GAP_SECONDS]
//
// START is an ISO 8601 UTC time.  The samples (integers) are microseismic
// noise with a few earthquake-like wave trains, the same on every run;
// Steim-2 records of 512 bytes go into the day file of the day their first
// sample falls on, so records run past midnight as in real archives.  An
// optional gap leaves out GAP_SECONDS of samples from GAP_START.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <libmseed.h>

#include "sds.h"

namespace {

// Sample i at `rate`: two microseismic swells, a little noise, and a wave
// train every 4 hours and 17 minutes.
std::int32_t sample(std::int64_t i, double rate, std::uint32_t& noise) {
  const double t = static_cast<double>(i) / rate;
  double v = 400 * std::sin(2 * M_PI * t / 6.3) + 250 * std::sin(2 * M_PI * t / 14.1 + 1.0);
  noise = noise * 1664525u + 1013904223u;
  v += static_cast<double>(noise >> 24) - 128;
  constexpr double kEvery = 4 * 3600 + 17 * 60;
  const double since = std::fmod(t, kEvery) - 1800;
  if (since > 0) v += 12000 * std::exp(-since / 40) * std::sin(2 * M_PI * since / 1.7);
  return static_cast<std::int32_t>(std::lround(v));
}

struct Sink {
  std::string root, id;
};

void write_record(char* record, int length, void* data) {
  const Sink& sink = *static_cast<Sink*>(data);
  MSRecord* m = nullptr;
  if (msr_parse(record, length, &m, length, 0, 0) != 0) {
    std::fprintf(stderr, "gensds: cannot read back a record\n");
    std::exit(1);
  }
  const std::string path = seisdata::sds_path(sink.root, sink.id, m->starttime);
  msr_free(&m);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::FILE* f = std::fopen(path.c_str(), "ab");
  if (f == nullptr || std::fwrite(record, 1, static_cast<std::size_t>(length), f) != static_cast<std::size_t>(length) ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "gensds: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

// Packs samples [first, last) into records.
void pack(const std::string& id, double rate, std::int64_t start_us, std::int64_t first, std::int64_t last,
          Sink& sink) {
  if (last <= first) return;
  MSTrace* mst = mst_init(nullptr);
  std::sscanf(id.c_str(), "%10[^.].%10[^.].%10[^.].%10s", mst->network, mst->station, mst->location, mst->channel);
  if (id.find("..") != std::string::npos) {  // empty location code
    mst->location[0] = '\0';
    std::sscanf(id.c_str(), "%10[^.].%10[^.]..%10s", mst->network, mst->station, mst->channel);
  }
  mst->dataquality = 'D';
  mst->starttime = start_us + std::llround(static_cast<double>(first) * 1e6 / rate);
  mst->samprate = rate;
  mst->sampletype = 'i';
  mst->numsamples = last - first;
  mst->samplecnt = mst->numsamples;
  auto* v = static_cast<std::int32_t*>(std::malloc(static_cast<std::size_t>(last - first) * sizeof(std::int32_t)));
  std::uint32_t noise = 12345u + static_cast<std::uint32_t>(first);
  for (std::int64_t i = first; i < last; ++i) v[i - first] = sample(i, rate, noise);
  mst->datasamples = v;
  std::int64_t packed = 0;
  mst_pack(mst, write_record, &sink, 512, DE_STEIM2, 1, &packed, 1, 0, nullptr);
  mst_free(&mst);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 && argc != 8) {
    std::fprintf(stderr, "usage: gensds ROOT NET.STA.LOC.CHA START SECONDS RATE [GAP_START GAP_SECONDS]\n");
    return 2;
  }
  std::int64_t start_us = 0, gap_us = 0;
  std::string error;
  const double seconds = std::atof(argv[4]), rate = std::atof(argv[5]);
  if (!seisdata::parse_time(argv[3], start_us, error) || !(seconds > 0) || !(rate > 0) ||
      (argc == 8 && !seisdata::parse_time(argv[6], gap_us, error))) {
    std::fprintf(stderr, "gensds: bad arguments %s\n", error.c_str());
    return 2;
  }
  Sink sink{argv[1], argv[2]};
  const auto n = static_cast<std::int64_t>(std::llround(seconds * rate));
  if (argc == 8) {
    const auto gap_first = static_cast<std::int64_t>(std::llround(static_cast<double>(gap_us - start_us) / 1e6 * rate));
    const auto gap_last = gap_first + static_cast<std::int64_t>(std::llround(std::atof(argv[7]) * rate));
    pack(sink.id, rate, start_us, 0, std::clamp<std::int64_t>(gap_first, 0, n), sink);
    pack(sink.id, rate, start_us, std::clamp<std::int64_t>(gap_last, 0, n), n, sink);
  } else {
    pack(sink.id, rate, start_us, 0, n, sink);
  }
  return 0;
}
