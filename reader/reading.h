// A data file being read: its bytes, its name, where its diagnostics go, and
// what has been read of it.
#ifndef KELVARIN_READER_READING_H_
#define KELVARIN_READER_READING_H_

#include "reader/source.h"
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
  bool size_fits = false;                         // N as written is size, not saturated
  Place size_place;                               // where N is written
  long long values = 0;                           // the values read into the matrix
};

#endif  // KELVARIN_READER_READING_H_
