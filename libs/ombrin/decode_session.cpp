#include "libs/ombrin/decode_session.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>
#include <utility>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

#include "libs/ombrin/sample_converter.h"
#include "libs/ombrin/tail_decoder.h"
#include "platform/fault_injection.h"
#include "platform/message.h"

namespace ombrin {
namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(50);
constexpr uint64_t kProgressSteps = 50;  // percentages move in steps of 2
// How often the worker looks at the second thread while it waits for it.
constexpr auto kTailPoll = std::chrono::milliseconds(10);
// The share of the stream the second thread leaves to the worker, which also
// appends the second thread's part at the end.
constexpr double kSplitFraction = 0.5;
// Room left on the disk beyond what a split decode needs at its peak.
constexpr double kSpareDiskBytes = 64.0 * (1 << 20);

// FFmpeg reports system failures as AVERROR(errno), small negative numbers;
// its own failures are negated four-character tags far below this range.
bool IsSystemError(int error) {
  return error < 0 && error > -0x1000;
}

// WMA v1 and v2 fill the upper bands of low bit-rate streams with noise from
// a generator whose state depends on everything decoded before, so a decoder
// started mid-stream never reproduces them. This mirrors the decoder's own
// choice (FFmpeg's ff_wma_init) from the header alone; the byte comparison of
// the probe is the proof, this only spares a second thread that cannot win.
bool MayUseNoiseCoding(const AVCodecParameters& parameters) {
  const int channels = parameters.ch_layout.nb_channels;
  const int rate = parameters.sample_rate;
  if (channels <= 0 || rate <= 0 || parameters.bit_rate <= 0) return true;
  int normalisedRate = rate;
  if (parameters.codec_id == AV_CODEC_ID_WMAV2) {
    for (const int standard : {44100, 22050, 16000, 11025, 8000}) {
      if (rate >= standard) {
        normalisedRate = standard;
        break;
      }
    }
  }
  const float bitsPerSample =
      static_cast<float>(parameters.bit_rate) / static_cast<float>(channels * rate);
  const float weighted = channels == 2 ? bitsPerSample * 1.6f : bitsPerSample;
  if (normalisedRate == 44100) return weighted < 0.61f;
  if (normalisedRate == 22050) return weighted < 1.16f;
  if (normalisedRate == 8000) return bitsPerSample <= 0.75f;
  return true;
}

}  // namespace

int WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return 0;
}

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

DecodeSession::DecodeSession(UniqueFd output, std::string outputFolder,
                             DecodeProgressCallback progress, const DecodeOptions& options,
                             DecodeReport* report)
    : output_(std::move(output)),
      outputFolder_(std::move(outputFolder)),
      progress_(progress),
      options_(options),
      report_(report) {}

DecodeSession::~DecodeSession() {
  StopWorker();
}

