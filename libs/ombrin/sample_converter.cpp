#include "libs/ombrin/sample_converter.h"

#include <algorithm>

namespace ombrin {

SampleConverter::SampleConverter(int channels, int rate, AVSampleFormat format)
    : channels_(channels), rate_(rate), format_(format) {}

SampleConverter::~SampleConverter() {
  av_channel_layout_uninit(&inLayout_);
}

int SampleConverter::Append(const AVFrame& frame, std::vector<uint8_t>& out) {
  if (frame.nb_samples <= 0) return 0;
  const int error = Configure(frame);
  if (error < 0) return error;
  const int produced =
      Convert(const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples, out);
  return produced < 0 ? produced : 0;
}

int SampleConverter::Flush(std::vector<uint8_t>& out) {
  if (!resampler_) return 0;
  for (;;) {
    const int produced = Convert(nullptr, 0, out);
    if (produced <= 0) return produced;
  }
}

int SampleConverter::Configure(const AVFrame& frame) {
  if (resampler_ && frame.format == inFormat_ && frame.sample_rate == inRate_ &&
      av_channel_layout_compare(&frame.ch_layout, &inLayout_) == 0) {
    return 0;
  }
  resampler_.reset();
  av_channel_layout_uninit(&inLayout_);
  int error = av_channel_layout_copy(&inLayout_, &frame.ch_layout);
  if (error < 0) return error;
  inFormat_ = frame.format;
  inRate_ = frame.sample_rate;

  if (channels_ <= 0) channels_ = frame.ch_layout.nb_channels;
  if (rate_ <= 0) rate_ = frame.sample_rate;
  if (channels_ <= 0 || rate_ <= 0) return AVERROR_INVALIDDATA;

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
  if (inLayout.nb_channels == channels_) {
    error = av_channel_layout_copy(&outLayout, &inLayout);
  } else {
    av_channel_layout_default(&outLayout, channels_);
  }
  SwrContext* context = nullptr;
  if (error >= 0) {
    error = swr_alloc_set_opts2(&context, &outLayout, format_, rate_, &inLayout,
                                static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0,
                                nullptr);
  }
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  if (error < 0) return error;
  resampler_.reset(context);
  return swr_init(resampler_.get());
}

int SampleConverter::Convert(const uint8_t** input, int inputSamples, std::vector<uint8_t>& out) {
  const int capacity = swr_get_out_samples(resampler_.get(), inputSamples);
  if (capacity <= 0) return capacity;
  const size_t bytesPerFrame =
      static_cast<size_t>(channels_) * static_cast<size_t>(av_get_bytes_per_sample(format_));
  const size_t start = out.size();
  out.resize(start + static_cast<size_t>(capacity) * bytesPerFrame);
  uint8_t* output[1] = {out.data() + start};
  const int produced = swr_convert(resampler_.get(), output, capacity, input, inputSamples);
  out.resize(start + static_cast<size_t>(std::max(produced, 0)) * bytesPerFrame);
  return produced;
}

}  // namespace ombrin
