// The pool: every index once, on the thread the fixed pattern names, round
// after round; an exception on a worker reaches the caller and the pool
// goes on.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include <parallel/parallel.h>

namespace {

TEST(Pool, RunsEveryIndexOnceOnItsThread) {
  for (int threads : {1, 2, 3}) {
    parallel::Pool pool(threads);
    for (std::size_t count : {0, 1, 2, 7, 1000}) {
      std::vector<std::atomic<int>> runs(count);
      std::vector<int> on(count, -1);
      pool.for_each(count, [&](std::size_t i, int thread) {
        ++runs[i];
        on[i] = thread;
      });
      for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(runs[i], 1) << threads << " threads, index " << i << " of " << count;
        EXPECT_EQ(on[i], static_cast<int>(i % static_cast<std::size_t>(threads))) << threads << " threads";
      }
    }
  }
}

TEST(Pool, ExceptionsReachTheCallerAndThePoolGoesOn) {
  parallel::Pool pool(3);
  for (std::size_t failing : {0, 1, 2}) {  // the caller's index and the workers'
    EXPECT_THROW(pool.for_each(6, [&](std::size_t i, int) {
      if (i == failing) throw std::runtime_error("index");
    }),
                 std::runtime_error)
        << failing;
  }
  std::atomic<int> sum = 0;
  pool.for_each(4, [&](std::size_t i, int) { sum += static_cast<int>(i); });
  EXPECT_EQ(sum, 6);
  EXPECT_THROW(parallel::for_each(5, 2, [](std::size_t i, int) {
    if (i == 3) throw std::runtime_error("index");
  }),
               std::runtime_error);
}

}  // namespace
