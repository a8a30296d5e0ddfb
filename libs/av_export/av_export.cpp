// FLAC, Ogg Vorbis and Opus writing over FFmpeg. The input is resampled (Opus
// only) and converted to the encoder's sample format by libswresample, held
// in a FIFO until a whole encoder frame is there, encoded and muxed.

#include "libs/av_export/av_export.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr int kOpusRate = 48000;
// Frames handed to an encoder that takes any frame size.
constexpr int kVariableFrameSize = 4096;

int32_t Translate(int error) {
  if (error == AVERROR(ENOMEM)) return AV_EXPORT_ERROR_MEMORY;
  if (error == AVERROR(ENOSPC) || error == AVERROR(EIO) || error == AVERROR(EFBIG) ||
      error == AVERROR(EDQUOT)) {
    return AV_EXPORT_ERROR_WRITE;
  }
  return AV_EXPORT_ERROR_INTERNAL;
}

bool SettingsValid(const AvExportSettings& s) {
  if (s.channels != 1 && s.channels != 2) return false;
  if (s.sampleRate <= 0 || s.sampleRate > 768000) return false;
  switch (s.type) {
    case AV_EXPORT_FLAC:
      return s.flacLevel >= 0 && s.flacLevel <= 8 && s.sampleRate <= 655350;
    case AV_EXPORT_OGG:
      return s.oggQuality >= 0 && s.oggQuality <= 10;
    case AV_EXPORT_OPUS:
      return s.opusKbps >= 64 && s.opusKbps <= 256;
    default:
      return false;
  }
}

void SetTag(AVDictionary** tags, const char* key, const char* value) {
  if (value != nullptr && value[0] != '\0') av_dict_set(tags, key, value, 0);
}

}  // namespace

struct AvExportWriter {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* resampler = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  AVStream* stream = nullptr;
  int frameSize = 0;
  bool padLastFrame = false;
  int64_t nextPts = 0;
  bool headerWritten = false;
  bool finished = false;
  int channels = 0;

  ~AvExportWriter() {
    if (format != nullptr && format->pb != nullptr) avio_closep(&format->pb);
    avformat_free_context(format);
    avcodec_free_context(&codec);
    swr_free(&resampler);
    if (fifo != nullptr) av_audio_fifo_free(fifo);
    av_frame_free(&frame);
    av_packet_free(&packet);
  }

