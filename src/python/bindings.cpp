// The study for Python: the module tether._core, a thin binding of the
// library and of the engine every face shares. A design crosses as the bound
// type Design, a tether::design read and set through the library's parameter
// table and the engine's reader of values; the engine's errors cross through
// one translator, and its notes as warnings. The package tether
// (tether/__init__.py) adds the calls shaped for pandas; nothing here or
// there computes a figure of its own.
#include "engine/figures.hpp"
#include "engine/loads.hpp"
#include "engine/modes.hpp"
#include "engine/numbers.hpp"
#include "engine/run.hpp"
#include "engine/runner.hpp"
#include "engine/sensitivity.hpp"
#include "engine/settings.hpp"
#include "engine/solve.hpp"
#include "engine/spread.hpp"
#include "engine/sweep.hpp"

#include "climber/figures.hpp"
#include "climber/report.hpp"
#include "climber/study.hpp"
#include "tether/modes.hpp"

#include <algorithm>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <climits>
#include <cmath>
#include <csignal>
#include <deque>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace py = pybind11;

namespace {

// tether.DesignError and tether.DesignWarning, made at import and kept for
// the life of the process.
PyObject* design_error   = nullptr;
PyObject* design_warning = nullptr;

// A design the library cannot compute, raised as tether.DesignError: the
// command line's message, the parameter at fault (empty where two are) and
// the reason.
struct bad_design {
    std::string message;
    std::string parameter;
    std::string reason;
};

bad_design bad_of(const engine::design_fault& f, const std::string& lead = {})
{
    return {lead + f.message, f.other.empty() ? f.name : std::string(), f.reason};
}

// Text of the library's messages for Python, whatever bytes they hold.
py::str text_of(const std::string& s)
{
    return py::reinterpret_steal<py::str>(
        PyUnicode_DecodeUTF8(s.data(), static_cast<py::ssize_t>(s.size()), "backslashreplace"));
}

// Where Python lists the names the library says are unknown.
std::string where_listed(engine::names unknown)
{
    return unknown == engine::names::parameters ? " (tether.parameters() lists them)"
           : unknown == engine::names::figures  ? " (tether.figure_names() lists them)"
                                                : "";
}

// The one translator of the library's errors: a design that cannot be
// computed, a file that cannot be read (errno kept), and what the command
// line calls a usage error, in its words.
void translate(std::exception_ptr p)
{
    try {
        if (p) {
            std::rethrow_exception(p);
        }
    }
    catch (const bad_design& e) {
        py::object error = py::reinterpret_borrow<py::object>(design_error)(text_of(e.message));
        error.attr("parameter") =
            e.parameter.empty() ? py::object(py::none()) : py::object(py::str(e.parameter));
        error.attr("reason") = py::str(e.reason);
        PyErr_SetObject(design_error, error.ptr());
    }
    catch (const engine::unreadable_file& e) {
        PyErr_SetObject(PyExc_OSError, py::make_tuple(e.error, text_of(e.what())).ptr());
    }
    catch (const engine::usage_error& e) {
        PyErr_SetObject(PyExc_ValueError, text_of(e.what() + where_listed(e.unknown)).ptr());
    }
}

std::string type_name(py::handle h)
{
    return py::str(py::type::handle_of(h).attr("__qualname__"));
}

// The parameters that may be auto, "ztop and rhog".
std::string auto_names()
{
    std::vector<std::string> names;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (p->can_be_auto) {
            names.emplace_back(p->name);
        }
    }
    return engine::joined(names, "and");
}

// Sets parameter p from a Python value, read as the command line reads its
// text: None (or "auto") where the table allows auto, a number, or the text
// of one.
void set_value(tether::design& d, const tether::param& p, py::handle v)
{
    const std::string name = p.name;
    std::string text;
    if (v.is_none()) {
        if (!p.can_be_auto) {
            throw engine::usage_error(name + " = None: not a finite number (only " + auto_names() +
                                      " may be auto)");
        }
        text = "auto";
    }
    else if (py::isinstance<py::str>(v)) {
        text = v.cast<std::string>();
    }
    else if (PyBool_Check(v.ptr()) ||
             !(PyFloat_Check(v.ptr()) || PyLong_Check(v.ptr()) ||
               py::isinstance(v, py::module_::import("numbers").attr("Real")))) {
        throw py::type_error(name + " must be a number" +
                             (p.can_be_auto ? std::string(", None or 'auto'") : "") + ", not " +
                             type_name(v));
    }
    else if (!PyFloat_Check(v.ptr()) && PyIndex_Check(v.ptr())) {
        // Whole numbers as their digits, however many: the reader says
        // where they are beyond binary64.
        text = py::str(py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr())));
    }
    else {
        const double x = PyFloat_AsDouble(v.ptr());
        if (x == -1 && PyErr_Occurred() != nullptr) {
            throw py::error_already_set();
        }
        text = engine::shortest(x);
    }
    try {
        engine::apply(d, name, text);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(name + " = " + engine::printable(text) + ": " + e.what());
    }
}

const tether::param& param_named(const std::string& name, const char* call)
{
    const tether::param* p = tether::find_param(name);
    if (p == nullptr) {
        throw py::type_error(std::string(call) + "() got an unexpected keyword argument '" + name +
                             "' (tether.parameters() lists them)");
    }
    return *p;
}

void set_planet(tether::design& d, py::handle planet)
{
    if (!py::isinstance<py::str>(planet)) {
        throw py::type_error("planet must be a name, not " + type_name(planet));
    }
    const std::string name = planet.cast<std::string>();
    try {
        engine::apply(d, "planet", name);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("planet = " + engine::printable(name) + ": " + e.what());
    }
}

// Design(planet=None, **params).
tether::design design_of(const py::args& args, const py::kwargs& params)
{
    if (args.size() > 1) {
        throw py::type_error("Design() takes the planet alone by position, and " +
                             std::to_string(args.size()) + " were given");
    }
    py::object planet = args.empty() ? py::object(py::none()) : py::object(args[0]);
    if (params.contains("planet")) {
        if (!args.empty()) {
            throw py::type_error("Design() got multiple values for argument 'planet'");
        }
        planet = params["planet"];
    }
    tether::design d;
    if (!planet.is_none()) {
        set_planet(d, planet);
    }
    for (const auto& [key, value] : params) {
        const std::string name = py::str(key);
        if (name != "planet") {
            set_value(d, param_named(name, "Design"), value);
        }
    }
    return d;
}

py::object value_object(const tether::design& d, const tether::param& p)
{
    const double v = tether::value_of(d, p);
    return p.can_be_auto && tether::is_automatic(v) ? py::object(py::none())
                                                    : py::object(py::float_(v));
}

py::tuple values_of(const tether::design& d)
{
    py::tuple out(static_cast<std::size_t>(tether::params_end() - tether::params_begin()));
    std::size_t i = 0;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        out[i++] = value_object(d, *p);
    }
    return out;
}

bool same_value(const tether::design& a, const tether::design& b, const tether::param& p)
{
    const double x = tether::value_of(a, p);
    const double y = tether::value_of(b, p);
    return x == y || (std::isnan(x) && std::isnan(y));
}

bool same(const tether::design& a, const tether::design& b)
{
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (!same_value(a, b, *p)) {
            return false;
        }
    }
    return true;
}

