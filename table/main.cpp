// kelvarin-table: analyses many groups' data files in one run, as kelvarin
// analyses one, and writes the results as one table: a CSV row per file
// (or per player with --players) or a JSON line per file (--json).
#include <gsl/gsl_errno.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "command_line/command_line.h"
#include "numbers/numbers.h"
#include "table/table.h"
#include "text/utf8.h"

namespace {

void PrintHelp();
constexpr Program kProgram = {kTableProgram, "[OPTION]... FILE...", &PrintHelp};

// Standard output's buffer: the table goes out in blocks, not in lines,
// unless it goes to a terminal.
constexpr size_t kOutputBuffer = 1 << 16;

// A name in a list longer than the system's longest path names no file.
#if defined(PATH_MAX)
constexpr size_t kLongestName = PATH_MAX;
#else
constexpr size_t kLongestName = 4096;
#endif

// A data file named on the command line, or a list of them (--files-from).
struct Input {
  bool is_list = false;
  const char* text = nullptr;
  std::FILE* list = nullptr;   // the list, open, once the command line is read
  const char* name = nullptr;  // what the file's row and messages call it
};

struct CommandLine {
  Layout layout = Layout::kFileRows;
  bool null = false;           // the lists' names end in NUL bytes
  bool quiet = false;          // no closing line on files that are not ok
  const char* xlsx = nullptr;  // the workbook's file, written instead of standard output
  int jobs = 1;                // the threads that analyse files at once
  bool perturbed = false;      // --perturb: how sure the figures are
  bool drawn = false;          // --draws or --seed was given
  Perturbation perturbation;   // D, K and S
  std::vector<Input> inputs;
};

// The status of a run that a signal stopped, as a shell gives it: this
// plus the signal's number.
constexpr int kStoppedBySignal = 128;

// The most threads --jobs asks for; more would only wait for the disk.
constexpr long long kMostJobs = 256;

// The draws of --perturb when --draws does not say.
constexpr long long kDefaultDraws = 1000;

// The options' values in getopt_long's table, beyond the short -0.
enum Option : int {
  kNull = '0',
  kFilesFrom = 256,
  kPlayers,
  kJson,
  kJobs,
  kLabel,
  kXlsx,
  kPerturb,
  kDraws,
  kSeed,
  kQuiet = 'q',
};

constexpr option kOptions[] = {
    {"files-from", required_argument, nullptr, kFilesFrom},
    {"null", no_argument, nullptr, kNull},
    {"players", no_argument, nullptr, kPlayers},
    {"json", no_argument, nullptr, kJson},
    {"jobs", required_argument, nullptr, kJobs},
    {"label", required_argument, nullptr, kLabel},
    {"quiet", no_argument, nullptr, kQuiet},
    {"xlsx", required_argument, nullptr, kXlsx},
    {"perturb", required_argument, nullptr, kPerturb},
    {"draws", required_argument, nullptr, kDraws},
    {"seed", required_argument, nullptr, kSeed},
    kHelpEntry,
    kVersionEntry,
    kEndEntry,
};

void PrintHelp() {
  std::printf("Usage: kelvarin-table [OPTION]... FILE...\n");
  std::printf(
      "Analyse each data FILE as kelvarin does and write the results as one table on\n"
      "standard output: a CSV row per file, with a header row. FILE - is standard input.\n\n");
  std::printf("  --files-from=LIST  also read the data files named in LIST, one a line\n");
  std::printf("                     (- reads the list from standard input)\n");
  std::printf("  -0, --null         the names in the lists end in NUL bytes, not line ends\n");
  std::printf("                     (as find -print0 writes them)\n");
  std::printf("  --players          a CSV row per player of each file instead\n");
  std::printf("  --json             a JSON object per file, one a line, instead\n");
  std::printf("  --xlsx=FILE        write the table as an Excel workbook FILE instead: sheets\n");
  std::printf("                     groups (a row per file), players (a row per player) and\n");
  std::printf("                     diagnostics; standard output gets nothing. FILE ends in\n");
  std::printf("                     .xlsx, and only a regular file is replaced; - writes the\n");
  std::printf("                     workbook to standard output\n");
  std::printf("  --jobs=N           analyse N files at once on N threads (0: as many as the\n");
  std::printf("                     machine runs at once); the table is the same\n");
  std::printf("  --label=NAME       call the FILE given next NAME in its row and messages\n");
  std::printf("  --perturb=D        how sure the figures are: analyse each file again for\n");
  std::printf("                     each of K draws, every value with an error uniform on\n");
  std::printf("                     [-D, D] added and rounded to single precision\n");
  std::printf("  --draws=K          the draws of --perturb, from 1 to %lld (default %lld)\n",
              kMostDraws, kDefaultDraws);
  std::printf("  --seed=S           the seed of --perturb's draws, from 0 to 2^64 - 1 (default\n");
  std::printf("                     1); every file's draws start from it\n");
  std::printf("  -q, --quiet        no closing line on standard error when a file is not ok\n");
  std::printf("  -h, --help         print this help\n");
  std::printf("  --version          print the version\n\n");
  std::printf("Columns: %s.\nWith --players: %s.\n", kFileColumns, kPlayerColumns);
  std::printf("With --perturb, after them: %s; with --players: %s.\n", kPerturbedFileColumns,
              kPerturbedPlayerColumns);
  std::printf(
      "Status: ok, singular, not_finite (S_E or a weight overflowed) or error.\n\n"
      "Exit status: 0 when every file is ok, 1 when any is not (every row is still\n"
      "written, and a closing line on standard error says how many), a list cannot\n"
      "be read or the table cannot be written, 2 for a bad command line. A script\n"
      "that stops on a failing command (set -e) goes on past files that are not ok\n"
      "with: kelvarin-table FILE... > table.csv || [ $? -eq 1 ]\n");
}

// Choose the table's layout; --players and --json exclude each other.
void SetLayout(CommandLine* command, Layout layout) {
  if (command->layout != Layout::kFileRows && command->layout != layout) {
    BadCommandLine(kProgram, "--players and --json exclude each other");
  }
  command->layout = layout;
}

// Read N of --jobs N: a whole number from 0 to kMostJobs, 0 for every thread
// the machine runs at once.
int ReadJobs(const char* text) {
  long long jobs = 0;
  const char* end = text + std::strlen(text);
  const std::from_chars_result result = std::from_chars(text, end, jobs);
  if (result.ec != std::errc() || result.ptr != end || jobs < 0 || jobs > kMostJobs) {
    const std::string what =
        "--jobs needs a whole number from 0 to " + std::to_string(kMostJobs) + ", not";
    BadCommandLine(kProgram, what.c_str(), text);
  }
  return jobs == 0 ? MachineThreads() : static_cast<int>(jobs);
}

// Read D of --perturb D: a number above 0 and finite, in the values' units,
// and no larger than the largest float: the draws are rounded to single
// precision, and a larger error gives none that it can hold.
double ReadSpread(const char* text) {
  double spread = 0.0;
  const char* end = text + std::strlen(text);
  const std::from_chars_result result = numbers::FromChars(text, end, &spread);
  if (result.ec != std::errc() || result.ptr != end || !(spread > 0.0) || !std::isfinite(spread)) {
    BadCommandLine(kProgram,
                   "--perturb needs a finite number above 0, the largest error of a value, not",
                   text);
  }
  if (spread > kLargestFloat) {
    const std::string what = "--perturb needs a D of at most " + ShortestText(kLargestFloat) +
                             ": the drawn values are rounded to single precision, which holds "
                             "none beyond it; not";
    BadCommandLine(kProgram, what.c_str(), text);
  }
  return spread;
}

// Read K of --draws K: a whole number from 1 to kMostDraws.
long long ReadDraws(const char* text) {
  long long draws = 0;
  const char* end = text + std::strlen(text);
  const std::from_chars_result result = std::from_chars(text, end, draws);
  if (result.ec != std::errc() || result.ptr != end || draws < 1 || draws > kMostDraws) {
    const std::string what =
        "--draws needs a whole number from 1 to " + std::to_string(kMostDraws) + ", not";
    BadCommandLine(kProgram, what.c_str(), text);
  }
  return draws;
}

// Read S of --seed S: a whole number from 0 to 2^64 - 1.
std::uint64_t ReadSeed(const char* text) {
  std::uint64_t seed = 0;
  const char* end = text + std::strlen(text);
  const std::from_chars_result result = std::from_chars(text, end, seed);
  if (result.ec != std::errc() || result.ptr != end) {
    BadCommandLine(kProgram, "--seed needs a whole number from 0 to 18446744073709551615, not",
                   text);
  }
  return seed;
}

// Add an input of the command line to command: a FILE, called *label when
// one was given for it (which is then used up), or a list (is_list).
// Standard input can be read once, as a data file or as a list.
void AddInput(CommandLine* command, bool is_list, const char* value, const char** label,
              bool* standard_input_taken) {
  if (std::strcmp(value, "-") == 0) {
    if (*standard_input_taken) {
      BadCommandLine(kProgram, "standard input can be read only once");
    }
    *standard_input_taken = true;
  }
  Input input{is_list, value, nullptr, value};
  if (!is_list && *label != nullptr) {
    input.name = *label;
    *label = nullptr;
  }
  command->inputs.push_back(input);
}

// Read the options and the inputs in the order given. End the process after
// --help and --version and on a bad command line (status 2).
CommandLine ReadCommandLine(int argc, char* argv[]) {
  CommandLine command;
  command.perturbation.draws = kDefaultDraws;
  bool ended = false;
  bool standard_input_taken = false;
  const char* label = nullptr;  // the name of the FILE given next
  for (Argument a = NextArgument(kProgram, argc, argv, "0q", kOptions, &ended); a.option != -1;
       a = NextArgument(kProgram, argc, argv, "0q", kOptions, &ended)) {
    switch (a.option) {
      case 1:
      case kFilesFrom:
        AddInput(&command, a.option == kFilesFrom, a.value, &label, &standard_input_taken);
        break;
      case kLabel:
        label = TakeLabel(kProgram, label, a.value);
        break;
      case kNull:
        command.null = true;
        break;
      case kQuiet:
        command.quiet = true;
        break;
      case kPlayers:
        SetLayout(&command, Layout::kPlayerRows);
        break;
      case kJson:
        SetLayout(&command, Layout::kJsonLines);
        break;
      case kJobs:
        command.jobs = ReadJobs(a.value);
        break;
      case kXlsx:
        command.xlsx = a.value;
        break;
      case kPerturb:
        command.perturbed = true;
        command.perturbation.spread = ReadSpread(a.value);
        break;
      case kDraws:
        command.drawn = true;
        command.perturbation.draws = ReadDraws(a.value);
        break;
      case kSeed:
        command.drawn = true;
        command.perturbation.seed = ReadSeed(a.value);
        break;
      default:
        break;
    }
  }
  LabelAllUsed(kProgram, label);
  if (command.drawn && !command.perturbed) {
    BadCommandLine(kProgram, "--draws and --seed are --perturb's: give --perturb=D");
  }
  if (command.xlsx != nullptr && command.layout != Layout::kFileRows) {
    BadCommandLine(kProgram,
                   "--xlsx writes the rows per file and per player in one workbook; --players "
                   "and --json are tables for standard output");
  }
  if (command.inputs.empty()) {
    BadCommandLine(kProgram, "no data file given");
  }
  // A name forgotten after --xlsx would take the first data file's.
  if (command.xlsx != nullptr && !IsWorkbookName(command.xlsx)) {
    BadCommandLine(kProgram,
                   "--xlsx needs the workbook's name, which ends in .xlsx as spreadsheets "
                   "require to open it (or - for standard output), not",
                   command.xlsx);
  }
  if (command.xlsx != nullptr && std::strcmp(command.xlsx, "-") == 0 && IsTerminal(stdout)) {
    BadCommandLine(kProgram,
                   "--xlsx=- writes the workbook to standard output, which is a terminal: "
                   "redirect it (> table.xlsx) or name the workbook");
  }
  // A list that cannot be opened is a bad command line: nothing is written.
  for (Input& input : command.inputs) {
    if (!input.is_list) {
      continue;
    }
    errno = 0;
    input.list = std::strcmp(input.text, "-") == 0 ? stdin : std::fopen(input.text, "rb");
    if (input.list == nullptr) {
      const std::string what = std::string("cannot open the list (") + SystemReason(errno) + ")";
      BadCommandLine(kProgram, what.c_str(), input.text);
    }
  }
  return command;
}

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
  if (refused || !FinishOutput(kProgram, "the table")) {
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
