// Readers of the data file's three kinds of item: the description line, the
// number of players and the influence values. Each reads one item from the
// current position of an open file and leaves the file just after it.
#ifndef KELVARIN_APP_SCAN_H_
#define KELVARIN_APP_SCAN_H_

#include <cstdio>

// Read a line as fgets does into buffer: at most size - 1 bytes, stopping
// after the first line feed, NUL-terminated. A carriage return directly before
// a line feed belongs to the line end and is read as that line feed. Return
// false when nothing could be read (end of file at once, or a read error).
bool ReadLine(std::FILE* file, char* buffer, int size);

// Read a decimal integer as "%d" does: skip white space, then an optional
// sign and digits. Store the value, saturated at the 64-bit limits, and
// return true; return false when there are no digits.
bool ReadInteger(std::FILE* file, long long* value);

// Read a decimal number as "%f " does into a float: skip white space, take
// the longest run that is or begins a decimal number (sign, digits with an
// optional point, exponent), convert it correctly rounded, then skip the
// white space after it. Return false when that run is not a whole number,
// when the value is not finite, or for a hexadecimal number.
bool ReadValue(std::FILE* file, float* value);

#endif  // KELVARIN_APP_SCAN_H_