// Whether a design pickled before the traffic's and a partner body's
// parameters came holds parameter p: those load with their defaults.
bool pickled_before(const tether::param& p)
{
    return std::string(p.group) != "traffic" && !p.of_partner &&
           std::string(p.name) != "partner_GM";
}

// A design from the values of values_of, in the table's order: pickling;
// or from the values pickled before, in theirs.
tether::design design_from_values(const py::tuple& values)
{
    const auto count = static_cast<std::size_t>(tether::params_end() - tether::params_begin());
    const auto older = static_cast<std::size_t>(
        std::count_if(tether::params_begin(), tether::params_end(),
                      [](const tether::param& p) { return pickled_before(p); }));
    if (values.size() != count && values.size() != older) {
        throw py::type_error("a design is " + std::to_string(count) + " values (or " +
                             std::to_string(older) + ", pickled before the traffic's and a " +
                             "partner body's), not " + std::to_string(values.size()));
    }
    tether::design d;
    std::size_t i = 0;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (values.size() == count || pickled_before(*p)) {
            set_value(d, *p, values[i++]);
        }
    }
    return d;
}

std::string repr(const tether::design& d)
{
    const tether::design study;
    std::string out;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (!same_value(d, study, *p)) {
            out += (out.empty() ? "" : ", ") + std::string(p->name) + "=" +
                   std::string(py::repr(value_object(d, *p)));
        }
    }
    return "tether.Design(" + out + ")";
}

tether::design from_file(const py::object& path)
{
    py::bytes name;
    try {
        name = py::module_::import("os").attr("fsencode")(path);
    }
    catch (const py::error_already_set& e) {
        if (!e.matches(PyExc_TypeError)) {
            throw;
        }
        throw py::type_error("path must be a file name (str, bytes or os.PathLike), not " +
                             type_name(path));
    }
    const std::string bytes = name;
    if (bytes.find('\0') != std::string::npos) {
        throw py::value_error("path " + engine::printable(bytes) + ": embedded NUL character");
    }
    tether::design d;
    engine::apply_file(d, bytes);
    return d;
}

climber::method method_of(py::handle m)
{
    const std::string names = engine::names_of(engine::methods());
    if (!py::isinstance<py::str>(m)) {
        throw py::type_error("method must be a name, " + names + ", not " + type_name(m));
    }
    const std::string name = m.cast<std::string>();
    if (const auto how = engine::named_value(engine::methods(), name)) {
        return *how;
    }
    throw engine::usage_error("method = " + engine::printable(name) + ": " + names);
}

unsigned jobs_of(py::handle jobs)
{
    if (jobs.is_none()) {
        return engine::available_cpus();
    }
    if (PyBool_Check(jobs.ptr()) || !PyIndex_Check(jobs.ptr())) {
        throw py::type_error("jobs must be a whole number, or None for every CPU, not " +
                             type_name(jobs));
    }
    const auto n          = py::reinterpret_steal<py::object>(PyNumber_Index(jobs.ptr()));
    int overflow          = 0;
    const long long count = PyLong_AsLongLongAndOverflow(n.ptr(), &overflow);
    if (overflow < 0 || (overflow == 0 && count < 1)) {
        throw py::value_error("jobs must be 1 or more");
    }
    if (overflow > 0 || count > static_cast<long long>(UINT_MAX)) {
        throw py::value_error("jobs = " + std::string(py::str(n)) + " is out of range");
    }
    return static_cast<unsigned>(count);
}

// The number of oscillation modes given as `what`, read as --modes reads
// its N; None (where allowed) is none.
unsigned modes_of(py::handle n, const std::string& what, bool none_allowed)
{
    if (none_allowed && n.is_none()) {
        return 0;
    }
    if (PyBool_Check(n.ptr()) || !PyIndex_Check(n.ptr())) {
        throw py::type_error(what + " must be a whole number" +
                             (none_allowed ? std::string(" or None") : "") + ", not " +
                             type_name(n));
    }
    const std::string digits = py::str(py::reinterpret_steal<py::object>(PyNumber_Index(n.ptr())));
    try {
        return engine::modes_count(digits);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(what + ": " + e.what());
    }
}

// Why the modes found have NaN periods, or empty where none has.
std::string why_modes_missed(const tether::modes& found)
{
    if (!found.unstable && !found.missed) {
        return {};
    }
    return found.why;
}

// The notes as Python warnings, each once, attributed to the caller level
// frames up (1: the caller of the binding).
void warn(const std::vector<climber::note>& notes, int level)
{
    for (const climber::note& n : notes) {
        std::string text = n.text;
        if (n.kind == climber::note_kind::coarse_march) {
            for (const auto& m : engine::methods()) {
                if (m.value == climber::method::integral) {
                    text += std::string(" (method=\"") + m.name + "\")";
                }
            }
        }
        if (PyErr_WarnEx(design_warning, text.c_str(), level) != 0) {
            throw py::error_already_set();
        }
    }
}

// One warning, attributed as warn's.
void warn_text(const std::string& text, int level)
{
    if (PyErr_WarnEx(design_warning, text.c_str(), level) != 0) {
        throw py::error_already_set();
    }
}

