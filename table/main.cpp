// kelvarin-table: analyses many groups' data files in one run, as kelvarin
// analyses one, and writes the results as one table: a CSV row per file
// (or per player with --players) or a JSON line per file (--json).
#include <gsl/gsl_errno.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/version.h"
#include "table/table.h"

namespace {

// Exit statuses: every file ok; a file singular or in error; a bad command line.
constexpr int kAllOk = 0;
constexpr int kSomeFailed = 1;
constexpr int kBadCommandLine = 2;

// Standard output's buffer: the table goes out in blocks, not in lines.
constexpr size_t kOutputBuffer = 1 << 16;

enum class Form { kFiles, kPlayers, kJson };

// A data file named on the command line, or a list of them (--files-from).
struct Input {
  bool is_list = false;
  const char* text = nullptr;
  std::FILE* list = nullptr;  // the list, open, once the command line is read
};

struct CommandLine {
  Form form = Form::kFiles;
  std::vector<Input> inputs;
};

void PrintHelp() {
  std::printf("Usage: kelvarin-table [OPTION]... FILE...\n");
  std::printf(
      "Analyse each data FILE as kelvarin does and write the results as one table on\n"
      "standard output: a CSV row per file, with a header row.\n\n");
  std::printf("  --files-from LIST  also read the data files named in LIST, one a line\n");
  std::printf("                     (- reads the list from standard input)\n");
  std::printf("  --players          a CSV row per player of each file instead\n");
  std::printf("  --json             a JSON object per file, one a line, instead\n");
  std::printf("  --help             print this help\n");
  std::printf("  --version          print the version\n\n");
  std::printf(
      "Columns: file, description, players, empath, driver, s_e, determinant,\n"
      "condition, log_condition, near_ties, warnings, status (ok, singular, error),\n"
      "message. With --players: file, player, column_sum, row_sum, weight,\n"
      "is_empath, is_driver.\n\n");
  std::printf(
      "Exit status: 0 when every file is ok, 1 when any is singular or in error (every\n"
      "row is still written) or the table could not be written, 2 for a bad command line.\n");
}

// Say what is wrong with the command line, with the argument escaped after
// it where there is one, and the usage; end with status 2.
[[noreturn]] void BadCommandLine(const char* what, const char* argument = nullptr) {
  Diagnostics diagnostics;
  diagnostics.program = kTableProgram;
  if (argument != nullptr) {
    char escaped[kDiagnosticCapacity / 2];
    Escape(argument, std::strlen(argument), escaped, sizeof escaped);
    SayAboutProgram(&diagnostics, Severity::kError, "%s '%s'", what, escaped);
  } else {
    SayAboutProgram(&diagnostics, Severity::kError, "%s", what);
  }
  SayAboutProgram(&diagnostics, Severity::kNote,
                  "usage: %s [OPTION]... FILE...; '%s --help' tells more", kTableProgram,
                  kTableProgram);
  std::exit(kBadCommandLine);
}

// Deliver what --help or --version printed and end the process.
[[noreturn]] void ExitAfterPrinting() {
  std::exit(std::fflush(stdout) == 0 && std::ferror(stdout) == 0 ? kAllOk : kSomeFailed);
}

// Choose the table's form; --players and --json exclude each other.
void SetForm(CommandLine* command, Form form) {
  if (command->form != Form::kFiles && command->form != form) {
    BadCommandLine("--players and --json exclude each other");
  }
  command->form = form;
}

// Act on the option argument, which is not --files-from.
void ReadOption(const char* argument, CommandLine* command) {
  if (std::strcmp(argument, "--help") == 0) {
    PrintHelp();
    ExitAfterPrinting();
  } else if (std::strcmp(argument, "--version") == 0) {
    std::printf("kelvarin-table (Kelvarin) %s\n", kProgramVersion);
    std::printf("License GPLv3+: GNU General Public License version 3 or later.\n");
    ExitAfterPrinting();
  } else if (std::strcmp(argument, "--players") == 0) {
    SetForm(command, Form::kPlayers);
  } else if (std::strcmp(argument, "--json") == 0) {
    SetForm(command, Form::kJson);
  } else {
    BadCommandLine("unknown option", argument);
  }
}

// Return the LIST of "--files-from LIST" or "--files-from=LIST" at argv[*i],
// with *i on the last argument taken; null when argv[*i] is another argument.
const char* FilesFrom(int argc, const char* const argv[], int* i) {
  constexpr std::string_view kOption = "--files-from";
  const std::string_view argument = argv[*i];
  if (argument == kOption) {
    if (*i + 1 >= argc) {
      BadCommandLine("--files-from needs a LIST");
    }
    return argv[++*i];
  }
  if (argument.size() > kOption.size() && argument.substr(0, kOption.size()) == kOption &&
      argument[kOption.size()] == '=') {
    return argv[*i] + kOption.size() + 1;
  }
  return nullptr;
}

// Open every list of command; "-" is standard input, which can be read once.
void OpenLists(CommandLine* command) {
  bool standard_input_taken = false;
  for (Input& input : command->inputs) {
    if (!input.is_list) {
      continue;
    }
    if (std::strcmp(input.text, "-") == 0) {
      if (standard_input_taken) {
        BadCommandLine("standard input can be read as a list only once");
      }
      standard_input_taken = true;
      input.list = stdin;
      continue;
    }
    errno = 0;
    input.list = std::fopen(input.text, "rb");
    if (input.list == nullptr) {
      char escaped[kDiagnosticCapacity / 2];
      Escape(input.text, std::strlen(input.text), escaped, sizeof escaped);
      char reason[kDiagnosticCapacity];
      (void)std::snprintf(reason, sizeof reason, "cannot open the list '%s': %s", escaped,
                          SystemReason(errno));
      BadCommandLine(reason);
    }
  }
}

// Read the options and the inputs in the order given, and open the lists.
// End the process after --help and --version (status 0) and on a bad
// command line (status 2).
CommandLine ReadCommandLine(int argc, const char* const argv[]) {
  CommandLine command;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    const char* list = options ? FilesFrom(argc, argv, &i) : nullptr;
    if (list != nullptr) {
      command.inputs.push_back(Input{true, list, nullptr});
    } else if (!options || argument[0] != '-' || argument[1] == '\0') {
      command.inputs.push_back(Input{false, argument, nullptr});
    } else if (std::strcmp(argument, "--") == 0) {
      options = false;
    } else {
      ReadOption(argument, &command);
    }
  }
  if (command.inputs.empty()) {
    BadCommandLine("no data file given");
  }
  OpenLists(&command);
  return command;
}

