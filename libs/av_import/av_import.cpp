#include "libs/av_import/av_import.h"
#include "platform/fault_injection.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr int32_t kMaxRate = 768000;
// A stream may end this many frames short of the length its header states
// without being taken for cut off: codec priming and padding are trimmed
// differently by different containers.
constexpr int64_t kLengthSlackFrames = 4096;

uint32_t LittleEndian32(const uint8_t* b) {
  return uint32_t{b[0]} | (uint32_t{b[1]} << 8) | (uint32_t{b[2]} << 16) | (uint32_t{b[3]} << 24);
}

uint32_t BigEndian32(const uint8_t* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | uint32_t{b[3]};
}

// Bytes of sample data the header of a RIFF WAVE or AIFF/AIFC file states,
// or -1 when it states none that can be trusted. FFmpeg ends such a stream
// at the end of the file without a word, and does not always pass the
// stated length on, so a file cut off on a frame boundary would otherwise
// open as if it were whole. Lengths from 0x7FFFF000 up, and 0, are what
// writers that cannot seek back leave there ("unknown").
int64_t StatedPcmDataBytes(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return -1;
  uint8_t head[12];
  int64_t stated = -1;
  if (std::fread(head, 1, sizeof head, file) == sizeof head) {
    const bool riff = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    const bool aiff = std::memcmp(head, "FORM", 4) == 0 && (std::memcmp(head + 8, "AIFF", 4) == 0 ||
                                                            std::memcmp(head + 8, "AIFC", 4) == 0);
    // Walk the chunks up to the one holding the samples; a header that
    // goes on for more than a few chunks is not looked into further.
    for (int chunk = 0; (riff || aiff) && chunk < 64; ++chunk) {
      uint8_t header[8];
      if (std::fread(header, 1, sizeof header, file) != sizeof header) break;
      const uint32_t size = riff ? LittleEndian32(header + 4) : BigEndian32(header + 4);
      if (riff && std::memcmp(header, "data", 4) == 0) {
        if (size != 0 && size < 0x7FFFF000u) stated = size;
        break;
      }
      if (aiff && std::memcmp(header, "SSND", 4) == 0) {
        // The sound data begins after an offset field and a block size.
        uint8_t fields[8];
        if (std::fread(fields, 1, sizeof fields, file) != sizeof fields) break;
        const uint64_t skipped = 8u + uint64_t{BigEndian32(fields)};
        if (size < 0x7FFFF000u && size > skipped) stated = static_cast<int64_t>(size - skipped);
        break;
      }
      // Chunks are padded to an even length.
      if (std::fseek(file, static_cast<long>(size + (size & 1u)), SEEK_CUR) != 0) break;
    }
  }
  std::fclose(file);
  return stated;
}

void CopyText(char* target, size_t size, const char* text) {
  if (size == 0) return;
  std::snprintf(target, size, "%s", text != nullptr ? text : "");
}

void Describe(AvImportInfo* info, int error) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(error, text, sizeof text);
  CopyText(info->detail, sizeof info->detail, text);
}

int32_t OpenFailure(int error) {
  if (error == AVERROR(ENOMEM)) return AV_IMPORT_ERROR_MEMORY;
  // System errors (no such file, no permission, a directory) mean the file
  // could not be read at all; anything else is FFmpeg not recognising it.
  if (error == AVERROR(ENOENT) || error == AVERROR(EACCES) || error == AVERROR(EISDIR) ||
      error == AVERROR(EIO) || error == AVERROR(EPERM) || error == AVERROR(ENOTDIR)) {
    return AV_IMPORT_ERROR_OPEN;
  }
  return AV_IMPORT_ERROR_FORMAT;
}

bool IsFloatFormat(AVSampleFormat format) {
  const AVSampleFormat packed = av_get_packed_sample_fmt(format);
  return packed == AV_SAMPLE_FMT_FLT || packed == AV_SAMPLE_FMT_DBL;
}

// The precision the file stores its samples in, when the codec keeps them
// exactly; 0 for lossy codecs.
int32_t ExactSourceBits(const AVCodecParameters& parameters, AVSampleFormat decoded) {
  const AVCodecDescriptor* descriptor = avcodec_descriptor_get(parameters.codec_id);
  if (descriptor == nullptr || (descriptor->props & AV_CODEC_PROP_LOSSLESS) == 0) return 0;
  if (IsFloatFormat(decoded)) return av_get_bytes_per_sample(decoded) * 8;
  if (parameters.bits_per_raw_sample > 0) return parameters.bits_per_raw_sample;
  if (parameters.bits_per_coded_sample > 0 && parameters.bits_per_coded_sample >= 8) {
    return parameters.bits_per_coded_sample;
  }
  return av_get_bytes_per_sample(decoded) * 8;
}

}  // namespace