std::vector<climber::note> joined(std::vector<climber::note> a, const std::vector<climber::note>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void check(const tether::design& d, bool with_rows)
{
    if (const auto f = engine::design_error(d, with_rows)) {
        throw bad_design(bad_of(*f));
    }
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
// listens for Ctrl-C; work should end soon once ctrl.stop() is set. What
// work throws is thrown here, once the run is over.
template <class Work> void listening(run_control& ctrl, Work&& work)
{
    const engine::run_settings s = ctrl.settings(1);
    std::exception_ptr thrown;
    const std::function<char(std::uint64_t)> row = [&](std::uint64_t) {
        try {
            work();
        }
        catch (...) {
            thrown = std::current_exception();
        }
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
    if (thrown) {
        std::rethrow_exception(thrown);
    }
}

py::dict figures(const tether::design& d, py::handle method)
{
    const climber::method how = method_of(method);
    check(d, false);
    run_control ctrl;
    climber::design_figures s{};
    listening(ctrl, [&] { s = climber::compute_figures(d, {how}, ctrl.stop()); });
    warn(joined(joined(climber::design_notes(d), climber::notes(s, how == climber::method::march)),
                climber::field_notes(s, {})),
         1);
    const std::vector<double> values = engine::figure_values(s);
    py::dict out;
    for (std::size_t i = 0; i < values.size(); ++i) {
        out[py::str(engine::figure_columns()[i].name)] = values[i];
    }
    return out;
}

// A design's first n modes, computed while this thread listens for Ctrl-C,
// with its model and positions; the notes on the design warned of.
struct found_modes {
    tether::model m;
    tether::positions p;
    tether::modes found;
};

found_modes modes_found(const tether::design& d, unsigned n)
{
    check(d, false);
    run_control ctrl;
    found_modes out{};
    listening(ctrl, [&] {
        out.m     = tether::compute_model(d);
        out.p     = tether::compute_positions(d, out.m);
        out.found = tether::compute_modes(out.m, out.p, n, {}, ctrl.stop());
    });
    warn(climber::design_notes(d), 1);
    return out;
}

std::vector<std::string> names_of(const std::vector<engine::column>& columns)
{
    std::vector<std::string> names;
    for (const engine::column& c : columns) {
        names.push_back(c.name);
    }
    return names;
}

// The n of Design.modes(n) and mode_shapes(n), by position or by name, or
// the default: anything more a TypeError in this program's words, not
// pybind11's list of signatures.
py::object count_given(const char* method, const py::args& args, const py::kwargs& kwargs,
                       long fallback)
{
    const std::size_t given = args.size() + kwargs.size();
    if (given > 1) {
        throw py::type_error(std::string(method) +
                             "() takes one argument, n, the number of modes: " +
                             std::to_string(given) + " were given");
    }
    for (const auto& [key, value] : kwargs) {
        const std::string name = py::str(key);
        if (name != "n") {
            throw py::type_error(std::string(method) + "() has no argument " + name +
                                 ": it takes n, the number of modes");
        }
        return py::reinterpret_borrow<py::object>(value);
    }
    return given == 1 ? py::reinterpret_borrow<py::object>(args[0]) : py::int_(fallback);
}

// Design.modes(n): a frame indexed by the mode's number, the periods as
// columns; NaN periods warned of in the command line's words.
py::object modes(const tether::design& d, py::handle count)
{
    const unsigned n                     = modes_of(count, "n", false);
    const found_modes f                  = modes_found(d, n);
    const std::vector<std::string> names = names_of(engine::mode_columns());
    py::array_t<double> out(
        {static_cast<py::ssize_t>(n), static_cast<py::ssize_t>(names.size() - 1)});
    double* data = out.mutable_data();
    py::list index;
    for (unsigned k = 0; k < n; ++k) {
        const std::vector<double> row = engine::mode_row(f.found, k);
        index.append(py::int_(static_cast<long>(row[0])));
        std::copy(row.begin() + 1, row.end(), data + k * (names.size() - 1));
    }
    if (const std::string why = why_modes_missed(f.found); !why.empty()) {
        warn_text(why, 1);
    }
    const py::module_ pd = py::module_::import("pandas");
    const std::vector<std::string> periods(names.begin() + 1, names.end());
    return pd.attr("DataFrame")(out, py::arg("columns") = periods,
                                py::arg("index") = pd.attr("Index")(
                                    index, py::arg("dtype") = "int64", py::arg("name") = names[0]));
}

// Design.sensitivity(modes=None): a frame indexed by figure and parameter,
// with the derivative and the elasticity; the notes warned of.
py::object sensitivity(const tether::design& d, py::handle count)
{
    const unsigned n = modes_of(count, "modes", true);
    check(d, false);
    run_control ctrl;
    engine::sensitivities s;
    listening(ctrl, [&] { s = engine::compute_sensitivities(d, n); });
    warn(climber::design_notes(d), 1);
    for (const std::string& note : s.notes) {
        warn_text(note, 1);
    }
    const std::vector<std::string> names = names_of(engine::sensitivity_columns());
    py::array_t<double> out({static_cast<py::ssize_t>(s.slopes.size()), py::ssize_t{2}});
    double* data = out.mutable_data();
    py::list figures;
    py::list params;
    for (std::size_t i = 0; i < s.slopes.size(); ++i) {
        const std::vector<std::string> labels = engine::slope_labels(s, s.slopes[i]);
        const std::vector<double> numbers     = engine::slope_numbers(s.slopes[i]);
        figures.append(py::str(labels[0]));
        params.append(py::str(labels[1]));
        std::copy(numbers.begin(), numbers.end(), data + 2 * i);
    }
    const py::module_ pd = py::module_::import("pandas");
    const py::object index =
        pd.attr("MultiIndex")
            .attr("from_arrays")(py::make_tuple(figures, params),
                                 py::arg("names") = py::make_tuple(names[0], names[1]));
    return pd.attr("DataFrame")(out, py::arg("columns") = py::make_tuple(names[2], names[3]),
                                py::arg("index") = index);
}

// Design.mode_shapes(n): the in-plane shapes at the engine's altitudes.
py::object mode_shapes(const tether::design& d, py::handle count)
{
    const unsigned n                     = modes_of(count, "n", false);
    const found_modes f                  = modes_found(d, n);
    const std::vector<double> altitudes  = engine::shape_altitudes(f.m);
    const std::vector<std::string> names = names_of(engine::shape_columns(n));
    std::vector<std::vector<double>> shapes;
    run_control ctrl;
    listening(ctrl,
              [&] { shapes = tether::mode_shapes(f.m, f.p, f.found, altitudes, {}, ctrl.stop()); });
    const auto width = names.size();
    py::array_t<double> out(
        {static_cast<py::ssize_t>(altitudes.size()), static_cast<py::ssize_t>(width)});
    double* data = out.mutable_data();
    for (std::size_t i = 0; i < altitudes.size(); ++i) {
        data[i * width] = altitudes[i];
        for (std::size_t k = 0; k < shapes.size(); ++k) {
            data[i * width + 1 + k] = shapes[k].at(i);
        }
    }
    if (const std::string why = why_modes_missed(f.found); !why.empty()) {
        warn_text(why, 1);
    }
    return py::module_::import("pandas").attr("DataFrame")(out, py::arg("columns") = names);
}

py::object ascent(const tether::design& d)
{
    check(d, true);
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
    warn(joined(climber::design_notes(d), climber::notes(s, true)), 1);
    std::vector<std::string> names;
    for (const engine::column& c : engine::ascent_columns()) {
        names.push_back(c.name);
    }
    const auto width = static_cast<py::ssize_t>(names.size());
    py::array_t<double> out({static_cast<py::ssize_t>(rows.size()) / width, width});
    std::copy(rows.begin(), rows.end(), out.mutable_data());
    return py::module_::import("pandas").attr("DataFrame")(out, py::arg("columns") = names);
}

// Design.load(): the tension along the tether at the traffic's worst
// moment, as --load gives it.
py::object load(const tether::design& d)
{
    check(d, false);
    engine::load_table t;
    run_control ctrl;
    listening(ctrl, [&] { t = engine::loads_of(d); });
    warn(joined(climber::design_notes(d), t.notes), 1);
    if (!t.why.empty()) {
        warn_text(t.why + "; the tensions are NaN", 1);
    }
    const std::vector<std::string> names = names_of(engine::load_columns());
    const auto width                     = names.size();
    py::array_t<double> out(
        {static_cast<py::ssize_t>(t.rows.size()), static_cast<py::ssize_t>(width)});
    double* data = out.mutable_data();
    for (std::size_t i = 0; i < t.rows.size(); ++i) {
        std::copy(t.rows[i].begin(), t.rows[i].end(), data + i * width);
    }
    return py::module_::import("pandas").attr("DataFrame")(out, py::arg("columns") = names);
}

std::string report(const tether::design& d)
{
    check(d, true);
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
    warn(joined(climber::design_notes(d), climber::notes(s, true)), 1);
    return text;
}

// A sweep's values given as numbers: a 1-D list or array of reals.
std::vector<double> listed_values(const std::string& name, py::handle given)
{
    const py::array a = py::module_::import("numpy").attr("asarray")(given);
    const char kind   = a.dtype().kind();
    if (a.ndim() != 1 || (kind != 'f' && kind != 'i' && kind != 'u')) {
        throw py::type_error(name + ": values as a list or array of numbers, or 'FROM:TO:N', not " +
                             type_name(given) +
                             (a.ndim() == 1 ? " of " + std::string(py::str(a.dtype())) : ""));
    }
    const auto v = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(a);
    return {v.data(), v.data() + v.size()};
}

// The axes [(name, text or values)] of a call as the grid reader takes
// them; shown gets each as messages name it.
std::vector<engine::axis> axes_of(const py::list& axes, const char* call,
                                  std::vector<std::string>& shown)
{
    std::vector<engine::axis> read;
    for (const py::handle item : axes) {
        const auto pair        = item.cast<py::tuple>();
        const std::string name = py::str(pair[0]);
        param_named(name, call);
        if (py::isinstance<py::str>(pair[1])) {
            const std::string text = pair[1].cast<std::string>();
            read.push_back({name + "=" + text});
            shown.push_back(name + "=" + engine::printable(text));
        }
        else {
            read.push_back({name, true, listed_values(name, pair[1])});
            shown.push_back(name);
        }
    }
    return read;
}

// The figures asked for: None (every one) or a list of their names.
std::vector<std::string> figures_of(py::handle figures)
{
    std::vector<std::string> names;
    if (figures.is_none()) {
        return names;
    }
    if (py::isinstance<py::str>(figures) || !py::isinstance<py::iterable>(figures)) {
        throw py::type_error("figures must be a list of figures' names or None, not " +
                             type_name(figures));
    }
    for (const py::handle f : figures) {
        if (!py::isinstance<py::str>(f)) {
            throw py::type_error("figures must be a list of figures' names, not of " +
                                 type_name(f));
        }
        names.push_back(f.cast<std::string>());
    }
    try {
        engine::figure_selection(names, 0);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("figures: ") + e.what() +
                                  " (tether.figure_names() lists them)");
    }
    return names;
}

// The run of a request, read (and for a grid of figures, checked) while
// this thread listens for Ctrl-C; shown names the axes in messages. The
// notes on the designs checked go to notes.
engine::run run_of(run_control& ctrl, engine::run_request request,
                   const std::vector<std::string>& shown, engine::note_tally& notes)
{
    std::optional<engine::run> r;
    std::optional<engine::design_fault> bad;
    const bool checked = !request.sought && !request.table;
    try {
        listening(ctrl, [&] {
            r.emplace(std::move(request));
            if (checked) {
                bad = r->check([&] { return engine::stop_set(ctrl.stop()); }, &notes);
            }
        });
    }
    catch (const engine::grid_error& e) {
        throw engine::usage_error((e.axis ? shown[*e.axis] + ": " : std::string()) + e.what());
    }
    if (bad) {
        throw bad_design(bad_of(*bad));
    }
    return std::move(*r);
}

// Every row of the run, computed on jobs threads without the GIL, into a
// frame's array of the run's columns; each row also to each().
engine::run_summary rows_of(run_control& ctrl, const engine::run& r, unsigned jobs,
                            py::array_t<double>& out, engine::note_tally notes,
                            const std::function<void(std::uint64_t, engine::run_row&)>& each = {})
{
    const auto width = static_cast<std::uint64_t>(r.columns().size());
    out =
        py::array_t<double>({static_cast<py::ssize_t>(r.size()), static_cast<py::ssize_t>(width)});
    double* data                 = out.mutable_data();
    const engine::run_settings s = ctrl.settings(jobs);
    engine::run_summary summary;
    {
        py::gil_scoped_release release;
        summary = r.execute(
            0, r.size(),
            [&](std::uint64_t i, engine::run_row& row) {
                std::copy(row.values.begin(), row.values.end(), data + i * width);
                if (each) {
                    each(i, row);
                }
                return true;
            },
            s, std::move(notes));
    }
    ctrl.finish();
    return summary;
}

std::vector<std::string> column_names(const engine::run& r)
{
    std::vector<std::string> names;
    for (const engine::column& c : r.columns()) {
        names.push_back(c.name);
    }
    return names;
}

// The notes on the figures and on the designs, each kind once in the
// order of the kinds.
std::vector<engine::note_tally::entry> merged(const engine::run_summary& s)
{
    std::vector<engine::note_tally::entry> all = s.notes.entries();
    for (const auto& e : s.design_notes.entries()) {
        all.push_back(e);
    }
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return static_cast<int>(a.note.kind) < static_cast<int>(b.note.kind);
    });
    return all;
}

