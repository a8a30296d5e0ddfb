// The seam through which the failure tests make file calls fail on purpose.
// Every call of the platform layer that writes, flushes to disk, commits by
// renaming or maps a file asks FaultInjected() first, and so does every
// encode or decode step of the codec libraries the editor loads. In a normal run nothing
// is armed and that costs one relaxed atomic load; a test arms one fault at a
// time ("the nth write from now fails with ENOSPC") and the code above the
// platform layer meets it exactly as it would meet the real failure.
#pragma once

namespace platform {

enum class FileCall {
  Write,   // WriteFully, CopyFileRange
  Sync,    // SyncFile
  Rename,  // RenameFile
  Map,     // MappedFile::Open's mmap
  Codec,   // one encode or decode step inside a codec library
};

// From now on the `nth` call (1 = the next one) of kind `call` fails with
// `error`, once; every kind's calls are counted from 0 again. nth = 0 only
// counts, failing nothing.
void ArmFault(FileCall call, int nth, int error);
// Back to a normal run: nothing fails, nothing is counted.
void DisarmFaults();
// Calls of kind `call` since the last ArmFault.
int FileCallsSinceArmed(FileCall call);
// True, with errno set to the armed error, when this call is the armed one.
bool FaultInjected(FileCall call);

// fsync(2) and rename(2) through the seam.
bool SyncFile(int fd);
bool RenameFile(const char* from, const char* to);

}  // namespace platform
