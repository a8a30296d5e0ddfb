// Putting a finished file in place of the user's file.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class ReplaceStatus {
  Done,
  TargetNotWritable,  // the target (or its folder) refuses writing; nothing changed
  MoveFailed,         // the finished file could not be moved; it is still at its place
};

// Moves `finished` over `target` in one step, so the target holds either its
// old content or the new one, never a mixture and never nothing. The new file
// keeps the old file's permission bits. When the two lie on different
// filesystems the finished file is first copied beside the target.
ReplaceStatus ReplaceFile(const std::string& finished, const std::string& target);

// Writes `bytes` as the whole new content of `path`: into a new file beside
// it first, which then replaces the old one, so a failed write (a full disk)
// leaves the old file whole. false when anything failed; nothing is left
// behind then.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

enum class ReserveStatus { Done, CloseFailed, Exhausted };

// Reserves "<folder>/<base>_<n><suffix>" for the first n whose file does not
// exist yet, by creating it empty; `path` receives the name (the last one
// tried on failure). Creating with O_EXCL makes "exists" and "create" one
// step, so a leftover file is skipped, never truncated. Names longer than
// kMaxPath are refused.
ReserveStatus ReserveNumberedFile(const std::string& folder, const char* base, const char* suffix,
                                  std::string* path);

}  // namespace platform
