// The files of a table analysed on several threads at once: the caller's
// thread names the files and writes their rows in the order named, and
// analyses files too while it waits for the next one to write.
// Each file is read and analysed alone, into its own group; the threads
// share only the window of files in flight, under one mutex.
#include <algorithm>
#include <new>
#include <system_error>

#include "table/table.h"
#include "text/utf8.h"

#if defined(KELVARIN_THREADS)
#include <condition_variable>
#include <mutex>
#include <thread>
#endif

// The files in flight are a window of slots, file i in slot i modulo the
// window: named by the caller, taken by a thread (the caller's among them),
// done, written by the caller in the order named, and then free for the
// file window places later.
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
  size_t written = 0;  // files written, by the caller alone
#if defined(KELVARIN_THREADS)
  // Under the mutex: the files named, those taken, which are done, and
  // whether the table ends. The condition variable is notified when a file
  // is named or done, or the table ends.
  std::mutex mutex;
  std::condition_variable changed;
  size_t named = 0;
  size_t taken = 0;
  std::vector<char> done;  // per slot: its file is analysed and waits to be written
  bool ending = false;
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
    case Ending::kNotRead:
      ++tally->error;
      break;
  }
  ++tabulation->progress->files;
  ShowProgress(tabulation->progress, false);
}

#if defined(KELVARIN_THREADS)

// Take the next file named and analyse it, the lock held before and after
// but not during. Return false when every file named is taken.
bool AnalyseNext(Tabulation* tabulation, std::unique_lock<std::mutex>* lock) {
  if (tabulation->taken == tabulation->named) {
    return false;
  }
  const size_t slot = tabulation->taken++ % tabulation->window;
  lock->unlock();
  AnalyseFile(tabulation->paths[slot].c_str(), tabulation->names[slot].c_str(),
              tabulation->perturbation, &tabulation->groups[slot]);
  lock->lock();
  tabulation->done[slot] = 1;
  tabulation->changed.notify_all();
  return true;
}

// A helper thread's work: analyse the files named, and sleep while there is
// none, until the table ends.
void HelpAnalyse(Tabulation* tabulation) {
  std::unique_lock<std::mutex> lock(tabulation->mutex);
  while (!tabulation->ending) {
    if (!AnalyseNext(tabulation, &lock)) {
      tabulation->changed.wait(lock);
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

// Write the oldest file in flight once it is done, analysing files named
// meanwhile, and free its slot.
void WriteOldest(Tabulation* tabulation) {
  const size_t slot = tabulation->written % tabulation->window;
  std::unique_lock<std::mutex> lock(tabulation->mutex);
  while (tabulation->done[slot] == 0) {
    if (!AnalyseNext(tabulation, &lock)) {
      tabulation->changed.wait(lock);
    }
  }
  // No thread touches a done slot: it is written without the lock.
  lock.unlock();
  Write(tabulation, slot);
  lock.lock();
  tabulation->done[slot] = 0;
  ++tabulation->written;
}

#endif

}  // namespace

void TabulationEnd::operator()(Tabulation* tabulation) const {
#if defined(KELVARIN_THREADS)
  {
    // What no thread has taken is dropped.
    const std::lock_guard<std::mutex> lock(tabulation->mutex);
    tabulation->named = tabulation->taken;
    tabulation->ending = true;
  }
  tabulation->changed.notify_all();
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
    tabulation->done.assign(tabulation->window, 0);
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
    // A full window: the oldest file is written to free its slot.
    if (tabulation->named - tabulation->written == tabulation->window) {
      WriteOldest(tabulation);
    }
    {
      const std::lock_guard<std::mutex> lock(tabulation->mutex);
      const size_t slot = tabulation->named % tabulation->window;
      tabulation->paths[slot] = path;
      tabulation->names[slot] = name;
      ++tabulation->named;
    }
    tabulation->changed.notify_all();
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
  if (!tabulation->threads.empty() && std::ferror(stdout) == 0) {
    while (tabulation->written < tabulation->named) {
      WriteOldest(tabulation);
    }
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
