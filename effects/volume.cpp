#include "effects/volume.h"

#include <algorithm>

#include "effects/effect_output.h"
#include "effects/gain.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"

namespace {

constexpr EffectMessages kVolumeMessages{
    "CVolumeDialog - Perform Action: Failed to open write map to target file: %s",
    "CVolumeDialog - Perform Action: Failed to close map to target file: %s",
    "CVolumeDialog - Perform Action: Failed to open write map to target file: %s"};

constexpr EffectMessages kFadeMessages{
    "CFadeDialog - Perform Action: Failed to open write map to target file: %s",
    "CFadeDialog - Perform Action: Failed to close map to target file: %s",
    "CFadeDialog - Perform Action: Failed to open write map to target file: %s"};

// Gains come from dialogs and from the batch tool's settings; beyond the
// sliders' range the products would leave the exact range of GainScale.
int32_t GainPercent(uint32_t gain) {
  return static_cast<int32_t>(std::min<uint32_t>(gain, 300));
}

// One sample scaled with wrap-around: 8-bit as (r + 128) mod 256, 16-bit as
// the low 16 bits of r.
template <int Bits>
inline void ScaleInPlace(const uint8_t* in, uint8_t* out, double factor) {
  if constexpr (Bits == 8) {
    out[0] = static_cast<uint8_t>(ScaleSample(in[0] - 128, factor) + 128);
  } else {
    StoreSample16(out, ScaleSample(LoadSample16(in), factor));
  }
}

template <int Channels, int Bits>
void ScaleFrames(const uint8_t* in, uint8_t* out, uint32_t frames, double left, double right) {
  constexpr int kSample = Bits / 8;
  constexpr int kBlock = Channels * kSample;
  for (uint32_t f = 0; f < frames; ++f) {
    ScaleInPlace<Bits>(in + f * kBlock, out + f * kBlock, left);
    if constexpr (Channels == 2) {
      ScaleInPlace<Bits>(in + f * kBlock + kSample, out + f * kBlock + kSample, right);
    }
  }
}

using ScaleFn = void (*)(const uint8_t*, uint8_t*, uint32_t, double, double);

ScaleFn ScaleFor(const AudioFormat& format) {
  if (format.channels == 1)
    return format.bitsPerSample == 8 ? ScaleFrames<1, 8> : ScaleFrames<1, 16>;
  return format.bitsPerSample == 8 ? ScaleFrames<2, 8> : ScaleFrames<2, 16>;
}

}  // namespace

OpResult VolumeTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  EffectRegion region;
  if (!ResolveEffectRegion(doc, settings.applyTo, &region)) return OP_FAILED;
  const AudioFormat format = doc.Format();
  TempAudioFile* b = doc.tempB;
  if (BeginEffectOutput(b, region.Length(), kVolumeMessages) != OP_DONE) return OP_FAILED;

  const double left = GainFactor(GainPercent(settings.leftGain));
  const double right = GainFactor(GainPercent(settings.rightGain));
  const ScaleFn scale = ScaleFor(format);
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint8_t* source = doc.work.pcmData;
  uint8_t* destination = b->pcmData;
  const bool finished = StreamFrames(
      region.start, region.end, block, region.start, progress, [&](uint32_t src, uint32_t frames) {
        scale(source + src, destination + (src - region.start), frames, left, right);
      });
  if (!finished) return OP_CANCELLED;
  return FinishEffectOutput(b, format, kVolumeMessages, OP_CANCELLED, progress);
}

int32_t FadeGain(uint32_t start, uint32_t end, uint32_t pos, uint32_t length) {
  const double s = start, e = end;
  const double n = length, p = pos;
  // The conversion truncates toward zero; the values stay within 0..300.
  if (start >= end) return static_cast<int32_t>(s - (p / n) * (s - e));
  return static_cast<int32_t>(e - ((n - p) / n) * (e - s));
}

namespace {

// The fade's gains at one destination offset.
struct FadeGains {
  int32_t left, right;
  bool operator==(const FadeGains&) const = default;
};

}  // namespace

OpResult FadeTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  EffectRegion region;
  if (!ResolveEffectRegion(doc, settings.applyTo, &region)) return OP_FAILED;
  const AudioFormat format = doc.Format();
  TempAudioFile* b = doc.tempB;
  if (BeginEffectOutput(b, region.Length(), kFadeMessages) != OP_DONE) return OP_FAILED;

  const uint32_t startLeft = std::min<uint32_t>(settings.startLeft, 300);
  const uint32_t endLeft = std::min<uint32_t>(settings.endLeft, 300);
  const uint32_t startRight = std::min<uint32_t>(settings.startRight, 300);
  const uint32_t endRight = std::min<uint32_t>(settings.endRight, 300);
  const bool stereo = format.channels == 2;
  const uint32_t length = region.Length();
  auto gainsAt = [&](uint32_t pos) {
    const int32_t left = FadeGain(startLeft, endLeft, pos, length);
    return FadeGains{left, stereo ? FadeGain(startRight, endRight, pos, length) : left};
  };

  const ScaleFn scale = ScaleFor(format);
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint8_t* source = doc.work.pcmData;
  uint8_t* destination = b->pcmData;
  // Each gain is a monotonic function of the position (every floating-point
  // step of FadeGain is), so the frames sharing one pair of gains form one
  // run; its end is found by bisection and the run is scaled like a volume
  // change. The result is the same as computing the gains frame by frame.
  const bool finished = StreamFrames(
      region.start, region.end, block, region.start, progress, [&](uint32_t src, uint32_t frames) {
        const uint32_t first = src - region.start;
        uint32_t f = 0;
        while (f < frames) {
          const FadeGains gains = gainsAt(first + f * block);
          uint32_t same = f, differs = frames;  // last frame known equal, first beyond
          while (differs - same > 1) {
            const uint32_t mid = same + (differs - same) / 2;
            if (gainsAt(first + mid * block) == gains) {
              same = mid;
            } else {
              differs = mid;
            }
          }
          const uint32_t run = same - f + 1;
          const uint32_t at = first + f * block;
          scale(source + region.start + at, destination + at, run, GainFactor(gains.left),
                GainFactor(gains.right));
          f += run;
        }
      });
  if (!finished) return OP_CANCELLED;
  return FinishEffectOutput(b, format, kFadeMessages, OP_CANCELLED, progress);
}
