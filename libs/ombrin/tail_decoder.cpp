#include "libs/ombrin/tail_decoder.h"

#include <fcntl.h>

#include <new>
#include <system_error>
#include <utility>

namespace ombrin {
namespace {

// Frames decoded after the seek and thrown away. FFmpeg's WMA decoder
// reproduces a stream's frames from the first packet after a seek, but the
// first ones may lack the bits a frame carries over from the packet before.
constexpr int kWarmUpFrames = 8;
// How often a wait for the probe looks at the caller's stop request.
constexpr auto kProbePoll = std::chrono::milliseconds(10);
// Frames the first part's decoder must reproduce exactly before joining.
constexpr size_t kProbeFrames = 4;

}  // namespace

size_t TailProbe::Bytes() const {
  size_t total = 0;
  for (const auto& frame : samples) total += frame.size();
  return total;
}

std::unique_ptr<TailDecoder> TailDecoder::Start(const TailSetup& setup) {
  // Unnamed, so that nothing is left behind however the decode ends.
  UniqueFd file(::open(setup.folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (!file.Valid()) return nullptr;
  std::unique_ptr<TailDecoder> tail(new (std::nothrow) TailDecoder(setup, std::move(file)));
  if (!tail || !tail->parameters_ ||
      avcodec_parameters_copy(tail->parameters_.get(), setup.parameters) < 0) {
    return nullptr;
  }
  try {
    tail->thread_ = std::thread(&TailDecoder::Main, tail.get());
  } catch (const std::system_error&) {
    return nullptr;
  }
  return tail;
}

TailDecoder::TailDecoder(const TailSetup& setup, UniqueFd file)
    : setup_(setup),
      file_(std::move(file)),
      parameters_(avcodec_parameters_alloc()),
      warmUpLeft_(kWarmUpFrames) {}

TailDecoder::~TailDecoder() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

const TailProbe* TailDecoder::Probe() const {
  return probeReady_.load(std::memory_order_acquire) ? &probe_ : nullptr;
}

TailDecoder::State TailDecoder::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  stateChanged_.wait_for(lock, timeout, [this] { return state_ != State::Running; });
  return state_;
}

const TailProbe* TailDecoder::WaitForProbe(const std::atomic<bool>& stop) {
  std::unique_lock lock(mutex_);
  while (!stop && state_ == State::Running && !probeReady_) {
    stateChanged_.wait_for(lock, kProbePoll);
  }
  return Probe();
}

int TailDecoder::Interrupted(void* tail) {
  return static_cast<TailDecoder*>(tail)->stop_.load() ? 1 : 0;
}

void TailDecoder::Main() {
  bool finished = false;
  try {
    finished = Decode();
  } catch (const std::bad_alloc&) {
    finished = false;
  }
  // Nothing of this thread's decoder is needed once it ends.
  format_.reset();
  std::lock_guard lock(mutex_);
  state_ = finished && !stop_ ? State::Finished : State::Failed;
  stateChanged_.notify_all();
}

bool TailDecoder::Open() {
  AVFormatContext* context = avformat_alloc_context();
  const AVInputFormat* asf = av_find_input_format("asf");
  if (context == nullptr || asf == nullptr) {
    avformat_free_context(context);
    return false;
  }
  context->interrupt_callback.callback = &TailDecoder::Interrupted;
  context->interrupt_callback.opaque = this;
  if (avformat_open_input(&context, setup_.inputPath.c_str(), asf, nullptr) < 0) return false;
  format_.reset(context);
  if (setup_.streamIndex < 0 || static_cast<unsigned>(setup_.streamIndex) >= format_->nb_streams) {
    return false;
  }
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (static_cast<int>(i) != setup_.streamIndex) format_->streams[i]->discard = AVDISCARD_ALL;
  }
  // ASF data packets all have the header's fixed size and start right after
  // the header, so a packet boundary can be computed; a byte position avoids
  // the demuxer's search by timestamp, which reads and complains its way
  // through the file.
  const int64_t dataStart = avio_tell(format_->pb);
  const int64_t fileSize = avio_size(format_->pb);
  const int64_t packetSize = format_->packet_size;
  if (dataStart <= 0 || packetSize <= 0 || fileSize <= dataStart) return false;
  const int64_t packets = (fileSize - dataStart) / packetSize;
  const int64_t position =
      dataStart +
      static_cast<int64_t>(static_cast<double>(packets) * setup_.splitFraction) * packetSize;
  return av_seek_frame(format_.get(), setup_.streamIndex, position, AVSEEK_FLAG_BYTE) >= 0;
}

bool TailDecoder::Decode() {
  if (!Open()) return false;
  const AVCodec* decoder = avcodec_find_decoder(parameters_->codec_id);
  if (decoder == nullptr) return false;
  CodecHandle codec(avcodec_alloc_context3(decoder));
  PacketHandle packet(av_packet_alloc());
  FrameHandle frame(av_frame_alloc());
  if (!codec || !packet || !frame) return false;
  if (avcodec_parameters_to_context(codec.get(), parameters_.get()) < 0) return false;
  codec->pkt_timebase = setup_.timeBase;
  if (avcodec_open2(codec.get(), decoder, nullptr) < 0) return false;
  converter_ =
      std::make_unique<SampleConverter>(setup_.outChannels, setup_.outRate, setup_.outFormat);
  pending_.reserve(kWriteBlockBytes);

  int64_t packets = 0;
  while (!stop_) {
    const int error = av_read_frame(format_.get(), packet.get());
    if (error == AVERROR_EOF) break;
    // Anything but a clean end (damage, a read error) is left to the first
    // part's decoder, which decides how the stream ends.
    if (error < 0) return false;
    if (packet->stream_index != setup_.streamIndex) {
      av_packet_unref(packet.get());
      continue;
    }
    if (packet->pts != AV_NOPTS_VALUE && StartTimestamp() == AV_NOPTS_VALUE) {
      startTimestamp_.store(packet->pts, std::memory_order_release);
    }
    if (setup_.failAfterPackets >= 0 && packets++ >= setup_.failAfterPackets) {
      av_packet_unref(packet.get());
      return false;
    }
    const int sent = avcodec_send_packet(codec.get(), packet.get());
    av_packet_unref(packet.get());
    if (sent < 0 || !Drain(*codec, *frame)) return false;
  }
  if (stop_) return false;
  if (avcodec_send_packet(codec.get(), nullptr) < 0 || !Drain(*codec, *frame)) return false;
  if (converter_->Flush(pending_) < 0) return false;
  // A stream that ended before the probe was complete cannot be joined.
  return Probe() != nullptr && Flush();
}

bool TailDecoder::Drain(AVCodecContext& codec, AVFrame& frame) {
  while (!stop_) {
    const int error = avcodec_receive_frame(&codec, &frame);
    if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return true;
    if (error < 0) return false;
    const bool taken = Take(frame);
    av_frame_unref(&frame);
    if (!taken) return false;
  }
  return false;
}

bool TailDecoder::Take(const AVFrame& frame) {
  if (frame.nb_samples <= 0) return true;
  if (warmUpLeft_ > 0) {
    --warmUpLeft_;
    return true;
  }
  const bool probing = !probeReady_.load(std::memory_order_relaxed);
  // The probe is matched by timestamp first; a frame without one cannot be.
  if (probing && frame.pts == AV_NOPTS_VALUE) return false;
  const size_t start = pending_.size();
  if (converter_->Append(frame, pending_) < 0) return false;
  if (setup_.divergeAtFrame >= 0 && framesTaken_ >= setup_.divergeAtFrame &&
      pending_.size() > start) {
    pending_[start] ^= 1;
  }
  ++framesTaken_;
  if (probing) {
    probe_.timestamps.push_back(frame.pts);
    probe_.samples.emplace_back(pending_.begin() + static_cast<std::ptrdiff_t>(start),
                                pending_.end());
    if (probe_.samples.size() == kProbeFrames) {
      std::lock_guard lock(mutex_);
      probeReady_.store(true, std::memory_order_release);
      stateChanged_.notify_all();
    }
  }
  if (frame.pts != AV_NOPTS_VALUE) {
    if (firstTimestamp_ == AV_NOPTS_VALUE) firstTimestamp_ = frame.pts;
    decodedUs_.store(av_rescale_q(frame.pts - firstTimestamp_, setup_.timeBase, AV_TIME_BASE_Q),
                     std::memory_order_relaxed);
  }
  return pending_.size() < kWriteBlockBytes || Flush();
}

bool TailDecoder::Flush() {
  if (WriteAll(file_.Get(), pending_.data(), pending_.size()) < 0) return false;
  written_ += pending_.size();
  pending_.clear();
  return true;
}

}  // namespace ombrin
