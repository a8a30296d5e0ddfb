#include "platform/fault_injection.h"

#include <stdio.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace platform {
namespace {

struct Armed {
  FileCall call = FileCall::Write;
  int nth = 0;
  int error = 0;
  std::array<int, 5> counts{};
};

// The slow path runs only while a test has armed the seam; the flag keeps
// every other run on a single load.
std::atomic<bool> armed{false};
std::mutex mutex;
Armed state;

}  // namespace

void ArmFault(FileCall call, int nth, int error) {
  const std::lock_guard lock(mutex);
  state = Armed{call, nth, error, {}};
  armed.store(true, std::memory_order_relaxed);
}

void DisarmFaults() {
  const std::lock_guard lock(mutex);
  armed.store(false, std::memory_order_relaxed);
  state = Armed{};
}

int FileCallsSinceArmed(FileCall call) {
  const std::lock_guard lock(mutex);
  return state.counts[static_cast<size_t>(call)];
}

bool FaultInjected(FileCall call) {
  if (!armed.load(std::memory_order_relaxed)) return false;
  const std::lock_guard lock(mutex);
  const int count = ++state.counts[static_cast<size_t>(call)];
  if (call != state.call || count != state.nth) return false;
  errno = state.error;
  return true;
}

bool SyncFile(int fd) {
  if (FaultInjected(FileCall::Sync)) return false;
  return ::fsync(fd) == 0;
}

bool RenameFile(const char* from, const char* to) {
  if (FaultInjected(FileCall::Rename)) return false;
  return ::rename(from, to) == 0;
}

}  // namespace platform
