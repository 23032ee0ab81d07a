// Record sections: traces of one event placed by epicentral distance, time
// after the origin along the other axis, with predicted arrival curves.
//
// The pieces, in the order seissection uses them: where a trace is (its
// station, the event, the distance between them), the layout of the
// section (time window, distance range, reduction, scale), and the drawing
// through the library's entry points into the open plot file.
#ifndef SECTION_SECTION_H
#define SECTION_SECTION_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <figure/figure.h>

#include "seisdata.h"
#include "traveltime.h"

namespace section {

// ---- Distances ----

// The earth of the distances: the WGS84 ellipsoid for turning geographic
// latitudes into geocentric ones, a sphere of the travel-time models'
// radius for kilometres.
constexpr double kWgs84Flattening = 1.0 / 298.257223563;
constexpr double kEarthRadiusKm = 6371.0;
constexpr double kKmPerDegree = kEarthRadiusKm * 3.14159265358979323846 / 180.0;

// The geocentric latitude of a geographic (WGS84) latitude, degrees:
// tan(geocentric) = (1 - f)^2 tan(geographic).
double geocentric_latitude(double geographic_deg);

// The angle at the earth's centre between two points given by geographic
// latitude and longitude (degrees): both latitudes made geocentric, then
// the great-circle angle on the sphere, in degrees (0 to 180).
double distance_deg(double lat1, double lon1, double lat2, double lon2);

// ---- Times ----

// "YYYY-MM-DDTHH:MM:SS[.ffffff][Z]" or "YYYY-MM-DD" (UTC) in microseconds
// since 1970.  Fractions beyond microseconds are refused.
std::optional<std::int64_t> parse_time(std::string_view text);

// ---- The event ----

struct Event {
  double lat = 0, lon = 0;  // geographic, degrees
  double depth_km = 0;
  std::int64_t origin_us = 0;
};

// --event LAT,LON,DEPTH,TIME: latitude -90..90, longitude -180..360, depth
// 0..6371 km, TIME as parse_time.  False with the reason in `error`.
bool parse_event(std::string_view text, Event& event, std::string& error);

// ---- Station files ----

// One line of an FDSN station text file (the '|'-separated lines a station
// web service returns at station or channel level).  At station level the
// location and channel are empty and match every trace of the station.
struct Station {
  std::string network, station, location, channel;
  double lat = 0, lon = 0;                // degrees
  std::optional<std::int64_t> start_us;   // epoch start; empty: always
  std::optional<std::int64_t> end_us;     // epoch end; empty: open
};

// Reads a station file: lines starting with '#' and blank lines skipped;
// every other line has 8 fields (station level: Network|Station|Latitude|
// Longitude|Elevation|SiteName|StartTime|EndTime) or 17 (channel level:
// Network|Station|Location|Channel|Latitude|Longitude|Elevation|Depth|
// Azimuth|Dip|SensorDescription|Scale|ScaleFreq|ScaleUnits|SampleRate|
// StartTime|EndTime).  False with "FILE:LINE: reason" in `error`.
bool read_stations(const std::string& path, std::vector<Station>& stations, std::string& error);

// The station of a trace at time `at_us`: a channel-level line with the
// trace's whole identifier first, else a station-level line of its network
// and station; only lines whose epoch holds `at_us`.  Null when none.
const Station* find_station(const std::vector<Station>& stations, const seisdata::Trace& trace,
                            std::int64_t at_us);

// ---- Records ----

// A record as seis2rec writes it: its first header line starts with the
// identifier NET.STA.LOC.CHA and the first sample's time (ISO 8601 UTC).
// False with the reason when the file is no record or its first line
// gives neither.
bool read_record_trace(const std::string& path, seisdata::Trace& trace, std::string& error);

// ---- Where a trace is ----

struct Placement {
  double distance_deg = 0;
  std::int64_t origin_us = 0;
  std::optional<Event> event;           // the event when its position is known
  std::optional<double> depth_km;       // the event depth when known
};

// Places a trace.  With `event`: its origin, and the distance from the
// event to the station of `stations` (when given and the trace's station is
// in it) or of the SAC header's stla/stlo.  Without: the SAC header's
// origin time (reference time + o) and gcarc, else the distance between
// evla/evlo and stla/stlo.  False with the reason (the trace's identifier
// and source first) when the trace has no distance or no origin time.
bool place_trace(const seisdata::Trace& trace, const std::optional<Event>& event,
                 const std::vector<Station>* stations, Placement& where, std::string& error);

// True when two placements are of the same event: origin times within
// kSameOriginUs, and where both know them, epicentres within
// kSameEpicentreDeg and depths within kSameDepthKm.
constexpr std::int64_t kSameOriginUs = 1000;
constexpr double kSameEpicentreDeg = 0.001;
constexpr double kSameDepthKm = 0.1;
bool same_event(const Placement& a, const Placement& b);

// ---- Layout ----

enum class Norm { trace, global };
enum class Labels { station, id, none };

struct Layout {
  bool km = false;                    // distances in km, else degrees
  std::optional<double> reduce;       // reduction velocity, deg/s or km/s
  double t0 = 0, t1 = 0;              // plotted (reduced) time window, s
  double d0 = 0, d1 = 0;              // distance axis range
  double scale = 1;                   // trace height for amplitude 1, distance units
  bool fill_positive = false;
  Labels labels = Labels::station;
  std::string title;
};

// What a layout is made from: the choices given (empty: the default).
struct LayoutChoice {
  bool km = false;
  std::optional<double> reduce, scale;
  std::optional<std::pair<double, double>> window, distance;
  bool fill_positive = false;
  Labels labels = Labels::station;
};

// Where a trace lies before its samples are read again.
struct Span {
  double distance = 0;    // axis units
  double start_s = 0;     // its first sample after the origin
  std::size_t count = 0;  // samples
  double dt = 0;          // s
};

// The layout of a section of `spans` (at least one): the scale --scale,
// else the spans' distance range divided by their number (1 degree or
// kKmPerDegree km for one distance); the distance axis --distance, else
// the spans' range widened by 1.5 scales on either side; the window
// --window, else the earliest to the latest plotted sample.  `outside`
// receives the indices of the spans with no sample in the window.
Layout lay_out(const LayoutChoice& choice, const std::vector<Span>& spans, std::vector<std::size_t>& outside);

// The default title: the origin time to the hundredth of a second, and
// the epicentre and depth when known.
std::string default_title(const Placement& event);

// The frame, inches: tall enough for many traces, narrow enough for a page.
constexpr float kFrameWidth = 7.0f;
constexpr float kFrameHeight = 9.0f;

// A trace's distance in the units of the layout.
double axis_distance(const Layout& layout, double distance_deg);

// Seconds to subtract from time after origin at axis distance `d`: d/VEL,
// 0 without reduction.
double reduction_s(const Layout& layout, double d);

// The samples of a trace inside the window, at their plotted times,
// gathered per plot column of the frame (1/300 inch) as they are read: the
// first, lowest, highest and last sample of each column, in their order.
// A trace of any length so costs at most four points a column, and no
// column loses its extremes.
struct Window {
  std::vector<float> time;       // plotted times, s
  std::vector<float> amplitude;
  float peak = 0;                // largest |amplitude| of all the window's samples
};

// Cuts `trace` (time after origin of its first sample: `start_s`) at axis
// distance `distance` to the window: the samples whose plotted time
// start_s + i / rate - reduction lies in [t0, t1], gathered per column.
// False when none does.
bool cut_to_window(const Layout& layout, const seisdata::Trace& trace, double start_s, double distance,
                   Window& window);

// The plotted time span [first, last] of a trace of `count` samples at
// `dt` starting `start_s` after the origin, at axis distance `d`.
void plotted_span(const Layout& layout, double start_s, std::size_t count, double dt, double d, double& first,
                  double& last);

// ---- Phase curves ----

// The arrivals of `phase` from `depth_km` across the layout's distance
// range, sampled every 0.25 degrees or finer (at least 400 samples), as
// (axis distance, plotted time) points.  Each branch (a triplication has
// several) is followed by its slope, the ray parameter, from distance to
// distance; a point of nothing separates branches.  False with the
// library's message for an unknown phase or a bad depth.
bool phase_points(const traveltime::Model& model, const std::string& phase, double depth_km, const Layout& layout,
                  std::vector<std::optional<std::pair<double, double>>>& points, std::string& error);

// ---- Drawing (the plot file must be named before the first call) ----

// The traces' labels: the station code, the whole identifier, or none.
std::string trace_label(const seisdata::Trace& trace, Labels labels);

class Drawing {
 public:
  // Curves are reduced to the pixel columns of a PNG page at `column_dpi`;
  // at 300 (one column per plot unit) they serve every output.
  explicit Drawing(const Layout& layout, double column_dpi = figure::kPlotUnitsPerInch);

