// libFuzzer target for .nd model reading, the model checks and tracing:
// every refusal says why, and every arrival is finite, at its distance and
// sorted by time.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "traveltime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    traveltime::Model model;
    std::string error;
    if (!traveltime::read_model(in, "fuzz", true, model, error)) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    for (const char* phase : {"P", "ScS", "PKP"}) {
        traveltime::PhaseTable table;
        if (!traveltime::PhaseTable::make(model, phase, 0.0, table, error)) __builtin_trap();
        for (const double deg : {0.0, 45.0, 180.0}) {
            std::vector<traveltime::Arrival> out;
            if (!table.arrivals(deg, out, error)) __builtin_trap();
            for (std::size_t i = 0; i < out.size(); ++i) {
                const traveltime::Arrival& a = out[i];
                if (a.distance_deg != deg || !(a.time_s >= 0.0) || !std::isfinite(a.time_s) ||
                    !(a.ray_param_s_per_deg >= 0.0) || (i > 0 && a.time_s < out[i - 1].time_s))
                    __builtin_trap();
            }
        }
    }
    return 0;
}
