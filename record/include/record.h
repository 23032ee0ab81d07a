// Reading a seismogram record: a fixed-column text file of three header
// lines, a count line (aj, np, dt) and the samples, five to a line.
//
// Numeric fields are read by column position as a Fortran formatted read
// would read them: blanks ignored, implied decimals when the field has no
// decimal point, exponents in E, D or sign-only form.  Errors are returned
// as values carrying a diagnostic that names the file and line.
#ifndef TRACEL_RECORD_H
#define TRACEL_RECORD_H

#include <cstdint>
#include <cstdio>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace tracel {

// A numeric field: first column (counting from 1) and width in characters.
struct Field {
  int column;
  int width;
};

constexpr int kHeaderLines = 3;          // lines 1-3: text, skipped
constexpr int kImpliedDecimals = 5;      // every real field is F-format, 5 decimals

// Line 4, the count line.
constexpr Field kAjField{1, 15};         // aj: real, 15 wide, not used
constexpr Field kNpField{16, 5};         // np: integer, 5 wide, the sample count
constexpr Field kDtField{21, 15};        // dt: real, 15 wide, sampling interval (s)

// Lines 5 and on: five samples to a line, each a real 16 wide, from column 1.
constexpr int kSamplesPerLine = 5;
constexpr int kSampleWidth = 16;
constexpr Field sample_field(int k) { return {1 + k * kSampleWidth, kSampleWidth}; }

// Sample capacity of the program's arrays; the 5-wide count field holds at
// most 99999, so a well-formed record always fits.
constexpr std::int32_t kMaxSamples = 2000000;

// Longest line read, line end excluded: far more than any record needs (a
// sample line has 80 columns), yet a file without line ends, such as
// /dev/zero, is refused after a bounded read.
constexpr std::size_t kMaxLineLength = std::size_t{1} << 24;  // 16,777,216

// The record file name takes the first 20 characters typed.
constexpr std::size_t kNameWidth = 20;

// Why a numeric field could not be read.
struct FieldError {
  int offset = 0;            // offset of the offending character in the field
  const char* what = "";     // short description
  bool bad_char = false;     // the character at `offset` is not allowed
};

// Reads a real field of `implied` implied decimals.  On failure returns
// false and fills `err`; `out` is then unchanged.  Rounding to float is
// exact (round to nearest, ties to even) from the field's decimal value.
bool parse_real(std::string_view field, int implied, float& out, FieldError& err);

// Reads an integer field (optional sign and digits, blanks ignored).
bool parse_int(std::string_view field, std::int32_t& out, FieldError& err);

// The characters of `line` in columns f.column .. f.column+f.width-1; a line
// shorter than that gives the part it has (the rest counts as blanks).
std::string_view field_text(std::string_view line, Field f);

// What the count line says.
struct CountLine {
  float aj = 0.0f;
  std::int32_t np = 0;
  float dt = 0.0f;
};

// Outcome of reading a record: ok, or a one-line diagnostic
// ("FILE:LINE: what went wrong", no trailing newline).
struct ReadResult {
  bool ok = true;
  std::string message;
  explicit operator bool() const { return ok; }
};

// Reads the record file `path` from its start: the header, the count line
// into `count`, and samples y[0] .. y[np-1] into `y`.  Nothing is stored in
// `y` past np.  A record with more samples than `y` holds is refused, as is
// a line longer than kMaxLineLength.  Memory use does not grow with the
// length of a line.  The
// file is only opened for reading: a missing file is not created.  The
// diagnostic shows `path` through printable_text; a path holding a NUL byte
// names no file and is refused.
ReadResult read_record(const std::string& path, CountLine& count, std::span<float> y);

// The same from an open stream, from its current position; `path` names it
// in the diagnostic.
ReadResult read_record(std::FILE* file, const std::string& path, CountLine& count, std::span<float> y);

// The time of each sample: x[i] = float(i) * dt in single precision, for
// i = 0 .. np-1 (nothing when np <= 0).
void fill_times(std::int32_t np, float dt, std::span<float> x);

// The line typed at the prompt, read from `in` without its line end ("\n"
// or "\r\n").  Nothing at the end of input, nor for a line longer than
// kMaxLineLength (then `too_long` is set).
std::optional<std::string> read_typed_line(std::istream& in, bool& too_long);

// `text` as shown in messages: every byte outside printable ASCII (a NUL, a
// control character) written as 0xNN.
std::string printable_text(std::string_view text);

// The record file name from the line typed at the prompt (without its
// newline): its first 20 characters without trailing blanks.  `cut` tells
// whether the typed name, without trailing blanks, was longer than that.
std::string record_name(std::string_view typed, bool& cut);

}  // namespace tracel

#endif
