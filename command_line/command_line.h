// The command-line layer of the companion programs, kelvarin-table and
// kelvarin-graph: GNU options read by getopt_long (--name=VALUE, "--" ending
// the options, unambiguous abbreviations), one way to report a bad command
// line, and one way to print the help and the version and to finish writing
// standard output. A bad command line ends the process with status
// kBadCommandLine; output that cannot be written is said, and returned as
// false.
#ifndef KELVARIN_COMMAND_LINE_COMMAND_LINE_H_
#define KELVARIN_COMMAND_LINE_COMMAND_LINE_H_

#include <getopt.h>

#include "text/diagnostics.h"

// Exit statuses of the companions: all went well; a file failed or the
// output could not be written; a bad command line.
constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kBadCommandLine = 2;

// A companion program: its name, the arguments of its usage line and its
// help's printer.
struct Program {
  const char* name;
  const char* usage;  // "[OPTION]... FILE...", say
  void (*print_help)();
};

// The options every companion takes, which end its table of options:
// --help (and -h) and --version, which NextArgument answers, and the zero entry.
constexpr int kHelpOption = 1000;
constexpr int kVersionOption = 1001;
constexpr option kHelpEntry = {"help", no_argument, nullptr, kHelpOption};
constexpr option kVersionEntry = {"version", no_argument, nullptr, kVersionOption};
constexpr option kEndEntry = {nullptr, 0, nullptr, 0};

// What the next argument of the command line is.
struct Argument {
  int option = -1;              // the option's value in the table, 1 for an operand, -1 at the end
  const char* value = nullptr;  // the option's argument, or the operand
};

// Return the next argument of argv as getopt_long reads it against options
// (a table ending in a zero entry) and short_options, in the order given:
// an option, then an operand (option 1), then, after "--", the operands
// that follow it (options_ended, false at first, keeps that state). A bad option is reported
// (unknown, ambiguous, given an argument it takes none of, or missing one) and ends the process
// with status kBadCommandLine; --help and --version are answered, and end it too (with
// kSuccess, or kFailure after saying that they could not be written).
Argument NextArgument(const Program& program, int argc, char* argv[], const char* short_options,
                      const option* options, bool* options_ended);

// Say "PROGRAM: error: WHAT", with " 'ARGUMENT'" escaped after it when
// argument is not null, then a note with the usage, and end the process with
// status kBadCommandLine.
[[noreturn]] void BadCommandLine(const Program& program, const char* what,
                                 const char* argument = nullptr);

// A --label=NAME, which names the FILE given next. TakeLabel returns name as
// the label now waiting for its FILE; LabelAllUsed accepts the end of the
// command line. Each reports a label that no FILE took as BadCommandLine
// does: label, the one waiting (null when none is), when another comes, and
// label itself when the command line ends.
const char* TakeLabel(const Program& program, const char* label, const char* name);
void LabelAllUsed(const Program& program, const char* label);

// What the text of an option's number is.
enum class OptionNumber {
  kRead,        // a number from low to high
  kNotNumber,   // no number, or one with text after it; a NaN too
  kOutOfRange,  // a number, whole, beyond the range of its type
  kInfinite,    // an infinite number (a double)
  kBelow,       // a number below low
  kAbove,       // a number above high
};

// Read the whole of text as a Number (int, long long, std::uint64_t or
// double), in decimal digits as std::from_chars reads them (a double as
// numbers::FromChars), into *value when it is from low to high. Return
// what text is; *value is set only for kRead. The caller says what the
// option needs.
template <typename Number>
OptionNumber ReadOptionNumber(const char* text, Number low, Number high, Number* value);

// Print "PROGRAM (Kelvarin) VERSION" and the licence on standard output.
void PrintVersion(const Program& program);

// Deliver what standard output holds. Return true, or false after saying
// "PROGRAM: error: cannot write WHAT: REASON".
bool FinishOutput(const Program& program, const char* what);

#endif  // KELVARIN_COMMAND_LINE_COMMAND_LINE_H_
