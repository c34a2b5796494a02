// The data file reader: the description line, the number of players N and
// the N-by-N influence values, with a diagnostic line for each silent
// misreading it notices and a place and a reason for each failure.
//
// A data file is read in three steps, each of which may fail with the
// failure that the fixed error report names:
//   ReadHeader   the description and N
//   CheckSize    N from kMinPlayers to kMaxPlayers
//   ReadMatrix   the N times N values, then a look at what follows them
#ifndef KELVARIN_READER_READER_H_
#define KELVARIN_READER_READER_H_

#include <gsl/gsl_matrix.h>

#include <cstdio>

#include "matrix/matrix.h"
#include "reader/scan.h"
#include "reader/texts.h"
#include "text/diagnostics.h"

constexpr int kMaxDescriptionLength = 120;
// The description's bytes, its line feed and the NUL.
constexpr int kDescriptionBufferSize = kMaxDescriptionLength + 2;

// A data file being read, and what has been read of it.
struct Reader {
  Source source;
  const char* name = "";  // the file's name as the user gave it
  Diagnostics* diagnostics = nullptr;
  bool has_description = false;                   // line 1 was read
  char description[kDescriptionBufferSize] = "";  // without its line end
  bool has_size = false;                          // N was read as a number
  long long size = 0;                             // N as written, saturated at 64 bits
  Place size_place;                               // where N is written
  long long values = 0;                           // the values read into the matrix
};

// Read the description and N from the start of reader->source.file.
ReadFailure ReadHeader(Reader* reader);

// Check that N is from kMinPlayers to kMaxPlayers.
ReadFailure CheckSize(Reader* reader);

// Read the N times N values into influence (N by N), row by row, and then
// look at what follows them, which is not part of the data.
ReadFailure ReadMatrix(Reader* reader, gsl_matrix* influence);

// Open the data file at path for reading in binary mode, or return null
// after saying "cannot open 'PATH': REASON" on diagnostics. For a companion
// program, "-" is standard input, a FIFO that nothing writes to reads as
// empty at once instead of waiting for a writer, and a device or a socket is
// refused; kelvarin opens every name as it stands, as fopen does. source,
// when not null, learns what the file is and its size, where the opening
// tells, so that the file need not be asked again.
std::FILE* OpenDataFile(const char* path, bool companion, Diagnostics* diagnostics,
                        Source* source = nullptr);

// Read the open data file of reader: ReadHeader, then after_header (unless
// it is null: kelvarin prints the description and N there), CheckSize, then
// ReadMatrix into a new influence matrix. Return the first failure; reader
// keeps what was read.
ReadFailure ReadGroup(Reader* reader, Matrix* influence,
                      void (*after_header)(const Reader& reader) = nullptr);

// Read the data file at path as a companion program reads it: open it,
// ReadGroup, and close it.
ReadFailure ReadDataFile(const char* path, Reader* reader, Matrix* influence);

#endif  // KELVARIN_READER_READER_H_
