// Day plots of many channels drawn from several threads.  The plotting
// library keeps one plot file per process and is not thread-safe: one
// thread at a time draws a day into it and takes the page; the page is then
// rendered (thumbnail and full size) on that thread while the others use
// the library.
#ifndef QC_PLOTS_H
#define QC_PLOTS_H

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include <dayplot/dayplot.h>
#include <figure/figure.h>

#include "seisdata.h"

namespace qc {

constexpr double kThumbnailDpi = 24;  // about 290 pixels wide
constexpr double kFullDpi = 100;

class DayPlots {
 public:
  // Opens the process's plot file in memory and loads the renderer's fonts
  // (rendering on several threads reads them).
  bool open(std::string& error);

  // The day from `day_us` of `traces` as a thumbnail and a full-size PNG,
  // each written under a temporary name and renamed into place.
  bool plot(const std::vector<seisdata::Trace>& traces, const std::string& title, std::int64_t day_us,
            const std::string& thumbnail, const std::string& full, std::string& error);

 private:
  std::mutex library_;  // the plotting library and its plot file
  figure::PlotFile file_;
  float para_[dayplot::kParaSize] = {};
  std::string font_dir_;
};

}  // namespace qc

#endif