struct AvImportReader {
  AVFormatContext* format = nullptr;
  AVCodecContext* codec = nullptr;
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  AVFrame* frame = nullptr;
  int streamIndex = -1;
  int32_t rate = 0;
  int32_t channels = 0;
  AVChannelLayout outLayout{};
  // The resampler's current input; it is set up again when that changes.
  AVChannelLayout inLayout{};
  int inFormat = -1;
  int inRate = 0;
  // Wider and floating-point samples come out of the resampler as doubles
  // and are rounded here; 8- and 16-bit ones come out as 16-bit directly.
  bool viaDouble = false;
  std::vector<double> wide;
  std::vector<int16_t> out;
  int64_t framesOut = 0;
  int64_t statedFrames = -1;  // length the header states, -1 when it states none
  // How many frames short of that the stream may end without being cut off.
  int64_t lengthSlack = kLengthSlackFrames;
  // Uncompressed samples: bytes per frame, else 0. A packet the file's end
  // cut inside a frame is handed on without that partial frame.
  int pcmBlockAlign = 0;
  bool draining = false;  // the demuxer has ended; the decoder is being emptied
  bool flushed = false;   // ... and so have the decoder and the resampler
  bool damaged = false;

  ~AvImportReader() {
    swr_free(&resampler);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    av_channel_layout_uninit(&outLayout);
    av_channel_layout_uninit(&inLayout);
  }

  int ConfigureResampler(const AVFrame& source) {
    if (resampler != nullptr && source.format == inFormat && source.sample_rate == inRate &&
        av_channel_layout_compare(&source.ch_layout, &inLayout) == 0) {
      return 0;
    }
    swr_free(&resampler);
    av_channel_layout_uninit(&inLayout);
    int error = av_channel_layout_copy(&inLayout, &source.ch_layout);
    if (error < 0) return error;
    inFormat = source.format;
    inRate = source.sample_rate;
    AVChannelLayout named{};
    if (source.ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
      av_channel_layout_default(&named, source.ch_layout.nb_channels);
    } else if ((error = av_channel_layout_copy(&named, &source.ch_layout)) < 0) {
      return error;
    }
    const AVSampleFormat outFormat = viaDouble ? AV_SAMPLE_FMT_DBL : AV_SAMPLE_FMT_S16;
    error = swr_alloc_set_opts2(&resampler, &outLayout, outFormat, rate, &named,
                                static_cast<AVSampleFormat>(source.format), source.sample_rate, 0,
                                nullptr);
    av_channel_layout_uninit(&named);
    if (error < 0) return error;
    // A down-mix is scaled so that its sum cannot pass full scale, as it is
    // for 16-bit output, also when the mix is computed in doubles.
    av_opt_set_double(resampler, "rematrix_maxval", 1.0, 0);
    return swr_init(resampler);
  }

  // Converts `count` input frames (null: what the resampler still holds)
  // and appends them to `out`.
  int Convert(const uint8_t** input, int count) {
    const int capacity = swr_get_out_samples(resampler, count);
    if (capacity <= 0) return capacity;
    const size_t used = out.size();
    const size_t samples = static_cast<size_t>(capacity) * static_cast<size_t>(channels);
    uint8_t* target[1];
    if (viaDouble) {
      wide.resize(samples);
      target[0] = reinterpret_cast<uint8_t*>(wide.data());
    } else {
      out.resize(used + samples);
      target[0] = reinterpret_cast<uint8_t*>(out.data() + used);
    }
    const int produced = swr_convert(resampler, target, capacity, input, count);
    if (produced < 0) return produced;
    const size_t made = static_cast<size_t>(produced) * static_cast<size_t>(channels);
    if (viaDouble) {
      out.resize(used + made);
      for (size_t i = 0; i < made; ++i) {
        // Round to nearest, then clip: full-scale positive samples of a
        // wider format land on 32768 and are kept at 32767. A float file
        // may hold NaN, which has no value to keep: it becomes silence.
        const double scaled = std::nearbyint(wide[i] * 32768.0);
        out[used + i] = static_cast<int16_t>(std::isnan(scaled)  ? 0
                                             : scaled > 32767.0  ? 32767
                                             : scaled < -32768.0 ? -32768
                                                                 : scaled);
      }
    } else {
      out.resize(used + made);
    }
    framesOut += produced;
    return produced;
  }

  // True for a frame that is already what is handed out. Once the resampler
  // has been used, it stays in use, so that what it still holds comes out in
  // order.
  bool IsPlainCopy(const AVFrame& source) const {
    return resampler == nullptr && source.format == AV_SAMPLE_FMT_S16 &&
           source.sample_rate == rate && source.ch_layout.nb_channels == channels;
  }

