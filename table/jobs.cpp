// The files of a table analysed on several threads at once: the caller's
// thread names the files, writes their rows in the order named, and
// analyses files too while it waits for one to write.
// Each file is read and analysed alone, into its own group; the threads
// share only the window of files in flight.
#include <algorithm>
#include <new>
#include <system_error>

#include "table/table.h"
#include "text/utf8.h"

#if defined(KELVARIN_THREADS)
#include <atomic>
#include <condition_variable>
#include <limits>
#include <mutex>
#include <thread>
#endif

// A file named is given to the threads with others, taken by a thread,
// analysed and written; its slot in the window (its index modulo window) is
// named again once it is written. The counters and the done marks are
// atomic: the lock is taken only to sleep and to wake a sleeper.
struct Tabulation {
  Layout layout = Layout::kFileRows;
  Tally tally;                                 // of the files written so far
  Workbook* workbook = nullptr;                // where the rows go instead of standard output
  const Perturbation* perturbation = nullptr;  // the draws of each file, if any
  Progress* progress = nullptr;                // counts the files written
  bool rows_on_terminal = false;               // the progress line goes before rows
  size_t window = 1;                           // the files in flight at most
  std::vector<std::string> paths;
  std::vector<std::string> names;  // what the rows call the files
  std::vector<Group> groups;
  size_t named = 0;    // files named by the caller
  size_t written = 0;  // files written
#if defined(KELVARIN_THREADS)
  std::unique_ptr<std::atomic<bool>[]> done;  // the group waits to be written
  std::atomic<size_t> given{0};               // files given to the threads: the first named
  std::atomic<size_t> taken{0};               // files taken by a thread
  std::atomic<size_t> awaited{std::numeric_limits<size_t>::max()};  // by the caller
  std::atomic<bool> ending{false};
  std::mutex mutex;
  std::condition_variable given_more;  // a file to take, or the end
  std::condition_variable analysed;    // the file awaited is done
  std::vector<std::thread> threads;
#endif
};

namespace {

void Write(Tabulation* tabulation, size_t slot) {
  const Group& group = tabulation->groups[slot];
  // After a stop signal the table ends in the rows written before it.
  if (group.stopped || StopSignal() != 0) {
    return;
  }
  if (tabulation->rows_on_terminal) {
    EraseProgress(tabulation->progress);
  }
  if (tabulation->workbook != nullptr) {
    AddToWorkbook(tabulation->workbook, AsUtf8(tabulation->names[slot]), group);
  } else {
    WriteRows(stdout, tabulation->layout, tabulation->names[slot].c_str(), group);
  }
  Tally* tally = &tabulation->tally;
  ++tally->files;
  switch (group.analysis.ending) {
    case Ending::kComplete:
      break;
    case Ending::kSingular:
      ++tally->singular;
      break;
    case Ending::kNotFinite:
      ++tally->not_finite;
      break;
    case Ending::kNoMemory:
      ++tally->error;
      break;
  }
  ++tabulation->progress->files;
  ShowProgress(tabulation->progress, false);
}

#if defined(KELVARIN_THREADS)

// Wake who sleeps on condition. Whoever sleeps checked, under the lock,
// what has just changed; taking the lock waits until it sleeps.
void Wake(Tabulation* tabulation, std::condition_variable* condition) {
  { const std::lock_guard<std::mutex> lock(tabulation->mutex); }
  condition->notify_all();
}

// Take the next file given and analyse it. Return false when every file
// given is taken.
bool AnalyseNext(Tabulation* tabulation) {
  size_t index = tabulation->taken.load();
  do {
    if (index >= tabulation->given.load()) {
      return false;
    }
  } while (!tabulation->taken.compare_exchange_weak(index, index + 1));
  const size_t slot = index % tabulation->window;
  AnalyseFile(tabulation->paths[slot].c_str(), tabulation->names[slot].c_str(),
              tabulation->perturbation, &tabulation->groups[slot]);
  tabulation->done[slot].store(true);
  if (tabulation->awaited.load() == index) {
    Wake(tabulation, &tabulation->analysed);
  }
  return true;
}

// A helper thread's work: analyse the files given, and sleep while there is
// none.
void HelpAnalyse(Tabulation* tabulation) {
  for (;;) {
    if (AnalyseNext(tabulation)) {
      continue;
    }
    std::unique_lock<std::mutex> lock(tabulation->mutex);
    tabulation->given_more.wait(lock, [tabulation] {
      return tabulation->taken.load() < tabulation->given.load() || tabulation->ending.load();
    });
    if (tabulation->taken.load() >= tabulation->given.load()) {
      return;
    }
  }
}

// HelpAnalyse on a thread of its own, where memory that runs out ends the
// run as on the caller's.
void Help(Tabulation* tabulation) {
  try {
    HelpAnalyse(tabulation);
  } catch (const std::bad_alloc&) {
    EndForWantOfMemory();
  }
}

// Give the files named to the threads.
void Give(Tabulation* tabulation) {
  if (tabulation->given.load() < tabulation->named) {
    tabulation->given.store(tabulation->named);
    Wake(tabulation, &tabulation->given_more);
  }
}

// Wait until the file of index is done, analysing files given meanwhile.
void Await(Tabulation* tabulation, size_t index) {
  std::atomic<bool>& done = tabulation->done[index % tabulation->window];
  tabulation->awaited.store(index);
  while (!done.load()) {
    if (!AnalyseNext(tabulation)) {
      std::unique_lock<std::mutex> lock(tabulation->mutex);
      tabulation->analysed.wait(lock, [&done] { return done.load(); });
    }
  }
}

// Write the files in order up to the one of index last, and then those
// after it that are done already. Files are taken in order, so the caller
// sleeps until the last is done, not for each.
void WriteUpTo(Tabulation* tabulation, size_t last) {
  Await(tabulation, last);
  for (; tabulation->written < tabulation->given.load(); ++tabulation->written) {
    const size_t slot = tabulation->written % tabulation->window;
    if (tabulation->written <= last) {
      Await(tabulation, tabulation->written);
    } else if (!tabulation->done[slot].load()) {
      return;
    }
    Write(tabulation, slot);
    tabulation->done[slot].store(false);
  }
}

#endif

}  // namespace

