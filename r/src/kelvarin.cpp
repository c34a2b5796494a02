// The R face of kelvarin: R's vectors in, the shared reader's, analysis',
// table's and DOT writer's results out as R lists, nothing computed here
// that they compute (what the faces share is face/face.h's). Nothing here
// ends the R session or writes to its console, which is face/console.cpp's:
// a failure is a value that the R functions turn into a condition, and a
// C++ exception becomes an R error at the edge (BEGIN_CPP11).
#include <gsl/gsl_matrix.h>

#include <charconv>
#include <cmath>
#include <cpp11.hpp>
#include <cpp11/declarations.hpp>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// Rf_onintr, which raises R's interrupt, is declared for graphics devices;
// after cpp11, which sets how R's headers name things.
#include <R_ext/GraphicsEngine.h>

#include "analysis/analysis.h"
#include "analysis/sureness.h"
#include "face/face.h"
#include "numbers/numbers.h"
#include "reader/reader.h"
#include "table/table.h"
#include "text/utf8.h"

namespace {

cpp11::writable::raws RawBytes(const std::string& text) {
  cpp11::writable::raws bytes(static_cast<R_xlen_t>(text.size()));
  if (!text.empty()) {
    std::memcpy(RAW(bytes), text.data(), text.size());
  }
  return bytes;
}

// A string of valid UTF-8 (AsUtf8 makes it so), marked as UTF-8.
SEXP Utf8(const std::string& text) {
  return Rf_mkCharLenCE(text.data(), static_cast<int>(text.size()), CE_UTF8);
}

cpp11::writable::strings Strings(const std::vector<std::string>& texts) {
  cpp11::writable::strings strings(static_cast<R_xlen_t>(texts.size()));
  for (size_t i = 0; i < texts.size(); ++i) {
    SET_STRING_ELT(strings, static_cast<R_xlen_t>(i), Utf8(texts[i]));
  }
  return strings;
}

double Figure(const std::optional<double>& value) {
  return value && !std::isnan(*value) ? *value : NA_REAL;
}

// The n-by-n influence matrix of an R matrix (column-major), each value
// rounded to single precision as the reader rounds a value it reads
// (InfluenceOf). Refuses what R's checks should have refused already.
Matrix RInfluence(const cpp11::doubles& values, int n) {
  if (n < kMinPlayers || n > kMaxPlayers || values.size() != static_cast<R_xlen_t>(n) * n) {
    throw std::invalid_argument("the influence matrix must be square, of 2 to 20 players");
  }
  return InfluenceOf(REAL(values), n, 1, n);
}

cpp11::writable::doubles_matrix<> RMatrix(const gsl_matrix* matrix) {
  const int rows = static_cast<int>(matrix->size1);
  const int columns = static_cast<int>(matrix->size2);
  cpp11::writable::doubles_matrix<> out(rows, columns);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      out(r, c) = gsl_matrix_get(matrix, static_cast<size_t>(r), static_cast<size_t>(c));
    }
  }
  return out;
}

cpp11::writable::doubles RVector(const double* values, int n) {
  cpp11::writable::doubles out(n);
  for (int i = 0; i < n; ++i) {
    out[i] = values[i];
  }
  return out;
}

// The figures of analysis as an R list; players 1-based.
cpp11::writable::list AnalysisList(const gsl_matrix* influence, const Analysis& analysis) {
  const int n = analysis.n;
  const bool ranked = analysis.column_sums != nullptr;
  if (!ranked || !analysis.reduced) {
    throw std::bad_alloc();
  }
  const int empath = analysis.empath.player;
  return cpp11::writable::list({
      "status"_nm = StatusName(analysis.ending),
      "message"_nm = analysis.message,
      "n"_nm = n,
      "influence"_nm = RMatrix(influence),
      "column_sums"_nm = RVector(analysis.column_sums.get(), n),
      "row_sums"_nm = RVector(analysis.row_sums.get(), n),
      "empath"_nm = empath + 1,
      "driver"_nm = analysis.driver.player + 1,
      "empath_margin"_nm = analysis.empath.margin,
      "driver_margin"_nm = analysis.driver.margin,
      "empath_near_ties"_nm = analysis.empath.near_ties,
      "driver_near_ties"_nm = analysis.driver.near_ties,
      "v"_nm = RVector(analysis.v->data, n - 1),
      "m"_nm = RMatrix(analysis.reduced.get()),
      "q"_nm = analysis.has_weights ? SEXP(RVector(analysis.q->data, n - 1)) : R_NilValue,
      "s_e"_nm = Figure(analysis.s_e),
      "determinant"_nm = Figure(analysis.determinant),
      "condition"_nm = Figure(analysis.condition),
      "log_condition"_nm = Figure(analysis.log_condition),
  });
}

