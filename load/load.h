// One way to load a group: its data file read as kelvarin reads it, then,
// when it was read whole, analysed as kelvarin analyses it. Every program
// loads its groups through LoadGroup, and a library's caller can too:
// nothing is printed, nothing ends the process, and what went wrong is in
// the return value, the analysis's ending and the reader's diagnostics.
#ifndef KELVARIN_LOAD_LOAD_H_
#define KELVARIN_LOAD_LOAD_H_

#include <cstdio>

#include "analysis/analysis.h"
#include "matrix/matrix.h"
#include "reader/reader.h"

// Where a group's data file is.
struct GroupFile {
  const char* path = nullptr;  // its path ("-": standard input), read as ReadDataFile reads it
  const char* name = nullptr;  // what messages call it (path's own when null)
  std::FILE* open = nullptr;   // or the file, open at its start, read instead of path; its
                               // caller closes it
  // Called once the description and N are read, before N is checked; for
  // an open file only (kelvarin prints them there).
  void (*after_header)(const Reader& reader) = nullptr;
};

// Read the group in file with reader (whose diagnostics say what it finds)
// into influence, and analyse it into analysis when it was read whole.
// Return the reader's failure, kNone when all was read; analysis then ends
// as AnalyseGroup ends it, and is otherwise left as it was (a new Analysis
// ends kNotRead).
ReadFailure LoadGroup(const GroupFile& file, Reader* reader, Matrix* influence, Analysis* analysis);

#endif  // KELVARIN_LOAD_LOAD_H_
