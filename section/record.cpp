// Records as seis2rec writes them, read back as traces.
#include <cmath>
#include <fstream>
#include <sstream>

#include <section/section.h>

#include "record.h"

namespace section {

bool read_record_trace(const std::string& path, seisdata::Trace& trace, std::string& error) {
  tracel::CountLine count;
  trace.samples.resize(seisdata::kMaxRecordSamples);
  if (auto r = tracel::read_record(path, count, trace.samples); !r) {
    error = r.message;
    return false;
  }
  if (count.np <= 0) {
    error = path + ": record holds no samples (count " + std::to_string(count.np) + ")";
    return false;
  }
  if (!std::isnormal(count.dt) || count.dt < 0) {
    error = path + ": record: sampling interval is not a positive normal number";
    return false;
  }
  trace.samples.resize(static_cast<std::size_t>(count.np));
  std::ifstream in(path);
  std::string line, id, time;
  std::getline(in, line);
  std::istringstream words(line);
  words >> id >> time;
  const std::optional<std::int64_t> start = parse_time(time);
  std::istringstream parts(id);
  std::string* codes[] = {&trace.network, &trace.station, &trace.location, &trace.channel};
  std::size_t got = 0;
  for (std::string part; got < 4 && std::getline(parts, part, '.'); ++got) *codes[got] = part;
  if (!start || got != 4 || parts.peek() != EOF || trace.network.empty() || trace.station.empty()) {
    error = path + ": record: the first header line does not start with NET.STA.LOC.CHA and the start time";
    return false;
  }
  trace.start_us = *start;
  trace.dt = count.dt;
  trace.rate = 1.0 / static_cast<double>(count.dt);
  trace.source = path;
  trace.format = "record";
  return true;
}

}  // namespace section
