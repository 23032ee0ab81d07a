// The record reader: numeric fields, the record layout and its bad inputs.
#include "record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using tracel::CountLine;
using tracel::FieldError;
using tracel::parse_int;
using tracel::parse_real;
using tracel::read_record;
using tracel::ReadResult;

namespace {

float real(std::string_view field, int implied = 5) {
  float v = -999.0f;
  FieldError e;
  EXPECT_TRUE(parse_real(field, implied, v, e)) << "field '" << field << "': " << e.what;
  return v;
}

FieldError real_error(std::string_view field) {
  float v = 42.0f;
  FieldError e;
  EXPECT_FALSE(parse_real(field, 5, v, e)) << "field '" << field << "' read as " << v;
  EXPECT_EQ(v, 42.0f) << "output changed on failure";
  return e;
}

float ref(const char* text) { return std::strtof(text, nullptr); }

// A sample field: `s` right-aligned in 16 columns.
std::string f16(const std::string& s) { return std::string(16 - s.size(), ' ') + s; }

const std::string kHeader = "header one\nheader two\nheader three\n";

// A count line: aj in 1-15, np in 16-20, dt in 21-35.
std::string count_line(const std::string& aj, const std::string& np, const std::string& dt) {
  auto right = [](const std::string& s, std::size_t w) { return std::string(w - s.size(), ' ') + s; };
  return right(aj, 15) + right(np, 5) + right(dt, 15) + "\n";
}

class RecordFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("tracel_record_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    y_.assign(1000, -7.0f);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string write(const std::string& content, const std::string& name = "rec") {
    const fs::path p = dir_ / name;
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
  }

  ReadResult read(const std::string& content) {
    path_ = write(content);
    return read_record(path_, count_, y_);
  }

  fs::path dir_;
  std::string path_;
  CountLine count_;
  std::vector<float> y_;
};

}  // namespace

// ---- numeric fields ------------------------------------------------------

TEST(ParseReal, OnePointFiveThreeWays) {
  EXPECT_EQ(real("             1.5"), 1.5f);
  EXPECT_EQ(real("          0.15E1"), 1.5f);
  EXPECT_EQ(real("          150000"), 1.5f);
}

TEST(ParseReal, ImpliedDecimalsApplyBeforeTheExponent) {
  EXPECT_EQ(real("           15E-1"), ref("1.5e-5"));
  EXPECT_EQ(real("12345"), ref("0.12345"));
  EXPECT_EQ(real("-25"), ref("-0.00025"));
  EXPECT_EQ(real("7"), ref("0.00007"));
}

TEST(ParseReal, ExponentForms) {
  EXPECT_EQ(real("1.5E3"), 1500.0f);
  EXPECT_EQ(real("1.5e3"), 1500.0f);
  EXPECT_EQ(real("1.5D2"), 150.0f);
  EXPECT_EQ(real("1.5d+2"), 150.0f);
  EXPECT_EQ(real("1.5+3"), 1500.0f);
  EXPECT_EQ(real("1.5-3"), ref("1.5e-3"));
  EXPECT_EQ(real("-2.5E-2"), ref("-0.025"));
  EXPECT_EQ(real("150000+1"), 15.0f);  // implied decimals, sign-only exponent
  EXPECT_EQ(real(".5E0"), 0.5f);
  EXPECT_EQ(real("5.E0"), 5.0f);
}

TEST(ParseReal, BlanksAnywhereAreIgnored) {
  EXPECT_EQ(real(" - 1 . 5 E + 1 "), -15.0f);
  EXPECT_EQ(real("1 50000"), 1.5f);
  EXPECT_EQ(real("1.5E 2"), 150.0f);
}

TEST(ParseReal, BlankFieldIsZero) {
  EXPECT_EQ(real(""), 0.0f);
  EXPECT_EQ(real("                "), 0.0f);
  EXPECT_EQ(real("     +    "), 0.0f);   // a sign alone
  EXPECT_EQ(real("0"), 0.0f);
  EXPECT_EQ(real("-0.000"), 0.0f);
  EXPECT_TRUE(std::signbit(real("-0.000")));
}

TEST(ParseReal, PlusSign) {
  EXPECT_EQ(real("+1.25"), 1.25f);
  EXPECT_EQ(real("+125000"), 1.25f);
}

