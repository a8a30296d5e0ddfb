#include "platform/unique_fd.h"

#include <fcntl.h>

#include <cerrno>
#include <utility>

#include "platform/fault_injection.h"
#include "platform/file_discard.h"

namespace platform {

int UniqueFd::Close() {
  if (fd_ < 0) return 0;
  const int fd = std::exchange(fd_, -1);
  return ::close(fd) == 0 ? 0 : errno;
}

UniqueFd CreateFreshFile(const std::string& path, int flags, mode_t mode) {
  (void)DiscardFile(path);
  return UniqueFd(::open(path.c_str(), flags | O_CREAT | O_EXCL | O_CLOEXEC, mode));
}

bool WriteFully(int fd, const void* data, size_t size) {
  if (FaultInjected(FileCall::Write)) return false;
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool WriteFully(std::FILE* file, const void* data, size_t size) {
  if (FaultInjected(FileCall::Write)) return false;
  return size == 0 || std::fwrite(data, 1, size, file) == size;
}

}  // namespace platform
