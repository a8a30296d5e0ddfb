// Decodes the second part of a WMA stream on a thread of its own, with its
// own demuxer and decoder, into an unnamed temporary file beside the output,
// while the session's worker decodes the first part. It starts at a data
// packet near the middle and throws away the first frames it decodes there,
// so that the decoder's overlap and bit reservoir have settled; the next few
// frames form the probe, which the worker, decoding on past the same point,
// must reproduce byte for byte before the two parts may be joined (see
// DecodeSession).
// Any error it meets (a read error, data the demuxer cannot parse on, a
// packet the decoder refuses) makes it fail: the session then decodes on
// alone, so a failure here never changes the result. Damage the demuxer
// skips over by itself is skipped the same way by the session's demuxer,
// which reads the same packets from the same positions once the two agree.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "libs/ombrin/av_handles.h"
#include "libs/ombrin/decode_session.h"
#include "libs/ombrin/sample_converter.h"

namespace ombrin {

// The tail's first frames after its warm-up, with their timestamps.
struct TailProbe {
  std::vector<int64_t> timestamps;
  std::vector<std::vector<uint8_t>> samples;
  size_t Bytes() const;
};

struct TailSetup {
  std::string inputPath;
  std::string folder;  // where the temporary file is made
  int streamIndex = -1;
  const AVCodecParameters* parameters = nullptr;  // copied by Start
  AVRational timeBase{0, 1};
  // Where the tail starts, as a fraction of the file's data packets.
  double splitFraction = 0.5;
  int outChannels = 0;
  int outRate = 0;
  AVSampleFormat outFormat = AV_SAMPLE_FMT_S16;
  int64_t failAfterPackets = -1;
  int divergeAtFrame = -1;
};

class TailDecoder {
 public:
  enum class State { Running, Finished, Failed };

  // nullptr when the thread or its temporary file cannot be had.
  static std::unique_ptr<TailDecoder> Start(const TailSetup& setup);
  // Stops the thread and waits for it; the temporary file goes with it.
  ~TailDecoder();
  TailDecoder(const TailDecoder&) = delete;
  TailDecoder& operator=(const TailDecoder&) = delete;

  // Null until the probe is complete; it does not change afterwards.
  const TailProbe* Probe() const;
  // Waits up to `timeout` for the thread to finish or fail.
  State WaitFor(std::chrono::milliseconds timeout);
  // Waits until the probe is complete; null when the thread ended without
  // one or `stop` was set.
  const TailProbe* WaitForProbe(const std::atomic<bool>& stop);
  // The timestamp of the first packet read after the seek; AV_NOPTS_VALUE
  // until then. Every frame of the probe comes at or after it.
  int64_t StartTimestamp() const { return startTimestamp_.load(std::memory_order_acquire); }
  // Microseconds of audio decoded past the first probe frame.
  int64_t DecodedUs() const { return decodedUs_.load(std::memory_order_relaxed); }
  // Once Finished: the temporary file and the bytes in it (probe included).
  int Fd() const { return file_.Get(); }
  uint64_t Bytes() const { return written_; }

 private:
  TailDecoder(const TailSetup& setup, UniqueFd file);
  void Main();
  // true when the whole rest of the stream is in the file.
  bool Decode();
  bool Open();
  bool Drain(AVCodecContext& codec, AVFrame& frame);
  bool Take(const AVFrame& frame);
  bool Flush();
  static int Interrupted(void* tail);

  const TailSetup setup_;
  UniqueFd file_;
  ParametersHandle parameters_;
  FormatHandle format_;
  std::unique_ptr<SampleConverter> converter_;
  std::vector<uint8_t> pending_;
  uint64_t written_ = 0;
  int warmUpLeft_;
  int64_t framesTaken_ = 0;  // after the warm-up
  TailProbe probe_;
  int64_t firstTimestamp_ = AV_NOPTS_VALUE;

  std::atomic<bool> probeReady_{false};
  std::atomic<int64_t> startTimestamp_{AV_NOPTS_VALUE};
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> decodedUs_{0};
  std::mutex mutex_;
  std::condition_variable stateChanged_;
  State state_ = State::Running;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace ombrin
