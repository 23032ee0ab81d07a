// Where a trace is: distances on the earth, times, the event, station files.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <fstream>

#include <section/section.h>

namespace section {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadian = kPi / 180.0;

std::vector<std::string_view> split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = text.find(separator);
    parts.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return parts;
    text.remove_prefix(at + 1);
  }
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// The whole of `text` as a finite double.
std::optional<double> number(std::string_view text) {
  text = trim(text);
  double v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// The whole of `text` as an unsigned integer of exactly `digits` digits.
bool digits(std::string_view text, std::size_t count, int& value) {
  if (text.size() != count) return false;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && std::all_of(text.begin(), text.end(), [](char c) {
           return c >= '0' && c <= '9';
         });
}

bool latitude_ok(double lat) { return lat >= -90 && lat <= 90; }
bool longitude_ok(double lon) { return lon >= -180 && lon <= 360; }

}  // namespace

double geocentric_latitude(double geographic_deg) {
  if (std::fabs(geographic_deg) == 90) return geographic_deg;
  const double k = (1 - kWgs84Flattening) * (1 - kWgs84Flattening);
  return std::atan(k * std::tan(geographic_deg * kRadian)) / kRadian;
}

double distance_deg(double lat1, double lon1, double lat2, double lon2) {
  const double p1 = geocentric_latitude(lat1) * kRadian, p2 = geocentric_latitude(lat2) * kRadian;
  const double dl = (lon2 - lon1) * kRadian;
  // The angle from its sine and cosine: accurate at 0 and 180 degrees alike.
  const double a = std::cos(p2) * std::sin(dl);
  const double b = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl);
  const double c = std::sin(p1) * std::sin(p2) + std::cos(p1) * std::cos(p2) * std::cos(dl);
  return std::atan2(std::hypot(a, b), c) / kRadian;
}

std::optional<std::int64_t> parse_time(std::string_view text) {
  if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (text.size() < 10 || text[4] != '-' || text[7] != '-' || !digits(text.substr(0, 4), 4, year) ||
      !digits(text.substr(5, 2), 2, month) || !digits(text.substr(8, 2), 2, day))
    return std::nullopt;
  std::int64_t fraction_us = 0;
  if (text.size() > 10) {
    if (text.size() < 19 || text[10] != 'T' || text[13] != ':' || text[16] != ':' ||
        !digits(text.substr(11, 2), 2, hour) || !digits(text.substr(14, 2), 2, minute) ||
        !digits(text.substr(17, 2), 2, second) || hour > 23 || minute > 59 || second > 59)
      return std::nullopt;
    if (text.size() > 19) {
      const std::string_view fraction = text.substr(20);
      int value = 0;
      if (text[19] != '.' || fraction.empty() || fraction.size() > 6 || !digits(fraction, fraction.size(), value))
        return std::nullopt;
      fraction_us = value;
      for (std::size_t k = fraction.size(); k < 6; ++k) fraction_us *= 10;
    }
  }
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok()) return std::nullopt;
  const std::int64_t day_s = duration_cast<seconds>(sys_days{date}.time_since_epoch()).count();
  return (day_s + hour * 3600 + minute * 60 + second) * 1000000 + fraction_us;
}

bool parse_event(std::string_view text, Event& event, std::string& error) {
  const std::vector<std::string_view> parts = split(text, ',');
  if (parts.size() != 4) {
    error = "--event needs LAT,LON,DEPTH,TIME";
    return false;
  }
  const std::optional<double> lat = number(parts[0]), lon = number(parts[1]), depth = number(parts[2]);
  const std::optional<std::int64_t> origin = parse_time(trim(parts[3]));
  if (!lat || !latitude_ok(*lat)) {
    error = "--event latitude must be a number from -90 to 90";
  } else if (!lon || !longitude_ok(*lon)) {
    error = "--event longitude must be a number from -180 to 360";
  } else if (!depth || *depth < 0 || *depth > kEarthRadiusKm) {
    error = "--event depth must be a number of km from 0 to 6371";
  } else if (!origin) {
    error = "--event time must be YYYY-MM-DDTHH:MM:SS[.ffffff] (UTC)";
  } else {
    event = Event{*lat, *lon, *depth, *origin};
    return true;
  }
  return false;
}

