#include "engine/convert.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "platform/message.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

constexpr uint64_t kStepBytes = 8192;

bool Convertible(const AudioFormat& format) {
  return (format.channels == 1 || format.channels == 2) &&
         (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.sampleRate > 0;
}

// Drop test: is out / (in + source channels) above the ratio? The count of
// samples written is rounded to float first, as the stored audio was made.
inline bool Above(int64_t out, int64_t inNext, float ratio) {
  return static_cast<double>(static_cast<float>(out)) / static_cast<double>(inNext) >
         static_cast<double>(ratio);
}

// Insert test: is in (rounded to float) / out below the ratio?
inline bool Below(double inAsFloat, int64_t out, float ratio) {
  return inAsFloat / static_cast<double>(out) < static_cast<double>(ratio);
}

// One source frame in the target's bit depth and channel count, on the
// signed scale (8-bit values -128..127, 16-bit values -32768..32767).
template <int SrcBits, int SrcChannels, int DstBits, int DstChannels>
inline void ConvertFrame(const uint8_t* frame, int (&value)[DstChannels]) {
  int sample[SrcChannels];
  for (int c = 0; c < SrcChannels; ++c) {
    if constexpr (SrcBits == 8) {
      sample[c] = static_cast<int>(frame[c]) - 128;
    } else {
      sample[c] = static_cast<int16_t>(
          static_cast<uint16_t>(frame[2 * c] | (static_cast<unsigned>(frame[2 * c + 1]) << 8)));
    }
    if constexpr (SrcBits == 8 && DstBits == 16) {
      sample[c] *= 256;
    } else if constexpr (SrcBits == 16 && DstBits == 8) {
      // Mono sources were floored, stereo sources truncated; both are kept.
      if constexpr (SrcChannels == 1) {
        sample[c] >>= 8;
      } else {
        sample[c] /= 256;
      }
    }
  }
  if constexpr (SrcChannels == DstChannels) {
    for (int c = 0; c < DstChannels; ++c) value[c] = sample[c];
  } else if constexpr (SrcChannels == 1) {
    value[0] = value[1] = sample[0];
  } else {
    constexpr int kLimit = DstBits == 8 ? 127 : 32000;
    int sum = sample[0] + sample[1];
    if (sum > kLimit) sum = kLimit;
    if (sum < -kLimit) sum = -kLimit;
    value[0] = sum;
  }
}

template <int Bits, int Channels>
inline void StoreFrame(uint8_t* at, const int (&value)[Channels]) {
  for (int c = 0; c < Channels; ++c) {
    if constexpr (Bits == 8) {
      at[c] = static_cast<uint8_t>(value[c] + 128);
    } else {
      at[2 * c] = static_cast<uint8_t>(value[c] & 0xff);
      at[2 * c + 1] = static_cast<uint8_t>((value[c] >> 8) & 0xff);
    }
  }
}

// The destination's mapped bytes and the running counts of what was
// produced. Output past the reserved length is counted but not stored.
struct Sink {
  uint8_t* data;
  uint64_t length;
  uint64_t offset = 0;  // o: next destination byte
  int64_t out = 0;      // target samples produced
};

template <int Bits, int Channels>
inline void Put(Sink& sink, const int (&value)[Channels]) {
  constexpr uint64_t kBlock = Bits / 8 * Channels;
  if (sink.offset + kBlock <= sink.length) [[likely]] {
    StoreFrame<Bits, Channels>(sink.data + sink.offset, value);
  } else if (sink.offset < sink.length) {
    uint8_t bytes[kBlock];
    StoreFrame<Bits, Channels>(bytes, value);
    for (uint64_t b = 0; sink.offset + b < sink.length; ++b) sink.data[sink.offset + b] = bytes[b];
  }
  sink.offset += kBlock;
  sink.out += Channels;
}

enum class Rate { Equal, Down, Up };

struct Job {
  const uint8_t* source;
  uint64_t sourceEnd;  // bytes of whole source frames
  float ratio;         // ratio-down or ratio-up, whichever the rate case uses
  Sink sink;
  Progress* progress;
};

// The per-frame loop, one instance per pair of formats and rate case so
// that nothing but the drop/insert decisions branches per frame.
template <int SrcBits, int SrcChannels, int DstBits, int DstChannels, Rate Mode>
OpResult ConvertLoop(Job& job) {
  constexpr uint64_t kSrcBlock = SrcBits / 8 * SrcChannels;
  const uint8_t* const source = job.source;
  const uint64_t end = job.sourceEnd;
  const float ratio = job.ratio;
  // A local copy: stores through the byte pointer could otherwise alias the
  // counts and force them back to memory on every frame.
  Sink sink = job.sink;
  uint64_t i = 0;
  int64_t in = 0;  // source samples consumed
  int cur[DstChannels];
  int next[DstChannels];
  [[maybe_unused]] bool keep = false;  // the drop test is known to fail for this frame

  if constexpr (Mode == Rate::Up) {
    if (end > 0) ConvertFrame<SrcBits, SrcChannels, DstBits, DstChannels>(source, next);
  }
  while (i < end) {
    if constexpr (Mode == Rate::Equal) {
      ConvertFrame<SrcBits, SrcChannels, DstBits, DstChannels>(source + i, cur);
      Put<DstBits, DstChannels>(sink, cur);
      i += kSrcBlock;
      in += SrcChannels;
    } else if constexpr (Mode == Rate::Down) {
      // After a run of dropped frames the test that ended it is the one the
      // next frame starts with (same counts), so its answer is reused.
      if (!keep && Above(sink.out, in + SrcChannels, ratio)) {
        // Dropped frames are never looked at, so they are not converted.
        do {
          i += kSrcBlock;
          in += SrcChannels;
        } while (Above(sink.out, in + SrcChannels, ratio));
        keep = true;
      } else {
        keep = false;
        ConvertFrame<SrcBits, SrcChannels, DstBits, DstChannels>(source + i, cur);
        Put<DstBits, DstChannels>(sink, cur);
        i += kSrcBlock;
        in += SrcChannels;
      }
    } else {
      // Every source frame is visited in turn here, so the frame read as
      // `next` last time is this one; the last frame's successor is itself.
      for (int c = 0; c < DstChannels; ++c) cur[c] = next[c];
      if (i + kSrcBlock < end) {
        ConvertFrame<SrcBits, SrcChannels, DstBits, DstChannels>(source + i + kSrcBlock, next);
      }
      Put<DstBits, DstChannels>(sink, cur);
      i += kSrcBlock;
      in += SrcChannels;
      const double inAsFloat = static_cast<double>(static_cast<float>(in));
      if (!Below(inAsFloat, sink.out, ratio)) {
        int64_t n = 1;
        while (!Below(inAsFloat, sink.out + n * DstChannels, ratio)) ++n;
        for (int64_t k = 0; k < n; ++k) {
          const double parts = static_cast<double>(n - k);
          int value[DstChannels];
          for (int c = 0; c < DstChannels; ++c) {
            value[c] = static_cast<int>(cur[c] + static_cast<double>(next[c] - cur[c]) / parts);
          }
          Put<DstBits, DstChannels>(sink, value);
        }
      }
    }
    if (i % kStepBytes == 0) [[unlikely]] {
      job.progress->Step(static_cast<uint32_t>(i / 100));
      if (job.progress->IsCancelled()) return OP_CANCELLED;
    }
  }
  return OP_DONE;
}

using Loop = OpResult (*)(Job&);

template <int SrcBits, int SrcChannels, int DstBits, int DstChannels>
Loop LoopForRate(Rate mode) {
  switch (mode) {
    case Rate::Equal:
      return ConvertLoop<SrcBits, SrcChannels, DstBits, DstChannels, Rate::Equal>;
    case Rate::Down:
      return ConvertLoop<SrcBits, SrcChannels, DstBits, DstChannels, Rate::Down>;
    case Rate::Up:
      break;
  }
  return ConvertLoop<SrcBits, SrcChannels, DstBits, DstChannels, Rate::Up>;
}

template <int SrcBits, int SrcChannels>
Loop LoopForTarget(const AudioFormat& to, Rate mode) {
  if (to.bitsPerSample == 8) {
    return to.channels == 1 ? LoopForRate<SrcBits, SrcChannels, 8, 1>(mode)
                            : LoopForRate<SrcBits, SrcChannels, 8, 2>(mode);
  }
  return to.channels == 1 ? LoopForRate<SrcBits, SrcChannels, 16, 1>(mode)
                          : LoopForRate<SrcBits, SrcChannels, 16, 2>(mode);
}

Loop LoopFor(const AudioFormat& from, const AudioFormat& to, Rate mode) {
  if (from.bitsPerSample == 8) {
    return from.channels == 1 ? LoopForTarget<8, 1>(to, mode) : LoopForTarget<8, 2>(to, mode);
  }
  return from.channels == 1 ? LoopForTarget<16, 1>(to, mode) : LoopForTarget<16, 2>(to, mode);
}

// (numerator channels x rate) / (denominator channels x rate), rounded once
// from extended precision to float.
float SampleRatio(const AudioFormat& numerator, const AudioFormat& denominator) {
  const long double top = static_cast<long double>(numerator.channels) * numerator.sampleRate;
  const long double bottom =
      static_cast<long double>(denominator.channels) * denominator.sampleRate;
  return static_cast<float>(top / bottom);
}

}  // namespace

