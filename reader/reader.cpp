#include "reader/reader.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Quoted data is cut after this many bytes of the file.
constexpr int kQuotedBytes = 24;
// A data line shown under a diagnostic: bytes before and after the column.
constexpr long long kShownBefore = 60;
constexpr long long kShownAfter = 40;
// Room for a quoted or shown piece of the file after escaping.
constexpr int kTextCapacity = 4 * (kShownBefore + kShownAfter) + 8;

// Numbers in the data file are decimal.
constexpr int kRadix = 10;

// Characters that people put into numbers or between them by mistake, and
// the byte-order marks that begin UTF-16 text, as bytes.
constexpr const char* kMinusSign = "\xe2\x88\x92";           // U+2212
constexpr const char* kEnDash = "\xe2\x80\x93";              // U+2013
constexpr const char* kEmDash = "\xe2\x80\x94";              // U+2014
constexpr const char* kNoBreakSpace = "\xc2\xa0";            // U+00A0
constexpr const char* kNarrowNoBreakSpace = "\xe2\x80\xaf";  // U+202F
constexpr const char* kByteOrderMarkLittle = "\xff\xfe";
constexpr const char* kByteOrderMarkBig = "\xfe\xff";
// The longest UTF-8 character, in bytes.
constexpr int kLongestUtf8 = 4;

bool StartsWith(const char* text, const char* start) {
  return std::strncmp(text, start, std::strlen(start)) == 0;
}

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Read up to capacity bytes of the file from offset, stopping before a line
// feed (and before white space when word is true), and leave the file where
// it was. Return the count read, or -1 when the file cannot seek (a pipe).
long long Peek(Source* source, long long offset, bool word, char* bytes, long long capacity) {
  std::FILE* file = source->file;
  const long position = std::ftell(file);
  if (position < 0 || std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0) {
    std::clearerr(file);
    return -1;
  }
  long long count = 0;
  for (int c = std::getc(file); c != EOF && c != '\n' && count < capacity; c = std::getc(file)) {
    if (word && IsSpace(c)) {
      break;
    }
    bytes[count++] = static_cast<char>(c);
  }
  std::clearerr(file);
  (void)std::fseek(file, position, SEEK_SET);
  return count;
}

// Return where the whole characters of bytes[start, count) that end within
// the first limit bytes end: a cut there splits no UTF-8 character. A byte
// that begins no valid character is one character, as Escape shows it.
long long CharacterEnd(const char* bytes, long long start, long long count, long long limit) {
  const auto* text = reinterpret_cast<const unsigned char*>(bytes);
  long long end = start;
  while (end < count) {
    const size_t size = CharacterLength(text + end, static_cast<size_t>(count - end));
    const long long step = size == 0 ? 1 : static_cast<long long>(size);
    if (end + step > limit) {
      break;
    }
    end += step;
  }
  return end;
}

// Write into quoted the text of the file from place up to white space, cut
// between characters after at most kQuotedBytes, escaped and in quotes;
// "end of file" at the end. Return false, with fallback in quoted, when the
// file cannot be read again there (a pipe).
bool Quote(Source* source, const Place& place, char* quoted, const char* fallback) {
  // The bytes of a character that begins within kQuotedBytes are all read.
  char bytes[kQuotedBytes + kLongestUtf8];
  const long long count = Peek(source, place.offset, true, bytes, sizeof bytes);
  if (count == 0) {
    (void)std::snprintf(quoted, kTextCapacity, "end of file");
    return true;
  }
  if (count < 0) {
    (void)std::snprintf(quoted, kTextCapacity, "%s", fallback);
    return false;
  }
  const long long end = CharacterEnd(bytes, 0, count, kQuotedBytes);
  char escaped[4 * kQuotedBytes + 1];
  Escape(bytes, static_cast<size_t>(end), escaped, sizeof escaped);
  (void)std::snprintf(quoted, kTextCapacity, "'%s%s'", escaped, end < count ? "..." : "");
  return true;
}

