// Deleting large files without making the caller wait. Freeing the blocks of
// a file of hundreds of megabytes takes a noticeable time; the interface
// thread renames such a file aside (a quick step) and a background thread
// deletes it. Small files are deleted at once.
#pragma once

#include <string>

#include "platform/unique_fd.h"

namespace platform {

// Files at least this long are deleted in the background.
inline constexpr long long kDiscardInBackgroundBytes = 4LL << 20;

// Renames a large file at `path` to a name of its own beside it and returns
// that name, so that `path` is free at once; returns "" (and leaves the file
// alone) when there is no file or it is small. Follow with Discard() or
// Restore().
std::string MoveAside(const std::string& path);
// Deletes a file moved aside, in the background.
void Discard(const std::string& asidePath);
// Puts a file moved aside back at `path`.
bool Restore(const std::string& asidePath, const std::string& path);

// Deletes `path`: a large file in the background, a small one at once.
// false when it exists and could not be removed or moved aside.
bool DiscardFile(const std::string& path);

// Lets go of a file that has been replaced or deleted while `held` kept it
// open: its blocks are freed when the last descriptor closes, and that close
// happens in the background.
void ReleaseInBackground(UniqueFd held);

// Waits until every file handed to the background has been deleted.
void WaitForDiscards();

}  // namespace platform
