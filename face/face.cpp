// The pieces that the faces in other languages share (see face/face.h).
#include "face/face.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <utility>

#include "app/front_end.h"
#include "face/console.h"
#include "graph/dot.h"
#include "graph/views.h"
#include "routines/routines.h"
#include "text/utf8.h"

MemoryText::MemoryText() : stream(open_memstream(&buffer, &size)) {
  if (stream == nullptr) {
    throw std::bad_alloc();
  }
}

MemoryText::~MemoryText() {
  if (stream != nullptr) {
    (void)std::fclose(stream);
  }
  std::free(buffer);
}

std::string MemoryText::Text() {
  const int closed = std::fclose(stream);
  stream = nullptr;
  if (closed != 0) {
    throw std::bad_alloc();
  }
  return std::string(buffer, size);
}

namespace {

// While this lives, the report's printers write into text: their standard
// output is kelvarin_stdout in a face.
struct OutputIntoMemory {
  MemoryText text;
  OutputIntoMemory() { kelvarin_stdout = text.stream; }
  OutputIntoMemory(const OutputIntoMemory&) = delete;
  OutputIntoMemory& operator=(const OutputIntoMemory&) = delete;
  ~OutputIntoMemory() { kelvarin_stdout = nullptr; }
};

// The host's check (taking Python's GIL, R's look at its events) costs
// far more than a file's analysis: made this seldom, it costs nothing that
// shows, and a stop still comes at once for a person.
constexpr std::chrono::milliseconds kStopCheckInterval{25};

// Return what stop says when *due has come, and set *due to the time of
// the next check; false before.
bool StopSaid(const std::function<bool()>& stop, std::chrono::steady_clock::time_point* due) {
  const auto now = std::chrono::steady_clock::now();
  if (now < *due) {
    return false;
  }
  *due = now + kStopCheckInterval;
  return stop();
}

}  // namespace

ReadFile ReadFileAt(const std::string& path) {
  Diagnostics diagnostics;
  diagnostics.program = "kelvarin";
  diagnostics.stream = nullptr;
  diagnostics.keep = true;
  Reader reader;
  reader.diagnostics = &diagnostics;
  ReadFile read;
  read.failure = ReadDataFile(path.c_str(), path.c_str(), &reader, &read.influence);
  read.description = reader.has_description ? reader.description : "";
  read.said = std::move(diagnostics.said);
  return read;
}

Matrix InfluenceOf(const double* values, int n, std::ptrdiff_t row_step,
                   std::ptrdiff_t column_step) {
  if (n < kMinPlayers || n > kMaxPlayers) {
    throw std::invalid_argument("the influence matrix must be square, of 2 to 20 players");
  }
  Matrix influence(gsl_matrix_alloc(static_cast<size_t>(n), static_cast<size_t>(n)));
  if (!influence) {
    throw std::bad_alloc();
  }
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      const auto rounded = static_cast<float>(values[r * row_step + c * column_step]);
      // A value beyond single precision's range rounds to an infinity.
      if (!std::isfinite(rounded)) {
        throw std::invalid_argument("every influence value must be finite in single precision");
      }
      gsl_matrix_set(influence.get(), static_cast<size_t>(r), static_cast<size_t>(c), rounded);
    }
  }
  return influence;
}

std::string Report(const std::string& description, const gsl_matrix* influence,
                   const Analysis& analysis) {
  constexpr const char* kNotice =
      "Finds the empath and the driver of a group and the weights of influence on the empath.";
  constexpr int kMeasureWidth = 6;
  if (analysis.ending == Ending::kNoMemory) {
    throw std::bad_alloc();
  }
  OutputIntoMemory output;
  std::FILE* out = output.text.stream;
  const auto measure = [out](const char* label, double value) {
    char field[kFixedCapacity];
    const char* end = format_fixed(field, value, kMeasureWidth);
    std::fputs(label, out);
    std::fwrite(field, 1, static_cast<size_t>(end - field), out);
    std::fputc('\n', out);
  };
  const int n = analysis.n;
  std::fprintf(out, "\nEntering: %s ver. %s (Quorvane)...\n\n", kProgramName, kProgramVersion);
  std::fprintf(out, "  %s\n\n", kNotice);
  std::fputs("Data description: ", out);
  std::fwrite(description.data(), 1, description.size(), out);
  std::fprintf(out, "\nNumber of players (dimension of matrix) = %d\n\n", n);
  print_near_ties("column", analysis.empath.near_ties);
  print_near_ties("row", analysis.driver.near_ties);
  std::fprintf(out, "\nOriginal Matrix\n\n");
  print_original_matrix(n, n, influence, analysis.row_sums.get(), analysis.column_sums.get());
  std::fprintf(out, "\n\nThe empath is P%d.\n", analysis.empath.player + 1);
  std::fprintf(out, "The driver is P%d.\n\n", analysis.driver.player + 1);
  std::fprintf(out, "\nReduced Vector V' \n\n");
  vector_print(analysis.v.get());
  std::fprintf(out, "\nReduced Matrix M \n\n");
  matrix_print(analysis.reduced.get());
  if (analysis.ending != Ending::kSingular) {
    std::fprintf(out, "\nThe vector of weights Q is:\n\n");
    vector_print(analysis.q.get());
    measure("The synchronization coefficient S_E is: ", *analysis.s_e);
    measure("\nThe determinant of M is: \t\t\t", *analysis.determinant);
    measure("The 1-condition number of M is: \t\t", *analysis.condition);
    measure("The log of the 1-condition number of M is: \t", *analysis.log_condition);
    std::fprintf(out, "\nExiting: %s ver. %s (Quorvane).\n\n", kProgramName, kProgramVersion);
  }
  kelvarin_stdout = nullptr;
  return output.text.Text();
}

