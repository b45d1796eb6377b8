// Whole-file writes of the virtual printer, on descriptors that are known to be regular files.
#include "sim/SimFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

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
  const int descriptor = OpenRegularFileForWriting(path, WriteStart::Afresh, error);
  if (descriptor < 0) return false;
  bool written = WriteAll(descriptor, data.data(), data.size());
  if (!written) error = path + ": " + std::strerror(errno);
  if (::close(descriptor) != 0 && written) {
    error = path + ": " + std::strerror(errno);
    written = false;
  }
  return written;
}
