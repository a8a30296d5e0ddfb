#include "platform/background_writer.h"

#include "platform/unique_fd.h"

namespace platform {

BackgroundWriter::BackgroundWriter(int fd, Observer written)
    : fd_(fd), written_(std::move(written)) {
  thread_ = std::thread([this] { Loop(); });
}

BackgroundWriter::~BackgroundWriter() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
    waiting_.clear();
  }
  changed_.notify_all();
  thread_.join();
}

bool BackgroundWriter::Write(std::vector<uint8_t>& buffer) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return failed_ || waiting_.size() < kMaxWaiting; });
  if (failed_) return false;
  std::vector<uint8_t> next;
  if (!spare_.empty()) {
    next = std::move(spare_.back());
    spare_.pop_back();
  } else {
    next.reserve(buffer.capacity());
  }
  waiting_.push_back(std::move(buffer));
  buffer = std::move(next);
  buffer.clear();
  if (waiting_.size() >= kBatch) changed_.notify_all();
  return true;
}

bool BackgroundWriter::Finish() {
  std::unique_lock lock(mutex_);
  finishing_ = true;
  changed_.notify_all();
  changed_.wait(lock, [this] { return failed_ || (waiting_.empty() && !writing_); });
  finishing_ = false;
  return !failed_;
}

void BackgroundWriter::Loop() {
  std::unique_lock lock(mutex_);
  while (true) {
    changed_.wait(lock, [this] {
      return stop_ || waiting_.size() >= kBatch || (finishing_ && !waiting_.empty());
    });
    if (stop_) return;
    std::deque<std::vector<uint8_t>> batch;
    batch.swap(waiting_);
    writing_ = true;
    changed_.notify_all();  // room for the producer again
    lock.unlock();
    bool written = true;
    for (std::vector<uint8_t>& buffer : batch) {
      written = written && WriteFully(fd_, buffer.data(), buffer.size());
      if (written && written_) written_(buffer.data(), buffer.size());
      buffer.clear();
    }
    lock.lock();
    writing_ = false;
    if (!written) {
      failed_ = true;
      waiting_.clear();
    }
    for (std::vector<uint8_t>& buffer : batch) spare_.push_back(std::move(buffer));
    changed_.notify_all();
  }
}

}  // namespace platform
