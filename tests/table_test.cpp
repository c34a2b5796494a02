// kelvarin-table: every figure it gives agrees at four decimals with
// kelvarin's report of the same file, and its rows, statuses and exit status
// for a mix of files are exact.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "routines/routines.h"
#include "tests/run_program.h"
#include "tests/table_run.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Words(const std::string& text) {
  std::istringstream stream(text);
  std::vector<std::string> words;
  for (std::string word; stream >> word;) {
    words.push_back(word);
  }
  return words;
}

// The table's full-precision text of a figure as the report prints it: read
// back to the double and written with four decimals. A NaN, which the report
// prints as "nan" or "-nan", is an empty field in the table.
std::string FourDecimals(const std::string& text) {
  if (text.empty()) {
    return "nan";
  }
  double value = 0.0;
  const std::from_chars_result result =
      numbers::FromChars(text.data(), text.data() + text.size(), &value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
    return "unreadable '" + text + "'";
  }
  char field[kFixedCapacity];
  return std::string(field, format_fixed(field, value, 0));
}

// The figures of a complete report of kelvarin, as printed.
struct Report {
  std::string empath, driver, s_e, determinant, condition, log_condition;
  int near_ties = 0;
  std::vector<std::string> column_sums, row_sums, weights;
};

// Return the words of the report line that begins with label, after it.
std::string After(const std::vector<std::string>& lines, const std::string& label) {
  for (const std::string& line : lines) {
    if (line.rfind(label, 0) == 0) {
      const std::vector<std::string> words = Words(line.substr(label.size()));
      return words.empty() ? "" : words[0];
    }
  }
  return "missing '" + label + "'";
}

Report ReadReport(const std::string& text) {
  const std::vector<std::string> lines = Lines(text);
  Report report;
  report.empath = After(lines, "The empath is P");
  report.driver = After(lines, "The driver is P");
  report.empath.pop_back();  // the full stop
  report.driver.pop_back();
  report.s_e = After(lines, "The synchronization coefficient S_E is:");
  // The sign of a NaN says nothing.
  for (std::string* figure : {&report.s_e}) {
    *figure = *figure == "-nan" ? "nan" : *figure;
  }
  report.determinant = After(lines, "The determinant of M is:");
  report.condition = After(lines, "The 1-condition number of M is:");
  report.log_condition = After(lines, "The log of the 1-condition number of M is:");
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string> words = Words(lines[i]);
    if (lines[i].rfind("WARNING: Two or more", 0) == 0) {
      ++report.near_ties;
    } else if (!words.empty() && words[0].rfind("From", 0) == 0) {
      report.row_sums.push_back(words.back());
    } else if (lines[i].rfind(" Eigenvector", 0) == 0) {
      // A wide first sum stands right after the label.
      report.column_sums = Words(lines[i].substr(std::string(" Eigenvector").size()));
    } else if (lines[i] == "The vector of weights Q is:") {
      for (size_t q = i + 2; q < lines.size() && !Words(lines[q]).empty(); ++q) {
        const std::string weight = Words(lines[q])[0];
        report.weights.push_back(weight == "-nan" ? "nan" : weight);
      }
    }
  }
  return report;
}

// The folders of the end-to-end cases whose run is a complete report: the
// data file "input", status 0 and the last measure printed.
std::vector<fs::path> CompleteCases() {
  std::vector<fs::path> folders;
  for (const fs::directory_entry& entry : fs::directory_iterator(KELVARIN_CASES)) {
    const fs::path& folder = entry.path();
    if (!fs::exists(folder / "args") && ReadFile((folder / "status").string()) == "0\n" &&
        ReadFile((folder / "stdout").string()).find("The log of the 1-condition") !=
            std::string::npos) {
      folders.push_back(folder);
    }
  }
  std::sort(folders.begin(), folders.end());
  return folders;
}