// Write into extra the data line of place and a caret under its column, each
// line beginning with a blank; the empty string when the line cannot be read
// again. A long line is shown in part, cut between characters, with "..."
// where it is cut. The caret counts characters as they are shown: one column
// for a character, four for a byte shown as \xHH, a tab for a tab.
void ShowLine(Source* source, const Place& place, char* extra, size_t capacity) {
  extra[0] = '\0';
  const long long column = place.column - 1;
  const long long from = column > kShownBefore ? column - kShownBefore : 0;
  // The bytes of a character that begins within the shown bytes are all
  // read, and one more tells whether the line goes on.
  constexpr long long kShownBytes = kShownBefore + kShownAfter;
  char bytes[kShownBytes + kLongestUtf8];
  long long count = Peek(source, place.line_offset + from, false, bytes, sizeof bytes);
  if (count < 0) {
    return;
  }
  const bool whole_line = count < static_cast<long long>(sizeof bytes);
  while (whole_line && count > 0 && (bytes[count - 1] == '\r')) {
    --count;
  }
  const long long before = column - from < count ? column - from : count;
  // A cut inside a character moves the start past its continuation bytes.
  long long start = 0;
  while (from > 0 && start < before && start < kLongestUtf8 - 1 && IsContinuation(bytes[start])) {
    ++start;
  }
  const long long end = CharacterEnd(bytes, start, count, kShownBytes);
  // The caret stands under the character that holds the column.
  const long long lead_end = CharacterEnd(bytes, start, count, before);
  char shown[kTextCapacity];
  char lead[kTextCapacity];
  Escape(bytes + start, static_cast<size_t>(end - start), shown, sizeof shown, true);
  const size_t lead_length =
      Escape(bytes + start, static_cast<size_t>(lead_end - start), lead, sizeof lead, true);
  // A blank for each character shown before the caret, a tab for a tab.
  char caret[kTextCapacity];
  size_t width = 0;
  for (size_t i = 0; i < lead_length; ++i) {
    if (!IsContinuation(lead[i])) {
      caret[width++] = lead[i] == '\t' ? '\t' : ' ';
    }
  }
  caret[width] = '\0';
  const char* dots = from > 0 ? "..." : "";
  (void)std::snprintf(extra, capacity, " %s%s%s\n %s%s^\n", dots, shown, end < count ? "..." : "",
                      from > 0 ? "   " : "", caret);
}

// Say text about place of the reader's file, with the line and a caret.
// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAt(Reader* reader, const Place& place, Severity severity, const char* format, ...)
    KELVARIN_PRINTF_FORMAT(4, 5);

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-like, its format checked by the compiler
void SayAt(Reader* reader, const Place& place, Severity severity, const char* format, ...) {
  char text[kDiagnosticCapacity];
  va_list arguments;
  va_start(arguments, format);
  (void)std::vsnprintf(text, sizeof text, format, arguments);
  va_end(arguments);
  char place_text[kDiagnosticCapacity];
  (void)std::snprintf(place_text, sizeof place_text, ":%lld:%lld", place.line, place.column);
  char extra[3 * kTextCapacity];
  ShowLine(&reader->source, place, extra, sizeof extra);
  // The name is never cut: an editor opens the file it names.
  Say(reader->diagnostics, Escaped(reader->name) + place_text, severity, text, extra);
}

// The hint for a '#' where a number should be: a comment line, as numpy's
// savetxt writes its header.
constexpr const char* kCommentHint =
    "a comment line? The data file has no comments: numpy's savetxt writes '# ' before its "
    "header unless given comments=''";

// The hint for a file that holds NUL bytes.
constexpr const char* kUtf16Hint =
    "the file holds NUL bytes, as UTF-16 text does (Notepad's \"Unicode\"): save it as "
    "UTF-8 or ANSI text";

