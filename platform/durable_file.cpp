#include "platform/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/fault_injection.h"
#include "platform/file_copy.h"
#include "platform/unique_fd.h"

namespace platform {

bool SyncPath(const std::string& path) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  return fd.Valid() && SyncFile(fd.Get());
}

bool SyncFolder(const std::string& folder) {
  UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.Valid() && SyncFile(fd.Get());
}

namespace {

bool WriteAndRename(const std::string& folder, const std::string& name, std::string_view bytes,
                    bool flush) {
  const std::string target = folder + "/" + name;
  std::string temporary = folder + "/." + name + ".XXXXXX";
  UniqueFd fd(::mkstemp(temporary.data()));
  if (!fd.Valid()) return false;
  ::fchmod(fd.Get(), 0600);
  const bool written = WriteFully(fd.Get(), bytes.data(), bytes.size()) &&
                       (!flush || SyncFile(fd.Get())) && fd.Close() == 0;
  if (!written || !RenameFile(temporary.c_str(), target.c_str())) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The rename is only lasting once the folder's entry is on disk too.
  return !flush || SyncFolder(folder);
}

}  // namespace

bool WriteFileDurably(const std::string& folder, const std::string& name, std::string_view bytes) {
  return WriteAndRename(folder, name, bytes, true);
}

bool WriteFileReplacing(const std::string& folder, const std::string& name,
                        std::string_view bytes) {
  return WriteAndRename(folder, name, bytes, false);
}

bool LinkOrCopyFile(const std::string& from, const std::string& to) {
  (void)::unlink(to.c_str());
  if (::link(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EXDEV && errno != EPERM && errno != EMLINK && errno != ENOTSUP) return false;
  return CopyFileFlushed(from, to);
}

bool CopyFileFlushed(const std::string& from, const std::string& to) {
  (void)::unlink(to.c_str());
  UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  struct stat st {};
  if (!in.Valid() || ::fstat(in.Get(), &st) != 0) return false;
  UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (!out.Valid()) return false;
  const bool copied =
      CopyFileRangeFully(in.Get(), 0, out.Get(), 0, static_cast<size_t>(st.st_size)) &&
      SyncFile(out.Get()) && out.Close() == 0;
  if (!copied) ::unlink(to.c_str());
  return copied;
}

}  // namespace platform
