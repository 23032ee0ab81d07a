// The layergen run: read the reference model, write the two perturbed models.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace layergen {

// Longest input line, line end excluded: far more than a model line needs
// (72 columns), yet an input without line ends is refused after a bounded
// read.  Only the columns a line needs are kept, so memory does not grow
// with the length of a line.
inline constexpr std::size_t kMaxLineLength = std::size_t{1} << 24;  // 16,777,216

// Copies the two title lines of `in` to `out` and `out2`, then passes each
// data row, however many, through the perturbation and writes the two
// results, "modout" row first.  `inName` names the input in messages on
// `err`.  Returns 0 after a normal end and 1 after an input error (a field
// that is not a number, a depth above the row before, a line longer than
// kMaxLineLength); the lines written before the error stay written.  A
// trailing carriage return on an input line is taken as part of the line
// ending.
int processModel(std::istream& in, std::ostream& out, std::ostream& out2, std::ostream& err,
                 const std::string& inName);

// Opens `inPath` (a directory is refused), then `outPath` and `out2Path`
// (replacing them), and runs processModel on them.  Returns the process
// exit status.
int runLayergen(const std::string& inPath, const std::string& outPath, const std::string& out2Path,
                std::ostream& err);

}  // namespace layergen
