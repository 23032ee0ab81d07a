// miniSEED through libmseed: the file is parsed record by record from
// memory, each record's samples decoded and added to a trace list that
// joins contiguous records of one channel and keeps gaps and overlaps as
// separate segments.
#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include <libmseed.h>

#include "internal.h"
#include "mseed_collect.h"
#include "seisdata.h"

namespace seisdata {

namespace {

// libmseed's own messages while a record is read, cleaned, in order:
// libmseed calls the handler on the thread that reads, so each thread has
// its own list.
thread_local std::vector<std::string>* library_messages = nullptr;

void collect_log(char* message) {
  if (library_messages == nullptr) return;
  std::string line(message);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  for (char& c : line)
    if (c < ' ' || c > '~') c = '?';
  library_messages->push_back(std::move(line));
}

// NET.STA.LOC.CHA with each part cleaned for messages and names.
std::string clean_id(const char* net, const char* sta, const char* loc, const char* cha) {
  return clean_code(net) + "." + clean_code(sta) + "." + clean_code(loc) + "." + clean_code(cha);
}

// Routes libmseed's messages on this thread into `to` while it lives.
class LogCapture {
 public:
  explicit LogCapture(std::vector<std::string>& to) {
    library_messages = &to;
    // The handlers are process-wide: set once, also when threads read at once.
    static std::once_flag handlers_set;
    std::call_once(handlers_set, [] { ms_loginit(collect_log, nullptr, collect_log, nullptr); });
  }
  ~LogCapture() { library_messages = nullptr; }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
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
void RecordFree::operator()(MSRecord* r) const { msr_free(&r); }

FileKind detect_kind(const std::uint8_t* data, std::size_t size) {
  const int probe = static_cast<int>(std::min<std::size_t>(size, MAXRECLEN));
  if (size >= 48 && ms_detect(reinterpret_cast<const char*>(data), probe) >= 0) return FileKind::mseed;
  if (looks_like_sac(data, size)) return FileKind::sac;
  return FileKind::other;
}

// Records are read in batches: their headers in order, then their samples
// decoded, several at once, while the batch before is added to the list
// in order.
constexpr std::size_t kBatchRecords = 1024;

// A record to add: where it begins, its channel, libmseed's messages from
// the end of the record taken before it up to its decoding, and the record
// with its samples and msr_parse's result.
struct TakenRecord {
  std::size_t offset = 0;
  int available = 0;  // bytes from the record's start, at most INT_MAX
  int length = 0;     // the record's, from its header
  std::string id;
  std::vector<std::string> messages;
  std::unique_ptr<MSRecord, RecordFree> record;
  int rc = 0;
};

namespace {

// Decodes the samples of a batch of records: on threads of its own from
// start(), and on the caller's in finish(), which returns when all are
// decoded.  Each record is decoded on its own, so the order does not
// matter.
class BatchDecoder {
 public:
  BatchDecoder(std::uint8_t* bytes, int threads) : bytes_(bytes), helpers_(std::max(threads, 1) - 1) {}
  ~BatchDecoder() { finish(); }
  BatchDecoder(const BatchDecoder&) = delete;
  BatchDecoder& operator=(const BatchDecoder&) = delete;

  void start(std::vector<TakenRecord>& batch, std::size_t count) {
    batch_ = batch.data();
    count_ = count;
    next_ = 0;
    for (int k = 0; k < helpers_ && count > 0; ++k) threads_.emplace_back([this] { decode_some(); });
  }

  void finish() {
    decode_some();
    for (std::thread& t : threads_) t.join();
    threads_.clear();
  }

 private:
  void decode_some() {
    for (std::size_t k = next_++; k < count_; k = next_++) {
      TakenRecord& r = batch_[k];
      const LogCapture capture(r.messages);
      MSRecord* m = r.record.release();
      r.rc = msr_parse(reinterpret_cast<char*>(bytes_) + r.offset, r.available, &m, r.length, 1, 0);
      r.record.reset(m);
    }
  }

