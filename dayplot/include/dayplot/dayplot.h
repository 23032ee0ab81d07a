// Day plots (helicorders): 24 hours of one channel as stacked lines of a
// few minutes each, drawn through the plotting library as one graph.
//
// Line k (from 0) shows the samples at times [start + k * interval,
// start + (k + 1) * interval).  In the graph, x is minutes from the line's
// start and y counts line spacings: line k is centred at y = n - k - 0.5
// of n lines, so the first line is at the top.  One amplitude scale holds
// for the whole day; excursions beyond half a line spacing are clipped at
// the edge of their line's band.  Each contiguous piece of a line is its own
// curve: gaps leave the line broken.  Line k is drawn with pen thickness
// k mod 4, which the renderer's pen colours turn into four colours.
#ifndef DAYPLOT_DAYPLOT_H
#define DAYPLOT_DAYPLOT_H

#include <cstdint>
#include <string>
#include <vector>

#include "seisdata.h"

namespace dayplot {

constexpr int kDefaultInterval = 15;      // minutes per line
constexpr int kMinInterval = 5;
constexpr int kMaxInterval = 120;
constexpr double kDefaultClip = 99.5;     // percentile of |amplitude| at the band's edge
constexpr std::int64_t kDayMicros = 86400000000;
constexpr int kPens = 4;                  // line k is drawn with pen k mod kPens
constexpr int kEventPen = 5;              // events: the second colour, one step wider
constexpr float kFrameWidth = 10.0f;      // inches

struct Event {
  std::int64_t time_us = 0;
  std::string label;
};

struct Settings {
  std::int64_t start_us = 0;          // the first line's start
  int interval = kDefaultInterval;    // minutes, kMinInterval..kMaxInterval
  double clip_percent = kDefaultClip; // used when scale is 0
  double scale = 0;                   // counts per line spacing; 0: from clip_percent
  std::string title;
  std::vector<Event> events;
  double column_dpi = 0;              // > 0: curves reduced to the pixel columns of PNG
                                      // pages at this dpi (figure::reduce_columns)
  int threads = 1;                    // day_curves works out this many lines at once
};

// The amplitude scale of the day: samples are drawn as
// (value - offset) / counts_per_line line spacings from their line's centre.
struct Amplitude {
  double offset = 0;           // the mean of all samples
  double counts_per_line = 1;  // --scale, or twice the clip percentile of |value - offset|
};

// Number of lines of a day: 1440 / interval, rounded up.
int line_count(int interval);

// The scale for `traces`: offset the mean of their samples; with
// scale > 0 that many counts per line spacing, else twice the value p of
// |value - offset| that clip_percent per cent of the samples do not exceed
// (the sample of rank ceil(n * clip_percent / 100) in increasing order),
// so that p reaches the band's edge; 1 when p is 0.  The mean adds up the
// sums of blocks of 65,536 samples, so it is the same on any number of
// `threads`.
Amplitude amplitude_scale(const std::vector<seisdata::Trace>& traces, double clip_percent, double scale,
                          int threads = 1);

// The frame height in inches for n lines.
float frame_height(int lines);

// A contiguous piece of one line in graph coordinates.
struct Piece {
  std::vector<float> x, y;
};

// The pieces of line k: one for each trace with samples in the line's
// time range, in the order of the traces.
std::vector<Piece> line_pieces(const std::vector<seisdata::Trace>& traces, const Settings& s,
                               const Amplitude& a, int line);

// Reads an events file: one event a line, "TIME [LABEL]" with TIME in ISO
// 8601 UTC; blank lines and lines starting with '#' are skipped.  False
// with a message naming the file and line, and no event added.
bool read_events(const std::string& path, std::vector<Event>& events, std::string& error);

constexpr int kParaSize = 20;

// The lines' pieces of a day, ready to draw: computed without the library,
// so on any thread; reduced to pixel columns (figure::reduce_columns) when
// s.column_dpi is set.
struct Curves {
  std::vector<std::vector<Piece>> lines;  // line k's pieces
};
Curves day_curves(const std::vector<seisdata::Trace>& traces, const Settings& s);

// Draws the day as a new graph through the library into its plot file
// (a new page): frame, minutes along the bottom, each line's start time
// (HH:MM) at its left, the title, the lines and the events.  `para` is the
// caller's parameter block: every element but the plot file state para(20)
// is reset, so one block serves for plot after plot into one plot file.
// False when the library refuses (it has said why on the standard error
// stream).  The first form is the second with day_curves(traces, s).
bool draw(const std::vector<seisdata::Trace>& traces, const Settings& s, float (&para)[kParaSize]);
bool draw(const Curves& curves, const Settings& s, float (&para)[kParaSize]);

}  // namespace dayplot

#endif
