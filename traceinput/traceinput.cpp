#include "traceinput.h"

namespace traceinput {

std::vector<std::string_view> value_options() { return {"--select"}; }

const char* options_help() {
  return "  --select PATTERN   keep the traces whose NET.STA.LOC.CHA matches the glob\n"
         "                     PATTERN (repeatable; e.g. 'IU.*.00.LH?')\n";
}

cmdline::Take take_option(const cmdline::Arg& arg, Options& o, const char*) {
  if (!arg.option || arg.name != "--select") return cmdline::Take::not_mine;
  o.patterns.push_back(arg.value);
  return cmdline::Take::taken;
}

bool read_file(const std::string& path, const Options& o, std::vector<seisdata::Trace>& traces,
               std::vector<std::string>& notes, std::string& error) {
  std::vector<std::uint8_t> bytes;
  return seisdata::read_bytes(path, bytes, error) && read_data(path, bytes, o, traces, notes, error);
}

bool read_data(const std::string& path, const std::vector<std::uint8_t>& bytes, const Options& o,
               std::vector<seisdata::Trace>& traces, std::vector<std::string>& notes, std::string& error) {
  std::vector<seisdata::Trace> read;
  if (!seisdata::read_data(path, bytes, read, notes, error)) return false;
  for (seisdata::Trace& t : seisdata::select_traces(std::move(read), o.patterns)) traces.push_back(std::move(t));
  return true;
}

}  // namespace traceinput
