// PNG output of a rendered page with libpng and zlib, with fast compression
// and the row filter that suits line art.  A page of black ink on white, drawn as
// an A8 surface of ink coverage, is written as 8-bit grey 255 - coverage;
// an RGB24 page as 8-bit grey when every pixel is grey, else as 8-bit RGB.
// Either way the decoded pixels are exactly those of the surface.
#ifndef PLTRENDER_PNGWRITE_H
#define PLTRENDER_PNGWRITE_H

#include <cairo.h>

#include <string>

namespace pltrender {

// Writes an A8 or RGB24 image surface to `path` (encoded in memory, then
// written with safeout::write_file), compressed on `threads` threads;
// false with a message in `error`.
bool write_png(cairo_surface_t* surface, const std::string& path, std::string& error, int threads = 1);

}  // namespace pltrender

#endif
