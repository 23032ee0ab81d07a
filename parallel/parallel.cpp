#include <parallel/parallel.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace parallel {

int hardware_threads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

void for_each(std::size_t count, int threads, const std::function<void(std::size_t, int)>& work) {
  const auto used = static_cast<int>(std::clamp<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), 1,
                                                              std::max<std::size_t>(count, 1)));
  std::exception_ptr failure;
  std::mutex failure_mutex;
  const auto run = [&](int thread) {
    try {
      for (auto i = static_cast<std::size_t>(thread); i < count; i += static_cast<std::size_t>(used)) work(i, thread);
    } catch (...) {
      const std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> others;
  for (int k = 1; k < used; ++k) others.emplace_back(run, k);
  run(0);
  for (std::thread& t : others) t.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace parallel