// The tallied notes and misses as warnings, each led by lead(first, count).
void warn_summary(const engine::run_summary& s,
                  const std::function<std::string(std::uint64_t, std::uint64_t)>& lead)
{
    std::vector<climber::note> notes;
    for (const engine::note_tally::entry& e : merged(s)) {
        climber::note n     = e.note;
        const std::string l = lead(e.first, e.count);
        n.text              = l.empty() ? n.text : l + ": " + n.text;
        notes.push_back(std::move(n));
    }
    warn(notes, 2);
    if (s.missed > 0) {
        const std::string l = lead(s.first_missed, s.missed);
        warn_text((l.empty() ? "" : l + ": ") + s.why, 2);
    }
}

// Every design of the grid of the axes [(name, text or values)], checked
// first, computed on jobs threads: rows of the swept values then the
// figures asked for (with the first `modes` modes' periods), and the
// columns' names. Rows whose figures missed are NaN there, and one warning
// names the first.
py::tuple sweep(const tether::design& base, const py::list& axes, py::handle jobs,
                py::handle method, py::handle modes, py::handle figures)
{
    engine::run_request request;
    request.base           = base;
    request.figures        = {method_of(method)};
    const unsigned threads = jobs_of(jobs);
    request.figures.modes  = modes_of(modes, "modes", true);
    request.names          = figures_of(figures);
    std::vector<std::string> shown;
    request.axes = axes_of(axes, "sweep", shown);
    run_control ctrl;
    engine::note_tally notes;
    const engine::run r = run_of(ctrl, std::move(request), shown, notes);
    py::array_t<double> out;
    const engine::run_summary summary = rows_of(ctrl, r, threads, out, notes);
    warn_summary(summary,
                 [&r](std::uint64_t first, std::uint64_t count) { return r.lead(first, count); });
    return py::make_tuple(out, column_names(r));
}

// Draws: the run that sample(), summary() and indices() compute.

// A whole number given as `what` (not a bool) as its decimal digits, for the
// engine's readers of counts and keys.
std::string whole_text(py::handle v, const std::string& what)
{
    if (PyBool_Check(v.ptr()) || !PyIndex_Check(v.ptr())) {
        throw py::type_error(what + " must be a whole number, not " + type_name(v));
    }
    return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr())));
}

// The run of the draws that the keywords describe: vary is a list of
// (name, distribution text) pairs.
engine::run draws_run(const tether::design& base, const py::list& vary, py::handle samples,
                      py::handle key, py::handle method, py::handle modes, py::handle figures,
                      bool saltelli)
{
    engine::run_request request;
    request.base          = base;
    request.figures       = {method_of(method)};
    request.figures.modes = modes_of(modes, "modes", true);
    request.names         = figures_of(figures);
    std::vector<std::string> texts;
    std::vector<std::string> shown;
    for (const py::handle item : vary) {
        const auto pair        = item.cast<py::tuple>();
        const std::string name = py::str(pair[0]);
        param_named(name, "sample");
        if (!py::isinstance<py::str>(pair[1])) {
            throw py::type_error("vary[" + name +
                                 "] must be a distribution's text, as 'lognormal:35:1.5', not " +
                                 type_name(pair[1]));
        }
        texts.push_back(name + "=" + pair[1].cast<std::string>());
        shown.push_back("vary['" + name + "']");
    }
    engine::draw_request drawn;
    try {
        drawn.vary = engine::read_varied(texts);
    }
    catch (const engine::varied_error& e) {
        throw engine::usage_error(shown[e.index] + ": " + e.what());
    }
    try {
        drawn.count = engine::parse_draw_count(whole_text(samples, "samples"));
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("samples: ") + e.what());
    }
    try {
        drawn.key = engine::parse_key(whole_text(key, "key"));
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("key: ") + e.what());
    }
    drawn.saltelli = saltelli;
    request.drawn  = std::move(drawn);
    try {
        return engine::run(std::move(request));
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string(saltelli ? "indices: " : "sample: ") + e.what());
    }
}

