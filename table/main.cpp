// kelvarin-table: analyses many groups' data files in one run, as kelvarin
// analyses one, and writes the results as one table: a CSV row per file
// (or per player with --players) or a JSON line per file (--json).
#include <gsl/gsl_errno.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "command_line/command_line.h"
#include "table/options.h"
#include "table/table.h"
#include "text/utf8.h"

namespace {

// Standard output's buffer: the table goes out in blocks, not in lines,
// unless it goes to a terminal.
constexpr size_t kOutputBuffer = 1 << 16;

// A name in a list longer than the system's longest path names no file.
#if defined(PATH_MAX)
constexpr size_t kLongestName = PATH_MAX;
#else
constexpr size_t kLongestName = 4096;
#endif

// The status of a run that a signal stopped, as a shell gives it: this
// plus the signal's number.
constexpr int kStoppedBySignal = 128;

// What reading a name from a list gave.
enum class ListItem { kName, kEnd, kNul, kEmpty, kTooLong };

// Read the next name of list into name: up to a line feed (a CR LF pair
// folded), or up to a NUL byte when null is true. Memory stays bounded: a
// name longer than kLongestName is read to its end but not kept.
ListItem ReadName(std::FILE* list, bool null, std::string* name) {
  name->clear();
  const int end = null ? 0 : '\n';
  int c = std::getc(list);
  if (c == EOF) {
    return ListItem::kEnd;
  }
  bool too_long = false;
  bool nul = false;
  for (; c != EOF && c != end; c = std::getc(list)) {
    if (c == '\0') {
      // A list of lines that holds a NUL byte is no text, and may never end
      // (/dev/zero): it is not read further.
      nul = true;
      break;
    }
    if (name->size() < kLongestName + 1) {
      name->push_back(static_cast<char>(c));
    } else {
      too_long = true;
    }
  }
  if (!null && !name->empty() && name->back() == '\r') {
    name->pop_back();
  }
  if (nul) {
    return ListItem::kNul;
  }
  if (too_long || name->size() > kLongestName) {
    return ListItem::kTooLong;
  }
  return null && name->empty() ? ListItem::kEmpty : ListItem::kName;
}

// Say that the workbook at path cannot be written, and why.
void SayCannotWrite(const char* path, const std::string& reason) {
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  SayAboutProgram(&diagnostics, Severity::kError, "cannot write the workbook '%s': %s",
                  Escaped(path).c_str(), reason.c_str());
}

// Return why the workbook (at path, whose file is workbook) may not be
// written over the data file at name, empty when it is another file.
std::string SameAsInput(const FileIdentity& workbook, const char* name) {
  if (!SameFile(workbook, IdentityOf(name))) {
    return "";
  }
  return "it is the data file '" + Escaped(name) + "', which would be lost";
}

// Tabulate every file named in the list of input. Return true when the list
// was read to its end without an error. A name of the workbook's file
// (workbook) ends the list, with *refused set.
bool TabulateList(const Input& input, const CommandLine& command, const FileIdentity& workbook,
                  Tabulation* tabulation, Progress* progress, bool* refused) {
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  std::FILE* list = input.list;
  // The list named as the diagnostics name it.
  const std::string name_shown = Escaped(input.text);
  const std::string place = name_shown + ":";
  bool all_ok = true;
  long long names = 0;
  std::string name;
  for (long long number = 1; std::ferror(stdout) == 0 && StopSignal() == 0; ++number) {
    const ListItem item = ReadName(list, command.null, &name);
    if (item == ListItem::kEnd) {
      break;
    }
    const std::string where = place + std::to_string(number) + ":1";
    if (item != ListItem::kName) {
      EraseProgress(progress);  // before a line of its own
    }
    if (item == ListItem::kNul) {
      Say(&diagnostics, where, Severity::kError,
          "a NUL byte in the list, which is not read further: a list whose names end in NUL "
          "bytes (find -print0) is read with -0");
      all_ok = false;
      break;
    }
    if (item == ListItem::kEmpty) {
      Say(&diagnostics, where, Severity::kError,
          "an empty name, and the list is not read further: is it a list of names that end in "
          "NUL bytes?");
      all_ok = false;
      break;
    }
    if (item == ListItem::kTooLong) {
      Say(&diagnostics, where, Severity::kError,
          "a name longer than the longest path (" + std::to_string(kLongestName) +
              " bytes), skipped");
      all_ok = false;
      continue;
    }
    // An empty line names no file.
    if (name.empty()) {
      continue;
    }
    const std::string same = SameAsInput(workbook, name.c_str());
    if (!same.empty()) {
      EraseProgress(progress);
      std::string reason = same;
      reason += " (" + where + ")";
      SayCannotWrite(command.xlsx, reason);
      *refused = true;
      break;
    }
    ++names;
    Tabulate(tabulation, name.c_str(), name.c_str());
  }
  EraseProgress(progress);
  if (std::ferror(list) != 0) {
    SayAboutProgram(&diagnostics, Severity::kError, "cannot read the list '%s': %s",
                    name_shown.c_str(), SystemReason(errno));
    all_ok = false;
  } else if (names == 0 && all_ok) {
    SayAboutProgram(&diagnostics, Severity::kWarning, "the list '%s' names no data file",
                    name_shown.c_str());
  }
  if (list != stdin) {
    (void)std::fclose(list);  // Opened for reading only.
  }
  return all_ok;
}

// Say how many files of tally are not ok and why, in one line: "3 of 151
// files were not analysed: 2 error, 1 singular; see the status column".
void SayNotOk(const Tally& tally, Layout layout) {
  std::string counts;
  for (const auto& [count, status] : {std::pair<long long, const char*>{tally.error, "error"},
                                      {tally.singular, "singular"},
                                      {tally.not_finite, "not_finite"}}) {
    if (count > 0) {
      counts += (counts.empty() ? "" : ", ") + std::to_string(count) + ' ' + status;
    }
  }
  const char* where = layout == Layout::kFileRows    ? "see the status column"
                      : layout == Layout::kJsonLines ? "see their status"
                                                     : "the table per file says why";
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  SayAboutProgram(&diagnostics, Severity::kWarning, "%lld of %lld files %s not analysed: %s; %s",
                  NotOk(tally), tally.files, NotOk(tally) == 1 ? "was" : "were", counts.c_str(),
                  where);
}

// Begin the workbook of command, if any, and check it against the data
// files and lists of the command line, before any file is analysed.
// Return false after saying why it cannot be written.
bool BeginOutput(const CommandLine& command, WorkbookWriter* workbook) {
  if (command.xlsx == nullptr) {
    return true;
  }
  std::string reason;
  *workbook = BeginWorkbook(command.xlsx, command.perturbed, &reason);
  for (size_t i = 0; *workbook && i < command.inputs.size(); ++i) {
    reason = SameAsInput(WorkbookIdentity(**workbook), command.inputs[i].text);
    if (!reason.empty()) {
      workbook->reset();
    }
  }
  if (!*workbook) {
    SayCannotWrite(command.xlsx, reason);
    return false;
  }
  return true;
}

// Return the number of data files of command, or -1 when a list names
// some.
long long AllFiles(const CommandLine& command) {
  long long files = 0;
  for (const Input& input : command.inputs) {
    if (input.is_list) {
      return -1;
    }
    ++files;
  }
  return files;
}

// Say that a stop signal ended the run after the files of tally, of
// all_files (-1 when not known), and that the workbook is not written.
void SayInterrupted(const Tally& tally, long long all_files, bool workbook) {
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  const std::string of = all_files >= 0 ? " of " + std::to_string(all_files) : "";
  if (workbook) {
    SayAboutProgram(&diagnostics, Severity::kWarning,
                    "interrupted: %lld%s files analysed, and the workbook is not written",
                    tally.files, of.c_str());
  } else {
    SayAboutProgram(&diagnostics, Severity::kWarning, "interrupted: %lld%s files written",
                    tally.files, of.c_str());
  }
}

// Tabulate the files and lists of command in order, until a stop signal, a
// table that cannot be written or a list that names the workbook's file
// (*refused). Return false when a list could not be read whole.
bool TabulateInputs(const CommandLine& command, const Workbook* workbook, Tabulation* tabulation,
                    Progress* progress, bool* refused) {
  bool all_ok = true;
  const FileIdentity workbook_file =
      workbook != nullptr ? WorkbookIdentity(*workbook) : FileIdentity();
  for (const Input& input : command.inputs) {
    if (input.is_list) {
      all_ok = TabulateList(input, command, workbook_file, tabulation, progress, refused) && all_ok;
    } else {
      Tabulate(tabulation, input.text, input.name);
    }
    // A table that cannot be written is not worth computing further.
    if (*refused || StopSignal() != 0 || std::ferror(stdout) != 0 ||
        (workbook != nullptr && WorkbookFailed(*workbook))) {
      break;
    }
  }
  return all_ok;
}

// GSL's errors are statuses that the analysis checks, except memory that
// GSL cannot get, which ends the run: GSL's own callers (its LU
// decomposition, for one) go on to use what they failed to allocate.
void HandleGslError(const char* /*reason*/, const char* /*file*/, int /*line*/, int gsl_errno) {
  if (gsl_errno == GSL_ENOMEM) {
    EndForWantOfMemory();
  }
}

// Run the table of the command line. Return the exit status.
int Run(const CommandLine& command) {
  // Fully buffered, unless to a terminal: the table is written in blocks
  // (and where it is stopped, in whole rows). A buffer that cannot be had
  // leaves the stream as it was.
  if (IsTerminal(stdout)) {
    (void)std::setvbuf(stdout, nullptr, _IOLBF, kOutputBuffer);
  } else {
    (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBuffer);
  }

  // A workbook that cannot be begun is said before any file is analysed.
  WorkbookWriter workbook;
  if (!BeginOutput(command, &workbook)) {
    return kFailure;
  }
  // The progress line, on a terminal; the draws report to it and stop at a
  // stop signal.
  Progress progress;
  progress.shown = !command.quiet && IsTerminal(stderr);
  progress.perturbed = command.perturbed;
  progress.all_files = AllFiles(command);
  Perturbation perturbation = command.perturbation;
  perturbation.between_draws = &CountDraw;
  perturbation.context = &progress;

  // The header row, then the files' rows in the order the files are given,
  // on --jobs threads: nothing of a file is kept after its rows are written.
  if (!workbook && command.layout == Layout::kFileRows) {
    WriteFileHeader(stdout, command.perturbed);
  } else if (!workbook && command.layout == Layout::kPlayerRows) {
    WritePlayerHeader(stdout, command.perturbed);
  }
  ShowProgress(&progress, true);
  const Tabulator tabulation =
      BeginTabulation(command.layout, command.jobs, workbook.get(),
                      command.perturbed ? &perturbation : nullptr, &progress);
  bool refused = false;
  const bool all_ok =
      TabulateInputs(command, workbook.get(), tabulation.get(), &progress, &refused);
  const Tally tally = EndTabulation(tabulation.get());
  EraseProgress(&progress);
  if (refused || !FinishOutput(kTable, "the table")) {
    return kFailure;
  }
  std::string reason;
  if (workbook && StopSignal() == 0 && !EndWorkbook(workbook.get(), &reason)) {
    if (StopSignal() == 0) {
      SayCannotWrite(command.xlsx, reason);
      return kFailure;
    }
  }
  // A stop signal: the table ends in the whole rows of the files written.
  if (StopSignal() != 0) {
    SayInterrupted(tally, progress.all_files, workbook != nullptr);
    return kStoppedBySignal + StopSignal();
  }
  if (NotOk(tally) > 0 && !command.quiet) {
    SayNotOk(tally, command.layout);
  }
  return all_ok && NotOk(tally) == 0 ? kSuccess : kFailure;
}

}  // namespace

int main(int argc, char* argv[]) {
  gsl_set_error_handler(&HandleGslError);
  try {
    const CommandLine command = ReadCommandLine(argc, argv);
    CatchStopSignals();
    return Run(command);
  } catch (const std::bad_alloc&) {
    EndForWantOfMemory();
  }
}
