// Owns a POSIX file descriptor; closes it on destruction.
#pragma once

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace platform {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { Reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release() { return std::exchange(fd_, -1); }
  // Closes now; returns 0 or the errno of close().
  int Close();
  void Reset() { (void)Close(); }

 private:
  int fd_ = -1;
};

// Replaces whatever is at `path` with a new empty file opened with `flags`
// (O_WRONLY or O_RDWR). A new file, unlike one truncated with O_TRUNC, is not
// flushed to disk by ext4 when it is closed after being rewritten.
UniqueFd CreateFreshFile(const std::string& path, int flags, mode_t mode = 0600);

// Writes all `size` bytes, retrying short writes and interruptions; false on
// the first failure (errno set), with part of the data possibly written.
bool WriteFully(int fd, const void* data, size_t size);
// The same for a buffered stream; the bytes may still wait in its buffer.
bool WriteFully(std::FILE* file, const void* data, size_t size);

}  // namespace platform
