#include "safeout.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace safeout {

namespace {

std::string reason() { return std::strerror(errno); }

// Writes all of `bytes` to `fd`.
bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// An existing device, FIFO or socket: written in place.
bool write_direct(const std::string& path, std::string_view bytes, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    error = path + ": cannot open for writing: " + reason();
    return false;
  }
  const bool ok = write_all(fd, bytes);
  const int saved = errno;
  if (::close(fd) != 0 || !ok) {
    error = path + ": cannot write: " + std::strerror(ok ? errno : saved);
    return false;
  }
  return true;
}

// A regular file or a new name: a temporary file beside it, renamed into
// place when complete.
bool write_replacing(const std::string& path, mode_t mode, std::string_view bytes, std::string& error) {
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    error = path + ": cannot create: " + reason();
    return false;
  }
  bool ok = fchmod(fd, mode) == 0 && write_all(fd, bytes);
  int saved = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  if (ok) saved = errno;
  std::remove(temporary.c_str());
  error = path + ": cannot write: " + std::strerror(saved);
  return false;
}

mode_t new_file_mode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool not_an_input(const std::string& out, const std::vector<std::string>& inputs, std::string& error) {
  for (const std::string& input : inputs) {
    if (out == input || same_file(out, input)) {
      error = out + " is an input; it would be overwritten";
      return false;
    }
  }
  return true;
}

bool Writer::write(const std::string& path, std::string_view bytes, std::string& error) {
  if (path.empty()) {
    error = "empty output file name";
    return false;
  }
  std::string target = path;
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
      error = path + ": symbolic link to a missing file; refused";
      return false;
    }
    target = resolved;
    std::free(resolved);
  }
  mode_t mode = new_file_mode();
  if (stat(target.c_str(), &st) == 0) {
    if (written_.count({st.st_dev, st.st_ino}) != 0) {
      error = path + ": already written by this run; refused";
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      error = path + ": is a directory";
      return false;
    }
    if (!S_ISREG(st.st_mode)) return write_direct(target, bytes, error);
    mode = st.st_mode & 07777;
  }
  if (!write_replacing(target, mode, bytes, error)) {
    if (target != path) error = path + " (" + error + ")";
    return false;
  }
  if (stat(target.c_str(), &st) == 0) written_.insert({st.st_dev, st.st_ino});
  return true;
}

bool write_file(const std::string& path, std::string_view bytes, std::string& error) {
  Writer writer;
  return writer.write(path, bytes, error);
}

}  // namespace safeout
