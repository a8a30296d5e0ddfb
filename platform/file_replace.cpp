#include "platform/file_replace.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/fault_injection.h"
#include "platform/file_copy.h"
#include "platform/file_discard.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

namespace platform {
namespace {

bool CopyContents(int from, int to) {
  struct stat st {};
  if (::fstat(from, &st) != 0) return false;
  off_t offset = 0;
  while (offset < st.st_size) {
    if (CopyFileRange(from, &offset, to, nullptr, static_cast<size_t>(st.st_size - offset)) <= 0) {
      return false;
    }
  }
  return SyncFile(to);
}

// Copies `finished` into a new file beside `target`; returns its path or "".
std::string CopyBeside(const std::string& finished, const std::string& target, mode_t mode) {
  const std::filesystem::path targetPath(target);
  std::string pattern =
      (targetPath.parent_path() / ("." + targetPath.filename().string() + ".XXXXXX")).string();
  UniqueFd to(::mkstemp(pattern.data()));
  if (!to.Valid()) return {};
  UniqueFd from(::open(finished.c_str(), O_RDONLY | O_CLOEXEC));
  const bool copied = from.Valid() && ::fchmod(to.Get(), mode) == 0 &&
                      CopyContents(from.Get(), to.Get()) && to.Close() == 0;
  if (!copied) {
    ::unlink(pattern.c_str());
    return {};
  }
  return pattern;
}

// Whether the old target, held open across the rename, should be let go of in
// the background. Freeing the blocks of a file of hundreds of megabytes takes
// a noticeable time (on a disk mounted with online discard, a quarter of a
// second for 512 MiB), which the rename would otherwise wait for. Only on the
// local filesystems known to let a file that is open be renamed over; a
// network share may refuse that, or leave a placeholder file behind.
bool ReleaseOldTargetLater(int fd, const struct stat& st) {
  if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || st.st_size < kDiscardInBackgroundBytes) {
    return false;
  }
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return false;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case EXT4_SUPER_MAGIC:  // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case BTRFS_SUPER_MAGIC:
    case F2FS_SUPER_MAGIC:
    case TMPFS_MAGIC:
      return true;
    default:
      return false;
  }
}

}  // namespace

ReplaceStatus ReplaceFile(const std::string& finished, const std::string& target) {
  struct stat st {};
  mode_t mode = 0666;
  UniqueFd oldTarget;
  if (::stat(target.c_str(), &st) == 0) {
    // Opening for writing without truncating proves the target may be
    // replaced and leaves it as it is.
    UniqueFd probe(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
    if (!probe.Valid()) return ReplaceStatus::TargetNotWritable;
    mode = st.st_mode & 07777;
    if (ReleaseOldTargetLater(probe.Get(), st)) oldTarget = std::move(probe);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::chmod(finished.c_str(), mode);

  if (RenameFile(finished.c_str(), target.c_str())) {
    ReleaseInBackground(std::move(oldTarget));
    return ReplaceStatus::Done;
  }
  if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOENT || errno == ENOTDIR) {
    return ReplaceStatus::TargetNotWritable;
  }
  if (errno != EXDEV) return ReplaceStatus::MoveFailed;

  const std::string beside = CopyBeside(finished, target, mode);
  if (beside.empty()) return ReplaceStatus::TargetNotWritable;
  if (!RenameFile(beside.c_str(), target.c_str())) {
    ::unlink(beside.c_str());
    return ReplaceStatus::TargetNotWritable;
  }
  ::unlink(finished.c_str());
  ReleaseInBackground(std::move(oldTarget));
  return ReplaceStatus::Done;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
  const std::filesystem::path target(path);
  std::string temporary =
      (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  UniqueFd fd(::mkstemp(temporary.data()));
  if (!fd.Valid()) return false;
  const bool written = WriteFully(fd.Get(), bytes.data(), bytes.size()) && fd.Close() == 0;
  if (!written || ReplaceFile(temporary, path) != ReplaceStatus::Done) {
    ::unlink(temporary.c_str());
    return false;
  }
  return true;
}

ReserveStatus ReserveNumberedFile(const std::string& folder, const char* base, const char* suffix,
                                  std::string* path) {
  constexpr long kMaxNumber = 10'000'000;
  for (long n = 0;; ++n) {
    *path = FormatText("%s/%s_%ld%s", folder.c_str(), base, n, suffix);
    if (path->size() >= kMaxPath) return ReserveStatus::Exhausted;
    const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) return ::close(fd) == 0 ? ReserveStatus::Done : ReserveStatus::CloseFailed;
    // Only a taken name is worth another number; any other failure (folder
    // missing or read-only) would fail the same way ten million times.
    if (errno != EEXIST || n >= kMaxNumber) return ReserveStatus::Exhausted;
  }
}

}  // namespace platform
