// Files that only ever grow, such as a printer's service record: each addition is one write of
// whole lines, on the disk before the caller goes on, and never a half line left behind.
#pragma once

#include "platform/Outcome.h"

#include <cstdint>
#include <string>

// Appends `text` to the regular file `path` (made, with its folder, when missing) and syncs it to
// the disk. Fails with "<path>: <reason>" when it is not a regular file or any of `text` could
// not be written and synced; what was written of `text` is then cut off again, so the file ends
// where it ended before.
Outcome<void> AppendAndSync(const std::string& path, const std::string& text);

// The bytes the regular files directly in `folder` hold together; 0 when it cannot be listed.
uint64_t FolderBytes(const std::string& folder);
