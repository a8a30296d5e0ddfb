#include "codecs/mp3_decoder.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "codecs/mp3_frame_header.h"
#include "engine/op_codes.h"
#include "platform/background_writer.h"
#include "platform/fault_injection.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

namespace {

struct Mpg123Deleter {
  void operator()(mpg123_handle* mh) const { mpg123_delete(mh); }
};
using Mpg123Handle = std::unique_ptr<mpg123_handle, Mpg123Deleter>;

// Results of FrameReader::Read besides ToInt(OP_CANCELLED).
constexpr int kFrameRead = 1;
constexpr int kNoFrame = 0;
constexpr int kEndOfData = -2;
constexpr int kReadError = -1;  // ends the decode like the end of data

// "ID3" followed by the major version byte.
constexpr uint32_t kId3v2Magic = 0x49443300u;

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

uint32_t BigEndianWord(const uint8_t* b) {
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

// The payload decoder for one stream: 16-bit signed little-endian, always two
// channels, at `outputRate`. Fed whole frames, so read-ahead (which would
// hold back the first frame until a second confirms it) is off. Gapless mode
// takes the Info/Xing frame as the stream's description (it yields no
// samples) and trims the encoder delay and padding it records.
Mpg123Handle OpenPayloadDecoder(long outputRate, int& error) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { mpg123_init(); });
  error = MPG123_OK;
  Mpg123Handle mh(mpg123_new(nullptr, &error));
  if (!mh) return nullptr;
  const long add = MPG123_FORCE_STEREO | MPG123_QUIET | MPG123_GAPLESS | MPG123_NO_READAHEAD |
                   MPG123_FORCE_ENDIAN;
  // Resampling stays off: a rate the format table does not allow must fail
  // rather than quietly change the samples.
  const long remove = MPG123_IGNORE_INFOFRAME | MPG123_AUTO_RESAMPLE | MPG123_BIG_ENDIAN |
                      MPG123_MONO_MIX | MPG123_MONO_LEFT | MPG123_MONO_RIGHT | MPG123_FORCE_8BIT |
                      MPG123_FORCE_FLOAT;
  if ((error = mpg123_param(mh.get(), MPG123_ADD_FLAGS, add, 0)) != MPG123_OK ||
      (error = mpg123_param(mh.get(), MPG123_REMOVE_FLAGS, remove, 0)) != MPG123_OK ||
      (error = mpg123_param(mh.get(), MPG123_DOWN_SAMPLE, 0, 0)) != MPG123_OK ||
      (error = mpg123_format_none(mh.get())) != MPG123_OK ||
      (error = mpg123_format(mh.get(), outputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16)) !=
          MPG123_OK ||
      (error = mpg123_open_feed(mh.get())) != MPG123_OK) {
    return nullptr;
  }
  return mh;
}

// What became of one frame.
enum class FrameDecode {
  Decoded,
  Unusable,  // the stream cannot continue after it: the audio ends there
  Failed,    // the library itself failed (memory, say): the import fails
};

// Hands one frame to the payload decoder and appends what it yields.
FrameDecode DecodeFrame(mpg123_handle* mh, const std::vector<uint8_t>& frame, long outputRate,
                        std::vector<uint8_t>& out) {
  if (platform::FaultInjected(platform::FileCall::Codec)) {
    // An injected EBADMSG stands for the payload decoder refusing the frame's
    // data, any other error for the library itself failing.
    return errno == EBADMSG ? FrameDecode::Unusable : FrameDecode::Failed;
  }
  if (mpg123_feed(mh, frame.data(), frame.size()) != MPG123_OK) return FrameDecode::Failed;
  for (;;) {
    off_t number = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int result = mpg123_decode_frame(mh, &number, &audio, &bytes);
    if (result == MPG123_NEED_MORE) return FrameDecode::Decoded;
    if (result == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK || rate != outputRate ||
          channels != 2 || encoding != MPG123_ENC_SIGNED_16) {
        return FrameDecode::Unusable;
      }
      continue;
    }
    if (result == MPG123_OUT_OF_MEM) return FrameDecode::Failed;
    if (result != MPG123_OK) return FrameDecode::Unusable;
    if (audio != nullptr && bytes > 0) out.insert(out.end(), audio, audio + bytes);
  }
}

}  // namespace

