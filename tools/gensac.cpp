// gensac: writes a synthetic SAC file (binary, little-endian, header
// version 6) of N integer-valued samples at 20 samples per second, for
// benchmarks and demonstrations of the data readers.
//
//   gensac N FILE
//
// The trace is a decaying wave train over a slow drift with a little
// deterministic noise, so every run writes the same bytes; its identifier
// is SY.GEN.00.BHZ.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr std::size_t kHeaderWords = 158;  // 632 bytes
constexpr std::int32_t kUndefined = -12345;

void put_code(std::vector<std::uint32_t>& header, std::size_t byte, const char* code) {
  char field[8];
  std::memset(field, ' ', sizeof field);
  std::memcpy(field, code, std::strlen(code));
  std::memcpy(reinterpret_cast<char*>(header.data()) + byte, field, sizeof field);
}

std::uint32_t bits(float v) {
  std::uint32_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gensac N FILE\n");
    return 2;
  }
  char* end = nullptr;
  const long n = std::strtol(argv[1], &end, 10);
  if (*end != '\0' || n < 1 || n > 100000000) {
    std::fprintf(stderr, "gensac: N must be an integer from 1 to 100000000\n");
    return 2;
  }
  const float delta = 0.05f;
  std::vector<std::uint32_t> header(kHeaderWords);
  for (std::size_t w = 0; w < 70; ++w) header[w] = bits(-12345.0f);
  for (std::size_t w = 70; w < 110; ++w) header[w] = static_cast<std::uint32_t>(kUndefined);
  for (std::size_t at = 440; at < 4 * kHeaderWords; at += 8) put_code(header, at, "-12345");
  header[0] = bits(delta);                               // delta
  header[5] = bits(0.0f);                                // b
  const std::int32_t reference[] = {2024, 1, 0, 0, 0, 0};  // 2024-01-01T00:00:00.000
  for (std::size_t k = 0; k < 6; ++k) header[70 + k] = static_cast<std::uint32_t>(reference[k]);
  header[76] = 6;                                        // header version
  header[79] = static_cast<std::uint32_t>(n);            // npts
  header[85] = 1;                                        // time series
  header[105] = 1;                                       // evenly sampled
  put_code(header, 440, "GEN");
  put_code(header, 464, "00");
  put_code(header, 600, "BHZ");
  put_code(header, 608, "SY");

  std::vector<float> y(static_cast<std::size_t>(n));
  unsigned long state = 12345;  // linear congruential noise
  const double onset = 0.3 * static_cast<double>(n) * delta;
  for (long i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) * delta;
    state = state * 6364136223846793005UL + 1442695040888963407UL;
    const double noise = static_cast<double>(state >> 40) / 16777216.0 - 0.5;
    double v = -1500.0 + 200.0 * std::sin(0.01 * t) + 30.0 * noise;
    if (t >= onset) v += 80000.0 * std::exp(-(t - onset) / 60.0) * std::sin(2.0 * M_PI * (t - onset) / 8.0);
    y[static_cast<std::size_t>(i)] = static_cast<float>(std::round(v));
  }

  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  std::fwrite(header.data(), 4, header.size(), out);
  std::fwrite(y.data(), 4, y.size(), out);
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "gensac: write error\n");
    return 1;
  }
  return 0;
}
