// pltgen_curve: writes a plot file with one seismogram-like curve of N
// points (every one a draw, none merged) across an 8 x 4 inch frame, and the
// frame: the worst case of a dense curve for the renderer.
//   pltgen_curve N OUTPUT
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void h(std::FILE* f, int v) {
  std::fputc(v & 0xff, f);
  std::fputc((v >> 8) & 0xff, f);
}
void cmd(std::FILE* f, char op, int x, int y) {
  std::fputc(op, f);
  h(f, x);
  h(f, y);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: pltgen_curve N OUTPUT\n");
    return 2;
  }
  const long n = std::strtol(argv[1], nullptr, 10);
  if (n < 2 || n > 10000000) {
    std::fprintf(stderr, "pltgen_curve: N must be 2..10000000\n");
    return 2;
  }
  std::FILE* f = std::fopen(argv[2], "wb");
  if (!f) {
    std::perror(argv[2]);
    return 1;
  }
  std::fputc('e', f);
  for (long i = 0; i < n; ++i) {
    const double t = static_cast<double>(i);
    const int x = 400 + static_cast<int>(2400.0 * t / static_cast<double>(n - 1));
    const int y = 920 + static_cast<int>(500 * std::sin(t * 0.013) * std::exp(-t / 40000.0) +
                                         40 * std::sin(t * 1.7));
    cmd(f, i == 0 ? 'm' : 'd', x, y);
  }
  cmd(f, 'm', 400, 320);
  cmd(f, 'd', 400, 1520);
  cmd(f, 'd', 2800, 1520);
  cmd(f, 'd', 2800, 320);
  cmd(f, 'd', 400, 320);
  return std::fclose(f) == 0 ? 0 : 1;
}
