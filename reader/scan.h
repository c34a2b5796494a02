// Readers of the data file's three kinds of item: the description line, the
// number of players and the influence values. Each reads one item from the
// current position of a source and leaves the source just after it, and
// returns true when it read one.
#ifndef KELVARIN_READER_SCAN_H_
#define KELVARIN_READER_SCAN_H_

#include <string_view>

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

// The significant digits of a decimal number as they are read, held as
// 0.d1 d2 d3 ... times 10 to the power point. Digits beyond kKeptDigits need
// not be kept: a value halfway between two floats has fewer significant
// digits than this, so the first ones and whether any later one is non-zero
// decide the correctly rounded float. A number of any length is read in
// this memory.
constexpr int kKeptDigits = 200;
struct Significand {
  char digits[kKeptDigits];
  int kept = 0;
  bool dropped_non_zero = false;
  long long point = 0;
};

// A decimal number as its bytes are taken, which may come in pieces: a sign,
// digits with an optional point, and an exponent, or for a whole number a
// sign and digits only. Its significand and exponent are kept only when
// keep is set: a number that stands whole in the bytes held is converted
// from its own text.
struct Number {
  enum class Part { kSign, kInteger, kFraction, kExponentSign, kExponent, kEnd };
  Part part = Part::kSign;
  bool whole = false;  // a whole number: no point, no exponent
  bool keep = false;   // keep the significand and the exponent
  bool negative = false;
  Significand significand;
  long long mantissa_digits = 0;
  bool has_point = false;
  bool has_exponent = false;  // an "e" after digits
  bool exponent_negative = false;
  bool has_exponent_digits = false;
  long long exponent = 0;  // saturated far beyond any power that matters
};

// Take the bytes of number from the front of *in, as the longest run that is
// or begins a number, and move *in on past them. Return true when number
// ended before the end of *in (at in->front()), false when *in ran out first
// and the bytes after it may go on with the number.
bool ConsumeNumber(std::string_view* in, Number* number);

// Read a decimal integer as "%d" does: skip white space, then an optional
// sign and digits. Store the value, saturated at the 64-bit limits, and
// whether it fits them unsaturated in fits, and return true; return false
// when there are no digits.
bool ReadInteger(Source* source, long long* value, bool* fits);

// Read a decimal number as "%f " does into a float: skip white space, take
// the longest run that is or begins a decimal number (sign, digits with an
// optional point, exponent), convert it correctly rounded, then skip the
// white space after it. Return false when that run is not a whole number,
// when the value is not finite, or for a hexadecimal number. text, when not
// null, receives where the number began and what was odd about it. The
// source holds on to where it began while it is read.
bool ReadValue(Source* source, float* value, ValueText* text = nullptr);

#endif  // KELVARIN_READER_SCAN_H_
