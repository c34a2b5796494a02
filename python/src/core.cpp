// The Python face of kelvarin: numpy arrays and Python values in, the shared
// reader's, analysis', table's and DOT writer's results out as dicts that
// kelvarin/__init__.py makes its classes of, nothing computed here that they
// compute. Nothing here ends the interpreter or writes to its console: the
// programs' console is face/console.cpp's, a C++ exception becomes a Python
// exception at the edge (std::invalid_argument a ValueError), and the GIL is
// released while C++ reads and analyses, so that threads analyse at once;
// analyse_files takes it back now and then to let a signal stop it.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/sureness.h"
#include "face/console.h"
#include "face/face.h"
#include "reader/reader.h"
#include "table/table.h"
#include "text/utf8.h"
#include "version/version.h"

namespace py = pybind11;

namespace {

using Array = py::array_t<double, py::array::c_style | py::array::forcecast>;

py::object Figure(const std::optional<double>& value) {
  if (!value) {
    return py::none();
  }
  return py::float_(*value);
}

py::array_t<double> ArrayOf(const double* values, size_t n) {
  py::array_t<double> out(static_cast<py::ssize_t>(n));
  std::copy(values, values + n, out.mutable_data());
  return out;
}

py::array_t<double> ArrayOf(const gsl_matrix* matrix) {
  py::array_t<double> out(
      {static_cast<py::ssize_t>(matrix->size1), static_cast<py::ssize_t>(matrix->size2)});
  auto cells = out.mutable_unchecked<2>();
  for (size_t r = 0; r < matrix->size1; ++r) {
    for (size_t c = 0; c < matrix->size2; ++c) {
      cells(static_cast<py::ssize_t>(r), static_cast<py::ssize_t>(c)) =
          gsl_matrix_get(matrix, r, c);
    }
  }
  return out;
}

// The influence matrix of an n-by-n array of doubles, rounded to single
// precision (InfluenceOf).
Matrix InfluenceOfArray(const Array& values) {
  if (values.ndim() != 2 || values.shape(0) != values.shape(1)) {
    throw std::invalid_argument("the influence matrix must be square");
  }
  return InfluenceOf(values.data(), static_cast<int>(values.shape(0)),
                     static_cast<std::ptrdiff_t>(values.shape(1)), 1);
}

// The diagnostics of severity as (line, column, message) tuples, line and
// column None for a diagnostic without a place.
py::list SaidList(const std::vector<Said>& said, Severity severity) {
  py::list out;
  for (const Said& one : said) {
    if (one.severity != severity) {
      continue;
    }
    long long line = 0;
    long long column = 0;
    if (LineAndColumn(one.place, &line, &column)) {
      out.append(py::make_tuple(line, column, AsUtf8(one.text)));
    } else {
      out.append(py::make_tuple(py::none(), py::none(), AsUtf8(one.text)));
    }
  }
  return out;
}

// The figures of analysis; players 0-based, as the analysis numbers them.
py::dict AnalysisDict(const gsl_matrix* influence, const Analysis& analysis) {
  if (!analysis.column_sums || !analysis.reduced) {
    throw std::bad_alloc();
  }
  const auto n = static_cast<size_t>(analysis.n);
  py::dict out;
  out["status"] = StatusName(analysis.ending);
  out["message"] = std::string(analysis.message);
  out["n"] = analysis.n;
  out["influence"] = ArrayOf(influence);
  out["column_sums"] = ArrayOf(analysis.column_sums.get(), n);
  out["row_sums"] = ArrayOf(analysis.row_sums.get(), n);
  out["empath"] = analysis.empath.player;
  out["driver"] = analysis.driver.player;
  out["empath_margin"] = analysis.empath.margin;
  out["driver_margin"] = analysis.driver.margin;
  out["empath_near_ties"] = analysis.empath.near_ties;
  out["driver_near_ties"] = analysis.driver.near_ties;
  out["v"] = ArrayOf(analysis.v->data, n - 1);
  out["m"] = ArrayOf(analysis.reduced.get());
  out["q"] = analysis.has_weights ? py::object(ArrayOf(analysis.q->data, n - 1)) : py::none();
  out["s_e"] = Figure(analysis.s_e);
  out["determinant"] = Figure(analysis.determinant);
  out["condition"] = Figure(analysis.condition);
  out["log_condition"] = Figure(analysis.log_condition);
  return out;
}

// The draws' figures: the shares, S_E's quantiles and each player's shares
// as the empath and the driver.
py::dict SurenessDict(const Sureness& sureness, int n) {
  const auto share = [&sureness](long long count) {
    return static_cast<double>(count) / static_cast<double>(sureness.draws);
  };
  py::array_t<double> empaths(n);
  py::array_t<double> drivers(n);
  for (int p = 0; p < n; ++p) {
    empaths.mutable_at(p) = share(sureness.empaths[static_cast<size_t>(p)]);
    drivers.mutable_at(p) = share(sureness.drivers[static_cast<size_t>(p)]);
  }
  py::dict out;
  out["draws"] = sureness.draws;
  out["empath_share"] = share(sureness.empath);
  out["driver_share"] = share(sureness.driver);
  out["singular_share"] = share(sureness.singular);
  out["s_e_low"] = Figure(sureness.s_e_low);
  out["s_e_median"] = Figure(sureness.s_e_median);
  out["s_e_high"] = Figure(sureness.s_e_high);
  out["player_empath_share"] = empaths;
  out["player_driver_share"] = drivers;
  return out;
}

py::object Count(bool exists, long long value) {
  return exists ? py::object(py::int_(value)) : py::none();
}

py::object Text(const std::string& text) {
  return text.empty() ? py::object(py::none()) : py::object(py::str(text));
}

// read_group: the file at path (its bytes) read as the programs read it.
py::dict ReadGroupFile(const py::bytes& path_bytes) {
  const std::string path = path_bytes;
  ReadFile read;
  {
    const py::gil_scoped_release unlocked;
    read = ReadFileAt(path);
  }
  const ReadFailure failure = read.failure;
  const std::string& description = read.description;
  py::dict out;
  out["failure"] = failure == ReadFailure::kNone ? std::string() : FailureMessage(failure);
  out["description"] = AsUtf8(WithoutByteOrderMark(description));
  out["description_bytes"] = py::bytes(description);
  out["warnings"] = SaidList(read.said, Severity::kWarning);
  out["errors"] = SaidList(read.said, Severity::kError);
  out["influence"] =
      failure == ReadFailure::kNone ? py::object(ArrayOf(read.influence.get())) : py::none();
  return out;
}

py::dict Analyse(const Array& values) {
  const Matrix influence = InfluenceOfArray(values);
  Analysis analysis;
  {
    const py::gil_scoped_release unlocked;
    const GslHandlerOff handler_off;
    AnalyseGroup(influence.get(), static_cast<int>(influence->size1), &analysis);
  }
  return AnalysisDict(influence.get(), analysis);
}

py::bytes ReportOf(const Array& values, const py::bytes& description) {
  const Matrix influence = InfluenceOfArray(values);
  Analysis analysis;
  {
    const GslHandlerOff handler_off;
    AnalyseGroup(influence.get(), static_cast<int>(influence->size1), &analysis);
  }
  return py::bytes(Report(description, influence.get(), analysis));
}

py::dict Perturbed(const Array& values, double spread, double draws, const std::string& seed) {
  const Matrix influence = InfluenceOfArray(values);
  const int n = static_cast<int>(influence->size1);
  const Perturbation perturbation = PerturbationOf(spread, draws, seed);
  if (DrawsCanOverflow(influence.get(), n, perturbation.spread)) {
    throw std::invalid_argument(
        "d is too large for these values: a drawn value could pass single precision's range");
  }
  Sureness sureness;
  bool drawn = false;
  {
    const py::gil_scoped_release unlocked;
    const GslHandlerOff handler_off;
    Analysis analysis;
    AnalyseGroup(influence.get(), n, &analysis);
    drawn = analysis.reduced && Perturb(influence.get(), n, analysis, perturbation, &sureness);
  }
  if (!drawn) {
    throw std::bad_alloc();
  }
  return SurenessDict(sureness, n);
}

std::string DotOf(const Array& values, const py::bytes& description, const std::string& view,
                  const std::vector<std::string>& names, double min, int top) {
  const Matrix influence = InfluenceOfArray(values);
  Analysis analysis;
  {
    const GslHandlerOff handler_off;
    AnalyseGroup(influence.get(), static_cast<int>(influence->size1), &analysis);
  }
  return Dot(description, influence.get(), analysis, view, names, min, top);
}

// analyse_files: kelvarin-table's columns of each file at paths (bytes),
// called by its name in names, on jobs threads, with the draws of
// kelvarin-table's --perturb when spread is above 0; and the draws of each.
py::tuple AnalyseFilesOf(const std::vector<std::string>& paths,
                         const std::vector<std::string>& names, int jobs, double spread,
                         double draws, const std::string& seed) {
  std::optional<Perturbation> perturbation;
  if (spread > 0.0) {
    perturbation = PerturbationOf(spread, draws, seed);
  }
  // Between files, the GIL taken back for a moment: a signal's handler
  // (Ctrl-C's raises KeyboardInterrupt) runs, and what it raised stops the
  // call, raised once every thread has stopped. Python runs the handlers
  // in its main thread alone: in another, the check could never say stop,
  // and would only take the GIL from the threads that run Python meanwhile.
  std::function<bool()> signalled;
  const py::module_ threading = py::module_::import("threading");
  if (threading.attr("current_thread")().is(threading.attr("main_thread")())) {
    signalled = [] {
      const py::gil_scoped_acquire locked;
      return PyErr_CheckSignals() != 0;
    };
  }
  std::vector<Group> groups;
  try {
    const py::gil_scoped_release unlocked;
    groups = AnalyseFiles(paths, names, perturbation ? &*perturbation : nullptr, jobs, signalled);
  } catch (const Interrupted&) {
    throw py::error_already_set();
  }
  py::list rows;
  py::list drawn;
  for (size_t i = 0; i < groups.size(); ++i) {
    const Group& group = groups[i];
    const Analysis& analysis = group.analysis;
    const bool ranked = Ranked(group);
    rows.append(py::make_tuple(AsUtf8(names[i]), Text(group.description),
                               Count(group.players.has_value(), group.players.value_or(0)),
                               Count(ranked, analysis.empath.player + 1),
                               Count(ranked, analysis.driver.player + 1), Figure(analysis.s_e),
                               Figure(analysis.determinant), Figure(analysis.condition),
                               Figure(analysis.log_condition),
                               Count(ranked, analysis.empath.near_ties + analysis.driver.near_ties),
                               ranked ? Figure(analysis.empath.margin) : py::none(),
                               ranked ? Figure(analysis.driver.margin) : py::none(), group.warnings,
                               StatusName(group), Text(group.message)));
    drawn.append(group.sureness ? py::object(SurenessDict(*group.sureness, analysis.n))
                                : py::none());
  }
  return py::make_tuple(rows, drawn);
}

}  // namespace

PYBIND11_MODULE(_core, module) {
  module.doc() = "kelvarin's C++ core; use the functions of the package kelvarin.";
  kelvarin_open_console();
  // GSL's error handler off for good: the analysis checks every status that
  // the handler would abort on, and threads analysing at once must not find
  // it restored by another's call.
  gsl_set_error_handler_off();
  module.attr("version") = kProgramVersion;
  module.attr("file_columns") = kFileColumns;
  module.def("read_group", &ReadGroupFile);
  module.def("analyse", &Analyse);
  module.def("report", &ReportOf);
  module.def("perturb", &Perturbed);
  module.def("dot", &DotOf);
  module.def("analyse_files", &AnalyseFilesOf);
}
