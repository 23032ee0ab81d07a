// seisqc's two commands: the quality control of one day of an SDS archive
// (a shard of its channels, on several threads) and the page merging what
// the shards wrote.
#ifndef QC_RUN_H
#define QC_RUN_H

#include <cstdint>
#include <string>
#include <vector>

#include <qc/qc.h>

#include "traceinput.h"

namespace qc {

struct RunOptions {
  std::int64_t day_us = 0;    // 00:00 UTC of the day
  std::string out_dir;
  Shard shard;
  int jobs = 1;
  bool skip_existing = false;
  traceinput::Options input;  // the archive (--sds), --select and the processing options
};

// Processes the shard's channels: metrics and plots under out_dir, one
// status line per channel on standard output, progress on standard error.
// Returns the exit status: 0, or 1 when a channel failed.
int run_day(const RunOptions& o, const char* program);

// Writes DIR/index.html from the channel lists and metrics files in DIR.
int merge(const std::string& dir, const std::string& version, const char* program);

// The number of processors this process may run on.
int available_cores();

}  // namespace qc

#endif