// Count the numbers that stand as whole words from the source's position
// on, up to the first word that is not a number, and set first to where the
// first of them begins.
long long CountNumbers(Source* source, Place* first) {
  long long count = 0;
  float value = 0.0F;
  ValueText text;
  while (ReadValue(source, &value, &text) && (text.next == EOF || IsSpace(text.next))) {
    if (count++ == 0) {
      *first = text.start;
    }
  }
  return count;
}

// Return k when count is k times k for k from kMinPlayers to kMaxPlayers,
// otherwise 0.
long long SquareRoot(long long count) {
  for (long long k = kMinPlayers; k <= kMaxPlayers; ++k) {
    if (k * k == count) {
      return k;
    }
  }
  return 0;
}

// Return the number that the description is when it is only a whole number
// from kMinPlayers to kMaxPlayers (blanks around it aside), otherwise 0.
long long DescriptionAsSize(const char* description) {
  const char* c = description;
  while (*c == ' ' || *c == '\t') {
    ++c;
  }
  long long value = 0;
  int digits = 0;
  constexpr int kMostDigits = 2;  // kMaxPlayers has two
  for (; IsDigit(*c) && digits <= kMostDigits; ++c, ++digits) {
    value = value * kRadix + (*c - '0');
  }
  while (*c == ' ' || *c == '\t') {
    ++c;
  }
  return digits > 0 && *c == '\0' && value >= kMinPlayers && value <= kMaxPlayers ? value : 0;
}

// Say, as note or warning, that the description looks like N when the
// numbers after it (count) would fill an N-by-N matrix of that size.
void CheckMissingDescription(Reader* reader, long long count, Severity severity) {
  const long long k = DescriptionAsSize(reader->description);
  if (k != 0 && count == k * k) {
    SayAt(reader, Place(), severity,
          "the first line, '%s', looks like the number of players, and %lld numbers follow "
          "it: is the description line missing? The first line is always the description",
          reader->description, count);
  }
}

// Say why the description line did not fit: its length, a missing line end,
// CR-only line ends, NUL bytes or UTF-16. bytes is what was read of it.
void ExplainLongDescription(Reader* reader, const char* bytes) {
  Source* source = &reader->source;
  if (StartsWith(bytes, kByteOrderMarkLittle) || StartsWith(bytes, kByteOrderMarkBig)) {
    SayAt(reader, Place(), Severity::kError,
          "the file is UTF-16 text (it begins with a byte-order mark), as Notepad saves "
          "\"Unicode\": save it as UTF-8 or ANSI text");
    return;
  }
  const auto length = static_cast<long long>(std::strlen(bytes));
  if (length <= kMaxDescriptionLength && source->nul_bytes > 0) {
    Place place;
    place.column = length + 1;
    SayAt(reader, place, Severity::kError, "a NUL byte in the description; %s", kUtf16Hint);
    return;
  }
  // Read on to the line's end, counting as the description counts.
  Place lone_cr;
  bool saw_lone_cr = false;
  long long count = 0;
  for (const char* b = bytes; *b != '\0'; ++b, ++count) {
    if (*b == '\r' && !saw_lone_cr) {
      saw_lone_cr = true;
      lone_cr.column = count + 1;
    }
  }
  int c = Next(source);
  for (; c != EOF && c != '\n'; c = Next(source)) {
    if (c == '\r') {
      const int next = Next(source);
      if (next == '\n') {
        break;
      }
      Back(source, next);
      if (!saw_lone_cr) {
        saw_lone_cr = true;
        lone_cr = Previous(*source);
      }
    }
    ++count;
  }
  if (c == EOF && saw_lone_cr) {
    SayAt(reader, lone_cr, Severity::kError,
          "the lines end with a carriage return alone (CR, as on old Macs): lines must end with "
          "a line feed (LF or CR LF)");
  } else if (c == EOF && count <= kMaxDescriptionLength) {
    SayAt(reader, Here(*source), Severity::kError,
          "the file has no line end: the description must be a line of its own, followed by "
          "the number of players and the values");
  } else {
    Place place;
    place.column = kMaxDescriptionLength + 1;
    SayAt(reader, place, Severity::kError,
          "the description is %lld bytes long; it may have at most %d", count,
          kMaxDescriptionLength);
  }
}

