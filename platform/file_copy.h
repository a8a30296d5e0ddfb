// Copying bytes between open files without passing them through our memory
// where the kernel can avoid it.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace platform {

// Copies up to `length` bytes from `in` at `*inOffset` (advanced) to the
// current position of `out`. Returns the bytes copied (0 at the end of `in`),
// or -1 with errno set. Falls back to read/write where the two files lie on
// filesystems the kernel cannot copy between.
ssize_t CopyFileRange(int in, off_t* inOffset, int out, size_t length);

}  // namespace platform
