// The command lines of the companion tools: options with and without a
// value, and operands, in the order given.
#ifndef CMDLINE_CMDLINE_H
#define CMDLINE_CMDLINE_H

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cmdline {

// One argument as read: an option ("-o", "--window") with its value, or an
// operand (a file name; "-" alone is an operand too).
struct Arg {
  std::string name;   // the option as typed, "=VALUE" removed; or the operand
  std::string value;  // the option's value, when it takes one
  bool option = false;
};

// Reads argv[1] .. argv[argc-1].  The options in `with_value` take a value:
// the next argument, or for a long option also "--name=VALUE".  Any other
// argument of two or more characters starting with '-' is an option without
// a value, kept whole (an unknown "--name=VALUE" included) for the caller to
// refuse.  An option that needs a value as the last argument is reported on
// stderr as "PROGRAM: NAME needs a value": nothing is returned.
std::optional<std::vector<Arg>> read_args(int argc, char** argv, std::vector<std::string_view> with_value,
                                          const char* program);

// What a shared option reader did with one argument: not its option, taken,
// or refused (after a message on the standard error stream).
enum class Take { not_mine, taken, bad };

// The whole of `text` as a finite float, rounded by std::from_chars (no
// blanks, no '+', no "inf" or "nan"); nothing for anything else.
std::optional<float> finite_float(std::string_view text);

// The same as a double.
std::optional<double> finite_double(std::string_view text);
// Runs a program's body: an allocation failure anywhere in it ends the run
// with "PROGRAM: out of memory" on the standard error stream and status 1
// instead of an abort.
int run_main(const char* program, int (*body)(int, char**), int argc, char** argv);

// For programs that read long traces: large blocks are kept in malloc's
// heaps, grown 64 MiB at a time, and not given back until the program ends.
// A day of samples is a block of tens of megabytes (and libmseed grows its
// sample buffer by realloc record by record); as mappings of their own,
// glibc's default for large blocks, each is mapped, faulted in and unmapped
// again, and the growing buffer is remapped at every record.  With several
// threads those changes to the one memory map wait for each other and
// flush the other processors' TLBs.  In the heaps, freed blocks are reused.
void reuse_large_blocks();

// After reuse_large_blocks(): the heap's next `bytes` are made present on a
// thread of its own, while the program goes on.  A program about to fill
// tens of megabytes (a day of samples, then its picture) then finds its
// memory ready instead of taking a page fault every 4 KiB: about a fifth
// of seisday's time for a 100 Hz day.  The block is allocated and freed at
// once, so it stays in the heap for the blocks that follow; the system
// only maps pages, never changes what they hold, so it may meet the
// program's own writes.  A hint: nothing happens where the system cannot,
// nor under AddressSanitizer, whose allocator maps large blocks apart.
void prepare_heap(std::size_t bytes);

}  // namespace cmdline

#endif
