// for_each: every index once, on the thread the fixed pattern names; an
// exception on any thread reaches the caller.
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

#include <parallel/parallel.h>

namespace {

TEST(ForEach, RunsEveryIndexOnceOnItsThread) {
  for (int threads : {1, 2, 3}) {
    for (std::size_t count : {0, 1, 2, 7, 1000}) {
      std::vector<std::atomic<int>> runs(count);
      std::vector<int> on(count, -1);
      parallel::for_each(count, threads, [&](std::size_t i, int thread) {
        ++runs[i];
        on[i] = thread;
      });
      const std::size_t used = std::min<std::size_t>(static_cast<std::size_t>(threads), std::max<std::size_t>(count, 1));
      for (std::size_t i = 0; i < count; ++i) {
        EXPECT_EQ(runs[i], 1) << threads << " threads, index " << i << " of " << count;
        EXPECT_EQ(on[i], static_cast<int>(i % used)) << threads << " threads";
      }
    }
  }
}

TEST(ForEach, ExceptionsReachTheCaller) {
  for (std::size_t failing : {0, 1, 2}) {  // the caller's index and the other threads'
    EXPECT_THROW(parallel::for_each(6, 3, [&](std::size_t i, int) {
      if (i == failing) throw std::runtime_error("index");
    }),
                 std::runtime_error)
        << failing;
  }
}

}  // namespace
