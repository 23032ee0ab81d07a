#include <charconv>
#include <cstdint>

#include <qc/qc.h>

namespace qc {

namespace {

bool read_count(std::string_view text, long long& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::optional<Shard> parse_shard(const std::string& text) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return std::nullopt;
  long long index = 0, count = 0;
  const std::string_view all(text);
  if (!read_count(all.substr(0, slash), index) || !read_count(all.substr(slash + 1), count)) return std::nullopt;
  if (count < 1 || count > INT32_MAX || index < 1 || index > count) return std::nullopt;
  return Shard{static_cast<int>(index), static_cast<int>(count)};
}

bool shard_from_slurm(const std::function<const char*(const char*)>& getenv, Shard& shard, std::string& error) {
  long long id = 0, count = 0, min = 0, step = 1;
  for (auto [name, value] : {std::pair{"SLURM_ARRAY_TASK_ID", &id}, std::pair{"SLURM_ARRAY_TASK_COUNT", &count},
                             std::pair{"SLURM_ARRAY_TASK_MIN", &min}}) {
    const char* text = getenv(name);
    if (text == nullptr) {
      error = std::string(name) + " is not set: --shard auto runs in a Slurm array job (sbatch --array)";
      return false;
    }
    if (!read_count(text, *value)) {
      error = std::string(name) + " is not a whole number: '" + text + "'";
      return false;
    }
  }
  if (const char* text = getenv("SLURM_ARRAY_TASK_STEP"); text != nullptr && (!read_count(text, step) || step < 1)) {
    error = std::string("SLURM_ARRAY_TASK_STEP is not a positive whole number: '") + text + "'";
    return false;
  }
  const long long offset = id - min;
  if (count < 1 || count > INT32_MAX || offset < 0 || offset % step != 0 || offset / step >= count) {
    error = "task " + std::to_string(id) + " is not one of " + std::to_string(count) + " tasks from " +
            std::to_string(min) + " in steps of " + std::to_string(step);
    return false;
  }
  shard = Shard{static_cast<int>(offset / step + 1), static_cast<int>(count)};
  return true;
}

std::vector<std::string> shard_part(const std::vector<std::string>& sorted, const Shard& shard) {
  const std::size_t n = sorted.size();
  const auto bound = [&](int part) {
    return static_cast<std::size_t>(static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(part) /
                                    static_cast<std::uint64_t>(shard.count));
  };
  return {sorted.begin() + static_cast<std::ptrdiff_t>(bound(shard.index - 1)),
          sorted.begin() + static_cast<std::ptrdiff_t>(bound(shard.index))};
}

}  // namespace qc