TEST(TableFigures, AgreeWithTheReportAtFourDecimals) {
  const std::vector<fs::path> folders = CompleteCases();
  ASSERT_GE(folders.size(), 10U);
  for (const fs::path& folder : folders) {
    SCOPED_TRACE(folder.filename().string());
    const Report report = ReadReport(ReadFile((folder / "stdout").string()));
    const RunResult files = RunTable({"-q", "input"}, folder.string());
    const RunResult players = RunTable({"--quiet", "--players", "input"}, folder.string());
    ASSERT_EQ(files.code == 0, files.out.find(",not_finite,") == std::string::npos) << files.err;
    EXPECT_EQ(files.err + players.err, "");

    const std::vector<std::string> rows = Lines(files.out);
    ASSERT_EQ(rows.size(), 2U);
    const std::vector<std::string> row = Fields(rows[1]);
    ASSERT_EQ(row.size(), 15U);
    EXPECT_EQ(row[2], std::to_string(report.row_sums.size()));
    EXPECT_EQ(row[3], report.empath);
    EXPECT_EQ(row[4], report.driver);
    EXPECT_EQ(FourDecimals(row[5]), report.s_e);
    EXPECT_EQ(FourDecimals(row[6]), report.determinant);
    EXPECT_EQ(FourDecimals(row[7]), report.condition);
    EXPECT_EQ(FourDecimals(row[8]), report.log_condition);
    EXPECT_EQ(row[9], std::to_string(report.near_ties));
    EXPECT_GE(std::stod(row[10]), 0.0);
    EXPECT_GE(std::stod(row[11]), 0.0);
    // The reader's warnings are counted; an ok row carries the first, place
    // and text, and a row whose figures overflowed says so instead.
    std::vector<std::string> warnings;
    for (const std::string& line : Lines(ReadFile((folder / "stderr").string()))) {
      if (line.find(": warning: ") != std::string::npos) {
        warnings.push_back(line);
      }
    }
    const std::string kOverflow = "kelvarin: warning: ";
    const bool overflow = !warnings.empty() && warnings.back().rfind(kOverflow, 0) == 0;
    EXPECT_EQ(row[12], std::to_string(warnings.size() - (overflow ? 1 : 0)));
    EXPECT_EQ(row[13], overflow ? "not_finite" : "ok");
    EXPECT_EQ(row[14], overflow           ? warnings.back().substr(kOverflow.size())
                       : warnings.empty() ? ""
                                          : warnings[0]);

    // Q skips the empath, whose weight is empty.
    const std::vector<std::string> player_rows = Lines(players.out);
    ASSERT_EQ(player_rows.size(), report.row_sums.size() + 1);
    std::vector<std::string> weights;
    for (size_t p = 0; p < report.row_sums.size(); ++p) {
      const std::vector<std::string> fields = Fields(player_rows[p + 1]);
      ASSERT_EQ(fields.size(), 7U);
      EXPECT_EQ(fields[1], std::to_string(p + 1));
      EXPECT_EQ(FourDecimals(fields[2]), report.column_sums[p]);
      EXPECT_EQ(FourDecimals(fields[3]), report.row_sums[p]);
      const bool empath = fields[1] == report.empath;
      EXPECT_EQ(fields[4].empty(),
                empath || report.weights[weights.size()].find("nan") != std::string::npos);
      if (!empath) {
        weights.push_back(FourDecimals(fields[4]));
      }
      EXPECT_EQ(fields[5], empath ? "TRUE" : "FALSE");
      EXPECT_EQ(fields[6], fields[1] == report.driver ? "TRUE" : "FALSE");
    }
    EXPECT_EQ(weights, report.weights);
  }
}

TEST(TableRows, OneCallGoesOnPastSingularAndBadFiles) {
  const RunResult run = RunTable({"triad.dat", "missing.dat", "singular.dat"}, KELVARIN_EXAMPLES);
  EXPECT_EQ(run.out,
            "file,description,players,empath,driver,s_e,determinant,condition,log_condition,"
            "near_ties,empath_margin,driver_margin,warnings,status,message\n"
            "triad.dat,Triad of three players,3,3,2,0.5833333333333334,0.75,3,"
            "0.47712125471966244,0,0.125,0.5,0,ok,\n"
            "missing.dat,,,,,,,,,,,,0,error,Data file not found: cannot open 'missing.dat': no "
            "such file\n"
            "singular.dat,Singular reduced matrix,3,3,1,,0,,,0,0.37249995708465633,"
            "0.19000004291534367,0,singular,\"M, the influence "
            "matrix without the empath P3's row and column, is singular: the weights Q do not "
            "exist\"\n");
  EXPECT_EQ(run.err,
            "kelvarin-table: warning: 2 of 3 files were not analysed: 1 error, 1 singular; see "
            "the status column\n");
  EXPECT_EQ(run.code, 1);
  // -q leaves the closing line out, and the rest as it is.
  const RunResult quiet =
      RunTable({"-q", "triad.dat", "missing.dat", "singular.dat"}, KELVARIN_EXAMPLES);
  EXPECT_EQ(quiet.out, run.out);
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.code, 1);
}

