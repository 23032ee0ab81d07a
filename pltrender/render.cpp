#include "render.h"

#include "column_reducer.h"
#include "line_raster.h"
#include "pngwrite.h"
#include "safeout.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>

namespace pltrender {

namespace {

constexpr double kUnitsPerInch = 300.0;
constexpr double kPointsPerInch = 72.0;
constexpr int kMaxThickness = 100;
constexpr double kMaxDpi = 10000;
constexpr double kMaxMarginInches = 100;
constexpr double kMaxRasterSide = 32767;

struct PenState {
  int thickness = 0;
  double x = 0;
  double y = 0;
};

// Text strokes are at least as wide as the pen's lines.
double text_stroke_width(double weight, double lw) { return std::max(lw, weight); }

// The commands of a page: from a stored list (pages are index ranges) or
// read one at a time from the plot file's bytes (pages are byte ranges).
struct StoredCommands {
  const std::vector<Command>& commands;
  template <typename F>
  void each(const Page& page, F&& f) const {
    for (std::size_t i = page.begin; i < page.end; ++i) f(commands[i]);
  }
};

struct EncodedCommands {
  const uint8_t* data;
  template <typename F>
  void each(const Page& page, F&& f) const {
    CommandReader reader(data, page.begin, page.end);
    Command c;
    while (reader.next(c)) f(c);
  }
};

// Walks a page's commands, keeping the pen position and thickness.
template <typename Source, typename Visitor>
void walk(const Source& source, const Page& page, PenState& st, Visitor&& visit) {
  source.each(page, [&](const Command& c) {
    visit(c, st);
    switch (c.op) {
      case 'f': st.thickness = c.thickness; break;
      case 'm':
      case 'd':
        st.x = c.x;
        st.y = c.y;
        break;
      default: break;
    }
  });
}

void add_expanded(Box& b, double x, double y, double r) {
  b.add(x - r, y - r);
  b.add(x + r, y + r);
}

// The page in plot units: lower-left corner (x0, y0), size w x h.
struct PageFrame {
  double x0 = 0, y0 = 0, w = 0, h = 0;
};

PageFrame frame_for(const Box& bounds, const RenderOptions& o) {
  PageFrame f;
  if (!o.fit) {
    f.w = o.page_width * kUnitsPerInch;
    f.h = o.page_height * kUnitsPerInch;
    return f;
  }
  const double m = o.margin * kUnitsPerInch;
  if (bounds.empty) {
    f.w = f.h = kUnitsPerInch;  // a blank page of one inch square
    return f;
  }
  f.x0 = std::floor(bounds.x0 - m);
  f.y0 = std::floor(bounds.y0 - m);
  f.w = std::ceil(bounds.x1 + m) - f.x0;
  f.h = std::ceil(bounds.y1 + m) - f.y0;
  return f;
}

// Draws one page onto `cr`, whose user space is plot units.  On raster
// pages (`runs` set) runs of draws go to the line runs, through the column
// reduction first when `reducer` is set, and are painted in their ink, in
// order, before anything else is drawn and at the page's end; elsewhere
// cairo strokes them.
class Painter {
 public:
  Painter(cairo_t* cr, FontSet& fonts, LineRuns* runs, ColumnReducer* reducer, bool pens)
      : cr_(cr), fonts_(fonts), runs_(runs), reducer_(reducer), pens_(pens) {
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_ROUND);
    cairo_set_source_rgb(cr_, 0, 0, 0);
    cairo_get_matrix(cr_, &device_);
  }

