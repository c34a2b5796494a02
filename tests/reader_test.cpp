// The reader's diagnostics: what each kind of damaged data file must be told,
// and that a well-formed data file is told nothing.
#include "reader/reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "tests/file_with.h"
#include "text/utf8.h"

namespace {

std::string Contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::getc(file); c != EOF; c = std::getc(file)) {
    text += static_cast<char>(c);
  }
  return text;
}

struct Outcome {
  ReadFailure failure = ReadFailure::kNone;
  std::string lines;   // every diagnostic line
  std::string heads;   // the diagnostic lines without the lines under them
  std::string values;  // the values read into the matrix
};

// How a test reads a data file.
struct Way {
  size_t chunk = kChunkBytes;      // the bytes read at a time
  size_t kept_bytes = kKeptBytes;  // held before the bytes no diagnostic quotes are let go
  bool in_memory = false;          // read from the bytes in memory
};

// Read text as the program reads a data file named "team.dat".
Outcome Read(const std::string& text, Way way = {}) {
  File file = FileWith(text);
  File said(std::tmpfile());
  Diagnostics diagnostics;
  diagnostics.stream = said.get();
  Reader reader;
  reader.source.chunk = way.chunk;
  reader.source.kept_bytes = way.kept_bytes;
  reader.name = "team.dat";
  reader.diagnostics = &diagnostics;
  Outcome outcome;
  Matrix influence;
  outcome.failure = way.in_memory ? ReadGroupFromBytes(text, "team.dat", &reader, &influence)
                                  : ReadGroup(&reader, file.get(), &influence);
  for (long long i = 0; influence && i < reader.values; ++i) {
    outcome.values += std::to_string(influence->data[i]) + " ";
  }
  outcome.lines = Contents(said.get());
  std::istringstream lines(outcome.lines);
  for (std::string line; std::getline(lines, line);) {
    if (line.empty() || line[0] != ' ') {
      outcome.heads += line + "\n";
    }
  }
  return outcome;
}

const char kTriadRows[] = "1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n";

struct Case {
  std::string input;
  std::string said;  // the diagnostic lines, without the lines under them
};

void ExpectSaid(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    EXPECT_EQ(Read(c.input).heads, c.said);
  }
}

// Return text repeated count times.
std::string Times(const std::string& text, int count) {
  std::string out;
  for (int i = 0; i < count; ++i) {
    out += text;
  }
  return out;
}

