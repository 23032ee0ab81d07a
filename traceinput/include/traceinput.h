// The data programs' common input options, read in one place: which traces
// of the SAC and miniSEED files a program takes (--select).  seis2rec,
// seisfig and the programs drawing many traces read their files through
// here, so an option means the same in each of them.
#ifndef TRACEINPUT_H
#define TRACEINPUT_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline.h"
#include "seisdata.h"

namespace traceinput {

struct Options {
  std::vector<std::string> patterns;  // --select globs on NET.STA.LOC.CHA; none: every trace
};

// The input options that take a value, for cmdline::read_args.
std::vector<std::string_view> value_options();

// The --help lines of the input options, each ending in a newline.
const char* options_help();

// Stores `arg` when it is an input option.
cmdline::Take take_option(const cmdline::Arg& arg, Options& o, const char* program);

// Reads one SAC or miniSEED file and appends its traces that the options
// select.  What the reader decided on the way goes to `notes`.
bool read_file(const std::string& path, const Options& o, std::vector<seisdata::Trace>& traces,
               std::vector<std::string>& notes, std::string& error);

// The same for a file already read into memory with seisdata::read_bytes.
bool read_data(const std::string& path, const std::vector<std::uint8_t>& bytes, const Options& o,
               std::vector<seisdata::Trace>& traces, std::vector<std::string>& notes, std::string& error);

}  // namespace traceinput

#endif
