// The front end's command line and its fatal-error report.
#ifndef KELVARIN_APP_FRONT_END_H_
#define KELVARIN_APP_FRONT_END_H_

#include <cstdio>

// The program's name and version as its reports print them.
constexpr const char* kProgramName = "Kelvarin";
constexpr const char* kProgramVersion = "2.1";

// Open the data file named by argv[1] for reading and hand it over: its
// name's address in path_out and the open stream, which the caller closes, in
// file_out. Or end the process: with the data-file definition and status 0
// for "-?", with a usage report and status 1 for a missing argument or a file
// that does not open. The file is opened in binary mode, so that every byte
// means the same on every system; the reader folds CR LF itself.
void GetCommandLine(char* argv[], int argc, char** path_out, std::FILE** file_out);

// Deliver what standard output still holds. If any part of the report could
// not be written, report "Error writing the report." and end with status 1:
// a lost report must not pass for a successful run.
void FinishReport();

// Print "Kelvarin error: <message> <detail>" on standard error, then the
// usage lines when show_usage is non-zero (an empty line otherwise) and the
// exit banner, and end the process with status.
[[noreturn]] void WriteErrorMessage(const char* message, const char* detail, int show_usage,
                                    int status);

#endif  // KELVARIN_APP_FRONT_END_H_
