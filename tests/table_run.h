// Runs kelvarin-table for its tests and takes its output apart.
#ifndef KELVARIN_TESTS_TABLE_RUN_H_
#define KELVARIN_TESTS_TABLE_RUN_H_

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/run_program.h"

inline constexpr int kTimeoutSeconds = 60;

// The program under test: the environment's KELVARIN_TABLE_EXE (another
// build's, run by a command of its own such as a script) or this build's.
inline std::string TableProgram() {
  const char* program = std::getenv("KELVARIN_TABLE_EXE");
  return program != nullptr && *program != '\0' ? program : KELVARIN_TABLE_EXE;
}

inline RunResult RunTable(const std::vector<std::string>& arguments, const std::string& directory) {
  std::vector<std::string> argv = {TableProgram()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return RunProgram(argv, directory, kTimeoutSeconds);
}

inline std::vector<std::string> Lines(const std::string& text) {
  std::istringstream stream(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(line);
  }
  return lines;
}

// Split a CSV line into its fields, quotes removed and doubled quotes undone.
inline std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      fields.back() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// The folders that this process's tests made, removed when it ends unless a
// test failed: then they are left for a look.
struct TemporaryFolders {
  std::vector<std::filesystem::path> made;
  TemporaryFolders() = default;
  TemporaryFolders(const TemporaryFolders&) = delete;
  TemporaryFolders& operator=(const TemporaryFolders&) = delete;
  ~TemporaryFolders() {
    if (!testing::UnitTest::GetInstance()->Passed()) {
      return;
    }
    for (const std::filesystem::path& folder : made) {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    }
  }
};

// Return a new empty folder for a test's files, named after name and this
// process, so that test runs of several builds at once keep apart.
inline std::filesystem::path TemporaryFolder(const std::string& name) {
  static TemporaryFolders folders;
  std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                 ("kelvarin-table-test-" + std::to_string(getpid()) + "-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  folders.made.push_back(folder);
  return folder;
}

// Return a new file in a fresh folder of the system's temporary folder,
// holding text.
inline std::string TemporaryFile(const std::string& name, const std::string& text) {
  const std::filesystem::path folder = TemporaryFolder(name);
  const std::filesystem::path path = folder / name;
  std::FILE* file = std::fopen(path.string().c_str(), "wb");
  (void)std::fwrite(text.data(), 1, text.size(), file);
  (void)std::fclose(file);
  return path.string();
}

// Run the table through sh, for redirections and process substitutions.
inline RunResult RunShell(const std::string& command) {
  return RunProgram({"/bin/bash", "-c", command}, KELVARIN_EXAMPLES, kTimeoutSeconds);
}

#endif  // KELVARIN_TESTS_TABLE_RUN_H_