// Return true when the word at bytes (count bytes) holds a decimal point
// after its first byte and before a second comma.
bool PointAfterComma(const char* bytes, long long count) {
  for (long long i = 1; i < count && bytes[i] != ','; ++i) {
    if (bytes[i] == '.') {
      return true;
    }
  }
  return false;
}

// Return the hint for text that begins with a character that people type
// into numbers or between them, or null. bytes is the text's word, count
// bytes of it; after_point is true when a number written with a decimal
// point stands right before it.
const char* CharacterHint(const char* bytes, long long count, bool after_point) {
  const char c = bytes[0];
  // A comma between numbers that have decimal points separates them.
  if (c == ',' && count > 1 && IsDigit(bytes[1]) && !after_point &&
      !PointAfterComma(bytes, count)) {
    return "a decimal comma? Values are written with a decimal point (0.5) and separated by "
           "white space";
  }
  if (c == ',') {
    return "values are separated by white space, not by ','";
  }
  if (c == ';') {
    return "values are separated by white space, not by ';'";
  }
  if (c == '#') {
    return kCommentHint;
  }
  if (c == '%') {
    return "a percent sign: write a value as a number (50% as 0.5)";
  }
  if (StartsWith(bytes, kMinusSign)) {
    return "a Unicode minus sign (U+2212): write the minus as '-'";
  }
  if (StartsWith(bytes, kEnDash) || StartsWith(bytes, kEmDash)) {
    return "a dash: write the minus as '-'";
  }
  if (StartsWith(bytes, kNoBreakSpace) || StartsWith(bytes, kNarrowNoBreakSpace)) {
    return "a no-break space: separate values with blanks, tabs or line ends";
  }
  return nullptr;
}

// Return the hint for a number that was read but is no value, or null.
const char* NumberHint(ValueIssue issue) {
  switch (issue) {
    case ValueIssue::kOutOfRange:
      return "it is beyond the range of single precision (about 3.4e38)";
    case ValueIssue::kHexadecimal:
      return "hexadecimal numbers are not read: write the value in decimal";
    case ValueIssue::kNoExponentDigits:
      return "its exponent has no digits";
    default:
      return nullptr;
  }
}

// Write into hint why the text of a value at column (0-based) of its row is
// no value, where the cause is plain; the empty string otherwise. last is
// what was read of the value before it.
void ValueHint(Reader* reader, const ValueText& text, const ValueText& last, long long column,
               char* hint, size_t capacity) {
  char bytes[kQuotedBytes + 1] = "";
  const long long count = Peek(&reader->source, text.start.offset, true, bytes, kQuotedBytes);
  const char* said = reader->source.nul_bytes > 0 ? kUtf16Hint : nullptr;
  if (said == nullptr && count > 0) {
    said = CharacterHint(bytes, count, last.has_point && last.next == ',');
  }
  if (said == nullptr) {
    said = NumberHint(text.issue);
  }
  if (said == nullptr && count > 2 && std::strchr("iInN", bytes[0]) != nullptr) {
    said = "values are finite decimal numbers";
  }
  if (said == nullptr && IsLetter(bytes[0]) && column == 0) {
    said =
        "a header row or a row name? The values are numbers only; names belong in the "
        "description";
  }
  (void)std::snprintf(hint, capacity, "%s%s", said != nullptr ? ": " : "",
                      said != nullptr ? said : "");
}

