// The layergen run: read the reference model, write the two perturbed models.
#pragma once

#include <iosfwd>
#include <string>

namespace layergen {

inline constexpr int kMaxRows = 10000;  // data rows read at most

// Copies the two title lines of `in` to `out` and `out2`, then passes each
// of at most 10000 data rows through the perturbation and writes the two
// results, "modout" row first.  `inName` names the input in messages on
// `err`.  Returns 0 after a normal end and 1 after an input error; the
// lines written before the error stay written.  A trailing carriage return
// on an input line is taken as part of the line ending.
int processModel(std::istream& in, std::ostream& out, std::ostream& out2, std::ostream& err,
                 const std::string& inName);

// Opens `inPath`, then `outPath` and `out2Path` (replacing them), and runs
// processModel on them.  Returns the process exit status.
int runLayergen(const std::string& inPath, const std::string& outPath, const std::string& out2Path,
                std::ostream& err);

}  // namespace layergen