bool ConvertedLength(const AudioFormat& from, const AudioFormat& to, uint32_t sourceLength,
                     uint32_t* length) {
  // Each step starts from the truncated result of the one before. The
  // intermediate values stay below 2^35, exact in a double; only the final
  // value decides whether the destination can be stored.
  double estimate = sourceLength;
  if (from.bitsPerSample != to.bitsPerSample) {
    estimate = std::trunc(static_cast<double>(to.bitsPerSample) / from.bitsPerSample * estimate);
  }
  if (from.channels != to.channels) {
    estimate = std::trunc(static_cast<double>(to.channels) / from.channels * estimate);
  }
  if (from.sampleRate != to.sampleRate) {
    estimate = std::trunc(static_cast<double>(to.sampleRate) / from.sampleRate * estimate);
  }
  constexpr double kMax = static_cast<double>(std::numeric_limits<uint32_t>::max());
  if (!(estimate <= kMax)) return false;
  // Rounds up to whole frames. The long-standing rule added the remainder,
  // which is the same for 1- and 2-byte frames and for an even estimate with
  // 4-byte frames, but left an odd estimate with half a stereo 16-bit frame;
  // pasted into a document, that half frame shifted everything after it
  // into the other channel.
  const uint64_t block = static_cast<uint64_t>(to.BlockSize());
  uint64_t value = static_cast<uint64_t>(estimate);
  value = (value + block - 1) / block * block;
  if (value > std::numeric_limits<uint32_t>::max()) return false;
  *length = static_cast<uint32_t>(value);
  return true;
}