// What a run of draws was: key, samples, method and the distributions.
py::dict draws_attrs(const engine::run& r)
{
    const engine::draw_request& dr = *r.request().drawn;
    py::dict attrs;
    attrs["key"]     = py::int_(dr.key);
    attrs["samples"] = dr.count;
    attrs["method"]  = engine::named_name(engine::methods(), r.request().figures.how);
    py::dict vary;
    for (const engine::varied& v : dr.vary) {
        vary[py::str(v.param->name)] = engine::distribution_text(v.dist);
    }
    attrs["vary"] = vary;
    return attrs;
}

// Draws [begin, end) of shard K of N ((1, 1): every one): the rows, the
// columns' names, each draw's reason, the first draw's index and what the
// run was.
py::tuple sample(const tether::design& base, const py::list& vary, py::handle samples,
                 py::handle key, py::handle jobs, py::handle method, py::handle modes,
                 py::handle figures, const std::string& shard)
{
    const engine::run r    = draws_run(base, vary, samples, key, method, modes, figures, false);
    const unsigned threads = jobs_of(jobs);
    std::pair<std::uint64_t, std::uint64_t> kn{1, 1};
    try {
        kn = engine::parse_shard(shard);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(std::string("shard: ") + e.what());
    }
    const engine::shard_range range = engine::shard_of(r.size(), kn.first, kn.second);
    const auto width                = static_cast<std::uint64_t>(r.columns().size());
    py::array_t<double> out(
        {static_cast<py::ssize_t>(range.end - range.begin), static_cast<py::ssize_t>(width)});
    double* data = out.mutable_data();
    std::vector<std::string> reasons(range.end - range.begin);
    run_control ctrl;
    engine::run_summary summary;
    {
        py::gil_scoped_release release;
        summary = r.execute(
            range.begin, range.end,
            [&](std::uint64_t i, engine::run_row& row) {
                std::copy(row.values.begin(), row.values.end(), data + (i - range.begin) * width);
                reasons[i - range.begin] = std::move(row.reason);
                return true;
            },
            ctrl.settings(threads));
    }
    ctrl.finish();
    warn_summary(summary,
                 [&r](std::uint64_t first, std::uint64_t count) { return r.lead(first, count); });
    py::list texts;
    for (const std::string& t : reasons) {
        texts.append(text_of(t));
    }
    return py::make_tuple(out, column_names(r), texts, range.begin, draws_attrs(r));
}

// Labelled rows as (texts per row, values array, the columns' names).
py::tuple labelled(const std::vector<engine::labelled_row>& rows,
                   const std::vector<engine::column>& columns)
{
    py::list texts;
    std::size_t width = 0;
    std::vector<std::string> names;
    for (const engine::column& c : columns) {
        names.push_back(c.name);
        width += c.text ? 0 : 1;
    }
    py::array_t<double> values(
        {static_cast<py::ssize_t>(rows.size()), static_cast<py::ssize_t>(width)});
    for (std::size_t i = 0; i < rows.size(); ++i) {
        py::list t;
        for (const std::string& each : rows[i].texts) {
            t.append(text_of(each));
        }
        texts.append(t);
        std::copy(rows[i].values.begin(), rows[i].values.end(), values.mutable_data() + i * width);
    }
    return py::make_tuple(texts, values, names);
}

py::dict share_dict(const engine::share& s)
{
    py::dict d;
    d["met"]   = s.met;
    d["of"]    = s.total;
    d["share"] = s.value;
    d["low"]   = s.low;
    d["high"]  = s.high;
    return d;
}

// Each figure's summary over the draws, with the shares: the draws that are
// no design, those with each note (warned too) and those that meet where.
py::tuple summary(const tether::design& base, const py::list& vary, py::handle samples,
                  py::handle key, py::handle jobs, py::handle method, py::handle modes,
                  py::handle figures, py::handle where)
{
    const engine::run r    = draws_run(base, vary, samples, key, method, modes, figures, false);
    const unsigned threads = jobs_of(jobs);
    std::optional<std::string> condition;
    if (!where.is_none()) {
        if (!py::isinstance<py::str>(where)) {
            throw py::type_error("where must be a text, as 'time<100', or None, not " +
                                 type_name(where));
        }
        condition = where.cast<std::string>();
        try {
            engine::parse_condition(*condition, r.figures_shown());
        }
        catch (const engine::usage_error& e) {
            throw engine::usage_error("where = '" + engine::printable(*condition) +
                                      "': " + e.what() + " (tether.figure_names() lists them)");
        }
    }
    run_control ctrl;
    engine::spread_summary s;
    {
        py::gil_scoped_release release;
        s = engine::summarize(r, ctrl.settings(threads), condition);
    }
    ctrl.finish();
    py::dict attrs   = draws_attrs(r);
    attrs["unbuilt"] = share_dict(s.unbuilt);
    py::list notes;
    for (const engine::note_share& n : s.notes) {
        py::dict d = share_dict(n.of);
        d["text"]  = text_of(n.note.text);
        notes.append(d);
        warn_text(engine::share_text(n.of) + ": " + n.note.text, 2);
    }
    attrs["warnings"] = notes;
    if (s.where) {
        py::dict d     = share_dict(s.met);
        d["condition"] = engine::condition_text(*s.where);
        attrs["where"] = d;
    }
    return py::make_tuple(labelled(s.rows(), engine::spread_summary::columns()), attrs);
}

// Every figure's Sobol indices for every varied parameter.
py::tuple indices(const tether::design& base, const py::list& vary, py::handle samples,
                  py::handle key, py::handle jobs, py::handle method, py::handle modes,
                  py::handle figures)
{
    const engine::run r    = draws_run(base, vary, samples, key, method, modes, figures, true);
    const unsigned threads = jobs_of(jobs);
    run_control ctrl;
    engine::spread_indices x;
    {
        py::gil_scoped_release release;
        x = engine::indices_of(r, ctrl.settings(threads));
    }
    ctrl.finish();
    return py::make_tuple(labelled(x.rows(), engine::spread_indices::columns()), draws_attrs(r));
}

// A number given to solve() as text the engine reads: a whole number as its
// digits, a real as the shortest text of its binary64.
std::string number_text(py::handle v, const std::string& what)
{
    if (PyBool_Check(v.ptr()) ||
        !(PyFloat_Check(v.ptr()) || PyLong_Check(v.ptr()) ||
          py::isinstance(v, py::module_::import("numbers").attr("Real")))) {
        throw py::type_error(what + " must be a number, not " + type_name(v));
    }
    if (!PyFloat_Check(v.ptr()) && PyIndex_Check(v.ptr())) {
        return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr())));
    }
    const double x = PyFloat_AsDouble(v.ptr());
    if (x == -1 && PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return engine::shortest(x);
}

