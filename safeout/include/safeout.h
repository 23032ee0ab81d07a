// Writing an output file safely, for every program that writes one: the
// file is complete or untouched, never one of the program's inputs, and
// never written twice by one run.
//
// - A regular file (or a new name) is written under a temporary name in the
//   same directory and renamed into place when complete, keeping the mode
//   of the file it replaces (a new file gets 0666 less the umask).
// - A symbolic link is followed: its target is written, the link stays.  A
//   link to a missing file is refused.
// - An existing file that is not regular (a device such as /dev/null, a
//   FIFO, a socket) is written directly, never replaced; a directory is
//   refused.
#ifndef SAFEOUT_H
#define SAFEOUT_H

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <sys/types.h>

namespace safeout {

// True when `a` and `b` name the same existing file (same device and
// inode), however they are spelled.
bool same_file(const std::string& a, const std::string& b);

// False with "OUT is an input; it would be overwritten" in `error` when
// `out` names one of `inputs` (by name or as the same file).
bool not_an_input(const std::string& out, const std::vector<std::string>& inputs, std::string& error);

// Writes the outputs of one run.
class Writer {
 public:
  // Writes `bytes` to `path` as described above.  Refuses an empty name and
  // a file this Writer has already written.  False with a message that
  // names `path` in `error`.
  bool write(const std::string& path, std::string_view bytes, std::string& error);

 private:
  std::set<std::pair<dev_t, ino_t>> written_;
};

// One file written by a Writer of its own.
bool write_file(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace safeout

#endif
