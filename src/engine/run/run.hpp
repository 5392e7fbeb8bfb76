// One run of designs, for every face: a grid of up to three sweeps, or a
// table of designs row by row; at each design its figures, or the value of
// a parameter that meets a goal and the figures there; rows in order,
// computed on every core the face allows, with the notes and the misses
// tallied. A face reads its arguments into a request, shows the columns,
// and writes each row as it comes.
#pragma once

#include "engine/answers/solve.hpp"
#include "engine/run/sweep.hpp"
#include "engine/threads/runner.hpp"
#include "engine/uncertainty/draws.hpp"
#include "engine/uncertainty/indices.hpp"
#include "engine/words/vocabulary.hpp"

#include "climber/figures.hpp"
#include "tether/design.hpp"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// Designs given row by row: the base with these parameters set from each
// row of values (rows x params, row-major). A value that is not finite is
// the row's fault.
struct design_table {
    std::vector<const tether::param*> params;
    std::vector<double> values;
    std::uint64_t rows = 0;
};

// The most figures' values a run of Saltelli's design may give, all of
// which its indices need at once: rows x (k + 2) x figures (400 MB).
inline constexpr std::uint64_t max_index_values = 50000000;

// Designs drawn over varied parameters: draw k of the key, or for the
// indices point k of Saltelli's design of `count` rows.
struct draw_request {
    std::vector<varied> vary;
    std::uint64_t count = 1000;
    std::uint64_t key   = 1;
    bool saltelli       = false;  // count (k + 2) designs, k the varied parameters
};

struct run_request {
    tether::design base{};
    std::vector<axis> axes{};                // the grid's axes, the first outermost
    std::optional<design_table> table{};     // or the designs row by row (then no axes)
    std::optional<goal> sought{};            // seek it at every design (by the integral method)
    std::optional<draw_request> drawn{};     // or the designs drawn (then no axes, table or goal)
    climber::figures_request figures{};      // the method, the modules' settings, the modes wanted
    std::vector<std::string> names{};        // the figures to give, in order (none: every one)
    std::uint64_t limit = max_grid_designs;  // the most designs of the grid
    std::string where{};                     // follows the limit in its message
    bool each_checked = false;  // each row checks its design (a table's rows always do)
};

// A row, and what is said of it.
struct run_row {
    std::vector<double> values;                 // the swept values, then the figures (NaN: none)
    std::vector<climber::note> notes{};         // on its figures
    std::vector<climber::note> design_notes{};  // on its design, where the row checks it
    bool missed     = false;                    // a figure is NaN: it missed, or no answer
    std::string why = {};                       // why
    std::optional<design_fault> fault{};        // its design cannot be computed (checked rows)
    std::optional<solution> solved{};           // the goal's answer, where one is sought
    std::string reason{};  // a draw that is no design: why (its fault's message)
};

// What a run's rows say, tallied: each kind of note once with its first
// row and the number of rows; the rows that missed, the first and why.
struct run_summary {
    note_tally notes;         // on the rows' figures
    note_tally design_notes;  // on the rows' designs, where the rows check them
    std::uint64_t missed       = 0;
    std::uint64_t first_missed = 0;
    std::string why            = {};  // the first missed row's
    run_result result          = {};
};

// What a face that refuses a run before it writes a row learns first.
struct run_start {
    std::optional<design_fault> fault{};  // a grid's first design that cannot be computed
    std::string unsolved{};               // a single design's goal without an answer: why
    note_tally notes{};                   // on the designs of a grid checked whole
    std::optional<run_row> first{};       // a single design's goal row, computed
};

class run {
  public:
    // Reads the grid and the figures asked for; throws grid_error for the
    // axes, usage_error for the rest.
    explicit run(run_request r);

    const run_request& request() const
    {
        return request_;
    }
    const grid& designs() const
    {
        return grid_;
    }
    std::uint64_t size() const;
    // The rows' columns: the swept (or tabled) parameters, the one sought,
    // then the figures asked for; for draws, the draw's index `draw`, the
    // varied parameters, then the figures (and the text of reason_column()).
    const std::vector<column>& columns() const
    {
        return columns_;
    }
    // The figures' columns alone, in order.
    std::vector<column> figures_shown() const;
    // The index in columns() of the figure shown by this name; none where no
    // figure shown has it (a parameter's column is none).
    std::optional<std::size_t> figure_index(const std::string& name) const;
    // The text column that follows a draw's numbers: why it is no design.
    static column reason_column();
    // The design of row i.
    tether::design design_at(std::uint64_t i) const;

    // The first design of the grid that cannot be computed (grid_fault's
    // message), or none; the notes on those that pass tallied into notes.
    std::optional<design_fault> check(const std::function<bool()>& stop,
                                      note_tally* notes = nullptr) const;

    // Row i; once *stop is set the row means nothing.
    run_row row(std::uint64_t i, const std::atomic<int>* stop = nullptr) const;

    // Rows [begin, end) computed on s.jobs threads (0: this one), each
    // handed to sink on this thread in order, and tallied; the figures'
    // notes after those already in `notes`.
    run_summary execute(std::uint64_t begin, std::uint64_t end,
                        const std::function<bool(std::uint64_t, run_row&)>& sink,
                        const run_settings& s, note_tally notes = {}) const;

    // Before the rows: a grid of figures checked whole (check()); a single
    // design's goal sought, its row kept for execute() to hand on as row 0.
    run_start start(const std::atomic<int>* stop) const;
    // execute(), row 0 being `first` where it is given.
    run_summary execute(std::uint64_t begin, std::uint64_t end,
                        const std::function<bool(std::uint64_t, run_row&)>& sink,
                        const run_settings& s, std::optional<run_row> first) const;

    // What leads a remark on count rows from first: "design I of N (VALUES)
    // and K more" for a grid with sweeps, "draw I (VALUES) and K more" for
    // draws ("design I of N (VALUES) ...", from 1, of Saltelli's design), else
    // empty.
    std::string lead(std::uint64_t first, std::uint64_t count) const;
    // The tally's notes, each led by lead() where there is one.
    std::vector<climber::note> led(const note_tally& tally) const;
    std::vector<climber::note> led(const std::vector<note_tally::entry>& entries) const;

  private:
    // The drawn values of row i.
    std::vector<double> drawn_at(std::uint64_t i) const;
    // A goal run's row: the value sought for design d, or why there is none.
    void solved_row(const tether::design& d, const std::atomic<int>* stop, run_row& out) const;

    run_request request_;
    grid grid_;
    std::vector<std::size_t> selection_;
    climber::figures_request figures_;
    std::vector<column> columns_;
    std::optional<climber::note> method_note_;  // on figures asked for that the method leaves empty
    std::optional<draws> draws_;
    std::optional<saltelli_design> saltelli_;
};

// The notes on the rows' figures and on their designs, each kind once, in
// the kinds' order.
std::vector<note_tally::entry> all_notes(const run_summary& s);

}  // namespace engine