std::string DescriptionOf(const cpp11::raws& bytes) {
  return std::string(reinterpret_cast<const char*>(RAW(bytes)), static_cast<size_t>(bytes.size()));
}

// The line and column at the end of a diagnostic's place (LineAndColumn); NA
// for a diagnostic without a place, or one beyond R's integers.
void RLineAndColumn(const std::string& place, int* line, int* column) {
  *line = NA_INTEGER;
  *column = NA_INTEGER;
  long long l = 0;
  long long c = 0;
  if (LineAndColumn(place, &l, &c) && l <= std::numeric_limits<int>::max() &&
      c <= std::numeric_limits<int>::max()) {
    *line = static_cast<int>(l);
    *column = static_cast<int>(c);
  }
}

// The diagnostics of severity as a list of line, column and message.
cpp11::writable::list SaidList(const std::vector<Said>& said, Severity severity) {
  cpp11::writable::integers lines;
  cpp11::writable::integers columns;
  std::vector<std::string> messages;
  for (const Said& one : said) {
    if (one.severity != severity) {
      continue;
    }
    int line = 0;
    int column = 0;
    RLineAndColumn(one.place, &line, &column);
    lines.push_back(line);
    columns.push_back(column);
    messages.push_back(AsUtf8(one.text));
  }
  return cpp11::writable::list(
      {"line"_nm = lines, "column"_nm = columns, "message"_nm = Strings(messages)});
}

// The draws' figures as an R list: the shares, S_E's quantiles and each
// player's shares as the empath and the driver.
cpp11::writable::list SurenessList(const Sureness& sureness, int n) {
  const auto share = [&sureness](long long count) {
    return static_cast<double>(count) / static_cast<double>(sureness.draws);
  };
  cpp11::writable::doubles empaths(n);
  cpp11::writable::doubles drivers(n);
  for (int p = 0; p < n; ++p) {
    empaths[p] = share(sureness.empaths[static_cast<size_t>(p)]);
    drivers[p] = share(sureness.drivers[static_cast<size_t>(p)]);
  }
  return cpp11::writable::list({
      "draws"_nm = static_cast<double>(sureness.draws),
      "empath_share"_nm = share(sureness.empath),
      "driver_share"_nm = share(sureness.driver),
      "singular_share"_nm = share(sureness.singular),
      "s_e_low"_nm = Figure(sureness.s_e_low),
      "s_e_median"_nm = Figure(sureness.s_e_median),
      "s_e_high"_nm = Figure(sureness.s_e_high),
      "player_empath_share"_nm = empaths,
      "player_driver_share"_nm = drivers,
  });
}

// The column of kelvarin-table's "players": integer, or double where a file's
// N is beyond R's integers, as read.csv reads such a column.
SEXP PlayersColumn(const std::vector<Group>& groups) {
  bool wide = false;
  for (const Group& group : groups) {
    wide = wide || (group.players && (*group.players > std::numeric_limits<int>::max() ||
                                      *group.players <= std::numeric_limits<int>::min()));
  }
  if (wide) {
    cpp11::writable::doubles column;
    for (const Group& group : groups) {
      column.push_back(group.players ? static_cast<double>(*group.players) : NA_REAL);
    }
    return column;
  }
  cpp11::writable::integers column;
  for (const Group& group : groups) {
    column.push_back(group.players ? static_cast<int>(*group.players) : NA_INTEGER);
  }
  return column;
}

// Return true when the user has asked R to stop (Esc, Ctrl-C): R's check,
// whose jump on an interrupt ends at R_ToplevelExec, never crossing C++
// frames.
bool UserInterrupted() {
  return R_ToplevelExec([](void*) { R_CheckUserInterrupt(); }, nullptr) == FALSE;
}

}  // namespace

