// The front end's command line and its fatal-error report.
#ifndef KELVARIN_APP_FRONT_END_H_
#define KELVARIN_APP_FRONT_END_H_

// The program's name and version as its reports print them.
constexpr const char* kProgramName = "Kelvarin";
constexpr const char* kProgramVersion = "2.1";

// Store the address of the data file's name, argv[1], in path_out once the
// file opens for reading, or end the process: with the data-file definition
// and status 0 for "-?", with a usage report and status 1 for a missing
// argument or a file that does not open.
void GetCommandLine(char* argv[], int argc, char** path_out);

// Print "Kelvarin error: <message> <detail>" on standard error, then the
// usage lines when show_usage is non-zero (an empty line otherwise) and the
// exit banner, and end the process with status.
[[noreturn]] void WriteErrorMessage(const char* message, const char* detail, int show_usage,
                                    int status);

#endif  // KELVARIN_APP_FRONT_END_H_
