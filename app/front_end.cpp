#include "app/front_end.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void GetCommandLine(char* argv[], int argc, char** path_out, std::FILE** file_out) {
  if (argc <= 1) {
    WriteErrorMessage("Insufficient arguments: file name required as first argument.", "", 1, 1);
  }
  if (std::strcmp(argv[1], "-?") == 0) {
    std::printf("\n%s data file definition:  Line  1 - data descriptor (text) \n", kProgramName);
    std::printf(
        "                                Line  2 - size of matrix  (integer, 1 < N < 20)\n");
    std::printf("                                Line  3 - first row of data, ... \n");
    for (int i = 0; i < 3; ++i) {
      std::printf("                                  .\n");
    }
    std::printf("                                Line  N+2 - last row of data.\n\n");
    FinishReport();
    std::exit(0);
  }
  // Opened once: a second open could wait forever on a FIFO whose writer
  // has finished, and would lose what the first read of it delivered.
  std::FILE* file = std::fopen(argv[1], "rb");
  if (file == nullptr) {
    WriteErrorMessage("Data file not found: ", argv[1], 1, 1);
  }
  *path_out = argv[1];
  *file_out = file;
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
  std::fprintf(stderr, "\nExiting: %s ver. %s (Quorvane).\n\n", kProgramName, kProgramVersion);
  std::exit(status);
}
