// One decode of one WMA file into one raw PCM file: FFmpeg's ASF demuxer and
// audio decoder on a worker thread, libswresample for the sample layout, and
// the caller's thread waiting, reporting progress and honouring a stop.
// On a file large enough, a second thread (TailDecoder) decodes the second
// half at the same time; its part is joined only once the worker has
// reproduced its first frames byte for byte, otherwise the worker simply
// decodes on, so the output is always the one-thread decode.
#pragma once

#include <atomic>
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
#include "libs/ombrin/decode_options.h"
#include "libs/ombrin/ombrin.h"

namespace ombrin {

class SampleConverter;
class TailDecoder;

// Output is written in blocks of this size where the output is a regular
// file; a pipe or device gets each frame as it is decoded.
constexpr size_t kWriteBlockBytes = 1u << 20;

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

// Writes all of `data`; 0 or AVERROR(errno).
int WriteAll(int fd, const uint8_t* data, size_t size);

class DecodeSession {
 public:
  // outputFolder: where the second thread's temporary file may be made.
  DecodeSession(UniqueFd output, std::string outputFolder, DecodeProgressCallback progress,
                const DecodeOptions& options, DecodeReport* report);
  ~DecodeSession();
  DecodeSession(const DecodeSession&) = delete;
  DecodeSession& operator=(const DecodeSession&) = delete;

  // Opens the input, writes the format to the out-parameters (any may be
  // null), decodes into the output and closes everything. Messages are shown
  // on the calling thread only.
  int32_t Run(const char* inputPath, int16_t* channels, int16_t* bitsPerSample,
              int32_t* sampleRate);

 private:
  int32_t OpenReader(const char* inputPath);
  void ReadFormat(int16_t* channels, int16_t* bitsPerSample, int32_t* sampleRate);
  int32_t DecodeAll(const char* inputPath);
  int32_t StartDecoder(const char* inputPath);
  void WaitForCompletion();
  void StopWorker();

  // Worker thread.
  void WorkerMain();
  int DecodeLoop();
  int DrainDecoder();
  int WriteFrame(const AVFrame& frame);
  int FlushPending();
  void AdvanceProgress(int64_t timestamp);
  void ReportProgress();
  static int Interrupted(void* session);

  // The second half on a second thread.
  bool ParallelWorthwhile(const char* inputPath) const;
  void StartTail(const char* inputPath);
  void MatchTail(const AVFrame& frame, size_t start);
  void AbandonTail();
  enum class JoinResult { Joined, Resume, Stopped };
  // Waits for the tail and appends its part; sets *error on a failure.
  JoinResult JoinTail(int* error);
  int AppendTail();

  UniqueFd output_;
  const std::string outputFolder_;
  DecodeProgressCallback progress_;
  const DecodeOptions options_;
  DecodeReport* const report_;

  FormatHandle format_;
  CodecHandle codec_;
  PacketHandle packet_;
  FrameHandle frame_;
  std::unique_ptr<SampleConverter> converter_;
  int streamIndex_ = -1;
  uint64_t durationUs_ = 0;

  // Output format; the declared format of the stream once it has been read.
  int outChannels_ = 0;
  int outRate_ = 0;
  AVSampleFormat outSampleFormat_ = AV_SAMPLE_FMT_S16;

  // Converted samples not yet written; written once they reach blockBytes_.
  std::vector<uint8_t> pending_;
  size_t blockBytes_ = 0;
  uint64_t outputBytes_ = 0;  // written to the output so far
  int64_t lastPositionUs_ = 0;

  // Worker thread only, once started.
  std::unique_ptr<TailDecoder> tail_;
  int64_t tailWaitTimestamp_ = 0;  // see MatchTail
  size_t probeMatched_ = 0;        // probe frames reproduced so far
  bool joinDue_ = false;           // the whole probe was reproduced

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
