// miniSEED through libmseed: the file is parsed record by record from
// memory, each record's samples decoded and added to a trace list that
// joins contiguous records of one channel and keeps gaps and overlaps as
// separate segments.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>

#include <libmseed.h>

#include "internal.h"
#include "mseed_collect.h"
#include "seisdata.h"

namespace seisdata {

namespace {

// libmseed's own messages while a file is read (see LibraryLog): libmseed
// calls the handler on the thread that reads, so each thread has its own.
thread_local LibraryLog* library_log = nullptr;

void collect_log(char* message) {
  if (library_log == nullptr) return;
  std::string line(message);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  for (char& c : line)
    if (c < ' ' || c > '~') c = '?';
  library_log->last = line;
  if (!library_log->seen.insert(line).second) return;
  if (library_log->shown.size() < kShownMessages)
    library_log->shown.push_back(std::move(line));
  else
    ++library_log->not_shown;
}

// NET.STA.LOC.CHA with each part cleaned for messages and names.
std::string clean_id(const char* net, const char* sta, const char* loc, const char* cha) {
  return clean_code(net) + "." + clean_code(sta) + "." + clean_code(loc) + "." + clean_code(cha);
}

// Routes libmseed's messages into `log` for the reader's lifetime.
class LogCapture {
 public:
  explicit LogCapture(LibraryLog& log) {
    library_log = &log;
    // The handlers are process-wide: set once, also when threads read at once.
    static std::once_flag handlers_set;
    std::call_once(handlers_set, [] { ms_loginit(collect_log, nullptr, collect_log, nullptr); });
  }
  ~LogCapture() { library_log = nullptr; }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
};

struct RecordFree {
  void operator()(MSRecord* m) const { msr_free(&m); }
};

constexpr double kMicro = 1e6;  // hptime units per second

std::string encoding_name(int encoding) {
  switch (encoding) {
    case DE_INT16: return "16-bit integers";
    case DE_INT32: return "32-bit integers";
    case DE_FLOAT32: return "32-bit floats";
    case DE_FLOAT64: return "64-bit floats";
    case DE_STEIM1: return "Steim-1";
    case DE_STEIM2: return "Steim-2";
    default: return "encoding " + std::to_string(encoding);
  }
}

std::string describe(const MseedCollector::Origin& o) {
  if (o.mixed) return "miniSEED, mixed encodings";
  return "miniSEED " + encoding_name(o.encoding) + (o.byteorder == 1 ? ", big-endian" : ", little-endian");
}

// Bytes per sample of the encodings stored sample by sample; 0 for the
// frame-based Steim encodings, -1 for encodings we do not read.  libmseed
// decodes as many samples as the header claims from these, so the claim is
// checked against the record's data section first.
int sample_bytes(int encoding) {
  switch (encoding) {
    case DE_ASCII: return 1;
    case DE_INT16: case DE_GEOSCOPE163: case DE_GEOSCOPE164: case DE_CDSN: case DE_SRO: case DE_DWWSSN:
      return 2;
    case DE_GEOSCOPE24: return 3;
    case DE_INT32: case DE_FLOAT32: return 4;
    case DE_FLOAT64: return 8;
    case DE_STEIM1: case DE_STEIM2: return 0;
    default: return -1;
  }
}

// Whether the samples the header claims fit the record's data section.
bool samples_fit(const MSRecord& r, std::string& why) {
  const int size = sample_bytes(r.encoding);
  if (size < 0) {
    why = "unknown data encoding " + std::to_string(r.encoding);
    return false;
  }
  const int offset = r.fsdh->data_offset;
  if (r.samplecnt > 0 && (offset < 48 || offset >= r.reclen)) {
    why = "data offset " + std::to_string(offset) + " outside the " + std::to_string(r.reclen) + "-byte record";
    return false;
  }
  if (size > 0 && r.samplecnt > (r.reclen - offset) / size) {
    why = "header claims " + std::to_string(r.samplecnt) + " samples, the record holds at most " +
          std::to_string((r.reclen - offset) / size);
    return false;
  }
  return true;
}

// Whether the header's start time is a real date and time: libmseed would
// carry day 0 or 367 into another day and print year 65535 as a negative
// year.
bool start_time_valid(const MSRecord& r, std::string& why) {
  const BTime t = r.fsdh->start_time;
  const int year = t.year;
  if (year >= 1 && year <= 9999 && t.day >= 1 && t.day <= days_in_year(year) && t.hour <= 23 && t.min <= 59 &&
      t.sec <= 60 && t.fract <= 9999)
    return true;
  char text[128];
  std::snprintf(text, sizeof text, "bad start time in the record header: year %d, day %d, %02d:%02d:%02d.%04d", year,
                static_cast<int>(t.day), static_cast<int>(t.hour), static_cast<int>(t.min), static_cast<int>(t.sec),
                static_cast<int>(t.fract));
  why = text;
  return false;
}

bool is_power_of_two_length(std::size_t n) {
  return n >= MINRECLEN && n <= MAXRECLEN && (n & (n - 1)) == 0;
}

// The samples of one segment as 32-bit floats.  Integers beyond 2^24 and
// 64-bit floats are rounded to the nearest float (said in `note`);
// non-finite values and values beyond the float range are refused.
bool segment_samples(const MSTraceSeg& seg, std::vector<float>& out, std::string& note, std::string& why) {
  const std::size_t n = static_cast<std::size_t>(seg.numsamples);
  std::size_t rounded = 0;
  double largest_change = 0;
  auto refuse = [&](std::size_t i, const char* what) {
    why = std::string(what) + " sample at index " + std::to_string(i) + " (counting from 0)";
    return false;
  };
  switch (seg.sampletype) {
    case 'i': {
      const auto* v = static_cast<const std::int32_t*>(seg.datasamples);
      out.assign(v, v + n);  // each rounded to the nearest float
      // Integers of at most 2^24 in size are floats exactly: only when
      // there are larger ones are the floats compared.
      constexpr std::int32_t kExact = 1 << 24;
      bool large = false;
      for (std::size_t i = 0; i < n; ++i) large |= v[i] > kExact || v[i] < -kExact;
      if (!large) break;
      for (std::size_t i = 0; i < n; ++i) {
        const double change = std::fabs(static_cast<double>(out[i]) - static_cast<double>(v[i]));
        if (change != 0) {
          ++rounded;
          largest_change = std::max(largest_change, change);
        }
      }
      break;
    }
    case 'f': {
      const auto* v = static_cast<const float*>(seg.datasamples);
      for (std::size_t i = 0; i < n; ++i)
        if (!std::isfinite(v[i])) return refuse(i, std::isnan(v[i]) ? "NaN" : "infinite");
      out.assign(v, v + n);
      break;
    }
    case 'd': {
      const auto* v = static_cast<const double*>(seg.datasamples);
      out.resize(n);
      for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(v[i])) return refuse(i, std::isnan(v[i]) ? "NaN" : "infinite");
        out[i] = static_cast<float>(v[i]);
        if (!std::isfinite(out[i])) return refuse(i, "beyond the float range:");
        const double change = std::fabs(static_cast<double>(out[i]) - v[i]);
        if (change != 0) {
          ++rounded;
          largest_change = std::max(largest_change, change);
        }
      }
      break;
    }
    default:
      why = std::string("samples of type '") + seg.sampletype + "' cannot be read";
      return false;
  }
  if (rounded > 0) {
    char text[160];
    std::snprintf(text, sizeof text, "%zu %s rounded to the nearest float (largest change %g)", rounded,
                  seg.sampletype == 'i' ? "integer samples beyond 2^24" : "64-bit samples",
                  largest_change);
    note = text;
  }
  return true;
}