// The goal of solve(name, (low, high), figure, value), read as --solve
// NAME=LOW:HIGH --for FIGURE=VALUE reads it.
engine::goal goal_of(py::handle name, py::handle bracket, py::handle figure, py::handle value)
{
    if (!py::isinstance<py::str>(name)) {
        throw py::type_error("name must be a parameter's name, not " + type_name(name));
    }
    if (py::isinstance<py::str>(bracket) || py::isinstance<py::bytes>(bracket) ||
        !PySequence_Check(bracket.ptr()) || PySequence_Size(bracket.ptr()) != 2) {
        if (PyErr_Occurred() != nullptr) {
            PyErr_Clear();
        }
        throw py::type_error("bracket must be a pair of numbers (low, high), not " +
                             type_name(bracket));
    }
    if (!py::isinstance<py::str>(figure)) {
        throw py::type_error("figure must be a figure's name, not " + type_name(figure));
    }
    const auto ends          = py::reinterpret_borrow<py::sequence>(bracket);
    const std::string low    = number_text(ends[0], "bracket's low end");
    const std::string high   = number_text(ends[1], "bracket's high end");
    const std::string at     = number_text(value, "value");
    const std::string sought = name.cast<std::string>();
    const tether::param* p   = tether::find_param(sought);
    if (p == nullptr) {
        throw engine::usage_error("unknown parameter '" + engine::printable(sought) +
                                  "' (tether.parameters() lists them)");
    }
    engine::goal g{};
    try {
        g = engine::parse_solve(sought + "=" + low + ":" + high);
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error("bracket = (" + engine::printable(low) + ", " +
                                  engine::printable(high) + "): " + e.what());
    }
    g.figure = engine::figure_column(figure.cast<std::string>());
    std::string why;
    const auto v = engine::parse_number(at, &why);
    if (!v) {
        throw engine::usage_error("value = " + engine::printable(at) + ": " + why);
    }
    g.value = *v;
    return g;
}

// A design without an answer, refused: DesignError in the engine's words
// (the design at fault, or the sought parameter's bracket), or where the
// evaluations ran out, ValueError.
[[noreturn]] void refuse(const engine::solution& s, const engine::goal& g)
{
    if (!s.jump.empty()) {
        throw bad_design{s.jump, g.param->name, s.jump.substr(s.jump.find(": ") + 2)};
    }
    if (s.problem.empty()) {
        throw engine::usage_error(engine::unsolved_reason(s));
    }
    if (s.fault) {
        bad_design b = bad_of(*s.fault);
        b.message    = s.problem;
        throw b;
    }
    const auto colon = s.problem.rfind(": ");
    throw bad_design{s.problem, g.param->name,
                     colon == std::string::npos ? s.problem : s.problem.substr(colon + 2)};
}

// solve(): without axes, the design whose parameter gives the figure's
// target (refused where there is none); with axes, every grid point's row
// (swept values, the parameter, the figures) and each row's problem or
// None, and the columns' names.
py::object solve(const tether::design& base, py::handle name, py::handle bracket, py::handle figure,
                 py::handle value, const py::list& axes, py::handle jobs)
{
    engine::run_request request;
    request.base           = base;
    request.sought         = goal_of(name, bracket, figure, value);
    const unsigned threads = jobs_of(jobs);
    std::vector<std::string> shown;
    request.axes = axes_of(axes, "solve", shown);
    for (const py::handle item : axes) {
        if (std::string(py::str(item.cast<py::tuple>()[0])) == request.sought->param->name) {
            throw engine::usage_error(std::string(request.sought->param->name) +
                                      " is swept too: the parameter sought cannot be");
        }
    }
    run_control ctrl;
    engine::note_tally notes;
    const engine::run r      = run_of(ctrl, std::move(request), shown, notes);
    const engine::goal& goal = *r.request().sought;
    if (axes.empty()) {
        engine::run_row row;
        listening(ctrl, [&] { row = r.row(0, ctrl.stop()); });
        if (!row.solved->solved()) {
            refuse(*row.solved, goal);
        }
        tether::design d     = base;
        goal.param->field(d) = row.solved->value;
        warn(joined(row.design_notes, row.notes), 2);
        return py::cast(d);
    }
    std::vector<std::string> problems(r.size());
    py::array_t<double> out;
    const engine::run_summary summary =
        rows_of(ctrl, r, threads, out, {},
                [&](std::uint64_t i, engine::run_row& row) { problems[i] = std::move(row.why); });
    engine::run_summary notes_only = summary;
    notes_only.missed              = 0;
    warn_summary(notes_only,
                 [&r](std::uint64_t first, std::uint64_t count) { return r.lead(first, count); });
    py::list why;
    for (const std::string& p : problems) {
        why.append(p.empty() ? py::object(py::none()) : py::object(text_of(p)));
    }
    return py::make_tuple(out, column_names(r), why);
}

// Designs given row by row: base with the named parameters set from each
// row of a (rows x names) array, a value that is not finite being a bad
// one. Returns the figures asked for (a row of NaN for a design that cannot
// be computed; with the first `modes` modes' periods) and each row's
// problem (its message, or None). label(i) names row i in warnings and
// errors; where raise_errors, the first row's problem is raised. Rows whose
// figures missed are NaN there, and one warning names the first.
py::tuple evaluate(const tether::design& base, const std::vector<std::string>& names,
                   const py::array_t<double, py::array::c_style | py::array::forcecast>& table,
                   const py::object& label, py::handle jobs, py::handle method, bool raise_errors,
                   py::handle modes, py::handle figures)
{
    engine::design_table t;
    for (const std::string& n : names) {
        t.params.push_back(&param_named(n, "evaluate"));
    }
    engine::run_request request;
    request.base           = base;
    request.figures        = {method_of(method)};
    const unsigned threads = jobs_of(jobs);
    if (table.ndim() != 2 || static_cast<std::size_t>(table.shape(1)) != t.params.size()) {
        throw py::value_error("a table of one column per parameter named");
    }
    request.figures.modes = modes_of(modes, "modes", true);
    request.names         = figures_of(figures);
    t.rows                = static_cast<std::uint64_t>(table.shape(0));
    t.values.assign(table.data(), table.data() + t.rows * t.params.size());
    request.table = std::move(t);
    run_control ctrl;
    engine::note_tally notes;
    const engine::run r = run_of(ctrl, std::move(request), {}, notes);
    std::vector<std::optional<engine::design_fault>> faults(r.size());
    py::array_t<double> out;
    const engine::run_summary summary =
        rows_of(ctrl, r, threads, out, {},
                [&](std::uint64_t i, engine::run_row& row) { faults[i] = std::move(row.fault); });
    warn_summary(summary, [&label](std::uint64_t first, std::uint64_t count) {
        return "row " + std::string(py::str(label(first))) +
               (count > 1 ? " and " + std::to_string(count - 1) + " more" : "");
    });
    py::list problems;
    for (std::uint64_t i = 0; i < r.size(); ++i) {
        const auto& f = faults[i];
        if (f && raise_errors) {
            throw bad_design(bad_of(*f, "row " + std::string(py::str(label(i))) + ": "));
        }
        problems.append(f ? py::object(py::str(f->message)) : py::object(py::none()));
    }
    return py::make_tuple(out, problems);
}

py::list parameters()
{
    const tether::design d;
    py::list out;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        out.append(py::make_tuple(
            p->group, p->name, p->unit, p->meaning, value_object(d, *p), p->can_be_auto,
            p->can_be_auto ? py::object(py::str(p->auto_rule)) : py::object(py::none())));
    }
    return out;
}