// Say why the value at row i, column j (0-based) could not be read; last is
// what was read of the value before it.
void ExplainBadValue(Reader* reader, const ValueText& text, const ValueText& last, long long i,
                     long long j) {
  Source* source = &reader->source;
  const long long n = reader->size;
  char hint[kDiagnosticCapacity];
  ValueHint(reader, text, last, j, hint, sizeof hint);
  if (text.start.offset == source->offset && Next(source) == EOF) {
    const long long k = SquareRoot(reader->values);
    if (k != 0 && hint[0] == '\0') {
      (void)std::snprintf(hint, sizeof hint, ", which N = %lld would fit", k);
    }
    SayAt(reader, text.start, Severity::kError,
          "the file ends after %lld of the %lld values of a %lld-by-%lld matrix: expected value "
          "%lld of row %lld%s",
          reader->values, n * n, n, n, j + 1, i + 1, hint);
    return;
  }
  char quoted[kTextCapacity];
  const bool quotable = Quote(source, text.start, quoted, "text that begins no number");
  // Text glued to the value before it is shown as the whole word.
  char word[kTextCapacity + sizeof ", part of "] = "";
  if (quotable && reader->values > 0 && last.next != EOF && !IsSpace(last.next)) {
    char whole[kTextCapacity];
    Quote(source, last.start, whole, "");
    (void)std::snprintf(word, sizeof word, ", part of %s", whole);
  }
  SayAt(reader, text.start, Severity::kError, "expected value %lld of row %lld, found %s%s%s",
        j + 1, i + 1, quoted, word, hint);
}

// Warn of a value at row i, column j (0-based) that was read, but surely not
// as meant: one that became zero, or one run together with the next.
void CheckValue(Reader* reader, const ValueText& text, long long i, long long j) {
  if (text.issue == ValueIssue::kUnderflow) {
    char quoted[kTextCapacity];
    Quote(&reader->source, text.start, quoted, "a value");
    SayAt(reader, text.start, Severity::kWarning,
          "%s is closer to zero than single precision reaches (about 1.4e-45) and is read as 0",
          quoted);
  }
  const int next = text.next;
  if (next == '.' || next == '+' || next == '-' || IsDigit(next)) {
    char quoted[kTextCapacity];
    Quote(&reader->source, text.start, quoted, "a word");
    SayAt(reader, text.start, Severity::kWarning,
          "no blank between two numbers in %s: it is read as value %lld of row %lld and the "
          "number after it",
          quoted, j + 1, i + 1);
  }
}

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

// Count the value that begins at place on its line, for N = n.
void CountValueLine(ValueLines* lines, const Place& place, long long n) {
  if (lines->count > n) {
    return;
  }
  if (lines->count == 0 || place.line != lines->line[lines->count - 1].first.line) {
    if (lines->count == n) {
      lines->count = n + 1;
      return;
    }
    lines->line[lines->count].first = place;
    lines->line[lines->count].count = 0;
    ++lines->count;
  }
  ++lines->line[lines->count - 1].count;
}

// The lines named one by one in the warning below; more are counted.
constexpr long long kLinesNamed = 3;

// Write into said the lines from first on that do not hold n values, differ
// of them: "line 4 holds 2, line 5 holds 4 and line 6 holds 3", or the first
// kLinesNamed of them named and the others counted.
void NameLines(const ValueLines& lines, long long first, long long differ, long long n, char* said,
               size_t capacity) {
  said[0] = '\0';
  size_t length = 0;
  long long named = 0;
  for (long long k = first; k < n && named < kLinesNamed; ++k) {
    if (lines.line[k].count == n) {
      continue;
    }
    const char* joint = ", ";
    if (named == 0) {
      joint = "";
    } else if (named == differ - 1) {
      joint = " and ";
    }
    (void)std::snprintf(said + length, capacity - length, "%sline %lld holds %lld", joint,
                        lines.line[k].first.line, lines.line[k].count);
    length += std::strlen(said + length);
    ++named;
  }
  if (differ > named) {
    (void)std::snprintf(said + length, capacity - length, " and %lld more line%s", differ - named,
                        differ - named == 1 ? "" : "s");
  }
}

