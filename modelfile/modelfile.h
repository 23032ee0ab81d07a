// Whole model files in layergen's fixed-column layout, read for the tools
// that convert and draw them: two title lines, then the data rows, each
// field read by layergen's rules.  Lines are bounded in length and every
// failure names the file and the line.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "model.h"

namespace modelfile {

inline constexpr std::size_t kMaxLineLength = 4096;  // longer lines are refused
inline constexpr std::size_t kMaxRows = 1000000;     // more data rows are refused
inline constexpr int kFirstRowLine = 3;              // line number of the first data row

// The ranges of a physical earth model, checked by checkRows: depth to the
// centre, velocities and densities beyond any rock or core, quality
// factors up to the 1e5 and more that models write for "no attenuation".
inline constexpr float kMaxDepth = 6371.0f;     // km
inline constexpr float kMaxVelocity = 20.0f;    // km/s
inline constexpr float kMaxDensity = 20.0f;     // g/cm^3
inline constexpr float kMaxQ = 1.0e6f;

struct Model {
    std::string title1;  // the two title lines, 72 columns each
    std::string title2;
    std::vector<layergen::ModelRow> rows;  // rows[i] is on line i + kFirstRowLine
};

// Line number of data row `index` (from 0).
inline std::size_t lineOfRow(std::size_t index) { return index + kFirstRowLine; }

// Reads a model file from `in`; `name` names it in messages.  Blank lines
// after the last data row are ignored; a blank line before a data row is
// refused, as is a data row with a blank field or text after column 60.
// False with "NAME: line N: ..." (or "NAME: ...") in `error`.
bool readModel(std::istream& in, const std::string& name, Model& model, std::string& error);

// Opens `path` and reads it with readModel.
bool loadModel(const std::string& path, Model& model, std::string& error);

// Checks the rows of a model read from `name`: at least one row; depths
// from 0 to kMaxDepth and never decreasing, at most two rows at one depth
// (the two sides of a discontinuity); P velocity, density and qp positive,
// S velocity and qs not negative (zero in a fluid), none beyond the maxima
// above.  False with "NAME: line N: ..." in `error`.
bool checkRows(const Model& model, const std::string& name, std::string& error);

// The value as plain decimal text with `decimals` places when that text
// reads back as the same float (as it does for every value layergen
// writes), else the shortest text that does: no digits the file did not
// hold, none lost.  Zero is written without a sign.
std::string valueText(float value, int decimals);

}  // namespace modelfile
