// Numbers in messages: the shortest text that reads back as the same double.
#pragma once

#include <charconv>
#include <string>

namespace traveltime {

inline std::string number(double value) {
    char buf[64];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

}  // namespace traveltime
