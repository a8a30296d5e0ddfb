#include "effects/mix_paste.h"

#include <algorithm>

#include "effects/effect_output.h"
#include "effects/gain.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/message.h"

namespace {

constexpr EffectMessages kMixPasteMessages{
    "CMixPasteDialog - Perform Action: Failed to open write map to target file: %s",
    "CMixPasteDialog - Perform Action: Failed to close map to target file: %s",
    "CMixPasteDialog - Perform Action: Failed to open write map to target file: %s", true};

struct MixFactors {
  double documentLeft, documentRight, clipboardLeft, clipboardRight;
};

// One output sample: both parts scaled, summed, wrapped to the sample size.
// `document` is null past the end of the working audio, where the document
// part is 0.
template <int Bits>
inline void MixSample(const uint8_t* document, const uint8_t* clip, uint8_t* out, double docFactor,
                      double clipFactor) {
  if constexpr (Bits == 8) {
    const int32_t d = document ? ScaleSample(document[0] - 128, docFactor) : 0;
    out[0] = static_cast<uint8_t>(d + ScaleSample(clip[0] - 128, clipFactor) + 128);
  } else {
    const int32_t d = document ? ScaleSample(LoadSample16(document), docFactor) : 0;
    StoreSample16(out, d + ScaleSample(LoadSample16(clip), clipFactor));
  }
}

template <int Channels, int Bits>
void MixFrames(const uint8_t* document, const uint8_t* clip, uint8_t* out, uint32_t frames,
               const MixFactors& k) {
  constexpr int kSample = Bits / 8;
  constexpr int kBlock = Channels * kSample;
  for (uint32_t f = 0; f < frames; ++f) {
    const uint8_t* d = document ? document + f * kBlock : nullptr;
    MixSample<Bits>(d, clip + f * kBlock, out + f * kBlock, k.documentLeft, k.clipboardLeft);
    if constexpr (Channels == 2) {
      MixSample<Bits>(d ? d + kSample : nullptr, clip + f * kBlock + kSample,
                      out + f * kBlock + kSample, k.documentRight, k.clipboardRight);
    }
  }
}

using MixFn = void (*)(const uint8_t*, const uint8_t*, uint8_t*, uint32_t, const MixFactors&);

MixFn MixFor(const AudioFormat& format) {
  if (format.channels == 1) return format.bitsPerSample == 8 ? MixFrames<1, 8> : MixFrames<1, 16>;
  return format.bitsPerSample == 8 ? MixFrames<2, 8> : MixFrames<2, 16>;
}

double LevelFactor(uint32_t level) {
  return GainFactor(static_cast<int32_t>(std::min<uint32_t>(level, 300)));
}

}  // namespace

OpResult MixPasteTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  TempAudioFile* source = SameAudioFormat(&doc.work, doc.clip) ? doc.clip : doc.tempA;
  return MixFrom(doc, source, progress);
}

OpResult MixPasteTool::MixFrom(CEditorDoc& doc, TempAudioFile* source, Progress& progress) {
  const AudioFormat format = doc.Format();
  if (!CheckEffectFormat(format)) return OP_FAILED;
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint32_t workLength = doc.work.pcmLength;
  const uint32_t start = doc.Selection().Start();
  if (source->Format() != format) {
    platform::ShowMessage("Sorry, the clipboard audio is not in the format of this file.");
    return OP_FAILED;
  }
  if (start > workLength || start % block != 0 ||
      (source->pcmLength > 0 && source->pcmData == nullptr)) {
    platform::ShowMessage("Sorry, the selection does not lie within the audio.");
    return OP_FAILED;
  }
  TempAudioFile* b = doc.tempB;
  const uint32_t length = source->pcmLength;
  if (BeginEffectOutput(b, length, kMixPasteMessages) != OP_DONE) return OP_FAILED;

  const MixFactors factors{LevelFactor(settings.documentLeft), LevelFactor(settings.documentRight),
                           LevelFactor(settings.clipboardLeft),
                           LevelFactor(settings.clipboardRight)};
  const MixFn mix = MixFor(format);
  const uint8_t* work = doc.work.pcmData;
  const uint8_t* clip = source->pcmData;
  uint8_t* out = b->pcmData;
  // Frames of the source that still have working audio under them.
  const uint64_t overlap = (workLength - start) / block;
  const bool finished =
      StreamFrames(0, length, block, 0, progress, [&](uint32_t p, uint32_t frames) {
        const uint64_t first = p / block;
        const uint32_t mixed = static_cast<uint32_t>(
            first >= overlap ? 0 : std::min<uint64_t>(frames, overlap - first));
        if (mixed > 0) mix(work + start + p, clip + p, out + p, mixed, factors);
        if (mixed < frames) {
          const uint32_t q = p + mixed * block;
          mix(nullptr, clip + q, out + q, frames - mixed, factors);
        }
      });
  if (!finished) return OP_CANCELLED;
  return FinishEffectOutput(b, format, kMixPasteMessages, OP_CANCELLED, progress);
}
