// gensection: writes the SAC files of a synthetic record section, for
// demonstrations and benchmarks of seissection.
//
//   gensection [--model FILE --phases P,PcP,S [--depth KM]] N SAMPLES D0,D1 DIR
//
// N stations on the equator at distances D0 to D1 degrees (evenly spaced)
// from an event at 0 N, 0 E, origin 2024-01-01T00:00:00 UTC, each a trace of
// SAMPLES samples at 20 per second starting at the origin: a little
// deterministic noise, and with --model a pulse (a Ricker wavelet of 0.1 Hz)
// at every arrival of every phase the travel-time library predicts.  The
// files DIR/SY.Snnn.sac carry the event (evla, evlo, evdp, o) and the
// station (stla, stlo) in their headers, not gcarc.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "traveltime.h"

namespace {

constexpr std::size_t kHeaderWords = 158;  // 632 bytes
constexpr std::int32_t kUndefined = -12345;
constexpr float kDelta = 0.05f;
constexpr double kPeakHz = 0.1;

void put_code(std::vector<std::uint32_t>& header, std::size_t byte, const std::string& code) {
  char field[8];
  std::memset(field, ' ', sizeof field);
  std::memcpy(field, code.data(), std::min<std::size_t>(code.size(), 8));
  std::memcpy(reinterpret_cast<char*>(header.data()) + byte, field, sizeof field);
}

std::uint32_t bits(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

double ricker(double t) {
  const double a = M_PI * kPeakHz * t;
  return (1 - 2 * a * a) * std::exp(-a * a);
}

int usage() {
  std::fprintf(stderr, "usage: gensection [--model FILE --phases P,PcP,S [--depth KM]] N SAMPLES D0,D1 DIR\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string model_path, phases;
  double depth = 0;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool valued = (a == "--model" || a == "--phases" || a == "--depth") && i + 1 < argc;
    if (!valued) {
      rest.push_back(a);
    } else if (a == "--model") {
      model_path = argv[++i];
    } else if (a == "--phases") {
      phases = argv[++i];
    } else {
      depth = std::atof(argv[++i]);
    }
  }
  double d0 = 0, d1 = 0;
  if (rest.size() != 4 || std::sscanf(rest[2].c_str(), "%lf,%lf", &d0, &d1) != 2) return usage();
  const long n = std::atol(rest[0].c_str()), samples = std::atol(rest[1].c_str());
  if (n < 1 || n > 9999 || samples < 1 || samples > 100000000 || !(d0 >= 0 && d1 <= 180 && d0 <= d1)) return usage();

  std::vector<traveltime::PhaseTable> tables;
  if (!model_path.empty()) {
    traveltime::Model model;
    std::string error;
    if (!traveltime::load_model(model_path, model, error)) {
      std::fprintf(stderr, "gensection: %s\n", error.c_str());
      return 1;
    }
    for (std::size_t start = 0; start <= phases.size();) {
      const std::size_t comma = std::min(phases.find(',', start), phases.size());
      traveltime::PhaseTable table;
      if (!traveltime::PhaseTable::make(model, phases.substr(start, comma - start), depth, table, error)) {
        std::fprintf(stderr, "gensection: %s\n", error.c_str());
        return 1;
      }
      tables.push_back(table);
      start = comma + 1;
    }
  }

  unsigned long state = 12345;  // linear congruential noise
  for (long s = 0; s < n; ++s) {
    const double distance = n == 1 ? d0 : d0 + (d1 - d0) * static_cast<double>(s) / static_cast<double>(n - 1);
    std::vector<std::uint32_t> header(kHeaderWords);
    for (std::size_t w = 0; w < 70; ++w) header[w] = bits(-12345.0f);
    for (std::size_t w = 70; w < 110; ++w) header[w] = static_cast<std::uint32_t>(kUndefined);
    for (std::size_t at = 440; at < 4 * kHeaderWords; at += 8) put_code(header, at, "-12345");
    header[0] = bits(kDelta);                          // delta
    header[5] = bits(0.0f);                            // b
    header[7] = bits(0.0f);                            // o: the origin is the reference time
    header[31] = bits(0.0f);                           // stla
    header[32] = bits(static_cast<float>(distance));   // stlo
    header[35] = bits(0.0f);                           // evla
    header[36] = bits(0.0f);                           // evlo
    header[38] = bits(static_cast<float>(depth));      // evdp
    const std::int32_t reference[] = {2024, 1, 0, 0, 0, 0};
    for (std::size_t k = 0; k < 6; ++k) header[70 + k] = static_cast<std::uint32_t>(reference[k]);
    header[76] = 6;
    header[79] = static_cast<std::uint32_t>(samples);
    header[85] = 1;
    header[105] = 1;
    char station[16];
    std::snprintf(station, sizeof station, "S%03ld", s + 1);
    put_code(header, 440, station);
    put_code(header, 464, "00");
    put_code(header, 600, "BHZ");
    put_code(header, 608, "SY");

    std::vector<double> arrivals;
    std::vector<traveltime::Arrival> found;
    std::string error;
    for (const traveltime::PhaseTable& table : tables) {
      found.clear();
      if (!table.arrivals(std::fabs(static_cast<float>(distance)), found, error)) {
        std::fprintf(stderr, "gensection: %s\n", error.c_str());
        return 1;
      }
      for (const traveltime::Arrival& a : found) arrivals.push_back(a.time_s);
    }
    std::vector<float> y(static_cast<std::size_t>(samples));
    for (long i = 0; i < samples; ++i) {
      const double t = static_cast<double>(i) * kDelta;
      state = state * 6364136223846793005UL + 1442695040888963407UL;
      double v = 0.05 * (static_cast<double>(state >> 40) / 16777216.0 - 0.5);
      for (double at : arrivals)
        if (std::fabs(t - at) < 20) v += ricker(t - at);
      y[static_cast<std::size_t>(i)] = static_cast<float>(v);
    }
    const std::string path = rest[3] + "/SY." + station + ".sac";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
      std::perror(path.c_str());
      return 1;
    }
    std::fwrite(header.data(), 4, header.size(), out);
    std::fwrite(y.data(), 4, y.size(), out);
    if (std::fclose(out) != 0) {
      std::fprintf(stderr, "gensection: %s: write error\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