  int32_t Open(const char* path, const AvExportSettings& s) {
    const char* muxer = s.type == AV_EXPORT_FLAC  ? "flac"
                        : s.type == AV_EXPORT_OGG ? "ogg"
                                                  : "opus";
    const char* encoderName = s.type == AV_EXPORT_FLAC  ? "flac"
                              : s.type == AV_EXPORT_OGG ? "libvorbis"
                                                        : "libopus";
    const AVCodec* encoder = avcodec_find_encoder_by_name(encoderName);
    if (encoder == nullptr) return AV_EXPORT_ERROR_CODEC;
    int error = avformat_alloc_output_context2(&format, nullptr, muxer, path);
    if (error < 0 || format == nullptr) return AV_EXPORT_ERROR_CODEC;
    codec = avcodec_alloc_context3(encoder);
    if (codec == nullptr) return AV_EXPORT_ERROR_MEMORY;

    channels = s.channels;
    av_channel_layout_default(&codec->ch_layout, s.channels);
    codec->sample_rate = s.type == AV_EXPORT_OPUS ? kOpusRate : s.sampleRate;
    codec->time_base = AVRational{1, codec->sample_rate};
    switch (s.type) {
      case AV_EXPORT_FLAC:
        codec->sample_fmt = AV_SAMPLE_FMT_S16;
        codec->compression_level = s.flacLevel;
        break;
      case AV_EXPORT_OGG:
        codec->sample_fmt = AV_SAMPLE_FMT_FLTP;
        codec->flags |= AV_CODEC_FLAG_QSCALE;
        codec->global_quality = s.oggQuality * FF_QP2LAMBDA;
        break;
      default:
        codec->sample_fmt = AV_SAMPLE_FMT_S16;
        codec->bit_rate = int64_t{s.opusKbps} * 1000;
        break;
    }
    if (format->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((error = avcodec_open2(codec, encoder, nullptr)) < 0) {
      return error == AVERROR(ENOMEM) ? AV_EXPORT_ERROR_MEMORY : AV_EXPORT_ERROR_CODEC;
    }
    const bool variable = (encoder->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0;
    frameSize = variable || codec->frame_size <= 0 ? kVariableFrameSize : codec->frame_size;
    padLastFrame = !variable && (encoder->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) == 0;

    stream = avformat_new_stream(format, nullptr);
    if (stream == nullptr) return AV_EXPORT_ERROR_MEMORY;
    stream->time_base = codec->time_base;
    if ((error = avcodec_parameters_from_context(stream->codecpar, codec)) < 0) {
      return Translate(error);
    }
    SetTag(&format->metadata, "title", s.title);
    SetTag(&format->metadata, "artist", s.artist);
    SetTag(&format->metadata, "album", s.album);
    SetTag(&format->metadata, "date", s.date);
    SetTag(&format->metadata, "comment", s.comment);
    SetTag(&format->metadata, "genre", s.genre);

    AVChannelLayout layout{};
    av_channel_layout_default(&layout, s.channels);
    error = swr_alloc_set_opts2(&resampler, &layout, codec->sample_fmt, codec->sample_rate, &layout,
                                AV_SAMPLE_FMT_S16, s.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&layout);
    if (error < 0 || (error = swr_init(resampler)) < 0) return Translate(error);
    fifo = av_audio_fifo_alloc(codec->sample_fmt, s.channels, frameSize * 2);
    frame = av_frame_alloc();
    packet = av_packet_alloc();
    if (fifo == nullptr || frame == nullptr || packet == nullptr) return AV_EXPORT_ERROR_MEMORY;

    if ((error = avio_open(&format->pb, path, AVIO_FLAG_WRITE)) < 0) return AV_EXPORT_ERROR_OPEN;
    if ((error = avformat_write_header(format, nullptr)) < 0) return Translate(error);
    headerWritten = true;
    return AV_EXPORT_OK;
  }

  // Encoded packets out to the file.
  int32_t Drain() {
    for (;;) {
      int error = avcodec_receive_packet(codec, packet);
      if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return AV_EXPORT_OK;
      if (error < 0) return Translate(error);
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      error = av_interleaved_write_frame(format, packet);
      if (error < 0) return Translate(error);
    }
  }

  // Sends `count` frames from the FIFO (padded with silence to a whole
  // encoder frame when the encoder needs one).
  int32_t SendFromFifo(int count) {
    av_frame_unref(frame);
    frame->nb_samples = padLastFrame ? frameSize : count;
    frame->format = codec->sample_fmt;
    frame->sample_rate = codec->sample_rate;
    int error = av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
    if (error < 0 || (error = av_frame_get_buffer(frame, 0)) < 0) return Translate(error);
    if (padLastFrame && count < frameSize) {
      av_samples_set_silence(frame->extended_data, count, frameSize - count, channels,
                             codec->sample_fmt);
    }
    if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), count) != count) {
      return AV_EXPORT_ERROR_INTERNAL;
    }
    frame->pts = nextPts;
    nextPts += count;
    error = avcodec_send_frame(codec, frame);
    if (error < 0) return Translate(error);
    return Drain();
  }

  // Converts input (null: what the resampler holds) into the FIFO.
  int32_t Convert(const int16_t* samples, int frames) {
    const int capacity = swr_get_out_samples(resampler, frames);
    if (capacity < 0) return AV_EXPORT_ERROR_INTERNAL;
    if (capacity == 0) return AV_EXPORT_OK;
    uint8_t** planes = nullptr;
    int error = av_samples_alloc_array_and_samples(&planes, nullptr, channels, capacity,
                                                   codec->sample_fmt, 0);
    if (error < 0) return Translate(error);
    const uint8_t* input[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int produced =
        swr_convert(resampler, planes, capacity, samples != nullptr ? input : nullptr, frames);
    int32_t result = AV_EXPORT_OK;
    if (produced < 0) {
      result = AV_EXPORT_ERROR_INTERNAL;
    } else if (produced > 0 &&
               av_audio_fifo_write(fifo, reinterpret_cast<void**>(planes), produced) != produced) {
      result = AV_EXPORT_ERROR_MEMORY;
    }
    av_freep(&planes[0]);
    av_freep(&planes);
    return result;
  }

  int32_t Write(const int16_t* samples, int frames) {
    int32_t result = Convert(samples, frames);
    while (result == AV_EXPORT_OK && av_audio_fifo_size(fifo) >= frameSize) {
      result = SendFromFifo(frameSize);
    }
    return result;
  }

  int32_t Finish() {
    int32_t result = Convert(nullptr, 0);
    while (result == AV_EXPORT_OK && av_audio_fifo_size(fifo) > 0) {
      result = SendFromFifo(std::min(av_audio_fifo_size(fifo), frameSize));
    }
    if (result != AV_EXPORT_OK) return result;
    int error = avcodec_send_frame(codec, nullptr);
    if (error < 0) return Translate(error);
    if ((result = Drain()) != AV_EXPORT_OK) return result;
    if ((error = av_write_trailer(format)) < 0) return Translate(error);
    finished = true;
    if (format->pb != nullptr && format->pb->error < 0) return Translate(format->pb->error);
    if ((error = avio_closep(&format->pb)) < 0) return Translate(error);
    return AV_EXPORT_OK;
  }
};

