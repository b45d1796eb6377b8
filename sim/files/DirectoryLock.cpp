#include "sim/files/DirectoryLock.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// The process id the holder wrote, as text; "?" when the file says nothing readable.
std::string HolderOf(int fd) {
  char text[32] = {};
  const ssize_t got = pread(fd, text, sizeof text - 1, 0);
  std::string holder(text, got > 0 ? static_cast<size_t>(got) : 0);
  while (!holder.empty() && (holder.back() == '\n' || holder.back() == ' ')) holder.pop_back();
  const bool digits = !holder.empty() && holder.find_first_not_of("0123456789") == std::string::npos;
  return digits ? holder : "?";
}

}  // namespace

DirectoryLock::DirectoryLock(const std::string& directory) {
  if (directory.empty()) return;
  const std::string path = directory + "/" + FileName;
  Fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (Fd < 0) {
    Refused = "The virtual printer's lock " + path + " cannot be opened (" + std::strerror(errno) + ").";
    return;
  }
  if (::flock(Fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    Refused = error == EWOULDBLOCK ? "The virtual printer in " + directory + " is in use by process " + HolderOf(Fd) +
                                         ": one program at a time."
                                   : "The virtual printer's lock " + path + " cannot be taken (" + std::strerror(error) + ").";
    ::close(Fd);
    Fd = -1;
    return;
  }
  const std::string pid = std::to_string(::getpid()) + "\n";
  if (::ftruncate(Fd, 0) != 0 || ::pwrite(Fd, pid.data(), pid.size(), 0) != static_cast<ssize_t>(pid.size())) {
    // The lock holds all the same; only the holder's number is missing for whoever is refused.
  }
}

DirectoryLock::~DirectoryLock() {
  if (Fd >= 0) ::close(Fd);  // closing lets the lock go; the file stays for the next holder
}
