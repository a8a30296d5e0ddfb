// Copying bytes between open files without passing them through our memory
// where the kernel can avoid it.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace platform {

// Copies up to `length` bytes from `in` at `*inOffset` to `out` at
// `*outOffset` (both advanced), or at the current position of `out` when
// outOffset is null. Returns the bytes copied (0 at the end of `in`), or -1
// with errno set. Falls back to read/write where the two files lie on
// filesystems the kernel cannot copy between.
ssize_t CopyFileRange(int in, off_t* inOffset, int out, off_t* outOffset, size_t length);

// Copies exactly `length` bytes between the given offsets; false when the
// source ends early or a call fails.
bool CopyFileRangeFully(int in, off_t inOffset, int out, off_t outOffset, size_t length);

}  // namespace platform
