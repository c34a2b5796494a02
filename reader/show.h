// Showing a place of a data file in a diagnostic: the text there, quoted,
// and the data line with a caret under the place's column, from the bytes
// that the source keeps.
#ifndef KELVARIN_READER_SHOW_H_
#define KELVARIN_READER_SHOW_H_

#include <string>

#include "reader/reading.h"
#include "text/utf8.h"

// Quoted data is cut after this many bytes of the file.
constexpr int kQuotedBytes = 24;
// A data line shown under a diagnostic: bytes before and after the column.
constexpr long long kShownBefore = 60;
constexpr long long kShownAfter = 40;
// Room for a quoted or shown piece of the file after escaping.
constexpr int kTextCapacity = 4 * (kShownBefore + kShownAfter) + 8;

// The longest UTF-8 character, in bytes.
constexpr int kLongestUtf8 = 4;

// The source keeps what a diagnostic shows of a place it holds on to.
static_assert(kKeptBefore >= kShownBefore &&
              kKeptAfter >= kMaxDescriptionLength + kShownAfter + kLongestUtf8);

// Return where the whole characters of bytes[start, count) that end within
// the first limit bytes end: a cut there splits no UTF-8 character. A byte
// that begins no valid character is one character, as Escape shows it.
long long CharacterEnd(const char* bytes, long long start, long long count, long long limit);

// Return the text of the file from place up to white space, cut between
// characters after kQuotedBytes, escaped and in quotes; "end of file" at the
// end.
std::string Quoted(Source* source, const Place& place);

// Say text about place of the reader's file, with the line and a caret.
// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAt(Reader* reader, const Place& place, Severity severity, const char* format, ...)
    KELVARIN_PRINTF_FORMAT(4, 5);

#endif  // KELVARIN_READER_SHOW_H_
