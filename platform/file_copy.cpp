#include "platform/file_copy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

namespace platform {
namespace {

ssize_t CopyThroughBuffer(int in, off_t* inOffset, int out, size_t length) {
  thread_local std::vector<char> buffer(1 << 20);
  const ssize_t got = ::pread(in, buffer.data(), std::min(length, buffer.size()), *inOffset);
  if (got <= 0) return got;
  ssize_t done = 0;
  while (done < got) {
    const ssize_t n = ::write(out, buffer.data() + done, static_cast<size_t>(got - done));
    if (n <= 0) return -1;
    done += n;
  }
  *inOffset += got;
  return got;
}

}  // namespace

ssize_t CopyFileRange(int in, off_t* inOffset, int out, size_t length) {
  const ssize_t n = ::copy_file_range(in, inOffset, out, nullptr, length, 0);
  if (n >= 0) return n;
  if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP) {
    return CopyThroughBuffer(in, inOffset, out, length);
  }
  return -1;
}

}  // namespace platform
