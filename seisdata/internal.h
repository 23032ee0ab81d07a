// Helpers shared by the SAC and miniSEED readers.
#ifndef SEISDATA_INTERNAL_H
#define SEISDATA_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace seisdata {

// True when the version word of a SAC header is plausible in either byte
// order.
bool looks_like_sac(const std::uint8_t* data, std::size_t size);

// An identifier part from a fixed-width header field: up to the first NUL,
// trailing blanks dropped, characters outside printable ASCII and blanks
// inside the code, and backslashes (markup in titles), turned into '_'.
std::string clean_code(std::string_view field);

// A sampling interval that the count line holds and tracel uses: a
// positive normal float.  Otherwise false with the reason in `why`.
bool usable_interval(float dt, std::string& why);

// Whether a trace of `count` samples at `rate` per second from `start_us`
// begins and ends within kFirstTimeUs .. kLastTimeUs.  Otherwise false with
// the reason in `why`.
bool time_span_ok(std::int64_t start_us, double rate, std::size_t count, std::string& why);

// The number of days in a year of the Gregorian calendar.
int days_in_year(int year);

}  // namespace seisdata

#endif
