// How one decode may split its work, and what it did; the exported entry
// point always uses the defaults, the library's own tests choose.
#pragma once

#include <cstdint>

namespace ombrin {

struct DecodeOptions {
  // A second thread may decode the second half of the stream.
  bool allowParallel = true;
  // Inputs smaller than this are decoded on one thread: a second demuxer and
  // decoder cost more than they save on a short file.
  uint64_t parallelMinInputBytes = 2u << 20;
  // Lets a stream whose upper bands may be filled with noise try the join
  // too, so that the byte comparison alone is seen refusing it.
  bool skipNoiseCheck = false;
  // From this frame on (counted from the first after its warm-up; negative:
  // never) the second thread's samples are altered, as those of a decoder
  // that has not settled would be, so that the refusal can be seen.
  int tailDivergesAtFrame = -1;
  // Makes the second thread fail after this many packets (negative: never),
  // so that its failure paths can be exercised.
  int64_t tailFailsAfterPackets = -1;
};

struct DecodeReport {
  // The second thread's part was verified and joined to the output.
  bool joined = false;
  // A second thread was started.
  bool tailStarted = false;
};

}  // namespace ombrin