// The figures' columns, with the first `modes` modes' periods.
py::list figure_columns(py::handle modes)
{
    py::list out;
    for (const engine::column& c : engine::figure_columns(modes_of(modes, "modes", true))) {
        out.append(py::make_tuple(c.name, c.unit, c.meaning));
    }
    return out;
}

// "name (unit)" for each column, "a (u), b (v) and c (w)".
std::string figure_list(const std::vector<engine::column>& columns)
{
    std::vector<std::string> each;
    for (const engine::column& c : columns) {
        each.push_back(c.name + " (" + c.unit + ")");
    }
    return engine::joined(each, "and") + ".";
}

// Text in lines of at most 76 characters, each indented by four spaces.
std::string wrapped(const std::string& text)
{
    std::string out;
    std::string line = "   ";
    std::size_t at   = 0;
    while (at < text.size()) {
        const std::size_t end  = std::min(text.find(' ', at), text.size());
        const std::string word = text.substr(at, end - at);
        if (line.size() + 1 + word.size() > 76) {
            out += line + "\n";
            line = "   ";
        }
        line += " " + word;
        at = end + 1;
    }
    return out + line;
}

// Docstrings made from the tables, kept for the life of the module.
const char* kept(std::string text)
{
    static std::deque<std::string> texts;
    texts.push_back(std::move(text));
    return texts.back().c_str();
}

std::string design_doc()
{
    std::string table;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        const std::string line = std::string(p->name) + " : float, " + p->unit +
                                 (p->can_be_auto ? ", or None" : "") + ", optional";
        table += line + "\n    " + p->meaning +
                 (p->can_be_auto ? std::string("; None or 'auto': ") + p->auto_rule : "") + ".\n";
    }
    std::string planets;
    for (const std::string& n : tether::planet_names()) {
        planets += (planets.empty() ? "'" : ", '") + n + "'";
    }
    return R"(A design of the tether and its climber, as a value.

``Design(planet=None, **params)``: the study's design, then the planet's
preset (GM, RE and tsid), then each keyword, a parameter by its
``tether-explore --list`` name, read as ``tether-explore --set NAME=VALUE``
reads it: a number, or the text of one.

Parameters
----------
planet : str, optional
    A preset planet: )" +
           planets + R"(.
)" + table +
           R"(
Attributes
----------
Each parameter's value, read-only, in the units above (None where auto).

Raises
------
ValueError
    For a value that is no finite number (in tether-explore's words), an
    unknown planet, or None/'auto' for a parameter that cannot be auto.
TypeError
    For an unknown parameter or a value that is not a number, text or None.

See Also
--------
parameters : the parameters with their units, groups and study values.

Notes
-----
Designs are equal when every parameter is; they hash, pickle and copy as
values. ``str(d)`` is ``tether-explore --list``'s text, which
``Design.from_file`` and ``tether-explore --config`` read back; ``repr(d)``
names the parameters that differ from the study's.

Examples
--------
>>> import tether
>>> d = tether.Design(strength=50, rhog=None)
>>> d.strength
50.0
>>> d.replace(vmax=50) == tether.Design(strength=50, rhog=None, vmax=50)
True
)";
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc()      = "The tether study's library, for the tether package";
    design_error = PyErr_NewExceptionWithDoc(
        "tether.DesignError", R"(A design that cannot give the study's figures.

A ValueError whose text is tether-explore's message without the program's
name ("vmax = -1 m/s: must be greater than 0").

Attributes
----------
parameter : str or None
    The parameter at fault; None where two are at fault together.
reason : str
    Why, the message after "NAME = VALUE UNIT: ".

Examples
--------
>>> import tether
>>> try:
...     tether.Design(vmax=-1).check()
... except tether.DesignError as e:
...     print(e.parameter, e.reason)
vmax must be greater than 0
)",
        PyExc_ValueError,
        py::dict(py::arg("parameter") = py::none(), py::arg("reason") = py::none()).ptr());
    design_warning = PyErr_NewExceptionWithDoc("tether.DesignWarning",
                                               R"(Figures to read with care, as a UserWarning.

Issued once per call and kind: a linear density rhog that departs from its
material's, a negative tether_mass, a march far from converged, a foot that
cannot lift the climber or that the traffic would lift. The text is
tether-explore's warning without the program's name; in a sweep or an
evaluation it names the first design or row and how many more.

Examples
--------
>>> import warnings, tether
>>> with warnings.catch_warnings(record=True) as seen:
...     warnings.simplefilter("always")
...     _ = tether.Design(strength=150).figures()
>>> seen[0].category is tether.DesignWarning
True
)",
                                               PyExc_UserWarning, nullptr);
    if (design_error == nullptr || design_warning == nullptr) {
        throw py::error_already_set();
    }
    m.attr("DesignError")   = py::handle(design_error);
    m.attr("DesignWarning") = py::handle(design_warning);
    py::register_exception_translator(&translate);

    py::class_<tether::design> design(m, "Design", kept(design_doc()));
    design.attr("__module__") = "tether";
    design.def(py::init(&design_of))
        .def("__eq__",
             [](const tether::design& d, py::handle other) -> py::object {
                 if (!py::isinstance<tether::design>(other)) {
                     return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                 }
                 return py::bool_(same(d, other.cast<const tether::design&>()));
             })
        .def("__hash__", [](const tether::design& d) { return py::hash(values_of(d)); })
        .def("__repr__", &repr)
        .def("__str__", [](const tether::design& d) { return engine::listing(d); })
        .def(py::pickle([](const tether::design& d) { return values_of(d); },
                        [](const py::tuple& values) { return design_from_values(values); }))
        .def("__copy__", [](py::object self) { return self; })
        .def("__deepcopy__", [](py::object self, py::handle) { return self; })
        .def(
            "replace",
            [](const tether::design& d, const py::kwargs& changes) {
                tether::design out = d;
                for (const auto& [key, value] : changes) {
                    set_value(out, param_named(py::str(key), "replace"), value);
                }
                return out;
            },
            R"(A new design with these parameters changed.

Parameters
----------
**changes
    Parameters by name, as for Design (units as there).

Returns
-------
Design
    This design with the changes; this one is left as it is.

Raises
------
TypeError, ValueError
    As Design does.

Examples
--------
>>> tether.Design(vmax=50).replace(vmax=100) == tether.Design()
True
)")
        .def_static("from_file", &from_file, py::arg("path"),
                    R"(Reads a design file as ``tether-explore --config`` does.

Parameters
----------
path : str, bytes or os.PathLike
    A file of ``name = value`` lines, ``#`` starting a comment, as
    ``str(design)`` writes them.

Returns
-------
Design
    The study's design with the file's lines applied in order.

Raises
------
OSError
    For a file that cannot be read (errno says why).
ValueError
    For a line that cannot be applied (the message names ``file:line``),
    or a path with an embedded NUL character.

Examples
--------
>>> d = tether.Design(planet="mars")
>>> _ = open("mars.design", "w").write(str(d))
>>> tether.Design.from_file("mars.design") == d
True
)")
        .def(
            "check", [](const tether::design& d) { check(d, false); },
            R"(Checks that the design can give the headline figures.

Returns
-------
None

Raises
------
DesignError
    Naming the parameter at fault, in tether-explore's words.

Examples
--------
>>> tether.Design(vmax=-1).check()
Traceback (most recent call last):
...
tether.DesignError: vmax = -1 m/s: must be greater than 0
)")
        .def("figures", &figures, py::arg("method") = engine::methods().front().name,
             kept(R"(The headline figures, in tether-explore's column order.

Parameters
----------
method : str, default "march"
    )" + engine::names_of(engine::methods()) +
                  R"(: "march" sums over the march's points (what the report
    prints); "integral" gives the integrals those sums approximate.

