// A program run as a child process for tests of real processes: standard output to a file,
// standard error through a pipe read here, every wait bounded by a deadline and ended by an event
// (a line on standard error, the child's end), never by a fixed sleep.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using SteadyTime = std::chrono::steady_clock::time_point;

// One run of `program`: standard output to a file, standard error through a pipe read here.
class Child {
public:
  Child(const std::string& program, const std::vector<std::string>& arguments,
        const std::vector<std::string>& environment, const std::filesystem::path& output) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
      Problem = std::string("pipe: ") + std::strerror(errno);
      return;
    }
    ErrorFd = ends[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, ends[1], STDERR_FILENO);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    const int error = ::posix_spawn(&Pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    if (error != 0) {
      Problem = std::string("posix_spawn: ") + std::strerror(error);
      Pid = -1;
      return;
    }
    PidFd = static_cast<int>(::syscall(SYS_pidfd_open, Pid, 0));
  }

  // Nothing outlives its scenario.
  ~Child() {
    if (Pid > 0 && !Status) {
      ::kill(Pid, SIGKILL);
      ::waitpid(Pid, nullptr, 0);
    }
    if (ErrorFd >= 0) ::close(ErrorFd);
    if (PidFd >= 0) ::close(PidFd);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  bool Started() const { return Pid > 0; }
  pid_t Id() const { return Pid; }
  void Signal(int signal) const {
    if (Pid > 0 && !Status) ::kill(Pid, signal);  // not reaped yet: the id is still this child's
  }

  // Waits until standard error holds `text`; false when the child ended or the deadline passed first.
  bool WaitForText(const std::string& text, SteadyTime deadline) {
    while (Errors.find(text) == std::string::npos)
      if (!Pump(deadline)) return false;
    return true;
  }

  // The exit status as a shell reports it (128 + the signal that ended it); nothing when it still
  // runs at the deadline.
  std::optional<int> WaitForExit(SteadyTime deadline) {
    while (!Status || ErrorFd >= 0)
      if (!Pump(deadline)) break;
    return Status;
  }

  std::string Errors;
  std::string Problem;

private:
  // Takes in what the child wrote and notices its end, waiting for either until the deadline.
  // False when nothing more can come, or the deadline has passed.
  bool Pump(SteadyTime deadline) {
    if (Pid <= 0 || (ErrorFd < 0 && Status)) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    int timeout = static_cast<int>(left.count());
    // Without a pidfd the end is looked for between polls of the pipe.
    if (!Status && PidFd < 0) timeout = std::min(timeout, 50);
    pollfd watched[2];
    nfds_t count = 0;
    const nfds_t errorSlot = ErrorFd >= 0 ? count : 2;
    if (ErrorFd >= 0) watched[count++] = {ErrorFd, POLLIN, 0};
    if (!Status && PidFd >= 0) watched[count++] = {PidFd, POLLIN, 0};
    if (::poll(watched, count, timeout) < 0 && errno != EINTR) return false;
    if (errorSlot < count && watched[errorSlot].revents != 0) {
      char buffer[4096];
      const ssize_t got = ::read(ErrorFd, buffer, sizeof buffer);
      if (got > 0) {
        Errors.append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(ErrorFd);
        ErrorFd = -1;
      }
    }
    if (!Status) {
      int status = 0;
      if (::waitpid(Pid, &status, WNOHANG) == Pid)
        Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    return true;
  }

  pid_t Pid = -1;
  int ErrorFd = -1;
  int PidFd = -1;
  std::optional<int> Status;
};

