#include "effects/channel_tools.h"

#include <cstring>
#include <type_traits>

#include "effects/effect_output.h"
#include "engine/editor_doc.h"

namespace {

constexpr EffectMessages kMuteMessages{
    "CMuteDialog - Perform Action: Failed to open write map to target file: %s",
    "CMuteDialog - Perform Action: Failed to close map to target file: %s",
    "CMuteDialog - Perform Action: Failed to open write map to target file: %s"};
constexpr EffectMessages kReverseMessages{
    "CReverseDialog - Perform Action: Failed to open write map to target file: %s",
    "CReverseDialog - Perform Action: Failed to close map to target file: %s",
    "CReverseDialog - Perform Action: Failed to open write map to target file: %s"};
constexpr EffectMessages kSwapMessages{
    "CSwapDialog - Perform Action: Failed to open write map to target file: %s",
    "CSwapDialog - Perform Action: Failed to close map to target file: %s",
    "CSwapDialog - Perform Action: Failed to open write map to target file: %s"};
constexpr EffectMessages kCopyChannelMessages{
    "CCopyChannelDialog - Perform Action: Failed to open write map to target file: %s",
    "CCopyChannelDialog - Perform Action: Failed to close map to target file: %s",
    "CCopyChannelDialog - Perform Action: Failed to open read to target file: %s"};

bool LeftChosen(ChannelSet choice) {
  return choice == LEFT_CHANNEL || choice == BOTH_CHANNELS;
}
bool RightChosen(ChannelSet choice) {
  return choice == RIGHT_CHANNEL || choice == BOTH_CHANNELS;
}

// The frame walk every tool of this file shares: region, slot B, progress on
// the source position, the finishing steps.
template <class Body>
OpResult RunFrameTool(CEditorDoc& doc, int applyTo, const EffectMessages& messages,
                      OpResult peakFailure, Progress& progress, Body&& body) {
  EffectRegion region;
  if (!ResolveEffectRegion(doc, applyTo, &region)) return OP_FAILED;
  const AudioFormat format = doc.Format();
  TempAudioFile* b = doc.tempB;
  if (BeginEffectOutput(b, region.Length(), messages) != OP_DONE) return OP_FAILED;
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint8_t* source = doc.work.pcmData;
  uint8_t* destination = b->pcmData;
  const bool finished = StreamFrames(
      region.start, region.end, block, region.start, progress, [&](uint32_t src, uint32_t frames) {
        body(source + src, destination + (src - region.start), frames, block);
      });
  if (!finished) return OP_CANCELLED;
  return FinishEffectOutput(b, format, messages, peakFailure, progress);
}

// Calls body(std::integral_constant<uint32_t, 1 or 2>) so that sample copies
// have a size known at compile time.
template <class Body>
void WithSampleSize(uint32_t sample, Body&& body) {
  if (sample == 1) {
    body(std::integral_constant<uint32_t, 1>{});
  } else {
    body(std::integral_constant<uint32_t, 2>{});
  }
}

// Silence of one sample: byte 128 for 8-bit audio, 0 for 16-bit.
void Silence(uint8_t* out, uint32_t sampleBytes) {
  if (sampleBytes == 1) {
    out[0] = 128;
  } else {
    out[0] = out[1] = 0;
  }
}

}  // namespace

OpResult MuteTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const int channels = doc.channels;
  const uint32_t sample = static_cast<uint32_t>(doc.bitsPerSample / 8);
  const bool muteLeft = channels == 1 || LeftChosen(settings.channelChoice);
  const bool muteRight = channels == 1 || RightChosen(settings.channelChoice);
  return RunFrameTool(doc, settings.applyTo, kMuteMessages, OP_CANCELLED, progress,
                      [&](const uint8_t* in, uint8_t* out, uint32_t frames, uint32_t block) {
                        const size_t bytes = static_cast<size_t>(frames) * block;
                        if (!muteLeft && !muteRight) {
                          std::memcpy(out, in, bytes);
                        } else if (muteLeft && muteRight && sample == 1) {
                          std::memset(out, 128, bytes);
                        } else if (muteLeft && muteRight) {
                          std::memset(out, 0, bytes);
                        } else {
                          std::memcpy(out, in, bytes);
                          const uint32_t offset = muteLeft ? 0 : sample;
                          if (sample == 1) {
                            for (uint32_t f = 0; f < frames; ++f) out[f * 2 + offset] = 128;
                          } else {
                            for (uint32_t f = 0; f < frames; ++f) Silence(out + f * 4 + offset, 2);
                          }
                        }
                      });
}

