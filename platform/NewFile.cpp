#include "platform/NewFile.h"
#include "platform/ShownText.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

#include <optional>

namespace {

// A temporary file is named after its file-to-be: "<name>.tmp-<process id>-<count>".
constexpr const char* TemporaryMark = ".tmp-";

bool WriteAll(int descriptor, const std::string& contents) {
  size_t done = 0;
  while (done < contents.size()) {
    const ssize_t written = ::write(descriptor, contents.data() + done, contents.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<size_t>(written);
  }
  return true;
}

// Creates `path` (which must not exist) and writes the whole text to the disk. A failure leaves
// errno as the failing call set it.
Outcome<void> WriteExclusively(const std::string& path, const std::string& contents) {
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (descriptor < 0) return SystemFailureOn(path);
  std::optional<Failure> failure;
  if (!WriteAll(descriptor, contents) || ::fsync(descriptor) != 0) failure = SystemFailureOn(path);
  if (::close(descriptor) != 0 && !failure) failure = SystemFailureOn(path);
  if (failure) return std::move(*failure);
  return {};
}

}  // namespace

Outcome<void> WriteNewFile(const std::string& path, const std::string& contents) {
  const std::filesystem::path target(path);
  std::error_code folderError;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), folderError);
  if (folderError) return Failure{FailureKind::Failed, target.parent_path().string() + ": " + folderError.message()};
  // A name of this write's own, so that a temporary file a crash left behind stands in nobody's way.
  static unsigned attempt = 0;
  const std::string temporary = path + TemporaryMark + std::to_string(::getpid()) + "-" + std::to_string(++attempt);
  if (Outcome<void> written = WriteExclusively(temporary, contents); !written) {
    ::unlink(temporary.c_str());
    return written;
  }
  // A hard link gives the name only if nobody has it yet: an existing file is never replaced.
  bool named = ::link(temporary.c_str(), path.c_str()) == 0;
  const int linkError = errno;
  ::unlink(temporary.c_str());
  if (!named && (linkError == EPERM || linkError == EOPNOTSUPP || linkError == ENOSYS)) {
    // A file system without hard links (a memory stick): the name is created exclusively and written in place.
    Outcome<void> written = WriteExclusively(path, contents);
    if (!written && errno != EEXIST) ::unlink(path.c_str());
    if (!written) return written;
  } else if (!named) {
    errno = linkError;
    return SystemFailureOn(path);
  }
  const int folder = ::open(target.has_parent_path() ? target.parent_path().c_str() : ".", O_RDONLY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);  // the new name itself reaches the disk
    ::close(folder);
  }
  return {};
}

std::vector<std::string> RemoveLeftOverTemporaries(const std::string& folder) {
  std::vector<std::string> removed;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    const size_t mark = name.rfind(TemporaryMark);
    if (mark == std::string::npos) continue;
    const std::string rest = name.substr(mark + std::strlen(TemporaryMark));
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789-") != std::string::npos) continue;
    const long owner = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
    // A program still running may be writing it right now.
    if (owner <= 0 || (::kill(static_cast<pid_t>(owner), 0) == 0 || errno == EPERM)) continue;
    if (::unlink(entry.path().c_str()) == 0) removed.push_back(entry.path().string());
  }
  return removed;
}

std::string UserFolder(const char* variable, const char* fallback, const std::string& name) {
  const char* set = std::getenv(variable);
  std::filesystem::path base;
  if (set != nullptr && set[0] == '/') {
    base = set;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : ".") / fallback;
  }
  return (base / name).string();
}