  void operator()(const Command& c, const PenState& st) {
    switch (c.op) {
      case 'f':
        if (width(c.thickness) != width(st.thickness) || (pens_ && pen_colour(c.thickness) != pen_colour(st.thickness)))
          flush();
        break;
      case 'm': break;  // the pen position is kept by the walk
      case 'd': {
        if (!pending_) {
          if (runs_) {
            runs_->begin(width(st.thickness) * device_.xx, st.thickness);
          } else {
            cairo_set_line_width(cr_, width(st.thickness));
            use_pen(st.thickness);
          }
          pending_ = true;
          move_to(st.x, st.y);
        } else if (!at_pen(st)) {
          move_to(st.x, st.y);
        }
        line_to(c.x, c.y);
        last_x_ = c.x;
        last_y_ = c.y;
        break;
      }
      case 't': {
        finish();
        const TextLayout t = layout_text(fonts_, c, st.x, st.y);
        if (t.strokes.empty()) break;
        // Runs of polylines of one width are stroked together.
        const double lw = width(st.thickness);
        use_pen(st.thickness);
        for (std::size_t i = 0; i < t.strokes.size();) {
          const double w = text_stroke_width(t.weights[i], lw);
          cairo_set_line_width(cr_, w);
          for (; i < t.strokes.size() && text_stroke_width(t.weights[i], lw) == w; ++i) {
            const auto& line = t.strokes[i];
            cairo_move_to(cr_, line[0].x, line[0].y);
            for (std::size_t k = 1; k < line.size(); ++k) cairo_line_to(cr_, line[k].x, line[k].y);
          }
          cairo_stroke(cr_);
        }
        break;
      }
      case 'a':
        finish();
        cairo_move_to(cr_, c.points[0].x, c.points[0].y);
        for (std::size_t k = 1; k < c.points.size(); ++k) cairo_line_to(cr_, c.points[k].x, c.points[k].y);
        cairo_close_path(cr_);
        shape(c.pattern, st.thickness);
        break;
      case 'c':
        finish();
        cairo_new_sub_path(cr_);
        cairo_arc(cr_, c.x, c.y, std::abs(static_cast<double>(c.radius)), 0, 2 * M_PI);
        cairo_close_path(cr_);
        shape(c.pattern, st.thickness);
        break;
      default: break;
    }
  }

  // Ends the run of draws.
  void flush() {
    if (pending_) {
      if (reducer_) reducer_->flush(emitter());
      if (!runs_)
        cairo_stroke(cr_);
      else if (runs_->full())
        paint_runs();
    }
    pending_ = false;
  }

  // Ends the run of draws and paints the runs held.
  void finish() {
    flush();
    if (runs_) paint_runs();
  }

 private:
  double width(int thickness) const { return line_width(thickness, pens_); }

  // With pen colours, the ink of what is drawn next.
  void use_pen(int thickness) {
    if (!pens_) return;
    const Rgb c = pen_colour(thickness);
    cairo_set_source_rgb(cr_, c.r, c.g, c.b);
  }

  bool at_pen(const PenState& st) const { return st.x == last_x_ && st.y == last_y_; }

  // Passes the reducer's points on to the path.
  struct Emitter {
    Painter* painter;
    void operator()(const ColumnReducer::Out& p) const {
      if (p.move)
        painter->emit_move(p.x, p.y);
      else
        painter->emit_line(p.x, p.y);
    }
  };
  Emitter emitter() { return Emitter{this}; }

  void move_to(double x, double y) {
    if (reducer_)
      reducer_->start(x, y, emitter(), true);
    else
      emit_move(x, y);
  }

  void line_to(double x, double y) {
    if (reducer_)
      reducer_->line_to(x, y, emitter());
    else
      emit_line(x, y);
  }

  void emit_move(double x, double y) {
    if (!runs_) {
      cairo_move_to(cr_, x, y);
      return;
    }
    cairo_matrix_transform_point(&device_, &x, &y);
    device_x_ = x;
    device_y_ = y;
  }

  void emit_line(double x, double y) {
    if (!runs_) {
      cairo_line_to(cr_, x, y);
      return;
    }
    cairo_matrix_transform_point(&device_, &x, &y);
    runs_->line(device_x_, device_y_, x, y);
    device_x_ = x;
    device_y_ = y;
  }

  // Paints each run held in its pen's ink, through its coverage mask.
  void paint_runs() {
    runs_->draw([this](const LineRaster& r, int thickness) {
      use_pen(thickness);
      cairo_surface_t* mask = cairo_image_surface_create_for_data(const_cast<unsigned char*>(r.data()),
                                                                  CAIRO_FORMAT_A8, r.width(), r.height(), r.stride());
      const Box& b = r.drawn();
      cairo_save(cr_);
      cairo_identity_matrix(cr_);
      cairo_rectangle(cr_, b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
      cairo_clip(cr_);
      cairo_mask_surface(cr_, mask, r.left(), r.top());
      cairo_restore(cr_);
      cairo_surface_destroy(mask);
    });
  }

  void shape(uint16_t pattern, int thickness) {
    cairo_set_line_width(cr_, width(thickness));
    use_pen(thickness);
    if (pattern != 0) cairo_fill_preserve(cr_);
    cairo_stroke(cr_);
  }

  cairo_t* cr_;
  FontSet& fonts_;
  LineRuns* runs_;
  ColumnReducer* reducer_;
  bool pens_;
  cairo_matrix_t device_;  // plot units to device pixels
  bool pending_ = false;
  double last_x_ = 0, last_y_ = 0;      // the run's last point, plot units
  double device_x_ = 0, device_y_ = 0;  // the same in device pixels
};

std::string lower(std::string s) {
  for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return s;
}

std::string cairo_error(cairo_status_t s) { return cairo_status_to_string(s); }

// Sets up `cr` so that user space is plot units on the page `f` at `k`
// device units per plot unit, plot x = left / k at the page's left edge,
// and paints the page white (an ink surface starts out blank).
void prepare(cairo_t* cr, const PageFrame& f, double k, double left, bool ink_surface) {
  cairo_identity_matrix(cr);
  if (!ink_surface) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
  }
  cairo_matrix_t m;
  cairo_matrix_init(&m, k, 0, 0, -k, -left, (f.y0 + f.h) * k);
  cairo_set_matrix(cr, &m);
}

// The left edge of a PNG page in device units from plot x = 0: a whole
// number of pixels, so that pixel column c of every page at one resolution
// holds plot x from (left + c) / k to (left + c + 1) / k.
double raster_left(const PageFrame& f, double k) { return std::floor(f.x0 * k); }

}  // namespace

