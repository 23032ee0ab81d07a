#include <parallel/parallel.h>

#include <algorithm>

namespace parallel {

int hardware_threads() { return static_cast<int>(std::max(1u, std::thread::hardware_concurrency())); }

Pool::Pool(int threads) {
  for (int k = 1; k < threads; ++k) workers_.emplace_back(&Pool::serve, this, k);
}

Pool::~Pool() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  started_.notify_all();
  for (std::thread& t : workers_) t.join();
}

void Pool::for_each(std::size_t count, const Work& work) {
  {
    const std::lock_guard lock(mutex_);
    work_ = &work;
    count_ = count;
    busy_ = static_cast<int>(workers_.size());
    failure_ = nullptr;
    ++round_;
  }
  started_.notify_all();
  run(0);
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return busy_ == 0; });
  work_ = nullptr;
  if (failure_) std::rethrow_exception(failure_);
}

void Pool::run(int thread) {
  try {
    const auto step = static_cast<std::size_t>(threads());
    for (auto i = static_cast<std::size_t>(thread); i < count_; i += step) (*work_)(i, thread);
  } catch (...) {
    const std::lock_guard lock(mutex_);
    if (!failure_) failure_ = std::current_exception();
  }
}

void Pool::serve(int thread) {
  std::uint64_t seen = 0;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      started_.wait(lock, [&] { return stopping_ || round_ != seen; });
      if (stopping_) return;
      seen = round_;
    }
    run(thread);
    const std::lock_guard lock(mutex_);
    if (--busy_ == 0) finished_.notify_one();
  }
}

void for_each(std::size_t count, int threads, const Work& work) {
  Pool pool(static_cast<int>(std::clamp<std::size_t>(static_cast<std::size_t>(std::max(threads, 1)), 1,
                                                      std::max<std::size_t>(count, 1))));
  pool.for_each(count, work);
}

}  // namespace parallel
