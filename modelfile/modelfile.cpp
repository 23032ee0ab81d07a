#include "modelfile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <system_error>

namespace modelfile {

namespace {

using layergen::kFieldDecimals;
using layergen::ModelRow;

enum class LineStatus { ok, end, tooLong };

// Reads one line (its newline and a trailing carriage return dropped),
// stopping at kMaxLineLength characters so that no line is held whole
// unless it is short enough.
LineStatus readLine(std::istream& in, std::string& line) {
    line.clear();
    char c = 0;
    bool any = false;
    while (in.get(c)) {
        any = true;
        if (c == '\n') break;
        if (line.size() == kMaxLineLength) return LineStatus::tooLong;
        line += c;
    }
    if (!any) return LineStatus::end;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return LineStatus::ok;
}

bool isBlank(const std::string& line) { return line.find_first_not_of(" \t") == std::string::npos; }

std::string at(const std::string& name, std::size_t line) { return name + ": line " + std::to_string(line) + ": "; }

std::string depthText(float z) { return valueText(z, kFieldDecimals[0]) + " km"; }

// Every field of a data row holds something (layergen reads a blank field
// as 0, which hides a missing value) and nothing follows the last one.
bool fieldsFilled(const std::string& line, const std::string& name, std::size_t lineNo, std::string& error) {
    for (int k = 0; k < layergen::kFieldCount; ++k) {
        const std::size_t first = static_cast<std::size_t>(k * layergen::kFieldWidth);
        if (first >= line.size() || isBlank(line.substr(first, layergen::kFieldWidth))) {
            error = at(name, lineNo) + "field " + layergen::kFieldNames[k] + " (columns " +
                    std::to_string(first + 1) + "-" + std::to_string(first + layergen::kFieldWidth) + ") is blank";
            return false;
        }
    }
    const std::size_t end = static_cast<std::size_t>(layergen::kRowWidth);
    if (line.size() > end && !isBlank(line.substr(end))) {
        error = at(name, lineNo) + "text after column " + std::to_string(end) + " (the last field, qs)";
        return false;
    }
    return true;
}

// A value in (low, high] or [low, high]: false with "WHAT VALUE UNIT is
// outside ..." in `error`.
bool inRange(float v, float low, bool lowIncluded, float high, const char* what, int decimals, const char* unit,
             const std::string& where, std::string& error) {
    if ((lowIncluded ? v >= low : v > low) && v <= high) return true;
    error = where + what + " " + valueText(v, decimals) + unit + " is outside " + (lowIncluded ? "[" : "(") +
            valueText(low, 0) + ", " + valueText(high, 0) + "]";
    return false;
}

}  // namespace

bool readModel(std::istream& in, const std::string& name, Model& model, std::string& error) {
    model = Model{};
    std::string line;
    std::size_t lineNo = 0;
    std::size_t blankLine = 0;  // the first blank line not yet followed by a row, or 0
    while (true) {
        const LineStatus status = readLine(in, line);
        if (status == LineStatus::end) break;
        ++lineNo;
        if (status == LineStatus::tooLong) {
            error = at(name, lineNo) + "line longer than " + std::to_string(kMaxLineLength) +
                    " characters; not a model file?";
            return false;
        }
        if (lineNo == 1) {
            model.title1 = layergen::titleLine(line);
            continue;
        }
        if (lineNo == 2) {
            model.title2 = layergen::titleLine(line);
            continue;
        }
        if (isBlank(line)) {
            if (blankLine == 0) blankLine = lineNo;
            continue;
        }
        if (blankLine != 0) {
            error = at(name, blankLine) + "blank line between data rows";
            return false;
        }
        if (model.rows.size() == kMaxRows) {
            error = at(name, lineNo) + "more than " + std::to_string(kMaxRows) + " data rows";
            return false;
        }
        const layergen::RowParse parsed = layergen::parseRow(line);
        if (!parsed.row) {
            const int k = parsed.badField;
            const std::size_t first = static_cast<std::size_t>(k * layergen::kFieldWidth);
            const std::string text = first < line.size() ? line.substr(first, layergen::kFieldWidth) : "";
            error = at(name, lineNo) + "field " + layergen::kFieldNames[k] + " (columns " +
                    std::to_string(first + 1) + "-" + std::to_string(first + layergen::kFieldWidth) +
                    ") is not a number: \"" + text + "\"";
            return false;
        }
        if (!fieldsFilled(line, name, lineNo, error)) return false;
        model.rows.push_back(*parsed.row);
    }
    if (in.bad()) {
        error = name + ": read error";
        return false;
    }
    if (lineNo < 2) {
        error = name + ": line " + std::to_string(lineNo + 1) + ": end of file where title line " +
                std::to_string(lineNo + 1) + " of 2 was expected";
        return false;
    }
    if (model.rows.empty()) {
        error = name + ": no data rows after the two title lines";
        return false;
    }
    return true;
}

bool loadModel(const std::string& path, Model& model, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    return readModel(in, path, model, error);
}

bool checkRows(const Model& model, const std::string& name, std::string& error) {
    const std::vector<ModelRow>& rows = model.rows;
    if (rows.empty()) {
        error = name + ": no data rows";
        return false;
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ModelRow& r = rows[i];
        const std::string where = at(name, lineOfRow(i));
        if (!inRange(r.z, 0.0f, true, kMaxDepth, "depth", kFieldDecimals[0], " km", where, error)) return false;
        if (i > 0 && r.z < rows[i - 1].z) {
            error = where + "depth " + depthText(r.z) + " is above the depth " + depthText(rows[i - 1].z) +
                    " of the row before; rows must go down from the surface";
            return false;
        }
        if (i > 1 && r.z == rows[i - 1].z && r.z == rows[i - 2].z) {
            error = where + "third row at depth " + depthText(r.z) + "; a discontinuity is two rows";
            return false;
        }
        if (!inRange(r.vp, 0.0f, false, kMaxVelocity, "P velocity", kFieldDecimals[2], " km/s", where, error) ||
            !inRange(r.vs, 0.0f, true, kMaxVelocity, "S velocity", kFieldDecimals[3], " km/s", where, error) ||
            !inRange(r.rho, 0.0f, false, kMaxDensity, "density", kFieldDecimals[1], " g/cm^3", where, error) ||
            !inRange(r.qp, 0.0f, false, kMaxQ, "qp", kFieldDecimals[4], "", where, error) ||
            !inRange(r.qs, 0.0f, true, kMaxQ, "qs", kFieldDecimals[5], "", where, error))
            return false;
    }
    return true;
}

std::string valueText(float value, int decimals) {
    if (value == 0.0f) value = 0.0f;  // no "-0"
    char buf[128];  // the longest fixed text of a float is under 60 characters
    const std::to_chars_result rounded =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (rounded.ec == std::errc()) {
        float back = 0.0f;
        const std::from_chars_result parsed = std::from_chars(buf, rounded.ptr, back);
        if (parsed.ec == std::errc() && back == value) return std::string(buf, rounded.ptr);
    }
    const std::to_chars_result shortest = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    return std::string(buf, shortest.ptr);
}

}  // namespace modelfile