std::string seconds_text(double s) {
  char text[48];
  std::snprintf(text, sizeof text, "%.6f s", s);
  return text;
}

}  // namespace

void ListFree::operator()(MSTraceList* l) const { mstl_free(&l, 0); }

FileKind detect_kind(const std::uint8_t* data, std::size_t size) {
  const int probe = static_cast<int>(std::min<std::size_t>(size, MAXRECLEN));
  if (size >= 48 && ms_detect(reinterpret_cast<const char*>(data), probe) >= 0) return FileKind::mseed;
  if (looks_like_sac(data, size)) return FileKind::sac;
  return FileKind::other;
}

// The records of one file whose header `keep` accepts go into the list.
bool MseedCollector::add(const std::string& path, std::vector<std::uint8_t> bytes, const RecordFilter& keep,
                         std::string& error) {
  const LogCapture capture(log_);
  auto fail = [&](std::size_t offset, const std::string& what) {
    error = path + ": miniSEED: " + what + " (record at byte offset " + std::to_string(offset) + ")";
    if (!log_.last.empty()) error += "; libmseed: " + log_.last;
    return false;
  };

  const std::size_t size = bytes.size();
  std::unique_ptr<MSRecord, RecordFree> record;
  std::size_t offset = 0;
  while (offset < size) {
    const std::size_t left = size - offset;
    const int available = static_cast<int>(std::min<std::size_t>(left, INT_MAX));
    char* at = reinterpret_cast<char*>(bytes.data()) + offset;
    // The header first, then (when its sample count fits) the samples.
    MSRecord* m = record.release();
    int rc = msr_parse(at, available, &m, 0, 0, 0);
    // A record without a length blockette is last in the file when no
    // further header follows: its length is what is left.
    if (rc > 0 && ms_detect(at, available) == 0 && is_power_of_two_length(left))
      rc = msr_parse(at, available, &m, available, 0, 0);
    record.reset(m);
    if (rc > 0) return fail(offset, "file ends inside a record");
    if (rc < 0) return fail(offset, ms_errorstr(rc));
    const std::size_t length = static_cast<std::size_t>(record->reclen);
    const std::string id = clean_id(record->network, record->station, record->location, record->channel);
    if (keep && !keep(id, record->starttime, msr_endtime(record.get()))) {
      offset += length;
      continue;
    }
    std::string why;
    if (!start_time_valid(*record, why) || !samples_fit(*record, why)) return fail(offset, why);
    m = record.release();
    rc = msr_parse(at, available, &m, m->reclen, 1, 0);
    record.reset(m);
    if (rc != 0) return fail(offset, std::string("samples cannot be decoded: ") + ms_errorstr(rc));
    if (record->samplecnt != record->numsamples)
      return fail(offset, "decoded " + std::to_string(record->numsamples) + " samples, the header says " +
                              std::to_string(record->samplecnt));
    if (record->sampletype == 'a') {
      if (!text_channels_[id]) notes_.push_back(path + ": " + id + ": text records skipped");
      text_channels_[id] = true;
    } else if (record->numsamples > 0) {
      if (!std::isfinite(record->samprate) || record->samprate <= 0)
        return fail(offset, id + ": sampling rate " + std::to_string(record->samprate));
      if (mstl_addmsr(list_.get(), record.get(), 0, 1, -1.0, -1.0) == nullptr)
        return fail(offset, id + ": record does not fit its trace");
      Origin& o = origins_[id];
      if (o.encoding < 0) {
        o.encoding = record->encoding;
        o.byteorder = record->byteorder;
      } else if (o.encoding != record->encoding || o.byteorder != record->byteorder) {
        o.mixed = true;
      }
    }
    offset += length;
  }
  return true;
}