TEST(TableRows, ALabelNamesTheFileGivenNextOnly) {
  const std::vector<std::string> arguments = {
      "--label=a \"b\",1", (fs::path(KELVARIN_CASES) / "trailing_text" / "input").string(),
      "--label=-", "missing.dat", "singular.dat"};
  const RunResult run = RunTable(arguments, KELVARIN_EXAMPLES);
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 4U);
  EXPECT_EQ(rows[1].rfind("\"a \"\"b\"\",1\",Triad of three players,", 0), 0U) << rows[1];
  EXPECT_EQ(Fields(rows[1])[14].rfind("a \"b\",1:6:1: warning: 3 more numbers", 0), 0U);
  EXPECT_EQ(rows[2], "-,,,,,,,,,,,,0,error,Data file not found: cannot open '-': no such file");
  EXPECT_EQ(Fields(rows[3])[0], "singular.dat");
  // The threads write what one writes.
  std::vector<std::string> threaded = {"--jobs=2"};
  threaded.insert(threaded.end(), arguments.begin(), arguments.end());
  EXPECT_EQ(RunTable(threaded, KELVARIN_EXAMPLES).out, run.out);
  // A label with no file after it, or two for one file, is a bad command line.
  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{"triad.dat", "--label=x"},
        std::vector<std::string>{"--label=x", "--label=y", "triad.dat"}}) {
    const RunResult bad = RunTable(wrong, KELVARIN_EXAMPLES);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err.rfind("kelvarin-table: error: --label names the FILE given next, ", 0), 0U)
        << bad.err;
    EXPECT_EQ(bad.code, 2);
  }
}

TEST(TableRows, DrawsTooSmallToChangeAValueAreTheFileItself) {
  // Rounded to single precision, an error of at most 1e-10 leaves every value
  // of at least 0.01 as it was read, and one of 1e-300 every value, zeros
  // among them: each draw is the file, whose figures the draws' then are.
  const std::string square =
      TemporaryFile("square.dat",
                    "Square\n4\n1 0.5 0.25 0.125\n0.5 1 0.75 0.375\n0.25 0.5 1 0.0625\n"
                    "0.125 0.375 0.0625 1\n");
  for (const std::vector<std::string>& files :
       {std::vector<std::string>{"--perturb=1e-10", "triad.dat", square},
        std::vector<std::string>{"--perturb=1e-300", "group20.dat", "singular.dat",
                                 "missing.dat"}}) {
    const RunResult plain =
        RunTable(std::vector<std::string>(files.begin() + 1, files.end()), KELVARIN_EXAMPLES);
    std::vector<std::string> arguments = {"--draws=40"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    const RunResult run = RunTable(arguments, KELVARIN_EXAMPLES);
    const std::vector<std::string> rows = Lines(run.out);
    const std::vector<std::string> plain_rows = Lines(plain.out);
    ASSERT_EQ(rows.size(), files.size());
    EXPECT_EQ(rows[0], plain_rows[0] +
                           ",draws,empath_share,driver_share,singular_share,s_e_low,s_e_median,"
                           "s_e_high");
    for (size_t r = 1; r < rows.size(); ++r) {
      const std::vector<std::string> row = Fields(rows[r]);
      ASSERT_EQ(row.size(), 22U) << rows[r];
      // The existing columns are the table's without --perturb.
      EXPECT_EQ(std::vector<std::string>(row.begin(), row.begin() + 15), Fields(plain_rows[r]));
      const std::vector<std::string> drawn(row.begin() + 15, row.end());
      const std::string& s_e = row[5];
      if (row[13] == "error") {
        EXPECT_EQ(drawn, std::vector<std::string>(7, ""));
      } else {
        const std::string singular = row[13] == "singular" ? "1" : "0";
        EXPECT_EQ(drawn, (std::vector<std::string>{"40", "1", "1", singular, s_e, s_e, s_e}))
            << rows[r];
      }
    }
  }
  // Each player's shares: the file's empath is the empath of every draw, and
  // its driver the driver.
  const RunResult players =
      RunTable({"--perturb=1e-10", "--draws=40", "--players", "triad.dat"}, KELVARIN_EXAMPLES);
  const std::vector<std::string> rows = Lines(players.out);
  ASSERT_EQ(rows.size(), 4U);
  EXPECT_EQ(rows[0],
            "file,player,column_sum,row_sum,weight,is_empath,is_driver,empath_share,driver_share");
  for (size_t r = 1; r < rows.size(); ++r) {
    const std::vector<std::string> row = Fields(rows[r]);
    ASSERT_EQ(row.size(), 9U);
    EXPECT_EQ(row[7], row[5] == "TRUE" ? "1" : "0") << rows[r];
    EXPECT_EQ(row[8], row[6] == "TRUE" ? "1" : "0") << rows[r];
  }
}

TEST(TableRows, AnErrorRowHoldsTheFixedReportAndItsPlace) {
  const fs::path folder = fs::path(KELVARIN_CASES) / "value_not_a_number";
  const RunResult run = RunTable({"input", "input"}, folder.string());
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 3U);
  const std::vector<std::string> row = Fields(rows[1]);
  ASSERT_EQ(row.size(), 15U);
  EXPECT_EQ(row[2], "3");
  EXPECT_EQ(row[13], "error");
  // The fixed report, then kelvarin's first error line without its extra lines.
  const std::vector<std::string> report = Lines(ReadFile((folder / "stderr").string()));
  EXPECT_EQ(row[14], "Error reading in matrix.  Check size and values. " + report[0]);
  EXPECT_EQ(rows[2], rows[1]);
  EXPECT_EQ(run.code, 1);
}

