// The project's conversions between numbers and text. Each writes or reads
// exactly as the C++ library's std::to_chars and std::from_chars do in the
// C locale; where the library has no floating-point std::to_chars or
// std::from_chars (Emscripten's libc++), they are fast_float's reading and
// {fmt}'s digits, which give the same values and text.
#ifndef KELVARIN_NUMBERS_NUMBERS_H_
#define KELVARIN_NUMBERS_NUMBERS_H_

#include <charconv>

namespace numbers {

// The forms of std::chars_format: scientific ("1.5e+01"), fixed ("15.0")
// and general (printf's %g).
enum class Form { kScientific, kFixed, kGeneral };

// Write value into [first, last) as std::to_chars(first, last, value) does:
// the shortest digits that read back to value, in fixed or scientific
// notation, whichever is shorter (fixed on a tie). No NUL is written. When it
// does not fit, returns {last, std::errc::value_too_large}.
std::to_chars_result ToChars(char* first, char* last, double value);

// As std::to_chars(first, last, value, form): the shortest digits that read
// back to value, in form.
std::to_chars_result ToChars(char* first, char* last, double value, Form form);

// As std::to_chars(first, last, value, form, precision), which writes as
// printf's %.*e, %.*f or %.*g: correctly rounded, ties to even. precision is
// not negative.
std::to_chars_result ToChars(char* first, char* last, double value, Form form, int precision);

// Read a number from [first, last) as std::from_chars(first, last, value)
// does: an optional minus sign, then decimal digits with an optional point
// and exponent, or "inf", "infinity", "nan" or "nan(...)" in any case; no
// blanks, plus sign or hexadecimal. The value is correctly rounded. Text
// beyond the range of the type gives std::errc::result_out_of_range, text
// that is no number std::errc::invalid_argument; either leaves *value as it
// was.
std::from_chars_result FromChars(const char* first, const char* last, double* value);
std::from_chars_result FromChars(const char* first, const char* last, float* value);

// The conversions over fast_float and {fmt}, always there. Where the C++
// library has its own, the functions above are those, and a test compares
// the two.
namespace portable {
std::to_chars_result ToChars(char* first, char* last, double value);
std::to_chars_result ToChars(char* first, char* last, double value, Form form);
std::to_chars_result ToChars(char* first, char* last, double value, Form form, int precision);
std::from_chars_result FromChars(const char* first, const char* last, double* value);
std::from_chars_result FromChars(const char* first, const char* last, float* value);
}  // namespace portable

}  // namespace numbers

#endif  // KELVARIN_NUMBERS_NUMBERS_H_
