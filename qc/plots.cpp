#include <qc/plots.h>

#include <cstdio>

#include <qc/qc.h>

namespace qc {

namespace {

// Renders `page` at `dpi` to a temporary name beside `path`, then renames it.
bool render_into_place(const figure::Page& page, double dpi, const std::string& font_dir, const std::string& path,
                       std::string& error) {
  figure::Options o;
  o.dpi = dpi;
  o.font_dir = font_dir;
  o.pen_colours = true;
  if (!make_temporary(path, o.out, error)) return false;
  const bool ok = figure::render_page(page, o, error) && std::rename(o.out.c_str(), path.c_str()) == 0;
  if (!ok) {
    if (error.empty()) error = path + ": cannot rename the picture into place";
    std::remove(o.out.c_str());
  }
  forget_temporary(o.out);
  return ok;
}

}  // namespace

bool DayPlots::open(std::string& error) {
  figure::Options o;
  o.out = "day.png";
  figure::check_options(o, {}, "seisqc");  // only sets the default font directory
  font_dir_ = o.font_dir;
  figure::load_fonts(font_dir_);
  return file_.open("", error);
}

bool DayPlots::plot(const std::vector<seisdata::Trace>& traces, const std::string& title, std::int64_t day_us,
                    const std::string& thumbnail, const std::string& full, std::string& error) {
  dayplot::Settings s;
  s.start_us = day_us;
  s.title = title;
  s.column_dpi = figure::kPlotUnitsPerInch;  // PNG pages at both resolutions
  // The curves are computed and reduced here, on this thread; only their
  // drawing into the plot file waits for the library.
  const dayplot::Curves curves = dayplot::day_curves(traces, s);
  figure::Page page;
  {
    std::lock_guard lock(library_);
    if (!dayplot::draw(curves, s, para_)) {
      error = "the day plot could not be drawn";
      return false;
    }
    if (!file_.take_page(page, error)) return false;
  }
  return render_into_place(page, kThumbnailDpi, font_dir_, thumbnail, error) &&
         render_into_place(page, kFullDpi, font_dir_, full, error);
}

}  // namespace qc
