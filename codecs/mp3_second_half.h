// Decodes the second half of an MP3 on a thread of its own while the import
// decodes the first half, so that a long file decodes on two cores.
//
// The work is speculative and the import stays the judge of it: the second
// thread reads the same frames with the same reader from the start of the
// file, starts its own payload decoder some frames before the middle (those
// frames only bring the decoder's state up: its bit reservoir, overlap and
// synthesis history), and keeps what the frames from the middle on yield in
// an unnamed temporary file. When the import reaches the middle it decodes a
// few frames more itself; only if those samples equal the second thread's
// for the same frames, byte for byte, does it take the second part instead
// of decoding on. Anything unusual in the second half (a cut or refused
// frame, a read error, a temporary file that cannot be made) makes the
// second part unusable, and the import simply decodes on: the result is
// always that of decoding the whole file in order.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "platform/unique_fd.h"

namespace mp3 {

class SecondHalfDecoder {
 public:
  // Frames the import decodes past the middle to compare.
  static constexpr uint32_t kCompareFrames = 4;

  // Starts the thread. `folder` receives the unnamed temporary file; the
  // other arguments are those of the import's own reader and decoder.
  SecondHalfDecoder(const std::string& sourcePath, const std::string& folder, uint64_t sourceSize,
                    bool fixedStreamParameters, long outputRate);
  // Stops the thread and waits for it.
  ~SecondHalfDecoder();
  SecondHalfDecoder(const SecondHalfDecoder&) = delete;
  SecondHalfDecoder& operator=(const SecondHalfDecoder&) = delete;

  // The number (counted from 1, as the import counts) of the first frame of
  // the second part; 0 until the thread has found it.
  uint32_t FirstFrame() const { return firstFrame_.load(std::memory_order_acquire); }
  bool Finished() const { return finished_.load(std::memory_order_acquire); }
  // Waits for the thread; then the results below may be read.
  void Join();

  // True when the thread decoded every frame from the middle to the end.
  bool Usable() const { return usable_; }
  // What the first kCompareFrames frames of the second part yielded.
  const std::vector<uint8_t>& Head() const { return head_; }
  // The second part: `PartBytes()` bytes of decoded samples from offset 0.
  int PartFd() const { return part_.Get(); }
  uint64_t PartBytes() const { return partBytes_; }
  // Frames read in the whole file.
  uint32_t Frames() const { return frames_; }

 private:
  void Run(const std::string& sourcePath, const std::string& folder, uint64_t sourceSize,
           bool fixedStreamParameters, long outputRate);
  bool WritePart(std::vector<uint8_t>& out);

  std::atomic<uint32_t> firstFrame_{0};
  std::atomic<bool> finished_{false};
  std::atomic<bool> stop_{false};
  bool usable_ = false;
  std::vector<uint8_t> head_;
  platform::UniqueFd part_;
  uint64_t partBytes_ = 0;
  uint32_t frames_ = 0;
  std::thread thread_;
};

}  // namespace mp3