TEST(ParseReal, RoundsExactlyToNearestEven) {
  EXPECT_EQ(real("0.1"), 0.1f);
  EXPECT_EQ(real("16777217."), 16777216.0f);  // tie, even wins
  EXPECT_EQ(real("16777219."), 16777220.0f);  // tie, even wins
  EXPECT_EQ(real("16777218.5"), 16777218.0f);
  // Halfway between 1 and the next float is 1 + 2^-24.
  EXPECT_EQ(real("1.000000059604644775390625"), 1.0f);
  EXPECT_EQ(real("1.00000005960464477539062499"), 1.0f);
  EXPECT_EQ(real("1.00000005960464477539062501"), std::nextafter(1.0f, 2.0f));
  EXPECT_EQ(real("3.4028235E38"), ref("3.4028235e38"));
  EXPECT_EQ(real("1.0E-45"), ref("1e-45"));  // denormal
  EXPECT_EQ(real("1.0E-99"), 0.0f);         // underflow reads as zero
}

TEST(ParseReal, DigitsBeyondTheKeptOnesStillRoundCorrectly) {
  // The halfway value followed by 200 zeros and a 1 lies above halfway.
  std::string above = "1.000000059604644775390625" + std::string(200, '0') + "1";
  EXPECT_EQ(real(above), std::nextafter(1.0f, 2.0f));
  std::string exact = "1.000000059604644775390625" + std::string(200, '0');
  EXPECT_EQ(real(exact), 1.0f);
  // Many integer digits without a point: 2 followed by 199 zeros, 5 implied
  // decimals, scaled down by E-190.
  std::string big = "2" + std::string(199, '0') + "E-190";
  EXPECT_EQ(real(big), 2e4f);
}

TEST(ParseReal, AgreesWithStrtofOnRandomFields) {
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> digit(0, 9), len(1, 18), pos(0, 18), ex(-50, 50), coin(0, 3);
  for (int n = 0; n < 200000; ++n) {
    std::string field;
    if (coin(rng) == 0) field += '-';
    const int nd = len(rng);
    const int p = std::min(pos(rng), nd);
    for (int k = 0; k < nd; ++k) {
      if (k == p) field += '.';
      field += static_cast<char>('0' + digit(rng));
    }
    if (p == nd) field += '.';
    if (coin(rng) != 0) {
      field += 'E';
      field += std::to_string(ex(rng));
    }
    const float want = std::strtof(field.c_str(), nullptr);
    if (std::isinf(want)) continue;
    ASSERT_EQ(real(field), want) << field;
  }
}

// Plain fields whose nearest double lies exactly halfway between two
// floats although the field does not: rounding twice, first to double,
// would give the wrong float.  Each is read as strtof reads it.
TEST(ParseReal, PlainFieldsNotRoundedTwice) {
  for (const char* text : {"7.42621111869812", "0.442100390791893", "4.62765908241272",
                           "-9.47886037826538", "6.72966456413269", "-7.62717080116272"}) {
    const float want = ref(text);
    EXPECT_NE(want, static_cast<float>(std::strtod(text, nullptr))) << text;
    EXPECT_EQ(real(text), want) << text;
  }
}

TEST(ParseReal, ImpliedDecimalsAgreeWithStrtof) {
  std::mt19937 rng(777);
  std::uniform_int_distribution<int> digit(0, 9), len(1, 16);
  for (int n = 0; n < 100000; ++n) {
    std::string digits;
    const int nd = len(rng);
    for (int k = 0; k < nd; ++k) digits += static_cast<char>('0' + digit(rng));
    const float want = std::strtof((digits + "e-5").c_str(), nullptr);
    ASSERT_EQ(real(digits), want) << digits;
  }
}

TEST(ParseReal, BadCharacterIsReportedWithItsOffset) {
  FieldError e = real_error("   1.5x");
  EXPECT_EQ(e.offset, 6);
  EXPECT_TRUE(e.bad_char);
  EXPECT_EQ(real_error("abc").offset, 0);
  EXPECT_EQ(real_error("1.2.3").offset, 3);
  EXPECT_EQ(real_error("1.5E+-3").offset, 5);
  EXPECT_EQ(real_error("1.5E3.0").offset, 5);
  EXPECT_EQ(real_error("1,5").offset, 1);
  EXPECT_EQ(real_error("1.5\t").offset, 3);
  EXPECT_EQ(real_error("NaN").offset, 0);
}

