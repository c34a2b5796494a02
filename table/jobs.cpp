// The files of the table analysed on several threads at once. Each file is
// read and analysed alone, into its own group, so the threads share nothing
// but the next index to take; the rows are written afterwards, in order, by
// the caller.
#include <algorithm>

#include "table/table.h"

#if defined(KELVARIN_THREADS)
#include <atomic>
#include <thread>
#endif

void AnalyseFiles(const std::vector<std::string>& paths, int jobs, std::vector<Group>* groups) {
  const size_t count = paths.size();
  groups->resize(std::max(groups->size(), count));
#if defined(KELVARIN_THREADS)
  std::atomic<size_t> next{0};
  auto analyse = [&paths, &next, groups, count] {
    for (size_t i = next++; i < count; i = next++) {
      AnalyseFile(paths[i].c_str(), &(*groups)[i]);
    }
  };
  std::vector<std::thread> helpers;
  const size_t threads = std::min(count, static_cast<size_t>(std::max(jobs, 1)));
  for (size_t t = 1; t < threads; ++t) {
    helpers.emplace_back(analyse);
  }
  analyse();
  for (std::thread& helper : helpers) {
    helper.join();
  }
#else
  (void)jobs;
  for (size_t i = 0; i < count; ++i) {
    AnalyseFile(paths[i].c_str(), &(*groups)[i]);
  }
#endif
}

int MachineThreads() {
#if defined(KELVARIN_THREADS)
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
#else
  return 1;
#endif
}
