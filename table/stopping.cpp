// How a run of the table ends early and what it leaves: the signals that
// stop it between files and between draws, the workbook's temporary that an
// abrupt end removes, and the progress line on a terminal.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "command_line/command_line.h"
#include "table/table.h"

#if defined(_WIN32)
#include <direct.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// The signal that asked the run to stop, 0 while none has. A handler may
// only set a flag of this type.
volatile std::sig_atomic_t stop_signal = 0;

// The workbook's temporary file and its private folder, for a handler to
// remove: set only while registered is 0, read only while it is 1.
volatile std::sig_atomic_t registered = 0;
char temporary_file[kLongestTemporary];
char temporary_folder[kLongestTemporary];

// The first stop signal is noted, and the run stops at its next file or
// draw; a second one ends the process at once, as the signal would have
// without a handler, after removing the temporary. Async-signal-safe calls
// only: unlink, rmdir, signal and raise.
void OnStopSignal(int signal_number) {
  if (stop_signal == 0) {
    stop_signal = signal_number;
#if defined(_WIN32)
    // Windows resets the handler before calling it.
    (void)std::signal(signal_number, &OnStopSignal);
#endif
    return;
  }
  RemoveTemporary();
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}

// A crash (in the workbook's library, say, when its memory runs out)
// removes the temporary, then ends the process as the signal does.
void OnCrash(int signal_number) {
  RemoveTemporary();
  (void)std::signal(signal_number, SIG_DFL);
  (void)std::raise(signal_number);
}

// The progress line is drawn again at most ten times a second.
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

}  // namespace

void CatchStopSignals() {
  for (const int signal_number : {SIGSEGV, SIGABRT, SIGFPE, SIGILL}) {
    (void)std::signal(signal_number, &OnCrash);
  }
#if defined(_WIN32)
  for (const int signal_number : {SIGINT, SIGTERM}) {
    (void)std::signal(signal_number, &OnStopSignal);
  }
#else
  (void)std::signal(SIGBUS, &OnCrash);
  struct sigaction action = {};
  action.sa_handler = &OnStopSignal;
  // Writes and reads go on after the handler: a stop is seen between files.
  action.sa_flags = SA_RESTART;
  (void)sigemptyset(&action.sa_mask);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored when the run began stays ignored (nohup, a shell's
    // background job).
    struct sigaction before = {};
    if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) {
      continue;
    }
    (void)sigaction(signal_number, &action, nullptr);
  }
#endif
}

int StopSignal() { return stop_signal; }

bool RegisterTemporary(const std::string& file, const std::string& folder) {
  registered = 0;
  if (file.size() >= kLongestTemporary || folder.size() >= kLongestTemporary) {
    return false;
  }
  std::memcpy(temporary_file, file.c_str(), file.size() + 1);
  std::memcpy(temporary_folder, folder.c_str(), folder.size() + 1);
  registered = 1;
  return true;
}

void ForgetTemporary() { registered = 0; }

void RemoveTemporary() {
  if (registered == 0) {
    return;
  }
#if defined(_WIN32)
  (void)_unlink(temporary_file);
  (void)_rmdir(temporary_folder);
#else
  (void)unlink(temporary_file);
  (void)rmdir(temporary_folder);
#endif
}

void EndForWantOfMemory() {
  RemoveTemporary();
  // No memory is needed to say it.
  std::fputs(kTableProgram, stderr);
  std::fputs(": error: out of memory\n", stderr);
  std::_Exit(kFailure);
}

bool IsTerminal(std::FILE* stream) {
#if defined(__EMSCRIPTEN__)
  // Its standard streams are a terminal device in name only: the page and
  // node take them as text.
  (void)stream;
  return false;
#elif defined(_WIN32)
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

void ShowProgress(Progress* progress, bool now) {
  if (!progress->shown || progress->busy.test_and_set()) {
    return;
  }
  const auto time = std::chrono::steady_clock::now();
  if (now || time - progress->last >= kProgressInterval) {
    progress->last = time;
    const long long files = progress->files.load();
    const long long draws = progress->draws.load();
    // "\r" goes back to the line's start, "\033[K" clears it to its end.
    if (progress->all_files >= 0) {
      std::fprintf(stderr, "\r%s: %lld of %lld files", kTableProgram, files, progress->all_files);
    } else {
      std::fprintf(stderr, "\r%s: %lld files", kTableProgram, files);
    }
    if (progress->perturbed) {
      std::fprintf(stderr, ", %lld draws", draws);
    }
    std::fputs("\033[K", stderr);
    progress->standing = true;
  }
  progress->busy.clear();
}

void EraseProgress(Progress* progress) {
  if (!progress->shown) {
    return;
  }
  while (progress->busy.test_and_set()) {
  }
  if (progress->standing) {
    std::fputs("\r\033[K", stderr);
    progress->standing = false;
  }
  progress->busy.clear();
}

bool CountDraw(void* progress) {
  auto* shown = static_cast<Progress*>(progress);
  ++shown->draws;
  ShowProgress(shown, false);
  return StopSignal() == 0;
}
