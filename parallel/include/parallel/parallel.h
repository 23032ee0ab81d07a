// Work spread over threads in a fixed pattern, so that what each index
// computes, and hence the result, does not depend on the number of threads.
#ifndef PARALLEL_PARALLEL_H
#define PARALLEL_PARALLEL_H

#include <cstddef>
#include <functional>

namespace parallel {

// The processor's threads, at least 1.
int hardware_threads();

// Runs work(index, thread) for index 0..count-1 on at most `threads`
// threads (the caller's among them), thread k taking indices k,
// k + threads, ...  An exception on any thread is thrown again here once
// all have ended.
void for_each(std::size_t count, int threads, const std::function<void(std::size_t index, int thread)>& work);

}  // namespace parallel

#endif
