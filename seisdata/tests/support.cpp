#include "support.h"

#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <libmseed.h>

namespace seisdata::testing {

namespace {

constexpr std::size_t kHeaderBytes = 632;

void put_word(std::vector<std::uint8_t>& b, std::size_t byte, std::uint32_t v, bool big) {
  if (big) v = __builtin_bswap32(v);
  std::memcpy(b.data() + byte, &v, 4);
}

void put_code(std::vector<std::uint8_t>& b, std::size_t byte, const std::string& code) {
  std::string field = code.substr(0, 8);
  field.resize(8, ' ');
  std::memcpy(b.data() + byte, field.data(), 8);
}

}  // namespace

std::vector<std::uint8_t> sac_bytes(const SacSpec& s) {
  std::vector<std::uint8_t> b(kHeaderBytes + 4 * s.samples.size(), 0);
  auto real = [&](std::size_t word, float v) { put_word(b, 4 * word, std::bit_cast<std::uint32_t>(v), s.big_endian); };
  auto integer = [&](std::size_t word, std::int32_t v) {
    put_word(b, 4 * word, static_cast<std::uint32_t>(v), s.big_endian);
  };
  for (std::size_t w = 0; w < 70; ++w) real(w, -12345.0f);
  for (std::size_t w = 70; w < 105; ++w) integer(w, -12345);
  for (std::size_t at = 440; at < kHeaderBytes; at += 8) put_code(b, at, "-12345");
  real(0, s.delta);
  real(5, s.b);
  for (const auto& [word, value] : s.words) real(word, value);
  const std::int32_t time[] = {s.year, s.jday, s.hour, s.min, s.sec, s.msec};
  for (std::size_t k = 0; k < 6; ++k) integer(70 + k, time[k]);
  integer(76, s.version);
  integer(79, s.npts >= 0 ? s.npts : static_cast<std::int32_t>(s.samples.size()));
  integer(85, s.iftype);
  integer(105, s.leven);
  put_code(b, 440, s.station);
  put_code(b, 464, s.location);
  put_code(b, 600, s.channel);
  put_code(b, 608, s.network);
  for (std::size_t i = 0; i < s.samples.size(); ++i)
    put_word(b, kHeaderBytes + 4 * i, std::bit_cast<std::uint32_t>(s.samples[i]), s.big_endian);
  return b;
}

std::vector<std::uint8_t> mseed_int_bytes(const std::vector<std::int32_t>& samples, int encoding,
                                          std::int64_t start_us) {
  std::vector<std::uint8_t> out;
  MSTrace* mst = mst_init(nullptr);
  std::strcpy(mst->network, "XX");
  std::strcpy(mst->station, "INT");
  std::strcpy(mst->location, "00");
  std::strcpy(mst->channel, "BHZ");
  mst->dataquality = 'D';
  mst->starttime = start_us;
  mst->samprate = 20;
  mst->sampletype = 'i';
  mst->numsamples = static_cast<std::int64_t>(samples.size());
  mst->samplecnt = mst->numsamples;
  mst->datasamples = std::malloc(samples.size() * sizeof(std::int32_t));
  std::memcpy(mst->datasamples, samples.data(), samples.size() * sizeof(std::int32_t));
  auto handler = [](char* record, int length, void* sink) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(sink);
    bytes->insert(bytes->end(), record, record + length);
  };
  std::int64_t packed = 0;
  mst_pack(mst, handler, &out, 512, static_cast<flag>(encoding), 1, &packed, 1, 0, nullptr);
  mst_free(&mst);
  return out;
}

std::vector<std::string> write_sds(const std::string& root, const SdsChannel& c) {
  MSTrace* mst = mst_init(nullptr);
  std::snprintf(mst->network, sizeof mst->network, "%s", c.network.c_str());
  std::snprintf(mst->station, sizeof mst->station, "%s", c.station.c_str());
  std::snprintf(mst->location, sizeof mst->location, "%s", c.location.c_str());
  std::snprintf(mst->channel, sizeof mst->channel, "%s", c.channel.c_str());
  mst->dataquality = 'D';
  mst->starttime = c.start_us;
  mst->samprate = c.rate;
  mst->sampletype = 'i';
  mst->numsamples = static_cast<std::int64_t>(c.samples.size());
  mst->samplecnt = mst->numsamples;
  mst->datasamples = std::malloc(c.samples.size() * sizeof(std::int32_t));
  std::memcpy(mst->datasamples, c.samples.data(), c.samples.size() * sizeof(std::int32_t));
  std::vector<std::vector<char>> records;
  auto handler = [](char* record, int length, void* sink) {
    static_cast<std::vector<std::vector<char>>*>(sink)->emplace_back(record, record + length);
  };
  std::int64_t packed = 0;
  mst_pack(mst, handler, &records, 512, DE_STEIM2, 1, &packed, 1, 0, nullptr);
  mst_free(&mst);

  const std::string id = c.network + "." + c.station + "." + c.location + "." + c.channel;
  std::vector<std::string> paths;
  for (std::vector<char>& r : records) {
    MSRecord* m = nullptr;
    msr_parse(r.data(), static_cast<int>(r.size()), &m, static_cast<int>(r.size()), 0, 0);
    const auto sec = std::chrono::floor<std::chrono::seconds>(std::chrono::sys_time<std::chrono::microseconds>(
        std::chrono::microseconds(m->starttime)));
    msr_free(&m);
    const auto day = std::chrono::floor<std::chrono::days>(sec);
    const std::chrono::year_month_day ymd{day};
    const int year = static_cast<int>(ymd.year());
    const auto doy = (day - std::chrono::sys_days(ymd.year() / std::chrono::January / 1)).count() + 1;
    char tail[32];
    std::snprintf(tail, sizeof tail, ".D.%04d.%03d", year, static_cast<int>(doy));
    const std::string dir = root + "/" + std::to_string(year) + "/" + c.network + "/" + c.station + "/" + c.channel + ".D";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "/" + id + tail;
    std::ofstream(path, std::ios::binary | std::ios::app).write(r.data(), static_cast<std::streamsize>(r.size()));
    if (paths.empty() || paths.back() != path) paths.push_back(path);
  }
  return paths;
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

void write_file(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string read_text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

Outcome run(const std::string& dir, const std::string& command) {
  const std::string out = dir + "/.stdout", err = dir + "/.stderr";
  const std::string line = "cd '" + dir + "' && " + command + " >'" + out + "' 2>'" + err + "'";
  const int raw = std::system(line.c_str());
  Outcome o;
  o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  o.out = read_text(out);
  o.err = read_text(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return o;
}

std::vector<std::string> list_dir(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace seisdata::testing