// Write into said which row the first line that does not hold n values
// (first) throws out of step. The rows before it each fill a line. The next
// row ends on a later line when that line holds fewer than N values;
// otherwise the row after it begins within that line.
void NameRow(const ValueLines& lines, long long first, long long n, char* said, size_t capacity) {
  const ValueLine& line = lines.line[first];
  if (line.count > n) {
    (void)std::snprintf(said, capacity, "so row %lld begins within line %lld", first + 2,
                        line.first.line);
    return;
  }
  long long k = first;
  for (long long held = line.count; held < n;) {
    held += lines.line[++k].count;
  }
  (void)std::snprintf(said, capacity, "so row %lld ends on line %lld", first + 1,
                      lines.line[k].first.line);
}

// Warn when the N times N values stand on N lines but not N to a line: the
// lines look like rows, but the values are read N to a row whatever the
// lines. A matrix that ends inside a line, before more text on it, is left to
// the look after the matrix, since its lines were not written as its rows.
void CheckRows(Reader* reader, const ValueLines& lines) {
  const long long n = reader->size;
  Source* source = &reader->source;
  const int next = Next(source);
  Back(source, next);
  if (lines.count != n || (next != EOF && Here(*source).line == lines.line[n - 1].first.line)) {
    return;
  }
  long long first = -1;  // the first line that does not hold N values
  long long differ = 0;  // the lines that do not hold N values
  for (long long k = n - 1; k >= 0; --k) {
    if (lines.line[k].count != n) {
      first = k;
      ++differ;
    }
  }
  if (differ == 0) {
    return;
  }
  char named[kDiagnosticCapacity];
  NameLines(lines, first, differ, n, named, sizeof named);
  char row[kDiagnosticCapacity];
  NameRow(lines, first, n, row, sizeof row);
  SayAt(reader, lines.line[first].first, Severity::kWarning,
        "the %lld values stand on %lld lines, but not %lld to a line: %s; values are read in "
        "order, %lld to a row, %s",
        n * n, n, n, named, n, row);
}

// Warn of numbers after the values, which are not read as data: a sign that
// N or the matrix is not what the file meant.
void CheckAfterMatrix(Reader* reader) {
  const long long n = reader->size;
  Place after;
  const long long extra = CountNumbers(&reader->source, &after);
  if (extra > 0) {
    const long long held = n * n + extra;
    const long long k = SquareRoot(held);
    char fits[kDiagnosticCapacity] = "";
    if (k != 0) {
      (void)std::snprintf(fits, sizeof fits, ", which N = %lld would fit", k);
    }
    SayAt(reader, after, Severity::kWarning,
          "%lld more number%s after the %lld values of the %lld-by-%lld matrix, ignored: the file "
          "holds %lld values%s",
          extra, extra == 1 ? "" : "s", n * n, n, n, held, fits);
  }
  CheckMissingDescription(reader, 1 + n * n + extra, Severity::kWarning);
}

// Return the hint for text that begins with byte c where N should be, or
// null.
const char* SizeHint(const Source& source, int c) {
  if (source.nul_bytes > 0) {
    return kUtf16Hint;
  }
  return c == '#' ? kCommentHint : nullptr;
}

}  // namespace

void FailureMessage(ReadFailure failure, char message[kFailureMessageCapacity]) {
  switch (failure) {
    case ReadFailure::kNone:
      message[0] = '\0';
      return;
    case ReadFailure::kNotFound:
      (void)std::snprintf(message, kFailureMessageCapacity, "Data file not found:");
      return;
    case ReadFailure::kNoMemory:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Out of memory for the matrices and vectors.");
      return;
    case ReadFailure::kDescription:
      (void)std::snprintf(message, kFailureMessageCapacity, "Error reading data description.");
      return;
    case ReadFailure::kDescriptionLength:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Max description length exceeded:  max = %d.", kMaxDescriptionLength);
      return;
    case ReadFailure::kSize:
      (void)std::snprintf(message, kFailureMessageCapacity, "Error reading in matrix size.");
      return;
    case ReadFailure::kSizeBounds:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Size of matrix out of bounds.  N must be between %lld and %lld",
                          kMinPlayers, kMaxPlayers);
      return;
    case ReadFailure::kValues:
      (void)std::snprintf(message, kFailureMessageCapacity,
                          "Error reading in matrix.  Check size and values.");
      return;
  }
}

