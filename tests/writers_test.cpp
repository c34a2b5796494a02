// The writers of the machine-readable outputs, each as a table of input and
// exact output bytes: CSV fields, JSON strings, DOT labels, the table's rows,
// and the escape and the UTF-8 repair under them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "graph/dot.h"
#include "table/table.h"
#include "tests/file_with.h"
#include "text/utf8.h"

namespace {

// Return what write wrote to a file.
std::string Written(const std::function<void(std::FILE*)>& write) {
  File file(std::tmpfile());
  write(file.get());
  std::rewind(file.get());
  std::string text;
  for (int c = std::getc(file.get()); c != EOF; c = std::getc(file.get())) {
    text.push_back(static_cast<char>(c));
  }
  return text;
}

struct Row {
  std::string in;
  std::string out;
};

TEST(Writers, CsvFieldsAreQuotedOnlyWhereNeededAndAlwaysUtf8) {
  for (const Row& row : std::vector<Row>{
           {"plain text", "plain text"},
           {"a,b", "\"a,b\""},
           {"say \"hi\"", "\"say \"\"hi\"\"\""},
           {"cr\rhere", "\"cr\rhere\""},
           {"lf\nhere", "\"lf\nhere\""},
           {"tab\there", "tab\there"},
           {"del\x7f", "\"del\x7f\""},
           {"Gruppe M\xfcller", "Gruppe M\xc3\xbcller"},
           {"\x80 \x9f \xa0", "\xe2\x82\xac \xc5\xb8 \xc2\xa0"},
           {"\x81\x8d\x8f\x90\x9d", "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"},
           {"caf\xc3\xa9 \xf0\x9f\x98\x80", "caf\xc3\xa9 \xf0\x9f\x98\x80"},
           {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},
           {"\xc0\xaf \xf5", "\xc3\x80\xc2\xaf \xc3\xb5"},
           {"cut \xc3", "cut \xc3\x83"},
       }) {
    EXPECT_EQ(Written([&](std::FILE* out) { WriteCsvField(out, AsUtf8(row.in)); }), row.out)
        << row.in;
  }
}

TEST(Writers, JsonStringsEscapeWhatJsonRequiresAndAreUtf8) {
  for (const Row& row : std::vector<Row>{
           {"a\"b\\c", "\"a\\\"b\\\\c\""},
           {"\n\r\t", "\"\\n\\r\\t\""},
           {std::string("\x00\x01\x1f \x7f", 5), "\"\\u0000\\u0001\\u001f \x7f\""},
           {"M\xfcller \x85", "\"M\xc3\xbcller \xe2\x80\xa6\""},
           {"\xf0\x9f\x98\x80 \xe2\x88\x92", "\"\xf0\x9f\x98\x80 \xe2\x88\x92\""},
       }) {
    EXPECT_EQ(Written([&](std::FILE* out) { WriteJsonString(out, AsUtf8(row.in)); }), row.out)
        << row.in;
  }
}

TEST(Writers, DotLabelsShowTheTextItself) {
  for (const Row& row : std::vector<Row>{
           {"say \"hi\" & <you>", "say \\\"hi\\\" &amp; <you>"},
           {"back\\slash \\N", "back\\\\slash \\\\N"},
           {"esc\x1b[31m", "esc\\\\x1b[31m"},
           {"M\xfcller", "M\xc3\xbcller"},
       }) {
    EXPECT_EQ(QuoteLabel(row.in), row.out) << row.in;
  }
}

TEST(Writers, EscapeFillsABufferToItsLastByteAndCutsBetweenCharacters) {
  struct Case {
    std::string in;
    size_t capacity;
    std::string out;
  };
  for (const Case& c : std::vector<Case>{
           {"abc", 4, "abc"},
           {"abc", 3, "ab"},
           {"\x01", 5, "\\x01"},
           {"\x01", 4, ""},
           {"\x1f ", 64, "\\x1f "},
           {"a\xc3\xa9", 4, "a\xc3\xa9"},
           {"a\xc3\xa9", 3, "a"},
           {"\x7f \xc2\x80 \xc2\x9f \xc2\xa0", 64, "\\x7f \\xc2\\x80 \\xc2\\x9f \xc2\xa0"},
           {"\xc0\xaf \xed\xa0\x80 \xf5\x80", 64, "\\xc0\\xaf \\xed\\xa0\\x80 \\xf5\\x80"},
           {"\xf5\x80\x80\x80", 64, "\\xf5\\x80\\x80\\x80"},
           {"\xf4\x8f\xbf\xbf \xf4\x90\x80\x80", 64, "\xf4\x8f\xbf\xbf \\xf4\\x90\\x80\\x80"},
           {"\xe0\x9f\xbf \xe0\xa0\x80", 64, "\\xe0\\x9f\\xbf \xe0\xa0\x80"},
       }) {
    char out[64];
    const size_t written = Escape(c.in.data(), c.in.size(), out, c.capacity);
    EXPECT_EQ(std::string(out), c.out) << c.in << " in " << c.capacity;
    EXPECT_EQ(written, c.out.size());
  }
  EXPECT_EQ(Escaped("tab\there"), "tab\\x09here");
  EXPECT_EQ(Escaped("tab\there", true), "tab\there");
}

TEST(Writers, RowsWriteNoNumberThatIsNotOne) {
  Group group;
  group.has_description = true;
  group.description = "Overflow";
  group.players = 2;
  Analysis& analysis = group.analysis;
  analysis.ending = Ending::kNotFinite;
  analysis.n = 2;
  analysis.column_sums.reset(static_cast<double*>(std::calloc(2, sizeof(double))));
  analysis.row_sums.reset(static_cast<double*>(std::calloc(2, sizeof(double))));
  analysis.empath.player = 1;
  analysis.has_weights = true;
  analysis.q.reset(gsl_vector_alloc(1));
  gsl_vector_set(analysis.q.get(), 0, std::nan(""));
  analysis.s_e = -std::nan("");
  analysis.determinant = 1.0;
  analysis.condition = HUGE_VAL;
  analysis.log_condition = HUGE_VAL;
  analysis.empath.margin = 0.5;
  group.message = "S_E is not finite";
  EXPECT_EQ(Written([&](std::FILE* out) { WriteFileRow(out, "o.dat", group); }),
            "o.dat,Overflow,2,2,1,,1,inf,inf,0,0.5,0,0,not_finite,S_E is not finite\n");
  EXPECT_EQ(Written([&](std::FILE* out) { WritePlayerRows(out, "o.dat", group); }),
            "o.dat,1,0,0,,FALSE,TRUE\no.dat,2,0,0,,TRUE,FALSE\n");
  EXPECT_EQ(Written([&](std::FILE* out) { WriteJsonLine(out, "o.dat", group); }),
            "{\"file\":\"o.dat\",\"description\":\"Overflow\",\"players\":2,\"empath\":2,"
            "\"driver\":1,\"s_e\":null,\"determinant\":1,\"condition\":null,"
            "\"log_condition\":null,\"near_ties\":0,\"empath_margin\":0.5,\"driver_margin\":0,"
            "\"warnings\":0,\"status\":\"not_finite\",\"message\":\"S_E is not finite\","
            "\"diagnostics\":[],\"column_sums\":[0,0],\"row_sums\":[0,0],"
            "\"weights\":[null,null]}\n");

  // An error row keeps what was read: the description and N, 21 included.
  Group error;
  error.has_description = true;
  error.description = "Big";
  error.players = 21;
  error.message = "Size of matrix out of bounds.";
  EXPECT_EQ(Written([&](std::FILE* out) { WriteFileRow(out, "b.dat", error); }),
            "b.dat,Big,21,,,,,,,,,,0,error,Size of matrix out of bounds.\n");
  EXPECT_EQ(Written([&](std::FILE* out) { WritePlayerRows(out, "b.dat", error); }), "");

  // From 2^53 up a figure is written with an exponent, below it in digits.
  Group big;
  big.analysis.s_e = 9007199254740991.0;
  big.analysis.determinant = -9007199254740992.0;
  big.message = "big";
  EXPECT_EQ(Written([&](std::FILE* out) { WriteFileRow(out, "w.dat", big); }),
            "w.dat,,,,,9007199254740991,-9.007199254740992e+15,,,,,,0,error,big\n");
}

}  // namespace
