// gensds: writes day files of synthetic seismograms into an SDS archive
// (ROOT/YEAR/NET/STA/CHA.D/NET.STA.LOC.CHA.D.YEAR.DDD), Steim-2 miniSEED
// packed by libmseed, for demonstrations, tests and benchmarks.
//
//   gensds ROOT YYYY.DDD CHANNEL...
//   CHANNEL: NET.STA.LOC.CHA:RATE[:FROM-TO[,FROM-TO...]][:flat]
//
// Each FROM-TO stretch (seconds after 00:00 of the day; default 0-86400)
// becomes its own run of records, in the order given: stretches apart make
// gaps, overlapping ones overlaps.  The signal is microseismic noise with
// a few earthquake wave trains; "flat" writes a constant instead.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <libmseed.h>

namespace {

constexpr int kRecordLength = 4096;
constexpr double kPi = 3.14159265358979323846;

struct Stretch {
  double from = 0, to = 86400;
};

struct Channel {
  std::string net, sta, loc, cha;
  double rate = 0;
  std::vector<Stretch> stretches;
  bool flat = false;
};

std::vector<std::string> split(const std::string& text, char sep) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == sep) parts.emplace_back();
    else parts.back() += c;
  }
  return parts;
}

bool parse_channel(const std::string& spec, Channel& c) {
  const std::vector<std::string> fields = split(spec, ':');
  const std::vector<std::string> id = split(fields[0], '.');
  if (fields.size() < 2 || id.size() != 4) return false;
  c.net = id[0], c.sta = id[1], c.loc = id[2], c.cha = id[3];
  c.rate = std::atof(fields[1].c_str());
  if (!(c.rate > 0)) return false;
  for (std::size_t i = 2; i < fields.size(); ++i) {
    if (fields[i] == "flat") {
      c.flat = true;
      continue;
    }
    for (const std::string& range : split(fields[i], ',')) {
      const std::size_t dash = range.find('-', 1);
      if (dash == std::string::npos) return false;
      c.stretches.push_back({std::atof(range.substr(0, dash).c_str()), std::atof(range.substr(dash + 1).c_str())});
    }
  }
  if (c.stretches.empty()) c.stretches.push_back({});
  return true;
}

// Deterministic noise from the station's name and the sample's time.
std::uint32_t hash(std::uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return static_cast<std::uint32_t>(x);
}

std::int32_t sample(const Channel& c, std::uint64_t seed, double t) {
  if (c.flat) return 1200;
  double v = 300 * std::sin(2 * kPi * t / 6.5 + static_cast<double>(seed % 7)) +
             120 * std::sin(2 * kPi * t / 17.0) +
             static_cast<double>(hash(seed ^ static_cast<std::uint64_t>(t * c.rate)) % 161) - 80;
  // Three wave trains a day, at times that differ between stations.
  for (int k = 0; k < 3; ++k) {
    const double onset = 5000 + 27000 * k + static_cast<double>((seed >> (8 * k)) % 3000);
    if (t >= onset && t < onset + 900) {
      const double s = t - onset;
      v += 6000 * std::exp(-s / 120) * std::sin(2 * kPi * s / 1.3);
    }
  }
  return static_cast<std::int32_t>(std::lround(v));
}

void write_records(char* record, int length, void* out) { std::fwrite(record, 1, static_cast<std::size_t>(length), static_cast<std::FILE*>(out)); }

bool write_channel(const std::string& root, int year, int doy, const Channel& c) {
  char year_text[8], doy_text[8];
  std::snprintf(year_text, sizeof year_text, "%04d", year);
  std::snprintf(doy_text, sizeof doy_text, "%03d", doy);
  const std::filesystem::path dir = std::filesystem::path(root) / year_text / c.net / c.sta / (c.cha + ".D");
  std::filesystem::create_directories(dir);
  const std::string name = c.net + "." + c.sta + "." + c.loc + "." + c.cha + ".D." + year_text + "." + doy_text;
  std::FILE* out = std::fopen((dir / name).c_str(), "wb");
  if (out == nullptr) return false;
  std::uint64_t seed = 1469598103934665603ULL;
  for (char ch : name.substr(0, name.size() - 9)) seed = (seed ^ static_cast<unsigned char>(ch)) * 1099511628211ULL;

  char start_text[32];
  std::snprintf(start_text, sizeof start_text, "%04d,%03d,00:00:00", year, doy);
  const hptime_t day_start = ms_seedtimestr2hptime(start_text);
  for (const Stretch& s : c.stretches) {
    const auto first = static_cast<std::int64_t>(std::ceil(s.from * c.rate));
    const auto end = static_cast<std::int64_t>(std::ceil(s.to * c.rate));
    if (end <= first) continue;
    std::vector<std::int32_t> samples(static_cast<std::size_t>(end - first));
    for (std::int64_t i = first; i < end; ++i)
      samples[static_cast<std::size_t>(i - first)] = sample(c, seed, static_cast<double>(i) / c.rate);
    MSTrace* mst = mst_init(nullptr);
    std::snprintf(mst->network, sizeof mst->network, "%s", c.net.c_str());
    std::snprintf(mst->station, sizeof mst->station, "%s", c.sta.c_str());
    std::snprintf(mst->location, sizeof mst->location, "%s", c.loc.c_str());
    std::snprintf(mst->channel, sizeof mst->channel, "%s", c.cha.c_str());
    mst->dataquality = 'D';
    mst->starttime = day_start + static_cast<hptime_t>(std::llround(static_cast<double>(first) / c.rate * HPTMODULUS));
    mst->samprate = c.rate;
    mst->sampletype = 'i';
    mst->numsamples = static_cast<std::int64_t>(samples.size());
    mst->samplecnt = mst->numsamples;
    // mst_pack moves and shrinks the buffer it packs: one of its own.
    mst->datasamples = std::malloc(samples.size() * sizeof(std::int32_t));
    std::memcpy(mst->datasamples, samples.data(), samples.size() * sizeof(std::int32_t));
    std::int64_t packed = 0;
    const int records = mst_pack(mst, write_records, out, kRecordLength, DE_STEIM2, 1, &packed, 1, 0, nullptr);
    mst_free(&mst);
    if (records < 0) {
      std::fclose(out);
      return false;
    }
  }
  return std::fclose(out) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fputs("usage: gensds ROOT YYYY.DDD NET.STA.LOC.CHA:RATE[:FROM-TO[,FROM-TO...]][:flat]...\n", stderr);
    return 2;
  }
  int year = 0, doy = 0;
  if (std::sscanf(argv[2], "%4d.%3d", &year, &doy) != 2 || doy < 1 || doy > 366) {
    std::fprintf(stderr, "gensds: bad day %s (YYYY.DDD)\n", argv[2]);
    return 2;
  }
  for (int i = 3; i < argc; ++i) {
    Channel c;
    if (!parse_channel(argv[i], c)) {
      std::fprintf(stderr, "gensds: bad channel %s\n", argv[i]);
      return 2;
    }
    if (!write_channel(argv[1], year, doy, c)) {
      std::fprintf(stderr, "gensds: cannot write %s\n", argv[i]);
      return 1;
    }
  }
  return 0;
}