void TabulationEnd::operator()(Tabulation* tabulation) const {
#if defined(KELVARIN_THREADS)
  // What no thread has taken is dropped.
  tabulation->given.store(std::min(tabulation->given.load(), tabulation->taken.load()));
  tabulation->ending.store(true);
  Wake(tabulation, &tabulation->given_more);
  for (std::thread& thread : tabulation->threads) {
    thread.join();
  }
#endif
  delete tabulation;
}

Tabulator BeginTabulation(Layout layout, int jobs, Workbook* workbook,
                          const Perturbation* perturbation, Progress* progress) {
  Tabulator tabulation(new Tabulation);
  tabulation->layout = layout;
  tabulation->workbook = workbook;
  tabulation->perturbation = perturbation;
  tabulation->progress = progress;
  tabulation->rows_on_terminal = progress->shown && workbook == nullptr && IsTerminal(stdout);
#if defined(KELVARIN_THREADS)
  if (jobs > 1) {
    tabulation->window = kFilesPerJob * static_cast<size_t>(jobs);
    tabulation->paths.resize(tabulation->window);
    tabulation->names.resize(tabulation->window);
    tabulation->groups.resize(tabulation->window);
    tabulation->done.reset(new std::atomic<bool>[tabulation->window]);
    for (size_t slot = 0; slot < tabulation->window; ++slot) {
      tabulation->done[slot].store(false);
    }
    // The caller's thread is one of them, between naming and writing.
    // Threads that cannot be had are done without; with none, each file is
    // analysed as it is named.
    try {
      for (int t = 1; t < jobs; ++t) {
        tabulation->threads.emplace_back(Help, tabulation.get());
      }
    } catch (const std::system_error&) {
    }
  }
  if (tabulation->threads.empty()) {
    tabulation->window = 1;
  }
#else
  (void)jobs;
#endif
  tabulation->paths.resize(tabulation->window);
  tabulation->names.resize(tabulation->window);
  tabulation->groups.resize(tabulation->window);
  return tabulation;
}

void Tabulate(Tabulation* tabulation, const char* path, const char* name) {
#if defined(KELVARIN_THREADS)
  if (!tabulation->threads.empty()) {
    if (tabulation->named - tabulation->written == tabulation->window) {
      // A full window is written up to its half: the caller sleeps once for
      // many files, while the threads go on with the other half.
      Give(tabulation);
      WriteUpTo(tabulation, tabulation->written + tabulation->window / 2 - 1);
    }
    // No thread reads a slot that is not given yet.
    const size_t slot = tabulation->named++ % tabulation->window;
    tabulation->paths[slot] = path;
    tabulation->names[slot] = name;
    if (tabulation->named - tabulation->given.load() >= tabulation->window / 2) {
      Give(tabulation);
    }
    return;
  }
#endif
  AnalyseFile(path, name, tabulation->perturbation, tabulation->groups.data());
  tabulation->names[0] = name;
  Write(tabulation, 0);
}

long long NotOk(const Tally& tally) { return tally.error + tally.singular + tally.not_finite; }

Tally EndTabulation(Tabulation* tabulation) {
#if defined(KELVARIN_THREADS)
  if (!tabulation->threads.empty() && tabulation->named > tabulation->written &&
      std::ferror(stdout) == 0) {
    Give(tabulation);
    WriteUpTo(tabulation, tabulation->named - 1);
  }
#endif
  return tabulation->tally;
}

int MachineThreads() {
#if defined(KELVARIN_THREADS)
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
#else
  return 1;
#endif
}