Format format_from_path(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return Format::unknown;
  const std::string ext = lower(path.substr(dot + 1));
  if (ext == "png") return Format::png;
  if (ext == "svg") return Format::svg;
  if (ext == "pdf") return Format::pdf;
  return Format::unknown;
}

double line_width(int thickness, bool pen_colours) {
  int t = std::clamp(thickness, 0, kMaxThickness);
  if (pen_colours) t /= kPenCount;
  return 2.0 * (1 + t);
}

Rgb pen_colour(int thickness) { return kPenColours[std::clamp(thickness, 0, kMaxThickness) % kPenCount]; }

std::string page_file_name(const std::string& path, std::size_t index, std::size_t count) {
  if (count <= 1) return path;
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  std::string n = std::to_string(index);
  n.insert(n.begin(), '-');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + n;
  return path.substr(0, dot) + n + path.substr(dot);
}

namespace {

template <typename Source>
Box bounds_of(const Source& source, const Page& page, FontSet& fonts, int start_thickness, bool pens) {
  Box b;
  PenState st;
  st.thickness = start_thickness;
  walk(source, page, st, [&](const Command& c, const PenState& s) {
    const double hw = line_width(s.thickness, pens) / 2;
    switch (c.op) {
      case 'd':
        add_expanded(b, s.x, s.y, hw);
        add_expanded(b, c.x, c.y, hw);
        break;
      case 'a':
        for (const Point& p : c.points) add_expanded(b, p.x, p.y, hw);
        break;
      case 'c':
        add_expanded(b, c.x, c.y, std::abs(static_cast<double>(c.radius)) + hw);
        break;
      case 't': {
        const TextLayout t = layout_text(fonts, c, s.x, s.y);
        if (t.ink.empty) break;
        const double tw = text_stroke_width(t.max_weight, line_width(s.thickness, pens)) / 2;
        add_expanded(b, t.ink.x0, t.ink.y0, tw);
        add_expanded(b, t.ink.x1, t.ink.y1, tw);
        break;
      }
      default: break;
    }
  });
  return b;
}

// The page's size in pixels, or a message when it is too large (or not a
// number at all, as text of absurd size can make it).
bool raster_size(const PageFrame& f, double k, const RenderOptions& o, std::size_t page, int& width,
                 int& height, std::string& error) {
  const double wp = std::ceil((f.x0 + f.w) * k) - raster_left(f, k), hp = std::ceil(f.h * k);
  if (!(wp <= kMaxRasterSide && hp <= kMaxRasterSide && wp * hp <= o.max_pixels)) {
    char buf[200];
    std::snprintf(buf, sizeof buf,
                  "page %zu would be %.0f x %.0f pixels at %g dpi: too large (at most %.0f pixels a side and "
                  "%.0f in all",
                  page, wp, hp, o.dpi, kMaxRasterSide, o.max_pixels);
    error = buf;
    error += o.size_advice.empty() ? ")" : "; " + o.size_advice + ")";
    return false;
  }
  width = std::max(1, static_cast<int>(wp));
  height = std::max(1, static_cast<int>(hp));
  return true;
}

bool vector_size_ok(const PageFrame& f, std::size_t page, std::string& error) {
  const double limit = kMaxPageInches * kUnitsPerInch;
  if (f.w <= limit && f.h <= limit) return true;
  char buf[200];
  std::snprintf(buf, sizeof buf, "page %zu would be %.6g x %.6g inches: too large (at most %.0f inches a side)",
                page, f.w / kUnitsPerInch, f.h / kUnitsPerInch, kMaxPageInches);
  error = buf;
  return false;
}

// The directory the output goes to must exist: cairo would only report a
// write error.
bool output_directory_ok(const std::string& path, std::string& error) {
  const std::filesystem::path dir = std::filesystem::path(path).parent_path();
  if (dir.empty()) return true;
  std::error_code ec;
  if (std::filesystem::is_directory(dir, ec)) return true;
  error = path + ": directory " + dir.string() +
          (std::filesystem::exists(dir, ec) ? " is not a directory" : " does not exist");
  return false;
}

// cairo's stream writer: appends to the std::string `closure`.
cairo_status_t append_bytes(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
}

std::string too_many_pages(std::size_t limit, std::size_t offset) {
  return "more than " + std::to_string(limit) + " pages (page " + std::to_string(limit + 1) +
         " begins at byte offset " + std::to_string(offset) + "): refused; raise the page limit to draw them";
}

template <typename Source>
bool render_pages(const Source& source, std::vector<Page> pages, const std::string& path,
                  const RenderOptions& options, FontSet& fonts, std::string& error,
                  std::vector<std::string>* written) {
  const Format format = format_from_path(path);
  if (format == Format::unknown) {
    error = path + ": unknown output format (use a .png, .svg or .pdf file name)";
    return false;
  }
  if (!check_options(options, error) || !output_directory_ok(path, error)) return false;
  if (pages.empty()) pages.push_back({0, 0});

  // Pen state at each page's start, and each page's frame, all checked
  // before any file is made.
  const double k_vec = kPointsPerInch / kUnitsPerInch;
  const double k_png = options.dpi / kUnitsPerInch;
  std::vector<PenState> starts;
  std::vector<PageFrame> frames;
  PenState st;
  st.thickness = options.start_thickness;
  for (const Page& p : pages) {
    starts.push_back(st);
    frames.push_back(frame_for(options.fit ? bounds_of(source, p, fonts, st.thickness, options.pen_colours) : Box{}, options));
    walk(source, p, st, [](const Command&, const PenState&) {});
    int w = 0, h = 0;
    const bool fits = format == Format::png ? raster_size(frames.back(), k_png, options, frames.size(), w, h, error)
                                            : vector_size_ok(frames.back(), frames.size(), error);
    if (!fits) return false;
  }

  // No output may replace an input; every name is checked before the first
  // file is made.
  for (std::size_t i = 0; i < pages.size(); ++i) {
    const std::string name = format == Format::pdf ? path : page_file_name(path, i + 1, pages.size());
    if (!safeout::not_an_input(name, options.inputs, error)) return false;
  }

  // SVG and PDF documents are made in memory and written as safeout writes
  // files (PNG pages likewise, by write_png).
  std::string document;
  cairo_surface_t* pdf = nullptr;
  if (format == Format::pdf) {
    pdf = cairo_pdf_surface_create_for_stream(append_bytes, &document, frames[0].w * k_vec, frames[0].h * k_vec);
    if (cairo_surface_status(pdf) != CAIRO_STATUS_SUCCESS) {
      error = path + ": " + cairo_error(cairo_surface_status(pdf));
      cairo_surface_destroy(pdf);
      return false;
    }
  }

  for (std::size_t i = 0; i < pages.size(); ++i) {
    const PageFrame& f = frames[i];
    const std::string name = page_file_name(path, i + 1, pages.size());
    cairo_surface_t* surface = nullptr;
    double k = k_vec;
    if (format == Format::pdf) {
      cairo_pdf_surface_set_size(pdf, f.w * k_vec, f.h * k_vec);
      surface = cairo_surface_reference(pdf);
    } else if (format == Format::svg) {
      document.clear();
      surface = cairo_svg_surface_create_for_stream(append_bytes, &document, f.w * k_vec, f.h * k_vec);
      if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
        cairo_svg_surface_set_document_unit(surface, CAIRO_SVG_UNIT_PT);
    } else {
      k = k_png;
      int w = 0, h = 0;
      raster_size(f, k, options, i + 1, w, h, error);
      // Black ink on white: the page is drawn as ink coverage alone;
      // coloured pens need colour.
      surface = cairo_image_surface_create(options.pen_colours ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_A8, w, h);
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
      error = name + ": " + cairo_error(cairo_surface_status(surface));
      cairo_surface_destroy(surface);
      if (pdf) cairo_surface_destroy(pdf);
      return false;
    }
    const bool raster = format == Format::png;
    cairo_t* cr = cairo_create(surface);
    prepare(cr, f, k, raster ? raster_left(f, k) : f.x0 * k, raster && !options.pen_colours);
    ColumnReducer reducer(0, k);  // pixel columns, by their plot x alone
    std::optional<LineRuns> runs;
    if (raster)
      runs.emplace(cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), options.threads);
    Painter painter(cr, fonts, runs ? &*runs : nullptr, raster && options.reduce_columns ? &reducer : nullptr,
                    options.pen_colours);
    PenState ps = starts[i];
    walk(source, pages[i], ps, painter);
    painter.finish();
    if (format == Format::pdf) cairo_show_page(cr);
    cairo_status_t status = cairo_status(cr);
    cairo_destroy(cr);
    std::string png_error;
    bool png_ok = true;
    if (status == CAIRO_STATUS_SUCCESS && raster) png_ok = write_png(surface, name, png_error, options.threads);
    if (format == Format::svg) {
      cairo_surface_finish(surface);
      if (status == CAIRO_STATUS_SUCCESS) status = cairo_surface_status(surface);
    }
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS || !png_ok) {
      error = png_ok ? name + ": " + cairo_error(status) : png_error;
      if (pdf) cairo_surface_destroy(pdf);
      return false;
    }
    if (format == Format::svg && !safeout::write_file(name, document, error)) return false;
    if (written && format != Format::pdf) written->push_back(name);
  }
  if (pdf) {
    cairo_surface_finish(pdf);
    const cairo_status_t status = cairo_surface_status(pdf);
    cairo_surface_destroy(pdf);
    if (status != CAIRO_STATUS_SUCCESS) {
      error = path + ": " + cairo_error(status);
      return false;
    }
    if (!safeout::write_file(path, document, error)) return false;
    if (written) written->push_back(path);
  }
  return true;
}

}  // namespace

