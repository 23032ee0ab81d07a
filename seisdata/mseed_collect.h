// miniSEED records gathered from one or more files into contiguous traces:
// records of one channel join across files, gaps and overlaps split them.
#ifndef SEISDATA_MSEED_COLLECT_H
#define SEISDATA_MSEED_COLLECT_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "seisdata.h"

struct MSTraceList_s;

namespace seisdata {

struct ListFree {
  void operator()(MSTraceList_s* l) const;
};

// Whether to take a record: its NET.STA.LOC.CHA and the times of its first
// and last sample (microseconds since 1970).  Records refused are not decoded.
using RecordFilter = std::function<bool(const std::string& id, std::int64_t first_us, std::int64_t last_us)>;

// libmseed's own messages while files are read: each distinct message once
// (a record is parsed twice), the first kShownMessages of them kept to be
// shown and the others counted, and the latest for a refusal.
constexpr std::size_t kShownMessages = 20;

struct LibraryLog {
  std::vector<std::string> shown;
  std::unordered_set<std::string> seen;
  std::size_t not_shown = 0;
  std::string last;
};

class MseedCollector {
 public:
  // What the records of one channel were: encoding and byte order, or
  // "mixed" when they differ.
  struct Origin {
    int encoding = -1;
    int byteorder = -1;
    bool mixed = false;
  };

  MseedCollector();
  ~MseedCollector();
  MseedCollector(const MseedCollector&) = delete;
  MseedCollector& operator=(const MseedCollector&) = delete;

  // Adds the records of a file held in memory that `keep` accepts (all
  // without a filter); false with a message naming `path` and the offset.
  // libmseed decodes records in place (it swaps their bytes), so it is given
  // the file's bytes to keep.
  bool add(const std::string& path, std::vector<std::uint8_t> bytes, const RecordFilter& keep, std::string& error);

  // The contiguous traces, channels in order of identifier, each channel's
  // traces in order of time, with `source` as their source.
  bool finish(const std::string& source, std::vector<Trace>& traces, std::vector<std::string>& notes,
              std::string& error);

 private:
  std::unique_ptr<MSTraceList_s, ListFree> list_;
  std::map<std::string, Origin> origins_;
  std::map<std::string, bool> text_channels_;
  std::vector<std::string> notes_;
  LibraryLog log_;
};

}  // namespace seisdata

#endif