const char* SystemReason(int error) {
  switch (error) {
    case 0:
      return "the system gave no reason";
    case ENOENT:
      return "no such file";
    case EACCES:
      return "permission denied";
    case EISDIR:
      return "it is a directory";
    case ENOMEM:
      return "out of memory";
    case EMFILE:
    case ENFILE:
      return "too many open files";
    default:
      return std::strerror(error);
  }
}

ReadFailure ReadHeader(Reader* reader) {
  Source* source = &reader->source;
  char* description = reader->description;
  if (!ReadLine(source, description, kDescriptionBufferSize)) {
    if (std::ferror(source->file) != 0) {
      SayAboutProgram(reader->diagnostics, Severity::kError, "cannot read '%s': %s",
                      Escaped(reader->name).c_str(), SystemReason(errno));
    } else {
      SayAt(reader, Place(), Severity::kError,
            "the file is empty: expected a description line, the number of players and the "
            "values");
    }
    return ReadFailure::kDescription;
  }
  // A line that fits the buffer ends in its line feed. A NUL byte ends the
  // string early, even as the line's first byte, and so fails this test too.
  const size_t length = std::strlen(description);
  if (length == 0 || description[length - 1] != '\n') {
    ExplainLongDescription(reader, description);
    return ReadFailure::kDescriptionLength;
  }
  description[length - 1] = '\0';
  reader->has_description = true;

  // N is read wider than an int, so that a value beyond 32 bits is reported
  // as written instead of wrapping into the accepted range.
  int c = Next(source);
  while (IsSpace(c)) {
    c = Next(source);
  }
  Back(source, c);
  reader->size_place = Here(*source);
  if (!ReadInteger(source, &reader->size)) {
    if (c == EOF) {
      SayAt(reader, Here(*source), Severity::kError,
            "the file ends after the description: expected the number of players");
    } else {
      char quoted[kTextCapacity];
      Quote(source, Here(*source), quoted, "other text");
      const char* hint = SizeHint(*source, c);
      SayAt(reader, Here(*source), Severity::kError,
            "expected the number of players, a whole number from %lld to %lld, but found %s%s%s",
            kMinPlayers, kMaxPlayers, quoted, hint != nullptr ? "; " : "",
            hint != nullptr ? hint : "");
    }
    return ReadFailure::kSize;
  }
  reader->has_size = true;
  // N is a whole number: a point or a comma right after it is read as the
  // first value, which shifts every value by one.
  const int next = Next(source);
  Back(source, next);
  if (next != EOF && !IsSpace(next)) {
    char quoted[kTextCapacity];
    Quote(source, reader->size_place, quoted, "its line");
    SayAt(reader, Here(*source), Severity::kWarning,
          "no blank after the number of players in %s: N is read as %lld, and what follows it "
          "as the first value",
          quoted, reader->size);
  }
  return ReadFailure::kNone;
}

ReadFailure CheckSize(Reader* reader) {
  if (reader->size >= kMinPlayers && reader->size <= kMaxPlayers) {
    return ReadFailure::kNone;
  }
  char quoted[kTextCapacity];
  char written[kTextCapacity];
  (void)std::snprintf(written, sizeof written, "%lld", reader->size);
  Quote(&reader->source, reader->size_place, quoted, written);
  SayAt(reader, reader->size_place, Severity::kError,
        "the number of players is %s; it must be from %lld to %lld", quoted, kMinPlayers,
        kMaxPlayers);
  Place after;
  const long long count = CountNumbers(&reader->source, &after);
  const long long k = SquareRoot(count);
  if (k != 0) {
    SayAt(reader, after, Severity::kNote, "%lld numbers follow it, which N = %lld would fit", count,
          k);
  }
  CheckMissingDescription(reader, count + 1, Severity::kNote);
  return ReadFailure::kSizeBounds;
}

