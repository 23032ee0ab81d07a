// Fixed-column model files of layergen: title lines and data rows.
//
// A model file holds two title lines of 72 columns, then one data row per
// line, from the surface down.  A data row is six 10-column fields with
// nothing between them (60 columns).  Every value is held as a float from
// reading to writing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace layergen {

// One data row.  Columns, edit form (Fw.d: w columns, d decimals) and units:
struct ModelRow {
    float z = 0.0f;    // cols  1-10, F10.2: depth below the surface, km
    float rho = 0.0f;  // cols 11-20, F10.5: density, g/cm^3
    float vp = 0.0f;   // cols 21-30, F10.5: P-wave velocity, km/s
    float vs = 0.0f;   // cols 31-40, F10.5: S-wave velocity, km/s
    float qp = 0.0f;   // cols 41-50, F10.2: P quality factor
    float qs = 0.0f;   // cols 51-60, F10.2: S quality factor
};

inline constexpr int kTitleWidth = 72;
inline constexpr int kFieldWidth = 10;
inline constexpr int kFieldCount = 6;
inline constexpr int kRowWidth = kFieldWidth * kFieldCount;  // 60

// Field names and decimals in column order.
inline constexpr const char* kFieldNames[kFieldCount] = {"z", "rho", "vp", "vs", "qp", "qs"};
inline constexpr int kFieldDecimals[kFieldCount] = {2, 5, 5, 5, 2, 2};

// Reads one Fw.d input field.  Blanks anywhere are ignored and an all-blank
// field is zero.  The field is an optional sign, digits with an optional
// decimal point, and an optional exponent (E or D, either case, optional
// sign, digits).  Without a decimal point the last `decimals` digits are the
// fraction.  The value is correctly rounded to float.  Returns nothing for a
// field that is not a number or whose value overflows a float.
std::optional<float> readField(std::string_view field, int decimals);

// Writes `value` as a Fw.d field: rounded to `decimals` places (exact
// decimal rounding of the float, ties to even), right-aligned, blanks on the
// left, "-" before a negative value.  A magnitude below 1 keeps its zero
// before the decimal point unless dropping it is needed to fit.  A result
// that rounds to zero carries no minus sign.  A value that does not fit, or
// is not finite, is `width` asterisks.
std::string formatField(float value, int width, int decimals);

// A title line as written: cut or filled with blanks to exactly 72 columns.
std::string titleLine(std::string_view line);

// Result of reading a data row: the row, or the 0-based index of the first
// field that is not a number.
struct RowParse {
    std::optional<ModelRow> row;
    int badField = -1;
};

// Reads a data line.  Columns past 60 are skipped; a shorter line reads as
// if filled out with blanks.
RowParse parseRow(std::string_view line);

// A data line as written: exactly 60 columns, without the newline.
std::string formatRow(const ModelRow& row);

}  // namespace layergen