int32_t DecodeSession::Run(const char* inputPath, int16_t* channels, int16_t* bitsPerSample,
                           int32_t* sampleRate) {
  int32_t result = OpenReader(inputPath);
  if (result != 0) {
    platform::ShowMessage("Could not create the Reader .");
    return result;
  }
  ReadFormat(channels, bitsPerSample, sampleRate);
  result = DecodeAll(inputPath);
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

int32_t DecodeSession::DecodeAll(const char* inputPath) {
  progressCount_ = 0;
  int32_t result = StartDecoder(inputPath);
  if (result != 0) {
    platform::ShowMessage("Start of reader failed.");
    return result;
  }
  WaitForCompletion();
  StopWorker();
  tail_.reset();
  if (workerError_ != 0) return ResultFromAverror(workerError_);
  // A failing close can mean the last writes never reached the disk.
  const int closeError = output_.Close();
  if (closeError != 0) return OMBRIN_ERRNO_CODE(closeError);
  return 0;
}

int32_t DecodeSession::StartDecoder(const char* inputPath) {
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
  converter_ = std::make_unique<SampleConverter>(outChannels_, outRate_, outSampleFormat_);

  // Small writes cost a system call each; a regular file takes them in large
  // blocks. A pipe or a device keeps getting every frame at once, so a reader
  // at the other end sees the samples as they are decoded.
  struct stat status {};
  if (::fstat(output_.Get(), &status) == 0 && S_ISREG(status.st_mode)) {
    blockBytes_ = kWriteBlockBytes;
    pending_.reserve(kWriteBlockBytes + (64u << 10));
  }
  if (ParallelWorthwhile(inputPath)) StartTail(inputPath);
  try {
    worker_ = std::thread(&DecodeSession::WorkerMain, this);
  } catch (const std::system_error& failure) {
    return OMBRIN_ERRNO_CODE(failure.code().value());
  }
  return 0;
}

bool DecodeSession::ParallelWorthwhile(const char* inputPath) const {
  const AVStream* stream = format_->streams[streamIndex_];
  const AVCodecParameters& parameters = *stream->codecpar;
  // Only a regular output file can have the second part appended later.
  if (!options_.allowParallel || blockBytes_ == 0) return false;
  // WMA v1 and v2 frames have a fixed length and depend on little more than
  // the frame before; other codecs in ASF are decoded on one thread.
  if (parameters.codec_id != AV_CODEC_ID_WMAV1 && parameters.codec_id != AV_CODEC_ID_WMAV2) {
    return false;
  }
  if (outChannels_ <= 0 || outRate_ <= 0) return false;
  if (MayUseNoiseCoding(parameters) && !options_.skipNoiseCheck) return false;
  if (format_->pb == nullptr || (format_->pb->seekable & AVIO_SEEKABLE_NORMAL) == 0) return false;
  struct stat status {};
  if (::stat(inputPath, &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<uint64_t>(status.st_size) < options_.parallelMinInputBytes) {
    return false;
  }
  // The second half lies in the temporary file while it is appended, so for
  // a moment the disk holds half the decoded size more than the output. A
  // decode that one thread could finish must not fail for want of that room.
  struct statvfs disk {};
  if (::statvfs(outputFolder_.c_str(), &disk) != 0) return false;
  const double decodedBytes = static_cast<double>(durationUs_) / 1e6 * outRate_ * outChannels_ *
                              av_get_bytes_per_sample(outSampleFormat_);
  const double freeBytes = static_cast<double>(disk.f_bavail) * static_cast<double>(disk.f_frsize);
  return freeBytes >= decodedBytes * 1.5 + kSpareDiskBytes;
}

void DecodeSession::StartTail(const char* inputPath) {
  const AVStream* stream = format_->streams[streamIndex_];
  TailSetup setup;
  setup.inputPath = inputPath;
  setup.folder = outputFolder_;
  setup.streamIndex = streamIndex_;
  setup.parameters = stream->codecpar;
  setup.timeBase = stream->time_base;
  setup.splitFraction = kSplitFraction;
  const int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  tailWaitTimestamp_ =
      start +
      av_rescale_q(static_cast<int64_t>(static_cast<double>(durationUs_) * kSplitFraction / 2),
                   AV_TIME_BASE_Q, stream->time_base);
  setup.outChannels = outChannels_;
  setup.outRate = outRate_;
  setup.outFormat = outSampleFormat_;
  setup.divergeAtFrame = options_.tailDivergesAtFrame;
  setup.failAfterPackets = options_.tailFailsAfterPackets;
  tail_ = TailDecoder::Start(setup);
  if (tail_ && report_ != nullptr) report_->tailStarted = true;
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
    // The second thread never outlives the worker, whatever ended the loop.
    tail_.reset();
    const int flushed = FlushPending();
    if (error == 0) error = flushed;
  } catch (const std::bad_alloc&) {
    tail_.reset();
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
    if (joinDue_) {
      switch (JoinTail(&error)) {
        case JoinResult::Joined:
          progressCount_ = kProgressSteps;
          return 0;
        case JoinResult::Stopped:
          return 0;
        case JoinResult::Resume:
          if (error < 0) return error;
          // Frames the decoder still holds from the last packet come first.
          error = DrainDecoder();
          if (error < 0) return error;
          break;
      }
    }
  }
  if (stop_) return 0;
  // The worker reached the end on its own: whatever the second thread
  // decoded is not needed.
  AbandonTail();

  // End of data: the decoder and the resampler give up what they still hold.
  int error = avcodec_send_packet(codec_.get(), nullptr);
  if (error < 0 && IsSystemError(error)) return error;
  error = DrainDecoder();
  if (error < 0) return error;
  error = converter_->Flush(pending_);
  if (error < 0) return error;
  error = FlushPending();
  if (error < 0) return error;
  if (!stop_) progressCount_ = kProgressSteps;
  return 0;
}

int DecodeSession::DrainDecoder() {
  // Once the probe has been reproduced the worker pauses: what follows is
  // the second thread's, unless that thread fails.
  while (!stop_ && !joinDue_) {
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
  const size_t start = pending_.size();
  const int error = converter_->Append(frame, pending_);
  if (error < 0) return error;
  if (tail_) MatchTail(frame, start);
  if (pending_.size() >= blockBytes_) {
    const int flushed = FlushPending();
    if (flushed < 0) return flushed;
  }
  AdvanceProgress(frame.best_effort_timestamp);
  return 0;
}

int DecodeSession::FlushPending() {
  if (pending_.empty()) return 0;
  const int error = WriteAll(output_.Get(), pending_.data(), pending_.size());
  if (error < 0) return error;
  outputBytes_ += pending_.size();
  pending_.clear();
  return 0;
}

// The frame just converted (pending_ from `start`) is compared with the
// second thread's probe: the same timestamps and the same bytes, frame after
// frame. Anything else gives the second thread up.
void DecodeSession::MatchTail(const AVFrame& frame, size_t start) {
  const TailProbe* probe = tail_->Probe();
  if (probe == nullptr) {
    // The probe normally comes after a few of the second thread's frames,
    // long before the worker gets there; on a short file or a busy machine
    // the worker may be first, and waits rather than pass the probe unseen.
    // The probe cannot come before the second thread's first packet; a
    // second thread that has not even read that by the time the worker is
    // half way to the split point is waited for too.
    if (frame.pts == AV_NOPTS_VALUE) return;
    const int64_t tailStart = tail_->StartTimestamp();
    if (frame.pts < (tailStart != AV_NOPTS_VALUE ? tailStart : tailWaitTimestamp_)) return;
    probe = tail_->WaitForProbe(stop_);
    if (probe == nullptr) {
      AbandonTail();
      return;
    }
  }
  if (frame.pts == AV_NOPTS_VALUE) {
    if (probeMatched_ > 0) AbandonTail();
    return;
  }
  if (probeMatched_ == 0 && frame.pts < probe->timestamps.front()) return;
  const std::vector<uint8_t>& expected = probe->samples[probeMatched_];
  const size_t size = pending_.size() - start;
  if (frame.pts == probe->timestamps[probeMatched_] && size == expected.size() &&
      std::memcmp(pending_.data() + start, expected.data(), size) == 0) {
    if (++probeMatched_ == probe->samples.size()) joinDue_ = true;
    return;
  }
  AbandonTail();
}

void DecodeSession::AbandonTail() {
  tail_.reset();
  probeMatched_ = 0;
  joinDue_ = false;
}

DecodeSession::JoinResult DecodeSession::JoinTail(int* error) {
  joinDue_ = false;
  *error = FlushPending();
  if (*error < 0) {
    AbandonTail();
    return JoinResult::Resume;
  }
  for (;;) {
    const TailDecoder::State state = tail_->WaitFor(kTailPoll);
    if (stop_) {
      AbandonTail();
      return JoinResult::Stopped;
    }
    if (state == TailDecoder::State::Failed) {
      AbandonTail();
      return JoinResult::Resume;
    }
    if (state == TailDecoder::State::Finished) break;
    ReportProgress();
  }
  const uint64_t joinedAt = outputBytes_;
  *error = AppendTail();
  AbandonTail();
  if (*error < 0) {
    // The worker can still decode the rest itself (a disk that filled up
    // meanwhile has room again without the temporary file) once the output
    // is back at the point where it paused; if it cannot be, the append's
    // failure ends the decode.
    if (::ftruncate(output_.Get(), static_cast<off_t>(joinedAt)) == 0 &&
        ::lseek(output_.Get(), static_cast<off_t>(joinedAt), SEEK_SET) >= 0) {
      outputBytes_ = joinedAt;
      *error = 0;
    }
    return JoinResult::Resume;
  }
  if (report_ != nullptr) report_->joined = true;
  return JoinResult::Joined;
}

// The output already ends with the probe frames, so the second thread's
// file is appended from just after them.
int DecodeSession::AppendTail() {
  const off_t probeBytes = static_cast<off_t>(tail_->Probe()->Bytes());
  off_t from = probeBytes;
  const off_t end = static_cast<off_t>(tail_->Bytes());
  bool kernelCopy = true;
  std::vector<uint8_t> buffer;
  while (from < end) {
    const size_t length = static_cast<size_t>(std::min<off_t>(end - from, off_t{1} << 30));
    ssize_t copied = -1;
    if (kernelCopy) {
      copied = ::copy_file_range(tail_->Fd(), &from, output_.Get(), nullptr, length, 0);
      if (copied < 0 &&
          (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
        kernelCopy = false;
        continue;
      }
    } else {
      buffer.resize(std::min(length, kWriteBlockBytes));
      copied = ::pread(tail_->Fd(), buffer.data(), buffer.size(), from);
      if (copied > 0) {
        const int written = WriteAll(output_.Get(), buffer.data(), static_cast<size_t>(copied));
        if (written < 0) return written;
        from += copied;
      }
    }
    if (copied < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    if (copied == 0) return AVERROR(EIO);  // the file is shorter than written
    outputBytes_ += static_cast<uint64_t>(copied);
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
  lastPositionUs_ = av_rescale_q(timestamp, stream->time_base, AV_TIME_BASE_Q);
  ReportProgress();
}

// While a second thread runs, what it has decoded counts too, but 100 % waits
// for the end of the whole decode.
void DecodeSession::ReportProgress() {
  const int64_t position = lastPositionUs_ + (tail_ ? tail_->DecodedUs() : 0);
  const uint64_t limit = tail_ ? kProgressSteps - 1 : kProgressSteps;
  const uint64_t target =
      position <= 0
          ? 0
          : static_cast<uint64_t>(av_rescale_rnd(position, static_cast<int64_t>(kProgressSteps),
                                                 static_cast<int64_t>(durationUs_), AV_ROUND_DOWN));
  uint64_t count = progressCount_.load();
  while (count <= target && count < limit) ++count;
  progressCount_ = count;
}

}  // namespace ombrin