ReadFailure ReadMatrix(Reader* reader, gsl_matrix* influence) {
  Source* source = &reader->source;
  const long long n = reader->size;
  ValueText last;  // what was read of the value before
  ValueLines lines;
  for (long long i = 0; i < n; ++i) {
    for (long long j = 0; j < n; ++j) {
      float value = 0.0F;
      ValueText text;
      if (!ReadValue(source, &value, &text)) {
        ExplainBadValue(reader, text, last, i, j);
        return ReadFailure::kValues;
      }
      gsl_matrix_set(influence, static_cast<size_t>(i), static_cast<size_t>(j),
                     static_cast<double>(value));
      ++reader->values;
      CheckValue(reader, text, i, j);
      CountValueLine(&lines, text.start, n);
      last = text;
    }
  }
  CheckRows(reader, lines);
  CheckAfterMatrix(reader);
  return ReadFailure::kNone;
}

std::FILE* OpenDataFile(const char* path, bool companion, Diagnostics* diagnostics) {
  if (companion && std::strcmp(path, "-") == 0) {
    return stdin;
  }
  errno = 0;
  std::FILE* file = nullptr;
#if defined(_WIN32)
  file = std::fopen(path, "rb");
#else
  if (!companion) {
    file = std::fopen(path, "rb");
  } else {
    // Opened without waiting: a FIFO's open would otherwise wait for a
    // writer that may never come. Once open, it is read as any file, and a
    // FIFO with no writer reads as empty.
    const int descriptor = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY);
    struct stat status = {};
    if (descriptor >= 0 && fstat(descriptor, &status) == 0 &&
        (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))) {
      (void)close(descriptor);
      SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': it is a device",
                      Escaped(path).c_str());
      return nullptr;
    }
    if (descriptor >= 0) {
      (void)fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
      file = fdopen(descriptor, "rb");
      if (file == nullptr) {
        (void)close(descriptor);
      }
    } else if (errno == ENXIO && stat(path, &status) == 0 && S_ISSOCK(status.st_mode)) {
      SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': it is a socket",
                      Escaped(path).c_str());
      return nullptr;
    }
  }
#endif
  if (file == nullptr) {
    SayAboutProgram(diagnostics, Severity::kError, "cannot open '%s': %s", Escaped(path).c_str(),
                    SystemReason(errno));
  }
  return file;
}

namespace {

// Read the description, N and the matrix from the open reader->source.
ReadFailure ReadOpenFile(Reader* reader, Matrix* influence) {
  ReadFailure failure = ReadHeader(reader);
  if (failure == ReadFailure::kNone) {
    failure = CheckSize(reader);
  }
  if (failure != ReadFailure::kNone) {
    return failure;
  }
  const int n = static_cast<int>(reader->size);
  *influence = Matrix(gsl_matrix_alloc(static_cast<size_t>(n), static_cast<size_t>(n)));
  if (!*influence) {
    return ReadFailure::kNoMemory;
  }
  return ReadMatrix(reader, influence->get());
}

}  // namespace

ReadFailure ReadDataFile(const char* path, Reader* reader, Matrix* influence) {
  reader->name = path;
  std::FILE* file = OpenDataFile(path, true, reader->diagnostics);
  if (file == nullptr) {
    return ReadFailure::kNotFound;
  }
  reader->source.file = file;
  const ReadFailure failure = ReadOpenFile(reader, influence);
  if (file != stdin) {
    (void)std::fclose(file);  // Opened for reading only: nothing to lose.
  }
  reader->source.file = nullptr;
  return failure;
}
