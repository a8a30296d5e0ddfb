// WMA encoding over FFmpeg: the wmav2 encoder and the ASF muxer.
//
// The calls carry no handle, so the session is module-wide and guarded by a
// mutex. Every FFmpeg object is owned by a smart pointer, so any failure
// path frees what was made so far; the only other resource, the output file,
// is removed explicitly when a session fails, because a truncated ASF file
// would otherwise be taken for a finished one.

#include "libs/sarvik/sarvik.h"
#include "platform/fault_injection.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
}

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct FormatContextDeleter {
  void operator()(AVFormatContext* context) const {
    if (context->pb != nullptr) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

constexpr int64_t kBitRates[] = {128000, 96000, 64000, 48000};
constexpr int kBytesPerSample = 2;

class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Makes a session writing to `path`; on failure nothing is left on disk.
  static int32_t Start(const char* path, int quality, int channels, int sample_rate,
                       std::unique_ptr<Session>* out);
  int32_t Encode(const uint8_t* bytes, size_t count);
  // Ends the session: a good one gets its last frames and trailer, a failed
  // one loses its file.
  int32_t Finish();

 private:
  int32_t Open(const char* path, int quality, int channels, int sample_rate);
  int32_t SendFrame(const uint8_t* samples, int frame_count);
  int32_t WritePackets();
  void RemoveOutput();

  FormatContextPtr format_;
  CodecContextPtr codec_;
  FramePtr frame_;
  PacketPtr packet_;
  AVStream* stream_ = nullptr;  // owned by format_
  std::string path_;
  bool created_ = false;  // the output is a regular file this session opened
  dev_t output_device_ = 0;
  ino_t output_inode_ = 0;
  bool failed_ = false;
  int channels_ = 0;
  size_t frame_bytes_ = 0;        // bytes of input per encoder frame
  int64_t next_pts_ = 0;          // in samples
  std::vector<uint8_t> pending_;  // input that does not fill an encoder frame yet
};

int32_t Session::Start(const char* path, int quality, int channels, int sample_rate,
                       std::unique_ptr<Session>* out) {
  auto session = std::make_unique<Session>();
  const int32_t result = session->Open(path, quality, channels, sample_rate);
  if (result != SARVIK_OK) {
    session->RemoveOutput();
    return result;
  }
  *out = std::move(session);
  return SARVIK_OK;
}

int32_t Session::Open(const char* path, int quality, int channels, int sample_rate) {
  const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
  if (encoder == nullptr) return SARVIK_ERROR_OPEN;

  AVFormatContext* format = nullptr;
  // The muxer is named, not guessed: the editor writes to names without an
  // extension.
  if (avformat_alloc_output_context2(&format, nullptr, "asf", nullptr) < 0 || format == nullptr) {
    return SARVIK_ERROR_INTERNAL;
  }
  format_.reset(format);

  codec_.reset(avcodec_alloc_context3(encoder));
  frame_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  stream_ = avformat_new_stream(format, nullptr);
  if (!codec_ || !frame_ || !packet_ || stream_ == nullptr) return SARVIK_ERROR_INTERNAL;

  // wmav2 takes planar float only; the input is converted while framing.
  codec_->sample_fmt = AV_SAMPLE_FMT_FLTP;
  codec_->sample_rate = sample_rate;
  av_channel_layout_default(&codec_->ch_layout, channels);
  codec_->bit_rate = kBitRates[quality];
  codec_->time_base = AVRational{1, sample_rate};
  if (format->oformat->flags & AVFMT_GLOBALHEADER) codec_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  // The encoder checks rate and bit rate here, before any file exists.
  if (avcodec_open2(codec_.get(), encoder, nullptr) < 0 || codec_->frame_size <= 0) {
    return SARVIK_ERROR_OPEN;
  }
  if (avcodec_parameters_from_context(stream_->codecpar, codec_.get()) < 0) {
    return SARVIK_ERROR_INTERNAL;
  }
  stream_->time_base = codec_->time_base;

  frame_->format = codec_->sample_fmt;
  frame_->sample_rate = sample_rate;
  frame_->nb_samples = codec_->frame_size;
  if (av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout) < 0 ||
      av_frame_get_buffer(frame_.get(), 0) < 0) {
    return SARVIK_ERROR_INTERNAL;
  }
  channels_ = channels;
  frame_bytes_ = static_cast<size_t>(codec_->frame_size) * channels * kBytesPerSample;

  // "file:" keeps names with a colon, or that look like URLs, plain files.
  const std::string url = std::string("file:") + path;
  if (avio_open(&format->pb, url.c_str(), AVIO_FLAG_WRITE) < 0) return SARVIK_ERROR_OPEN;
  // Remember which file this is, so that a failure removes exactly it: never
  // a device such as /dev/full, never a file that replaced it meanwhile.
  struct stat info {};
  if (stat(path, &info) == 0 && S_ISREG(info.st_mode)) {
    path_ = path;
    output_device_ = info.st_dev;
    output_inode_ = info.st_ino;
    created_ = true;
  }
  if (avformat_write_header(format, nullptr) < 0) return SARVIK_ERROR_OPEN;
  // FFmpeg's wmav2 decoder drops two frames' worth of output at the start,
  // the encoder delays by only one, so a decoder would lose the first frame
  // of the audio. One frame of silence in front makes up the difference and
  // the decoded audio starts exactly where the input did.
  const std::vector<uint8_t> silence(frame_bytes_, 0);
  if (SendFrame(silence.data(), codec_->frame_size) != SARVIK_OK) return SARVIK_ERROR_ENCODE;
  return SARVIK_OK;
}

