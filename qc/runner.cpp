#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include <qc/qc.h>

namespace qc {

const char* status_name(Status s) {
  switch (s) {
    case Status::ok: return "ok";
    case Status::skipped: return "skipped";
    case Status::failed: return "failed";
  }
  return "?";
}

void run_jobs(std::size_t count, int threads, const std::function<JobResult(std::size_t)>& job,
              const std::function<void(std::size_t, const JobResult&, double)>& report) {
  std::atomic<std::size_t> next{0};
  std::mutex report_mutex;
  const auto work = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      const auto start = std::chrono::steady_clock::now();
      const JobResult result = job(i);
      const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
      std::lock_guard lock(report_mutex);
      report(i, result, seconds.count());
    }
  };
  const std::size_t extra = std::min(count, static_cast<std::size_t>(std::max(threads, 1))) - (count > 0 ? 1 : 0);
  std::vector<std::thread> pool;
  for (std::size_t t = 0; t < extra; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

}  // namespace qc
