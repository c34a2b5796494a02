// What the faces of kelvarin in other languages (the R package, the Python
// module) share: an influence matrix taken from values in memory, kelvarin's
// report written into memory, kelvarin-table's analysis of many files on
// several threads, kelvarin-graph's DOT, the draws' arguments checked, and a
// diagnostic's line and column. Nothing here ends the process: a bad
// argument throws std::invalid_argument, memory that cannot be had
// std::bad_alloc, which each face turns into its language's error. The
// faces link the programs' objects with their console renamed to
// face/console.cpp's (face/console.syms), so that a report printed goes
// into memory and an end of the process throws.
#ifndef KELVARIN_FACE_FACE_H_
#define KELVARIN_FACE_FACE_H_

#include <gsl/gsl_errno.h>
#include <gsl/gsl_matrix.h>

#include <cstddef>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "analysis/sureness.h"
#include "matrix/matrix.h"
#include "reader/reader.h"
#include "table/table.h"
#include "text/diagnostics.h"

// GSL's error handler off while this lives, and back as it was after: the
// analysis checks every status that GSL's handler would abort on.
struct GslHandlerOff {
  gsl_error_handler_t* saved = gsl_set_error_handler_off();
  GslHandlerOff() = default;
  GslHandlerOff(const GslHandlerOff&) = delete;
  GslHandlerOff& operator=(const GslHandlerOff&) = delete;
  ~GslHandlerOff() { gsl_set_error_handler(saved); }
};

// Text written to a stream in memory, for the writers that take a stream.
// Throws std::bad_alloc when the stream cannot be had.
struct MemoryText {
  char* buffer = nullptr;
  size_t size = 0;
  std::FILE* stream = nullptr;
  MemoryText();
  MemoryText(const MemoryText&) = delete;
  MemoryText& operator=(const MemoryText&) = delete;
  ~MemoryText();
  // Return what was written, and close the stream.
  std::string Text();
};

// A data file read as the programs read it, its diagnostics kept rather
// than written.
struct ReadFile {
  ReadFailure failure = ReadFailure::kNone;
  std::string description;  // as read, empty when there was none
  std::vector<Said> said;   // the warnings and errors, in the order said
  Matrix influence;         // null unless the file was read whole
};

// Return the data file at path read as kelvarin reads it.
ReadFile ReadFileAt(const std::string& path);

// Return the n-by-n influence matrix whose value at row r, column c is
// values[r * row_step + c * column_step], each rounded to single precision
// as the reader rounds a value it reads. Throws std::invalid_argument for n
// outside 2 to 20 and for a value that is not finite in single precision.
Matrix InfluenceOf(const double* values, int n, std::ptrdiff_t row_step,
                   std::ptrdiff_t column_step);

// Return kelvarin's report of the group whose description (its bytes as
// read) and influence matrix these are, analysed into analysis, as kelvarin
// writes it into a file: up to M for a singular M, where kelvarin's run
// ends. Throws std::bad_alloc for an analysis that ended kNoMemory.
std::string Report(const std::string& description, const gsl_matrix* influence,
                   const Analysis& analysis);

// Return kelvarin-graph's DOT of the group, in view "network", "heatmap" or
// "focus", its players named by names (P1 to PN where there are fewer), the
// influences below min left out and at most top of each player's drawn (0:
// all). Throws std::invalid_argument for another view.
std::string Dot(const std::string& description, const gsl_matrix* influence,
                const Analysis& analysis, const std::string& view,
                const std::vector<std::string>& names, double min, int top);

// Return the perturbation of kelvarin-table's --perturb=spread --draws=draws
// --seed=seed. Throws std::invalid_argument, with the argument's name, for
// a spread that is not finite and above 0 (or beyond single precision), a
// count of draws that is not a whole number from 1 to 1000000, a seed that
// is not a whole number of 64 bits.
Perturbation PerturbationOf(double spread, double draws, const std::string& seed);

// Thrown by AnalyseFiles when its caller's check said stop.
struct Interrupted : std::runtime_error {
  Interrupted() : std::runtime_error("interrupted") {}
};

// Return the groups of the files at paths, called names[i] in their
// messages, as kelvarin-table analyses them (AnalyseFile), with the draws of
// perturbation when it is not null, on jobs threads (at least 1), each
// taking the next file not yet taken, each group's V', M and Q freed (its
// row needs none of them). GSL's error handler is off meanwhile. The
// calling thread, which analyses files too, calls stop (when there is one)
// between its files, at most once every 25 ms, and no other thread ever
// does: when it returns true, no thread takes another file and, all
// joined, Interrupted is thrown. Throws std::invalid_argument when names
// and paths differ in number.
std::vector<Group> AnalyseFiles(const std::vector<std::string>& paths,
                                const std::vector<std::string>& names,
                                const Perturbation* perturbation, int jobs,
                                const std::function<bool()>& stop = {});

// Set line and column from the end of a diagnostic's place, "NAME:LINE:COLUMN".
// Return false, and leave them, for a place without both.
bool LineAndColumn(const std::string& place, long long* line, long long* column);

#endif  // KELVARIN_FACE_FACE_H_
