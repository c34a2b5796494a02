#include "tests/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// A temporary file that the child writes and the parent reads back.
struct Capture {
  Capture() {
    char name[] = "/tmp/kelvarin-run-XXXXXX";
    fd = mkstemp(name);
    path = name;
  }
  ~Capture() {
    close(fd);
    unlink(path.c_str());
  }
  Capture(const Capture&) = delete;
  Capture& operator=(const Capture&) = delete;
  int fd;
  std::string path;
};

}  // namespace

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

RunResult RunProgram(const std::vector<std::string>& argv, const std::string& directory,
                     int timeout_seconds) {
  Capture out;
  Capture err;
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const std::string& arg : argv) {
    args.push_back(const_cast<char*>(arg.c_str()));
  }
  args.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    if (in < 0 || dup2(in, 0) < 0 || dup2(out.fd, 1) < 0 || dup2(err.fd, 2) < 0 ||
        chdir(directory.c_str()) != 0) {
      _exit(127);
    }
    execvp(args[0], args.data());
    _exit(127);
  }

  RunResult result;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.end = RunResult::End::kTimedOut;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (result.end != RunResult::End::kTimedOut) {
    if (WIFSIGNALED(status)) {
      result.end = RunResult::End::kSignaled;
      result.code = WTERMSIG(status);
    } else {
      result.code = WEXITSTATUS(status);
    }
  }
  result.out = ReadFile(out.path);
  result.err = ReadFile(err.path);
  return result;
}
