// Writing the virtual printer's files through platform/RegularFile: a FIFO, device or folder in
// the place of a file is refused at once, never waited on nor written through.
#pragma once

#include <cstddef>
#include <string>

// Writes all `length` bytes to `descriptor`; false (errno set) when the system refuses.
bool WriteAll(int descriptor, const void* data, size_t length);

// Replaces the contents of the regular file `path` (created when missing) with `data`. False with
// "<path>: <reason>" in `error` when it is not a regular file or cannot be written.
bool WriteRegularFile(const std::string& path, const std::string& data, std::string& error);

// Replaces `path` in one step: `data` goes to "<file>.new" beside it, then takes its name, so a
// crash never leaves half a file. A symbolic link is followed and its file replaced: the link
// stays, and the next read finds what was written. False with the reason in `error`.
bool ReplaceRegularFile(const std::string& path, const std::string& data, std::string& error);
