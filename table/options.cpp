// kelvarin-table's options, their help, and the reading of its command line.
#include "table/options.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "text/utf8.h"

namespace {
void PrintHelp();
}  // namespace

const Program kTable = {kTableProgram, "[OPTION]... FILE...", &PrintHelp};

namespace {

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
    BadCommandLine(kTable, "--players and --json exclude each other");
  }
  command->layout = layout;
}

// Read N of --jobs N: a whole number from 0 to kMostJobs, 0 for every thread
// the machine runs at once.
int ReadJobs(const char* text) {
  long long jobs = 0;
  if (ReadOptionNumber(text, 0LL, kMostJobs, &jobs) != OptionNumber::kRead) {
    const std::string what =
        "--jobs needs a whole number from 0 to " + std::to_string(kMostJobs) + ", not";
    BadCommandLine(kTable, what.c_str(), text);
  }
  return jobs == 0 ? MachineThreads() : static_cast<int>(jobs);
}

// Read D of --perturb D: a number above 0 and finite, in the values' units,
// and no larger than the largest float: the draws are rounded to single
// precision, and a larger error gives none that it can hold.
double ReadSpread(const char* text) {
  double spread = 0.0;
  // The least number above 0 is the least double above it.
  const OptionNumber read =
      ReadOptionNumber(text, std::numeric_limits<double>::denorm_min(), kLargestFloat, &spread);
  if (read != OptionNumber::kRead && read != OptionNumber::kAbove) {
    BadCommandLine(
        kTable, "--perturb needs a finite number above 0, the largest error of a value, not", text);
  }
  if (read == OptionNumber::kAbove) {
    const std::string what = "--perturb needs a D of at most " + ShortestText(kLargestFloat) +
                             ": the drawn values are rounded to single precision, which holds "
                             "none beyond it; not";
    BadCommandLine(kTable, what.c_str(), text);
  }
  return spread;
}

// Read K of --draws K: a whole number from 1 to kMostDraws.
long long ReadDraws(const char* text) {
  long long draws = 0;
  if (ReadOptionNumber(text, 1LL, kMostDraws, &draws) != OptionNumber::kRead) {
    const std::string what =
        "--draws needs a whole number from 1 to " + std::to_string(kMostDraws) + ", not";
    BadCommandLine(kTable, what.c_str(), text);
  }
  return draws;
}

// Read S of --seed S: a whole number from 0 to 2^64 - 1.
std::uint64_t ReadSeed(const char* text) {
  std::uint64_t seed = 0;
  if (ReadOptionNumber(text, std::uint64_t{0}, UINT64_MAX, &seed) != OptionNumber::kRead) {
    BadCommandLine(kTable, "--seed needs a whole number from 0 to 18446744073709551615, not", text);
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
      BadCommandLine(kTable, "standard input can be read only once");
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

}  // namespace

CommandLine ReadCommandLine(int argc, char* argv[]) {
  CommandLine command;
  command.perturbation.draws = kDefaultDraws;
  bool ended = false;
  bool standard_input_taken = false;
  const char* label = nullptr;  // the name of the FILE given next
  for (Argument a = NextArgument(kTable, argc, argv, "0q", kOptions, &ended); a.option != -1;
       a = NextArgument(kTable, argc, argv, "0q", kOptions, &ended)) {
    switch (a.option) {
      case 1:
      case kFilesFrom:
        AddInput(&command, a.option == kFilesFrom, a.value, &label, &standard_input_taken);
        break;
      case kLabel:
        label = TakeLabel(kTable, label, a.value);
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
  LabelAllUsed(kTable, label);
  if (command.drawn && !command.perturbed) {
    BadCommandLine(kTable, "--draws and --seed are --perturb's: give --perturb=D");
  }
  if (command.xlsx != nullptr && command.layout != Layout::kFileRows) {
    BadCommandLine(kTable,
                   "--xlsx writes the rows per file and per player in one workbook; --players "
                   "and --json are tables for standard output");
  }
  if (command.inputs.empty()) {
    BadCommandLine(kTable, "no data file given");
  }
  // A name forgotten after --xlsx would take the first data file's.
  if (command.xlsx != nullptr && !IsWorkbookName(command.xlsx)) {
    BadCommandLine(kTable,
                   "--xlsx needs the workbook's name, which ends in .xlsx as spreadsheets "
                   "require to open it (or - for standard output), not",
                   command.xlsx);
  }
  if (command.xlsx != nullptr && std::strcmp(command.xlsx, "-") == 0 && IsTerminal(stdout)) {
    BadCommandLine(kTable,
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
      BadCommandLine(kTable, what.c_str(), input.text);
    }
  }
  return command;
}
