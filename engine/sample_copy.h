// The pass that makes a working copy: the samples go from the file opened to
// the working file through one buffer, and the waveform summary is made from
// the same buffer, so the samples are read once.
#pragma once

#include <cstdint>

class PeakBuilder;
class Progress;

enum class SampleCopyStatus { Done, Cancelled, ReadFailed, WriteFailed };

// Copies up to `length` bytes of `in` from `offset` to the end of `out`,
// stopping early at the end of `in`, and feeds each piece to `peaks` when it
// is set. `progress`, when set, steps by the bytes copied / 100 and may
// cancel. `*copied` receives the bytes copied, whatever the outcome.
SampleCopyStatus CopySamples(int in, uint64_t offset, uint32_t length, int out, PeakBuilder* peaks,
                             Progress* progress, uint32_t* copied);