bool check_options(const RenderOptions& o, std::string& error) {
  // Written so that NaN fails every test.
  if (!(o.dpi > 0 && o.dpi <= kMaxDpi)) {
    error = "resolution must be between 0 and 10000 dpi";
    return false;
  }
  if (!(o.margin >= 0 && o.margin <= kMaxMarginInches)) {
    error = "margin must be between 0 and 100 inches";
    return false;
  }
  if (!(o.page_width > 0 && o.page_width <= kMaxPageInches && o.page_height > 0 &&
        o.page_height <= kMaxPageInches)) {
    error = "page sides must be between 0 and 500 inches";
    return false;
  }
  if (!(o.max_pixels >= 1 && o.max_pixels <= kMaxRasterSide * kMaxRasterSide)) {
    error = "the pixel limit must be between 1 and 32767 x 32767";
    return false;
  }
  if (o.max_pages < 1) {
    error = "the page limit must be at least 1";
    return false;
  }
  return true;
}

Box page_bounds(const std::vector<Command>& commands, const Page& page, FontSet& fonts,
                int start_thickness, bool pen_colours) {
  return bounds_of(StoredCommands{commands}, page, fonts, start_thickness, pen_colours);
}

bool render_file(const std::vector<Command>& commands, const std::string& path,
                 const RenderOptions& options, FontSet& fonts, std::string& error,
                 std::vector<std::string>* written) {
  if (!check_options(options, error)) return false;
  PageSplitter splitter(options.max_pages);
  for (std::size_t i = 0; i < commands.size(); ++i) splitter.add(commands[i].op, i);
  std::vector<Page> pages = splitter.finish(commands.size());
  if (splitter.count() > pages.size()) {
    error = too_many_pages(options.max_pages, commands[splitter.first_unkept()].offset);
    return false;
  }
  return render_pages(StoredCommands{commands}, std::move(pages), path, options, fonts, error, written);
}

bool render_scanned(const uint8_t* data, const PlotScan& scan, const std::string& path,
                    const RenderOptions& options, FontSet& fonts, std::string& error,
                    std::vector<std::string>* written) {
  if (!scan.ok) {
    error = scan.error;
    return false;
  }
  if (scan.too_many_pages()) {
    error = too_many_pages(scan.pages.size(), scan.first_unkept);
    return false;
  }
  return render_pages(EncodedCommands{data}, scan.pages, path, options, fonts, error, written);
}

bool render_bytes(const uint8_t* data, std::size_t size, const std::string& path,
                  const RenderOptions& options, FontSet& fonts, std::string& error,
                  std::vector<std::string>* written) {
  if (!check_options(options, error)) return false;
  return render_scanned(data, scan(data, size, options.max_pages), path, options, fonts, error, written);
}

}  // namespace pltrender
