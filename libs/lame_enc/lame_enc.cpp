// The encoder-stream interface over libmp3lame.
//
// Open streams live in a table keyed by never-reused numbers, so a stale or
// invented handle is answered with BE_ERR_INVALID_HANDLE rather than touching
// freed memory. Each stream carries its own lock; the table hands out shared
// ownership, so closing a stream while another thread is still encoding on it
// only releases the encoder once that call has finished.

#include "libs/lame_enc/lame_enc.h"
#include "platform/fault_injection.h"

#include <lame/lame.h>

#include <bit>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <unordered_map>

static_assert(std::endian::native == std::endian::little,
              "the configuration record is read in the host's byte order");

namespace {

constexpr uint8_t kAdapterMajor = 1;
constexpr uint8_t kAdapterMinor = 0;
constexpr uint8_t kReleaseDay = 9;
constexpr uint8_t kReleaseMonth = 12;
constexpr uint16_t kReleaseYear = 2026;

// libmp3lame's documented worst case for the bytes one call may produce, and
// the minimum it asks for when flushing.
constexpr uint32_t kFlushBytes = 7200;

struct LameCloser {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameCloser>;

struct Stream {
  std::mutex mutex;
  LamePtr lame;
  int channels = 2;
  uint32_t samplesPerChunk = 0;
  uint32_t outputBufferSize = 0;
  bool flushed = false;
};

class StreamTable {
 public:
  BeStream Add(std::shared_ptr<Stream> stream) {
    std::lock_guard lock(mutex_);
    const BeStream handle = next_++;
    streams_.emplace(handle, std::move(stream));
    return handle;
  }
  std::shared_ptr<Stream> Find(BeStream handle) {
    std::lock_guard lock(mutex_);
    auto found = streams_.find(handle);
    return found == streams_.end() ? nullptr : found->second;
  }
  std::shared_ptr<Stream> Remove(BeStream handle) {
    std::lock_guard lock(mutex_);
    auto found = streams_.find(handle);
    if (found == streams_.end()) return nullptr;
    std::shared_ptr<Stream> stream = std::move(found->second);
    streams_.erase(found);
    return stream;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<BeStream, std::shared_ptr<Stream>> streams_;
  BeStream next_ = 1;
};

StreamTable& Streams() {
  static StreamTable table;
  return table;
}

// A library loaded into a GUI program has no terminal to talk to; its
// failures are reported through the result codes.
void Silent(const char*, va_list) {}

// The MPEG version index libmp3lame's tables use for a sample rate (0 MPEG-2,
// 1 MPEG-1, 2 MPEG-2.5), or -1 when no version has that rate.
int MpegVersionOf(uint32_t sampleRate) {
  for (int version = 0; version < 3; ++version) {
    for (int index = 0; index < 3; ++index) {
      if (lame_get_samplerate(version, index) == static_cast<int>(sampleRate)) return version;
    }
  }
  return -1;
}

bool IsTableBitRate(int version, uint32_t bitRate) {
  // Index 0 is the free format, which a constant-rate stream cannot use.
  for (int index = 1; index < 16; ++index) {
    const int rate = lame_get_bitrate(version, index);
    if (rate > 0 && static_cast<uint32_t>(rate) == bitRate) return true;
  }
  return false;
}

BeErr InitStream(const BeMp3Config* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                 BeStream* handle) {
  if (handle != nullptr) *handle = BE_NO_STREAM;
  if (samplesPerChunk != nullptr) *samplesPerChunk = 0;
  if (outputBufferSize != nullptr) *outputBufferSize = 0;
  if (config == nullptr || samplesPerChunk == nullptr || outputBufferSize == nullptr ||
      handle == nullptr) {
    return BE_ERR_INVALID_PARAMETER;
  }

  // The record is packed; copy it so no member is read through a misaligned
  // reference.
  BeMp3Config cfg;
  std::memcpy(&cfg, config, sizeof cfg);
  if (cfg.configKind != BE_CONFIG_MP3) return BE_ERR_INVALID_FORMAT;
  const int version = MpegVersionOf(cfg.sampleRate);
  if (version < 0 || !IsTableBitRate(version, cfg.bitRate)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
  MPEG_mode mode;
  switch (cfg.mode) {
    case BE_MP3_MODE_STEREO:
      mode = STEREO;
      break;
    case BE_MP3_MODE_JSTEREO:
      mode = JOINT_STEREO;
      break;
    case BE_MP3_MODE_MONO:
      mode = MONO;
      break;
    default:
      return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  const int channels = mode == MONO ? 1 : 2;

  auto stream = std::make_shared<Stream>();
  stream->lame.reset(lame_init());
  if (!stream->lame) return BE_ERR_NO_MORE_HANDLES;
  lame_global_flags* lame = stream->lame.get();
  lame_set_errorf(lame, Silent);
  lame_set_debugf(lame, Silent);
  lame_set_msgf(lame, Silent);
  lame_set_num_channels(lame, channels);
  lame_set_in_samplerate(lame, static_cast<int>(cfg.sampleRate));
  // Without this libmp3lame may pick a lower output rate for low bit rates,
  // which would change the frame size and the rate the caller asked for.
  lame_set_out_samplerate(lame, static_cast<int>(cfg.sampleRate));
  lame_set_mode(lame, mode);
  lame_set_VBR(lame, vbr_off);
  lame_set_brate(lame, cfg.bitRate);
  lame_set_extension(lame, cfg.privateFlag != 0);
  lame_set_error_protection(lame, cfg.crcFlag != 0);
  lame_set_copyright(lame, cfg.copyrightFlag != 0);
  lame_set_original(lame, cfg.originalFlag != 0);
  // The caller appends its own ID3v1 tag after the last frame and writes the
  // stream front to back without seeking, so neither a tag from the encoder
  // nor the Xing/Info frame (whose contents are only known at the end) may
  // appear in the output.
  lame_set_write_id3tag_automatic(lame, 0);
  lame_set_bWriteVbrTag(lame, 0);
  if (lame_init_params(lame) < 0) return BE_ERR_NO_MORE_HANDLES;

  // 1152 samples per channel for MPEG-1 rates, 576 for the lower ones.
  const int frameSamples = lame_get_framesize(lame);
  if (frameSamples <= 0) return BE_ERR_NO_MORE_HANDLES;
  stream->channels = channels;
  stream->samplesPerChunk = static_cast<uint32_t>(frameSamples * channels);
  // libmp3lame's bound is 1.25 x samples + 7200; counting the samples of both
  // channels rather than per channel only makes it roomier. The 7200 bytes
  // also cover the final flush.
  stream->outputBufferSize =
      stream->samplesPerChunk + (stream->samplesPerChunk + 3) / 4 + kFlushBytes;

  const BeStream added = Streams().Add(stream);
  *samplesPerChunk = stream->samplesPerChunk;
  *outputBufferSize = stream->outputBufferSize;
  *handle = added;
  return BE_ERR_SUCCESSFUL;
}

BeErr EncodeChunk(BeStream handle, uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                  uint32_t* outputLength) {
  if (outputLength != nullptr) *outputLength = 0;
  std::shared_ptr<Stream> stream = Streams().Find(handle);
  if (!stream) return BE_ERR_INVALID_HANDLE;
  if (outputLength == nullptr || output == nullptr || (samples == nullptr && sampleCount != 0)) {
    return BE_ERR_INVALID_PARAMETER;
  }
  std::lock_guard lock(stream->mutex);
  if (stream->flushed) return BE_ERR_STREAM_FLUSHED;
  if (sampleCount > stream->samplesPerChunk) return BE_ERR_BUFFER_TOO_SMALL;
  if (sampleCount % static_cast<uint32_t>(stream->channels) != 0) return BE_ERR_INVALID_PARAMETER;
  if (sampleCount == 0) return BE_ERR_SUCCESSFUL;

  const int frames = static_cast<int>(sampleCount) / stream->channels;
  const int capacity = static_cast<int>(stream->outputBufferSize);
  int written;
  if (stream->channels == 2) {
    // libmp3lame copies the input and never writes to it; its prototype
    // merely lacks the const.
    written = lame_encode_buffer_interleaved(stream->lame.get(), const_cast<int16_t*>(samples),
                                             frames, output, capacity);
  } else {
    written = lame_encode_buffer(stream->lame.get(), samples, samples, frames, output, capacity);
  }
  if (written < 0 || platform::FaultInjected(platform::FileCall::Codec)) {
    return BE_ERR_ENCODER_FAILED;
  }
  *outputLength = static_cast<uint32_t>(written);
  return BE_ERR_SUCCESSFUL;
}

BeErr DeinitStream(BeStream handle, uint8_t* output, uint32_t* outputLength) {
  if (outputLength != nullptr) *outputLength = 0;
  std::shared_ptr<Stream> stream = Streams().Find(handle);
  if (!stream) return BE_ERR_INVALID_HANDLE;
  if (output == nullptr || outputLength == nullptr) return BE_ERR_INVALID_PARAMETER;
  std::lock_guard lock(stream->mutex);
  if (stream->flushed) return BE_ERR_STREAM_FLUSHED;
  stream->flushed = true;
  const int written =
      lame_encode_flush(stream->lame.get(), output, static_cast<int>(stream->outputBufferSize));
  if (written < 0 || platform::FaultInjected(platform::FileCall::Codec)) {
    return BE_ERR_ENCODER_FAILED;
  }
  *outputLength = static_cast<uint32_t>(written);
  return BE_ERR_SUCCESSFUL;
}

BeErr CloseStream(BeStream handle) {
  std::shared_ptr<Stream> stream = Streams().Remove(handle);
  return stream ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_HANDLE;
}

BeErr Version(BeVersionInfo* version) {
  if (version == nullptr) return BE_ERR_INVALID_PARAMETER;
  std::memset(version, 0, sizeof *version);
  lame_version_t engine{};
  get_lame_version_numerical(&engine);
  version->adapterMajor = kAdapterMajor;
  version->adapterMinor = kAdapterMinor;
  version->engineMajor = static_cast<uint8_t>(engine.major);
  version->engineMinor = static_cast<uint8_t>(engine.minor);
  version->releaseDay = kReleaseDay;
  version->releaseMonth = kReleaseMonth;
  version->releaseYear = kReleaseYear;
  const char* url = get_lame_url();
  if (url != nullptr) std::strncpy(version->homepage, url, BE_HOMEPAGE_SIZE - 1);
  return BE_ERR_SUCCESSFUL;
}

// No C++ exception may cross into the caller; allocation failures inside the
// table or the stream become a plain result code.
template <typename Call>
BeErr Guarded(BeErr onException, Call call) noexcept {
  try {
    return call();
  } catch (...) {
    return onException;
  }
}

}  // namespace

extern "C" {

BeErr beInitStream(const BeMp3Config* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                   BeStream* stream) {
  // Clear the outputs here too, so an exception thrown after validation still
  // leaves the caller with no stream.
  if (stream != nullptr) *stream = BE_NO_STREAM;
  return Guarded(BE_ERR_NO_MORE_HANDLES,
                 [&] { return InitStream(config, samplesPerChunk, outputBufferSize, stream); });
}

BeErr beEncodeChunk(BeStream stream, uint32_t sampleCount, const int16_t* samples, uint8_t* output,
                    uint32_t* outputLength) {
  return Guarded(BE_ERR_ENCODER_FAILED,
                 [&] { return EncodeChunk(stream, sampleCount, samples, output, outputLength); });
}

BeErr beDeinitStream(BeStream stream, uint8_t* output, uint32_t* outputLength) {
  return Guarded(BE_ERR_ENCODER_FAILED, [&] { return DeinitStream(stream, output, outputLength); });
}

BeErr beCloseStream(BeStream stream) {
  return Guarded(BE_ERR_INVALID_HANDLE, [&] { return CloseStream(stream); });
}

BeErr beVersion(BeVersionInfo* version) {
  return Guarded(BE_ERR_INVALID_PARAMETER, [&] { return Version(version); });
}

}  // extern "C"
