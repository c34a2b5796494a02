// Temporary files that hold a test's text, for the readers that take a file.
#ifndef KELVARIN_TESTS_FILE_WITH_H_
#define KELVARIN_TESTS_FILE_WITH_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

struct FileClose {
  void operator()(std::FILE* file) const { (void)std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// Return an open temporary file that holds text, NUL bytes included, read
// from its start.
inline File FileWith(const std::string& text) {
  File file(std::tmpfile());
  if (std::fwrite(text.data(), 1, text.size(), file.get()) != text.size()) {
    ADD_FAILURE() << "cannot write a temporary file";
  }
  std::rewind(file.get());
  return file;
}

#endif  // KELVARIN_TESTS_FILE_WITH_H_
