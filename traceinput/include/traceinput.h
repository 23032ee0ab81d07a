// The data programs' common input options, read in one place: which traces
// of the SAC and miniSEED files a program takes (--select), or a time
// window of an SDS archive instead of files (--sds, --start, --end), and how
// each trace is processed before use (--demean, --detrend, --taper,
// --lowpass, --highpass, --bandpass, --corners, --zerophase).  seis2rec,
// seisfig and the programs drawing many traces read their input through
// here, so an option means the same in each of them.
#ifndef TRACEINPUT_H
#define TRACEINPUT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline.h"
#include "processing.h"
#include "seisdata.h"

namespace traceinput {

struct Options {
  std::vector<std::string> patterns;  // --select globs on NET.STA.LOC.CHA; none: every trace
  processing::Steps processing;        // applied to each contiguous trace
  bool corners_given = false;         // --corners, which needs a filter
  std::string sds_root;               // --sds: the archive; empty: files
  std::int64_t start_us = 0;          // --start, microseconds since 1970 UTC
  std::int64_t end_us = 0;            // --end
  bool start_given = false;
  bool end_given = false;
};

// The input options that take a value, for cmdline::read_args.
std::vector<std::string_view> value_options();

// The --help lines of the input options, each ending in a newline.
const char* options_help();
// Those of the processing options alone (for programs that choose their
// traces otherwise).
const char* processing_help();

// Stores `arg` when it is an input option.  Take::bad after a message
// "PROGRAM: ..." on the standard error stream.
cmdline::Take take_option(const cmdline::Arg& arg, Options& o, const char* program);

// The checks across options once the command line is read (--corners or
// --zerophase without a filter).  False after a message on the standard
// error stream.
bool check_options(const Options& o, const char* program);

// The checks of where the traces come from: --sds with --start and --end
// and no files, --start and --end only with --sds, the end after the start.
// False after a message on the standard error stream.
bool check_source(const Options& o, bool files_given, const char* program);

// True when the traces come from an archive (--sds), not from files.
bool from_archive(const Options& o);

// Reads the archive window the options name, its traces processed; notes
// as for read_file.
bool read_archive(const Options& o, std::vector<seisdata::Trace>& traces, std::vector<std::string>& notes,
                  std::string& error);

// Processes each trace on its own (a gap is never crossed) and records
// what was applied in its `processing`.  False with a message naming the
// file, the trace and the option when a trace cannot be processed (a corner
// at or above its Nyquist frequency, too few samples for the filter).
bool process(const Options& o, std::vector<seisdata::Trace>& traces, std::string& error);

// Reads one SAC or miniSEED file and appends its traces that the options
// select, processed.  What the reader decided on the way goes to `notes`.
bool read_file(const std::string& path, const Options& o, std::vector<seisdata::Trace>& traces,
               std::vector<std::string>& notes, std::string& error);

// The same for a file already read into memory with seisdata::read_bytes.
bool read_data(const std::string& path, const std::vector<std::uint8_t>& bytes, const Options& o,
               std::vector<seisdata::Trace>& traces, std::vector<std::string>& notes, std::string& error);

}  // namespace traceinput

#endif
