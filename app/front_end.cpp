#include "app/front_end.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command_line/command_line.h"
#include "reader/reader.h"
#include "text/utf8.h"

namespace {

// The option that names the data file after it: "--label=NAME FILE".
constexpr const char* kLabelOption = "--label=";

void PrintDefinition() {
  std::printf("\n%s data file definition:  Line  1 - data descriptor (text) \n", kProgramName);
  std::printf("                                Line  2 - size of matrix  (integer, 1 < N < 20)\n");
  std::printf("                                Line  3 - first row of data, ... \n");
  for (int i = 0; i < 3; ++i) {
    std::printf("                                  .\n");
  }
  std::printf("                                Line  N+2 - last row of data.\n\n");
}

void PrintHelp() {
  std::printf("Usage: kelvarin FILE\n");
  std::printf("  or:  kelvarin --label=NAME FILE\n");
  std::printf(
      "Report the empath, the driver and the synchronization coefficient S_E of the group\n"
      "of %lld to %lld players whose influence matrix FILE holds.\n\n",
      kMinPlayers, kMaxPlayers);
  std::printf("  -?         print the data file definition\n");
  std::printf("  --help     print this help\n");
  std::printf("  --version  print the version\n");
  std::printf(
      "  --label=NAME FILE\n"
      "             read FILE as the data file, whatever it is called, and call it\n"
      "             NAME in every message\n");
  PrintDefinition();
  std::printf(
      "Exit status: 0 after a complete report, 1 after an error; a singular reduced\n"
      "matrix M ends the run with GSL's report and an abort.\n");
}

}  // namespace

void GetCommandLine(char* argv[], int argc, char** path_out, std::FILE** file_out,
                    Diagnostics* diagnostics) {
  if (argc <= 1) {
    WriteErrorMessage("Insufficient arguments: file name required as first argument.", "", 1, 1);
  }
  const bool help = std::strcmp(argv[1], "--help") == 0;
  const bool version = std::strcmp(argv[1], "--version") == 0;
  if (std::strcmp(argv[1], "-?") == 0 || help || version) {
    if (help) {
      PrintHelp();
    } else if (version) {
      PrintVersion(Program{"kelvarin", "FILE", nullptr});
    } else {
      PrintDefinition();
    }
    FinishReport();
    std::exit(0);
  }
  // "--label=NAME FILE": the file at FILE, whatever it is called, is shown
  // as NAME in every message. Only this form is read so; any other first
  // argument is the data file's name, as it always was.
  int path = 1;
  char* name = argv[1];
  if (argc > 2 && std::strncmp(argv[1], kLabelOption, std::strlen(kLabelOption)) == 0) {
    path = 2;
    name = argv[1] + std::strlen(kLabelOption);
  }
  for (int i = path + 1; i < argc; ++i) {
    SayAboutProgram(diagnostics, Severity::kWarning,
                    "only one data file is read: the argument '%s' is ignored",
                    Escaped(argv[i]).c_str());
  }
  // Opened once: a second open could wait forever on a FIFO whose writer
  // has finished, and would lose what the first read of it delivered.
  std::FILE* file = OpenDataFile(argv[path], name, diagnostics);
  if (file == nullptr) {
    // The name as the diagnostics write it: a name cannot drive the terminal.
    WriteErrorMessage(FailureMessage(ReadFailure::kNotFound), (" " + Escaped(name)).c_str(), 1, 1);
  }
  *path_out = name;
  *file_out = file;
}

void PrintExitBanner(std::FILE* stream) {
  std::fprintf(stream, "\nExiting: %s ver. %s (Quorvane).\n\n", kProgramName, kProgramVersion);
}

void FinishReport() {
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    WriteErrorMessage("Error writing the report.", "", 0, 1);
  }
}

void WriteErrorMessage(const char* message, const char* detail, int show_usage, int status) {
  std::fprintf(stderr, "\n%s error: %s %s\n", kProgramName, message, detail);
  if (show_usage != 0) {
    std::fprintf(stderr, "%s usage: %s <filename>\n", kProgramName, kProgramName);
    std::fprintf(stderr, "Type %s -? for data file definition.\n", kProgramName);
  } else {
    std::fprintf(stderr, "\n");
  }
  PrintExitBanner(stderr);
  std::exit(status);
}
