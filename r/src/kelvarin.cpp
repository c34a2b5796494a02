// The R face of kelvarin: R's vectors in, the shared reader's, analysis',
// table's and DOT writer's results out as R lists, nothing computed here
// that they compute. Nothing here ends the R session or writes to its
// console: a failure is a value that the R functions turn into a condition,
// and a C++ exception becomes an R error at the edge (BEGIN_CPP11).
#include <cpp11.hpp>
#include <cpp11/declarations.hpp>
#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>

#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/sureness.h"
#include "app/front_end.h"
#include "graph/dot.h"
#include "graph/views.h"
#include "numbers/numbers.h"
#include "reader/reader.h"
#include "routines/routines.h"
#include "table/table.h"
#include "text/utf8.h"

// The table's files are never stopped by a signal in the package: R keeps
// SIGINT for itself, and takes an interrupt once a call has returned.
int StopSignal() { return 0; }

using namespace cpp11::literals;  // NOLINT: the "name"_nm of cpp11's named lists

// The C library's console as the programs' objects see it in the package
// (src/console.syms renames their uses to these): standard output is the
// report being written, if any; standard error is not written, since every
// message of the shared code goes to its diagnostics, which are kept; and
// what would end the process throws, which the edge of each call makes an
// R error.
extern "C" {
std::FILE* kelvarin_stdout = nullptr;
std::FILE* kelvarin_stderr = nullptr;

// Return the stream a printer writes to: the report, or none.
static std::FILE* Console() {
  if (kelvarin_stdout == nullptr) {
    throw std::logic_error("kelvarin: a report was printed outside format(x, \"report\")");
  }
  return kelvarin_stdout;
}

int kelvarin_printf_chk(int /*flag*/, const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int written = std::vfprintf(Console(), format, arguments);
  va_end(arguments);
  return written;
}

int kelvarin_printf(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  const int written = std::vfprintf(Console(), format, arguments);
  va_end(arguments);
  return written;
}

int kelvarin_puts(const char* text) {
  return std::fputs(text, Console()) < 0 ? EOF : std::fputc('\n', Console());
}

int kelvarin_putchar(int c) { return std::fputc(c, Console()); }

[[noreturn]] void kelvarin_exit(int status) {
  throw std::logic_error("kelvarin: the analysis was given a bad argument (status " +
                         std::to_string(status) + ")");
}

[[noreturn]] void kelvarin_abort() { throw std::logic_error("kelvarin: the analysis aborted"); }

// Open kelvarin_stderr as a stream that takes every byte and keeps none.
void kelvarin_open_console() {
  cookie_io_functions_t discard = {};
  discard.write = [](void* /*cookie*/, const char* /*bytes*/, size_t size) {
    return static_cast<ssize_t>(size);
  };
  kelvarin_stderr = fopencookie(nullptr, "w", discard);
}
}  // extern "C"

// GSL's CBLAS, linked into the package, reports a bad argument here, where
// its own would print it. The analysis passes none.
extern "C" void cblas_xerbla(int /*position*/, const char* /*routine*/, const char* /*form*/, ...) {}

namespace {

// GSL's error handler off for one call, and back as it was after it: the
// analysis checks every status that GSL's handler would abort on.
struct GslHandlerOff {
  gsl_error_handler_t* saved = gsl_set_error_handler_off();
  GslHandlerOff() = default;
  GslHandlerOff(const GslHandlerOff&) = delete;
  GslHandlerOff& operator=(const GslHandlerOff&) = delete;
  ~GslHandlerOff() { gsl_set_error_handler(saved); }
};

// Text written to a stream in memory, for the writers that take a stream.
struct MemoryText {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  MemoryText() {
    if (stream == nullptr) {
      throw std::bad_alloc();
    }
  }
  MemoryText(const MemoryText&) = delete;
  MemoryText& operator=(const MemoryText&) = delete;
  ~MemoryText() {
    if (stream != nullptr) {
      (void)std::fclose(stream);
    }
    std::free(buffer);
  }
  // Return what was written, and close the stream.
  std::string Text() {
    if (std::fclose(stream) != 0) {
      stream = nullptr;
      throw std::bad_alloc();
    }
    stream = nullptr;
    return std::string(buffer, size);
  }
};

// While this lives, the report's printers write into text: their standard
// output is kelvarin_stdout in the package.
struct OutputIntoMemory {
  MemoryText text;
  OutputIntoMemory() { kelvarin_stdout = text.stream; }
  OutputIntoMemory(const OutputIntoMemory&) = delete;
  OutputIntoMemory& operator=(const OutputIntoMemory&) = delete;
  ~OutputIntoMemory() { kelvarin_stdout = nullptr; }
  std::string Text() {
    kelvarin_stdout = nullptr;
    return text.Text();
  }
};

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
// rounded to single precision as the reader rounds a value it reads.
// Refuses what R's checks should have refused already.
Matrix InfluenceOf(const cpp11::doubles& values, int n) {
  if (n < kMinPlayers || n > kMaxPlayers || values.size() != static_cast<R_xlen_t>(n) * n) {
    throw std::invalid_argument("the influence matrix must be square, of 2 to 20 players");
  }
  Matrix influence(gsl_matrix_alloc(static_cast<size_t>(n), static_cast<size_t>(n)));
  if (!influence) {
    throw std::bad_alloc();
  }
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      const double value = values[static_cast<R_xlen_t>(c) * n + r];
      const auto rounded = static_cast<float>(value);
      if (!std::isfinite(rounded)) {
        throw std::invalid_argument("every influence value must be finite in single precision");
      }
      gsl_matrix_set(influence.get(), static_cast<size_t>(r), static_cast<size_t>(c), rounded);
    }
  }
  return influence;
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

