// A read lease on a file this process has open for reading. While it is
// held, another program that opens the file for writing or truncates it (and
// this process too) waits in the kernel until the holder has been told and
// has let go, for at most the system's lease break time
// (/proc/sys/fs/lease-break-time, 45 seconds unless changed). A holder that
// reads the file lazily can thus take what it needs before the file changes.
//
// The kernel reports a break with a signal; one thread of the program's own
// receives the reports and runs the holders' callbacks.
#pragma once

#include <functional>
#include <memory>

namespace platform {

class ReadLease {
 public:
  // Takes a lease on `fd`, a descriptor opened read-only that must stay open
  // until the lease is destroyed. `onBreak` runs on the lease thread when
  // another opener asks for the file; the lease is let go when it returns.
  // Null when the kernel refuses: a file open for writing somewhere, one the
  // user does not own, a filesystem without leases (network shares).
  static std::unique_ptr<ReadLease> Take(int fd, std::function<void()> onBreak);

  // Waits for a callback that is running, then lets go.
  ~ReadLease();
  ReadLease(const ReadLease&) = delete;
  ReadLease& operator=(const ReadLease&) = delete;

  // Lets go now without waiting; the callback may still be running, and
  // returns without anything left to protect. Safe from the callback.
  void LetGo();

 private:
  explicit ReadLease(int fd) : fd_(fd) {}
  int fd_;
};

}  // namespace platform
