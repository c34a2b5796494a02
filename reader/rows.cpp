#include "reader/rows.h"

#include <cstdio>
#include <cstring>

#include "reader/show.h"

namespace {

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

}  // namespace

void BeginValueLine(ValueLines* lines, const Place& place, long long n) {
  if (lines->count >= n) {
    lines->count = n + 1;
    return;
  }
  lines->line[lines->count].first = place;
  lines->line[lines->count].count = 0;
  ++lines->count;
}

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
