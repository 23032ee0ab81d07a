// genrecord: writes a synthetic seismogram record of N samples (at most
// 99999, what the 5-column count field holds) for tracel, to a file or to
// standard output.
//
//   genrecord N [FILE]
//
// The trace is a decaying wave train over a slow drift with a little
// deterministic noise, so every run writes the same bytes.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: genrecord N [FILE]\n");
    return 2;
  }
  char* end = nullptr;
  const long n = std::strtol(argv[1], &end, 10);
  if (*end != '\0' || n < 0 || n > 99999) {
    std::fprintf(stderr, "genrecord: N must be an integer from 0 to 99999\n");
    return 2;
  }
  std::FILE* out = argc == 3 ? std::fopen(argv[2], "w") : stdout;
  if (!out) {
    std::fprintf(stderr, "genrecord: cannot open %s: %s\n", argv[2], std::strerror(errno));
    return 1;
  }

  const double dt = 0.05;
  std::fprintf(out, "%-72s\n", "SYN.GEN.BHZ synthetic record");
  std::fprintf(out, "samples %ld interval %.5f s\n", n, dt);
  std::fprintf(out, "%-72s\n", "amplitude in counts");
  std::fprintf(out, "%15.5f%5ld%15.5f\n", 0.0, n, dt);

  unsigned long state = 12345;  // linear congruential noise
  const double onset = 0.3 * static_cast<double>(n) * dt;
  for (long i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) * dt;
    state = state * 6364136223846793005UL + 1442695040888963407UL;
    const double noise = static_cast<double>(state >> 40) / 16777216.0 - 0.5;
    double v = -1500.0 + 200.0 * std::sin(0.01 * t) + 30.0 * noise;
    if (t >= onset) {
      const double s = t - onset;
      v += 80000.0 * std::exp(-s / 60.0) * std::sin(2.0 * M_PI * s / 8.0);
    }
    std::fprintf(out, "%16.5f", v);
    if (i % 5 == 4 || i == n - 1) std::fputc('\n', out);
  }
  if (n == 0) std::fputc('\n', out);  // the one line a zero count still reads

  if (std::fflush(out) != 0 || std::ferror(out) || (out != stdout && std::fclose(out) != 0)) {
    std::fprintf(stderr, "genrecord: write error\n");
    return 1;
  }
  return 0;
}
