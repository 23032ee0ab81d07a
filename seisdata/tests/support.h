// Helpers for the data tests: a small SAC writer and running programs.
#ifndef SEISDATA_TEST_SUPPORT_H
#define SEISDATA_TEST_SUPPORT_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace seisdata::testing {

// What a test SAC file holds; the defaults make a valid version-6 time
// series.  Every field can be spoiled to test the reader's refusals.
struct SacSpec {
  std::string network = "XX", station = "TEST", location = "00", channel = "BHZ";
  float delta = 0.05f;
  float b = 0.0f;
  std::int32_t year = 2024, jday = 60, hour = 12, min = 30, sec = 15, msec = 250;
  std::int32_t version = 6;
  std::int32_t iftype = 1;       // time series
  std::int32_t leven = 1;
  std::int32_t npts = -1;        // -1: the number of samples
  bool big_endian = false;
  std::vector<std::pair<std::size_t, float>> words;  // further float words set (word number, value)
  std::vector<float> samples;
};

std::vector<std::uint8_t> sac_bytes(const SacSpec& desc);

// miniSEED records of 32-bit integers packed by libmseed (encoding 3, 10
// or 11), 512 bytes each, starting at `start_us`, 20 samples per second.
std::vector<std::uint8_t> mseed_int_bytes(const std::vector<std::int32_t>& samples, int encoding,
                                          std::int64_t start_us);
// A channel for an SDS test archive: Steim-2 records of 512 bytes.
struct SdsChannel {
  std::string network = "XX", station = "SDS", location = "00", channel = "BHZ";
  double rate = 20;
  std::int64_t start_us = 0;
  std::vector<std::int32_t> samples;
};

// Writes the channel into the archive under `root` as SDS day files, each
// record into the file of the day its first sample falls on (so records
// run past midnight); returns the day files written, in order.
std::vector<std::string> write_sds(const std::string& root, const SdsChannel& c);

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);
void write_file(const std::string& path, const std::string& text);
std::string read_text(const std::string& path);

struct Outcome {
  int status = -1;
  std::string out, err;
};

// Runs a shell command in `dir`, collecting its output streams.
Outcome run(const std::string& dir, const std::string& command);

// The files in `dir`, sorted.
std::vector<std::string> list_dir(const std::string& dir);

}  // namespace seisdata::testing

#endif