OpResult ReverseTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  EffectRegion region;
  if (!ResolveEffectRegion(doc, settings.applyTo, &region)) return OP_FAILED;
  const AudioFormat format = doc.Format();
  TempAudioFile* b = doc.tempB;
  if (BeginEffectOutput(b, region.Length(), kReverseMessages) != OP_DONE) return OP_FAILED;

  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint32_t sample = static_cast<uint32_t>(format.bitsPerSample / 8);
  const bool mono = format.channels == 1;
  const bool left = mono || LeftChosen(settings.channelChoice);
  const bool right = !mono && RightChosen(settings.channelChoice);
  const uint8_t* source = doc.work.pcmData + region.start;
  uint8_t* destination = b->pcmData;
  const uint32_t length = region.Length();
  // Progress follows the destination offset, which starts at 0.
  const bool finished =
      StreamFrames(0, length, block, 0, progress, [&](uint32_t dst, uint32_t frames) {
        WithSampleSize(sample, [&](auto size) {
          constexpr uint32_t kSample = decltype(size)::value;
          for (uint32_t f = 0; f < frames; ++f) {
            const uint32_t at = dst + f * block;
            const uint8_t* mirrored = source + (length - at - block);
            const uint8_t* same = source + at;
            uint8_t* out = destination + at;
            std::memcpy(out, left ? mirrored : same, kSample);
            if (!mono) std::memcpy(out + kSample, (right ? mirrored : same) + kSample, kSample);
          }
        });
      });
  if (!finished) return OP_CANCELLED;
  return FinishEffectOutput(b, format, kReverseMessages, OP_CANCELLED, progress);
}

OpResult SwapTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const bool stereo = doc.channels == 2;
  const uint32_t sample = static_cast<uint32_t>(doc.bitsPerSample / 8);
  // A failed peak build of a swap counts as a failure, not a cancel.
  return RunFrameTool(doc, settings.applyTo, kSwapMessages, OP_FAILED, progress,
                      [&](const uint8_t* in, uint8_t* out, uint32_t frames, uint32_t /*block*/) {
                        // Mono frames are left as they are: the command refuses
                        // mono documents before it gets here.
                        if (!stereo) return;
                        WithSampleSize(sample, [&](auto size) {
                          constexpr uint32_t kSample = decltype(size)::value;
                          constexpr uint32_t kBlock = 2 * kSample;
                          for (uint32_t f = 0; f < frames; ++f) {
                            std::memcpy(out + f * kBlock, in + f * kBlock + kSample, kSample);
                            std::memcpy(out + f * kBlock + kSample, in + f * kBlock, kSample);
                          }
                        });
                      });
}

OpResult CopyChannelTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const bool stereo = doc.channels == 2;
  const uint32_t sample = static_cast<uint32_t>(doc.bitsPerSample / 8);
  const uint32_t from = settings.channelChoice == LEFT_CHANNEL ? 0 : sample;
  return RunFrameTool(doc, settings.applyTo, kCopyChannelMessages, OP_CANCELLED, progress,
                      [&](const uint8_t* in, uint8_t* out, uint32_t frames, uint32_t block) {
                        if (!stereo) {
                          std::memcpy(out, in, static_cast<size_t>(frames) * block);
                          return;
                        }
                        WithSampleSize(sample, [&](auto size) {
                          constexpr uint32_t kSample = decltype(size)::value;
                          constexpr uint32_t kBlock = 2 * kSample;
                          const uint8_t* copied = in + from;
                          for (uint32_t f = 0; f < frames; ++f) {
                            std::memcpy(out + f * kBlock, copied + f * kBlock, kSample);
                            std::memcpy(out + f * kBlock + kSample, copied + f * kBlock, kSample);
                          }
                        });
                      });
}
