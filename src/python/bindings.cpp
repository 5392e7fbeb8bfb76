// The study for Python: the library and the explorer's reading of designs,
// behind the module tether._core. The package tether (tether/__init__.py)
// builds designs, frames and errors on top of it; nothing here or there
// computes a figure of its own.
//
// A design crosses as a dict {name: float, or None for auto}, every
// parameter present.
#include "engine/figures.hpp"
#include "engine/numbers.hpp"
#include "engine/runner.hpp"
#include "engine/settings.hpp"
#include "engine/sweep.hpp"

#include "climber/integral.hpp"
#include "climber/report.hpp"
#include "climber/study.hpp"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace py = pybind11;

namespace {

using values = std::vector<std::pair<std::string, std::optional<double>>>;

// A design the library cannot compute: the explorer's message, the
// parameter at fault (empty where two are) and the reason.
struct fault {
    std::string message;
    std::string parameter;
    std::string reason;
};

[[noreturn]] void raise(const fault& f)
{
    py::object error = py::module_::import("tether").attr("DesignError");
    py::object p     = f.parameter.empty() ? py::none() : py::object(py::str(f.parameter));
    PyErr_SetObject(error.ptr(), error(f.message, p, f.reason).ptr());
    throw py::error_already_set();
}

fault fault_of(const engine::design_fault& f)
{
    return {f.message, f.other.empty() ? f.name : std::string(), f.reason};
}

values values_of(const tether::design& d)
{
    const tether::design design = d;
    values out;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        const double v   = tether::value_of(design, *p);
        const bool autos = p->can_be_auto && tether::is_automatic(v);
        out.emplace_back(p->name, autos ? std::nullopt : std::optional<double>(v));
    }
    return out;
}

tether::design described_of(const values& v)
{
    tether::design d;
    for (const auto& [name, value] : v) {
        const tether::param* p = tether::find_param(name);
        if (p == nullptr) {
            throw py::type_error("unknown parameter '" + name + "'");
        }
        if (value) {
            p->field(d) = *value;
        }
        else {
            engine::apply(d, name, "auto");
        }
    }
    return d;
}

values defaults()
{
    return values_of(tether::design{});
}

values planet(const std::string& name)
{
    tether::design d;
    try {
        engine::apply(d, "planet", name);
    }
    catch (const engine::usage_error& e) {
        throw py::value_error("planet = " + engine::printable(name) + ": " + e.what());
    }
    values out;
    for (const char* n : {"GM", "RE", "tsid"}) {
        out.emplace_back(n, tether::value_of(d, *tether::find_param(n)));
    }
    return out;
}

std::string listing(const values& v)
{
    return engine::listing(described_of(v));
}

values from_file(const std::string& path)
{
    tether::design d;
    try {
        engine::apply_file(d, path);
    }
    catch (const engine::unreadable_file& e) {
        PyErr_SetObject(PyExc_OSError, py::make_tuple(e.error, std::string(e.what())).ptr());
        throw py::error_already_set();
    }
    catch (const engine::usage_error& e) {
        throw py::value_error(e.what());
    }
    return values_of(d);
}

void check(const values& v, bool with_rows)
{
    if (const auto f = engine::design_error(described_of(v), with_rows)) {
        raise(fault_of(*f));
    }
}

std::optional<std::string> warning(const values& v)
{
    const auto notes = climber::design_notes(described_of(v));
    return notes.empty() ? std::nullopt : std::optional<std::string>(notes.front().text);
}

climber::method method_named(const std::string& name)
{
    if (name == "march") {
        return climber::method::march;
    }
    if (name == "integral") {
        return climber::method::integral;
    }
    throw py::value_error("method = " + engine::printable(name) + ": march or integral");
}

// The notes on a call's figures, as the sentences of Python warnings; the
// integral method named as the package names it.
std::vector<std::string> note_texts(const std::vector<climber::note>& notes)
{
    std::vector<std::string> out;
    for (const climber::note& n : notes) {
        out.push_back(n.text +
                      (n.kind == climber::note_kind::coarse_march ? " (method=\"integral\")" : ""));
    }
    return out;
}

// One call's run, with its own stop request. Ctrl-C: Python's handler has
// only set a flag, which PyErr_CheckSignals turns into the exception on the
// main thread (on any other thread it reports nothing: a run there never
// hears another's Ctrl-C); then this run, and only this one, is stopped.
class run_control {
  public:
    engine::run_settings settings(unsigned jobs)
    {
        engine::run_settings s;
        s.jobs = jobs;
        s.stop = &stop_;
        s.poll = [this] {
            if (interrupted_) {
                return;
            }
            py::gil_scoped_acquire hold;
            if (PyErr_CheckSignals() != 0) {
                interrupted_ = true;
                stop_.store(SIGINT);
            }
        };
        return s;
    }
    const std::atomic<int>* stop() const
    {
        return &stop_;
    }
    // After the run: the exception raised, and nothing of the run returned.
    void finish() const
    {
        if (interrupted_) {
            throw py::error_already_set();
        }
    }

