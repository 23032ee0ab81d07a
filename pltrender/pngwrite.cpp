#include "pngwrite.h"

#include "safeout.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <parallel/parallel.h>

namespace pltrender {

namespace {

// zlib level 1, rows unfiltered: deflate finds line art's blank runs as
// they are, and the "up" filter, which turns rows equal to the one above
// into zeros, made dense pictures (a day plot, a record section) a third
// larger and half as fast again to compress.
constexpr int kCompressionLevel = 1;
constexpr unsigned char kRowFilter = 0;  // "none", before each row

// The rows are compressed in stripes, each on its own, so that several
// threads can share the work; the picture's bytes do not depend on how
// many do.
constexpr int kStripeRows = 64;
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;  // image data per IDAT chunk
constexpr unsigned char kZlibHeader[2] = {0x78, 0x01};      // deflate, 32 KiB window, fastest

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

// One stripe of rows: its bytes as the image data holds them (each row
// after its filter byte) in a raw deflate stream, ended on a byte boundary
// with a sync flush, or finished for the last stripe; and their Adler-32.
struct Stripe {
  std::vector<unsigned char> deflated;
  uLong adler = 0;
  uLong length = 0;
  bool ok = false;
};

Stripe deflate_stripe(const unsigned char* data, int width, int stride, int first, int end, Layout layout,
                      bool last) {
  Stripe out;
  const std::size_t row_bytes = static_cast<std::size_t>(width) * (layout == Layout::rgb ? 3 : 1);
  std::vector<unsigned char> rows(static_cast<std::size_t>(end - first) * (1 + row_bytes));
  for (int y = first; y < end; ++y) {
    unsigned char* row = rows.data() + static_cast<std::size_t>(y - first) * (1 + row_bytes);
    row[0] = kRowFilter;
    to_row(data + static_cast<std::size_t>(y) * stride, width, layout, row + 1);
  }
  out.length = static_cast<uLong>(rows.size());
  out.adler = adler32(adler32(0, nullptr, 0), rows.data(), static_cast<uInt>(rows.size()));
  z_stream z{};
  if (deflateInit2(&z, kCompressionLevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return out;
  // Room for the worst case and the flush's empty block.
  out.deflated.resize(deflateBound(&z, static_cast<uLong>(rows.size())) + 16);
  z.next_in = rows.data();
  z.avail_in = static_cast<uInt>(rows.size());
  z.next_out = out.deflated.data();
  z.avail_out = static_cast<uInt>(out.deflated.size());
  const int rc = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
  out.ok = (last ? rc == Z_STREAM_END : rc == Z_OK) && z.avail_in == 0;
  out.deflated.resize(out.deflated.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// The zlib stream of the image data: the header, the stripes' deflate
// streams in order and the Adler-32 of all rows; empty when zlib failed.
std::vector<unsigned char> image_data(const unsigned char* data, int width, int height, int stride, Layout layout,
                                      int threads) {
  const auto stripes = static_cast<std::size_t>((height + kStripeRows - 1) / kStripeRows);
  std::vector<Stripe> parts(stripes);
  parallel::for_each(stripes, threads, [&](std::size_t k, int) {
    const int first = static_cast<int>(k) * kStripeRows;
    parts[k] = deflate_stripe(data, width, stride, first, std::min(height, first + kStripeRows), layout,
                              k + 1 == stripes);
  });
  std::vector<unsigned char> stream(std::begin(kZlibHeader), std::end(kZlibHeader));
  uLong adler = adler32(0, nullptr, 0);
  for (const Stripe& p : parts) {
    if (!p.ok) return {};
    stream.insert(stream.end(), p.deflated.begin(), p.deflated.end());
    adler = adler32_combine(adler, p.adler, static_cast<z_off_t>(p.length));
  }
  for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<unsigned char>(adler >> shift));
  return stream;
}

// The libpng calls: the header, the image data in IDAT chunks, the end.
// longjmp on error lands here, with no C++ object of this frame left to
// destroy.
bool encode(std::FILE* out, int width, int height, Layout layout, const std::vector<unsigned char>& idat,
            ErrorText& err) {
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
  png_write_info(png, info);
  static constexpr png_byte kIdat[5] = "IDAT", kIend[5] = "IEND";
  for (std::size_t at = 0; at < idat.size(); at += kChunkBytes)
    png_write_chunk(png, kIdat, idat.data() + at, std::min(kChunkBytes, idat.size() - at));
  png_write_chunk(png, kIend, nullptr, 0);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool write_png(cairo_surface_t* surface, const std::string& path, std::string& error, int threads) {
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
  const std::vector<unsigned char> idat = image_data(data, width, height, stride, layout, threads);
  if (idat.empty()) {
    error = path + ": the picture cannot be compressed";
    return false;
  }
  // Encoded in memory, then written as safeout writes files.
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&buffer, &size);
  if (out == nullptr) {
    error = path + ": cannot encode in memory: " + std::strerror(errno);
    return false;
  }
  ErrorText err;
  const bool encoded = encode(out, width, height, layout, idat, err);
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
