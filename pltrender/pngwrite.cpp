#include "pngwrite.h"

#include "safeout.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pltrender {

namespace {

// zlib level 1, rows unfiltered: deflate finds line art's blank runs as
// they are, and the "up" filter, which turns rows equal to the one above
// into zeros, made dense pictures (a day plot, a record section) a third
// larger and half as fast again to compress.
constexpr int kCompressionLevel = 1;
constexpr int kRowFilter = PNG_FILTER_NONE;

uint32_t pixel(const unsigned char* row, int x) {
  uint32_t p;
  std::memcpy(&p, row + 4 * static_cast<std::size_t>(x), sizeof p);
  return p;
}

bool all_grey(const unsigned char* data, int width, int height, int stride) {
  for (int y = 0; y < height; ++y) {
    const unsigned char* row = data + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixel(row, x);
      const uint32_t b = p & 255u;
      if (((p >> 8) & 255u) != b || ((p >> 16) & 255u) != b) return false;
    }
  }
  return true;
}

enum class Layout { ink, grey, rgb };

void to_row(const unsigned char* row, int width, Layout layout, unsigned char* out) {
  if (layout == Layout::ink) {
    for (int x = 0; x < width; ++x) out[x] = static_cast<unsigned char>(255 - row[x]);
    return;
  }
  const bool grey = layout == Layout::grey;
  for (int x = 0; x < width; ++x) {
    const uint32_t p = pixel(row, x);
    if (grey) {
      out[x] = static_cast<unsigned char>(p & 255u);
    } else {
      out[3 * x] = static_cast<unsigned char>((p >> 16) & 255u);
      out[3 * x + 1] = static_cast<unsigned char>((p >> 8) & 255u);
      out[3 * x + 2] = static_cast<unsigned char>(p & 255u);
    }
  }
}

struct ErrorText {
  char text[200] = {};
};

void on_error(png_structp png, png_const_charp message) {
  auto* e = static_cast<ErrorText*>(png_get_error_ptr(png));
  std::snprintf(e->text, sizeof e->text, "%s", message);
  png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// The libpng calls; longjmp on error lands here, with no C++ object of
// this frame left to destroy.
bool encode(std::FILE* out, const unsigned char* data, int width, int height, int stride, Layout layout,
            unsigned char* row, ErrorText& err) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &err, on_error, on_warning);
  if (png == nullptr) {
    std::snprintf(err.text, sizeof err.text, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    if (info == nullptr) std::snprintf(err.text, sizeof err.text, "out of memory");
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               layout == Layout::rgb ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_compression_level(png, kCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, kRowFilter);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    to_row(data + static_cast<std::size_t>(y) * stride, width, layout, row);
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool write_png(cairo_surface_t* surface, const std::string& path, std::string& error) {
  const cairo_format_t format = cairo_image_surface_get_format(surface);
  if (format != CAIRO_FORMAT_A8 && format != CAIRO_FORMAT_RGB24) {
    error = path + ": PNG output needs an A8 or RGB24 image";
    return false;
  }
  cairo_surface_flush(surface);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const Layout layout = format == CAIRO_FORMAT_A8            ? Layout::ink
                        : all_grey(data, width, height, stride) ? Layout::grey
                                                                : Layout::rgb;
  std::vector<unsigned char> row(static_cast<std::size_t>(width) * (layout == Layout::rgb ? 3 : 1));
  // Encoded in memory, then written as safeout writes files.
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  if (out == nullptr) {
    error = path + ": cannot encode in memory: " + std::strerror(errno);
    return false;
  }
  ErrorText err;
  const bool encoded = encode(out, data, width, height, stride, layout, row.data(), err);
  const bool closed = std::fclose(out) == 0;
  const std::string bytes = encoded && closed ? std::string(buffer, size) : std::string();
  std::free(buffer);
  if (!encoded || !closed) {
    error = path + ": " + (encoded ? "out of memory encoding the picture" : err.text);
    return false;
  }
  return safeout::write_file(path, bytes, error);
}

}  // namespace pltrender
