#include "reader/show.h"

#include <cstdarg>
#include <cstring>
#include <string>

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

namespace {

// Write into extra the data line of place and a caret under its column, each
// line beginning with a blank. A long line is shown in part, cut between characters, with "..."
// where it is cut. The caret counts characters as they are shown: one column
// for a character, four for a byte shown as \xHH, a tab for a tab.
void ShowLine(Source* source, const Place& place, char* extra, size_t capacity) {
  const long long column = place.column - 1;
  const long long from = column > kShownBefore ? column - kShownBefore : 0;
  // The bytes of a character that begins within the shown bytes are all
  // read, and one more tells whether the line goes on.
  constexpr long long kShownBytes = kShownBefore + kShownAfter;
  constexpr size_t kPeeked = kShownBytes + kLongestUtf8;
  const std::string_view peeked = Peek(source, place.line_offset + from, false, kPeeked);
  const char* const bytes = peeked.data();
  auto count = static_cast<long long>(peeked.size());
  const bool whole_line = peeked.size() < kPeeked;
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

}  // namespace

std::string Quoted(Source* source, const Place& place) {
  // The bytes of a character that begins within kQuotedBytes are all read.
  const std::string_view bytes = Peek(source, place.offset, true, kQuotedBytes + kLongestUtf8);
  if (bytes.empty()) {
    return "end of file";
  }
  const long long end =
      CharacterEnd(bytes.data(), 0, static_cast<long long>(bytes.size()), kQuotedBytes);
  char escaped[4 * kQuotedBytes + 1];
  Escape(bytes.data(), static_cast<size_t>(end), escaped, sizeof escaped);
  return std::string("'") + escaped + (end < static_cast<long long>(bytes.size()) ? "...'" : "'");
}

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
