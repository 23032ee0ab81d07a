#include "record.h"

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace tracel {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Powers of ten that a double holds exactly (5^22 < 2^53).
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                  1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Significant digits kept from a mantissa.  Beyond this a nonzero digit only
// marks the value as lying above the kept digits, which is all that correct
// rounding to float needs (every float rounding boundary has fewer digits).
constexpr int kMaxDigits = 128;

// The float nearest to the value m * 10^e10, when one double operation
// finds it: m below 2^53 and 10^|e10| (at most 10^22) are exact doubles, so
// the product or quotient r is the double nearest to the value (Clinger).
// Narrowing r to float is then correctly rounded too, unless r lies exactly
// halfway between two floats: every such midpoint is a double, so none can
// lie strictly between the value and r.  Returns false for that case, for
// values outside the normal float range, and when the operands are not exact.
bool exact_float(std::uint64_t m, long e10, float& out) {
  if (m >= (std::uint64_t{1} << 53) || e10 < -22 || e10 > 22) return false;
  const double dm = static_cast<double>(m);
  const double r = e10 >= 0 ? dm * kExactPow10[e10] : dm / kExactPow10[-e10];
  if (!(r >= 0x1p-126 && r <= 0x1.fffffep127)) return false;
  // A midpoint has exactly the 29 bits below float precision equal to 1000...0.
  const auto bits = std::bit_cast<std::uint64_t>(r);
  if ((bits & 0x1FFFFFFFu) == 0x10000000u) return false;
  out = static_cast<float>(r);
  return true;
}

// The common field, read in one tight pass: blanks, an optional sign,
// digits with at most one decimal point, blanks.  Returns false for
// anything else (blanks inside, exponents, bad characters, long or
// out-of-range values), which the full reader then handles.
bool parse_plain_real(std::string_view field, int implied, float& out) {
  const char* p = field.data();
  const std::size_t n = field.size();
  std::size_t i = 0;
  while (i < n && p[i] == ' ') ++i;
  bool negative = false;
  if (i < n && (p[i] == '-' || p[i] == '+')) negative = (p[i++] == '-');
  std::uint64_t m = 0;
  int nd = 0, frac = 0;
  bool point = false, any_digit = false;
  for (; i < n; ++i) {
    const unsigned d = static_cast<unsigned char>(p[i]) - unsigned{'0'};
    if (d < 10) {
      any_digit = true;
      if (m != 0 || d != 0) {
        if (++nd > 16) return false;
        m = m * 10 + d;
      }
      frac += point;
    } else if (p[i] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  while (i < n && p[i] == ' ') ++i;
  if (i != n || !any_digit) return false;
  float v = 0.0f;
  if (m != 0 && !exact_float(m, point ? -frac : -implied, v)) return false;
  out = negative ? -v : v;
  return true;
}

}  // namespace

bool parse_real(std::string_view field, int implied, float& out, FieldError& err) {
  if (parse_plain_real(field, implied, out)) return true;

  enum class State { sign, mantissa, exp_sign, exp_digits };
  State st = State::sign;

  char digits[kMaxDigits + 1];
  int nd = 0;            // significant digits kept, leading zeros dropped
  bool sticky = false;   // a nonzero digit was dropped past kMaxDigits
  int dropped = 0;       // integer-part digits dropped past kMaxDigits
  int frac = 0;          // digits after the decimal point (kept or leading zeros)
  bool negative = false, any_digit = false, point = false;
  bool have_exp = false, exp_digit = false, exp_negative = false;
  long exp = 0;
  int last = 0;          // offset of the last nonblank character

  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    last = static_cast<int>(i);
    switch (st) {
      case State::sign:
        st = State::mantissa;
        if (c == '+' || c == '-') {
          negative = (c == '-');
          continue;
        }
        [[fallthrough]];
      case State::mantissa:
        if (is_digit(c)) {
          any_digit = true;
          if (nd == 0 && c == '0') {
            if (point) ++frac;
          } else if (nd < kMaxDigits) {
            digits[nd++] = c;
            if (point) ++frac;
          } else {
            if (c != '0') sticky = true;
            if (!point) ++dropped;
          }
        } else if (c == '.' && !point) {
          point = true;
        } else if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
          have_exp = true;
          st = State::exp_sign;
        } else if (c == '+' || c == '-') {
          // Sign-only exponent form: "1.5+3" is 1.5E+3.
          have_exp = true;
          exp_negative = (c == '-');
          st = State::exp_digits;
        } else {
          err = {static_cast<int>(i), "unexpected character", true};
          return false;
        }
        break;
      case State::exp_sign:
        st = State::exp_digits;
        if (c == '+' || c == '-') {
          exp_negative = (c == '-');
          continue;
        }
        [[fallthrough]];
      case State::exp_digits:
        if (!is_digit(c)) {
          err = {static_cast<int>(i), "unexpected character", true};
          return false;
        }
        exp_digit = true;
        // Saturate: far beyond any float's range, the result is the same.
        if (exp < 100000) exp = exp * 10 + (c - '0');
        break;
    }
  }

  if (!any_digit) {
    if (point || have_exp) {
      err = {last, "no digits in number"};
      return false;
    }
    out = negative ? -0.0f : 0.0f;  // wholly blank, or a sign alone
    return true;
  }
  if (have_exp && !exp_digit) {
    err = {last, "exponent without digits"};
    return false;
  }
  if (nd == 0) {
    out = negative ? -0.0f : 0.0f;
    return true;
  }

  // value = digits * 10^e10; without a decimal point the last `implied`
  // digits are the fraction.
  long e10 = (exp_negative ? -exp : exp) - (point ? frac : implied) + dropped;

  if (!sticky) {
    // Trailing zeros of the digits go into the exponent.
    while (nd > 1 && digits[nd - 1] == '0') {
      --nd;
      ++e10;
    }
    if (nd <= 16) {
      std::uint64_t m = 0;
      for (int k = 0; k < nd; ++k) m = m * 10 + static_cast<unsigned>(digits[k] - '0');
      float v = 0.0f;
      if (exact_float(m, e10, v)) {
        out = negative ? -v : v;
        return true;
      }
    }
  }

  // General case: a clean decimal string, rounded by strtof.
  char text[kMaxDigits + 32];
  int n = 0;
  if (negative) text[n++] = '-';
  std::memcpy(text + n, digits, static_cast<std::size_t>(nd));
  n += nd;
  if (sticky) {
    text[n++] = '1';
    --e10;
  }
  std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), "e%ld", e10);
  const float v = std::strtof(text, nullptr);
  if (std::isinf(v)) {
    err = {last, "value too large for a 32-bit real"};
    return false;
  }
  out = v;
  return true;
}

