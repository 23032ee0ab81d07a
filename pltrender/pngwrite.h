// PNG output of a rendered page with libpng.  A black-on-white page is
// written as 8-bit grey (one byte a pixel instead of four), with fast
// compression and the row filter that suits line art; a page with any
// colour in it as 8-bit RGB.  Either way the decoded pixels are exactly
// those of the surface.
#ifndef PLTRENDER_PNGWRITE_H
#define PLTRENDER_PNGWRITE_H

#include <cairo.h>

#include <string>

namespace pltrender {

// Writes an RGB24 image surface to `path`; false with a message in `error`.
bool write_png(cairo_surface_t* surface, const std::string& path, std::string& error);

}  // namespace pltrender

#endif