TEST(ParseReal, MalformedNumbers) {
  EXPECT_FALSE(real_error(".").bad_char);
  EXPECT_FALSE(real_error("E5").bad_char);
  EXPECT_FALSE(real_error("1.5E").bad_char);
  EXPECT_FALSE(real_error("1.5E-").bad_char);
  EXPECT_FALSE(real_error("1.5+").bad_char);
  EXPECT_STREQ(real_error("--1").what, "no digits in number");  // "-" then exponent "-1"
  EXPECT_EQ(real_error("+-1.5").offset, 3);  // "+" then exponent "-1", then "."
  EXPECT_EQ(real_error("-+1.5").offset, 3);
  EXPECT_EQ(real_error("inf").offset, 0);
  EXPECT_STREQ(real_error("1.5E").what, "exponent without digits");
  EXPECT_STREQ(real_error("1.0E39").what, "value too large for a 32-bit real");
  EXPECT_STREQ(real_error("1E99999999999999").what, "value too large for a 32-bit real");
}

TEST(ParseInt, SignAndDigits) {
  std::int32_t v = -1;
  FieldError e;
  ASSERT_TRUE(parse_int("    3", v, e));
  EXPECT_EQ(v, 3);
  ASSERT_TRUE(parse_int("99999", v, e));
  EXPECT_EQ(v, 99999);
  ASSERT_TRUE(parse_int(" -25 ", v, e));
  EXPECT_EQ(v, -25);
  ASSERT_TRUE(parse_int("+ 1 2", v, e));
  EXPECT_EQ(v, 12);
  ASSERT_TRUE(parse_int("     ", v, e));
  EXPECT_EQ(v, 0);
  ASSERT_TRUE(parse_int("", v, e));
  EXPECT_EQ(v, 0);
}

TEST(ParseInt, RejectsOtherCharacters) {
  std::int32_t v = 5;
  FieldError e;
  EXPECT_FALSE(parse_int(" 1.0 ", v, e));
  EXPECT_EQ(e.offset, 2);
  EXPECT_TRUE(e.bad_char);
  EXPECT_FALSE(parse_int("1E3", v, e));
  EXPECT_FALSE(parse_int("1-", v, e));
  EXPECT_FALSE(parse_int("x", v, e));
  EXPECT_FALSE(parse_int("99999999999", v, e));
  EXPECT_FALSE(e.bad_char);
  EXPECT_EQ(v, 5);
}

TEST(FieldText, ShortLinesGiveWhatTheyHave) {
  EXPECT_EQ(tracel::field_text("abcdef", {2, 3}), "bcd");
  EXPECT_EQ(tracel::field_text("abcdef", {5, 3}), "ef");
  EXPECT_EQ(tracel::field_text("abcdef", {7, 3}), "");
  EXPECT_EQ(tracel::field_text("", {1, 16}), "");
  EXPECT_EQ(tracel::sample_field(0).column, 1);
  EXPECT_EQ(tracel::sample_field(4).column, 65);
}

// ---- the record layout ---------------------------------------------------

TEST_F(RecordFile, CountLineExample) {
  ASSERT_TRUE(read(kHeader + count_line("1.0", "3", "0.01") + f16("1.") + f16("2.") + f16("3.") + "\n"))
      << read_record(path_, count_, y_).message;
  EXPECT_EQ(count_.aj, 1.0f);
  EXPECT_EQ(count_.np, 3);
  EXPECT_EQ(count_.dt, 0.01f);
  EXPECT_EQ(y_[0], 1.0f);
  EXPECT_EQ(y_[2], 3.0f);
  EXPECT_EQ(y_[3], -7.0f) << "nothing stored past np";

  std::vector<float> x(3, -1.0f);
  tracel::fill_times(count_.np, count_.dt, x);
  EXPECT_EQ(x[0], 0.0f);
  EXPECT_EQ(x[1], 0.01f);
  EXPECT_EQ(x[2], 2.0f * 0.01f);
}

TEST_F(RecordFile, FiveSamplesUseOneLine) {
  // Anything after the fifth sample's line is never read.
  auto r = read(kHeader + count_line("0", "5", "1.0") +
                f16("1.") + f16("2.") + f16("3.") + f16("4.") + f16("5.") + "\n" +
                "this line is never read ###\n");
  ASSERT_TRUE(r) << r.message;
  for (int i = 0; i < 5; ++i) EXPECT_EQ(y_[static_cast<std::size_t>(i)], float(i + 1));
}

