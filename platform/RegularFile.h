// Opening the files the program and the virtual printer read or append to, so that none can hang
// them or fill their memory: a FIFO blocks its reader until a writer comes, a device such as
// /dev/zero never ends, a folder is not a file. Only regular files (or links to one) are opened,
// without blocking, and reads stop at a limit each kind of file declares beside its format.
#pragma once

#include "platform/Outcome.h"

#include <cstddef>
#include <string>

// The whole file; a failure with "<path>: <reason>" when it is missing, cannot be read, is not a
// regular file ("a FIFO, not a regular file") or holds more than `limit` bytes ("larger than N bytes").
Outcome<std::string> ReadWholeFile(const std::string& path, size_t limit);

// An open descriptor of the regular file `path` for reading (the caller closes it), or the
// failure as above. The size is checked against `limit` before anything is read.
Outcome<int> OpenRegularFile(const std::string& path, size_t limit);

enum class WriteStart { Append, Afresh };

// An open descriptor of `path` for writing, created when missing, its old contents kept
// (Append) or dropped (Afresh); a failure when it is not a regular file or cannot be
// opened. A FIFO without a reader is refused at once, not waited for.
Outcome<int> OpenRegularFileForWriting(const std::string& path, WriteStart start);
