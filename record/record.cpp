#include "record.h"

#include "decimal.h"
#include "plain_field.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <streambuf>

namespace tracel {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Offset of the last nonblank character of the field (0 if none).
int last_nonblank(std::string_view field) {
  const std::size_t k = field.find_last_not_of(' ');
  return k == std::string_view::npos ? 0 : static_cast<int>(k);
}

// Any form of a real field, by the field's rules; the number they leave is
// the significant digits times a power of ten.
bool parse_general_real(std::string_view field, int implied, float& out, FieldError& err) {
  decimal::SignificantDigits digits(field.size());
  const std::size_t n = field.size();
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < n && field[i] == ' ') ++i;
  };
  auto unexpected = [&] {
    err = {static_cast<int>(i), "unexpected character", true};
    return false;
  };

  // Sign and mantissa: digits with at most one decimal point.
  bool negative = false;
  skip_blanks();
  if (i < n && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';
  long long frac = 0;   // digits after the decimal point
  bool any_digit = false, point = false;
  for (; i < n; ++i) {
    const char c = field[i];
    if (is_digit(c)) {
      any_digit = true;
      digits.push(c);
      frac += point;
    } else if (c == '.' && !point) {
      point = true;
    } else if (c != ' ') {
      break;
    }
  }

  // Exponent: E or D and an optionally signed integer, or a sign and an
  // integer ("1.5+3" is 1.5E+3).
  bool have_exp = false, exp_digit = false, exp_negative = false;
  long long exp = 0;
  if (i < n) {
    const char c = field[i++];
    have_exp = true;
    if (c == 'E' || c == 'e' || c == 'D' || c == 'd') {
      skip_blanks();
      if (i < n && (field[i] == '+' || field[i] == '-')) exp_negative = field[i++] == '-';
    } else if (c == '+' || c == '-') {
      exp_negative = c == '-';
    } else {
      --i;
      return unexpected();
    }
    for (; i < n; ++i) {
      const char d = field[i];
      if (is_digit(d)) {
        exp_digit = true;
        if (exp < decimal::kExponentCap) exp = exp * 10 + (d - '0');
      } else if (d != ' ') {
        return unexpected();
      }
    }
  }

  const int last = last_nonblank(field);
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
  if (digits.count() == 0) {
    out = negative ? -0.0f : 0.0f;
    return true;
  }

  // value = digits * 10^e10; without a decimal point the last `implied`
  // digits are the fraction.
  const long long e10 = (exp_negative ? -exp : exp) - (point ? frac : implied);
  const std::optional<float> v = digits.times_power_of_ten(e10);
  if (!v) {
    err = {last, "value too large for a 32-bit real"};
    return false;
  }
  out = negative ? -*v : *v;
  return true;
}

}  // namespace

bool parse_real(std::string_view field, int implied, float& out, FieldError& err) {
  return plain::read(field, out) || parse_general_real(field, implied, out, err);
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
  // of the file, on a read error (see error()) or for a line too long
  // (see too_long()).
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

  // next() refused a line longer than kMaxLineLength.
  bool too_long() const { return too_long_; }

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
  // and skip the rest of it, refusing the line past kMaxLineLength.
  bool long_line(std::string_view& line) {
    std::memcpy(keep_, buf_.get(), kKeepColumns);
    line = {keep_, kKeepColumns};
    std::size_t length = end_;
    for (;;) {
      pos_ = end_ = 0;
      fill();
      if (eof_) break;
      if (auto* nl = static_cast<char*>(std::memchr(buf_.get(), '\n', end_))) {
        pos_ = static_cast<std::size_t>(nl - buf_.get()) + 1;
        length += pos_ - 1;
        break;
      }
      length += end_;
      if (length > kMaxLineLength) break;
    }
    if (length <= kMaxLineLength) return true;
    too_long_ = true;
    return false;
  }

  std::FILE* file_;
  std::unique_ptr<char[]> buf_;
  std::size_t pos_ = 0, end_ = 0;
  bool eof_ = false;
  bool too_long_ = false;
  int errno_ = 0;
  char keep_[kKeepColumns];
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool is_printable(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u >= 0x20 && u < 0x7f;
}

std::string hex_byte(char c) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(c));
  return hex;
}

// A character in a diagnostic: quoted when printable, else 0xNN.
std::string printable(char c) { return is_printable(c) ? std::string{'\'', c, '\''} : hex_byte(c); }

}  // namespace

ReadResult read_record(const std::string& path, CountLine& count, std::span<float> y) {
  // A file that cannot be opened fails at its first read, line 1.
  auto fail = [&](const std::string& what) { return ReadResult{false, printable_text(path) + ":1: " + what}; };
  if (path.find('\0') != std::string::npos) return fail("cannot open record file: a NUL byte in its name");
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r"));
  if (!file) return fail(std::string("cannot open record file: ") + std::strerror(errno));
  // The reader has its own large buffer; the stream needs none.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return read_record(file.get(), path, count, y);
}

ReadResult read_record(std::FILE* file, const std::string& path, CountLine& count, std::span<float> y) {
  int lineno = 0;
  auto fail = [&](const std::string& what) {
    return ReadResult{false, printable_text(path) + ":" + std::to_string(lineno) + ": " + what};
  };

  LineReader reader(file);
  std::string_view line;
  lineno = 0;
  auto next = [&] {
    ++lineno;
    return reader.next(line);
  };
  // The failure of next(): a line too long, a read error, or the end of
  // the file before the line that holds `expected`.
  auto ended = [&](const std::string& expected) {
    if (reader.too_long())
      return fail("line longer than " + std::to_string(kMaxLineLength) + " characters");
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
      const std::string_view text = field_text(line, f);
      float& sample = y[static_cast<std::size_t>(i)];
      // The common form inline: a call per sample costs more than reading it.
      if (!plain::read(text, sample) && !parse_general_real(text, kImpliedDecimals, sample, e))
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

std::optional<std::string> read_typed_line(std::istream& in, bool& too_long) {
  std::streambuf& buf = *in.rdbuf();
  std::string line;
  too_long = false;
  for (int c = buf.sbumpc(); c != '\n'; c = buf.sbumpc()) {
    if (c == std::char_traits<char>::eof()) {
      if (line.empty()) return std::nullopt;
      break;
    }
    if (line.size() == kMaxLineLength) {
      too_long = true;
      return std::nullopt;
    }
    line.push_back(static_cast<char>(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string printable_text(std::string_view text) {
  std::string shown;
  for (const char c : text) shown += is_printable(c) ? std::string(1, c) : hex_byte(c);
  return shown;
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