  private:
    std::atomic<int> stop_{0};
    bool interrupted_ = false;
};

// Runs work on a thread of its own while this one, without the GIL,
// listens for Ctrl-C; work should end soon once ctrl.stop() is set.
template <class Work> void listening(run_control& ctrl, Work&& work)
{
    const engine::run_settings s                 = ctrl.settings(1);
    const std::function<char(std::uint64_t)> row = [&](std::uint64_t) {
        work();
        return char{0};
    };
    const std::function<bool(std::uint64_t, char&)> sink = [](std::uint64_t, char&) {
        return true;
    };
    {
        py::gil_scoped_release release;
        engine::run_in_order<char>(0, 1, row, sink, s);
    }
    ctrl.finish();
}

std::vector<std::string> figure_names()
{
    std::vector<std::string> names;
    for (const engine::column& c : engine::figure_columns()) {
        names.push_back(c.name);
    }
    return names;
}

py::tuple figures(const values& v, const std::string& method)
{
    check(v, false);
    const climber::method how = method_named(method);
    const tether::design d    = described_of(v);
    run_control ctrl;
    climber::integral_study s{};
    listening(ctrl, [&] { s = climber::compute_figures(d, how, {}, ctrl.stop()); });
    return py::make_tuple(engine::figure_values(s),
                          note_texts(climber::notes(s, how == climber::method::march)));
}

py::tuple ascent(const values& v)
{
    check(v, true);
    const tether::design d          = described_of(v);
    const climber::push_params push = engine::ascent_push(d);
    std::vector<double> rows;
    run_control ctrl;
    climber::study s{};
    listening(ctrl, [&] {
        s = climber::compute_study(
            d,
            [&rows, &push](const climber::drive_point& p, double time) {
                for (double x : engine::ascent_values(push, p, time)) {
                    rows.push_back(x);
                }
            },
            ctrl.stop());
    });
    std::vector<std::string> names;
    for (const engine::column& c : engine::ascent_columns()) {
        names.push_back(c.name);
    }
    const auto width = static_cast<py::ssize_t>(names.size());
    py::array_t<double> out({static_cast<py::ssize_t>(rows.size()) / width, width});
    std::copy(rows.begin(), rows.end(), out.mutable_data());
    return py::make_tuple(names, out, note_texts(climber::notes(s, true)));
}

py::tuple report(const values& v)
{
    check(v, true);
    const tether::design d = described_of(v);
    std::string text;
    run_control ctrl;
    climber::study s{};
    listening(ctrl, [&] {
        s = climber::print_report(
            [&text](std::string_view lines) {
                text += lines;
                return true;
            },
            d, ctrl.stop());
    });
    return py::make_tuple(text, note_texts(climber::notes(s, true)));
}

std::vector<double> sweep_values(const std::string& name, const std::string& text)
{
    try {
        return engine::parse_sweep(name + "=" + text).values;
    }
    catch (const engine::usage_error& e) {
        throw py::value_error(name + "=" + engine::printable(text) + ": " + e.what());
    }
}

unsigned jobs_or_all(std::optional<unsigned> jobs)
{
    if (jobs && *jobs == 0) {
        throw py::value_error("jobs must be 1 or more");
    }
    return jobs ? *jobs : engine::available_cpus();
}

// Every design of the grid, checked first, computed on jobs threads: rows of
// the swept values then the figures.
// A row of figures and the notes on them.
struct computed_row {
    std::vector<double> values;
    std::vector<climber::note> notes;
};

py::tuple sweep(const values& base,
                const std::vector<std::pair<std::string, std::vector<double>>>& axes,
                std::optional<unsigned> jobs, const std::string& method)
{
    std::vector<engine::sweep> sweeps;
    for (const auto& [name, list] : axes) {
        const tether::param* p = tether::find_param(name);
        if (p == nullptr) {
            throw py::type_error("sweep() got an unexpected keyword argument '" + name + "'");
        }
        sweeps.push_back({p, list});
    }
    std::optional<engine::grid> g;
    try {
        g.emplace(std::move(sweeps));
    }
    catch (const engine::usage_error& e) {
        throw py::value_error(e.what());
    }
    const tether::design d    = described_of(base);
    const climber::method how = method_named(method);
    run_control ctrl;
    const engine::run_settings s = ctrl.settings(jobs_or_all(jobs));
    std::optional<engine::design_fault> bad;
    listening(ctrl,
              [&] { bad = engine::grid_fault(*g, d, [&] { return engine::stop_set(s.stop); }); });
    if (bad) {
        raise(fault_of(*bad));
    }
    const auto width =
        static_cast<py::ssize_t>(g->sweeps().size() + engine::figure_columns().size());
    py::array_t<double> out({static_cast<py::ssize_t>(g->size()), width});
    engine::note_tally tally;
    double* data = out.mutable_data();
    {
        py::gil_scoped_release release;
        const std::function<computed_row(std::uint64_t)> row = [&](std::uint64_t i) {
            computed_row r;
            r.values = engine::grid_row(*g, d, i, how, nullptr, s.stop, &r.notes);
            return r;
        };
        const std::function<bool(std::uint64_t, computed_row&)> sink = [&](std::uint64_t i,
                                                                           computed_row& r) {
            std::copy(r.values.begin(), r.values.end(),
                      data + i * static_cast<std::uint64_t>(width));
            tally.add(i, r.notes);
            return true;
        };
        engine::run_in_order<computed_row>(0, g->size(), row, sink, s);
    }
    ctrl.finish();
    return py::make_tuple(out, note_texts(tally.notes(*g)));
}