OpResult ConvertAudioFile(TempAudioFile* source, TempAudioFile* destination, int16_t bitsPerSample,
                          int16_t channels, int32_t sampleRate, int buildPeak, Progress& progress) {
  const AudioFormat from = source->Format();
  const AudioFormat to{channels, bitsPerSample, sampleRate};
  if (!Convertible(from) || !Convertible(to)) {
    ShowMessage("Sorry, audio of this format cannot be converted.");
    return OP_FAILED;
  }
  if (source->pcmLength != 0 && source->pcmData == nullptr) {
    ShowMessage("Sorry, the audio to convert is not available.");
    return OP_FAILED;
  }
  uint32_t length = 0;
  if (!ConvertedLength(from, to, source->pcmLength, &length)) {
    ShowMessage("Sorry, the converted audio would be larger than 4 GB.");
    return OP_FAILED;
  }

  destination->pcmLength = length;
  if (DocMemMapFile(destination, PCM_PART, MAP_WRITE) != OP_DONE) {
    // No file of that length exists; a stale length would make the caller's
    // cleanup fail on a file it cannot empty.
    destination->pcmLength = 0;
    ShowMessageF("ConvertAudioFile - Failed to open write map to target file: %s",
                 destination->pcmPath.c_str());
    return OP_FAILED;
  }

  progress.SetCaption("Performing audio conversion");
  progress.SetTotal(source->pcmLength / 100);

  const Rate mode = from.sampleRate == to.sampleRate  ? Rate::Equal
                    : from.sampleRate > to.sampleRate ? Rate::Down
                                                      : Rate::Up;
  const uint64_t sourceBlock = static_cast<uint64_t>(from.BlockSize());
  Job job{source->pcmData, source->pcmLength / sourceBlock * sourceBlock,
          mode == Rate::Up ? SampleRatio(from, to) : SampleRatio(to, from),
          Sink{destination->pcmData, length}, &progress};
  const auto result = LoopFor(from, to, mode)(job);
  if (result != OP_DONE) return result;

  if (CloseMemMapFile(destination, PCM_PART) != OP_DONE) {
    ShowMessageF("ConvertAudioFile - Perform Action: Failed to close map to target file: %s",
                 destination->pcmPath.c_str());
    return OP_FAILED;
  }
  destination->SetFormat(to);
  if (DocMemMapFile(destination, PCM_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("ConvertAudioFile: Failed to open read to target file: %s",
                 destination->pcmPath.c_str());
    return OP_FAILED;
  }
  if (buildPeak != 0) {
    // A peak build that failed (its message shown) is a failure, not a cancel.
    if (const OpResult peaks = DrawPeakFile(destination, progress); peaks != OP_DONE) {
      return peaks == OP_FAILED ? OP_FAILED : OP_CANCELLED;
    }
    if (DocMemMapFile(destination, PEAK_PART, MAP_READ) != OP_DONE) {
      ShowMessageF("ConvertAudioFile: Failed to open read to target file: %s",
                   destination->peakPath.c_str());
      return OP_FAILED;
    }
  }
  return OP_DONE;
}
