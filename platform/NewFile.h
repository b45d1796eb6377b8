// Files that must never be half written nor written over: an old main board's values live in one.
#pragma once

#include "platform/Outcome.h"

#include <cstddef>
#include <string>
#include <vector>

// Writes `contents` as the new file `path`: first to a temporary file beside
// it, flushed to the disk, then given its name in one step, so that `path`
// holds either nothing or the whole text. Creates the folder when missing.
// Fails, with the reason, when `path` exists already or anything fails; nothing is left behind then.
Outcome<void> WriteNewFile(const std::string& path, const std::string& contents);

// Removes the temporary files WriteNewFile leaves in `folder` when its program was killed
// half-way (the program named in the file's name no longer runs); the paths removed.
std::vector<std::string> RemoveLeftOverTemporaries(const std::string& folder);

// A folder of the user's, as the desktop's base directories name them: `$<variable>/<name>` when the
// variable holds an absolute path, else `$HOME/<fallback>/<name>` (the working folder without HOME).
std::string UserFolder(const char* variable, const char* fallback, const std::string& name);

// One such folder, named once for the program that uses it and for the manual pages that list it.
struct UserFolderPlace {
  const char* Variable;  // "XDG_DATA_HOME"
  const char* Fallback;  // ".local/share", below $HOME
  const char* Name;      // "arvana-adjust/backups"
};
inline std::string UserFolder(const UserFolderPlace& place) { return UserFolder(place.Variable, place.Fallback, place.Name); }