// Write kelvarin's report of the group whose description, n and influence
// matrix these are, analysed into analysis, as kelvarin writes it into a
// file: the description's bytes as they are, up to M for a singular M, where
// kelvarin's run ends.
std::string Report(const std::string& description, const gsl_matrix* influence,
                   const Analysis& analysis) {
  constexpr const char* kNotice =
      "Finds the empath and the driver of a group and the weights of influence on the empath.";
  constexpr int kMeasureWidth = 6;
  OutputIntoMemory output;
  std::FILE* out = output.text.stream;
  const auto measure = [out](const char* label, double value) {
    char field[kFixedCapacity];
    const char* end = format_fixed(field, value, kMeasureWidth);
    std::fputs(label, out);
    std::fwrite(field, 1, static_cast<size_t>(end - field), out);
    std::fputc('\n', out);
  };
  const int n = analysis.n;
  std::fprintf(out, "\nEntering: %s ver. %s (Quorvane)...\n\n", kProgramName, kProgramVersion);
  std::fprintf(out, "  %s\n\n", kNotice);
  std::fputs("Data description: ", out);
  std::fwrite(description.data(), 1, description.size(), out);
  std::fprintf(out, "\nNumber of players (dimension of matrix) = %d\n\n", n);
  print_near_ties("column", analysis.empath.near_ties);
  print_near_ties("row", analysis.driver.near_ties);
  std::fprintf(out, "\nOriginal Matrix\n\n");
  print_original_matrix(n, n, influence, analysis.row_sums.get(), analysis.column_sums.get());
  std::fprintf(out, "\n\nThe empath is P%d.\n", analysis.empath.player + 1);
  std::fprintf(out, "The driver is P%d.\n\n", analysis.driver.player + 1);
  std::fprintf(out, "\nReduced Vector V' \n\n");
  vector_print(analysis.v.get());
  std::fprintf(out, "\nReduced Matrix M \n\n");
  matrix_print(analysis.reduced.get());
  if (analysis.ending != Ending::kSingular) {
    std::fprintf(out, "\nThe vector of weights Q is:\n\n");
    vector_print(analysis.q.get());
    measure("The synchronization coefficient S_E is: ", *analysis.s_e);
    measure("\nThe determinant of M is: \t\t\t", *analysis.determinant);
    measure("The 1-condition number of M is: \t\t", *analysis.condition);
    measure("The log of the 1-condition number of M is: \t", *analysis.log_condition);
    std::fprintf(out, "\nExiting: %s ver. %s (Quorvane).\n\n", kProgramName, kProgramVersion);
  }
  return output.Text();
}

std::string DescriptionOf(const cpp11::raws& bytes) {
  return std::string(reinterpret_cast<const char*>(RAW(bytes)), static_cast<size_t>(bytes.size()));
}

// The line and column at the end of a diagnostic's place, "NAME:LINE:COLUMN";
// NA for a diagnostic without a place.
void LineAndColumn(const std::string& place, int* line, int* column) {
  *line = NA_INTEGER;
  *column = NA_INTEGER;
  const size_t last = place.rfind(':');
  if (last == std::string::npos || last == 0) {
    return;
  }
  const size_t before = place.rfind(':', last - 1);
  if (before == std::string::npos) {
    return;
  }
  long long l = 0;
  long long c = 0;
  const char* text = place.data();
  const auto parsed_line = std::from_chars(text + before + 1, text + last, l);
  const auto parsed_column = std::from_chars(text + last + 1, text + place.size(), c);
  if (parsed_line.ec == std::errc() && parsed_column.ec == std::errc() &&
      l <= std::numeric_limits<int>::max() && c <= std::numeric_limits<int>::max()) {
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
    LineAndColumn(one.place, &line, &column);
    lines.push_back(line);
    columns.push_back(column);
    messages.push_back(AsUtf8(one.text));
  }
  return cpp11::writable::list(
      {"line"_nm = lines, "column"_nm = columns, "message"_nm = Strings(messages)});
}

