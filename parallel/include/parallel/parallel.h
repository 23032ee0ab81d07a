// Work spread over threads in a fixed pattern, so that what each index
// computes, and hence the result, does not depend on the number of threads.
#ifndef PARALLEL_PARALLEL_H
#define PARALLEL_PARALLEL_H

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace parallel {

using Work = std::function<void(std::size_t index, int thread)>;

// The processor's threads, at least 1.
int hardware_threads();

// Threads kept for many rounds of work: starting a thread costs about as
// much as a round of some thousand small items.
class Pool {
 public:
  // `threads` in all (at least 1), the caller's among them.
  explicit Pool(int threads);
  ~Pool();
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  int threads() const { return static_cast<int>(workers_.size()) + 1; }

  // Runs work(index, thread) for index 0..count-1, thread k of threads()
  // taking indices k, k + threads(), ...; the caller is thread 0.  Returns
  // when all are done; an exception on any thread is thrown again here.
  void for_each(std::size_t count, const Work& work);

 private:
  void run(int thread);
  void serve(int thread);

  std::mutex mutex_;
  std::condition_variable started_, finished_;
  const Work* work_ = nullptr;
  std::size_t count_ = 0;
  std::uint64_t round_ = 0;
  int busy_ = 0;  // workers not yet done with the round
  bool stopping_ = false;
  std::exception_ptr failure_;
  std::vector<std::thread> workers_;
};

// for_each on a pool of min(threads, count) threads made for the call.
void for_each(std::size_t count, int threads, const Work& work);

}  // namespace parallel

#endif