std::string Dot(const std::string& description, const gsl_matrix* influence,
                const Analysis& analysis, const std::string& view,
                const std::vector<std::string>& names, double min, int top) {
  if (view != "network" && view != "heatmap" && view != "focus") {
    throw std::invalid_argument("view must be \"network\", \"heatmap\" or \"focus\"");
  }
  if (analysis.ending == Ending::kNoMemory) {
    throw std::bad_alloc();
  }
  GroupGraph graph;
  graph.description = WithoutByteOrderMark(description);
  graph.influence = influence;
  graph.analysis = &analysis;
  graph.min = min;
  graph.top = top;
  graph.names = &names;
  MemoryText dot;
  if (view == "heatmap") {
    graph.view = View::kHeatmap;
    WriteHeatmap(dot.stream, graph);
  } else if (view == "focus") {
    graph.view = View::kFocus;
    WriteFocus(dot.stream, graph);
  } else {
    WriteDot(dot.stream, graph);
  }
  return dot.Text();
}

Perturbation PerturbationOf(double spread, double draws, const std::string& seed) {
  if (!(spread > 0.0) || !std::isfinite(spread) || spread > kLargestFloat) {
    throw std::invalid_argument("d must be a finite number above 0");
  }
  if (!(draws >= 1.0) || draws > static_cast<double>(kMostDraws) || draws != std::floor(draws)) {
    throw std::invalid_argument("draws must be a whole number from 1 to 1000000");
  }
  std::uint64_t parsed = 0;
  const auto result = std::from_chars(seed.data(), seed.data() + seed.size(), parsed);
  if (result.ec != std::errc() || result.ptr != seed.data() + seed.size()) {
    throw std::invalid_argument("seed must be a whole number from 0 to 18446744073709551615");
  }
  Perturbation perturbation;
  perturbation.spread = spread;
  perturbation.draws = static_cast<long long>(draws);
  perturbation.seed = parsed;
  return perturbation;
}

std::vector<Group> AnalyseFiles(const std::vector<std::string>& paths,
                                const std::vector<std::string>& names,
                                const Perturbation* perturbation, int jobs,
                                const std::function<bool()>& stop) {
  if (names.size() != paths.size()) {
    throw std::invalid_argument("a name for each path");
  }
  std::vector<Group> groups(paths.size());
  const GslHandlerOff handler_off;
  // Each thread takes the next file not yet taken, into its own group, so
  // that a thread that the machine runs less often takes fewer. What one
  // throws (memory that cannot be had) is thrown again once all are done,
  // never out of a thread, which would end the process; the others take no
  // more files meanwhile, as after a stop.
  const size_t threads =
      std::max<size_t>(1, std::min(static_cast<size_t>(std::max(jobs, 1)), paths.size()));
  std::vector<std::exception_ptr> thrown(threads);
  std::atomic<size_t> next{0};
  std::atomic<bool> stopping{false};
  bool stopped = false;
  const auto analyse = [&](size_t thread) {
    const bool checks = thread == 0 && stop;
    auto check_due = std::chrono::steady_clock::now() + kStopCheckInterval;
    try {
      for (size_t i = next++; i < paths.size() && !stopping.load(std::memory_order_relaxed);
           i = next++) {
        AnalyseFile(paths[i].c_str(), names[i].c_str(), perturbation, &groups[i]);
        // The rows need none of V', M and Q: thousands of files' would be
        // memory touched for nothing.
        groups[i].analysis.v.reset();
        groups[i].analysis.reduced.reset();
        groups[i].analysis.q.reset();
        if (checks && StopSaid(stop, &check_due)) {
          stopped = true;
          stopping = true;
        }
      }
    } catch (...) {
      thrown[thread] = std::current_exception();
      stopping = true;
    }
  };
  std::vector<std::thread> workers;
  // Room for every thread first: a vector that grew by moving running
  // threads, and failed to, would end the process.
  workers.reserve(threads);
  try {
    for (size_t t = 1; t < threads; ++t) {
      workers.emplace_back(analyse, t);
    }
  } catch (const std::system_error&) {
    // A thread that cannot be had leaves its files to the others.
  }
  analyse(0);
  for (std::thread& worker : workers) {
    worker.join();
  }
  if (stopped) {
    throw Interrupted();
  }
  for (const std::exception_ptr& one : thrown) {
    if (one) {
      std::rethrow_exception(one);
    }
  }
  return groups;
}

bool LineAndColumn(const std::string& place, long long* line, long long* column) {
  const size_t last = place.rfind(':');
  if (last == std::string::npos || last == 0) {
    return false;
  }
  const size_t before = place.rfind(':', last - 1);
  if (before == std::string::npos) {
    return false;
  }
  long long l = 0;
  long long c = 0;
  const char* text = place.data();
  const auto parsed_line = std::from_chars(text + before + 1, text + last, l);
  const auto parsed_column = std::from_chars(text + last + 1, text + place.size(), c);
  if (parsed_line.ec != std::errc() || parsed_line.ptr != text + last ||
      parsed_column.ec != std::errc() || parsed_column.ptr != text + place.size()) {
    return false;
  }
  *line = l;
  *column = c;
  return true;
}
