#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include <qc/qc.h>

namespace qc {

namespace {

// The temporary files being written, for the signal handler: fixed slots
// it can read without allocating.  A slot's path is complete before it is
// marked in use.
constexpr int kSlots = 256;
constexpr std::size_t kPathMax = 4096;
struct Slot {
  std::atomic<bool> in_use{false};
  char path[kPathMax] = {};
};
Slot slots[kSlots];
std::mutex slots_mutex;

void remove_and_reraise(int signal) {
  for (Slot& s : slots)
    if (s.in_use.load()) unlink(s.path);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

std::string directory_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

// New files get the permissions the umask leaves, not mkstemp's 0600.
void open_permissions(int fd) {
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
}

}  // namespace

void remove_temporaries_on_signal() {
  for (int s : {SIGINT, SIGTERM, SIGHUP}) std::signal(s, remove_and_reraise);
}

void register_temporary(const std::string& path) {
  if (path.size() >= kPathMax) return;
  std::lock_guard lock(slots_mutex);
  for (Slot& s : slots) {
    if (s.in_use.load()) continue;
    std::memcpy(s.path, path.c_str(), path.size() + 1);
    s.in_use.store(true);
    return;
  }
}

void forget_temporary(const std::string& path) {
  std::lock_guard lock(slots_mutex);
  for (Slot& s : slots) {
    if (s.in_use.load() && path == s.path) {
      s.in_use.store(false);
      return;
    }
  }
}

bool make_temporary(const std::string& path, std::string& temporary, std::string& error) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  const std::string extension = dot == std::string::npos || dot == 0 ? "" : name.substr(dot);
  temporary = directory_of(path) + "/." + name + ".XXXXXX" + extension;
  const int fd = mkstemps(temporary.data(), static_cast<int>(extension.size()));
  if (fd < 0) {
    error = path + ": cannot create a file beside it: " + std::strerror(errno);
    return false;
  }
  register_temporary(temporary);
  open_permissions(fd);
  close(fd);
  return true;
}

std::string metrics_path(const std::string& dir, const std::string& id, const std::string& day) {
  return dir + "/metrics/" + id + "." + day + ".tsv";
}

std::string thumbnail_path(const std::string& dir, const std::string& id, const std::string& day) {
  return dir + "/plots/" + id + "." + day + ".png";
}

std::string full_plot_path(const std::string& dir, const std::string& id, const std::string& day) {
  return dir + "/plots/" + id + "." + day + ".full.png";
}

std::string day_list_path(const std::string& dir, const std::string& day) {
  return dir + "/channels." + day + ".tsv";
}

}  // namespace qc
