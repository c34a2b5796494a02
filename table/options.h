// kelvarin-table's command line: its options and the data files and lists
// it names, read in the order given, with the help that describes them.
#ifndef KELVARIN_TABLE_OPTIONS_H_
#define KELVARIN_TABLE_OPTIONS_H_

#include <cstdio>
#include <vector>

#include "analysis/sureness.h"
#include "command_line/command_line.h"
#include "table/table.h"

// kelvarin-table as its command line's messages name it.
extern const Program kTable;

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

// Read the options and the inputs in the order given, and open the lists.
// End the process after --help and --version and on a bad command line
// (status 2), a list that cannot be opened among them.
CommandLine ReadCommandLine(int argc, char* argv[]);

#endif  // KELVARIN_TABLE_OPTIONS_H_