TEST_F(RecordFile, SixSamplesUseTwoLines) {
  const std::string five = f16("1.") + f16("2.") + f16("3.") + f16("4.") + f16("5.") + "\n";
  ASSERT_TRUE(read(kHeader + count_line("0", "6", "1.0") + five + f16("600000") + "\n"));
  EXPECT_EQ(y_[5], 6.0f);
  EXPECT_EQ(y_[6], -7.0f);
  // Without the second line the file ends early.
  auto r = read(kHeader + count_line("0", "6", "1.0") + five);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":6: file ends before sample 6 of 6");
}

TEST_F(RecordFile, FieldsAreTakenByColumn) {
  // A sample value touching the next field's columns belongs to the next.
  std::string line = "               1               2";
  ASSERT_TRUE(read(kHeader + count_line("", "2", "") + line + "\n"));
  EXPECT_EQ(y_[0], ref("1e-5"));
  EXPECT_EQ(y_[1], ref("2e-5"));
  // Text to the right of the last field read is ignored, even on line 4.
  ASSERT_TRUE(read(kHeader + "        1.00000    1        0.50000 trailing junk\n" + f16("1.") + "xyz\n"));
  EXPECT_EQ(count_.np, 1);
  EXPECT_EQ(count_.dt, 0.5f);
}

TEST_F(RecordFile, BlankAndMissingFieldsReadAsZero) {
  // Line 5 holds two values and blanks, line 6 continues with sample 6.
  auto r = read(kHeader + count_line("0", "7", "1.0") +
                f16("1.5") + f16("") + f16("-2.5") + "\n" +
                f16("6.") + f16("7.") + "\n");
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(y_[0], 1.5f);
  EXPECT_EQ(y_[1], 0.0f);
  EXPECT_EQ(y_[2], -2.5f);
  EXPECT_EQ(y_[3], 0.0f);
  EXPECT_EQ(y_[4], 0.0f);
  EXPECT_EQ(y_[5], 6.0f);
  EXPECT_EQ(y_[6], 7.0f);
  // An empty sample line is five zeros.
  ASSERT_TRUE(read(kHeader + count_line("0", "2", "1.0") + "\n"));
  EXPECT_EQ(y_[0], 0.0f);
  EXPECT_EQ(y_[1], 0.0f);
}

TEST_F(RecordFile, ZeroOrNegativeCountStillConsumesOneLine) {
  auto r = read(kHeader + count_line("0", "0", "1.0") + "\n");
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(count_.np, 0);
  EXPECT_EQ(y_[0], -7.0f);
  r = read(kHeader + count_line("0", "-3", "1.0") + "whatever\n");
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(count_.np, -3);
  r = read(kHeader + count_line("0", "0", "1.0"));
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":5: file ends before the sample lines");
}

TEST_F(RecordFile, LineEndsAndLongLines) {
  // CRLF line ends, and a last line without a newline.
  auto r = read("a\r\nb\r\nc\r\n" + count_line("0", "2", "1.0").substr(0, 35) + "\r\n" +
                f16("1.") + f16("-2."));
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(y_[1], -2.0f);
  // A header line of a million characters.
  r = read(std::string(1000000, 'h') + "\nb\nc\n" + count_line("0", "1", "1.0") +
           f16("4.") + std::string(700000, 'z') + "\n");
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(y_[0], 4.0f);
}

TEST_F(RecordFile, LineLimit) {
  const std::string rest = "b\nc\n" + count_line("0", "1", "1.0") + f16("4.") + "\n";
  auto r = read(std::string(tracel::kMaxLineLength, 'h') + "\n" + rest);
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(y_[0], 4.0f);
  r = read("a\nb\nc\n" + count_line("0", "1", "1.0") + f16("4.") +
           std::string(tracel::kMaxLineLength - 15, ' ') + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":5: line longer than 16777216 characters");
  // A file without line ends is refused after a bounded read.
  r = read_record("/dev/zero", count_, y_);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, "/dev/zero:1: line longer than 16777216 characters");
}

TEST_F(RecordFile, TooManySamplesForTheArrays) {
  std::vector<float> small(4);
  path_ = write(kHeader + count_line("0", "5", "1.0") + "\n");
  auto r = read_record(path_, count_, small);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":4: sample count 5 exceeds the 4 samples the program holds");
}