  std::uint8_t* bytes_;
  int helpers_;
  TakenRecord* batch_ = nullptr;
  std::size_t count_ = 0;
  std::atomic<std::size_t> next_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace

void LibraryLog::add(std::string line) {
  last = line;
  if (!seen.insert(line).second) return;
  if (shown.size() < kShownMessages)
    shown.push_back(std::move(line));
  else
    ++not_shown;
}

// The records of one file whose header `keep` accepts go into the list.
// A refusal names the first bad record, with libmseed's last message up
// to it, as when every record is read and added before the next.
bool MseedCollector::add(const std::string& path, std::vector<std::uint8_t> bytes, const RecordFilter& keep,
                         std::string& error) {
  std::vector<TakenRecord> batches[2] = {std::vector<TakenRecord>(kBatchRecords),
                                         std::vector<TakenRecord>(kBatchRecords)};
  BatchDecoder decoder(bytes.data(), threads_);
  FileReading reading{path, bytes, keep, 0, {}, {}, {}};
  std::size_t added = 0;  // records of the other batch, decoded, to add
  for (int current = 0;; current = 1 - current) {
    const std::size_t taken = reading.refusal.empty() ? read_headers(reading, batches[current]) : 0;
    decoder.start(batches[current], taken);
    if (!add_batch(batches[1 - current], added, path, error)) return false;
    decoder.finish();
    if (taken == 0) break;
    added = taken;
  }
  for (std::string& line : reading.messages) log_.add(std::move(line));
  if (reading.refusal.empty()) return true;
  error = path + ": miniSEED: " + reading.refusal + " (record at byte offset " + std::to_string(reading.offset) + ")";
  if (!log_.last.empty()) error += "; libmseed: " + log_.last;
  return false;
}

// The headers from reading.offset on, up to a batch of records taken or a
// refusal (which ends the reading).
std::size_t MseedCollector::read_headers(FileReading& reading, std::vector<TakenRecord>& batch) {
  const LogCapture capture(reading.messages);
  const std::size_t size = reading.bytes.size();
  std::size_t taken = 0;
  while (reading.offset < size && taken < batch.size()) {
    const std::size_t left = size - reading.offset;
    const int available = static_cast<int>(std::min<std::size_t>(left, INT_MAX));
    char* at = reinterpret_cast<char*>(reading.bytes.data()) + reading.offset;
    MSRecord* m = reading.header.release();
    int rc = msr_parse(at, available, &m, 0, 0, 0);
    // A record without a length blockette is last in the file when no
    // further header follows: its length is what is left.
    if (rc > 0 && ms_detect(at, available) == 0 && is_power_of_two_length(left))
      rc = msr_parse(at, available, &m, available, 0, 0);
    reading.header.reset(m);
    if (rc != 0) {
      reading.refusal = rc > 0 ? "file ends inside a record" : ms_errorstr(rc);
      break;
    }
    const MSRecord& h = *reading.header;
    const std::string id = clean_id(h.network, h.station, h.location, h.channel);
    if (reading.keep && !reading.keep(id, h.starttime, msr_endtime(reading.header.get()))) {
      reading.offset += static_cast<std::size_t>(h.reclen);
      continue;
    }
    if (!start_time_valid(h, reading.refusal) || !samples_fit(h, reading.refusal)) break;
    TakenRecord& r = batch[taken++];
    r.offset = reading.offset;
    r.available = available;
    r.length = h.reclen;
    r.id = id;
    r.messages = std::move(reading.messages);
    reading.messages.clear();
    reading.offset += static_cast<std::size_t>(h.reclen);
  }
  return taken;
}

// Adds the first `count` records of a decoded batch, in order.
bool MseedCollector::add_batch(std::vector<TakenRecord>& batch, std::size_t count, const std::string& path,
                               std::string& error) {
  for (std::size_t k = 0; k < count; ++k) {
    TakenRecord& r = batch[k];
    for (std::string& line : r.messages) log_.add(std::move(line));
    r.messages.clear();
    std::vector<std::string> messages;
    bool added = false;
    {
      const LogCapture capture(messages);
      added = add_record(r.record.get(), r.rc, r.id, path, r.offset, error);
    }
    for (std::string& line : messages) log_.add(std::move(line));
    if (!added) {
      if (!log_.last.empty()) error += "; libmseed: " + log_.last;
      return false;
    }
  }
  return true;
}

// Adds one decoded record (msr_parse's result `rc`) to the list.
bool MseedCollector::add_record(MSRecord* record, int rc, const std::string& id, const std::string& path,
                                std::size_t offset, std::string& error) {
  auto fail = [&](const std::string& what) {
    error = path + ": miniSEED: " + what + " (record at byte offset " + std::to_string(offset) + ")";
    return false;
  };
  if (rc != 0) return fail(std::string("samples cannot be decoded: ") + ms_errorstr(rc));
  if (record->samplecnt != record->numsamples)
    return fail("decoded " + std::to_string(record->numsamples) + " samples, the header says " +
                std::to_string(record->samplecnt));
  if (record->sampletype == 'a') {
    if (!text_channels_[id]) notes_.push_back(path + ": " + id + ": text records skipped");
    text_channels_[id] = true;
  } else if (record->numsamples > 0) {
    if (!std::isfinite(record->samprate) || record->samprate <= 0)
      return fail(id + ": sampling rate " + std::to_string(record->samprate));
    if (mstl_addmsr(list_.get(), record, 0, 1, -1.0, -1.0) == nullptr)
      return fail(id + ": record does not fit its trace");
    Origin& o = origins_[id];
    if (o.encoding < 0) {
      o.encoding = record->encoding;
      o.byteorder = record->byteorder;
    } else if (o.encoding != record->encoding || o.byteorder != record->byteorder) {
      o.mixed = true;
    }
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

MseedCollector::MseedCollector(int threads) : list_(mstl_init(nullptr)), threads_(threads) {}
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
