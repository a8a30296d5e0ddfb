#include "engine/sample_copy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "engine/peak_file.h"
#include "engine/progress.h"
#include "platform/unique_fd.h"

namespace {

// Large enough for few system calls, small enough to stay in the cache while
// it is both written out and summarised. A read and a write per megabyte are
// also quicker than the kernel's own copy into fresh pages.
constexpr uint32_t kCopyChunk = 1 << 20;

}  // namespace

SampleCopyStatus CopySamples(int in, uint64_t offset, uint32_t length, int out, PeakBuilder* peaks,
                             Progress* progress, uint32_t* copied) {
  *copied = 0;
  std::vector<uint8_t> buffer(std::min(kCopyChunk, std::max<uint32_t>(length, 1)));
  while (*copied < length) {
    const size_t want = std::min<size_t>(buffer.size(), length - *copied);
    const ssize_t n = ::pread(in, buffer.data(), want, static_cast<off_t>(offset + *copied));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return SampleCopyStatus::ReadFailed;
    if (n == 0) break;
    if (!platform::WriteFully(out, buffer.data(), static_cast<size_t>(n))) {
      return SampleCopyStatus::WriteFailed;
    }
    if (peaks != nullptr) peaks->Feed(buffer.data(), static_cast<size_t>(n));
    *copied += static_cast<uint32_t>(n);
    if (progress != nullptr) {
      progress->Step(*copied / 100);
      if (progress->IsCancelled()) return SampleCopyStatus::Cancelled;
    }
  }
  return SampleCopyStatus::Done;
}