TEST(Diagnostics, WarnOfSilentMisreadings) {
  ExpectSaid({
      {"Triad\n3.0\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n",
       "team.dat:2:2: warning: no blank after the number of players in '3.0': N is read as 3, "
       "and what follows it as the first value\n"
       "team.dat:5:10: warning: 1 more number after the 9 values of the 3-by-3 matrix, ignored: "
       "the file holds 10 values\n"},
      {"Triad\n3\n1 0..6 0.25\n0.5 1 0.75\n0.25 0.5 1 1\n",
       "team.dat:3:3: warning: no blank between two numbers in '0..6': it is read as value 2 of "
       "row 1 and the number after it\n"
       "team.dat:5:10: warning: 2 more numbers after the 9 values of the 3-by-3 matrix, ignored: "
       "the file holds 11 values\n"},
      {"Triad\n3\n1-0.75 0.25\n0.5 1 0.75\n0.25 0.5 1\n",
       "team.dat:3:1: warning: no blank between two numbers in '1-0.75': it is read as value 1 "
       "of row 1 and the number after it\n"},
      {"Triad\n3\n1+0.75 0.25\n0.5 1 0.75\n0.25 0.5 1\n",
       "team.dat:3:1: warning: no blank between two numbers in '1+0.75': it is read as value 1 "
       "of row 1 and the number after it\n"},
      {std::string("Triad\n2\n") + kTriadRows,
       "team.dat:4:5: warning: 5 more numbers after the 4 values of the 2-by-2 matrix, ignored: "
       "the file holds 9 values, which N = 3 would fit\n"},
      {"3\n2 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n",
       "team.dat:3:7: warning: 4 more numbers after the 4 values of the 2-by-2 matrix, ignored: "
       "the file holds 8 values\n"
       "team.dat:1:1: warning: the first line, '3', looks like the number of players, and 9 "
       "numbers follow it: is the description line missing? The first line is always the "
       "description\n"},
      // A description that is a number, with five numbers after it where a
      // missing description would leave four.
      {"2\n2\n1 0\n0 1\n", ""},
      {"Triad\n3\n1 0.5 0.25\n0.5 1\n0.75 0.25 0.5 1\n",
       "team.dat:4:1: warning: the 9 values stand on 3 lines, but not 3 to a line: line 4 holds 2 "
       "and line 5 holds 4; values are read in order, 3 to a row, so row 2 ends on line 5\n"},
      {"Triad\n3\n1 0.5 0.25 0.5\n1 0.75\n0.25 0.5 1\n",
       "team.dat:3:1: warning: the 9 values stand on 3 lines, but not 3 to a line: line 3 holds 4 "
       "and line 4 holds 2; values are read in order, 3 to a row, so row 2 begins within line 3\n"},
      {"Five\n5\n1 1 1 1 1\n1 1 1 1\n1 1 1 1 1 1\n1 1 1 1 1 1\n1 1 1 1\n",
       "team.dat:4:1: warning: the 25 values stand on 5 lines, but not 5 to a line: line 4 holds "
       "4, line 5 holds 6, line 6 holds 6 and 1 more line; values are read in order, 5 to a row, "
       "so row 2 ends on line 5\n"},
      // On more lines than N, or in a matrix that ends inside its last line,
      // the lines are not taken for rows.
      {"Triad\n3\n1 0.5 0.25\n0.5 1\n0.75 0.25\n0.5 1\n", ""},
      {"Triad\n3\n1 0.5\n0.25 0.5 1 0.75\n0.25 0.5 1 1\n",
       "team.dat:5:12: warning: 1 more number after the 9 values of the 3-by-3 matrix, ignored: "
       "the file holds 10 values\n"},
      {"Triad\n3\n1 1e-50 0.25\n0.5 1 0.75\n0.25 0.5 1\n",
       "team.dat:3:3: warning: '1e-50' is closer to zero than single precision reaches (about "
       "1.4e-45) and is read as 0\n"},
      // A description that is not UTF-8 (Windows-1250, GBK), from the word of
      // its first such byte, cut after 24 bytes; a byte-order mark is UTF-8.
      {std::string("Zesp\xf3\xb3 \xa3ukasiewicz\n2\n1 0\n0 1\n"),
       "team.dat:1:5: warning: the description is not UTF-8; it is read as Windows-1252: "
       "'Zesp\u00f3\u00b3'; if the file was written in another code page, save it as UTF-8\n"},
      {std::string("Team \x01\xb1\xb1\xbe\xa9") + Times("\xd6\xd0", 10) + "\n2\n1 0\n0 1\n",
       "team.dat:1:7: warning: the description is not UTF-8; it is read as Windows-1252: "
       "'\\x01\u00b1\u00b1\u00be\u00a9" +
           Times("\u00d6\u00d0", 9) +
           "\u00d6...'; if the file was "
           "written in another code page, save it as UTF-8\n"},
      {"\xef\xbb\xbfGruppe M\xc3\xbcller\n2\n1 0\n0 1\n", ""},
  });
}

