// Readers of the data file's three kinds of item: the description line, the
// number of players and the influence values. Each reads one item from the
// current position of a source and leaves the source just after it, and
// returns true when it read one.
#ifndef KELVARIN_READER_SCAN_H_
#define KELVARIN_READER_SCAN_H_

#include "reader/source.h"

// Read a line as fgets does into buffer: at most size - 1 bytes, stopping
// after the first line feed, NUL-terminated. A carriage return directly before
// a line feed belongs to the line end and is read as that line feed. Return
// false when nothing could be read (end of file at once, or a read error).
bool ReadLine(Source* source, char* buffer, int size);

// Why a value was not read, or what is odd about one that was.
enum class ValueIssue {
  kNone,
  kNoNumber,          // no digits where a number should begin
  kNoExponentDigits,  // "1e", "1e+"
  kHexadecimal,       // "0x1p3"
  kOutOfRange,        // beyond the float range, or "inf" and "nan"
  kUnderflow,         // read, but a non-zero number became zero
};

// What ReadValue saw of the text it read.
struct ValueText {
  Place start;  // the first byte after the white space skipped
  ValueIssue issue = ValueIssue::kNone;
  int next = EOF;                  // the byte right after the number
  bool comma_after_point = false;  // a number with a decimal point, then a comma: "1.5,"
};

// Read a decimal integer as "%d" does: skip white space, then an optional
// sign and digits. Store the value, saturated at the 64-bit limits, and
// whether it fits them unsaturated in fits, and return true; return false
// when there are no digits.
bool ReadInteger(Source* source, long long* value, bool* fits);

// Read a decimal number as "%f " does into a float: skip white space, take
// the longest run that is or begins a decimal number (sign, digits with an
// optional point, exponent), convert it correctly rounded, then skip the
// white space after it. Return false when that run is not a whole number,
// when the value is not finite, or for a hexadecimal number. text receives
// where the number began and what was odd about it. The source holds on to
// where it began while it is read.
bool ReadValue(Source* source, float* value, ValueText* text);

// Read plain values, as ReadValue reads them, into values: at most count,
// all on the line of the first, each a number that needs no word of warning
// and that white space ends, held whole in the bytes at hand. Return how
// many were read, and leave the source after the white space that follows
// the last; first receives where the first began, and last what was read of
// the last, which the source holds on to. Any other value is left to
// ReadValue.
long long ReadPlainValues(Source* source, double* values, long long count, Place* first,
                          ValueText* last);

#endif  // KELVARIN_READER_SCAN_H_
