#include "run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string_view>

#include "model.h"
#include "perturb.h"

namespace layergen {

namespace {

enum class LineRead { line, end, tooLong };

// Reads the next line of `in` into `line`, keeping only its first `keep`
// characters and skipping the rest; a carriage return before the newline
// belongs to the line end.  A last line without a newline counts as a line.
LineRead readLine(std::istream& in, std::size_t keep, std::string& line) {
    std::streambuf& buf = *in.rdbuf();
    line.clear();
    std::size_t length = 0;
    for (int c = buf.sbumpc(); c != '\n'; c = buf.sbumpc()) {
        if (c == std::char_traits<char>::eof()) {
            if (length == 0) return LineRead::end;
            break;
        }
        if (++length > kMaxLineLength) return LineRead::tooLong;
        if (line.size() <= keep) line.push_back(static_cast<char>(c));  // one more, for a carriage return
    }
    if (line.size() == length && !line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > keep) line.resize(keep);
    return LineRead::line;
}

// A field as quoted in messages: bytes other than printable ASCII as 0xNN.
std::string printable(std::string_view text) {
    std::string s;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7f) {
            s += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", u);
            s += hex;
        }
    }
    return s;
}

// A depth as it would be written (F10.2), without the leading blanks.
std::string depthText(float z) {
    const std::string field = formatField(z, kFieldWidth, kFieldDecimals[0]);
    return field.substr(field.find_first_not_of(' '));
}

}  // namespace

int processModel(std::istream& in, std::ostream& out, std::ostream& out2, std::ostream& err,
                 const std::string& inName) {
    std::string line;
    long long lineNo = 0;
    auto where = [&]() -> std::ostream& { return err << "layergen: " << inName << ": line " << lineNo << ": "; };
    auto tooLong = [&] {
        where() << "line longer than " << kMaxLineLength << " characters\n";
        return 1;
    };

    for (int n = 1; n <= 2; ++n) {
        lineNo = n;
        const LineRead r = readLine(in, kTitleWidth, line);
        if (r == LineRead::tooLong) return tooLong();
        if (r == LineRead::end) {
            where() << "end of input where title line " << n << " of 2 was expected\n";
            return 1;
        }
        const std::string title = titleLine(line);
        out << title << '\n';
        out2 << title << '\n';
    }

    Perturbation perturbation;
    float lastDepth = 0.0f;
    for (lineNo = 3;; ++lineNo) {
        const LineRead r = readLine(in, kRowWidth, line);
        if (r == LineRead::end) break;
        if (r == LineRead::tooLong) return tooLong();

        const RowParse parsed = parseRow(line);
        if (!parsed.row) {
            const int k = parsed.badField;
            const std::size_t first = static_cast<std::size_t>(k * kFieldWidth);
            const std::string text = first < line.size() ? line.substr(first, kFieldWidth) : "";
            where() << "field " << kFieldNames[k] << " (columns " << first + 1 << "-" << first + kFieldWidth
                    << ") is not a number: \"" << printable(text) << "\"\n";
            return 1;
        }
        // The perturbation finds its depths by walking down: a model that
        // goes back up would be perturbed at the wrong rows.
        const float depth = parsed.row->z;
        if (lineNo > 3 && depth < lastDepth) {
            where() << "depth " << depthText(depth) << " km is above the " << depthText(lastDepth)
                    << " km of the line before; depths must not decrease\n";
            return 1;
        }
        lastDepth = depth;

        PerturbNotes notes;
        const PerturbedRows rows = perturbation.perturbRow(*parsed.row, &notes);
        if (notes.noGradientTopRow) {
            where() << "warning: model has no row at 2740 km above this row;"
                       " the gradient starts from vp 13.6792, vs 7.26547 km/s\n";
        }
        if (notes.noBoundaryRow) {
            where() << "warning: model has no row at 2891 km above this row;"
                       " rows below 2891 km are taken as core and written unchanged\n";
        }
        // The two rows differ only in the basal layer: format once otherwise.
        const std::string line1 = formatRow(rows.modout);
        const bool same = rows.modout2.vp == rows.modout.vp && rows.modout2.vs == rows.modout.vs;
        out << line1 << '\n';
        out2 << (same ? line1 : formatRow(rows.modout2)) << '\n';
    }
    return 0;
}

int runLayergen(const std::string& inPath, const std::string& outPath, const std::string& out2Path,
                std::ostream& err) {
    // A directory opens as a stream that reads as nothing: say what it is.
    std::error_code unexamined;  // a path that cannot be examined fails at the open below
    if (std::filesystem::is_directory(inPath, unexamined)) {
        err << "layergen: " << inPath << ": is a directory\n";
        return 1;
    }
    std::ifstream in(inPath);
    if (!in) {
        err << "layergen: cannot open " << inPath << ": " << std::strerror(errno) << '\n';
        return 1;
    }
    std::ofstream out(outPath, std::ios::trunc);
    if (!out) {
        err << "layergen: cannot open " << outPath << " for writing: " << std::strerror(errno) << '\n';
        return 1;
    }
    std::ofstream out2(out2Path, std::ios::trunc);
    if (!out2) {
        err << "layergen: cannot open " << out2Path << " for writing: " << std::strerror(errno) << '\n';
        return 1;
    }

    int status = processModel(in, out, out2, err, inPath);
    out.close();
    out2.close();
    if (out.fail() || out2.fail()) {
        err << "layergen: error writing " << (out.fail() ? outPath : out2Path) << '\n';
        status = 1;
    }
    return status;
}

}  // namespace layergen