// Designs given row by row: base with the named parameters set from each
// row of a (rows x names) array. Returns the figures (rows x 12) and, for
// each row, its fault or None (a NaN is a bad value of its parameter).
py::tuple evaluate(const values& base, const std::vector<std::string>& names,
                   const py::array_t<double, py::array::c_style | py::array::forcecast>& table,
                   std::optional<unsigned> jobs, const std::string& method)
{
    const tether::design d = described_of(base);
    std::vector<const tether::param*> params;
    for (const std::string& n : names) {
        params.push_back(tether::find_param(n));
    }
    const climber::method how = method_named(method);
    const auto rows           = static_cast<std::uint64_t>(table.shape(0));
    const auto cols           = static_cast<std::uint64_t>(table.shape(1));
    const double* in          = table.data();
    std::vector<std::optional<fault>> faults(rows);
    const std::size_t width = engine::figure_columns().size();
    py::array_t<double> out({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(width)});
    double* data = out.mutable_data();
    run_control ctrl;
    const engine::run_settings s = ctrl.settings(jobs_or_all(jobs));
    engine::note_tally tally;
    {
        py::gil_scoped_release release;
        const auto design_of = [&](std::uint64_t r, std::optional<fault>& f) {
            tether::design row = d;
            for (std::uint64_t c = 0; c < cols; ++c) {
                const double v = in[r * cols + c];
                if (std::isnan(v)) {
                    f = fault{std::string(params[c]->name) + " = NaN: not a finite number",
                              params[c]->name, "not a finite number"};
                    return row;
                }
                params[c]->field(row) = v;
            }
            if (const auto e = engine::design_error(row, false)) {
                f = fault_of(*e);
            }
            return row;
        };
        const std::function<computed_row(std::uint64_t)> row = [&](std::uint64_t r) {
            std::optional<fault> f;
            const tether::design design = design_of(r, f);
            faults[r]                   = f;
            if (f) {
                return computed_row{std::vector<double>(width, std::nan("")), {}};
            }
            const climber::integral_study st = climber::compute_figures(design, how, {}, s.stop);
            return computed_row{engine::figure_values(st),
                                climber::notes(st, how == climber::method::march)};
        };
        const std::function<bool(std::uint64_t, computed_row&)> sink = [&](std::uint64_t r,
                                                                           computed_row& v) {
            std::copy(v.values.begin(), v.values.end(), data + r * width);
            tally.add(r, v.notes);
            return true;
        };
        engine::run_in_order<computed_row>(0, rows, row, sink, s);
    }
    ctrl.finish();
    // Each note with the position of the first row it applies to and the
    // number of rows, for the package to name the row by its label.
    py::list notes;
    for (const engine::note_tally::entry& e : tally.entries()) {
        notes.append(py::make_tuple(e.first, e.count, note_texts({e.note}).front()));
    }
    py::list problems;
    for (const auto& f : faults) {
        if (f) {
            problems.append(py::make_tuple(f->message,
                                           f->parameter.empty() ? py::object(py::none())
                                                                : py::object(py::str(f->parameter)),
                                           f->reason));
        }
        else {
            problems.append(py::none());
        }
    }
    return py::make_tuple(out, problems, notes);
}

py::list parameters()
{
    const tether::design d;
    py::list out;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        const double v = tether::value_of(d, *p);
        out.append(py::make_tuple(p->group, p->name, p->unit, p->meaning,
                                  tether::is_automatic(v) ? py::object(py::none())
                                                          : py::object(py::float_(v)),
                                  p->can_be_auto));
    }
    return out;
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc() = "The tether study's library, for the tether package";
    m.def("defaults", &defaults);
    m.def("planet", &planet);
    m.def("listing", &listing);
    m.def("from_file", &from_file);
    m.def("check", &check);
    m.def("warning", &warning);
    m.def("figure_names", &figure_names);
    m.def("figures", &figures);
    m.def("ascent", &ascent);
    m.def("report", &report);
    m.def("sweep_values", &sweep_values);
    m.def("sweep", &sweep);
    m.def("evaluate", &evaluate);
    m.def("parameters", &parameters);
    m.def("shortest", &engine::shortest);
    py::register_exception<engine::usage_error>(m, "UsageError", PyExc_ValueError);
}
