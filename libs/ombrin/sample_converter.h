// Turns decoded frames (planar float for WMA v1/v2) into interleaved samples
// of the reported output format with libswresample, appending them to a byte
// buffer. Channel count and rate stay as they are unless the decoder's frames
// stop matching the reported format, in which case they are converted to it
// so the output never changes format midway.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace ombrin {

class SampleConverter {
 public:
  // channels or rate 0: taken from the first frame.
  SampleConverter(int channels, int rate, AVSampleFormat format);
  ~SampleConverter();
  SampleConverter(const SampleConverter&) = delete;
  SampleConverter& operator=(const SampleConverter&) = delete;

  // Appends the frame's samples to `out`; 0 or an FFmpeg error.
  int Append(const AVFrame& frame, std::vector<uint8_t>& out);
  // Appends what the resampler still holds; 0 or an FFmpeg error.
  int Flush(std::vector<uint8_t>& out);

  int Channels() const { return channels_; }
  int Rate() const { return rate_; }
  AVSampleFormat Format() const { return format_; }

 private:
  struct ResamplerFreer {
    void operator()(SwrContext* context) const { swr_free(&context); }
  };

  int Configure(const AVFrame& frame);
  // Returns the number of samples appended or a negative error.
  int Convert(const uint8_t** input, int inputSamples, std::vector<uint8_t>& out);

  int channels_;
  int rate_;
  const AVSampleFormat format_;
  std::unique_ptr<SwrContext, ResamplerFreer> resampler_;
  // The frame layout the resampler was configured for.
  AVChannelLayout inLayout_{};
  int inRate_ = 0;
  int inFormat_ = -1;
};

}  // namespace ombrin
