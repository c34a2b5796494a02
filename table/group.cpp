// One data file read and analysed as kelvarin reads and analyses it, with
// every failure kept in the group's row instead of ending the run.
#include <string_view>
#include <utility>

#include "reader/reader.h"
#include "table/table.h"
#include "text/utf8.h"

void AnalyseFile(const char* path, const char* name, const Perturbation* perturbation,
                 Group* group) {
  *group = Group();
  group->perturbed = perturbation != nullptr;
  // After a stop signal no file is read: its row would not be written.
  if (StopSignal() != 0) {
    group->stopped = true;
    return;
  }
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  diagnostics.stream = nullptr;
  diagnostics.keep = true;

#if !defined(_WIN32)
  // The table writes a name that is not UTF-8 as Windows-1252, a guess. (On
  // Windows a program is given its names in the system's code page, which
  // is that code page on Western systems: no guess to say.)
  const std::string_view shown = name;
  if (NotUtf8At(shown) != shown.size()) {
    SayAboutProgram(&diagnostics, Severity::kWarning,
                    "the file name '%s' is not UTF-8; it is written as Windows-1252: '%s'",
                    Escaped(shown).c_str(), Escaped(AsUtf8(shown)).c_str());
  }
#endif
  Reader reader;
  reader.diagnostics = &diagnostics;
  Matrix influence;
  const ReadFailure failure = ReadDataFile(path, name, &reader, &influence);
  // What was read stays in the row, whatever failed after it.
  group->has_description = reader.has_description;
  if (reader.has_description) {
    // A byte-order mark is no part of the description.
    group->description = AsUtf8(WithoutByteOrderMark(reader.description));
  }
  // An N too wide for 64 bits is not the number written: its message quotes it.
  if (reader.has_size && reader.size_fits) {
    group->players = reader.size;
  }
  if (failure != ReadFailure::kNone) {
    group->message = FailureMessage(failure);
    const Said* error = FirstSaid(diagnostics, Severity::kError);
    if (error != nullptr) {
      group->message += ' ' + AsUtf8(error->Line());
    }
  } else {
    const int n = static_cast<int>(reader.size);
    AnalyseGroup(influence.get(), n, &group->analysis);
    Sureness sureness;
    if (perturbation != nullptr && DrawsCanOverflow(influence.get(), n, perturbation->spread)) {
      // Draws beyond single precision would be infinite, and their shares
      // meaningless: the file is an error, its figures none.
      group->analysis = Analysis();
      SayAboutProgram(&diagnostics, Severity::kError,
                      "--perturb=%s is too large for these values: a drawn value could pass "
                      "single precision's range (%s); take a smaller D",
                      ShortestText(perturbation->spread).c_str(),
                      ShortestText(kLargestFloat).c_str());
      group->message = AsUtf8(diagnostics.said.back().Line());
    } else if (perturbation != nullptr && group->analysis.reduced &&
               Perturb(influence.get(), n, group->analysis, *perturbation, &sureness)) {
      // The draws need the file's own empath and driver, and its M.
      group->sureness = std::move(sureness);
    }
    if (group->message.empty()) {
      group->message = group->analysis.message;
    }
    // An ok row that the reader warned about says its first warning.
    const Said* warning = FirstSaid(diagnostics, Severity::kWarning);
    if (group->message.empty() && warning != nullptr) {
      group->message = AsUtf8(warning->Line());
    }
  }
  group->warnings = diagnostics.warnings;
  for (const Said& said : diagnostics.said) {
    group->diagnostics.push_back(AsUtf8(said.Line()));
  }
  group->said = std::move(diagnostics.said);
  group->stopped = StopSignal() != 0;
}

bool IsOk(const Group& group) { return group.analysis.ending == Ending::kComplete; }
