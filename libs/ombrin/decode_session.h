// One decode of one WMA file into one raw PCM file: FFmpeg's ASF demuxer and
// audio decoder on a worker thread, libswresample for the sample layout, and
// the caller's thread waiting, reporting progress and honouring a stop.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
}

#include "libs/ombrin/ombrin.h"

namespace ombrin {

// Owns a POSIX file descriptor; closing reports its own error through Close().
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd();

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  int Release();
  // Closes now; returns 0 or the errno of close(2).
  int Close();

 private:
  int fd_ = -1;
};

// Maps an FFmpeg error to the library's result codes (see ombrin.h).
int32_t ResultFromAverror(int error);

class DecodeSession {
 public:
  DecodeSession(UniqueFd output, DecodeProgressCallback progress);
  ~DecodeSession();
  DecodeSession(const DecodeSession&) = delete;
  DecodeSession& operator=(const DecodeSession&) = delete;

  // Opens the input, writes the format to the out-parameters (any may be
  // null), decodes into the output and closes everything. Messages are shown
  // on the calling thread only.
  int32_t Run(const char* inputPath, int16_t* channels, int16_t* bitsPerSample,
              int32_t* sampleRate);

 private:
  struct FormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
  };
  struct CodecFreer {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
  };
  struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
  };
  struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
  };
  struct ResamplerFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
  };

  int32_t OpenReader(const char* inputPath);
  void ReadFormat(int16_t* channels, int16_t* bitsPerSample, int32_t* sampleRate);
  int32_t DecodeAll();
  int32_t StartDecoder();
  void WaitForCompletion();
  void StopWorker();

  // Worker thread.
  void WorkerMain();
  int DecodeLoop();
  int DrainDecoder();
  int WriteFrame(const AVFrame& frame);
  int ConfigureResampler(const AVFrame& frame);
  int FlushResampler();
  int ConvertAndWrite(const uint8_t** input, int inputSamples);
  int WriteAll(const uint8_t* data, size_t size);
  void AdvanceProgress(int64_t timestamp);
  static int Interrupted(void* session);

  UniqueFd output_;
  DecodeProgressCallback progress_;

  std::unique_ptr<AVFormatContext, FormatCloser> format_;
  std::unique_ptr<AVCodecContext, CodecFreer> codec_;
  std::unique_ptr<AVPacket, PacketFreer> packet_;
  std::unique_ptr<AVFrame, FrameFreer> frame_;
  std::unique_ptr<SwrContext, ResamplerFreer> resampler_;
  int streamIndex_ = -1;
  uint64_t durationUs_ = 0;

  // Output format; the declared format of the stream once it has been read.
  int outChannels_ = 0;
  int outRate_ = 0;
  AVSampleFormat outSampleFormat_ = AV_SAMPLE_FMT_S16;

  // The frame layout the resampler was configured for.
  AVChannelLayout resamplerInLayout_{};
  int resamplerInRate_ = 0;
  int resamplerInFormat_ = -1;
  std::vector<uint8_t> converted_;

  std::thread worker_;
  std::mutex mutex_;
  std::condition_variable finishedChanged_;
  bool finished_ = false;  // guarded by mutex_
  int workerError_ = 0;    // written by the worker before it sets finished_
  std::atomic<bool> stop_{false};
  // Fiftieths of the duration decoded so far; twice this is the percentage.
  std::atomic<uint64_t> progressCount_{0};
};

}  // namespace ombrin