  // Receives every frame the decoder has ready. 0, or a negative FFmpeg
  // error; AVERROR_EOF once the decoder is empty after draining.
  int ReceiveFrames() {
    for (;;) {
      int error = avcodec_receive_frame(codec, frame);
      if (error == AVERROR(EAGAIN)) return 0;
      if (error < 0) return error;
      if (frame->nb_samples > 0 && IsPlainCopy(*frame)) {
        // Packed 16-bit samples of the output's layout and rate need no
        // conversion: they are taken as they are.
        const auto* samples = reinterpret_cast<const int16_t*>(frame->data[0]);
        out.insert(
            out.end(), samples,
            samples + static_cast<size_t>(frame->nb_samples) * static_cast<size_t>(channels));
        framesOut += frame->nb_samples;
      } else if (frame->nb_samples > 0) {
        error = ConfigureResampler(*frame);
        if (error >= 0) {
          error = Convert(const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
        }
      }
      av_frame_unref(frame);
      if (error < 0) return error;
    }
  }

  // One step of decoding: a packet in, its frames out; at the end, the
  // decoder and the resampler emptied.
  int32_t Step() {
    if (platform::FaultInjected(platform::FileCall::Codec)) return AV_IMPORT_ERROR_INTERNAL;
    if (!draining) {
      const int read = av_read_frame(format, packet);
      if (read == AVERROR_EOF) {
        draining = true;
        if (avcodec_send_packet(codec, nullptr) < 0) return AV_IMPORT_ERROR_DAMAGED;
      } else if (read == AVERROR(ENOMEM)) {
        return AV_IMPORT_ERROR_MEMORY;
      } else if (read < 0) {
        return AV_IMPORT_ERROR_DAMAGED;
      } else {
        int sent = 0;
        if (pcmBlockAlign > 0) packet->size -= packet->size % pcmBlockAlign;
        if (packet->stream_index == streamIndex && packet->size > 0) {
          sent = avcodec_send_packet(codec, packet);
        }
        av_packet_unref(packet);
        if (sent == AVERROR(ENOMEM)) return AV_IMPORT_ERROR_MEMORY;
        if (sent < 0 && sent != AVERROR(EAGAIN)) return AV_IMPORT_ERROR_DAMAGED;
      }
    }
    const int received = ReceiveFrames();
    if (received == AVERROR(ENOMEM)) return AV_IMPORT_ERROR_MEMORY;
    if (received == AVERROR_EOF) {
      if (resampler != nullptr && Convert(nullptr, 0) < 0) return AV_IMPORT_ERROR_INTERNAL;
      flushed = true;
      return AV_IMPORT_OK;
    }
    if (received < 0) return AV_IMPORT_ERROR_DAMAGED;
    return AV_IMPORT_OK;
  }
};

extern "C" {

AV_IMPORT_EXPORT int32_t AvImportOpen(const char* path, AvImportReader** readerOut,
                                      AvImportInfo* info) {
  if (path == nullptr || readerOut == nullptr || info == nullptr) return AV_IMPORT_ERROR_ARGUMENT;
  *readerOut = nullptr;
  std::memset(info, 0, sizeof *info);
  av_log_set_level(AV_LOG_QUIET);

  AvImportReader* reader = new (std::nothrow) AvImportReader;
  if (reader == nullptr) return AV_IMPORT_ERROR_MEMORY;
  auto fail = [&](int32_t result) {
    delete reader;
    return result;
  };

  int error = avformat_open_input(&reader->format, path, nullptr, nullptr);
  if (error < 0) {
    Describe(info, error);
    return fail(OpenFailure(error));
  }
  if (reader->format->pb != nullptr) info->fileSize = avio_size(reader->format->pb);
  if ((error = avformat_find_stream_info(reader->format, nullptr)) < 0) {
    Describe(info, error);
    return fail(error == AVERROR(ENOMEM) ? AV_IMPORT_ERROR_MEMORY : AV_IMPORT_ERROR_FORMAT);
  }
  const AVCodec* decoder = nullptr;
  error = av_find_best_stream(reader->format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (error < 0) {
    Describe(info, error);
    return fail(error == AVERROR_DECODER_NOT_FOUND ? AV_IMPORT_ERROR_CODEC
                                                   : AV_IMPORT_ERROR_NO_AUDIO);
  }
  reader->streamIndex = error;
  const AVStream* stream = reader->format->streams[reader->streamIndex];
  const AVCodecParameters& parameters = *stream->codecpar;
  if (const AVCodecDescriptor* d = avcodec_descriptor_get(parameters.codec_id); d != nullptr) {
    CopyText(info->codecName, sizeof info->codecName, d->long_name);
  }
  for (unsigned i = 0; i < reader->format->nb_streams; ++i) {
    if (static_cast<int>(i) != reader->streamIndex) {
      reader->format->streams[i]->discard = AVDISCARD_ALL;
    }
  }

  reader->codec = avcodec_alloc_context3(decoder);
  if (reader->codec == nullptr) return fail(AV_IMPORT_ERROR_MEMORY);
  if ((error = avcodec_parameters_to_context(reader->codec, &parameters)) < 0 ||
      (error = avcodec_open2(reader->codec, decoder, nullptr)) < 0) {
    Describe(info, error);
    return fail(error == AVERROR(ENOMEM) ? AV_IMPORT_ERROR_MEMORY : AV_IMPORT_ERROR_CODEC);
  }

  const int sourceChannels = reader->codec->ch_layout.nb_channels;
  const int rate = reader->codec->sample_rate;
  info->sourceChannels = sourceChannels;
  info->sampleRate = rate;
  if (sourceChannels <= 0 || rate <= 0 || rate > kMaxRate) return fail(AV_IMPORT_ERROR_STREAM);
  reader->rate = rate;
  reader->channels = sourceChannels == 1 ? 1 : 2;
  av_channel_layout_default(&reader->outLayout, reader->channels);
  info->channels = reader->channels;

  const AVSampleFormat decoded = reader->codec->sample_fmt;
  info->sourceBits = ExactSourceBits(parameters, decoded);
  info->sourceIsFloat = info->sourceBits != 0 && IsFloatFormat(decoded) ? 1 : 0;
  reader->viaDouble = av_get_bytes_per_sample(decoded) > 2;

  if (stream->duration > 0 &&
      reader->format->duration_estimation_method == AVFMT_DURATION_FROM_STREAM) {
    reader->statedFrames = av_rescale_q(stream->duration, stream->time_base, AVRational{1, rate});
  }
  if (av_get_exact_bits_per_sample(parameters.codec_id) > 0 && parameters.block_align > 0) {
    // Uncompressed samples have no priming or padding: the header's data
    // length is the stream's length. Only a stated partial frame, which is
    // never kept, may be missing.
    reader->pcmBlockAlign = parameters.block_align;
    reader->lengthSlack = 0;
    if (const int64_t bytes = StatedPcmDataBytes(path); bytes >= 0) {
      reader->statedFrames = bytes / parameters.block_align;
    }
  }

  reader->packet = av_packet_alloc();
  reader->frame = av_frame_alloc();
  if (reader->packet == nullptr || reader->frame == nullptr) return fail(AV_IMPORT_ERROR_MEMORY);
  *readerOut = reader;
  return AV_IMPORT_OK;
}

AV_IMPORT_EXPORT int32_t AvImportRead(AvImportReader* reader, const int16_t** samples,
                                      int32_t* frames, int64_t* position) {
  if (reader == nullptr || samples == nullptr || frames == nullptr || position == nullptr) {
    return AV_IMPORT_ERROR_ARGUMENT;
  }
  *samples = nullptr;
  *frames = 0;
  if (reader->damaged) return AV_IMPORT_ERROR_DAMAGED;
  reader->out.clear();
  int32_t result = AV_IMPORT_OK;
  try {
    // Decode until something came out, so that a caller's loop sees progress
    // at every call, or until the end.
    while (reader->out.empty() && !reader->flushed && result == AV_IMPORT_OK) {
      result = reader->Step();
    }
  } catch (const std::bad_alloc&) {
    result = AV_IMPORT_ERROR_MEMORY;
  }
  *position = reader->format->pb != nullptr ? avio_tell(reader->format->pb) : 0;
  if (result == AV_IMPORT_ERROR_DAMAGED) {
    reader->damaged = true;
    // What was decoded before the damage is still handed out; the next call
    // reports it.
    if (!reader->out.empty()) result = AV_IMPORT_OK;
  }
  if (result != AV_IMPORT_OK) return result;
  if (reader->out.empty() && reader->flushed) {
    if (reader->statedFrames > 0 &&
        reader->framesOut + reader->lengthSlack < reader->statedFrames) {
      reader->damaged = true;
      return AV_IMPORT_ERROR_DAMAGED;
    }
    return AV_IMPORT_END;
  }
  *samples = reader->out.data();
  *frames = static_cast<int32_t>(reader->out.size() / static_cast<size_t>(reader->channels));
  return AV_IMPORT_OK;
}

AV_IMPORT_EXPORT void AvImportClose(AvImportReader* reader) {
  delete reader;
}

}  // extern "C"