Returns
-------
dict of str to float
    The figures by name, in their units (``tether.figures_table()``; nan
    where a figure has no value):
)" + wrapped(figure_list(engine::figure_columns())) +
                  R"(

Raises
------
DesignError
    Where the design cannot give them.
ValueError, TypeError
    For an unknown method, or one that is not a name.

Warns
-----
DesignWarning
    For figures to read with care.

Examples
--------
>>> round(tether.Design().figures()["time"], 1)  # hours to the top
106.0
)"))
        .def(
            "modes",
            [](const tether::design& d, const py::args& args, const py::kwargs& kwargs) {
                return modes(d, count_given("modes", args, kwargs, 5));
            },
            kept(R"(modes(n=5)

The periods of the tether's first n oscillation modes.

The tether swings sideways as a taut string anchored at its foot, the
counterweight a point mass at its top, in the frame turning with the planet:
in the equatorial plane (period_in) and across it (period_out).

Parameters
----------
n : int, default 5
    The modes, 1 to )" +
                 std::to_string(engine::max_modes) +
                 R"(, as ``tether-explore --modes N``.

Returns
-------
pandas.DataFrame
    Indexed by the mode's number (1 the slowest; index name "mode"), with
    columns period_in and period_out in hours: ``tether-explore --modes N
    --format csv``'s rows, bit for bit.

Raises
------
DesignError
    Where the design cannot give them.
ValueError
    For n outside 1 to )" +
                 std::to_string(engine::max_modes) +
                 R"(, in tether-explore's words.
TypeError
    For an n that is no whole number (a bool included).

Warns
-----
DesignWarning
    Where the tether would not swing back (the counterweight not positive)
    or a period missed its accuracy: those periods are NaN, and the warning
    has tether-explore's words. Also the design's own notes.

Examples
--------
>>> periods = tether.Design().modes(3)
>>> periods["period_in"].round(2).tolist()  # hours
[164.56, 16.57, 11.51]
)"))
        .def(
            "mode_shapes",
            [](const tether::design& d, const py::args& args, const py::kwargs& kwargs) {
                return mode_shapes(d, count_given("mode_shapes", args, kwargs, 3));
            },
            kept(R"(mode_shapes(n=3)

The in-plane shapes of the tether's first n oscillation modes.

Parameters
----------
n : int, default 3
    The modes, 1 to )" +
                 std::to_string(engine::max_modes) +
                 R"(, as ``tether-explore --modes N --shapes``.

Returns
-------
pandas.DataFrame
    Columns alt (km) and shape_1 ... shape_n, at )" +
                 std::to_string(engine::shape_points) +
                 R"( altitudes evenly
    spaced from the foot (0) to the top end (rapex - RE), both included:
    ``tether-explore --modes N --shapes --format csv``'s rows, bit for bit.
    Each shape's largest size is 1, and it is positive just above the foot.

Raises
------
DesignError, ValueError, TypeError
    As modes does.

Warns
-----
DesignWarning
    As modes does; a shape whose mode is missed or unstable is NaN.

Examples
--------
>>> shapes = tether.Design().mode_shapes(2)
>>> list(shapes.columns), len(shapes)
(['alt', 'shape_1', 'shape_2'], 1001)
>>> shapes[["shape_1", "shape_2"]].abs().max().tolist()
[1.0, 1.0]
)"))
        .def("sensitivity", &sensitivity, py::arg("modes") = py::none(),
             kept(R"(How each figure answers each parameter: derivatives and elasticities.

By the integral method, for every figure (with modes, the first periods
too) and every parameter; an auto parameter is held at its worked-out value.
Central differences extrapolated by Richardson's rule, accurate to 1e-7
relative (the periods to 1e-5): ``tether-explore --sensitivity``.

Parameters
----------
modes : int or None, default None
    The first modes whose periods get rows too, as ``--modes N``.

Returns
-------
pandas.DataFrame
    Indexed by (figure, parameter), figure by figure, with columns
    derivative (the figure's unit per the parameter's) and elasticity
    ((parameter / figure) x derivative; NaN where the figure is 0 or NaN):
    ``tether-explore --sensitivity --format csv``'s rows, bit for bit.
    ``frame["elasticity"].unstack()`` gives figures x parameters.

Raises
------
DesignError
    Where the design cannot be computed.

Warns
-----
DesignWarning
    The auto parameters held, derivatives taken one-sided (safety at 1),
    and figures that jump near the design (their derivatives NaN).

Examples
--------
>>> s = tether.Design().sensitivity()
>>> round(s.loc[("rgeo", "GM"), "elasticity"], 6)
0.333333
)"))
        .def("ascent", &ascent,
             kept(R"(The climber at every row of the ascent table.

Returns
-------
pandas.DataFrame
    ``tether-explore --ascent``'s rows, one every rowdz km, with columns
)" + wrapped(figure_list(engine::ascent_columns())) +
                  R"(

Raises
------
DesignError
    Where the design cannot give them (rowdz must be a whole multiple of dz).

Warns
-----
DesignWarning
    For figures to read with care.

Examples
--------
>>> tether.Design(vmax=50).ascent()["speed"].max()
50.0
)"))
        .def("load", &load,
             kept(R"(The tension along the tether at its traffic's worst moment.

The climbers held (``climbers``), or a stream's climbers the moment one
leaves the foot (``interval``), each pulling the tether down by its weight
at its altitude less the centrifugal pull; the tether's own tension t0 is
the working stress times its cross-section.

Returns
-------
pandas.DataFrame
    ``tether-explore --load``'s rows, bit for bit, one every rowdz km from
    the foot, the last at GEO, with columns
)" + wrapped(figure_list(engine::load_columns())) +
                  R"(

Raises
------
DesignError
    Where the design cannot give them.

Warns
-----
DesignWarning
    For figures to read with care: the foot would lift (load_share above
    1), or the climb could not be followed (the tensions NaN).

Examples
--------
>>> loads = tether.Design(climbers=4).load()
>>> round(loads["share"][0], 3)  # at the foot: four climbers' weights off t0
0.472
)"))
        .def("report", &report,
             R"(The study's report as text.

Returns
-------
str
    What ``tether-explore --report`` prints; for Design(), exactly what
    ``tether-study`` prints.

Raises
------
DesignError
    Where the design cannot give it.

Warns
-----
DesignWarning
    For figures to read with care.

Examples
--------
>>> print(tether.Design().report())  # doctest: +ELLIPSIS
...
)");
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        design.def_property_readonly(
            p->name, [p](const tether::design& d) { return value_object(d, *p); },
            kept(std::string(p->unit) + ": " + p->meaning +
                 (p->can_be_auto ? std::string(" (None where auto)") : "")));
    }
    m.attr("max_modes")      = engine::max_modes;
    m.attr("default_method") = engine::methods().front().name;
    m.def("parameters", &parameters);
    m.def("figure_columns", &figure_columns, py::arg("modes") = py::none());
    m.def("sweep", &sweep);
    m.def("evaluate", &evaluate);
    m.def("solve", &solve);
    m.def("sample", &sample);
    m.def("summary", &summary);
    m.def("indices", &indices);
}
