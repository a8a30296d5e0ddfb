// Writes a stream of buffers to a file on a thread of its own, so that the
// thread producing them (a decoder) never waits for the file system. The
// thread wakes for a batch of buffers at a time, not for each; when too
// many wait, the producer waits.
// Every write goes through WriteFully, in the order given, on the one
// thread, so a failure is the first failed write and nothing after it is
// written.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

class BackgroundWriter {
 public:
  // Called on the writing thread with each buffer once it is in the file.
  using Observer = std::function<void(const uint8_t* data, size_t size)>;

  explicit BackgroundWriter(int fd, Observer written = {});
  // Drops what still waits and stops; Finish first to keep it.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Queues `buffer`'s bytes and hands back an empty buffer (with capacity)
  // to fill next. false once a write has failed: nothing more is written.
  bool Write(std::vector<uint8_t>& buffer);
  // Waits until everything queued is written; false when a write failed.
  bool Finish();

 private:
  void Loop();

  static constexpr size_t kBatch = 32;
  static constexpr size_t kMaxWaiting = 2 * kBatch;
  const int fd_;
  const Observer written_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<uint8_t>> waiting_;
  std::vector<std::vector<uint8_t>> spare_;
  bool writing_ = false;
  bool finishing_ = false;
  bool failed_ = false;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace platform
