#include "platform/AppendedFile.h"

#include "platform/RegularFile.h"
#include "platform/ShownText.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writes all of `text` at the end of `descriptor`; false, with errno set, at the first failure.
bool AppendAll(int descriptor, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(descriptor, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) {
      if (wrote == 0) errno = ENOSPC;
      return false;
    }
    done += static_cast<size_t>(wrote);
  }
  return true;
}

}  // namespace

Outcome<void> AppendAndSync(const std::string& path, const std::string& text) {
  const std::filesystem::path file(path);
  std::error_code ignored;
  if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
  Outcome<int> opened = OpenRegularFileForWriting(path, WriteStart::Append);
  if (!opened) return opened.Fault();
  const int descriptor = *opened;
  struct stat before {};
  const bool sized = ::fstat(descriptor, &before) == 0;
  if (AppendAll(descriptor, text) && ::fsync(descriptor) == 0) {
    if (::close(descriptor) != 0) return SystemFailureOn(path);
    return {};
  }
  Failure failure = SystemFailureOn(path);
  // A line cut short would stay the last line only until the next addition joins onto it.
  if (sized && ::ftruncate(descriptor, before.st_size) == 0) ::fsync(descriptor);
  ::close(descriptor);
  return failure;
}

uint64_t FolderBytes(const std::string& folder) {
  uint64_t total = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    std::error_code sizeError;
    if (!entry.is_regular_file(sizeError)) continue;
    const uintmax_t size = entry.file_size(sizeError);
    if (!sizeError) total += size;
  }
  return total;
}
