// The section layer: distances at known points, times, station files,
// placing traces, and cutting and reducing a trace for drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <section/section.h>

#include "support.h"
#include "test_support.h"

namespace {

using section::Layout;

TEST(Distance, KnownPoints) {
  // Geocentric latitude of 45 N on WGS84: atan((1 - f)^2) = 44.80757 degrees.
  const double g45 = std::atan((1 - section::kWgs84Flattening) * (1 - section::kWgs84Flattening)) * 180 / M_PI;
  struct Case {
    double lat1, lon1, lat2, lon2, degrees;
  };
  const Case cases[] = {
      {0, 0, 0, 90, 90},         {0, 0, 0, -170, 170},     {0, 10, 0, 10, 0},
      {90, 0, 0, 123, 90},       {90, 0, -90, 0, 180},     {45, 0, -45, 0, 2 * g45},
      {45, 20, 45, 20 + 180, 180 - 2 * g45},               {0, 0, 0, 180, 180},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(section::distance_deg(c.lat1, c.lon1, c.lat2, c.lon2), c.degrees, 1e-9)
        << c.lat1 << "," << c.lon1 << " to " << c.lat2 << "," << c.lon2;
    EXPECT_NEAR(section::distance_deg(c.lat2, c.lon2, c.lat1, c.lon1), c.degrees, 1e-9);
  }
  EXPECT_NEAR(g45, 44.807576, 1e-6);
  EXPECT_NEAR(section::kKmPerDegree, 111.19492664455873, 1e-12);
}

TEST(Times, ParsedOrRefused) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> us;
  };
  const Case cases[] = {
      {"1970-01-01", 0},
      {"2024-02-29T12:30:15", 1709209815000000},
      {"2024-02-29T12:30:15.25Z", 1709209815250000},
      {"2024-02-29T12:30:15.000001", 1709209815000001},
      {"2023-02-29", std::nullopt},
      {"2024-02-29T24:00:00", std::nullopt},
      {"2024-02-29T12:30:15.1234567", std::nullopt},
      {"2024-02-29T12:30", std::nullopt},
      {"2024-2-29", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(section::parse_time(c.text), c.us) << c.text;
}

TEST(Event, ParsedOrRefusedWithTheReason) {
  section::Event e;
  std::string error;
  ASSERT_TRUE(section::parse_event("-20.5,170,600,2024-01-01T00:00:00", e, error)) << error;
  EXPECT_EQ(e.lat, -20.5);
  EXPECT_EQ(e.lon, 170);
  EXPECT_EQ(e.depth_km, 600);
  EXPECT_EQ(e.origin_us, 1704067200000000);
  const std::pair<const char*, const char*> bad[] = {
      {"1,2,3", "--event needs LAT,LON,DEPTH,TIME"},
      {"91,0,10,2024-01-01", "--event latitude must be a number from -90 to 90"},
      {"0,361,10,2024-01-01", "--event longitude must be a number from -180 to 360"},
      {"0,0,-1,2024-01-01", "--event depth must be a number of km from 0 to 6371"},
      {"0,0,10,yesterday", "--event time must be YYYY-MM-DDTHH:MM:SS[.ffffff] (UTC)"},
  };
  for (const auto& [text, message] : bad) {
    EXPECT_FALSE(section::parse_event(text, e, error)) << text;
    EXPECT_EQ(error, message);
  }
}

seisdata::Trace trace(const std::string& net, const std::string& sta, const std::string& loc, const std::string& cha) {
  seisdata::Trace t;
  t.network = net;
  t.station = sta;
  t.location = loc;
  t.channel = cha;
  t.source = "t.sac";
  t.format = "SAC little-endian";
  return t;
}

TEST(Stations, ChannelAndStationLevelWithEpochs) {
  zarvo::testing::ScratchDir dir;
  seisdata::testing::write_file(dir.file("s.txt"), std::string(
      "#Network|Station|Latitude|Longitude|Elevation|SiteName|StartTime|EndTime\n"
      "IU|ANMO|34.9459|-106.4572|1850|Albuquerque|1989-08-29T00:00:00|2000-01-01T00:00:00\n"
      "IU|ANMO|34.95|-106.46|1850|Albuquerque|2000-01-01T00:00:00|\n"
      "\n"
      "IU|ANMO|00|BHZ|10|20|1850|100|0|-90|STS-1|1e9|0.05|M/S|20|2000-01-01T00:00:00|\n"));
  std::vector<section::Station> stations;
  std::string error;
  ASSERT_TRUE(section::read_stations(dir.file("s.txt"), stations, error)) << error;
  ASSERT_EQ(stations.size(), 3u);
  const std::int64_t y1995 = *section::parse_time("1995-01-01"), y2010 = *section::parse_time("2010-01-01");
  struct Case {
    seisdata::Trace t;
    std::int64_t at;
    std::optional<double> lat;
  };
  const Case cases[] = {
      {trace("IU", "ANMO", "00", "BHZ"), y2010, 10},      // the channel line first
      {trace("IU", "ANMO", "10", "BHZ"), y2010, 34.95},   // other channels: the station line
      {trace("IU", "ANMO", "00", "BHZ"), y1995, 34.9459}, // the epoch of the time
      {trace("IU", "ANMO", "00", "BHZ"), *section::parse_time("1980-01-01"), std::nullopt},
      {trace("II", "ANMO", "00", "BHZ"), y2010, std::nullopt},
  };
  for (const Case& c : cases) {
    const section::Station* s = section::find_station(stations, c.t, c.at);
    EXPECT_EQ(s ? std::optional<double>(s->lat) : std::nullopt, c.lat) << c.t.id();
  }

  const std::pair<const char*, const char*> bad[] = {
      {"IU|ANMO|1|2\n", "s.txt:1: 4 fields; a station line has 8 and a channel line 17"},
      {"#\nIU|ANMO|95|2|0|x||\n", "s.txt:2: bad latitude '95'"},
      {"IU|ANMO|1|east|0|x||\n", "s.txt:1: bad longitude 'east'"},
      {"IU|ANMO|1|2|0|x|2000-13-01|\n", "s.txt:1: bad start time '2000-13-01'"},
      {"|ANMO|1|2|0|x||\n", "s.txt:1: no network or station code"},
  };
  for (const auto& [text, message] : bad) {
    seisdata::testing::write_file(dir.file("s.txt"), std::string(text));
    EXPECT_FALSE(section::read_stations(dir.file("s.txt"), stations, error));
    EXPECT_EQ(error, dir.file("s.txt").substr(0, dir.file("s.txt").size() - 5) + message);
  }
}

TEST(Place, FromHeadersEventAndStationsOrRefused) {
  const section::Event event{0, 0, 33, 1000000};
  const std::vector<section::Station> stations = {{"XX", "A", "", "", 0, 30, std::nullopt, std::nullopt}};
  struct Case {
    const char* what;
    seisdata::EventStation place;
    bool with_event, with_stations;
    double distance;
    std::int64_t origin;
    const char* error;  // empty: placed
  };
  seisdata::EventStation full;
  full.gcarc = 42.5f;
  full.evla = 0;
  full.evlo = 0;
  full.stla = 0;
  full.stlo = 50;
  full.evdp = 10;
  full.origin_us = 5;
  seisdata::EventStation coordinates = full;
  coordinates.gcarc.reset();
  seisdata::EventStation no_origin = full;
  no_origin.origin_us.reset();
  seisdata::EventStation origin_only;
  origin_only.origin_us = 5;
  const Case cases[] = {
      {"gcarc first", full, false, false, 42.5, 5, ""},
      {"else the coordinates", coordinates, false, false, 50, 5, ""},
      {"event and station file", origin_only, true, true, 30, 1000000, ""},
      {"event and header station", coordinates, true, false, 50, 1000000, ""},
      {"no origin", no_origin, false, false, 0, 0,
       "XX.A.00.BHZ (t.sac): no origin time: the SAC header has no o and reference time (give --event)"},
      {"no distance", origin_only, false, false, 0, 0,
       "XX.A.00.BHZ (t.sac): no distance: the SAC header has neither gcarc nor evla, evlo, stla and stlo "
       "(give --event and --stations)"},
      {"no station", seisdata::EventStation{}, true, false, 0, 0,
       "XX.A.00.BHZ (t.sac): no distance: no station position (give --stations FILE)"},
  };
  for (const Case& c : cases) {
    seisdata::Trace t = trace("XX", "A", "00", "BHZ");
    t.place = c.place;
    section::Placement where;
    std::string error;
    const bool ok = section::place_trace(t, c.with_event ? std::optional(event) : std::nullopt,
                                         c.with_stations ? &stations : nullptr, where, error);
    EXPECT_EQ(ok, *c.error == '\0') << c.what;
    EXPECT_EQ(error, c.error) << c.what;
    if (!ok) continue;
    EXPECT_NEAR(where.distance_deg, c.distance, 1e-9) << c.what;
    EXPECT_EQ(where.origin_us, c.origin) << c.what;
  }
  seisdata::Trace unknown = trace("XX", "B", "00", "BHZ");
  section::Placement where;
  std::string error;
  EXPECT_FALSE(section::place_trace(unknown, event, &stations, where, error));
  EXPECT_EQ(error, "XX.B.00.BHZ (t.sac): no distance: the station is not in the station file at the event's time");
}

TEST(Place, SameEventAtTheTolerances) {
  section::Placement a;
  a.origin_us = 0;
  a.event = section::Event{10, 20, 30, 0};
  a.depth_km = 30;
  auto shifted = [&](std::int64_t us, double lat, double depth) {
    section::Placement b = a;
    b.origin_us = us;
    b.event->lat += lat;
    b.depth_km = *b.depth_km + depth;
    return b;
  };
  EXPECT_TRUE(section::same_event(a, shifted(section::kSameOriginUs, 0, 0)));
  EXPECT_FALSE(section::same_event(a, shifted(section::kSameOriginUs + 1, 0, 0)));
  EXPECT_TRUE(section::same_event(a, shifted(0, 0.0009, 0)));
  EXPECT_FALSE(section::same_event(a, shifted(0, 0.0011, 0)));
  EXPECT_FALSE(section::same_event(a, shifted(0, 0, 0.11)));
  section::Placement unknown_position;
  unknown_position.origin_us = 10;
  EXPECT_TRUE(section::same_event(a, unknown_position));
}

TEST(Window, EdgesIncludedAndReductionExact) {
  // 1000 samples at 100 Hz starting 2 s after the origin, at 40 degrees; in
  // windows of up to 21 s a plot column (1/2100 of the window) is narrower
  // than a sample interval, so every sample is kept.
  seisdata::Trace t = trace("XX", "A", "00", "BHZ");
  t.rate = 100;
  t.dt = 0.01f;
  for (int i = 0; i < 1000; ++i) t.samples.push_back(i == 500 ? 9.0f : i == 501 ? -10.0f : 0.5f);
  struct Case {
    std::optional<double> reduce;
    double t0, t1;
    std::size_t first, count;  // samples kept; count 0: refused
  };
  const Case cases[] = {
      {std::nullopt, 0, 20, 0, 1000},
      {std::nullopt, 7, 7.5, 500, 51},         // both edges on samples: kept
      {std::nullopt, 7.005, 7.015, 501, 1},
      {8.0, 2 - 5.0, 7 - 5.0, 0, 501},         // 40 / 8 = 5 s earlier
      {std::nullopt, 11.995, 20, 0, 0},        // after the last sample
      {std::nullopt, 0, 1.995, 0, 0},          // before the first
  };
  for (const Case& c : cases) {
    Layout l;
    l.reduce = c.reduce;
    l.t0 = c.t0;
    l.t1 = c.t1;
    section::Window w;
    const bool ok = section::cut_to_window(l, t, 2.0, 40, w);
    ASSERT_EQ(ok, c.count > 0) << c.t0;
    if (!ok) continue;
    ASSERT_EQ(w.time.size(), c.count) << c.t0;
    const double shift = 2.0 - (c.reduce ? 40 / *c.reduce : 0.0);
    for (std::size_t k = 0; k < c.count; ++k) {
      EXPECT_EQ(w.time[k], static_cast<float>(shift + static_cast<double>(c.first + k) * 0.01)) << k;
      EXPECT_EQ(w.amplitude[k], t.samples[c.first + k]);
    }
    EXPECT_EQ(w.peak, c.first <= 501 && c.first + c.count > 501 ? 10.0f : c.first <= 500 && c.first + c.count > 500 ? 9.0f : 0.5f);
  }
}

TEST(Window, ColumnsKeepFirstLowestHighestLast) {
  // 100,000 samples over 1000 s, 2100 columns: about 48 samples a column.
  seisdata::Trace t = trace("XX", "A", "00", "BHZ");
  t.rate = 100;
  t.dt = 0.01f;
  t.samples.assign(100000, 0.0f);
  for (std::size_t i = 0; i < t.samples.size(); ++i) t.samples[i] = static_cast<float>(i % 7) * 0.001f;
  t.samples[12345] = 5;
  t.samples[54321] = -6;
  Layout l;
  l.t1 = 1000;
  section::Window w;
  ASSERT_TRUE(section::cut_to_window(l, t, 0, 10, w));
  EXPECT_LE(w.time.size(), 4u * 2101);
  EXPECT_GE(w.time.size(), 3u * 2100);
  EXPECT_EQ(w.time.front(), 0.0f);
  EXPECT_EQ(w.time.back(), static_cast<float>(99999 * 0.01));
  EXPECT_TRUE(std::is_sorted(w.time.begin(), w.time.end()));
  EXPECT_EQ(w.peak, 6.0f);
  for (const float extreme : {5.0f, -6.0f}) {
    const auto at = std::find(w.amplitude.begin(), w.amplitude.end(), extreme) - w.amplitude.begin();
    ASSERT_LT(static_cast<std::size_t>(at), w.amplitude.size()) << extreme;
    EXPECT_EQ(w.time[static_cast<std::size_t>(at)], static_cast<float>((extreme > 0 ? 12345 : 54321) * 0.01));
  }
}

TEST(Layout, DefaultsAndTracesOutsideTheWindow) {
  // Three traces at 30, 40 and 60 degrees, 100 samples at 0.1 s from 10,
  // 20 and 500 s after the origin.
  const std::vector<section::Span> spans = {{30, 10, 100, 0.1}, {40, 20, 100, 0.1}, {60, 500, 100, 0.1}};
  struct Case {
    section::LayoutChoice choice;
    double scale, d0, d1, t0, t1;
    std::vector<std::size_t> outside;
  };
  section::LayoutChoice reduced;
  reduced.reduce = 0.1;  // 300, 400 and 600 s earlier
  section::LayoutChoice given;
  given.scale = 2;
  given.window = {{0, 100}};
  given.distance = {{20, 70}};
  const Case cases[] = {
      {{}, 10, 15, 75, 10, 509.9, {}},
      {reduced, 10, 15, 75, -380, -90.1, {}},
      {given, 2, 20, 70, 0, 100, {2}},
  };
  for (const Case& c : cases) {
    std::vector<std::size_t> outside;
    const Layout l = section::lay_out(c.choice, spans, outside);
    EXPECT_EQ(l.scale, c.scale);
    EXPECT_EQ(l.d0, c.d0);
    EXPECT_EQ(l.d1, c.d1);
    EXPECT_NEAR(l.t0, c.t0, 1e-9);
    EXPECT_NEAR(l.t1, c.t1, 1e-9);
    EXPECT_EQ(outside, c.outside);
  }
  std::vector<std::size_t> outside;
  section::LayoutChoice km;
  km.km = true;
  const Layout one = section::lay_out(km, {{1000, 0, 1, 0.05}}, outside);
  EXPECT_EQ(one.scale, section::kKmPerDegree);
  EXPECT_EQ(one.t1, one.t0 + 1);
}

TEST(Phases, PointsAreTheLibrarysTimes) {
  traveltime::Model model;
  std::string error;
  ASSERT_TRUE(traveltime::load_model(PREM, model, error)) << error;
  Layout l;
  l.d0 = 30;
  l.d1 = 90;
  l.reduce = 0.125;
  std::vector<std::optional<std::pair<double, double>>> points;
  ASSERT_TRUE(section::phase_points(model, "P", 100, l, points, error)) << error;
  std::size_t checked = 0;
  for (std::size_t i = 0; i < points.size(); i += 20) {
    const auto& p = points[i];
    if (!p) continue;
    std::vector<traveltime::Arrival> a;
    ASSERT_TRUE(traveltime::arrivals(model, "P", 100, p->first, a, error));
    EXPECT_TRUE(std::any_of(a.begin(), a.end(), [&](const traveltime::Arrival& x) {
      return std::fabs(x.time_s - p->first / 0.125 - p->second) < 1e-9;
    })) << p->first;
    ++checked;
  }
  EXPECT_GE(checked, 20u);
  EXPECT_FALSE(section::phase_points(model, "Q", 100, l, points, error));
}

}  // namespace
