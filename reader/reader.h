// The data file reader: the description line, the number of players N and
// the N-by-N influence values, with a diagnostic line for each silent
// misreading it notices and a place and a reason for each failure.
//
// Reading returns the failure that the fixed error report names, kNone when
// all was read, after saying on the reader's diagnostics where and why
// (memory that could not be had aside). A data file is read in three steps:
//   ReadHeader   the description and N
//   CheckSize    N from kMinPlayers to kMaxPlayers
//   ReadMatrix   the N times N values, then a look at what follows them
#ifndef KELVARIN_READER_READER_H_
#define KELVARIN_READER_READER_H_

#include <gsl/gsl_matrix.h>

#include <cstdio>
#include <string_view>

#include "matrix/matrix.h"
#include "reader/reading.h"

enum class ReadFailure {
  kNone,
  kNotFound,  // the file could not be opened
  kDescription,
  kDescriptionLength,
  kSize,
  kSizeBounds,
  kNoMemory,  // the influence matrix could not be had
  kValues,
};

// Return the fixed error report's message for failure (the empty string for
// kNone).
const char* FailureMessage(ReadFailure failure);

// Read the description and N from the start of reader->source.
ReadFailure ReadHeader(Reader* reader);

// Check that N is from kMinPlayers to kMaxPlayers.
ReadFailure CheckSize(Reader* reader);

// Read the N times N values into influence (N by N), row by row, and then
// look at what follows them, which is not part of the data.
ReadFailure ReadMatrix(Reader* reader, gsl_matrix* influence);

// Open the data file at path for reading in binary mode, as fopen opens any
// name, or return null after saying "cannot open 'NAME': REASON" on
// diagnostics, name being what the user calls the file (its path, or the
// label given for it).
std::FILE* OpenDataFile(const char* path, const char* name, Diagnostics* diagnostics);

// Read file, open at its start, with reader: ReadHeader, then after_header
// (unless it is null: kelvarin prints the description and N there),
// CheckSize, then ReadMatrix into a new influence matrix. Return the first
// failure; reader keeps what was read. The caller closes file.
ReadFailure ReadGroup(Reader* reader, std::FILE* file, Matrix* influence,
                      void (*after_header)(const Reader& reader) = nullptr);

// Read the data file at path as a companion program reads it: open it ("-"
// is standard input, a FIFO that nothing writes to reads as empty at once
// instead of waiting for a writer, a device or a socket is refused, each
// said on reader->diagnostics, which call it name), ReadGroup, and close it.
ReadFailure ReadDataFile(const char* path, const char* name, Reader* reader, Matrix* influence);

// Read the data file whose bytes are bytes as ReadDataFile reads a file,
// name being what reader->diagnostics call it: the diagnostics, the failure
// and what reader keeps are those of a file that holds them.
ReadFailure ReadGroupFromBytes(std::string_view bytes, const char* name, Reader* reader,
                               Matrix* influence);

#endif  // KELVARIN_READER_READER_H_
