// The three steps that read a data file, ReadHeader, CheckSize and
// ReadMatrix, with the checks that warn where a reading is surely not what
// the file meant and explain each failure.
#include "reader/reader.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>

#include "reader/hints.h"
#include "reader/rows.h"
#include "reader/show.h"
#include "text/utf8.h"

namespace {

// Count the numbers that stand as whole words from the source's position
// on, up to the first word that is not a number, and set first to where the
// first of them begins, which the source holds on to.
long long CountNumbers(Source* source, Place* first) {
  long long count = 0;
  float value = 0.0F;
  ValueText text;
  while (ReadValue(source, &value, &text) && (text.next == EOF || IsSpace(text.next))) {
    if (count++ == 0) {
      *first = text.start;
      source->held.push_back(first->offset);
    }
  }
  return count;
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
  if (BeginsUtf16(bytes)) {
    SayAt(reader, Place(), Severity::kError,
          "the file is UTF-16 text (it begins with a byte-order mark), as Notepad saves "
          "\"Unicode\": save it as UTF-8 or ANSI text");
    return;
  }
  const auto length = static_cast<long long>(std::strlen(bytes));
  if (length <= kMaxDescriptionLength && source->read_nul) {
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
        lone_cr = Here(*source);
        source->held.push_back(lone_cr.offset);
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

// Write into hint why the text of a value at column (0-based) of its row is
// no value, where the cause is plain; the empty string otherwise. last is
// what was read of the value before it.
void ValueHint(Reader* reader, const ValueText& text, const ValueText& last, long long column,
               char* hint, size_t capacity) {
  char bytes[kQuotedBytes + 1] = "";
  const auto count = static_cast<long long>(
      Peek(&reader->source, text.start.offset, true, kQuotedBytes).copy(bytes, kQuotedBytes));
  const char* said = reader->source.read_nul ? kUtf16Hint : nullptr;
  if (said == nullptr && count > 0) {
    said = CharacterHint(bytes, count, last.comma_after_point);
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
  if (text.start.offset == Here(*source).offset && Next(source) == EOF) {
    const long long k = FittingSize(reader->values);
    if (k != 0 && hint[0] == '\0') {
      (void)std::snprintf(hint, sizeof hint, ", which N = %lld would fit", k);
    }
    SayAt(reader, text.start, Severity::kError,
          "the file ends after %lld of the %lld values of a %lld-by-%lld matrix: expected value "
          "%lld of row %lld%s",
          reader->values, n * n, n, n, j + 1, i + 1, hint);
    return;
  }
  // Text glued to the value before it is shown as the whole word.
  std::string word;
  if (reader->values > 0 && last.next != EOF && !IsSpace(last.next)) {
    word = ", part of " + Quoted(source, last.start);
  }
  SayAt(reader, text.start, Severity::kError, "expected value %lld of row %lld, found %s%s%s",
        j + 1, i + 1, Quoted(source, text.start).c_str(), word.c_str(), hint);
}

// Warn of a value at row i, column j (0-based) that was read, but surely not
// as meant: one that became zero, or one run together with the next.
void CheckValue(Reader* reader, const ValueText& text, long long i, long long j) {
  if (text.issue == ValueIssue::kUnderflow) {
    SayAt(reader, text.start, Severity::kWarning,
          "%s is closer to zero than single precision reaches (about 1.4e-45) and is read as 0",
          Quoted(&reader->source, text.start).c_str());
  }
  const int next = text.next;
  if (next == '.' || next == '+' || next == '-' || IsDigit(next)) {
    SayAt(reader, text.start, Severity::kWarning,
          "no blank between two numbers in %s: it is read as value %lld of row %lld and the "
          "number after it",
          Quoted(&reader->source, text.start).c_str(), j + 1, i + 1);
  }
}

// Warn of numbers after the values, which are not read as data: a sign that
// N or the matrix is not what the file meant.
void CheckAfterMatrix(Reader* reader) {
  const long long n = reader->size;
  Place after;
  const long long extra = CountNumbers(&reader->source, &after);
  if (extra > 0) {
    const long long held = n * n + extra;
    const long long k = FittingSize(held);
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

// Say where the description is not UTF-8: its text is then shown as
// Windows-1252 (the table, the graph and the page show it so), which is a
// guess. The word that holds the first such byte is quoted as it is shown.
void CheckDescriptionText(Reader* reader) {
  const std::string_view description = reader->description;
  const size_t bad = NotUtf8At(description);
  if (bad == description.size()) {
    return;
  }
  size_t start = bad;
  while (start > 0 && !IsSpace(static_cast<unsigned char>(description[start - 1]))) {
    --start;
  }
  size_t end = bad;
  while (end < description.size() && !IsSpace(static_cast<unsigned char>(description[end]))) {
    ++end;
  }
  // Cut between characters after kQuotedBytes bytes of the file.
  const auto cut = static_cast<size_t>(
      CharacterEnd(description.data(), static_cast<long long>(start), static_cast<long long>(end),
                   static_cast<long long>(start) + kQuotedBytes));
  Place place;
  place.column = static_cast<long long>(bad) + 1;
  place.offset = static_cast<long long>(bad);
  SayAt(reader, place, Severity::kWarning,
        "the description is not UTF-8; it is read as Windows-1252: '%s%s'; if the file was "
        "written in another code page, save it as UTF-8",
        Escaped(AsUtf8(description.substr(start, cut - start))).c_str(), cut < end ? "..." : "");
}

// Return the hint for text that begins with byte c where N should be, or
// null.
const char* SizeHint(const Source& source, int c) {
  if (source.read_nul) {
    return kUtf16Hint;
  }
  return c == '#' ? kCommentHint : nullptr;
}

}  // namespace

ReadFailure ReadHeader(Reader* reader) {
  Source* source = &reader->source;
  // The first line is quoted up to the end.
  source->held.push_back(0);
  char* description = reader->description;
  if (!ReadLine(source, description, kDescriptionBufferSize)) {
    if (ReadFailed(*source)) {
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
  CheckDescriptionText(reader);

  // N is read wider than an int, so that a value beyond 32 bits is reported
  // as written instead of wrapping into the accepted range.
  int c = Next(source);
  while (IsSpace(c)) {
    c = Next(source);
  }
  Back(source, c);
  reader->size_place = Here(*source);
  source->held.push_back(reader->size_place.offset);
  if (!ReadInteger(source, &reader->size, &reader->size_fits)) {
    if (c == EOF) {
      SayAt(reader, Here(*source), Severity::kError,
            "the file ends after the description: expected the number of players");
    } else {
      const char* hint = SizeHint(*source, c);
      SayAt(reader, Here(*source), Severity::kError,
            "expected the number of players, a whole number from %lld to %lld, but found %s%s%s",
            kMinPlayers, kMaxPlayers, Quoted(source, Here(*source)).c_str(),
            hint != nullptr ? "; " : "", hint != nullptr ? hint : "");
    }
    return ReadFailure::kSize;
  }
  reader->has_size = true;
  // N is a whole number: a point or a comma right after it is read as the
  // first value, which shifts every value by one.
  const int next = Next(source);
  Back(source, next);
  if (next != EOF && !IsSpace(next)) {
    SayAt(reader, Here(*source), Severity::kWarning,
          "no blank after the number of players in %s: N is read as %lld, and what follows it "
          "as the first value",
          Quoted(source, reader->size_place).c_str(), reader->size);
  }
  return ReadFailure::kNone;
}

ReadFailure CheckSize(Reader* reader) {
  if (reader->size >= kMinPlayers && reader->size <= kMaxPlayers) {
    return ReadFailure::kNone;
  }
  SayAt(reader, reader->size_place, Severity::kError,
        "the number of players is %s; it must be from %lld to %lld",
        Quoted(&reader->source, reader->size_place).c_str(), kMinPlayers, kMaxPlayers);
  Place after;
  const long long count = CountNumbers(&reader->source, &after);
  const long long k = FittingSize(count);
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
  ValueText text;  // what was read of the last value
  ValueText last;  // and of the value before it
  ValueLines lines;
  source->held.reserve(source->held.size() + static_cast<size_t>(2 * n * n + 1));
  for (long long i = 0; i < n; ++i) {
    double* const row = gsl_matrix_ptr(influence, static_cast<size_t>(i), 0);
    for (long long j = 0; j < n;) {
      // Plain values on one line are read as a run: none of them needs a
      // word, and the diagnostics of the next value and of the rows may
      // quote only the first, which the source holds on to, and the last.
      Place first;
      long long read = ReadPlainValues(source, row + j, n - j, &first, &text);
      if (read == 0) {
        float value = 0.0F;
        if (!ReadValue(source, &value, &text)) {
          ExplainBadValue(reader, text, last, i, j);
          return ReadFailure::kValues;
        }
        row[j] = static_cast<double>(value);
        CheckValue(reader, text, i, j);
        first = text.start;
        read = 1;
      }
      // The diagnostics of the next value and of the rows may quote the
      // last value read.
      source->held.push_back(text.start.offset);
      reader->values += read;
      CountValueLine(&lines, first, n, read);
      last = text;
      j += read;
    }
  }
  CheckRows(reader, lines);
  CheckAfterMatrix(reader);
  return ReadFailure::kNone;
}
