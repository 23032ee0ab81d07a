// tracel: asks for a seismogram record file, reads it and plots amplitude
// against time into the plot file through one zarvo_ call.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include <zarvo/zarvo.hpp>

#include "graph.h"
#include "record.h"

namespace {

// The samples and their times: static, nothing allocated for them.
float x[tracel::kMaxSamples];
float y[tracel::kMaxSamples];

// The parameter block, filled by the graph call.
float para[tracel::kParaSize];

}  // namespace

int main() {
  std::fputs(" Enter seismogram record name\n", stdout);
  std::fflush(stdout);

  bool too_long = false;
  const std::optional<std::string> typed = tracel::read_typed_line(std::cin, too_long);
  if (!typed) {
    if (too_long)
      std::fprintf(stderr, "tracel: record name line longer than %zu characters\n", tracel::kMaxLineLength);
    else
      std::fputs("tracel: no record name read from standard input\n", stderr);
    return EXIT_FAILURE;
  }
  bool cut = false;
  const std::string name = tracel::record_name(*typed, cut);
  if (cut)
    std::fprintf(stderr, "tracel: warning: record name longer than %zu characters, cut to \"%s\"\n",
                 tracel::kNameWidth, tracel::printable_text(name).c_str());

  // The whole record is read before anything is plotted, so bad input
  // leaves no plot file behind.
  tracel::CountLine count;
  if (auto r = tracel::read_record(name, count, y); !r) {
    std::fprintf(stderr, "tracel: %s\n", r.message.c_str());
    return EXIT_FAILURE;
  }
  tracel::fill_times(count.np, count.dt, x);

  const int status = tracel::draw_trace_graph(count.np, x, y, " ", para);

  // zarvo_ has said why it failed, this names the record; a plot file that
  // did not reach the disk completely (a full disk, say) is reported here.
  bool ok = status == 0;
  if (!ok)
    std::fprintf(stderr, "tracel: record \"%s\" not plotted: the plot library refused it\n",
                 tracel::printable_text(name).c_str());
  if (!zarvo::plotfile_flush_ok()) {
    std::fprintf(stderr, "tracel: error writing plot file \"%s\": plot incomplete\n",
                 zarvo::plotfile_name());
    ok = false;
  }
  return ok ? EXIT_SUCCESS : EXIT_FAILURE;
}