struct AvResampler {
  SwrContext* context = nullptr;
  int channels = 0;
  std::vector<int16_t> out;

  ~AvResampler() { swr_free(&context); }
};

extern "C" {

AV_EXPORT_EXPORT int32_t AvResamplerOpen(int32_t channels, int32_t inRate, int32_t outRate,
                                         AvResampler** resampler) {
  if (resampler != nullptr) *resampler = nullptr;
  if (resampler == nullptr || (channels != 1 && channels != 2) || inRate <= 0 || inRate > 768000 ||
      outRate <= 0 || outRate > 768000) {
    return AV_EXPORT_ERROR_ARGUMENT;
  }
  auto* made = new (std::nothrow) AvResampler;
  if (made == nullptr) return AV_EXPORT_ERROR_MEMORY;
  made->channels = channels;
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, channels);
  int error = swr_alloc_set_opts2(&made->context, &layout, AV_SAMPLE_FMT_S16, outRate, &layout,
                                  AV_SAMPLE_FMT_S16, inRate, 0, nullptr);
  av_channel_layout_uninit(&layout);
  if (error >= 0) error = swr_init(made->context);
  if (error < 0) {
    delete made;
    return Translate(error);
  }
  *resampler = made;
  return AV_EXPORT_OK;
}

AV_EXPORT_EXPORT int32_t AvResamplerRun(AvResampler* resampler, const int16_t* samples,
                                        int32_t frames, const int16_t** out, int32_t* outFrames) {
  if (resampler == nullptr || out == nullptr || outFrames == nullptr || frames < 0 ||
      (samples == nullptr && frames != 0)) {
    return AV_EXPORT_ERROR_ARGUMENT;
  }
  *out = nullptr;
  *outFrames = 0;
  const int capacity = swr_get_out_samples(resampler->context, frames);
  if (capacity < 0) return AV_EXPORT_ERROR_INTERNAL;
  try {
    resampler->out.resize(static_cast<size_t>(capacity + 1) *
                          static_cast<size_t>(resampler->channels));
  } catch (const std::bad_alloc&) {
    return AV_EXPORT_ERROR_MEMORY;
  }
  uint8_t* target[1] = {reinterpret_cast<uint8_t*>(resampler->out.data())};
  const uint8_t* input[1] = {reinterpret_cast<const uint8_t*>(samples)};
  const int produced = swr_convert(resampler->context, target, capacity + 1,
                                   samples != nullptr ? input : nullptr, frames);
  if (produced < 0) return AV_EXPORT_ERROR_INTERNAL;
  *out = resampler->out.data();
  *outFrames = produced;
  return AV_EXPORT_OK;
}

AV_EXPORT_EXPORT void AvResamplerClose(AvResampler* resampler) {
  delete resampler;
}

AV_EXPORT_EXPORT int32_t AvExportOpen(const char* path, const AvExportSettings* settings,
                                      AvExportWriter** writer) {
  if (writer != nullptr) *writer = nullptr;
  if (path == nullptr || settings == nullptr || writer == nullptr || !SettingsValid(*settings)) {
    return AV_EXPORT_ERROR_ARGUMENT;
  }
  auto* made = new (std::nothrow) AvExportWriter;
  if (made == nullptr) return AV_EXPORT_ERROR_MEMORY;
  const int32_t result = made->Open(path, *settings);
  if (result != AV_EXPORT_OK) {
    delete made;
    return result;
  }
  *writer = made;
  return AV_EXPORT_OK;
}

AV_EXPORT_EXPORT int32_t AvExportWrite(AvExportWriter* writer, const int16_t* samples,
                                       int32_t frames) {
  if (writer == nullptr || (samples == nullptr && frames > 0) || frames < 0 || writer->finished) {
    return AV_EXPORT_ERROR_ARGUMENT;
  }
  if (frames == 0) return AV_EXPORT_OK;
  return writer->Write(samples, frames);
}

AV_EXPORT_EXPORT int32_t AvExportFinish(AvExportWriter* writer) {
  if (writer == nullptr || writer->finished) return AV_EXPORT_ERROR_ARGUMENT;
  return writer->Finish();
}

AV_EXPORT_EXPORT void AvExportClose(AvExportWriter* writer) {
  delete writer;
}

}  // extern "C"
