#include "platform/file_copy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/fault_injection.h"

namespace platform {
namespace {

ssize_t CopyThroughBuffer(int in, off_t* inOffset, int out, off_t* outOffset, size_t length) {
  thread_local std::vector<char> buffer(1 << 20);
  const ssize_t got = ::pread(in, buffer.data(), std::min(length, buffer.size()), *inOffset);
  if (got <= 0) return got;
  ssize_t done = 0;
  while (done < got) {
    const char* from = buffer.data() + done;
    const auto size = static_cast<size_t>(got - done);
    const ssize_t n = outOffset != nullptr ? ::pwrite(out, from, size, *outOffset + done)
                                           : ::write(out, from, size);
    if (n <= 0) return -1;
    done += n;
  }
  *inOffset += got;
  if (outOffset != nullptr) *outOffset += got;
  return got;
}

}  // namespace

ssize_t CopyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, size_t length) {
  if (FaultInjected(FileCall::Write)) return -1;
  const ssize_t n = ::copy_file_range(in, inOffset, out, outOffset, length, 0);
  if (n >= 0) return n;
  if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
    return CopyThroughBuffer(in, inOffset, out, outOffset, length);
  }
  return -1;
}

bool CopyFileRangeFully(int in, off_t inOffset, int out, off_t outOffset, size_t length) {
  while (length > 0) {
    const ssize_t n = CopyFileRange(in, &inOffset, out, &outOffset, length);
    if (n <= 0) return false;
    length -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace platform
