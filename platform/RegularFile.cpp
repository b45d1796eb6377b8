#include "platform/RegularFile.h"

#include "platform/ShownText.h"

#include <cerrno>
#include <cstring>
#include <optional>
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

Failure NotRegular(const std::string& path, mode_t mode) {
  return {FailureKind::Unsuitable, ShownText(path) + ": " + KindOf(mode) + ", not a regular file"};
}

Failure TooLarge(const std::string& path, size_t limit) {
  return {FailureKind::Unsuitable, ShownText(path) + ": larger than " + std::to_string(limit) + " bytes"};
}

// The reason an open failed, told as the kind of file where that is why (a FIFO without a
// reader refuses a non-blocking writer with ENXIO, a folder refuses writers with EISDIR).
Failure OpenFailure(const std::string& path) {
  const int openError = errno;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) return NotRegular(path, info.st_mode);
  errno = openError;
  return SystemFailureOn(path);
}

// Keeps `descriptor` when it is a regular file, else closes it and says why.
Outcome<int> KeepRegular(int descriptor, const std::string& path, struct stat& info) {
  std::optional<Failure> failure;
  if (::fstat(descriptor, &info) != 0) {
    failure = SystemFailureOn(path);
  } else if (!S_ISREG(info.st_mode)) {
    failure = NotRegular(path, info.st_mode);
  } else {
    // Regular files never block; the flag only mattered for the open itself.
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
  }
  ::close(descriptor);
  return std::move(*failure);
}

// Reads the open `descriptor` to its end, and closes it.
Outcome<std::string> ReadToEnd(int descriptor, const std::string& path, size_t limit) {
  std::string contents;
  char block[4096];
  for (;;) {
    const ssize_t got = ::read(descriptor, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      Failure failure = SystemFailureOn(path);
      ::close(descriptor);
      return failure;
    }
    if (got == 0) break;
    contents.append(block, static_cast<size_t>(got));
    // The file may grow while it is read.
    if (contents.size() > limit) {
      ::close(descriptor);
      return TooLarge(path, limit);
    }
  }
  ::close(descriptor);
  return contents;
}

}  // namespace

Outcome<int> OpenRegularFile(const std::string& path, size_t limit) {
  const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (descriptor < 0) return OpenFailure(path);
  struct stat info {};
  Outcome<int> kept = KeepRegular(descriptor, path, info);
  if (!kept) return kept;
  if (static_cast<unsigned long long>(info.st_size) > limit) {
    ::close(descriptor);
    return TooLarge(path, limit);
  }
  return descriptor;
}

Outcome<std::string> ReadWholeFile(const std::string& path, size_t limit) {
  Outcome<int> descriptor = OpenRegularFile(path, limit);
  if (!descriptor) return descriptor.Fault();
  return ReadToEnd(*descriptor, path, limit);
}

Outcome<int> OpenRegularFileForWriting(const std::string& path, WriteStart start) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY | (start == WriteStart::Append ? O_APPEND : 0);
  const int descriptor = ::open(path.c_str(), flags, 0644);
  if (descriptor < 0) return OpenFailure(path);
  struct stat info {};
  Outcome<int> kept = KeepRegular(descriptor, path, info);
  if (!kept) return kept;
  // Dropped only once it is known to be a regular file: O_TRUNC on a device is not ours to do.
  if (start == WriteStart::Afresh && ::ftruncate(descriptor, 0) != 0) {
    Failure failure = SystemFailureOn(path);
    ::close(descriptor);
    return failure;
  }
  return descriptor;
}