// Read the next line of list into line, without its line end (LF or CR LF).
// Return false at the end of the list.
bool ReadListLine(std::FILE* list, std::string* line) {
  line->clear();
  int c = std::getc(list);
  if (c == EOF) {
    return false;
  }
  for (; c != EOF && c != '\n'; c = std::getc(list)) {
    line->push_back(static_cast<char>(c));
  }
  if (!line->empty() && line->back() == '\r') {
    line->pop_back();
  }
  return true;
}

// Analyse the file at path and write its rows. Return true when it is ok.
bool Tabulate(const char* path, Form form, Group* group) {
  AnalyseFile(path, group);
  switch (form) {
    case Form::kFiles:
      WriteFileRow(stdout, path, *group);
      break;
    case Form::kPlayers:
      WritePlayerRows(stdout, path, *group);
      break;
    case Form::kJson:
      WriteJsonLine(stdout, path, *group);
      break;
  }
  return group->status == Status::kOk;
}

// Tabulate every file named in the list of input, then close the list.
// Return true when every file is ok and the list was read to its end.
bool TabulateList(const Input& input, Form form, Group* group) {
  bool all_ok = true;
  std::string line;
  while (std::ferror(stdout) == 0 && ReadListLine(input.list, &line)) {
    // An empty line names no file.
    if (!line.empty()) {
      all_ok = Tabulate(line.c_str(), form, group) && all_ok;
    }
  }
  if (std::ferror(input.list) != 0) {
    char escaped[kDiagnosticCapacity / 2];
    Escape(input.text, std::strlen(input.text), escaped, sizeof escaped);
    std::fprintf(stderr, "%s: error: cannot read the list '%s': %s\n", kTableProgram, escaped,
                 SystemReason(errno));
    all_ok = false;
  }
  if (input.list != stdin) {
    (void)std::fclose(input.list);  // Opened for reading only.
  }
  return all_ok;
}

}  // namespace

int main(int argc, char* argv[]) {
  gsl_set_error_handler_off();
  const CommandLine command = ReadCommandLine(argc, argv);
  // Fully buffered even on a terminal: the table is written in blocks. A
  // buffer that cannot be had leaves the stream as it was.
  (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBuffer);

  // The header row, then the files in the order given, one at a time: nothing
  // of a file is kept after its rows are written.
  if (command.form == Form::kFiles) {
    WriteFileHeader(stdout);
  } else if (command.form == Form::kPlayers) {
    WritePlayerHeader(stdout);
  }
  Group group;
  bool all_ok = true;
  for (const Input& input : command.inputs) {
    const bool ok = input.is_list ? TabulateList(input, command.form, &group)
                                  : Tabulate(input.text, command.form, &group);
    all_ok = ok && all_ok;
    // A table that cannot be written is not worth computing further.
    if (std::ferror(stdout) != 0) {
      break;
    }
  }

  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fprintf(stderr, "%s: error: cannot write the table: %s\n", kTableProgram,
                 SystemReason(errno));
    return kSomeFailed;
  }
  return all_ok ? kAllOk : kSomeFailed;
}
