#include "libs/ombrin/decode_session.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <limits>
#include <new>
#include <system_error>
#include <utility>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include "platform/fault_injection.h"
#include "platform/message.h"

namespace ombrin {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr uint64_t kProgressSteps = 50;  // percentages move in steps of 2

// FFmpeg reports system failures as AVERROR(errno), small negative numbers;
// its own failures are negated four-character tags far below this range.
bool IsSystemError(int error) {
  return error < 0 && error > -0x1000;
}

}  // namespace

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = other.Release();
  }
  return *this;
}

UniqueFd::~UniqueFd() {
  Close();
}

int UniqueFd::Release() {
  return std::exchange(fd_, -1);
}

int UniqueFd::Close() {
  if (fd_ < 0) return 0;
  // Linux releases the descriptor even when close fails, so it is never retried.
  const int result = ::close(std::exchange(fd_, -1));
  return result == 0 ? 0 : errno;
}

int32_t ResultFromAverror(int error) {
  if (error == AVERROR(ENOMEM)) return OMBRIN_E_OUTOFMEMORY;
  if (IsSystemError(error)) return OMBRIN_ERRNO_CODE(-error);
  if (error < 0) return error;
  return OMBRIN_E_UNEXPECTED;
}

DecodeSession::DecodeSession(UniqueFd output, DecodeProgressCallback progress)
    : output_(std::move(output)), progress_(progress) {}

DecodeSession::~DecodeSession() {
  StopWorker();
  av_channel_layout_uninit(&resamplerInLayout_);
}

int32_t DecodeSession::Run(const char* inputPath, int16_t* channels, int16_t* bitsPerSample,
                           int32_t* sampleRate) {
  int32_t result = OpenReader(inputPath);
  if (result != 0) {
    platform::ShowMessage("Could not create the Reader .");
    return result;
  }
  ReadFormat(channels, bitsPerSample, sampleRate);
  result = DecodeAll();
  if (result != 0) {
    platform::ShowMessage("Processing samples failed: Error ");
    return result;
  }
  // Closing the demuxer cannot fail, so "Could not close the reader" never shows.
  format_.reset();
  return 0;
}

int32_t DecodeSession::OpenReader(const char* inputPath) {
  AVFormatContext* context = avformat_alloc_context();
  const AVInputFormat* asf = av_find_input_format("asf");
  if (context == nullptr || asf == nullptr) {
    avformat_free_context(context);
    platform::ShowMessage("WMCreateReader Failed.");
    return context == nullptr ? OMBRIN_E_OUTOFMEMORY : ResultFromAverror(AVERROR_DEMUXER_NOT_FOUND);
  }
  // A stop request must also end a read that is waiting inside the demuxer.
  context->interrupt_callback.callback = &DecodeSession::Interrupted;
  context->interrupt_callback.opaque = this;

  // The demuxer is fixed to ASF, the container of every WMA file, so that a
  // file of any other kind is refused instead of being probed as something
  // else; avformat_open_input frees the context when it fails.
  int error = avformat_open_input(&context, inputPath, asf, nullptr);
  if (error < 0) {
    platform::ShowMessage("Reader Open Failed.");
    return ResultFromAverror(error);
  }
  format_.reset(context);

  error = avformat_find_stream_info(format_.get(), nullptr);
  if (error < 0) {
    platform::ShowMessage("m_pReaderHeaderInfo->GetAttributeByName Failed.");
    return ResultFromAverror(error);
  }
  // The file's duration comes from the ASF header (play duration less preroll)
  // and scales the progress; without it there is nothing to report against.
  if (format_->duration == AV_NOPTS_VALUE || format_->duration <= 0) {
    platform::ShowMessage("m_pReaderHeaderInfo->GetAttributeByName Failed - duration is 0.");
    return OMBRIN_E_INVALIDARG;
  }
  durationUs_ = static_cast<uint64_t>(format_->duration);

  // Only the audio is decoded: video or other streams in the same file would
  // land in the PCM output as noise.
  error = av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (error < 0) {
    platform::ShowMessage("Reader Open Failed.");
    return ResultFromAverror(error);
  }
  streamIndex_ = error;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
  }
  return 0;
}

void DecodeSession::ReadFormat(int16_t* channels, int16_t* bitsPerSample, int32_t* sampleRate) {
  const AVCodecParameters* parameters = format_->streams[streamIndex_]->codecpar;
  const int streamChannels = parameters->ch_layout.nb_channels;
  const int streamRate = parameters->sample_rate;
  // A header without a usable format leaves the caller's values alone; the
  // output then follows whatever the decoder produces.
  if (streamChannels <= 0 || streamChannels > std::numeric_limits<int16_t>::max() ||
      streamRate <= 0) {
    return;
  }
  // The declared bits per sample of a WMA stream describe the PCM it was made
  // from; the editor handles 8 and 16 bits and the output is written in the
  // depth reported here, so the two always agree.
  int bits = parameters->bits_per_coded_sample;
  if (bits != 8 && bits != 16) {
    platform::ShowMessage("Failed to get bits per sample from the WMA file.  Assuming 16 bits.");
    bits = 16;
  }
  outChannels_ = streamChannels;
  outRate_ = streamRate;
  outSampleFormat_ = bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
  if (channels != nullptr) *channels = static_cast<int16_t>(streamChannels);
  if (bitsPerSample != nullptr) *bitsPerSample = static_cast<int16_t>(bits);
  if (sampleRate != nullptr) *sampleRate = streamRate;
}

