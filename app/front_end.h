// The front end's command line, its banners and its fatal-error report.
// Every failure of the front end ends the process through WriteErrorMessage
// with status 1, after a diagnostic line that says why where there is one.
#ifndef KELVARIN_APP_FRONT_END_H_
#define KELVARIN_APP_FRONT_END_H_

#include <cstdio>

#include "text/diagnostics.h"
#include "version/version.h"

// The program's name as its reports print them.
constexpr const char* kProgramName = "Kelvarin";

// Open the data file named by argv[1] for reading and hand it over: its
// name's address in path_out and the open stream, which the caller closes, in
// file_out. "--label=NAME FILE" opens FILE, whatever its name, and hands over
// NAME as its name, which every message then shows. Or end the process: with
// the data-file definition and status 0 for "-?", with the help or the
// version and status 0 for "--help" and "--version", with a usage report and
// status 1 for a missing argument or a file that does not open (after a line
// on diagnostics that says why). Arguments after the data file's are
// ignored, with a warning. The file is opened in binary mode, so that every
// byte means the same on every system; the reader folds CR LF itself.
void GetCommandLine(char* argv[], int argc, char** path_out, std::FILE** file_out,
                    Diagnostics* diagnostics);

// Print the exit banner, "Exiting: Kelvarin ver. <version> (Quorvane).",
// with an empty line before and after it, on stream.
void PrintExitBanner(std::FILE* stream);

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
