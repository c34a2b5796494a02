// One data file read and analysed as kelvarin reads and analyses it, with
// every failure kept in the group's row instead of ending the run.
#include <gsl/gsl_errno.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "analysis/analysis.h"
#include "routines/routines.h"
#include "table/table.h"

namespace {

// kelvarin's report of memory that GSL could not get.
constexpr const char* kNoMemory = "Out of memory for the matrices and vectors.";

// Mark group as an error with message, then a blank and the first error
// line of diagnostics where there is one.
void Fail(Group* group, const char* message, const Diagnostics& diagnostics) {
  group->status = Status::kError;
  if (diagnostics.first_error[0] != '\0') {
    (void)std::snprintf(group->message, sizeof group->message, "%s %s", message,
                        diagnostics.first_error);
  } else {
    (void)std::snprintf(group->message, sizeof group->message, "%s", message);
  }
}

// Mark group as an error with the fixed report of a read failure.
void FailToRead(Group* group, ReadFailure failure, const Diagnostics& diagnostics) {
  char message[kFailureMessageCapacity];
  FailureMessage(failure, message);
  Fail(group, message, diagnostics);
}

// Read the description, N and the influence matrix in kelvarin's order.
// Return the matrix, or null after marking group as an error.
Matrix ReadGroup(Reader* reader, Group* group) {
  ReadFailure failure = ReadHeader(reader);
  if (failure == ReadFailure::kNone) {
    group->has_description = true;
    std::memcpy(group->description, reader->description, sizeof group->description);
    failure = CheckSize(reader);
  }
  if (failure != ReadFailure::kNone) {
    FailToRead(group, failure, *reader->diagnostics);
    return nullptr;
  }
  const int n = static_cast<int>(reader->size);
  group->players = n;
  Matrix influence = NewMatrix(n, n);
  if (!influence) {
    Fail(group, kNoMemory, *reader->diagnostics);
    return nullptr;
  }
  failure = ReadMatrix(reader, influence.get());
  if (failure != ReadFailure::kNone) {
    FailToRead(group, failure, *reader->diagnostics);
    return nullptr;
  }
  return influence;
}

// Find the leaders and the sums, then solve M Q = V' about the empath and
// take the measures of M, as kelvarin's report does.
void Analyse(const gsl_matrix* influence, int n, Group* group, Diagnostics* diagnostics) {
  int empath = 0;
  int driver = 0;
  group->near_ties = RankColumns(influence, n, group->column_sums, &empath) +
                     RankRows(influence, n, group->row_sums, &driver);
  group->has_sums = true;
  group->empath = empath;
  group->driver = driver;

  System system;
  if (!Reduce(influence, n, empath, &system)) {
    Fail(group, kNoMemory, *diagnostics);
    return;
  }
  // With a zero pivot only the determinant exists: the solve and the
  // inverse would divide by it.
  if (Decompose(&system)) {
    group->determinant = Determinant(system);
    group->status = Status::kSingular;
    SingularMessage(empath, group->message);
    return;
  }
  int status = Solve(&system);
  if (status != GSL_SUCCESS) {
    Fail(group, gsl_strerror(status), *diagnostics);
    return;
  }
  group->s_e = calcS_E(system.v.get(), system.q.get());
  group->determinant = Determinant(system);
  double condition = 0.0;
  status = ConditionNumber(system, &condition);
  if (status != GSL_SUCCESS) {
    Fail(group, status == GSL_ENOMEM ? kNoMemory : gsl_strerror(status), *diagnostics);
    return;
  }
  group->condition = condition;
  group->log_condition = std::log10(condition);
  // Q is in the reduced order, which skips the empath.
  for (int p = 0; p < n; ++p) {
    if (p != empath) {
      group->weights[p] =
          gsl_vector_get(system.q.get(), static_cast<size_t>(p < empath ? p : p - 1));
    }
  }
  group->has_weights = true;
  group->status = Status::kOk;
}

}  // namespace

void AnalyseFile(const char* path, Group* group) {
  *group = Group();
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  diagnostics.stream = nullptr;

  errno = 0;
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) {
    char escaped[kDiagnosticCapacity / 2];
    Escape(path, std::strlen(path), escaped, sizeof escaped);
    SayAboutProgram(&diagnostics, Severity::kError, "cannot open '%s': %s", escaped,
                    SystemReason(errno));
    Fail(group, "Data file not found:", diagnostics);
    return;
  }
  Reader reader;
  reader.source.file = file;
  reader.name = path;
  reader.diagnostics = &diagnostics;
  const Matrix influence = ReadGroup(&reader, group);
  (void)std::fclose(file);  // Opened for reading only: nothing to lose.
  group->warnings = diagnostics.warnings;
  if (influence) {
    Analyse(influence.get(), static_cast<int>(reader.size), group, &diagnostics);
  }
}