TEST(TableRows, PlayersOfOkAndSingularFilesOnly) {
  const RunResult run =
      RunTable({"--players", "singular.dat", "missing.dat", "triad.dat"}, KELVARIN_EXAMPLES);
  EXPECT_EQ(run.out,
            "file,player,column_sum,row_sum,weight,is_empath,is_driver\n"
            "singular.dat,1,1.0625,1.3125,,FALSE,TRUE\n"
            "singular.dat,2,0.5,0.5625,,FALSE,FALSE\n"
            "singular.dat,3,1.4349999570846563,1.1224999570846563,,TRUE,FALSE\n"
            "triad.dat,1,1.3125,1.3125,-0.16666666666666669,FALSE,FALSE\n"
            "triad.dat,2,1.5,1.8125,0.8333333333333334,FALSE,TRUE\n"
            "triad.dat,3,1.625,1.3125,,TRUE,FALSE\n");
  EXPECT_EQ(run.code, 1);
}

TEST(TableRows, ADescriptionNotUtf8IsSaidAndAByteOrderMarkIsNoPartOfIt) {
  const std::string marked =
      TemporaryFile("marked.dat", "\xef\xbb\xbfGruppe M\xc3\xbcller\n2\n1 0\n0 1\n");
  const std::string polish = TemporaryFile("polish.dat", "Zesp\xf3\xb3\n2\n1 0\n0 1\n");
  const RunResult run = RunTable({"--json", marked, polish}, ".");
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 2U);
  EXPECT_EQ(rows[0].rfind("{\"file\":\"" + marked + "\",\"description\":\"Gruppe M\u00fcller\"", 0),
            0U);
  EXPECT_NE(rows[0].find("\"warnings\":0,"), std::string::npos);
  EXPECT_NE(rows[1].find("\"warnings\":1,\"status\":\"ok\",\"message\":\"" + polish +
                         ":1:5: warning: the description is not UTF-8;"),
            std::string::npos)
      << rows[1];
}