Perturbation PerturbationOf(double spread, double draws, const std::string& seed) {
  Perturbation perturbation;
  if (!(spread > 0.0) || !std::isfinite(spread) || spread > kLargestFloat) {
    throw std::invalid_argument("d must be a finite number above 0");
  }
  if (!(draws >= 1.0) || draws > static_cast<double>(kMostDraws) || draws != std::floor(draws)) {
    throw std::invalid_argument("draws must be a whole number from 1 to 1000000");
  }
  std::uint64_t parsed = 0;
  const auto result = std::from_chars(seed.data(), seed.data() + seed.size(), parsed);
  if (result.ec != std::errc() || result.ptr != seed.data() + seed.size()) {
    throw std::invalid_argument("seed must be a whole number from 0 to 18446744073709551615");
  }
  perturbation.spread = spread;
  perturbation.draws = static_cast<long long>(draws);
  perturbation.seed = parsed;
  return perturbation;
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

}  // namespace

extern "C" {

// read_group(path): the file read as the programs read it.
SEXP kelvarin_read_group(SEXP path_sexp) {
  BEGIN_CPP11

  const std::string path = cpp11::as_cpp<std::string>(path_sexp);
  Diagnostics diagnostics;
  diagnostics.program = "kelvarin";
  diagnostics.stream = nullptr;
  diagnostics.keep = true;
  Reader reader;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  const ReadFailure failure = ReadDataFile(path.c_str(), path.c_str(), &reader, &influence);
  const std::string description = reader.has_description ? reader.description : "";
  cpp11::writable::list read({
      "failure"_nm = FailureMessage(failure),
      "description"_nm = Rf_ScalarString(Utf8(AsUtf8(WithoutByteOrderMark(description)))),
      "description_bytes"_nm = RawBytes(description),
      "warnings"_nm = SaidList(diagnostics.said, Severity::kWarning),
      "errors"_nm = SaidList(diagnostics.said, Severity::kError),
      "influence"_nm = failure == ReadFailure::kNone ? SEXP(RMatrix(influence.get())) : R_NilValue,
  });
  return read;
  END_CPP11
}

// The n-by-n R matrix values as the influence matrix, analysed into
// analysis with GSL's error handler off.
static Matrix Analysed(SEXP values, SEXP n_sexp, Analysis* analysis) {
  const int n = cpp11::as_cpp<int>(n_sexp);
  Matrix influence = InfluenceOf(cpp11::doubles(values), n);
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
  if (analysis.ending == Ending::kNoMemory) {
    throw std::bad_alloc();
  }
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
  if (names.size() != paths.size()) {
    throw std::invalid_argument("a name for each path");
  }
  const int jobs = cpp11::as_cpp<int>(jobs_sexp);
  std::optional<Perturbation> perturbation;
  if (cpp11::as_cpp<double>(spread) > 0.0) {
    perturbation = PerturbationOf(cpp11::as_cpp<double>(spread), cpp11::as_cpp<double>(draws),
                                  cpp11::as_cpp<std::string>(seed));
  }
  std::vector<Group> groups(paths.size());
  {
    const GslHandlerOff handler_off;
    // Each thread takes every jobs-th file; R is not called meanwhile.
    const auto analyse = [&](size_t first, size_t step) {
      for (size_t i = first; i < paths.size(); i += step) {
        AnalyseFile(paths[i].c_str(), names[i].c_str(),
                    perturbation ? &*perturbation : nullptr, &groups[i]);
      }
    };
    const size_t threads = std::min(static_cast<size_t>(jobs < 1 ? 1 : jobs), paths.size());
    std::vector<std::thread> workers;
    for (size_t t = 1; t < threads; ++t) {
      workers.emplace_back(analyse, t, threads);
    }
    analyse(0, threads == 0 ? 1 : threads);
    for (std::thread& worker : workers) {
      worker.join();
    }
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
  const Matrix influence = InfluenceOf(cpp11::doubles(values), n);
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
SEXP kelvarin_dot(SEXP values, SEXP n_sexp, SEXP description, SEXP view, SEXP names_sexp,
                  SEXP min, SEXP top) {
  BEGIN_CPP11
  const int n = cpp11::as_cpp<int>(n_sexp);
  const Matrix influence = InfluenceOf(cpp11::doubles(values), n);
  std::vector<std::string> names;
  for (const auto& name : cpp11::strings(names_sexp)) {
    names.push_back(std::string(name));
  }
  const std::string text = DescriptionOf(cpp11::raws(description));
  const GslHandlerOff handler_off;
  Analysis analysis;
  AnalyseGroup(influence.get(), n, &analysis);
  if (analysis.ending == Ending::kNoMemory) {
    throw std::bad_alloc();
  }
  GroupGraph graph;
  graph.description = WithoutByteOrderMark(text);
  graph.influence = influence.get();
  graph.analysis = &analysis;
  graph.min = cpp11::as_cpp<double>(min);
  graph.top = cpp11::as_cpp<int>(top);
  graph.names = &names;
  MemoryText dot;
  const std::string chosen = cpp11::as_cpp<std::string>(view);
  if (chosen == "heatmap") {
    graph.view = View::kHeatmap;
    WriteHeatmap(dot.stream, graph);
  } else if (chosen == "focus") {
    graph.view = View::kFocus;
    WriteFocus(dot.stream, graph);
  } else {
    WriteDot(dot.stream, graph);
  }
  return Rf_ScalarString(Utf8(dot.Text()));
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