TEST_F(RecordFile, BundledExample) {
  std::vector<float> y(tracel::kMaxSamples);
  auto r = read_record(EXAMPLE_RECORD, count_, y);
  ASSERT_TRUE(r) << r.message;
  EXPECT_EQ(count_.np, 12684);
  EXPECT_EQ(count_.dt, 0.05f);
  EXPECT_EQ(y[0], -1591.0f);
  EXPECT_EQ(y[12683], -381657.0f);
}

// ---- bad input: one diagnostic naming the file and line ------------------

TEST_F(RecordFile, MissingFileIsNotCreated) {
  const std::string p = (dir_ / "nosuch.rec").string();
  auto r = read_record(p, count_, y_);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, p + ":1: cannot open record file: No such file or directory");
  EXPECT_FALSE(fs::exists(p));
}

TEST_F(RecordFile, EmptyFile) {
  auto r = read("");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":1: file ends before header line 1");
}

TEST_F(RecordFile, EndsInTheHeader) {
  auto r = read("one\ntwo\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":3: file ends before header line 3");
}

TEST_F(RecordFile, CountLineMissing) {
  auto r = read(kHeader);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":4: file ends before the count line");
}

TEST_F(RecordFile, EndsInTheSamples) {
  std::string five = f16("1.") + f16("2.") + f16("3.") + f16("4.") + f16("5.") + "\n";
  auto r = read(kHeader + count_line("0", "12", "1.0") + five + five);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":7: file ends before sample 11 of 12");
}

TEST_F(RecordFile, BadCharacterInTheCount) {
  auto r = read(kHeader + count_line("0", "1x", "1.0") + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":4: count line field np (columns 16-20): unexpected character 'x' in column 20");
  r = read(kHeader + count_line("0", "1.0", "1.0") + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":4: count line field np (columns 16-20): unexpected character '.' in column 19");
}

TEST_F(RecordFile, BadCharacterInAjOrDt) {
  auto r = read(kHeader + count_line("abc", "1", "1.0") + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":4: count line field aj (columns 1-15): unexpected character 'a' in column 13");
  r = read(kHeader + count_line("0", "1", "0.05s") + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":4: count line field dt (columns 21-35): unexpected character 's' in column 35");
}

TEST_F(RecordFile, BadCharacterInASample) {
  std::string five = f16("1.") + f16("2.") + f16("3.") + f16("4.") + f16("5.") + "\n";
  auto r = read(kHeader + count_line("0", "7", "1.0") + five + f16("6.") + f16("7,0") + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":6: sample 7 (columns 17-32): unexpected character ',' in column 31");
  r = read(kHeader + count_line("0", "1", "1.0") + "\t1.0\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":5: sample 1 (columns 1-16): unexpected character 0x09 in column 1");
  r = read(kHeader + count_line("0", "1", "1.0") + f16("1.0E") + "\n");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, path_ + ":5: sample 1 (columns 1-16): exponent without digits in column 16");
}

TEST_F(RecordFile, ADirectoryIsAReadError) {
  auto r = read_record(dir_.string(), count_, y_);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.message, dir_.string() + ":1: read error: Is a directory");
}

// ---- the typed name ------------------------------------------------------

TEST(RecordName, TrailingBlanksAreDropped) {
  bool cut = true;
  EXPECT_EQ(tracel::record_name("II.TLY.BHZ.rec   ", cut), "II.TLY.BHZ.rec");
  EXPECT_FALSE(cut);
  EXPECT_EQ(tracel::record_name("  lead", cut), "  lead");
  EXPECT_EQ(tracel::record_name("", cut), "");
  EXPECT_FALSE(cut);
}

TEST(RecordName, LongNamesAreCutToTwenty) {
  bool cut = false;
  EXPECT_EQ(tracel::record_name("abcdefghijklmnopqrstuvwxyz", cut), "abcdefghijklmnopqrst");
  EXPECT_TRUE(cut);
  EXPECT_EQ(tracel::record_name("abcdefghijklmnopqrst", cut), "abcdefghijklmnopqrst");
  EXPECT_FALSE(cut);
  EXPECT_EQ(tracel::record_name("abcdefghijklmnopqrst     ", cut), "abcdefghijklmnopqrst");
  EXPECT_FALSE(cut);
  // Blanks inside the first 20 columns are trailing once the name is cut.
  EXPECT_EQ(tracel::record_name("short               more", cut), "short");
  EXPECT_TRUE(cut);
}