bool parse_int(std::string_view field, std::int32_t& out, FieldError& err) {
  bool seen_sign = false, negative = false, any_digit = false;
  std::int64_t value = 0;
  for (std::size_t i = 0; i < field.size(); ++i) {
    const char c = field[i];
    if (c == ' ') continue;
    if ((c == '+' || c == '-') && !seen_sign && !any_digit) {
      seen_sign = true;
      negative = (c == '-');
    } else if (is_digit(c)) {
      any_digit = true;
      value = value * 10 + (c - '0');
      if (value > INT32_MAX) {
        err = {static_cast<int>(i), "integer too large"};
        return false;
      }
    } else {
      err = {static_cast<int>(i), "unexpected character", true};
      return false;
    }
  }
  out = static_cast<std::int32_t>(negative ? -value : value);
  return true;
}

std::string_view field_text(std::string_view line, Field f) {
  const std::size_t start = static_cast<std::size_t>(f.column - 1);
  if (start >= line.size()) return {};
  return line.substr(start, static_cast<std::size_t>(f.width));
}

namespace {

// Lines of a file through one large buffer: few reads, no copies of the
// lines themselves.  A line longer than the buffer keeps its first
// kKeepColumns characters, more than any field reaches.
class LineReader {
 public:
  explicit LineReader(std::FILE* f) : file_(f), buf_(new char[kBufSize]) {}

  // The next line without its line end ("\n" or "\r\n"); false at the end
  // of the file or on a read error (see error()).
  bool next(std::string_view& line) {
    for (;;) {
      const std::size_t avail = end_ - pos_;
      char* start = buf_.get() + pos_;
      if (auto* nl = static_cast<char*>(std::memchr(start, '\n', avail))) {
        const std::size_t len = static_cast<std::size_t>(nl - start);
        pos_ += len + 1;
        line = trim_cr({start, len});
        return true;
      }
      if (eof_) {
        if (avail == 0) return false;
        pos_ = end_;  // a last line without its newline
        line = trim_cr({start, avail});
        return true;
      }
      if (pos_ > 0) {
        std::memmove(buf_.get(), start, avail);
        pos_ = 0;
        end_ = avail;
      }
      if (end_ == kBufSize) return long_line(line);
      fill();
    }
  }

  int error() const { return errno_; }

 private:
  static constexpr std::size_t kBufSize = std::size_t{1} << 18;
  static constexpr std::size_t kKeepColumns = 256;

