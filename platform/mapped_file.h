// A file opened without sharing and mapped whole into memory.
//
// - "Without sharing" is an exclusive advisory lock (flock) on the open
//   descriptor, so a second Open of the same file, from this process or
//   another, fails instead of mapping it twice.
// - A write mapping recreates the file at exactly the requested length and
//   reserves its blocks before mapping, so a full disk fails the Open rather
//   than raising SIGBUS at some later store.
// - A read mapping refuses a file shorter than the requested length: touching
//   pages past the end of a file would raise SIGBUS.
// - Length 0 is never mapped; callers skip empty files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/unique_fd.h"

namespace platform {

class MappedFile {
 public:
  enum class Mode { Read, Write };
  // Which step failed; the slot routines turn it into their own messages.
  enum class Status { Ok, OpenFailed, SizeFailed, MapFailed };

  MappedFile() = default;
  ~MappedFile() { (void)Close(); }
  MappedFile(MappedFile&& other) noexcept;
  MappedFile& operator=(MappedFile&& other) noexcept;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Maps `length` (> 0) bytes of `path`. On failure nothing stays open and
  // `error` (when given) receives the errno of the failing call.
  Status Open(const std::string& path, Mode mode, size_t length, int* error = nullptr);

  // Unmaps and closes. Returns 0, or the errno of the failing munmap/close;
  // the object is closed either way.
  int Close();

  bool IsOpen() const { return data_ != nullptr; }
  uint8_t* Data() const { return data_; }
  size_t Length() const { return length_; }
  // The open descriptor while mapped, for copies the kernel can do itself.
  int Fd() const { return fd_.Get(); }
  // Lets go of the pages of the mapping this process holds. The data stays
  // in the file and the page cache (written pages included: the mapping is
  // shared), and a later access brings a page back; only the memory counted
  // as this process's own shrinks, so a pass over a long file does not grow
  // it to the file's size.
  void ReleaseResident() const;

 private:
  UniqueFd fd_;
  uint8_t* data_ = nullptr;
  size_t length_ = 0;
};

}  // namespace platform
