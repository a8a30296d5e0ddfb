// Finding, validating and reading the frames of an MPEG audio file, the
// part of the MP3 import that the program does itself.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codecs/mp3_decoder.h"
#include "codecs/mp3_frame_header.h"
#include "engine/op_codes.h"
#include "engine/progress.h"

namespace mp3 {

// Results of FrameReader::Read besides ToInt(OP_CANCELLED).
inline constexpr int kFrameRead = 1;
inline constexpr int kNoFrame = 0;
inline constexpr int kEndOfData = -2;
inline constexpr int kReadError = -1;  // ends the decode like the end of data

// "ID3" followed by the major version byte.
inline constexpr uint32_t kId3v2Magic = 0x49443300u;

// Buffered reading of the source: the header search moves one byte at a
// time, which must not cost a system call per byte.
class SourceReader {
 public:
  explicit SourceReader(int fd) : fd_(fd), buffer_(65536) {}

  // Reads up to `n` bytes; fewer only at the end of the file; -1 on a read error.
  long Read(uint8_t* dst, size_t n) {
    size_t done = 0;
    while (done < n) {
      if (pos_ == len_ && !Fill()) break;
      const size_t take = std::min(n - done, len_ - pos_);
      std::memcpy(dst + done, buffer_.data() + pos_, take);
      pos_ += take;
      done += take;
    }
    if (error_ && done == 0) return -1;
    return static_cast<long>(done);
  }

  // The next byte, -1 at the end of the file, -2 on a read error.
  int ReadByte() {
    if (pos_ == len_ && !Fill()) return error_ ? -2 : -1;
    return buffer_[pos_++];
  }

  // Moves `n` bytes forward; a position past the end is allowed and reads
  // there find the end of the file.
  bool Skip(uint64_t n) {
    const size_t inBuffer = len_ - pos_;
    if (n <= inBuffer) {
      pos_ += static_cast<size_t>(n);
      return true;
    }
    const uint64_t beyond = n - inBuffer;
    if (beyond > static_cast<uint64_t>(INT64_MAX) - filePos_) return false;
    const off_t target = static_cast<off_t>(filePos_ + beyond);
    if (::lseek(fd_, target, SEEK_SET) != target) return false;
    filePos_ = static_cast<uint64_t>(target);
    pos_ = len_ = 0;
    return true;
  }

  // Bytes of the file consumed so far.
  uint64_t Position() const { return filePos_ - (len_ - pos_); }

 private:
  bool Fill() {
    if (error_) return false;
    ssize_t got;
    do {
      got = ::read(fd_, buffer_.data(), buffer_.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) error_ = true;
    if (got <= 0) return false;
    pos_ = 0;
    len_ = static_cast<size_t>(got);
    filePos_ += static_cast<uint64_t>(got);
    return true;
  }

  int fd_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t len_ = 0;
  uint64_t filePos_ = 0;  // file offset of the end of the buffered bytes
  bool error_ = false;
};

inline uint32_t BigEndianWord(const uint8_t* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}

// Finds, validates and reads whole frames. A frame is handed on with its
// header, because the payload decoder parses the header itself; with fixed
// stream parameters that header carries the first frame's version, layer and
// rate field, so that its idea of the frame size and format agrees with the
// reader's.
class FrameReader {
 public:
  FrameReader(int fd, uint64_t sourceSize, bool fixedStreamParameters)
      : source_(fd), sourceSize_(sourceSize), fixed_(fixedStreamParameters) {}

  int Read(Progress& progress) {
    uint8_t word[4];
    long got = source_.Read(word, 4);
    if (got < 0) return kReadError;
    if (got < 4) return kEndOfData;
    uint32_t h = BigEndianWord(word);

    if (!(haveHeader_ && h == lastHeader_)) {
      if (!HeaderIsValid(h)) {
        if ((h & 0xFFFFFF00u) == kId3v2Magic) {
          if (!SkipId3v2Tag()) return kReadError;
          if (source_.Read(word, 4) != 4) return kReadError;
          h = BigEndianWord(word);
        }
        if (!HeaderIsValid(h)) {
          const int found = Resync(h);
          if (found != kFrameRead) return found;
        }
      }
      FrameHeader parsed;
      const bool useFirst = fixed_ && haveFirst_;
      if (!ParseHeader(h, parsed, useFirst ? &first_ : nullptr)) return kNoFrame;
      if (!haveFirst_) {
        first_ = parsed;
        firstWord_ = h;
        haveFirst_ = true;
      }
      header_ = parsed;
      lastHeader_ = h;
      haveHeader_ = true;
    }

    const uint32_t handedOn = fixed_ ? WithStreamParameters(h, firstWord_) : h;
    const size_t bodySize = static_cast<size_t>(header_.frameBodySize);
    frame_.resize(4 + bodySize);
    frame_[0] = static_cast<uint8_t>(handedOn >> 24);
    frame_[1] = static_cast<uint8_t>(handedOn >> 16);
    frame_[2] = static_cast<uint8_t>(handedOn >> 8);
    frame_[3] = static_cast<uint8_t>(handedOn);
    got = source_.Read(frame_.data() + 4, bodySize);
    if (got < 0) return kReadError;
    if (got == 0) return kEndOfData;
    cut_ = static_cast<size_t>(got) < bodySize;
    // A frame cut short by the end of the file is decoded with its missing
    // bytes taken as zero.
    std::fill(frame_.begin() + 4 + got, frame_.end(), uint8_t{0});

    const uint64_t done = std::min(source_.Position(), sourceSize_);
    progress.Step(static_cast<uint32_t>(std::min<uint64_t>(done / 100, UINT32_MAX)));
    if (progress.IsCancelled()) return ToInt(OP_CANCELLED);
    return kFrameRead;
  }

  const FrameHeader& First() const { return first_; }
  const std::vector<uint8_t>& Frame() const { return frame_; }
  // The frame just read was cut short by the end of the file.
  bool FrameWasCut() const { return cut_; }
  // Bytes of the file consumed so far.
  uint64_t Position() const { return source_.Position(); }

 private:
  // The word read began with "ID3": the rest of the 10-byte tag header holds
  // the revision, the flags and the tag size in four 7-bit bytes.
  bool SkipId3v2Tag() {
    uint8_t rest[6];
    if (source_.Read(rest, 6) != 6) return false;
    const uint64_t size = (uint64_t{rest[2] & 0x7Fu} << 21) | (uint64_t{rest[3] & 0x7Fu} << 14) |
                          (uint64_t{rest[4] & 0x7Fu} << 7) | uint64_t{rest[5] & 0x7Fu};
    return source_.Skip(size);
  }

  int Resync(uint32_t& h) {
    for (uint32_t i = 0; i < kMp3ResyncLimit; ++i) {
      const int byte = source_.ReadByte();
      if (byte == -1) return kEndOfData;
      if (byte < 0) return kReadError;
      h = (h << 8) | static_cast<uint32_t>(byte);
      if (HeaderIsValid(h)) return kFrameRead;
    }
    return kNoFrame;
  }

  SourceReader source_;
  uint64_t sourceSize_;
  bool fixed_;
  bool haveHeader_ = false;
  uint32_t lastHeader_ = 0;
  FrameHeader header_;
  bool haveFirst_ = false;
  uint32_t firstWord_ = 0;
  FrameHeader first_;
  std::vector<uint8_t> frame_;
  bool cut_ = false;
};

}  // namespace mp3