// (Not under wine: Windows gives a program its arguments in its code page.)
TEST(TableRows, AFileNameNotUtf8IsSaid) {
  const std::string polish = TemporaryFile("Zesp\xf3\xb3.dat", "Zesp\xf3\xb3\n2\n1 0\n0 1\n");
  const RunResult run =
      RunTable({"--json", "Zesp\xf3\xb3.dat"}, fs::path(polish).parent_path().string());
  EXPECT_NE(run.out.find("\"warnings\":2,\"status\":\"ok\",\"message\":\"the file name "
                         "'Zesp\\\\xf3\\\\xb3.dat' is not UTF-8; it is written as Windows-1252: "
                         "'Zesp\u00f3\u00b3.dat'\""),
            std::string::npos)
      << run.out;
}

TEST(TableCommandLine, BadUseEndsWithStatus2AndNoTable) {
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{},
                                                    {"--csv", "triad.dat"},
                                                    {"--files-from"},
                                                    {"--json", "--players", "triad.dat"},
                                                    {"--files-from", "no-such-list"},
                                                    {"--perturb=0", "triad.dat"},
                                                    {"--perturb=-0.01", "triad.dat"},
                                                    {"--perturb=inf", "triad.dat"},
                                                    {"--perturb=nan", "triad.dat"},
                                                    {"--perturb=0.01x", "triad.dat"},
                                                    {"--perturb=0.01", "--draws=0", "triad.dat"},
                                                    {"--perturb=1", "--draws=1000001", "triad.dat"},
                                                    {"--perturb=1", "--draws=2.5", "triad.dat"},
                                                    {"--perturb=1", "--seed=-1", "triad.dat"},
                                                    {"--perturb=1", "--seed=1e3", "triad.dat"},
                                                    {"--draws=10", "triad.dat"}}) {
    const RunResult run = RunTable(arguments, KELVARIN_EXAMPLES);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err, "");
    EXPECT_EQ(run.code, 2);
  }
  // An ambiguous abbreviation names what it could be.
  const RunResult ambiguous = RunTable({"--j=2", "triad.dat"}, KELVARIN_EXAMPLES);
  EXPECT_EQ(Lines(ambiguous.err)[0], "kelvarin-table: error: --j is ambiguous: --jobs or --json");
}

TEST(TableRows, ErrorRowsKeepWhatWasReadAndTheReasonWithoutAProgramName) {
  const std::string size_21 = (fs::path(KELVARIN_CASES) / "size_21" / "input").string();
  const std::string no_size = TemporaryFile("no-size.dat", "x\nabc\n");
  const std::string shifted =
      TemporaryFile("shifted.dat", "Shifted\n3.0\n1 0.5 0.25\n0.5 1 0.75\n0.25 0.5 1\n");
  const std::string singular =
      TemporaryFile("singular-warned.dat", "Singular\n3\n1 0.5 0.25\n0 0 0.75\n0.25 0.5 0.9\n7\n");
  const std::string wide = (fs::path(KELVARIN_CASES) / "size_beyond_64_bits" / "input").string();
  const RunResult run = RunTable({size_21, no_size, shifted, singular, wide}, KELVARIN_EXAMPLES);
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 6U);
  EXPECT_EQ(Fields(rows[1])[1], Lines(ReadFile(size_21))[0]);
  EXPECT_EQ(Fields(rows[1])[2], "21");
  EXPECT_EQ(Fields(rows[2])[1], "x");
  EXPECT_EQ(Fields(rows[2])[2], "");
  // N written 3.0 shifts every value: the row is ok, and says why it may not be.
  EXPECT_EQ(Fields(rows[3])[13], "ok");
  EXPECT_EQ(Fields(rows[3])[14].rfind(shifted + ":2:2: warning: no blank after the number", 0), 0U);
  // A singular row keeps its own message over the reader's warning.
  EXPECT_EQ(Fields(rows[4])[12], "1");
  EXPECT_EQ(Fields(rows[4])[13], "singular");
  EXPECT_EQ(Fields(rows[4])[14].rfind("M, the influence matrix without the empath P3's", 0), 0U);
  // An N too wide for 64 bits is no number of the file: its message quotes it.
  EXPECT_EQ(Fields(rows[5])[2], "");
  EXPECT_NE(Fields(rows[5])[14].find("is '99999999999999999999999';"), std::string::npos);
  EXPECT_EQ(run.code, 1);
}

}  // namespace