extern "C" {

// read_group(path): the file read as the programs read it.
SEXP kelvarin_read_group(SEXP path_sexp) {
  BEGIN_CPP11

  const ReadFile file = ReadFileAt(cpp11::as_cpp<std::string>(path_sexp));
  const ReadFailure failure = file.failure;
  const std::string& description = file.description;
  cpp11::writable::list read({
      "failure"_nm = FailureMessage(failure),
      "description"_nm = Rf_ScalarString(Utf8(AsUtf8(WithoutByteOrderMark(description)))),
      "description_bytes"_nm = RawBytes(description),
      "warnings"_nm = SaidList(file.said, Severity::kWarning),
      "errors"_nm = SaidList(file.said, Severity::kError),
      "influence"_nm =
          failure == ReadFailure::kNone ? SEXP(RMatrix(file.influence.get())) : R_NilValue,
  });
  return read;
  END_CPP11
}

// The n-by-n R matrix values as the influence matrix, analysed into
// analysis with GSL's error handler off.
static Matrix Analysed(SEXP values, SEXP n_sexp, Analysis* analysis) {
  const int n = cpp11::as_cpp<int>(n_sexp);
  Matrix influence = RInfluence(cpp11::doubles(values), n);
  const GslHandlerOff handler_off;
  AnalyseGroup(influence.get(), n, analysis);
  return influence;
}

// analyse(): the analysis of an R matrix, values rounded to single precision.
SEXP kelvarin_analyse(SEXP values, SEXP n_sexp) {
  BEGIN_CPP11
  Analysis analysis;
  const Matrix influence = Analysed(values, n_sexp, &analysis);
  return AnalysisList(influence.get(), analysis);
  END_CPP11
}

// format(x, "report"): kelvarin's report of the matrix, whose values are
// already those of single precision, as bytes.
SEXP kelvarin_report(SEXP values, SEXP n_sexp, SEXP description) {
  BEGIN_CPP11
  Analysis analysis;
  const Matrix influence = Analysed(values, n_sexp, &analysis);
  return RawBytes(Report(DescriptionOf(cpp11::raws(description)), influence.get(), analysis));
  END_CPP11
}

// analyse_files(): kelvarin-table's figures of each file at paths, called by
// its name in names, on jobs threads,
// with the draws of perturbation when spread is above 0.
SEXP kelvarin_analyse_files(SEXP paths_sexp, SEXP names_sexp, SEXP jobs_sexp, SEXP spread,
                            SEXP draws, SEXP seed) {
  BEGIN_CPP11

  std::vector<std::string> paths;
  for (const auto& path : cpp11::strings(paths_sexp)) {
    paths.push_back(std::string(path));
  }
  std::vector<std::string> names;
  for (const auto& name : cpp11::strings(names_sexp)) {
    names.push_back(std::string(name));
  }
  const int jobs = cpp11::as_cpp<int>(jobs_sexp);
  std::optional<Perturbation> perturbation;
  if (cpp11::as_cpp<double>(spread) > 0.0) {
    perturbation = PerturbationOf(cpp11::as_cpp<double>(spread), cpp11::as_cpp<double>(draws),
                                  cpp11::as_cpp<std::string>(seed));
  }
  // Only UserInterrupted calls R while the files are analysed. An
  // interrupt is raised again here, where a jump out of R is turned into a
  // C++ exception (cpp11::safe) that unwinds this function's frames.
  std::vector<Group> groups;
  bool interrupted = false;
  try {
    groups =
        AnalyseFiles(paths, names, perturbation ? &*perturbation : nullptr, jobs, UserInterrupted);
  } catch (const Interrupted&) {
    interrupted = true;
  }
  if (interrupted) {
    cpp11::safe[Rf_onintr]();
    // R holds interrupts back in parts of its own code: an error then.
    cpp11::stop("analyse_files() interrupted by the user");
  }

  std::vector<std::string> files;
  std::vector<std::string> descriptions;
  std::vector<std::string> statuses;
  std::vector<std::string> messages;
  cpp11::writable::integers empath;
  cpp11::writable::integers driver;
  cpp11::writable::integers near_ties;
  cpp11::writable::integers warnings;
  cpp11::writable::doubles s_e;
  cpp11::writable::doubles determinant;
  cpp11::writable::doubles condition;
  cpp11::writable::doubles log_condition;
  cpp11::writable::doubles empath_margin;
  cpp11::writable::doubles driver_margin;
  cpp11::writable::list draws_list;
  for (size_t i = 0; i < groups.size(); ++i) {
    const Group& group = groups[i];
    const Analysis& analysis = group.analysis;
    const bool ranked = Ranked(group);
    files.push_back(AsUtf8(names[i]));
    descriptions.push_back(group.description);
    empath.push_back(ranked ? analysis.empath.player + 1 : NA_INTEGER);
    driver.push_back(ranked ? analysis.driver.player + 1 : NA_INTEGER);
    s_e.push_back(Figure(analysis.s_e));
    determinant.push_back(Figure(analysis.determinant));
    condition.push_back(Figure(analysis.condition));
    log_condition.push_back(Figure(analysis.log_condition));
    near_ties.push_back(ranked ? analysis.empath.near_ties + analysis.driver.near_ties
                               : NA_INTEGER);
    empath_margin.push_back(ranked ? Figure(analysis.empath.margin) : NA_REAL);
    driver_margin.push_back(ranked ? Figure(analysis.driver.margin) : NA_REAL);
    warnings.push_back(group.warnings);
    statuses.push_back(StatusName(group));
    messages.push_back(group.message);
    draws_list.push_back(group.sureness ? SEXP(SurenessList(*group.sureness, analysis.n))
                                        : R_NilValue);
  }
  cpp11::writable::list columns({
      "file"_nm = Strings(files),
      "description"_nm = Strings(descriptions),
      "players"_nm = PlayersColumn(groups),
      "empath"_nm = empath,
      "driver"_nm = driver,
      "s_e"_nm = s_e,
      "determinant"_nm = determinant,
      "condition"_nm = condition,
      "log_condition"_nm = log_condition,
      "near_ties"_nm = near_ties,
      "empath_margin"_nm = empath_margin,
      "driver_margin"_nm = driver_margin,
      "warnings"_nm = warnings,
      "status"_nm = Strings(statuses),
      "message"_nm = Strings(messages),
  });
  return cpp11::writable::list({"columns"_nm = columns, "draws"_nm = draws_list});
  END_CPP11
}

// perturb() of an analysis: the matrix's draws.
SEXP kelvarin_perturb(SEXP values, SEXP n_sexp, SEXP spread, SEXP draws, SEXP seed) {
  BEGIN_CPP11
  const int n = cpp11::as_cpp<int>(n_sexp);
  const Matrix influence = RInfluence(cpp11::doubles(values), n);
  const Perturbation perturbation =
      PerturbationOf(cpp11::as_cpp<double>(spread), cpp11::as_cpp<double>(draws),
                     cpp11::as_cpp<std::string>(seed));
  if (DrawsCanOverflow(influence.get(), n, perturbation.spread)) {
    throw std::invalid_argument(
        "d is too large for these values: a drawn value could pass single precision's range");
  }
  const GslHandlerOff handler_off;
  Analysis analysis;
  AnalyseGroup(influence.get(), n, &analysis);
  Sureness sureness;
  if (!analysis.reduced || !Perturb(influence.get(), n, analysis, perturbation, &sureness)) {
    throw std::bad_alloc();
  }
  return SurenessList(sureness, n);
  END_CPP11
}

// as_dot(): kelvarin-graph's DOT text of the matrix.
SEXP kelvarin_dot(SEXP values, SEXP n_sexp, SEXP description, SEXP view, SEXP names_sexp, SEXP min,
                  SEXP top) {
  BEGIN_CPP11
  const int n = cpp11::as_cpp<int>(n_sexp);
  const Matrix influence = RInfluence(cpp11::doubles(values), n);
  std::vector<std::string> names;
  for (const auto& name : cpp11::strings(names_sexp)) {
    names.push_back(std::string(name));
  }
  const std::string text = DescriptionOf(cpp11::raws(description));
  const GslHandlerOff handler_off;
  Analysis analysis;
  AnalyseGroup(influence.get(), n, &analysis);
  return Rf_ScalarString(Utf8(Dot(text, influence.get(), analysis, cpp11::as_cpp<std::string>(view),
                                  names, cpp11::as_cpp<double>(min), cpp11::as_cpp<int>(top))));
  END_CPP11
}

// Read each text as a double, as std::from_chars reads it (correctly
// rounded), NA for an empty text or one that is not a number: the figures of
// kelvarin-table's CSV, as the tests compare them.
SEXP kelvarin_read_numbers(SEXP texts) {
  BEGIN_CPP11
  const cpp11::strings strings(texts);
  cpp11::writable::doubles numbers(strings.size());
  for (R_xlen_t i = 0; i < strings.size(); ++i) {
    const std::string text = std::string(strings[i]);
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto result = numbers::FromChars(text.data(), end, &value);
    numbers[i] = !text.empty() && result.ec == std::errc() && result.ptr == end ? value : NA_REAL;
  }
  return numbers;
  END_CPP11
}

}  // extern "C"
