// Hints for the mistakes people make in data files: pure functions of the
// text around a failure, which say what the text most likely meant.
#ifndef KELVARIN_READER_HINTS_H_
#define KELVARIN_READER_HINTS_H_

#include "reader/scan.h"

// The hint for a '#' where a number should be: a comment line, as numpy's
// savetxt writes its header.
constexpr const char* kCommentHint =
    "a comment line? The data file has no comments: numpy's savetxt writes '# ' before its "
    "header unless given comments=''";

// The hint for a file that holds NUL bytes.
constexpr const char* kUtf16Hint =
    "the file holds NUL bytes, as UTF-16 text does (Notepad's \"Unicode\"): save it as "
    "UTF-8 or ANSI text";

// Return true for an ASCII letter.
bool IsLetter(int c);

// Return true when bytes begin with a UTF-16 byte-order mark.
bool BeginsUtf16(const char* bytes);

// Return the N from kMinPlayers to kMaxPlayers whose N-by-N matrix holds
// count values, or 0 when there is none.
long long FittingSize(long long count);

// Return the number that the description is when it is only a whole number
// from kMinPlayers to kMaxPlayers (blanks around it aside), otherwise 0.
long long DescriptionAsSize(const char* description);

// Return the hint for text that begins with a character that people type
// into numbers or between them (count bytes of it at bytes), or null.
// after_point tells that the value before it had a decimal point, so that a
// comma there separates values rather than being a decimal comma.
const char* CharacterHint(const char* bytes, long long count, bool after_point);

// Return the hint for a number that was read but is no value, or null.
const char* NumberHint(ValueIssue issue);

#endif  // KELVARIN_READER_HINTS_H_
