#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

#include "platform/fault_injection.h"
#include "platform/file_discard.h"

namespace platform {

MappedFile::MappedFile(MappedFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      data_(std::exchange(other.data_, nullptr)),
      length_(std::exchange(other.length_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
  if (this != &other) {
    (void)Close();
    fd_ = std::move(other.fd_);
    data_ = std::exchange(other.data_, nullptr);
    length_ = std::exchange(other.length_, 0);
  }
  return *this;
}

namespace {

MappedFile::Status Fail(MappedFile::Status status, int* error) {
  if (error != nullptr) *error = errno;
  return status;
}

// Gives an empty file exactly `length` bytes whose blocks are reserved on
// disk.
bool ReserveExactLength(int fd, size_t length) {
  const int rc = ::posix_fallocate(fd, 0, static_cast<off_t>(length));
  if (rc != 0) {
    errno = rc;
    const int saved = errno;
    (void)::ftruncate(fd, 0);
    errno = saved;
    return false;
  }
  return true;
}

}  // namespace

MappedFile::Status MappedFile::Open(const std::string& path, Mode mode, size_t length, int* error) {
  (void)Close();
  const bool write = mode == Mode::Write;
  // The old content is discarded only after the lock is held, so opening a
  // file that somebody else has mapped never destroys its contents.
  UniqueFd fd(::open(path.c_str(), (write ? O_RDWR | O_CREAT : O_RDONLY) | O_CLOEXEC, 0600));
  if (!fd.Valid()) return Fail(Status::OpenFailed, error);
  if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) return Fail(Status::OpenFailed, error);

  if (write) {
    // Old content goes with a fresh file rather than a truncation: ext4
    // flushes a file that was truncated and rewritten when it is closed,
    // which would make every commit wait for the disk.
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return Fail(Status::OpenFailed, error);
    if (st.st_size > 0) {
      UniqueFd fresh = CreateFreshFile(path, O_RDWR);
      if (!fresh.Valid() || ::flock(fresh.Get(), LOCK_EX | LOCK_NB) != 0) {
        return Fail(Status::OpenFailed, error);
      }
      fd = std::move(fresh);
    }
    if (!ReserveExactLength(fd.Get(), length)) return Fail(Status::SizeFailed, error);
  } else {
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return Fail(Status::SizeFailed, error);
    if (static_cast<uint64_t>(st.st_size) < length) {
      errno = EINVAL;
      return Fail(Status::SizeFailed, error);
    }
  }

  void* base = FaultInjected(FileCall::Map)
                   ? MAP_FAILED
                   : ::mmap(nullptr, length, write ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED,
                            fd.Get(), 0);
  if (base == MAP_FAILED) {
    const int saved = errno;
    if (write) (void)::ftruncate(fd.Get(), 0);
    errno = saved;
    return Fail(Status::MapFailed, error);
  }
  fd_ = std::move(fd);
  data_ = static_cast<uint8_t*>(base);
  length_ = length;
  return Status::Ok;
}

void MappedFile::ReleaseResident() const {
  if (data_ != nullptr) (void)::madvise(data_, length_, MADV_DONTNEED);
}

int MappedFile::Close() {
  int result = 0;
  if (data_ != nullptr) {
    if (::munmap(data_, length_) != 0) result = errno;
    data_ = nullptr;
    length_ = 0;
  }
  const int closeResult = fd_.Close();
  return result != 0 ? result : closeResult;
}

}  // namespace platform
