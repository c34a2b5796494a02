// One data file read and analysed as kelvarin reads and analyses it, with
// every failure kept in the group's row instead of ending the run.
#include "table/table.h"

namespace {

Status StatusOf(Ending ending) {
  switch (ending) {
    case Ending::kComplete:
      return Status::kOk;
    case Ending::kSingular:
      return Status::kSingular;
    case Ending::kNotFinite:
      return Status::kNotFinite;
    case Ending::kNoMemory:
      break;
  }
  return Status::kError;
}

}  // namespace

void AnalyseFile(const char* path, Group* group) {
  *group = Group();
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  diagnostics.stream = nullptr;
  diagnostics.keep = true;

  Reader reader;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  const ReadFailure failure = ReadDataFile(path, &reader, &influence);
  // What was read stays in the row, whatever failed after it.
  group->has_description = reader.has_description;
  if (reader.has_description) {
    group->description = reader.description;
  }
  if (reader.has_size) {
    group->players = reader.size;
  }
  if (failure != ReadFailure::kNone) {
    group->message = FailureMessage(failure);
    const Said* error = FirstSaid(diagnostics, Severity::kError);
    if (error != nullptr) {
      group->message += ' ' + error->Line();
    }
  } else {
    group->analysed = true;
    group->status =
        StatusOf(AnalyseGroup(influence.get(), static_cast<int>(reader.size), &group->figures));
    group->message = group->figures.message;
    // An ok row that the reader warned about says its first warning.
    const Said* warning = FirstSaid(diagnostics, Severity::kWarning);
    if (group->message.empty() && warning != nullptr) {
      group->message = warning->Line();
    }
  }
  group->warnings = diagnostics.warnings;
  for (const Said& said : diagnostics.said) {
    group->diagnostics.push_back(said.Line());
  }
}
