// The lines that hold a data file's values, counted as the values are read,
// and the warning when they look like rows but are not read as rows.
#ifndef KELVARIN_READER_ROWS_H_
#define KELVARIN_READER_ROWS_H_

#include "matrix/matrix.h"
#include "reader/reading.h"

// A line of the file that holds values, with where its first value stands.
struct ValueLine {
  Place first;
  long long count = 0;
};

// The lines that hold the values of the matrix while there are at most N of
// them. Values come in line order, so a value begins a new line exactly when
// its line is not the line of the value before it.
struct ValueLines {
  long long count = 0;  // N + 1 once more than N lines hold values
  ValueLine line[kMaxPlayers];
};

// Begin the count of the values on a line other than the line of the
// value before, whose first value begins at place, for N = n.
void BeginValueLine(ValueLines* lines, const Place& place, long long n);

// Count values values on one line, the first of which begins at place,
// for N = n.
inline void CountValueLine(ValueLines* lines, const Place& place, long long n,
                           long long values = 1) {
  if (lines->count == 0 || lines->count > n ||
      place.line != lines->line[lines->count - 1].first.line) {
    BeginValueLine(lines, place, n);
  }
  if (lines->count <= n) {
    lines->line[lines->count - 1].count += values;
  }
}

// Warn when the N times N values stand on N lines but not N to a line: the
// lines look like rows, but the values are read N to a row whatever the
// lines. A matrix that ends inside a line, before more text on it, is left to
// the look after the matrix, since its lines were not written as its rows.
void CheckRows(Reader* reader, const ValueLines& lines);

#endif  // KELVARIN_READER_ROWS_H_
