#include "platform/RegularFile.h"

#include "platform/ShownText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* KindOf(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISDIR(mode)) return "a folder";
  return "not a file";
}

std::string NotRegular(const std::string& path, mode_t mode) {
  return ShownText(path) + ": " + KindOf(mode) + ", not a regular file";
}

std::string TooLarge(const std::string& path, size_t limit) {
  return ShownText(path) + ": larger than " + std::to_string(limit) + " bytes";
}

// The reason an open failed, told as the kind of file where that is why (a FIFO without a
// reader refuses a non-blocking writer with ENXIO, a folder refuses writers with EISDIR).
std::string OpenFailure(const std::string& path) {
  const int openError = errno;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return NotRegular(path, info.st_mode);
  errno = openError;
  return ShownWithSystemReason(path);
}

// Keeps `descriptor` when it is a regular file, else closes it and says why.
int KeepRegular(int descriptor, const std::string& path, std::string& error, struct stat& info) {
  if (::fstat(descriptor, &info) != 0) {
    error = ShownWithSystemReason(path);
  } else if (!S_ISREG(info.st_mode)) {
    error = NotRegular(path, info.st_mode);
  } else {
    // Regular files never block; the flag only mattered for the open itself.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
  }
  ::close(descriptor);
  return -1;
}

}  // namespace

int OpenRegularFile(const std::string& path, size_t limit, std::string& error) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) {
    error = OpenFailure(path);
    return -1;
  }
  struct stat info {};
  if (KeepRegular(descriptor, path, error, info) < 0) return -1;
  if (static_cast<unsigned long long>(info.st_size) > limit) {
    ::close(descriptor);
    error = TooLarge(path, limit);
    return -1;
  }
  return descriptor;
}

bool ReadWholeFile(const std::string& path, size_t limit, std::string& contents, std::string& error) {
  const int descriptor = OpenRegularFile(path, limit, error);
  if (descriptor < 0) return false;
  contents.clear();
  char block[4096];
  for (;;) {
    const ssize_t got = ::read(descriptor, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = ShownWithSystemReason(path);
      ::close(descriptor);
      return false;
    }
    if (got == 0) break;
    contents.append(block, static_cast<size_t>(got));
    // The file may grow while it is read.
    if (contents.size() > limit) {
      error = TooLarge(path, limit);
      ::close(descriptor);
      return false;
    }
  }
  ::close(descriptor);
  return true;
}

int OpenRegularFileForWriting(const std::string& path, WriteStart start, std::string& error) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (start == WriteStart::Append ? O_APPEND : 0);
  const int descriptor = ::open(path.c_str(), flags, 0644);
  if (descriptor < 0) {
    error = OpenFailure(path);
    return -1;
  }
  struct stat info {};
  if (KeepRegular(descriptor, path, error, info) < 0) return -1;
  // Dropped only once it is known to be a regular file: O_TRUNC on a device is not ours to do.
  if (start == WriteStart::Afresh && ::ftruncate(descriptor, 0) != 0) {
    error = ShownWithSystemReason(path);
    ::close(descriptor);
    return -1;
  }
  return descriptor;
}
