// kelvarin-table's inputs: lists of names ending in line ends or NUL bytes,
// FIFOs and standard input, and files analysed on several threads, which
// must write the bytes of one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "tests/table_run.h"

namespace {

namespace fs = std::filesystem;

TEST(TableLists, NamesEndInLineEndsOrNulBytesAndNothingIsLostSilently) {
  const std::string triad = fs::path(KELVARIN_EXAMPLES) / "triad.dat";
  const std::string singular = fs::path(KELVARIN_EXAMPLES) / "singular.dat";
  {  // CR LF line ends and an empty line
    const std::string list = TemporaryFile("crlf.list", triad + "\r\n\r\n" + singular + "\r\n");
    const RunResult run = RunTable({"--files-from=" + list}, ".");
    EXPECT_EQ(Lines(run.out).size(), 3U) << run.out;
    EXPECT_EQ(Fields(Lines(run.out)[2])[0], singular);
  }
  {  // find -print0
    const std::string list = TemporaryFile("print0.list", triad + '\0' + singular + '\0');
    const RunResult run = RunTable({"-q0", "--files-from", list}, ".");
    EXPECT_EQ(Lines(run.out).size(), 3U);
    EXPECT_EQ(run.err, "");
    // The same list read as lines: the NUL byte is an error with its place.
    const RunResult lines = RunTable({"--files-from", list}, ".");
    EXPECT_EQ(Lines(lines.out).size(), 1U);
    EXPECT_EQ(lines.err.rfind(list + ":1:1: error: a NUL byte in the list", 0), 0U) << lines.err;
    EXPECT_EQ(lines.code, 1);
  }
  {  // an endless list of NUL bytes ends at once either way
    EXPECT_EQ(RunTable({"--files-from", "/dev/zero"}, ".").code, 1);
    const RunResult run = RunTable({"--null", "--files-from", "/dev/zero"}, ".");
    EXPECT_NE(run.err.find("/dev/zero:1:1: error: an empty name"), std::string::npos);
    EXPECT_EQ(run.code, 1);
  }
  {  // a name longer than a path is skipped and said, the next still read
    const std::string list =
        TemporaryFile("long.list", std::string(70000, 'a') + "\n" + triad + "\n");
    const RunResult run = RunTable({"--files-from", list}, ".");
    EXPECT_EQ(Lines(run.out).size(), 2U);
    EXPECT_EQ(run.err.rfind(list + ":1:1: error: a name longer than the longest path", 0), 0U);
    EXPECT_EQ(run.code, 1);
  }
  {  // an empty list is said
    const std::string list = TemporaryFile("empty.list", "");
    const RunResult run = RunTable({"--files-from", list}, ".");
    EXPECT_EQ(run.err, "kelvarin-table: warning: the list '" + list + "' names no data file\n");
    EXPECT_EQ(run.code, 0);
  }
}

TEST(TableInputs, NoHangOnAFifoAndStandardInputOnce) {
  const std::string fifo =
      (fs::path(TemporaryFile("fifo", "")).parent_path() / "nobody-writes").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const RunResult run = RunTable({"triad.dat", fifo, "triad.dat"}, KELVARIN_EXAMPLES);
  ASSERT_EQ(run.end, RunResult::End::kExited);
  const std::vector<std::string> rows = Lines(run.out);
  ASSERT_EQ(rows.size(), 4U);
  EXPECT_EQ(Fields(rows[2])[13], "error");
  EXPECT_EQ(Fields(rows[3])[13], "ok");
  // A pipe that has a writer is read; standard input is "-".
  const std::string table = TableProgram();
  EXPECT_EQ(Fields(Lines(RunShell(table + " <(cat triad.dat)").out)[1])[13], "ok");
  EXPECT_EQ(Fields(Lines(RunShell(table + " - <triad.dat").out)[1])[0], "-");
  EXPECT_EQ(RunShell(table + " - --files-from - <triad.dat").code, 2);
  // The help that cannot be written is said.
  const RunResult full = RunShell(table + " --help >/dev/full");
  EXPECT_EQ(full.err.rfind("kelvarin-table: error: cannot write the help", 0), 0U) << full.err;
  EXPECT_EQ(full.code, 1);
  // So is the table that cannot be written, however well its files went.
  const RunResult table_full = RunShell(table + " triad.dat >/dev/full");
  EXPECT_EQ(table_full.err.rfind("kelvarin-table: error: cannot write the table", 0), 0U);
  EXPECT_EQ(table_full.code, 1);
}

TEST(TableJobs, ManyThreadsWriteTheBytesOfOne) {
  // The end-to-end cases' files, missing ones, and generated groups, good and
  // bad mixed (a fixed seed), in one list.
  const fs::path folder = TemporaryFolder("jobs");
  std::string list;
  for (const fs::directory_entry& entry : fs::directory_iterator(KELVARIN_CASES)) {
    if (fs::exists(entry.path() / "input")) {
      list += (entry.path() / "input").string() + "\n";
    }
  }
  std::mt19937 random(301);  // NOLINT(cert-msc32-c,cert-msc51-cpp): a failure must repeat
  for (int k = 0; k < 300; ++k) {
    const int n = std::uniform_int_distribution<int>(2, 20)(random);
    std::string text = "Group " + std::to_string(k) + "\n" + std::to_string(n) + "\n";
    const int values = n * n - (k % 7 == 0 ? 1 : 0);  // some end early
    for (int v = 0; v < values; ++v) {
      text += std::to_string(std::uniform_int_distribution<int>(-99, 99)(random) / 100.0) +
              (v % n == n - 1 ? "\n" : " ");
    }
    const fs::path path = folder / ("g" + std::to_string(k) + ".dat");
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    (void)std::fwrite(text.data(), 1, text.size(), file);
    (void)std::fclose(file);
    list += path.string() + "\n" + (k % 50 == 0 ? (folder / "missing.dat").string() + "\n" : "");
  }
  const std::string list_path = TemporaryFile("jobs.list", list);
  for (const std::string form : {"--files-from", "--players", "--json"}) {
    // The file table needs no option of its own.
    std::vector<std::string> common = {form, "--files-from", list_path};
    if (form == "--files-from") {
      common = {"--files-from", list_path};
    }
    std::vector<std::string> one = {"--jobs=1"};
    one.insert(one.end(), common.begin(), common.end());
    std::vector<std::string> two = {"--jobs", "2"};
    two.insert(two.end(), common.begin(), common.end());
    const RunResult single = RunTable(one, ".");
    const RunResult threaded = RunTable(two, ".");
    EXPECT_GT(Lines(single.out).size(), 300U) << form;
    EXPECT_EQ(threaded.out, single.out) << form;
    EXPECT_EQ(threaded.code, single.code) << form;
  }
}

}  // namespace