int32_t Session::Encode(const uint8_t* bytes, size_t count) {
  if (failed_) return SARVIK_ERROR_ENCODE;
  try {
    pending_.insert(pending_.end(), bytes, bytes + count);
  } catch (...) {
    failed_ = true;
    return SARVIK_ERROR_INTERNAL;
  }
  size_t used = 0;
  while (pending_.size() - used >= frame_bytes_) {
    if (SendFrame(pending_.data() + used, codec_->frame_size) != SARVIK_OK) {
      failed_ = true;
      return SARVIK_ERROR_ENCODE;
    }
    used += frame_bytes_;
  }
  pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(used));
  return SARVIK_OK;
}

int32_t Session::SendFrame(const uint8_t* samples, int frame_count) {
  if (av_frame_make_writable(frame_.get()) < 0) return SARVIK_ERROR_ENCODE;
  frame_->nb_samples = frame_count;
  for (int c = 0; c < channels_; ++c) {
    float* plane = reinterpret_cast<float*>(frame_->data[c]);
    const uint8_t* in = samples + c * kBytesPerSample;
    for (int i = 0; i < frame_count; ++i, in += channels_ * kBytesPerSample) {
      // Little-endian on every host, as the editor's sample data is.
      const int16_t value = static_cast<int16_t>(in[0] | (in[1] << 8));
      plane[i] = static_cast<float>(value) / 32768.0f;
    }
  }
  frame_->pts = next_pts_;
  next_pts_ += frame_count;
  if (avcodec_send_frame(codec_.get(), frame_.get()) < 0 ||
      platform::FaultInjected(platform::FileCall::Codec)) {
    return SARVIK_ERROR_ENCODE;
  }
  return WritePackets();
}

int32_t Session::WritePackets() {
  for (;;) {
    const int received = avcodec_receive_packet(codec_.get(), packet_.get());
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return SARVIK_OK;
    if (received < 0) return SARVIK_ERROR_ENCODE;
    av_packet_rescale_ts(packet_.get(), codec_->time_base, stream_->time_base);
    packet_->stream_index = stream_->index;
    // Takes the packet's data, leaving packet_ blank for the next round.
    if (av_interleaved_write_frame(format_.get(), packet_.get()) < 0) return SARVIK_ERROR_ENCODE;
  }
}

int32_t Session::Finish() {
  if (!failed_) {
    // The last frame of audio only comes out of the decoder together with
    // the next one (the transform overlaps neighbouring frames) and the
    // encoder keeps nothing back for the flush. So the rest of the input is
    // padded with silence to a whole frame and followed by one more frame of
    // silence, which carries the end of the audio out instead of cutting it.
    // Whole sample frames only: a dangling odd byte cannot be encoded.
    const size_t sample_frame = static_cast<size_t>(channels_) * kBytesPerSample;
    pending_.resize(pending_.size() - pending_.size() % sample_frame);
    if (!pending_.empty()) pending_.resize(frame_bytes_, 0);
    const std::vector<uint8_t> silence(frame_bytes_, 0);
    failed_ = (!pending_.empty() && SendFrame(pending_.data(), codec_->frame_size) != SARVIK_OK) ||
              SendFrame(silence.data(), codec_->frame_size) != SARVIK_OK ||
              avcodec_send_frame(codec_.get(), nullptr) < 0 || WritePackets() != SARVIK_OK ||
              av_write_trailer(format_.get()) < 0 || format_->pb->error < 0 ||
              avio_closep(&format_->pb) < 0;
  }
  if (failed_) {
    RemoveOutput();
    return SARVIK_ERROR_ENCODE;
  }
  format_.reset();
  return SARVIK_OK;
}

void Session::RemoveOutput() {
  format_.reset();  // closes the file first
  struct stat info {};
  if (created_ && lstat(path_.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
      info.st_dev == output_device_ && info.st_ino == output_inode_) {
    unlink(path_.c_str());
  }
  created_ = false;
}

std::mutex g_mutex;
std::unique_ptr<Session> g_session;

}  // namespace

extern "C" int32_t WMAEncodeInit(const char* outputPath, int32_t quality, int32_t channels,
                                 int32_t bitsPerSample, int32_t sampleRate) {
  std::lock_guard<std::mutex> lock(g_mutex);
  try {
    // An unfinished session was abandoned by its caller, who owns its file
    // (and may already have reused the name): drop it without the trailer
    // and without removing anything.
    g_session.reset();
    if (outputPath == nullptr || outputPath[0] == '\0' || quality < 0 || quality > 3 ||
        channels < 1 || channels > 2 || bitsPerSample != 16 || sampleRate <= 0) {
      return SARVIK_ERROR_ARGUMENT;
    }
    return Session::Start(outputPath, quality, channels, sampleRate, &g_session);
  } catch (...) {
    g_session.reset();
    return SARVIK_ERROR_INTERNAL;
  }
}

extern "C" int32_t WMAEncodeBuffer(const void* buffer, int32_t byteCount) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_session) return SARVIK_ERROR_STATE;
  if (byteCount < 0 || (buffer == nullptr && byteCount > 0)) return SARVIK_ERROR_ARGUMENT;
  if (byteCount == 0) return SARVIK_OK;
  return g_session->Encode(static_cast<const uint8_t*>(buffer), static_cast<size_t>(byteCount));
}

extern "C" int32_t WMAEncodeDeInit(void) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_session) return SARVIK_ERROR_STATE;
  std::unique_ptr<Session> session = std::move(g_session);
  try {
    return session->Finish();
  } catch (...) {
    return SARVIK_ERROR_INTERNAL;
  }
}
