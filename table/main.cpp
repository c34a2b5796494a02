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

// Standard output's buffer: the table goes out in blocks, not in lines.
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
  std::printf("                     diagnostics; standard output gets nothing\n");
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

// Read D of --perturb D: a number above 0 and finite, in the values' units.
double ReadSpread(const char* text) {
  double spread = 0.0;
  const char* end = text + std::strlen(text);
  const std::from_chars_result result = numbers::FromChars(text, end, &spread);
  if (result.ec != std::errc() || result.ptr != end || !(spread > 0.0) || !std::isfinite(spread)) {
    BadCommandLine(kProgram,
                   "--perturb needs a finite number above 0, the largest error of a value, not",
                   text);
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

// Tabulate every file named in the list of input. Return true when the list
// was read to its end without an error.
bool TabulateList(const Input& input, const CommandLine& command, Tabulation* tabulation) {
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  std::FILE* list = input.list;
  // The list named as the diagnostics name it.
  const std::string name_shown = Escaped(input.text);
  const std::string place = name_shown + ":";
  bool all_ok = true;
  long long names = 0;
  std::string name;
  for (long long number = 1; std::ferror(stdout) == 0; ++number) {
    const ListItem item = ReadName(list, command.null, &name);
    if (item == ListItem::kEnd) {
      break;
    }
    const std::string where = place + std::to_string(number) + ":1";
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
    if (!name.empty()) {
      ++names;
      Tabulate(tabulation, name.c_str(), name.c_str());
    }
  }
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

// Say that the workbook at path cannot be written, and why.
void SayCannotWrite(const char* path, const std::string& reason) {
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  SayAboutProgram(&diagnostics, Severity::kError, "cannot write the workbook '%s': %s",
                  Escaped(path).c_str(), reason.c_str());
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

}  // namespace

int main(int argc, char* argv[]) {
  gsl_set_error_handler_off();
  const CommandLine command = ReadCommandLine(argc, argv);
  // Fully buffered even on a terminal: the table is written in blocks. A
  // buffer that cannot be had leaves the stream as it was.
  (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBuffer);

  // A workbook that cannot be begun is said before any file is analysed.
  WorkbookWriter workbook;
  if (command.xlsx != nullptr) {
    std::string reason;
    workbook = BeginWorkbook(command.xlsx, command.perturbed, &reason);
    if (!workbook) {
      SayCannotWrite(command.xlsx, reason);
      return kFailure;
    }
  }
  // The header row, then the files' rows in the order the files are given,
  // on --jobs threads: nothing of a file is kept after its rows are written.
  if (!workbook && command.layout == Layout::kFileRows) {
    WriteFileHeader(stdout, command.perturbed);
  } else if (!workbook && command.layout == Layout::kPlayerRows) {
    WritePlayerHeader(stdout, command.perturbed);
  }
  const Tabulator tabulation = BeginTabulation(command.layout, command.jobs, workbook.get(),
                                               command.perturbed ? &command.perturbation : nullptr);
  bool all_ok = true;
  for (const Input& input : command.inputs) {
    if (input.is_list) {
      all_ok = TabulateList(input, command, tabulation.get()) && all_ok;
    } else {
      Tabulate(tabulation.get(), input.text, input.name);
    }
    // A table that cannot be written is not worth computing further.
    if (std::ferror(stdout) != 0 || (workbook && WorkbookFailed(*workbook))) {
      break;
    }
  }
  const Tally tally = EndTabulation(tabulation.get());
  if (!FinishOutput(kProgram, "the table")) {
    return kFailure;
  }
  std::string reason;
  if (workbook && !EndWorkbook(workbook.get(), &reason)) {
    SayCannotWrite(command.xlsx, reason);
    return kFailure;
  }
  if (NotOk(tally) > 0 && !command.quiet) {
    SayNotOk(tally, command.layout);
  }
  return all_ok && NotOk(tally) == 0 ? kSuccess : kFailure;
}