  // The new graph: frame, ticks and numbers, axis titles and the title.
  // False when the library refuses (it has said why).
  bool frame();

  // One trace at its axis distance, its amplitudes divided by `norm` (> 0)
  // times the layout's scale, reduced to columns as every figure reduces
  // its curves (figure::reduce_columns) before it goes to the plot file: at
  // most four points per column, the extremes of every column kept.
  bool trace(const Window& window, double distance, float norm);

  // The trace labels right of the frame, each centred on its distance; a
  // label that would overlap the one below it is left out.  `labels` holds
  // (axis distance, text), sorted by distance.
  bool labels(const std::vector<std::pair<double, std::string>>& labels);

  // A phase curve: points of (axis distance, plotted time), broken where a
  // point is missing (nullopt); labelled with `name` right of the curve, as
  // near its lower end as it goes without touching another phase's name.
  bool phase(const std::string& name, const std::vector<std::optional<std::pair<double, double>>>& points);

 private:
  bool add_curve(const std::vector<float>& x, const std::vector<float>& y, float thickness, bool dashed);
  bool label(float x, float y, const std::string& text, int size);
  bool fill(const std::vector<float>& x, const std::vector<float>& y, float base);

  struct Box {
    double x0, y0, x1, y1;  // plot units from the frame's lower left corner
  };

  Layout layout_;
  double column_dpi_;
  float para_[22] = {};
  std::vector<Box> phase_labels_;
  std::vector<float> scaled_;  // a trace's points in distance units, kept from trace to trace
};

}  // namespace section

#endif
