#include "run.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <istream>
#include <ostream>

#include "model.h"
#include "perturb.h"

namespace layergen {

namespace {

bool readLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

}  // namespace

int processModel(std::istream& in, std::ostream& out, std::ostream& out2, std::ostream& err,
                 const std::string& inName) {
    std::string line;
    for (int n = 1; n <= 2; ++n) {
        if (!readLine(in, line)) {
            err << "layergen: " << inName << ": line " << n << ": end of input where title line " << n
                << " of 2 was expected\n";
            return 1;
        }
        const std::string title = titleLine(line);
        out << title << '\n';
        out2 << title << '\n';
    }

    Perturbation perturbation;
    for (int i = 1; i <= kMaxRows; ++i) {
        if (!readLine(in, line)) break;
        const int lineNo = i + 2;

        const RowParse parsed = parseRow(line);
        if (!parsed.row) {
            const int k = parsed.badField;
            const std::size_t first = static_cast<std::size_t>(k * kFieldWidth);
            const std::string text = first < line.size() ? line.substr(first, kFieldWidth) : "";
            err << "layergen: " << inName << ": line " << lineNo << ": field " << kFieldNames[k]
                << " (columns " << first + 1 << "-" << first + kFieldWidth << ") is not a number: \""
                << text << "\"\n";
            return 1;
        }

        PerturbNotes notes;
        const PerturbedRows rows = perturbation.perturbRow(*parsed.row, &notes);
        if (notes.noGradientTopRow) {
            err << "layergen: " << inName << ": line " << lineNo
                << ": warning: model has no row at 2740 km above this row;"
                   " the gradient starts from vp 13.6792, vs 7.26547 km/s\n";
        }
        if (notes.noBoundaryRow) {
            err << "layergen: " << inName << ": line " << lineNo
                << ": warning: model has no row at 2891 km above this row;"
                   " rows below 2891 km are taken as core and written unchanged\n";
        }
        // The two rows differ only in the basal layer: format once otherwise.
        const std::string line1 = formatRow(rows.modout);
        const bool same = rows.modout2.vp == rows.modout.vp && rows.modout2.vs == rows.modout.vs;
        out << line1 << '\n';
        out2 << (same ? line1 : formatRow(rows.modout2)) << '\n';
    }
    if (in.bad()) {
        err << "layergen: " << inName << ": read error\n";
        return 1;
    }
    return 0;
}

int runLayergen(const std::string& inPath, const std::string& outPath, const std::string& out2Path,
                std::ostream& err) {
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
