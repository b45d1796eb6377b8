// Whole-file writes of the virtual printer, on descriptors that are known to be regular files.
#include "sim/files/SimFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/RegularFile.h"

bool WriteAll(int descriptor, const void* data, size_t length) {
  const char* bytes = static_cast<const char*>(data);
  while (length > 0) {
    const ssize_t count = ::write(descriptor, bytes, length);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) {
      if (count == 0) errno = EIO;
      return false;
    }
    bytes += count;
    length -= static_cast<size_t>(count);
  }
  return true;
}

bool WriteRegularFile(const std::string& path, const std::string& data, std::string& error) {
  const Outcome<int> opened = OpenRegularFileForWriting(path, WriteStart::Afresh);
  if (!opened) {
    error = opened.Fault().Message;
    return false;
  }
  const int descriptor = *opened;
  bool written = WriteAll(descriptor, data.data(), data.size());
  if (!written) error = path + ": " + std::strerror(errno);
  if (::close(descriptor) != 0 && written) {
    error = path + ": " + std::strerror(errno);
    written = false;
  }
  return written;
}

namespace {

// The file to replace for a path: a symbolic link's target when that is a regular file (resolved
// against the link's folder), else the path itself. A link to anything else (a device, a FIFO,
// nothing) is itself replaced: the rename must never land on a device node.
std::string FileBehind(const std::string& path) {
  std::error_code error;
  const std::filesystem::path given(path);
  if (!std::filesystem::is_symlink(given, error) || !std::filesystem::is_regular_file(given, error)) return path;
  const std::filesystem::path resolved = std::filesystem::canonical(given, error);
  if (error || !std::filesystem::is_regular_file(std::filesystem::symlink_status(resolved, error))) return path;
  return resolved.string();
}

}  // namespace

bool ReplaceRegularFile(const std::string& path, const std::string& data, std::string& error) {
  const std::string file = FileBehind(path);
  // Only into a regular file: a FIFO or device named <file>.new is refused, not written through.
  const std::string temporary = file + ".new";
  if (!WriteRegularFile(temporary, data, error)) return false;
  std::error_code renameError;
  std::filesystem::rename(temporary, file, renameError);
  if (!renameError) return true;
  error = file + ": " + renameError.message();
  return false;
}
