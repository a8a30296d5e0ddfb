// Files that must survive a power cut: their content reaches the disk before
// anything that points at them does. A file is written under a temporary
// name, flushed, renamed into place and its folder flushed, so after a crash
// the name holds either the old content or the complete new one.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Flushes the content of the file at `path` to disk; false when it cannot
// be opened or flushed.
bool SyncPath(const std::string& path);
// Flushes a folder's entries (names created, renamed or removed in it).
bool SyncFolder(const std::string& folder);

// Writes `bytes` as the whole content of `folder`/`name` as described
// above. false when any step failed; no temporary file is left then and
// the old file, if any, is unchanged.
bool WriteFileDurably(const std::string& folder, const std::string& name, std::string_view bytes);
// The same without the flushes: the name holds the old or the new content
// whatever happens to the process, but after a power cut either may be lost.
bool WriteFileReplacing(const std::string& folder, const std::string& name, std::string_view bytes);

// Makes `to` a second name of the file at `from` (a hard link), or, where
// the file system cannot link across the two (another file system, no hard
// links), a flushed copy. An existing `to` is replaced. false when neither
// worked; `to` is then absent.
bool LinkOrCopyFile(const std::string& from, const std::string& to);
// Makes `to` a flushed copy of the file at `from`, never a link. false when
// it could not; `to` is then absent.
bool CopyFileFlushed(const std::string& from, const std::string& to);

}  // namespace platform