int32_t DecodeSession::DecodeAll() {
  progressCount_ = 0;
  int32_t result = StartDecoder();
  if (result != 0) {
    platform::ShowMessage("Start of reader failed.");
    return result;
  }
  WaitForCompletion();
  StopWorker();
  if (workerError_ != 0) return ResultFromAverror(workerError_);
  // A failing close can mean the last writes never reached the disk.
  const int closeError = output_.Close();
  if (closeError != 0) return OMBRIN_ERRNO_CODE(closeError);
  return 0;
}

int32_t DecodeSession::StartDecoder() {
  const AVStream* stream = format_->streams[streamIndex_];
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  if (decoder == nullptr) return ResultFromAverror(AVERROR_DECODER_NOT_FOUND);
  codec_.reset(avcodec_alloc_context3(decoder));
  packet_.reset(av_packet_alloc());
  frame_.reset(av_frame_alloc());
  if (!codec_ || !packet_ || !frame_) return OMBRIN_E_OUTOFMEMORY;
  int error = avcodec_parameters_to_context(codec_.get(), stream->codecpar);
  if (error >= 0) {
    codec_->pkt_timebase = stream->time_base;
    error = avcodec_open2(codec_.get(), decoder, nullptr);
  }
  if (error < 0) return ResultFromAverror(error);
  try {
    worker_ = std::thread(&DecodeSession::WorkerMain, this);
  } catch (const std::system_error& failure) {
    return OMBRIN_ERRNO_CODE(failure.code().value());
  }
  return 0;
}

void DecodeSession::WaitForCompletion() {
  int keepGoing = 1;
  std::unique_lock lock(mutex_);
  for (;;) {
    const bool finished =
        finishedChanged_.wait_for(lock, kProgressInterval, [this] { return finished_; });
    if (progress_ != nullptr) {
      // The callback may pump the editor's user interface; the worker must not
      // wait for it.
      lock.unlock();
      const uint64_t count = std::min(progressCount_.load(), kProgressSteps);
      progress_(static_cast<int>(2 * count), &keepGoing);
      lock.lock();
    }
    if (finished || keepGoing == 0) return;
  }
}

void DecodeSession::StopWorker() {
  stop_ = true;
  if (worker_.joinable()) worker_.join();
}

int DecodeSession::Interrupted(void* session) {
  return static_cast<DecodeSession*>(session)->stop_.load() ? 1 : 0;
}

void DecodeSession::WorkerMain() {
  int error;
  try {
    error = DecodeLoop();
  } catch (const std::bad_alloc&) {
    error = AVERROR(ENOMEM);
  }
  std::lock_guard lock(mutex_);
  workerError_ = error;
  finished_ = true;
  finishedChanged_.notify_all();
}

// Returns 0 at the end of the audio or on a stop request, otherwise the
// failure that makes the output incomplete.
int DecodeSession::DecodeLoop() {
  while (!stop_) {
    int error = av_read_frame(format_.get(), packet_.get());
    if (error < 0) {
      if (stop_ || error == AVERROR_EXIT) return 0;
      if (error == AVERROR(EAGAIN)) continue;
      // An unreadable file is a failure. Data the demuxer cannot parse any
      // further (a cut-off or damaged tail) ends the audio where it breaks,
      // as the ffmpeg tool does.
      if (IsSystemError(error)) return error;
      break;
    }
    if (packet_->stream_index != streamIndex_) {
      av_packet_unref(packet_.get());
      continue;
    }
    error = platform::FaultInjected(platform::FileCall::Codec)
                ? AVERROR(EIO)
                : avcodec_send_packet(codec_.get(), packet_.get());
    av_packet_unref(packet_.get());
    // A damaged packet loses its own samples only; decoding goes on.
    if (error < 0 && IsSystemError(error) && error != AVERROR(EAGAIN)) return error;
    error = DrainDecoder();
    if (error < 0) return error;
  }
  if (stop_) return 0;

  // End of data: the decoder and the resampler give up what they still hold.
  int error = avcodec_send_packet(codec_.get(), nullptr);
  if (error < 0 && IsSystemError(error)) return error;
  error = DrainDecoder();
  if (error < 0) return error;
  error = FlushResampler();
  if (error < 0) return error;
  if (!stop_) progressCount_ = kProgressSteps;
  return 0;
}

