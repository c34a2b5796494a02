// Robustness under damaged data files: inputs made from the end-to-end data
// files by random mutations (fixed seed) must each end the program in one of
// its three known ways. Any other ending, a sanitizer's report among them,
// fails the test and leaves the input behind for reproduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tests/endings.h"
#include "tests/run_program.h"

namespace {

namespace fs = std::filesystem;

constexpr int kInputs = 2000;
constexpr int kTimeoutSeconds = 5;
constexpr unsigned kSeed = 301;

class Mutator {
 public:
  explicit Mutator(unsigned seed) : random_(seed) {}

  std::string Mutate(std::string text) {
    const int count = Pick(1, 3);
    for (int i = 0; i < count; ++i) {
      text = MutateOnce(text);
    }
    return text;
  }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  size_t Position(const std::string& text) {
    return static_cast<size_t>(Pick(0, static_cast<int>(text.size())));
  }

  std::string MutateOnce(std::string text) {
    static const char* const kTokens[] = {
        "1e",          "1e+",  "-",     ".",     "nan",          "inf",
        "-Infinity",   "1e39", "-1e39", "0x1p3", "99999999999",  "4294967298",
        "-3000000000", "0",    "1",     "2",     "20",           "21",
        "1e-50",       "-0",   "+.5",   "1.5-2", "3.4028235e38", "99999999999999999999999999",
        "\r\n",        "\r",   "\n",    "\t"};
    static const char kBytes[] = {'\0', '\r', '\n', ' ', '-', '+', '.', 'e', 'E', '0', '9', 'x'};
    const size_t at = Position(text);
    switch (Pick(0, 7)) {
      case 0:  // Flip a bit.
        if (!text.empty()) {
          char& byte = text[std::min(at, text.size() - 1)];
          byte = static_cast<char>(static_cast<unsigned char>(byte) ^ (1U << Pick(0, 7)));
        }
        break;
      case 1:  // Insert a byte that the reader treats specially.
        text.insert(at, 1, kBytes[Pick(0, sizeof kBytes - 1)]);
        break;
      case 2:  // Cut out a stretch.
        text.erase(at, static_cast<size_t>(Pick(1, 40)));
        break;
      case 3:  // Truncate.
        text.resize(at);
        break;
      case 4: {  // Repeat a line.
        const size_t begin = text.rfind('\n', at) == std::string::npos ? 0 : text.rfind('\n', at);
        const size_t end = text.find('\n', at);
        text.insert(begin, text.substr(begin, end == std::string::npos ? end : end - begin));
        break;
      }
      case 5:  // A very long line.
        text.insert(at,
                    std::string(static_cast<size_t>(Pick(100, 5000)), Pick(0, 1) == 1 ? '7' : 'a'));
        break;
      case 6: {  // Replace a token with an odd number or a separator.
        const size_t end = text.find_first_of(" \t\r\n", at);
        const size_t length = end == std::string::npos ? text.size() - at : end - at;
        text.replace(at, length, kTokens[Pick(0, sizeof kTokens / sizeof kTokens[0] - 1)]);
        break;
      }
      default:  // Overwrite a byte with any value.
        if (!text.empty()) {
          text[std::min(at, text.size() - 1)] = static_cast<char>(Pick(0, 255));
        }
        break;
    }
    return text;
  }

  std::mt19937 random_;
};

TEST(Mutation, EveryDamagedDataFileEndsInAKnownWay) {
  std::vector<std::string> seeds;
  for (const fs::directory_entry& entry : fs::directory_iterator(KELVARIN_CASES)) {
    if (fs::exists(entry.path() / "input")) {
      seeds.push_back(ReadFile((entry.path() / "input").string()));
    }
  }
  std::sort(seeds.begin(), seeds.end());
  ASSERT_FALSE(seeds.empty());

  const fs::path work = fs::path(MUTATION_WORK_DIR);
  fs::remove_all(work);
  fs::create_directories(work);
  Mutator mutator(kSeed);
  int endings[4] = {0, 0, 0, 0};
  for (int i = 0; i < kInputs; ++i) {
    const std::string input = mutator.Mutate(seeds[static_cast<size_t>(i) % seeds.size()]);
    const fs::path path = work / ("input-" + std::to_string(i) + ".dat");
    std::ofstream(path, std::ios::binary) << input;
    const RunResult run = RunProgram({KELVARIN_EXE, path.string()}, work.string(), kTimeoutSeconds);
    const RunEnding ending = RunEndingOf(run);
    ++endings[static_cast<int>(ending)];
    if (ending != RunEnding::kUnknown) {
      fs::remove(path);
      continue;
    }
    ADD_FAILURE() << "input kept as " << path << "\nended "
                  << (run.end == RunResult::End::kTimedOut   ? "by time-out"
                      : run.end == RunResult::End::kSignaled ? "by signal "
                                                             : "with status ")
                  << run.code << "\nstandard error:\n"
                  << run.err;
    if (endings[static_cast<int>(RunEnding::kUnknown)] == 10) {
      break;
    }
  }
  std::printf("complete %d, reported %d, singular %d, unknown %d\n", endings[0], endings[1],
              endings[2], endings[3]);
}

}  // namespace
