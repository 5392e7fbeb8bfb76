// The study for Python: the module tether._core, a thin binding of the
// library and of the engine every face shares. A design crosses as the bound
// type Design, a tether::design read and set through the library's parameter
// table and the engine's reader of values; the engine's errors cross through
// one translator, and its notes as warnings. The package tether
// (tether/__init__.py) adds the calls shaped for pandas; nothing here or
// there computes a figure of its own.
#include "docs.hpp"
#include "engine/answers/evaluation.hpp"
#include "engine/answers/loads.hpp"
#include "engine/answers/mode_table.hpp"
#include "engine/answers/sensitivity.hpp"
#include "engine/answers/solve.hpp"
#include "engine/run/requests.hpp"
#include "engine/run/run.hpp"
#include "engine/run/sayings.hpp"
#include "engine/run/spread.hpp"
#include "engine/run/sweep.hpp"
#include "engine/threads/runner.hpp"
#include "engine/words/numbers.hpp"
#include "engine/words/settings.hpp"
#include "engine/words/table.hpp"
#include "engine/words/vocabulary.hpp"

#include <algorithm>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

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

// Texts as a list of str (with none_if_empty, None for an empty one).
py::list texts_of(const std::vector<std::string>& texts, bool none_if_empty = false)
{
    py::list out;
    for (const std::string& t : texts) {
        out.append(none_if_empty && t.empty() ? py::object(py::none()) : py::object(text_of(t)));
    }
    return out;
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

// The TypeError of an argument of the wrong type: "WHAT must be MUST, not TYPE".
[[noreturn]] void wrong_type(const std::string& what, const std::string& must, py::handle v)
{
    throw py::type_error(what + " must be " + must + ", not " + type_name(v));
}

// What read returns; its usage_error said again after "LEAD: " and before more.
template <class Read>
auto led(const std::string& lead, Read&& read, const std::string& more = {}) -> decltype(read())
{
    try {
        return read();
    }
    catch (const engine::usage_error& e) {
        throw engine::usage_error(lead + ": " + e.what() + more);
    }
}

// Text given as `what`.
std::string text_arg(py::handle v, const std::string& what, const std::string& must)
{
    if (!py::isinstance<py::str>(v)) {
        wrong_type(what, must, v);
    }
    return v.cast<std::string>();
}

// A whole number given as `what` (not a bool) as its decimal digits, for the
// engine's readers of counts and keys.
std::string whole_text(py::handle v, const std::string& what,
                       const std::string& must = "a whole number")
{
    if (PyBool_Check(v.ptr()) || !PyIndex_Check(v.ptr())) {
        wrong_type(what, must, v);
    }
    return py::str(py::reinterpret_steal<py::object>(PyNumber_Index(v.ptr())));
}

// A number given as `what` as the text the engine reads: a whole number as
// its digits, however many (the reader says where they are beyond binary64),
// a real as the shortest text of its binary64.
std::string number_text(py::handle v, const std::string& what, const std::string& must = "a number")
{
    if (PyBool_Check(v.ptr()) ||
        !(PyFloat_Check(v.ptr()) || PyLong_Check(v.ptr()) ||
          py::isinstance(v, py::module_::import("numbers").attr("Real")))) {
        wrong_type(what, must, v);
    }
    if (!PyFloat_Check(v.ptr()) && PyIndex_Check(v.ptr())) {
        return whole_text(v, what, must);
    }
    const double x = PyFloat_AsDouble(v.ptr());
    if (x == -1 && PyErr_Occurred() != nullptr) {
        throw py::error_already_set();
    }
    return engine::shortest(x);
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
    if (v.is_none() && !p.can_be_auto) {
        throw engine::usage_error(name + " = None: not a finite number (only " + auto_names() +
                                  " may be auto)");
    }
    const std::string text =
        v.is_none() ? std::string("auto")
        : py::isinstance<py::str>(v)
            ? v.cast<std::string>()
            : number_text(v, name, p.can_be_auto ? "a number, None or 'auto'" : "a number");
    led(name + " = " + engine::printable(text), [&] { engine::apply(d, name, text); });
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
    const std::string name = text_arg(planet, "planet", "a name");
    led("planet = " + engine::printable(name), [&] { engine::apply(d, "planet", name); });
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
    return std::all_of(tether::params_begin(), tether::params_end(),
                       [&](const tether::param& p) { return same_value(a, b, p); });
}

// The pickles' generations are the parameter table's revisions
// (tether::revision): a design pickled in an older one holds its
// parameters and earlier ones, in their order; the later ones load with
// their defaults.

// How many values a design pickled in generation g holds.
std::size_t pickled_count(int g)
{
    return static_cast<std::size_t>(
        std::count_if(tether::params_begin(), tether::params_end(),
                      [g](const tether::param& p) { return tether::revision(p) <= g; }));
}

// A design from the values of values_of, in the table's order: pickling;
// or from the values pickled before, in theirs.
tether::design design_from_values(const py::tuple& values)
{
    int g = 3;
    while (g >= 0 && values.size() != pickled_count(g)) {
        --g;
    }
    if (g < 0) {
        throw py::type_error("a design is " + std::to_string(pickled_count(3)) + " values (or " +
                             std::to_string(pickled_count(2)) + ", pickled before damping, " +
                             std::to_string(pickled_count(1)) + ", before the ribbon's, " + "or " +
                             std::to_string(pickled_count(0)) +
                             ", before the traffic's and a partner body's), not " +
                             std::to_string(values.size()));
    }
    tether::design d;
    std::size_t i = 0;
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        if (tether::revision(*p) <= g) {
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
    const std::string name  = text_arg(m, "method", "a name, " + names);
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
    const std::string digits = whole_text(jobs, "jobs", "a whole number, or None for every CPU");
    return led("jobs", [&] { return engine::parse_jobs(digits); });
}

// The number of oscillation modes given as `what`, read as --modes reads
// its N; None (where allowed) is none.
unsigned modes_of(py::handle n, const std::string& what, bool none_allowed)
{
    if (none_allowed && n.is_none()) {
        return 0;
    }
    const std::string digits =
        whole_text(n, what, none_allowed ? "a whole number or None" : "a whole number");
    return led(what, [&] { return engine::modes_count(digits); });
}

// One warning, attributed to the caller level frames up (1: the caller of
// the binding).
void warn_text(const std::string& text, int level)
{
    if (PyErr_WarnEx(design_warning, text.c_str(), level) != 0) {
        throw py::error_already_set();
    }
}

// What Python adds to a note: the integral method named as Python names
// it, where the note advises it.
std::string where_to_look(const climber::note& n)
{
    const std::string integral = engine::named_name(engine::methods(), climber::method::integral);
    return climber::advises_integral(n) ? " (method=\"" + integral + "\")" : "";
}

// A note's text with what Python adds to it.
std::string warning_of(const climber::note& n)
{
    return n.text + where_to_look(n);
}

// The notes as Python warnings, each once, attributed as warn_text's.
void warn(const std::vector<climber::note>& notes, int level)
{
    for (const climber::note& n : notes) {
        warn_text(warning_of(n), level);
    }
}

// A run that had fewer threads than it asked for, as a RuntimeWarning
// attributed as warn_text's.
void warn_threads(const engine::run_result& r, int level)
{
    const std::string text = engine::threads_text(r);
    if (!text.empty() && PyErr_WarnEx(PyExc_RuntimeWarning, text.c_str(), level) != 0) {
        throw py::error_already_set();
    }
}

void check(const tether::design& d, bool with_rows)
{
    if (const auto f = engine::design_error(d, with_rows)) {
        throw bad_design(bad_of(*f));
    }
}

// What work(settings) returns, run on jobs threads without the GIL with a
// stop request of its own. Ctrl-C: Python's handler has only set a flag,
// which PyErr_CheckSignals, polled by the run, turns into the exception on
// the main thread (on any other thread it reports nothing: a run there
// never hears another's Ctrl-C); then this run, and only this one, is
// stopped, and the exception raised with nothing of it returned.
template <class Work> auto without_gil(unsigned jobs, Work&& work)
{
    std::atomic<int> stop{0};
    bool interrupted = false;
    engine::run_settings s;
    s.jobs = jobs;
    s.stop = &stop;
    s.poll = [&] {
        if (interrupted) {
            return;
        }
        py::gil_scoped_acquire hold;
        if (PyErr_CheckSignals() != 0) {
            interrupted = true;
            stop.store(SIGINT);
        }
    };
    decltype(work(s)) out{};
    {
        py::gil_scoped_release release;
        out = work(s);
    }
    if (interrupted) {
        throw py::error_already_set();
    }
    return out;
}

// What work(stop) returns, run on a thread of its own while this one,
// without the GIL, listens for Ctrl-C; work should end soon once *stop is
// set. What work throws is thrown here, once the run is over.
template <class Work> auto listening(Work&& work)
{
    decltype(work(nullptr)) out{};
    std::exception_ptr thrown;
    without_gil(1, [&](const engine::run_settings& s) {
        return engine::run_in_order<char>(
            0, 1,
            [&](std::uint64_t) {
                try {
                    out = work(s.stop);
                }
                catch (...) {
                    thrown = std::current_exception();
                }
                return char{0};
            },
            [](std::uint64_t, char&) { return true; }, s);
    });
    if (thrown) {
        std::rethrow_exception(thrown);
    }
    return out;
}

// What work(stop) gives for design d, checked first (with_rows: as the
// ascent's rows need), computed while this thread listens for Ctrl-C; the
// notes on the design then warned of.
template <class Work> auto computed(const tether::design& d, bool with_rows, Work&& work)
{
    check(d, with_rows);
    auto out = listening(std::forward<Work>(work));
    warn(climber::design_notes(d), 1);
    return out;
}

// A value of a table's metadata as Python's: dict, list, int, float or str.
py::object object_of(const engine::meta_value& v)
{
    using kind = engine::meta_value::kind;
    switch (v.is) {
    case kind::number:
        return py::float_(v.number);
    case kind::count:
        return py::int_(v.count);
    case kind::text:
        return text_of(v.text);
    case kind::list:
    case kind::map:
        break;
    }
    py::list items;
    py::dict fields;
    for (const auto& [name, item] : v.items) {
        if (v.is == kind::list) {
            items.append(object_of(item));
        }
        else {
            fields[text_of(name)] = object_of(item);
        }
    }
    return v.is == kind::list ? py::object(items) : py::object(fields);
}

// Any table of the engine as one DataFrame: a column of str for each column
// of text, of int64 for a count, of float64 for the others; its leading
// columns that name a row as its index; its metadata as attrs. Its notes and
// why it missed warned of first, attributed as warn_text's.
py::object frame_of(const engine::table& t, int level)
{
    for (const engine::table_note& n : t.notes) {
        warn_text(n.text + (n.note ? where_to_look(*n.note) : ""), level);
    }
    if (!t.missed.why.empty()) {
        warn_text(t.missed_text(), level);
    }
    py::dict data;
    std::size_t number = 0;
    std::size_t text   = 0;
    for (const engine::column& c : t.columns) {
        if (c.text) {
            py::list texts;
            for (const engine::table_row& row : t.rows) {
                texts.append(text_of(row.texts.at(text)));
            }
            data[py::str(c.name)] = texts;
            ++text;
            continue;
        }
        py::array_t<double> values(static_cast<py::ssize_t>(t.rows.size()));
        for (std::size_t i = 0; i < t.rows.size(); ++i) {
            values.mutable_data()[i] = t.rows[i].values.at(number);
        }
        data[py::str(c.name)] = c.count ? values.attr("astype")("int64") : py::object(values);
        ++number;
    }
    py::object frame = py::module_::import("pandas").attr("DataFrame")(data);
    if (t.index > 0) {
        py::list index;
        for (std::size_t i = 0; i < t.index; ++i) {
            index.append(py::str(t.columns[i].name));
        }
        frame = frame.attr("set_index")(index);
    }
    if (!t.metadata.empty()) {
        frame.attr("attrs").attr("update")(object_of(t.metadata));
    }
    return frame;
}

py::dict figures(const tether::design& d, py::handle method)
{
    const climber::method how  = method_of(method);
    const engine::evaluation e = computed(d, false, [&](const std::atomic<int>* stop) {
        return engine::evaluate(d, how, false, stop);
    });
    warn(e.figure_notes, 1);
    py::dict out;
    for (std::size_t i = 0; i < e.figures.size(); ++i) {
        out[py::str(engine::figure_columns()[i].name)] = e.figures[i];
    }
    return out;
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
// columns; with shapes, Design.mode_shapes(n): the in-plane shapes at the
// engine's altitudes. NaN periods warned of in the command line's words.
py::object modes(const tether::design& d, py::handle count, bool shapes)
{
    const unsigned n = modes_of(count, "n", false);
    return frame_of(computed(d, false,
                             [&](const std::atomic<int>* stop) {
                                 return engine::modes_table(d, n, shapes, stop);
                             }),
                    1);
}

// The figures asked for: None (every one) or a list of their names, the
// first `modes` modes' periods among them.
std::vector<std::string> figures_of(py::handle figures, unsigned modes = 0)
{
    std::vector<std::string> names;
    if (figures.is_none()) {
        return names;
    }
    if (py::isinstance<py::str>(figures) || !py::isinstance<py::iterable>(figures)) {
        wrong_type("figures", "a list of figures' names or None", figures);
    }
    for (const py::handle f : figures) {
        if (!py::isinstance<py::str>(f)) {
            throw py::type_error("figures must be a list of figures' names, not of " +
                                 type_name(f));
        }
        names.push_back(f.cast<std::string>());
    }
    led(
        "figures", [&] { engine::figure_selection(names, modes); },
        " (tether.figure_names() lists them)");
    return names;
}

// Design.sensitivity(modes=None, figures=None): a frame indexed by figure
// and parameter, with the derivative and the elasticity; the notes warned
// of.
py::object sensitivity(const tether::design& d, py::handle count, py::handle asked)
{
    const unsigned n                     = modes_of(count, "modes", true);
    const std::vector<std::string> names = figures_of(asked, n);
    return frame_of(
        computed(d, false, [&](auto stop) { return engine::sensitivity_table(d, n, stop, names); }),
        1);
}

py::object ascent(const tether::design& d)
{
    return frame_of(
        computed(d, true,
                 [&](const std::atomic<int>* stop) { return engine::ascent_table(d, stop); }),
        1);
}

// Design.load(): the tension along the tether at the traffic's worst
// moment, as --load gives it.
py::object load(const tether::design& d)
{
    return frame_of(computed(d, false, [&](auto) { return engine::loads_table(d); }), 1);
}

// Design.swing(): the swing a climb sets off over time, as --swing gives it.
py::object swing(const tether::design& d)
{
    return frame_of(
        computed(d, true,
                 [&](const std::atomic<int>* stop) { return engine::swing_table(d, stop); }),
        1);
}

std::string report(const tether::design& d)
{
    std::string text;
    const climber::study s = computed(d, true, [&](const std::atomic<int>* stop) {
        engine::check_report(d, "report()", "ascent() and modes()");
        return engine::report(
            [&text](std::string_view lines) {
                text += lines;
                return true;
            },
            d, stop);
    });
    warn(climber::notes(s, true), 1);
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

// The request of a call's keywords: its base design, method, modes and
// figures, read in that order.
engine::run_request request_of(const tether::design& base, climber::method how, py::handle modes,
                               py::handle figures)
{
    engine::run_request request;
    request.base          = base;
    request.figures       = {how};
    request.figures.modes = modes_of(modes, "modes", true);
    request.names         = figures_of(figures);
    return request;
}

// The run of a request, read (and for a grid of figures, checked) while
// this thread listens for Ctrl-C; shown names the axes in messages. The
// notes on the designs checked go to notes.
engine::run run_of(engine::run_request request, const std::vector<std::string>& shown,
                   engine::note_tally& notes)
{
    std::optional<engine::run> r;
    std::optional<engine::design_fault> bad;
    const bool checked = !request.sought && !request.table;
    try {
        listening([&](const std::atomic<int>* stop) {
            r.emplace(std::move(request));
            if (checked) {
                bad = r->check([stop] { return engine::stop_set(stop); }, &notes);
            }
            return 0;
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

using each_row = std::function<void(std::uint64_t, engine::run_row&)>;
using lead_of  = std::function<std::string(std::uint64_t, std::uint64_t)>;

// Rows [begin, end) of the run, computed on jobs threads without the GIL,
// as a frame's array of the run's columns; each row also to each(). Then
// the tallied notes (after those already in `notes`) and, where misses, the
// misses as warnings, each led by lead(first, count) (none: the run's lead).
py::array_t<double> rows_of(const engine::run& r, engine::shard_range range, unsigned jobs,
                            const each_row& each = {}, engine::note_tally notes = {},
                            const lead_of& lead = {}, bool misses = true)
{
    const auto width = static_cast<std::uint64_t>(r.columns().size());
    py::array_t<double> out(
        {static_cast<py::ssize_t>(range.end - range.begin), static_cast<py::ssize_t>(width)});
    double* data                = out.mutable_data();
    const engine::run_summary s = without_gil(jobs, [&](const engine::run_settings& rs) {
        return r.execute(
            range.begin, range.end,
            [&](std::uint64_t i, engine::run_row& row) {
                std::copy(row.values.begin(), row.values.end(), data + (i - range.begin) * width);
                if (each) {
                    each(i, row);
                }
                return true;
            },
            rs, std::move(notes));
    });
    warn_threads(s.result, 2);
    const auto led = [&](std::uint64_t first, std::uint64_t count, const std::string& text) {
        const std::string l = lead ? lead(first, count) : r.lead(first, count);
        return l.empty() ? text : l + ": " + text;
    };
    std::vector<climber::note> said;
    for (const engine::note_tally::entry& e : engine::all_notes(s)) {
        said.push_back(e.note);
        said.back().text = led(e.first, e.count, e.note.text);
    }
    warn(said, 2);
    if (misses && s.missed > 0) {
        warn_text(led(s.first_missed, s.missed, s.why), 2);
    }
    return out;
}

// Every design of the grid of the axes [(name, text or values)], checked
// first, computed on jobs threads: rows of the swept values then the
// figures asked for (with the first `modes` modes' periods), and the
// columns' names. Rows whose figures missed are NaN there, and one warning
// names the first.
py::tuple sweep(const tether::design& base, const py::list& axes, py::handle jobs,
                py::handle method, py::handle modes, py::handle figures)
{
    const climber::method how   = method_of(method);
    const unsigned threads      = jobs_of(jobs);
    engine::run_request request = request_of(base, how, modes, figures);
    std::vector<std::string> shown;
    request.axes = axes_of(axes, "sweep", shown);
    engine::note_tally notes;
    const engine::run r = run_of(std::move(request), shown, notes);
    return py::make_tuple(rows_of(r, {0, r.size()}, threads, {}, notes),
                          engine::column_names(r.columns()));
}

// Draws: the run that sample(), summary() and indices() compute.

// The run of the draws that the keywords describe (vary a list of (name,
// distribution text) pairs), and the threads given.
struct draws {
    engine::run run;
    unsigned threads;
};

draws draws_run(const tether::design& base, const py::list& vary, py::handle samples,
                py::handle key, py::handle jobs, py::handle method, py::handle modes,
                py::handle figures, bool saltelli)
{
    engine::run_request request = request_of(base, method_of(method), modes, figures);
    engine::draw_texts texts;
    std::vector<std::string> shown;
    for (const py::handle item : vary) {
        const auto pair        = item.cast<py::tuple>();
        const std::string name = py::str(pair[0]);
        param_named(name, "sample");
        texts.vary.push_back(name + "=" +
                             text_arg(pair[1], "vary[" + name + "]",
                                      "a distribution's text, as 'lognormal:35:1.5'"));
        shown.push_back("vary['" + name + "']");
    }
    texts.count    = whole_text(samples, "samples");
    texts.key      = whole_text(key, "seed");
    texts.saltelli = saltelli;
    try {
        request.drawn = engine::read_draws(texts);
    }
    catch (const engine::draw_error& e) {
        throw engine::usage_error((e.part == engine::draw_part::vary    ? shown[e.index]
                                   : e.part == engine::draw_part::count ? "samples"
                                                                        : "seed") +
                                  std::string(": ") + e.what());
    }
    return {led(saltelli ? "indices" : "sample", [&] { return engine::run(std::move(request)); }),
            jobs_of(jobs)};
}

// Draws [begin, end) of shard K of N ((1, 1): every one): the rows, the
// columns' names, each draw's reason, the first draw's index and what the
// run was.
py::tuple sample(const tether::design& base, const py::list& vary, py::handle samples,
                 py::handle key, py::handle jobs, py::handle method, py::handle modes,
                 py::handle figures, const std::string& shard)
{
    const draws drawn    = draws_run(base, vary, samples, key, jobs, method, modes, figures, false);
    const engine::run& r = drawn.run;
    const auto kn        = led("shard", [&] { return engine::parse_shard(shard); });
    const engine::shard_range range = engine::shard_of(r.size(), kn.first, kn.second);
    std::vector<std::string> reasons(range.end - range.begin);
    const py::array_t<double> out =
        rows_of(r, range, drawn.threads, [&](std::uint64_t i, engine::run_row& row) {
            reasons[i - range.begin] = std::move(row.reason);
        });
    return py::make_tuple(out, engine::column_names(r.columns()), texts_of(reasons), range.begin,
                          object_of(engine::draws_meta(r)));
}

// Each figure's summary over the draws, with the shares: the draws that are
// no design, those with each note (warned too) and those that meet where.
py::object summary(const tether::design& base, const py::list& vary, py::handle samples,
                   py::handle key, py::handle jobs, py::handle method, py::handle modes,
                   py::handle figures, py::handle where)
{
    const draws drawn    = draws_run(base, vary, samples, key, jobs, method, modes, figures, false);
    const engine::run& r = drawn.run;
    std::optional<std::string> condition;
    if (!where.is_none()) {
        condition = text_arg(where, "where", "a text, as 'time<100', or None");
        led(
            "where = '" + engine::printable(*condition) + "'",
            [&] { engine::parse_condition(*condition, r.figures_shown()); },
            " (tether.figure_names() lists them)");
    }
    const engine::spread_summary s =
        without_gil(drawn.threads, [&](const engine::run_settings& rs) {
            return engine::summarize(r, rs, condition);
        });
    warn_threads(s.run.result, 2);
    for (const engine::note_share& n : s.notes) {
        warn_text(engine::note_share_text(r, n) + where_to_look(n.note), 2);
    }
    if (s.missed.met > 0) {
        warn_text(engine::missed_share(r, s), 2);
    }
    return frame_of(engine::summary_table(r, s), 2);
}

// Every figure's Sobol indices for every varied parameter.
py::object indices(const tether::design& base, const py::list& vary, py::handle samples,
                   py::handle key, py::handle jobs, py::handle method, py::handle modes,
                   py::handle figures)
{
    const draws drawn    = draws_run(base, vary, samples, key, jobs, method, modes, figures, true);
    const engine::run& r = drawn.run;
    const engine::spread_indices x = without_gil(
        drawn.threads, [&](const engine::run_settings& s) { return engine::indices_of(r, s); });
    warn_threads(x.run.result, 2);
    warn(engine::rows_notes(r, x.run), 2);
    if (x.run.missed > 0) {
        warn_text(engine::missed_rows(r, x.run), 2);
    }
    for (const std::string& doubt : engine::indices_doubts(r, x)) {
        warn_text(doubt, 2);
    }
    return frame_of(engine::indices_table(r, x), 2);
}

// The goal of solve(name, (low, high), figure, value), read as --solve
// NAME=LOW:HIGH --for FIGURE=VALUE reads it.
engine::goal goal_of(py::handle name, py::handle bracket, py::handle figure, py::handle value)
{
    const std::string sought = text_arg(name, "name", "a parameter's name");
    if (py::isinstance<py::str>(bracket) || py::isinstance<py::bytes>(bracket) ||
        !PySequence_Check(bracket.ptr()) || PySequence_Size(bracket.ptr()) != 2) {
        if (PyErr_Occurred() != nullptr) {
            PyErr_Clear();
        }
        wrong_type("bracket", "a pair of numbers (low, high)", bracket);
    }
    const std::string figure_name = text_arg(figure, "figure", "a figure's name");
    const auto ends               = py::reinterpret_borrow<py::sequence>(bracket);
    const std::string low         = number_text(ends[0], "bracket's low end");
    const std::string high        = number_text(ends[1], "bracket's high end");
    const std::string at          = number_text(value, "value");
    if (tether::find_param(sought) == nullptr) {
        throw engine::usage_error("unknown parameter '" + engine::printable(sought) +
                                  "' (tether.parameters() lists them)");
    }
    engine::goal g =
        led("bracket = (" + engine::printable(low) + ", " + engine::printable(high) + ")",
            [&] { return engine::parse_solve(sought + "=" + low + ":" + high); });
    g.figure = engine::figure_column(figure_name);
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
    if (s.problem.empty() && s.jump.empty()) {
        throw engine::usage_error(engine::unsolved_reason(s));
    }
    throw bad_design{engine::unsolved_reason(s),
                     s.fault ? bad_of(*s.fault).parameter : g.param->name, s.reason};
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
    engine::note_tally notes;
    const engine::run r      = run_of(std::move(request), shown, notes);
    const engine::goal& goal = *r.request().sought;
    if (axes.empty()) {
        const engine::run_row row =
            listening([&](const std::atomic<int>* stop) { return r.row(0, stop); });
        if (!row.solved->solved()) {
            refuse(*row.solved, goal);
        }
        tether::design d     = base;
        goal.param->field(d) = row.solved->value;
        warn(row.design_notes, 2);
        warn(row.notes, 2);
        return py::cast(d);
    }
    std::vector<std::string> problems(r.size());
    const py::array_t<double> out = rows_of(
        r, {0, r.size()}, threads,
        [&](std::uint64_t i, engine::run_row& row) { problems[i] = std::move(row.why); }, {}, {},
        false);
    return py::make_tuple(out, engine::column_names(r.columns()), texts_of(problems, true));
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
    const climber::method how = method_of(method);
    const unsigned threads    = jobs_of(jobs);
    if (table.ndim() != 2 || static_cast<std::size_t>(table.shape(1)) != t.params.size()) {
        throw py::value_error("a table of one column per parameter named");
    }
    engine::run_request request = request_of(base, how, modes, figures);
    t.rows                      = static_cast<std::uint64_t>(table.shape(0));
    t.values.assign(table.data(), table.data() + t.rows * t.params.size());
    request.table = std::move(t);
    engine::note_tally notes;
    const engine::run r = run_of(std::move(request), {}, notes);
    std::vector<std::optional<engine::design_fault>> faults(r.size());
    const py::array_t<double> out = rows_of(
        r, {0, r.size()}, threads,
        [&](std::uint64_t i, engine::run_row& row) { faults[i] = std::move(row.fault); }, {},
        [&label](std::uint64_t first, std::uint64_t count) {
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

// The figures' columns, with the first `modes` modes' periods; named: with
// the figures shown only where asked for by name.
py::list figure_columns(py::handle modes, bool named)
{
    py::list out;
    for (const engine::column& c : engine::figure_columns(modes_of(modes, "modes", true), named)) {
        out.append(py::make_tuple(c.name, c.unit, c.meaning));
    }
    return out;
}

// "name (unit)" for each column, "a (u), b (v) and c (w)", in lines of at
// most 76 characters, each indented by four spaces.
std::string column_list(const std::vector<engine::column>& columns)
{
    std::vector<std::string> each;
    for (const engine::column& c : columns) {
        each.push_back(c.name + " (" + c.unit + ")");
    }
    return py::str(py::module_::import("textwrap")
                       .attr("fill")(engine::joined(each, "and") + ".", py::arg("width") = 76,
                                     py::arg("initial_indent")    = "    ",
                                     py::arg("subsequent_indent") = "    ",
                                     py::arg("break_long_words")  = false,
                                     py::arg("break_on_hyphens")  = false));
}

// A docstring of docs.hpp (src/python/docs) with each {NAME} of values
// replaced, kept for the life of the module.
const char* doc(std::string text, const std::vector<std::pair<std::string, std::string>>& values)
{
    for (const auto& [name, value] : values) {
        const std::string key = "{" + name + "}";
        for (auto at = text.find(key); at != std::string::npos; at = text.find(key, at)) {
            text.replace(at, key.size(), value);
            at += value.size();
        }
    }
    static std::deque<std::string> texts;
    texts.push_back(std::move(text));
    return texts.back().c_str();
}

// Design's docstring: the planets and each parameter's entry.
const char* design_doc()
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
    return doc(docs::Design, {{"planets", planets}, {"parameters", table}});
}

}  // namespace

PYBIND11_MODULE(_core, m)
{
    m.doc()      = "The tether study's library, for the tether package";
    design_error = PyErr_NewExceptionWithDoc(
        "tether.DesignError", docs::DesignError, PyExc_ValueError,
        py::dict(py::arg("parameter") = py::none(), py::arg("reason") = py::none()).ptr());
    design_warning = PyErr_NewExceptionWithDoc("tether.DesignWarning", docs::DesignWarning,
                                               PyExc_UserWarning, nullptr);
    if (design_error == nullptr || design_warning == nullptr) {
        throw py::error_already_set();
    }
    m.attr("DesignError")   = py::handle(design_error);
    m.attr("DesignWarning") = py::handle(design_warning);
    py::register_exception_translator(&translate);

    const std::string max_modes = std::to_string(engine::max_modes);
    py::class_<tether::design> design(m, "Design", design_doc());
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
            docs::replace)
        .def_static("from_file", &from_file, py::arg("path"), docs::from_file)
        .def(
            "check", [](const tether::design& d) { check(d, false); }, docs::check)
        .def("figures", &figures, py::arg("method") = engine::methods().front().name,
             doc(docs::figures, {{"methods", engine::names_of(engine::methods())},
                                 {"figures", column_list(engine::figure_columns())}}))
        .def(
            "modes",
            [](const tether::design& d, const py::args& args, const py::kwargs& kwargs) {
                return modes(d, count_given("modes", args, kwargs, 5), false);
            },
            doc(docs::modes, {{"max_modes", max_modes}}))
        .def(
            "mode_shapes",
            [](const tether::design& d, const py::args& args, const py::kwargs& kwargs) {
                return modes(d, count_given("mode_shapes", args, kwargs, 3), true);
            },
            doc(docs::mode_shapes,
                {{"max_modes", max_modes}, {"shape_points", std::to_string(engine::shape_points)}}))
        .def("sensitivity", &sensitivity, py::arg("modes") = py::none(),
             py::arg("figures") = py::none(), docs::sensitivity)
        .def("ascent", &ascent,
             doc(docs::ascent, {{"columns", column_list(engine::ascent_columns())}}))
        .def("load", &load, doc(docs::load, {{"columns", column_list(engine::load_columns())}}))
        .def("swing", &swing, doc(docs::swing, {{"columns", column_list(engine::swing_columns())}}))
        .def("report", &report, docs::report);
    for (const tether::param* p = tether::params_begin(); p != tether::params_end(); ++p) {
        design.def_property_readonly(
            p->name, [p](const tether::design& d) { return value_object(d, *p); },
            doc(std::string(p->unit) + ": " + p->meaning +
                    (p->can_be_auto ? std::string(" (None where auto)") : ""),
                {}));
    }
    m.attr("max_modes")      = engine::max_modes;
    m.attr("max_jobs")       = engine::max_jobs;
    m.attr("default_method") = engine::methods().front().name;
    m.def("parameters", &parameters);
    m.def("figure_columns", &figure_columns, py::arg("modes") = py::none(),
          py::arg("named") = false);
    m.def("sweep", &sweep);
    m.def("evaluate", &evaluate);
    m.def("solve", &solve);
    m.def("sample", &sample);
    m.def("summary", &summary);
    m.def("indices", &indices);
}
