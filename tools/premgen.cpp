// premgen: writes the isotropic PREM (Dziewonski and Anderson, 1981) as a
// layergen model file: two 72-column title lines, then rows of depth (km),
// density (g/cm^3), vp, vs (km/s), Q of P waves and Q of S waves in the
// fixed columns F10.2, F10.5, F10.5, F10.5, F10.2, F10.2, from the surface
// to the centre.
//
// Usage: premgen [file]   (standard output without a file name)
//
// Values come from PREM's published polynomials in x = r / 6371 km,
// evaluated in double precision.  Each discontinuity is given as two rows of
// equal depth, upper side first; a region boundary where the written values
// agree on both sides is one row.  Rows are every 10 km down to 2600 km,
// every 5 km down to the core-mantle boundary, with extra rows at 2641 km
// (the step of layergen) and 2866 km (top of its basal layer), and every
// 50 km in the core.
//
// Q of S waves is Q_mu (0 in the fluid ocean and outer core, where there is
// no shear); Q of P waves follows from Q_kappa and Q_mu:
//   1/Q_p = (1 - L)/Q_kappa + L/Q_mu,  L = (4/3)(vs/vp)^2.
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double kEarthRadius = 6371.0;  // km

struct Poly {
    double c0, c1, c2, c3;  // c0 + c1 x + c2 x^2 + c3 x^3
    double at(double x) const { return c0 + x * (c1 + x * (c2 + x * c3)); }
};

// One PREM region, from radius rBottom to rTop (km).
struct Region {
    double rBottom, rTop;
    Poly rho, vp, vs;
    double qmu, qkappa;  // qmu 0: fluid
};

const Poly kLowerMantleRho = {7.9565, -6.4761, 5.5283, -3.0807};
const Poly kLidRho = {2.6910, 0.6924, 0, 0};
const Poly kLidVp = {4.1875, 3.9382, 0, 0};
const Poly kLidVs = {2.1519, 2.3481, 0, 0};

// From the centre up.
const Region kRegions[] = {
    {0.0, 1221.5, {13.0885, 0, -8.8381, 0}, {11.2622, 0, -6.3640, 0}, {3.6678, 0, -4.4475, 0}, 84.6, 1327.7},
    {1221.5, 3480.0, {12.5815, -1.2638, -3.6426, -5.5281}, {11.0487, -4.0362, 4.8023, -13.5732}, {0, 0, 0, 0}, 0.0,
     57823.0},
    {3480.0, 3630.0, kLowerMantleRho, {15.3891, -5.3181, 5.5242, -2.5514}, {6.9254, 1.4672, -2.0834, 0.9783}, 312.0,
     57823.0},
    {3630.0, 5600.0, kLowerMantleRho, {24.9520, -40.4673, 51.4832, -26.6419}, {11.1671, -13.7818, 17.4575, -9.2777},
     312.0, 57823.0},
    {5600.0, 5701.0, kLowerMantleRho, {29.2766, -23.6027, 5.5242, -2.5514}, {22.3459, -17.2473, -2.0834, 0.9783},
     312.0, 57823.0},
    {5701.0, 5771.0, {5.3197, -1.4836, 0, 0}, {19.0957, -9.8672, 0, 0}, {9.9839, -4.9324, 0, 0}, 143.0, 57823.0},
    {5771.0, 5971.0, {11.2494, -8.0298, 0, 0}, {39.7027, -32.6166, 0, 0}, {22.3512, -18.5856, 0, 0}, 143.0, 57823.0},
    {5971.0, 6151.0, {7.1089, -3.8045, 0, 0}, {20.3926, -12.2569, 0, 0}, {8.9496, -4.4597, 0, 0}, 143.0, 57823.0},
    {6151.0, 6291.0, kLidRho, kLidVp, kLidVs, 80.0, 57823.0},
    {6291.0, 6346.6, kLidRho, kLidVp, kLidVs, 600.0, 57823.0},
    {6346.6, 6356.0, {2.900, 0, 0, 0}, {6.800, 0, 0, 0}, {3.900, 0, 0, 0}, 600.0, 57823.0},
    {6356.0, 6368.0, {2.600, 0, 0, 0}, {5.800, 0, 0, 0}, {3.200, 0, 0, 0}, 600.0, 57823.0},
    {6368.0, 6371.0, {1.020, 0, 0, 0}, {1.450, 0, 0, 0}, {0, 0, 0, 0}, 0.0, 57823.0},
};

std::string row(double depth, const Region& g) {
    const double x = (kEarthRadius - depth) / kEarthRadius;
    const double vp = g.vp.at(x);
    const double vs = g.vs.at(x);
    double qp = g.qkappa;
    if (g.qmu > 0.0) {
        const double l = (4.0 / 3.0) * (vs / vp) * (vs / vp);
        qp = 1.0 / ((1.0 - l) / g.qkappa + l / g.qmu);
    }
    char buf[128];
    std::snprintf(buf, sizeof buf, "%10.2f%10.5f%10.5f%10.5f%10.2f%10.2f", depth, g.rho.at(x), vp, vs, qp, g.qmu);
    return buf;
}

std::string title(const std::string& text) {
    std::string t = text.substr(0, 72);
    t.resize(72, ' ');
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: premgen [file]\n");
        return 2;
    }
    std::FILE* f = argc == 2 ? std::fopen(argv[1], "w") : stdout;
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }

    // Depths of the grid (km), integers so that no rounding creeps in.
    std::set<int> grid;
    for (int z = 0; z <= 2600; z += 10) grid.insert(z);
    for (int z = 2600; z <= 2891; z += 5) grid.insert(z);
    grid.insert(2641);
    grid.insert(2866);
    grid.insert(2891);
    for (int z = 2900; z <= 6371; z += 50) grid.insert(z);
    grid.insert(6371);

    std::vector<std::string> lines;
    lines.push_back(title("PREM isotropic (Dziewonski and Anderson 1981), written by tools/premgen"));
    lines.push_back(title("     depth       rho        vp        vs        qp        qs"));

    // Walk the regions from the surface down; a region boundary gives the
    // row of the upper region, then that of the lower one if it differs.
    const int n = static_cast<int>(sizeof kRegions / sizeof kRegions[0]);
    for (int k = n - 1; k >= 0; --k) {
        const Region& g = kRegions[k];
        const double top = kEarthRadius - g.rTop;
        const double bottom = kEarthRadius - g.rBottom;
        const std::string first = row(top, g);
        if (k == n - 1 || first != lines.back()) lines.push_back(first);
        for (int z : grid) {
            if (z > top && z < bottom) lines.push_back(row(z, g));
        }
        lines.push_back(row(bottom, g));
    }

    for (const std::string& l : lines) std::fprintf(f, "%s\n", l.c_str());
    if (std::fflush(f) != 0 || (f != stdout && std::fclose(f) != 0)) {
        std::perror("premgen");
        return 1;
    }
    return 0;
}
