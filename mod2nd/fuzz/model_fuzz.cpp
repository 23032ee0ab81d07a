// libFuzzer target for the model file reader, the row checks and the .nd
// conversion.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "modelfile.h"
#include "nd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  modelfile::Model m;
  std::string error;
  if (!modelfile::readModel(in, "fuzz", m, error) || !modelfile::checkRows(m, "fuzz", error)) {
    if (error.empty()) __builtin_trap();  // every refusal says why
    return 0;
  }
  mod2nd::Boundaries b;
  std::optional<mod2nd::Refusal> refusal = mod2nd::checkExtent(m.rows);
  if (!refusal) refusal = mod2nd::findBoundaries(m.rows, std::nullopt, b);
  if (refusal) return 0;
  // The names go in depth order, each before a row.
  if (!(b.moho < b.cmb && b.cmb < b.icb && b.icb + 1 < m.rows.size())) __builtin_trap();
  (void)mod2nd::ndText(m.rows, b);
  return 0;
}