bool read_stations(const std::string& path, std::vector<Station>& stations, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = path + ": cannot open";
    return false;
  }
  constexpr std::size_t kStationFields = 8, kChannelFields = 17;
  std::string line;
  for (std::size_t number_of_line = 1; std::getline(in, line); ++number_of_line) {
    auto fail = [&](const std::string& why) {
      error = path + ":" + std::to_string(number_of_line) + ": " + why;
      return false;
    };
    const std::string_view text = trim(line);
    if (text.empty() || text.front() == '#') continue;
    const std::vector<std::string_view> f = split(text, '|');
    const bool channel_level = f.size() == kChannelFields;
    if (f.size() != kStationFields && !channel_level)
      return fail(std::to_string(f.size()) + " fields; a station line has 8 and a channel line 17");
    Station s;
    s.network = trim(f[0]);
    s.station = trim(f[1]);
    const std::size_t position = channel_level ? 4 : 2;
    if (channel_level) {
      s.location = trim(f[2]);
      s.channel = trim(f[3]);
    }
    const std::optional<double> lat = number(f[position]), lon = number(f[position + 1]);
    if (!lat || !latitude_ok(*lat)) return fail("bad latitude '" + std::string(f[position]) + "'");
    if (!lon || !longitude_ok(*lon)) return fail("bad longitude '" + std::string(f[position + 1]) + "'");
    s.lat = *lat;
    s.lon = *lon;
    const std::string_view start = trim(f[f.size() - 2]), end = trim(f[f.size() - 1]);
    if (!start.empty() && !(s.start_us = parse_time(start))) return fail("bad start time '" + std::string(start) + "'");
    if (!end.empty() && !(s.end_us = parse_time(end))) return fail("bad end time '" + std::string(end) + "'");
    if (s.network.empty() || s.station.empty()) return fail("no network or station code");
    stations.push_back(std::move(s));
  }
  if (in.bad()) {
    error = path + ": read error";
    return false;
  }
  return true;
}

const Station* find_station(const std::vector<Station>& stations, const seisdata::Trace& trace,
                            std::int64_t at_us) {
  const Station* station_level = nullptr;
  for (const Station& s : stations) {
    if (s.network != trace.network || s.station != trace.station) continue;
    if ((s.start_us && at_us < *s.start_us) || (s.end_us && at_us > *s.end_us)) continue;
    if (s.channel.empty() && s.location.empty()) {
      if (!station_level) station_level = &s;
    } else if (s.location == trace.location && s.channel == trace.channel) {
      return &s;
    }
  }
  return station_level;
}

bool place_trace(const seisdata::Trace& trace, const std::optional<Event>& event,
                 const std::vector<Station>* stations, Placement& where, std::string& error) {
  const seisdata::EventStation& p = trace.place;
  auto fail = [&](const std::string& why) {
    error = trace.id() + " (" + trace.source + "): " + why;
    return false;
  };
  where = Placement{};
  if (event) {
    where.origin_us = event->origin_us;
    where.event = event;
    where.depth_km = event->depth_km;
    if (const Station* s = stations ? find_station(*stations, trace, event->origin_us) : nullptr) {
      where.distance_deg = distance_deg(event->lat, event->lon, s->lat, s->lon);
    } else if (p.stla && p.stlo) {
      where.distance_deg = distance_deg(event->lat, event->lon, *p.stla, *p.stlo);
    } else {
      return fail(stations ? "no distance: the station is not in the station file at the event's time"
                           : "no distance: no station position (give --stations FILE)");
    }
    return true;
  }
  const bool sac = trace.format.starts_with("SAC");
  if (!sac) return fail("no origin time: give --event (only SAC headers carry one)");
  if (!p.origin_us) return fail("no origin time: the SAC header has no o and reference time (give --event)");
  where.origin_us = *p.origin_us;
  if (p.evdp) where.depth_km = *p.evdp;
  if (p.evla && p.evlo) where.event = Event{*p.evla, *p.evlo, p.evdp.value_or(0), *p.origin_us};
  if (p.gcarc) {
    where.distance_deg = *p.gcarc;
  } else if (p.evla && p.evlo && p.stla && p.stlo) {
    where.distance_deg = distance_deg(*p.evla, *p.evlo, *p.stla, *p.stlo);
  } else {
    return fail("no distance: the SAC header has neither gcarc nor evla, evlo, stla and stlo (give --event and "
                "--stations)");
  }
  if (!(where.distance_deg >= 0 && where.distance_deg <= 180))
    return fail("distance " + std::to_string(where.distance_deg) + " degrees is outside 0..180");
  return true;
}

bool same_event(const Placement& a, const Placement& b) {
  if (std::llabs(a.origin_us - b.origin_us) > kSameOriginUs) return false;
  if (a.event && b.event &&
      (std::fabs(a.event->lat - b.event->lat) > kSameEpicentreDeg ||
       std::fabs(a.event->lon - b.event->lon) > kSameEpicentreDeg))
    return false;
  if (a.depth_km && b.depth_km && std::fabs(*a.depth_km - *b.depth_km) > kSameDepthKm) return false;
  return true;
}

}  // namespace section