int DecodeSession::DrainDecoder() {
  while (!stop_) {
    const int error = avcodec_receive_frame(codec_.get(), frame_.get());
    if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return 0;
    if (error < 0) return IsSystemError(error) ? error : 0;
    const int written = WriteFrame(*frame_);
    av_frame_unref(frame_.get());
    if (written < 0) return written;
  }
  return 0;
}

int DecodeSession::WriteFrame(const AVFrame& frame) {
  if (frame.nb_samples <= 0) return 0;
  int error = ConfigureResampler(frame);
  if (error < 0) return error;
  error = ConvertAndWrite(const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
  if (error < 0) return error;
  AdvanceProgress(frame.best_effort_timestamp);
  return 0;
}

// The resampler turns the decoder's planar float (WMA v1/v2) into interleaved
// samples of the reported format. Channel count and rate stay as they are
// unless the decoder's frames stop matching the reported format, in which case
// they are converted to it so the output never changes format midway.
int DecodeSession::ConfigureResampler(const AVFrame& frame) {
  if (resampler_ && frame.format == resamplerInFormat_ && frame.sample_rate == resamplerInRate_ &&
      av_channel_layout_compare(&frame.ch_layout, &resamplerInLayout_) == 0) {
    return 0;
  }
  resampler_.reset();
  av_channel_layout_uninit(&resamplerInLayout_);
  int error = av_channel_layout_copy(&resamplerInLayout_, &frame.ch_layout);
  if (error < 0) return error;
  resamplerInFormat_ = frame.format;
  resamplerInRate_ = frame.sample_rate;

  if (outChannels_ <= 0) outChannels_ = frame.ch_layout.nb_channels;
  if (outRate_ <= 0) outRate_ = frame.sample_rate;
  if (outChannels_ <= 0 || outRate_ <= 0) return AVERROR_INVALIDDATA;

  // The resampler wants a layout it can name; an unnamed one gets the default
  // order for its channel count, and the same layout on both sides means no
  // channel mixing at all.
  AVChannelLayout inLayout{};
  AVChannelLayout outLayout{};
  if (frame.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&inLayout, frame.ch_layout.nb_channels);
  } else if ((error = av_channel_layout_copy(&inLayout, &frame.ch_layout)) < 0) {
    return error;
  }
  if (inLayout.nb_channels == outChannels_) {
    error = av_channel_layout_copy(&outLayout, &inLayout);
  } else {
    av_channel_layout_default(&outLayout, outChannels_);
  }
  SwrContext* context = nullptr;
  if (error >= 0) {
    error = swr_alloc_set_opts2(&context, &outLayout, outSampleFormat_, outRate_, &inLayout,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                                nullptr);
  }
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  if (error < 0) return error;
  resampler_.reset(context);
  return swr_init(resampler_.get());
}

int DecodeSession::FlushResampler() {
  if (!resampler_) return 0;
  for (;;) {
    const int produced = ConvertAndWrite(nullptr, 0);
    if (produced <= 0) return produced;
  }
}

// Returns the number of samples written or a negative error.
int DecodeSession::ConvertAndWrite(const uint8_t** input, int inputSamples) {
  const int capacity = swr_get_out_samples(resampler_.get(), inputSamples);
  if (capacity < 0) return capacity;
  if (capacity == 0) return 0;
  const int bytesPerFrame = outChannels_ * av_get_bytes_per_sample(outSampleFormat_);
  converted_.resize(static_cast<size_t>(capacity) * static_cast<size_t>(bytesPerFrame));
  uint8_t* output[1] = {converted_.data()};
  const int produced = swr_convert(resampler_.get(), output, capacity, input, inputSamples);
  if (produced <= 0) return produced;
  const int error = WriteAll(converted_.data(),
                             static_cast<size_t>(produced) * static_cast<size_t>(bytesPerFrame));
  return error < 0 ? error : produced;
}

int DecodeSession::WriteAll(const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(output_.Get(), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return 0;
}

// Progress is the position of the latest decoded frame in fiftieths of the
// file's duration, counted up one step at a time so it never decreases and a
// first frame already shows 2 %.
void DecodeSession::AdvanceProgress(int64_t timestamp) {
  if (timestamp == AV_NOPTS_VALUE) return;
  const AVStream* stream = format_->streams[streamIndex_];
  if (stream->start_time != AV_NOPTS_VALUE) timestamp -= stream->start_time;
  const int64_t position = av_rescale_q(timestamp, stream->time_base, AV_TIME_BASE_Q);
  const uint64_t target =
      position <= 0
          ? 0
          : static_cast<uint64_t>(av_rescale_rnd(position, static_cast<int64_t>(kProgressSteps),
                                                 static_cast<int64_t>(durationUs_), AV_ROUND_DOWN));
  uint64_t count = progressCount_.load();
  while (count <= target && count < kProgressSteps) ++count;
  progressCount_ = count;
}

}  // namespace ombrin
