#include "graph/names.h"

#include <algorithm>

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// A names file is read this many bytes at a time.
constexpr size_t kReadSize = 4096;

// Return text without the blanks, tabs and carriage returns at its ends.
std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) {
    return {};
  }
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::vector<std::string> SplitNames(std::string_view text, char separator) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    text.remove_prefix(kByteOrderMark.size());
  }
  std::vector<std::string> names;
  while (!text.empty()) {
    const size_t end = text.find(separator);
    names.emplace_back(Trimmed(text.substr(0, end)));
    if (end == std::string_view::npos) {
      break;
    }
    text.remove_prefix(end + 1);
  }
  return names;
}

bool ReadUpTo(std::FILE* stream, size_t most, std::string* text) {
  char buffer[kReadSize];
  size_t read = 0;
  // One byte past most tells a longer stream, which may never end.
  while (text->size() <= most &&
         (read = std::fread(buffer, 1, std::min(sizeof buffer, most + 1 - text->size()), stream)) >
             0) {
    text->append(buffer, read);
  }
  return std::ferror(stream) == 0;
}
