// Text listing of plot file commands, one command a line, and a summary.
#ifndef PLTRENDER_DUMP_H
#define PLTRENDER_DUMP_H

#include <string>
#include <vector>

#include "plotfile.h"

namespace pltrender {

// One line, without the line break: "m 400 320", "t size=8 font=0 orient=0 \"Amp\"".
std::string format_command(const Command& c);

// The text bytes between double quotes; backslash and double quote are
// escaped with a backslash, bytes outside 0x20..0x7e as \xNN.
std::string quote_text(const std::string& text);

// Counts of each command, number of pages and the bounding box of every
// coordinate in the file (pen positions, which include the reference points
// of texts, vertices, and circles with their radius; text extents are not
// included).
std::string summary(const std::vector<Command>& commands);

// The same summary gathered command by command (for plot files read one
// command at a time).
class Summary {
 public:
  void add(const Command& c);
  std::string text(std::size_t end);  // end: position after the last command
 private:
  std::size_t counts_[7] = {};
  std::size_t commands_ = 0;
  Box box_;
  PageSplitter pages_{0};  // counts pages, stores none
};

}  // namespace pltrender

#endif