bool MseedCollector::finish(const std::string& source, std::vector<Trace>& traces,
                            std::vector<std::string>& notes, std::string& error) {
  for (const std::string& line : log_.shown) notes_.push_back(source + ": libmseed: " + line);
  if (log_.not_shown > 0)
    notes_.push_back(source + ": libmseed: " + std::to_string(log_.not_shown) + " more messages not shown");
  log_ = LibraryLog{};
  std::vector<Trace> found;
  for (const MSTraceID* tid = list_->traces; tid != nullptr; tid = tid->next) {
    std::vector<const MSTraceSeg*> segs;
    for (const MSTraceSeg* s = tid->first; s != nullptr; s = s->next) segs.push_back(s);
    std::stable_sort(segs.begin(), segs.end(),
                     [](const MSTraceSeg* a, const MSTraceSeg* b) { return a->starttime < b->starttime; });
    const std::string id = clean_id(tid->network, tid->station, tid->location, tid->channel);
    for (std::size_t k = 0; k < segs.size(); ++k) {
      const MSTraceSeg& seg = *segs[k];
      if (k > 0) {
        const MSTraceSeg& prev = *segs[k - 1];
        const double expected = static_cast<double>(prev.endtime) / kMicro + 1.0 / prev.samprate;
        const double step = static_cast<double>(seg.starttime) / kMicro - expected;
        notes_.push_back(source + ": " + id + ": " + (step >= 0 ? "gap of " : "overlap of ") +
                         seconds_text(std::fabs(step)) + " before " + iso_time(seg.starttime) +
                         ": a separate trace");
      }
      Trace t;
      t.network = clean_code(tid->network);
      t.station = clean_code(tid->station);
      t.location = clean_code(tid->location);
      t.channel = clean_code(tid->channel);
      t.start_us = seg.starttime;
      t.rate = seg.samprate;
      t.dt = static_cast<float>(1.0 / seg.samprate);
      t.source = source;
      t.format = describe(origins_[id]);
      std::string why;
      if (!usable_interval(t.dt, why) ||
          !time_span_ok(seg.starttime, seg.samprate, static_cast<std::size_t>(seg.numsamples), why) ||
          !segment_samples(seg, t.samples, t.note, why)) {
        error = source + ": miniSEED: " + id + " at " + iso_time(seg.starttime) + ": " + why;
        return false;
      }
      found.push_back(std::move(t));
    }
  }
  notes.insert(notes.end(), notes_.begin(), notes_.end());
  notes_.clear();
  traces.insert(traces.end(), std::make_move_iterator(found.begin()), std::make_move_iterator(found.end()));
  return true;
}

MseedCollector::MseedCollector() : list_(mstl_init(nullptr)) {}
MseedCollector::~MseedCollector() = default;

bool read_mseed(const std::string& path, const std::uint8_t* data, std::size_t size,
                std::vector<Trace>& traces, std::vector<std::string>& notes, std::string& error) {
  // Notes and traces are handed out only when the whole file is good: a
  // refusal is one message.
  MseedCollector collector;
  return collector.add(path, std::vector<std::uint8_t>(data, data + size), {}, error) &&
         collector.finish(path, traces, notes, error);
}

}  // namespace seisdata