TEST(Diagnostics, GiveAPlaceAndAReasonForEveryFailure) {
  ExpectSaid({
      {"",
       "team.dat:1:1: error: the file is empty: expected a description line, the number of "
       "players and the values\n"},
      {std::string(121, 'x') + "\n3\n",
       "team.dat:1:121: error: the description is 121 bytes long; it may have at most 120\n"},
      {"Triad\r3\r1 0 0 1\r",
       "team.dat:1:6: error: the lines end with a carriage return alone (CR, as on old Macs): "
       "lines must end with a line feed (LF or CR LF)\n"},
      {std::string("\xff\xfeT\0\n\0", 6),
       "team.dat:1:1: error: the file is UTF-16 text (it begins with a "
       "byte-order mark), as Notepad saves \"Unicode\": save it as UTF-8 or "
       "ANSI text\n"},
      {"Triad\n",
       "team.dat:2:1: error: the file ends after the description: expected the "
       "number of players\n"},
      {"Triad\nN=3\n",
       "team.dat:2:1: error: expected the number of players, a whole number from "
       "2 to 20, but found 'N=3'\n"},
      {std::string("3\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n"),
       "team.dat:2:1: error: the number of players is '1'; it must be from 2 to 20\n"
       "team.dat:1:1: note: the first line, '3', looks like the number of players, and 9 "
       "numbers follow it: is the description line missing? The first line is always the "
       "description\n"},
      {"Triad\n21\n1 2\n3 4\n",
       "team.dat:2:1: error: the number of players is '21'; it must be "
       "from 2 to 20\n"
       "team.dat:3:1: note: 4 numbers follow it, which N = 2 would fit\n"},
      {"Triad\n21\n" + Times("1 ", 400),
       "team.dat:2:1: error: the number of players is '21'; it must be from 2 to 20\n"
       "team.dat:3:1: note: 400 numbers follow it, which N = 20 would fit\n"},
      {" 2 \n1 0\n0 1\n",
       "team.dat:2:1: error: the number of players is '1'; it must be from 2 to 20\n"
       "team.dat:1:1: note: the first line, ' 2 ', looks like the number of players, and 4 "
       "numbers follow it: is the description line missing? The first line is always the "
       "description\n"},
      {"Triad\n3\n1 0,5 0,25\n",
       "team.dat:3:4: error: expected value 3 of row 1, found ',5', part of '0,5': a decimal "
       "comma? Values are written with a decimal point (0.5) and separated by white space\n"},
      {"Duo\n2\n1 -inf\n", "team.dat:3:3: error: expected value 2 of row 1, found '-inf'\n"},
      {std::string("Duo\n2\n1\0 0\n0 1\n", 15),
       "team.dat:3:2: error: expected value 2 of row 1, found '\\x00', part of '1\\x00': the "
       "file holds NUL bytes, as UTF-16 text does (Notepad's \"Unicode\"): save it as UTF-8 or "
       "ANSI text\n"},
      {"Triad\n3\n0.5,1,0.25\n",
       "team.dat:3:4: error: expected value 2 of row 1, found ',1,0.25', part of "
       "'0.5,1,0.25': values are separated by white space, not by ','\n"},
      {"Triad\n3\n1 0,-5 0.25\n",
       "team.dat:3:4: error: expected value 3 of row 1, found ',-5', part of '0,-5': values are "
       "separated by white space, not by ','\n"},
      {"Triad\n3\n1,0.5,0.25\n",
       "team.dat:3:2: error: expected value 2 of row 1, found ',0.5,0.25', part of "
       "'1,0.5,0.25': values are separated by white space, not by ','\n"},
      {"Triad\n3\n1 0,5,0.25\n",
       "team.dat:3:4: error: expected value 3 of row 1, found ',5,0.25', part of '0,5,0.25': a "
       "decimal comma? Values are written with a decimal point (0.5) and separated by white "
       "space\n"},
      {"# Triad\n# 2\n1 0\n0 1\n",
       "team.dat:2:1: error: expected the number of players, a whole number from 2 to 20, but "
       "found '#'; a comment line? The data file has no comments: numpy's savetxt writes '# ' "
       "before its header unless given comments=''\n"},
      {"Triad\n2\n# A B\n1 0\n0 1\n",
       "team.dat:3:1: error: expected value 1 of row 1, found '#': a comment line? The data "
       "file has no comments: numpy's savetxt writes '# ' before its header unless given "
       "comments=''\n"},
      {"Triad\n2\n1; 0\n",
       "team.dat:3:2: error: expected value 2 of row 1, found ';', part of "
       "'1;': values are separated by white space, not by ';'\n"},
      {"Triad\n2\n50% 0\n",
       "team.dat:3:3: error: expected value 2 of row 1, found '%', part of "
       "'50%': a percent sign: write a value as a number (50% as 0.5)\n"},
      {"Triad\n2\nP1 P2\n",
       "team.dat:3:1: error: expected value 1 of row 1, found 'P1': a "
       "header row or a row name? The values are numbers only; names belong "
       "in the description\n"},
      {"Triad\n2\n1 \xe2\x88\x92"
       "1\n",
       "team.dat:3:3: error: expected value 2 of row 1, found "
       "'\xe2\x88\x92"
       "1': a Unicode minus sign (U+2212): "
       "write the minus as '-'\n"},
      {"Triad\n2\n1\xc2\xa0"
       "0\n",
       "team.dat:3:2: error: expected value 2 of row 1, found "
       "'\xc2\xa0"
       "0', part of '1\xc2\xa0"
       "0': a no-break space: "
       "separate values with blanks, tabs or line ends\n"},
      {"Triad\n2\n1 0\n0\n",
       "team.dat:5:1: error: the file ends after 3 of the 4 values of a "
       "2-by-2 matrix: expected value 2 of row 2\n"},
      {"Triad\n3\n1 0\n0 1\n",
       "team.dat:5:1: error: the file ends after 4 of the 9 values of a "
       "3-by-3 matrix: expected value 2 of row 2, which N = 2 would fit\n"},
      {"Triad\n2\n1 1e39\n",
       "team.dat:3:3: error: expected value 2 of row 1, found '1e39': it "
       "is beyond the range of single precision (about 3.4e38)\n"},
      {"Triad\n2\n1 " + std::string(40, '7') + "x\n",
       "team.dat:3:3: error: expected value 2 of row 1, found '777777777777777777777777...': it "
       "is beyond the range of single precision (about 3.4e38)\n"},
  });
}