int Mp3Decoder::DecodeToPcm(const std::string& sourcePath, const std::string& outputPath,
                            int16_t& channels, int16_t& bits, int32_t& rate, Progress& progress,
                            platform::BackgroundWriter::Observer written) {
  params_.sourcePath = sourcePath;
  params_.outputPath = outputPath;
  params_.frameCounter = 0;
  params_.damaged = false;
  params_.readableBytes = 0;
  params_.streamRate = 44100;
  params_.outputRate = 44100;

  platform::UniqueFd source(::open(sourcePath.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (source.Get() < 0 || ::fstat(source.Get(), &st) != 0 || S_ISDIR(st.st_mode)) {
    platform::ShowMessageF("Could not open %s for reading - the MP3 file cannot be imported.",
                           sourcePath.c_str());
    return 0;
  }
  const uint64_t sourceSize = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;

  std::vector<uint8_t> out;
  const size_t bufferSize = static_cast<size_t>(std::max<int32_t>(params_.outputBufferSize, 1));
  try {
    // Room for one more decoded frame (at most 1152 stereo 16-bit samples)
    // past the write threshold, so appending never reallocates.
    out.reserve(bufferSize + 1152 * 4);
  } catch (const std::bad_alloc&) {
    platform::ShowMessage("MP3 import: not enough memory for the output buffer.");
    return 0;
  }

  progress.SetTotal(static_cast<uint32_t>(std::min<uint64_t>(sourceSize / 100, UINT32_MAX)));
  progress.Step(0);

  platform::UniqueFd output(
      ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (output.Get() < 0) {
    platform::ShowMessageF("Could not open %s - it may be in exclusive use by another program.",
                           outputPath.c_str());
    return 0;
  }

  // The decoded audio is written on a second thread while the next frames
  // decode; decoding is the import's whole cost, and it never waits for the
  // disk.
  platform::BackgroundWriter writer(output.Get(), std::move(written));
  FrameReader reader(source.Get(), sourceSize, params_.fixedStreamParameters);
  Mpg123Handle payload;
  bool writeFailed = false;
  bool setupFailed = false;
  bool decoderFailed = false;
  int setupError = MPG123_OK;
  uint64_t flushed = 0;  // decoded bytes already in the output file
  auto markDamaged = [&](uint64_t readable) {
    if (params_.damaged) return;
    params_.damaged = true;
    params_.readableBytes = readable;
  };

  for (;;) {
    const int read = reader.Read(progress);
    if (read == ToInt(OP_CANCELLED)) {
      (void)writer.Finish();  // what was written before the cancel stays as it was
      return ToInt(OP_CANCELLED);
    }
    if (read == kEndOfData || read == kReadError) break;
    if (read == kNoFrame) continue;
    ++params_.frameCounter;

    if (params_.frameCounter == 1) {
      params_.streamRate = reader.First().sampleRate;
      params_.outputRate = params_.streamRate;
      payload = OpenPayloadDecoder(params_.outputRate, setupError);
      if (!payload) {
        setupFailed = true;
        break;
      }
    }

    const uint64_t decodedBefore = flushed + out.size();
    if (reader.FrameWasCut()) markDamaged(decodedBefore);
    // Running out of memory is not the end of the audio: the import fails
    // rather than open a document cut short without a word.
    FrameDecode decoded = FrameDecode::Failed;
    try {
      decoded = DecodeFrame(payload.get(), reader.Frame(), params_.outputRate, out);
    } catch (const std::bad_alloc&) {
      platform::ShowMessage("MP3 import: not enough memory to decode the file.");
      return 0;
    }
    if (decoded == FrameDecode::Failed) {
      decoderFailed = true;
      break;
    }
    if (decoded == FrameDecode::Unusable) {
      markDamaged(decodedBefore);
      break;
    }

    if (out.size() >= bufferSize) {
      flushed += out.size();
      if (!writer.Write(out)) {
        writeFailed = true;
        break;
      }
    }
  }

  if (!writeFailed && !out.empty()) writeFailed = !writer.Write(out);
  if (!writer.Finish()) writeFailed = true;
  if (output.Close() != 0) writeFailed = true;

  if (writeFailed) {
    platform::ShowMessageF("Could not write to %s - the disk may be full.", outputPath.c_str());
    return 0;
  }
  if (decoderFailed) {
    platform::ShowMessageF("MP3 import: the MP3 decoding library failed while decoding %s.",
                           sourcePath.c_str());
    return 0;
  }
  if (setupFailed) {
    platform::ShowMessageF("MP3 import: the MP3 decoding library could not be set up (%s).",
                           mpg123_plain_strerror(setupError));
    return 0;
  }
  if (params_.frameCounter == 0) {
    platform::ShowMessageF("No MPEG audio frames were found in %s.", sourcePath.c_str());
    return 0;
  }
  channels = params_.outputChannels;
  bits = params_.outputBits;
  rate = params_.outputRate;
  return 1;
}
