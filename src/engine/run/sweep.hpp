// Sweeps: a parameter over a range or a list of values, and the grid of
// designs that up to three sweeps make.
#pragma once

#include "engine/words/settings.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/figures.hpp"
#include "tether/design.hpp"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace engine {

inline constexpr std::size_t max_sweeps         = 3;
inline constexpr std::uint64_t max_grid_designs = 10000000;

struct sweep {
    const tether::param* param;
    std::vector<double> values;
};

// Parses "NAME=FROM:TO:N", "NAME=FROM:TO:N:log" or "NAME=V1,V2,...".
// Value k of a range is FROM + (k (TO - FROM)) / (N - 1), or in log form
// FROM pow(TO / FROM, k / (N - 1)) (where TO / FROM is no normal number,
// exp(log FROM + k / (N - 1) (log TO - log FROM))); the last value is TO
// exactly. Throws usage_error.
sweep parse_sweep(const std::string& text);

// The number of values that parse_sweep would make of the text, without
// making them, however many (1e300 for N = 1e300). Throws usage_error for
// a count that is not a whole number.
double sweep_size(const std::string& text);

// Every combination of the sweeps' values, the first sweep outermost.
class grid {
  public:
    // Throws usage_error for too many sweeps, a name swept twice, or more
    // than max_grid_designs designs.
    explicit grid(std::vector<sweep> sweeps);

    std::uint64_t size() const;
    const std::vector<sweep>& sweeps() const;
    // The swept values of design i, in the order of the sweeps.
    std::vector<double> values_at(std::uint64_t i) const;
    // Design i's swept values as "vmax=50, strength=35.1".
    std::string values_text(std::uint64_t i) const;
    // The base design with design i's swept values set.
    tether::design design_at(const tether::design& base, std::uint64_t i) const;
    // Whether design i starts a new value of the first of two or more sweeps.
    bool starts_block(std::uint64_t i) const;

  private:
    std::vector<sweep> sweeps_;
    std::uint64_t size_ = 1;
};

// The notes on a run's designs: each kind once, for the first design it
// applies to, with the number of others.
class note_tally {
  public:
    struct entry {
        std::uint64_t first = 0;  // the first design it applies to
        std::uint64_t count = 0;  // the designs it applies to
        climber::note note{};     // the first design's note
    };
    void add(std::uint64_t i, const std::vector<climber::note>& notes);
    // Whether a note of this kind is tallied already (add keeps the first's
    // alone).
    bool holds(climber::note_kind kind) const;
    // Each kind's entry, in the order of the kinds.
    std::vector<entry> entries() const;
    // Each kind's note, led by "design I of N (VALUES) and K more: " where
    // the grid has sweeps.
    std::vector<climber::note> notes(const grid& g) const;

  private:
    std::map<int, entry> seen_;
};

// One axis of a grid as a face gives it: a sweep's text, "NAME=FROM:TO:N",
// "NAME=FROM:TO:N:log" or "NAME=V1,V2,...", or where listed is set, a
// parameter's name (text) and its values.
struct axis {
    std::string text;
    bool listed                = false;
    std::vector<double> values = {};
};

// A mistake in a grid's axes: the axis at fault (none: the grid as a whole)
// and why; what() is the reason alone, for the face to say where it was given.
struct grid_error : usage_error {
    grid_error(std::optional<std::size_t> at, const std::string& why) : usage_error(why), axis(at)
    {
    }
    grid_error(std::optional<std::size_t> at, const usage_error& e) : usage_error(e), axis(at) {}
    std::optional<std::size_t> axis;
};

// The one reader of grids, for every face: the axes, the first outermost,
// into a grid of at most limit designs (beyond max_grid_designs is never
// taken). The counts are checked before any list of values is made, so a
// refused grid costs no memory; `where` follows the limit in its message
// ("a grid of 2000 designs is too large; at most 1000 WHERE"). Listed values
// must be finite. Throws grid_error.
grid read_grid(const std::vector<axis>& axes, std::uint64_t limit = max_grid_designs,
               const std::string& where = {});

// The first design of the grid that cannot be computed, its message saying
// which ("design 3 of 5 (vmax=0): vmax = 0 m/s: ..."; a grid of no sweeps
// has the design's own message), or none. Stops early, finding none, once
// stop() is true. Where notes is given, it gets the notes on the designs
// that pass (climber::design_notes).
std::optional<design_fault> grid_fault(const grid& g, const tether::design& base,
                                       const std::function<bool()>& stop,
                                       note_tally* notes = nullptr);

// What leads a remark on designs of a grid with sweeps: "design I of N
// (VALUES) and K more" for count designs from first; empty for a grid of no
// sweeps.
std::string designs_lead(const grid& g, std::uint64_t first, std::uint64_t count);

// The designs of shard k of n of a grid of m: [floor((k-1) m / n), floor(k m / n)).
struct shard_range {
    std::uint64_t begin;
    std::uint64_t end;
};
// Parses "K/N" (1 <= K <= N); throws usage_error.
std::pair<std::uint64_t, std::uint64_t> parse_shard(const std::string& text);
shard_range shard_of(std::uint64_t m, std::uint64_t k, std::uint64_t n);

}  // namespace engine