  static std::string_view trim_cr(std::string_view s) {
    if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
    return s;
  }

  // Appends what the next read gives; sets eof_ at the end or on error.
  void fill() {
    const std::size_t n = std::fread(buf_.get() + end_, 1, kBufSize - end_, file_);
    if (n == 0) {
      eof_ = true;
      if (std::ferror(file_)) errno_ = errno ? errno : EIO;
    }
    end_ += n;
  }

  // The buffer is full without a newline: keep the line's first columns
  // and skip the rest of it.
  bool long_line(std::string_view& line) {
    std::memcpy(keep_, buf_.get(), kKeepColumns);
    line = {keep_, kKeepColumns};
    for (;;) {
      pos_ = end_ = 0;
      fill();
      if (eof_) return true;
      if (auto* nl = static_cast<char*>(std::memchr(buf_.get(), '\n', end_))) {
        pos_ = static_cast<std::size_t>(nl - buf_.get()) + 1;
        return true;
      }
    }
  }

  std::FILE* file_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  int errno_ = 0;
  char keep_[kKeepColumns];
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string printable(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0x20 && u < 0x7f) return {'\'', c, '\''};
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", u);
  return hex;
}

}  // namespace

ReadResult read_record(const std::string& path, CountLine& count, std::span<float> y) {
  int lineno = 0;
  auto fail = [&](const std::string& what) {
    return ReadResult{false, path + ":" + std::to_string(lineno) + ": " + what};
  };

  lineno = 1;  // a file that cannot be opened fails at its first read
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
  if (!file) return fail(std::string("cannot open record file: ") + std::strerror(errno));
  // The reader has its own large buffer; the stream needs none.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);

  LineReader reader(file.get());
  std::string_view line;
  lineno = 0;
  auto next = [&] {
    ++lineno;
    return reader.next(line);
  };
  // The failure of next(): a read error, or the end of the file before
  // the line that holds `expected`.
  auto ended = [&](const std::string& expected) {
    if (reader.error() != 0) return fail(std::string("read error: ") + std::strerror(reader.error()));
    return fail("file ends before " + expected);
  };
  auto field_fail = [&](const std::string& name, Field f, const FieldError& e) {
    const std::string_view text = field_text(line, f);
    std::string what = name;
    what += " (columns ";
    what += std::to_string(f.column);
    what += '-';
    what += std::to_string(f.column + f.width - 1);
    what += "): ";
    what += e.what;
    if (e.bad_char) {
      what += ' ';
      what += printable(text[static_cast<std::size_t>(e.offset)]);
    }
    what += " in column ";
    what += std::to_string(f.column + e.offset);
    return fail(what);
  };

  for (int h = 1; h <= kHeaderLines; ++h)
    if (!next()) return ended("header line " + std::to_string(h));

  if (!next()) return ended("the count line");
  FieldError e;
  CountLine c;
  if (!parse_real(field_text(line, kAjField), kImpliedDecimals, c.aj, e))
    return field_fail("count line field aj", kAjField, e);
  if (!parse_int(field_text(line, kNpField), c.np, e))
    return field_fail("count line field np", kNpField, e);
  if (!parse_real(field_text(line, kDtField), kImpliedDecimals, c.dt, e))
    return field_fail("count line field dt", kDtField, e);
  if (c.np > 0 && static_cast<std::size_t>(c.np) > y.size())
    return fail("sample count " + std::to_string(c.np) + " exceeds the " +
                std::to_string(y.size()) + " samples the program holds");

  if (c.np <= 0) {
    // No sample is stored, yet the sample read still takes one line.
    if (!next()) return ended("the sample lines");
  } else {
    for (std::int32_t i = 0; i < c.np; ++i) {
      const int k = static_cast<int>(i % kSamplesPerLine);
      if (k == 0 && !next())
        return ended("sample " + std::to_string(i + 1) + " of " + std::to_string(c.np));
      const Field f = sample_field(k);
      if (!parse_real(field_text(line, f), kImpliedDecimals, y[static_cast<std::size_t>(i)], e))
        return field_fail("sample " + std::to_string(i + 1), f, e);
    }
  }
  count = c;
  return {};
}

void fill_times(std::int32_t np, float dt, std::span<float> x) {
  for (std::int32_t i = 0; i < np; ++i)
    x[static_cast<std::size_t>(i)] = static_cast<float>(i) * dt;
}

std::string record_name(std::string_view typed, bool& cut) {
  auto strip = [](std::string_view s) {
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  cut = strip(typed).size() > kNameWidth;
  return std::string(strip(typed.substr(0, kNameWidth)));
}

}  // namespace tracel
