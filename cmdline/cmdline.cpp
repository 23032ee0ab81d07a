#include "cmdline.h"

#include <algorithm>
#include <climits>
#include <malloc.h>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <system_error>
#include <thread>

#include <sys/mman.h>
#include <unistd.h>

// AddressSanitizer's allocator maps large blocks apart and may unmap them
// once freed: the heap is not prepared under it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CMDLINE_ADDRESS_SANITIZER
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CMDLINE_ADDRESS_SANITIZER
#endif

namespace cmdline {

namespace {

bool is_long_option(std::string_view a) { return a.size() > 2 && a.substr(0, 2) == "--"; }

template <typename Real>
std::optional<Real> finite(std::string_view text) {
  Real v = 0;
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || stop != end || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<std::vector<Arg>> read_args(int argc, char** argv, std::vector<std::string_view> with_value,
                                          const char* program) {
  auto takes_value = [&](std::string_view name) {
    return std::find(with_value.begin(), with_value.end(), name) != with_value.end();
  };
  std::vector<Arg> args;
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    Arg arg{std::string(a), "", a.size() > 1 && a[0] == '-'};
    const std::size_t eq = a.find('=');
    if (is_long_option(a) && eq != std::string_view::npos && takes_value(a.substr(0, eq))) {
      arg.name = a.substr(0, eq);
      arg.value = a.substr(eq + 1);
    } else if (arg.option && takes_value(a)) {
      if (i + 1 == argc) {
        std::fprintf(stderr, "%s: %s needs a value\n", program, argv[i]);
        return std::nullopt;
      }
      arg.value = argv[++i];
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::optional<float> finite_float(std::string_view text) { return finite<float>(text); }

std::optional<double> finite_double(std::string_view text) { return finite<double>(text); }

int run_main(const char* program, int (*body)(int, char**), int argc, char** argv) {
  try {
    return body(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: out of memory\n", program);
    return 1;
  }
}

namespace {

// More than a day of 100 Hz samples as floats (34.56 MB): a buffer grown
// record by record is extended in place, not the heap at every record.
constexpr int kHeapGrowthBytes = 64 << 20;

}  // namespace

void reuse_large_blocks() {
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
  mallopt(M_TOP_PAD, kHeapGrowthBytes);
}

// The pages of the block malloc gives for `bytes` are made present in the
// background once the block is back in the heap.
void prepare_heap(std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE) && !defined(CMDLINE_ADDRESS_SANITIZER)
  void* block = std::malloc(bytes);
  if (block == nullptr) return;
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const std::uintptr_t begin = (start + page - 1) / page * page, end = (start + bytes) / page * page;
  std::free(block);
  if (end <= begin) return;
  try {
    std::thread([begin, end] { madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE); }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the pages are faulted in as they are used.
  }
#else
  (void)bytes;
#endif
}

}  // namespace cmdline
