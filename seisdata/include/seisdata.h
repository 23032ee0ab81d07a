// Seismic data in: SAC and miniSEED files read into evenly sampled traces of
// 32-bit samples, and traces written as fixed-column records for tracel.
//
// Readers return false with a one-line message that names the file; what
// the reader decided on the way (gaps, rounding, skipped channels) goes to
// `notes`, one line each, for the caller to show.
#ifndef SEISDATA_H
#define SEISDATA_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "safeout.h"

namespace seisdata {

// The event and station of a SAC header, each field empty when the header
// leaves it unset (-12345).  Word numbers count the header's 4-byte words
// from 0.
struct EventStation {
  std::optional<float> stla;   // word 31: station latitude, degrees north
  std::optional<float> stlo;   // word 32: station longitude, degrees east
  std::optional<float> evla;   // word 35: event latitude, degrees north
  std::optional<float> evlo;   // word 36: event longitude, degrees east
  std::optional<float> evdp;   // word 38: event depth, km
  std::optional<float> gcarc;  // word 53: station-event great-circle distance, degrees
  // Origin time: the reference time (words 70-75, nzyear ... nzmsec) plus
  // o (word 7, seconds), in microseconds since 1970; empty when either is unset.
  std::optional<std::int64_t> origin_us;
};

// One contiguous, evenly sampled trace.
struct Trace {
  std::string network, station, location, channel;  // identifier parts
  std::int64_t start_us = 0;     // time of the first sample, microseconds since 1970 UTC
  double rate = 0;               // samples per second
  float dt = 0;                  // sampling interval in seconds, as tracel uses it
  std::vector<float> samples;
  std::string source;            // the file read
  std::string format;            // "miniSEED Steim-2", "SAC big-endian", ...
  std::string note;              // what changed in the samples, empty when nothing
  EventStation place;            // from a SAC header; empty for miniSEED
  std::string processing;        // what was applied to them ("demean, lowpass 1 Hz 4 corners"), or empty

  std::string id() const;        // NET.STA.LOC.CHA
};

enum class FileKind { sac, mseed, other };

// What a file's first bytes say it is.
FileKind detect_kind(const std::uint8_t* data, std::size_t size);

// SAC binary, either byte order, held in memory; `path` names the file in
// messages.  Only evenly sampled time series of header version 6.
bool read_sac(const std::string& path, const std::uint8_t* data, std::size_t size, Trace& trace,
              std::string& error);

// miniSEED held in memory: every contiguous trace of every channel, gaps
// and overlaps splitting them (reported in `notes`); channels in order of
// identifier, the traces of a channel in order of time.
bool read_mseed(const std::string& path, const std::uint8_t* data, std::size_t size,
                std::vector<Trace>& traces, std::vector<std::string>& notes, std::string& error);

// Reads a SAC or miniSEED file; anything else is refused.
bool read_data_file(const std::string& path, std::vector<Trace>& traces,
                    std::vector<std::string>& notes, std::string& error);

// The same for a file already read into memory.
bool read_data(const std::string& path, const std::vector<std::uint8_t>& bytes, std::vector<Trace>& traces,
               std::vector<std::string>& notes, std::string& error);

// The largest input file read: 2 GiB.
constexpr std::size_t kMaxInputBytes = std::size_t{1} << 31;

// Whole file into memory, read once from its start (a pipe, a FIFO or
// /dev/stdin as well as a regular file); a file larger than kMaxInputBytes
// is refused.
bool read_bytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error);

// Keeps the traces whose NET.STA.LOC.CHA matches one of the glob patterns
// (all when there are none).
std::vector<Trace> select_traces(std::vector<Trace> traces, const std::vector<std::string>& patterns);

// The times a trace may span: 0001-01-01T00:00:00Z to
// 9999-12-31T23:59:59.999999Z, the years iso_time writes with four digits.
// The readers refuse traces beginning or ending outside them.
constexpr std::int64_t kFirstTimeUs = -62135596800000000;
constexpr std::int64_t kLastTimeUs = 253402300799999999;

// ISO 8601 UTC with microseconds: 2010-02-27T06:50:00.069539Z.
std::string iso_time(std::int64_t us);

// Part of a trace: samples [first, first + count), with its own start time
// (no later than kLastTimeUs).
Trace slice(const Trace& trace, std::size_t first, std::size_t count);
// The same of a trace given up: its samples cut in place, not copied.
Trace slice(Trace&& trace, std::size_t first, std::size_t count);

// The samples from `start` to `end` seconds after the trace's start, both
// included.  False when no sample lies in the window.
bool window(const Trace& trace, double start, double end, Trace& out);

// ---- Records for tracel ----

constexpr std::size_t kMaxRecordSamples = 99999;  // the 5-column count field
constexpr std::size_t kRecordNameWidth = 20;       // what tracel's prompt takes
constexpr std::size_t kHeaderWidth = 72;           // header lines 1-3
constexpr int kIntervalWidth = 15;                 // count line columns 21-35
constexpr int kSampleWidth = 16;                   // sample columns
constexpr int kSamplesPerLine = 5;

// The shortest decimal with a decimal point that reads back as exactly `v`
// (E exponent when shorter); at most 15 characters for any finite float.
std::string format_float(float v);

// The record text of a trace of at most kMaxRecordSamples samples: line 1
// the identifier and start time, line 2 the rate, interval and count, line
// 3 the source file and format, then what was applied and the note, when
// there are any.  False
// (with the reason) when the trace cannot be written exactly.
bool format_record(const Trace& trace, std::string& text, std::string& error);

// Writes a record's text to `path` as safeout writes files (a temporary
// file renamed into place; devices and FIFOs written in place; symbolic
// links followed): a failure leaves no partial file.  With `run`, a file
// that writer has already written is refused.
bool write_record(const std::string& path, const std::string& text, std::string& error,
                  safeout::Writer* run = nullptr);

// The default record name NET.STA.LOC.CHA.rec, with "-N" before ".rec" for
// the Nth of several.  Characters other than letters, digits and '_' in the
// codes become '_', so a plain name never holds a '-' and never equals a
// numbered one; an empty code stays empty between the dots
// (IU.ANMO..BHZ.rec), but an empty network code is written
// kUnsetNetworkName, so that every name starts with a letter, digit or '_'.
constexpr const char* kUnsetNetworkName = "unset";
std::string record_name(const Trace& trace, int number);

}  // namespace seisdata

#endif