TEST(Diagnostics, ShowTheLineWithACaretAndEscapeWhatCouldDriveATerminal) {
  const Outcome outcome = Read("Triad\n2\n1\t\x1b[31m 0\n");
  EXPECT_EQ(outcome.failure, ReadFailure::kValues);
  EXPECT_EQ(outcome.lines,
            "team.dat:3:3: error: expected value 2 of row 1, found '\\x1b[31m'\n"
            " 1\t\\x1b[31m 0\n"
            "  \t^\n");
  // A long line is cut between characters, with "..." where it goes on, and
  // the caret counts the characters shown.
  const std::string e = "\xc3\xa9";  // U+00E9, two bytes
  const std::vector<Case> cases = {
      {"x" + Times(e, 300) + "\n3\n",
       "team.dat:1:121: error: the description is 601 bytes long; it may have at most 120\n"
       " ..." +
           Times(e, 49) + "...\n" + std::string(1 + 3 + 29, ' ') + "^\n"},
      {"Triad\n2\n1" + std::string(200, ' ') + "x" + Times(e, 300) + "\n",
       "team.dat:3:202: error: expected value 2 of row 1, found 'x" + Times(e, 11) +
           "...'\n"
           " ..." +
           std::string(60, ' ') + "x" + Times(e, 19) + "...\n" + std::string(1 + 3 + 60, ' ') +
           "^\n"},
      {"Triad\n2\n" + std::string(1000000, '1') + "\n",
       "team.dat:3:1: error: expected value 1 of row 1, found '" + std::string(24, '1') +
           "...': it is beyond the range of single precision (about 3.4e38)\n"
           " " +
           std::string(100, '1') + "...\n ^\n"},
      {"Triad\n2\n1" + std::string(1000000, ' ') + "\x01\n",
       "team.dat:3:1000002: error: expected value 2 of row 1, found '\\x01'\n"
       " ..." +
           std::string(60, ' ') + "\\x01\n" + std::string(1 + 3 + 60, ' ') + "^\n"},
      {std::string(100, '\x01') + Times(e, 20) + "\n3\n",
       "team.dat:1:121: error: the description is 140 bytes long; it may have at most 120\n"
       " ..." +
           Times("\\x01", 40) + Times(e, 20) + "\n" + std::string(1 + 3 + 4 * 40 + 10, ' ') +
           "^\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 200));
    EXPECT_EQ(Read(c.input).lines, c.said);
  }
  char out[64];
  Escape("a\x9b\xc2\x9b\xed\xa0\x80\xc3\xa9", 9, out, sizeof out);
  EXPECT_STREQ(out, "a\\x9b\\xc2\\x9b\\xed\\xa0\\x80\xc3\xa9");
}

// Write value in one of the forms a person may use for it.
std::string Written(float value, std::mt19937* random) {
  char text[64];
  switch (std::uniform_int_distribution<int>(0, 3)(*random)) {
    case 0:
      (void)std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
      break;
    case 1:
      (void)std::snprintf(text, sizeof text, "%+.12e", static_cast<double>(value));
      break;
    case 2:
      (void)std::snprintf(text, sizeof text, "%.9E", static_cast<double>(value));
      break;
    default:
      (void)std::snprintf(text, sizeof text, "%.40f", static_cast<double>(value));
      break;
  }
  return text;
}

// A well-formed data file: a description, N alone on its line, N times N
// numbers separated by any white space, perhaps notes after them.
std::string WellFormedFile(std::mt19937* random) {
  auto pick = [random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(*random);
  };
  const int n = pick(2, 20);
  const char* end = pick(0, 1) == 1 ? "\r\n" : "\n";
  std::string text = "Group " + std::to_string(pick(0, 9999)) + " of players" + end;
  text += std::to_string(n) + end;
  static const char* const kSpaces[] = {" ", "\t", "  ", " \t "};
  for (int k = 0; k < n * n; ++k) {
    const double magnitude = std::pow(10.0, pick(-30, 30));
    const float value = static_cast<float>((pick(0, 1) == 1 ? -1 : 1) * magnitude *
                                           std::uniform_real_distribution<double>(1, 10)(*random));
    text += Written(pick(0, 9) == 0 ? 0.0F : value, random);
    text += pick(0, 3) == 0 || k % n == n - 1 ? end : kSpaces[pick(0, 3)];
  }
  if (pick(0, 3) == 0) {
    text += std::string("Notes: collected in May") + end;
  }
  return text;
}

TEST(Diagnostics, TheSameWhateverTheChunk) {
  // Files read in chunks of a few bytes, so that quoted lines and every
  // kind of value meet the chunks' ends, against the same files read a byte
  // at a time; then with every byte that no diagnostic quotes let go at each
  // read, and from memory.
  using namespace std::string_literals;
  const std::string texts[] = {
      "d\n3\n1e-50 2 3\n4 1e-50 6\n7 8 1e-50\n",
      "d\n3\n1 2\n3 4\n5 6\n7 8\n9\n",
      "d\n3\r\n1 2 3\r\n4\t5 6\r\n7 8 9\r\n",
      "d\n3\n1 2 3 4 5 6 7 8 9 10 11\n",
      "d\n3\n1 2 3\n4 5 6\n7 8x\n",
      "d\n3\n1 2 3\n4 5.5,6\n7 8 9\n",
      "d\n3\n1 2 3\n4 5 6\0\n7 8 9\n"s,
      "d\n3\n1 2 3.5.5\n4 +5 -6\n7 8\n",
      "3\n3" + std::string(600, ' ') + "1 2 3 4\n5 6\n7 8 " + std::string(600, '0') + "9\n1 2 x",
      "d\n3\n1 2" + std::string(600, ' ') + std::string(600, '5') + "e-600,5 6\n",
      "d\n3\n" + std::string(300, ' ') + "1" + std::string(100, ' ') + "2\n3 4" +
          std::string(kChunkBytes, ' ') + "5 6\n7 8 9\n",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const Outcome byte_by_byte = Read(text, {1});
    for (const Way way : {Way{4}, Way{8}, Way{16}, Way{4, 0}, Way{kChunkBytes, 0},
                          Way{kChunkBytes, 0, true}, Way{kChunkBytes, kKeptBytes, true}}) {
      SCOPED_TRACE(testing::Message()
                   << way.chunk << " " << way.kept_bytes << " " << way.in_memory);
      const Outcome other = Read(text, way);
      EXPECT_EQ(other.failure, byte_by_byte.failure);
      EXPECT_EQ(other.values, byte_by_byte.values);
      EXPECT_EQ(other.lines, byte_by_byte.lines);
    }
  }
  // Each warning quotes its line from the file while later chunks are still
  // to be read.
  EXPECT_EQ(Read(texts[0], {4}).values,
            "0.000000 2.000000 3.000000 4.000000 0.000000 6.000000 7.000000 8.000000 0.000000 ");
}

TEST(Diagnostics, NoneForAWellFormedFile) {
  std::mt19937 random(301);  // NOLINT(cert-msc32-c,cert-msc51-cpp): a failure must repeat
  for (int i = 0; i < 3000; ++i) {
    const std::string text = WellFormedFile(&random);
    const Outcome outcome = Read(text);
    ASSERT_EQ(outcome.failure, ReadFailure::kNone) << text;
    ASSERT_EQ(outcome.lines, "") << text;
  }
  for (const auto& entry : std::filesystem::directory_iterator(KELVARIN_EXAMPLES)) {
    std::ifstream file(entry.path(), std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(Read(text).lines, "") << entry.path();
  }
}

// A leader's margin is a near tie only below 0.0001, not at it.
TEST(Analysis, ANearTieIsAMarginBelowTheTolerance) {
  EXPECT_TRUE(IsNearTie(0.0));
  EXPECT_TRUE(IsNearTie(std::nextafter(0.0001, 0.0)));
  EXPECT_FALSE(IsNearTie(0.0001));
}

}  // namespace
