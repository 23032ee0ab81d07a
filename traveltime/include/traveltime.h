// Travel times of seismic phases through spherically symmetric earth models.
//
// A model is a list of rows from the surface down to the centre of the
// earth (depth, P and S velocity); two rows at one depth are the two sides
// of a discontinuity.  Between two rows the velocity follows v = A r^B
// through both rows' values (r the radius), so that ray distance and time
// in each layer have closed forms; rays are traced exactly through that
// model for each ray parameter, and arrivals at a distance are found by
// root-finding on the distance.
//
// Phases: P, S (turning in the mantle, and for a source below the surface
// also leaving it upward), PcP, ScS (reflected at the core), PdP, SdS
// (reflected from the top of a discontinuity in the mantle), PKP, SKS
// (through the mantle, turning in the outer core) and PKIKP, SKIKS
// (turning in the inner core).  An S leg in a layer without shear velocity
// (an ocean) travels there as a P wave.
#pragma once

#include <cstddef>
#include <istream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace traveltime {

inline constexpr double kEarthRadiusKm = 6371.0;  // depth of the centre

// A loaded, checked model.
struct Model {
    std::string name;                  // the file, for messages
    std::vector<double> depth_km;      // rows from the surface (0) to the centre (kEarthRadiusKm)
    std::vector<double> vp_km_s;       // P velocity, positive
    std::vector<double> vs_km_s;       // S velocity, 0 in fluids
    double cmb_depth_km = 0.0;         // core-mantle boundary
    std::optional<double> icb_depth_km;  // inner-core boundary, when the model has an inner core
};

// Ray tracing takes time in proportion to the square of the rows.
inline constexpr std::size_t kMaxRows = 10000;

// Checks the rows and finds the core: at most kMaxRows rows, depths from 0
// to kEarthRadiusKm, never decreasing, at most two rows at one depth; P velocity positive and S
// velocity not negative.  The core-mantle boundary is the deepest
// discontinuity where the S velocity drops from a positive value to zero;
// the inner-core boundary the first one below it where it rises from zero.
// False with a message naming `model.name` for a model without a core.
bool check_model(Model& model, std::string& error);

// Reads a model file, then checks it with check_model: a name ending in
// ".nd" is a named-discontinuities file (lines "depth vp vs [rho qp qs]",
// the names "mantle", "outer-core", "inner-core" on lines of their own and
// "#" comments; the core is found from the velocities all the same), any
// other our fixed-column layout (prem32.mod, modout, modout2).
bool load_model(const std::string& path, Model& model, std::string& error);

// Reads a model from `in` as load_model does, a .nd file when `nd`; `name`
// names it in messages.
bool read_model(std::istream& in, const std::string& name, bool nd, Model& model, std::string& error);

struct Arrival {
    std::string phase;
    double distance_deg = 0.0;
    double time_s = 0.0;
    double ray_param_s_per_deg = 0.0;
};

// The phase names arrivals() knows, in the order of the header comment.
const std::vector<std::string>& phase_names();

// The depth of the reflector of PdP (for_s false) or SdS (for_s true)
// when none is given: the top of the largest change of velocity between
// two adjacent rows in the kReflectorSearchKm above the core, when it is at
// least kMinReflectorJump of the velocity above it.  False with a message
// when there is no such change.
inline constexpr double kReflectorSearchKm = 300.0;
inline constexpr double kMinReflectorJump = 0.01;
bool default_reflector_depth(const Model& model, bool for_s, double& depth_km, std::string& error);

// The arrivals of one phase from one source depth, for many distances: the
// ray paths are sampled once by make(), each distance then costs a few ray
// traces.  Copies share the samples; a table is not changed by queries, so
// threads may query one table at once.
class PhaseTable {
public:
    // False with a message for an unknown phase, a source depth outside the
    // mantle (0 to the core), a reflector depth outside the mantle or not
    // below the source, PKIKP or SKIKS in a model without an inner core.  `d_depth_km` is the reflector of PdP and SdS (default:
    // default_reflector_depth), ignored for the others.
    static bool make(const Model& model, const std::string& phase, double depth_km, PhaseTable& table,
                     std::string& error, std::optional<double> d_depth_km = std::nullopt);

    // Appends every arrival at `distance_deg` (0 to 180), sorted by time
    // (an arrival less than a millisecond after another, with a ray
    // parameter less than 0.05 s/deg from its, is that one); none when the
    // phase does not reach there.  False with a message for a
    // distance outside 0..180, or a table not made.
    bool arrivals(double distance_deg, std::vector<Arrival>& out, std::string& error) const;

    const std::string& phase() const;  // empty for a table not made

    struct Impl;  // the ray paths and their samples

private:
    std::shared_ptr<const Impl> impl_;
};

// Appends every arrival of `phase` from a source at `depth_km` at
// `distance_deg`, sorted by time; none when the phase does not exist there.
// False with a message for an unknown phase, a distance outside 0..180, a
// depth outside the mantle (as PhaseTable::make and arrivals).  For many
// distances, make a PhaseTable once.
bool arrivals(const Model& model, const std::string& phase, double depth_km, double distance_deg,
              std::vector<Arrival>& out, std::string& error, std::optional<double> d_depth_km = std::nullopt);

}  // namespace traveltime
