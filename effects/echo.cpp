#include "effects/echo.h"

#include <vector>

#include "effects/effect_output.h"
#include "effects/gain.h"
#include "effects/layered.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"

namespace {

constexpr EffectMessages kEchoMessages{
    "CVolumeDialog - Perform Action: Failed to open write map to target file: %s",
    "CVolumeDialog - Perform Action: Failed to close map to target file: %s",
    "CEchoDialog - Perform Action: Failed to open read to target file: %s"};
constexpr EffectMessages kReverbMessages{
    "CVolumeDialog - Perform Action: Failed to open write map to target file: %s",
    "CVolumeDialog - Perform Action: Failed to close map to target file: %s",
    "CVolumeDialog - Perform Action: Failed to open write map to target file: %s"};
constexpr EffectMessages kMultiVoiceMessages{
    "CVolumeDialog - Perform Action: Failed to open write map to target file: %s",
    "CVolumeDialog - Perform Action: Failed to close map to target file: %s",
    "CMultiVoiceDialog - Perform Action: Failed to open read to target file: %s"};

// Left and right values of one parameter; a mono document takes the left
// value for both so that only the left settings matter.
struct Pair {
  int32_t left, right;
};
Pair Channels(const CEditorDoc& doc, int32_t left, int32_t right) {
  return doc.channels == 1 ? Pair{left, left} : Pair{left, right};
}

// Region, slot B, the passes, the finishing steps.
OpResult RunLayered(CEditorDoc& doc, int applyTo, const EffectMessages& messages, Pair delayMs,
                    Progress& progress, const auto& buildPasses) {
  EffectRegion region;
  if (!ResolveEffectRegion(doc, applyTo, &region)) return OP_FAILED;
  const AudioFormat format = doc.Format();
  TempAudioFile* b = doc.tempB;
  const uint32_t length = region.Length();
  if (BeginEffectOutput(b, length, messages) != OP_DONE) return OP_FAILED;
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const int64_t bytesPerSecond = format.BytesPerSecond();
  const uint64_t delayLeft = DelayBytes(bytesPerSecond, delayMs.left, block, length);
  const uint64_t delayRight = DelayBytes(bytesPerSecond, delayMs.right, block, length);
  const std::vector<LayerPass> passes = buildPasses(delayLeft, delayRight);
  if (!RunLayerPasses(doc.work.pcmData + region.start, b->pcmData, length, format, passes,
                      progress)) {
    return OP_CANCELLED;
  }
  return FinishEffectOutput(b, format, messages, OP_CANCELLED, progress);
}

}  // namespace

int EchoPassCount(int32_t initialLeft, int32_t initialRight, int32_t additionalLeft,
                  int32_t additionalRight) {
  int32_t left = initialLeft, right = initialRight;
  int passes = 1;
  while (left > 1 || right > 1) {
    left = GainScale(left, 100 - additionalLeft);
    right = GainScale(right, 100 - additionalRight);
    ++passes;
  }
  return passes;
}

int ReverbPassCount(int32_t wetLeft, int32_t wetRight) {
  int32_t left = wetLeft, right = wetRight;
  int passes = 1;
  while (left > 1 || right > 1) {
    left = GainScale(left, wetLeft);
    right = GainScale(right, wetRight);
    ++passes;
  }
  return passes;
}

OpResult EchoTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const EchoSettings& s = settings;
  const Pair initial = Channels(doc, ClampPercent(s.initialRatioLeft, 0, 100),
                                ClampPercent(s.initialRatioRight, 0, 100));
  const Pair additional = Channels(doc, ClampPercent(s.additionalRatioLeft, 0, 100),
                                   ClampPercent(s.additionalRatioRight, 0, 100));
  const Pair delay = Channels(doc, s.delayLeft, s.delayRight);
  return RunLayered(
      doc, s.applyTo, kEchoMessages, delay, progress, [&](uint64_t delayLeft, uint64_t delayRight) {
        const int count =
            EchoPassCount(initial.left, initial.right, additional.left, additional.right);
        std::vector<LayerPass> passes(static_cast<size_t>(count));
        passes[0].mode = LayerPass::Mode::kCopy;  // the dry signal
        int32_t left = initial.left, right = initial.right;
        for (int k = 1; k < count; ++k) {
          if (k >= 2) {
            left = GainScale(left, 100 - additional.left);
            right = GainScale(right, 100 - additional.right);
          }
          LayerPass& pass = passes[static_cast<size_t>(k)];
          pass.mode = LayerPass::Mode::kAdd;
          pass.write[0] = k * delayLeft;
          pass.write[1] = k * delayRight;
          pass.level[0] = left;
          pass.level[1] = right;
        }
        return passes;
      });
}

OpResult ReverbTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const ReverbSettings& s = settings;
  const Pair dry = Channels(doc, ClampPercent(s.dryLeft, 0, 100), ClampPercent(s.dryRight, 0, 100));
  const Pair wet = Channels(doc, ClampPercent(s.wetLeft, 0, 95), ClampPercent(s.wetRight, 0, 95));
  const Pair delay = Channels(doc, s.delayLeft, s.delayRight);
  return RunLayered(doc, s.applyTo, kReverbMessages, delay, progress,
                    [&](uint64_t delayLeft, uint64_t delayRight) {
                      const int count = ReverbPassCount(wet.left, wet.right);
                      std::vector<LayerPass> passes(static_cast<size_t>(count));
                      passes[0].mode = LayerPass::Mode::kSet;  // the dry signal, scaled
                      passes[0].level[0] = dry.left;
                      passes[0].level[1] = dry.right;
                      int32_t left = wet.left, right = wet.right;
                      for (int k = 1; k < count; ++k) {
                        if (k >= 2) {
                          left = GainScale(left, wet.left);
                          right = GainScale(right, wet.right);
                        }
                        LayerPass& pass = passes[static_cast<size_t>(k)];
                        pass.mode = LayerPass::Mode::kAdd;
                        // From the second reflection on, reflections are taken
                        // from the result built so far.
                        pass.readsResult = k >= 2;
                        pass.write[0] = k * delayLeft;
                        pass.write[1] = k * delayRight;
                        pass.level[0] = left;
                        pass.level[1] = right;
                      }
                      return passes;
                    });
}

OpResult MultiVoiceTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  const MultiVoiceSettings& s = settings;
  const int voices = ClampPercent(s.voices, 0, 10);
  const Pair initial = Channels(doc, ClampPercent(s.initialRatioLeft, 0, 100),
                                ClampPercent(s.initialRatioRight, 0, 100));
  const Pair wet = Channels(doc, ClampPercent(s.wetLeft, 0, 100), ClampPercent(s.wetRight, 0, 100));
  const Pair delay = Channels(doc, s.delayLeft, s.delayRight);
  return RunLayered(doc, s.applyTo, kMultiVoiceMessages, delay, progress,
                    [&](uint64_t delayLeft, uint64_t delayRight) {
                      std::vector<LayerPass> passes(static_cast<size_t>(voices) + 1);
                      passes[0].mode = LayerPass::Mode::kSet;  // the initial voice
                      passes[0].level[0] = initial.left;
                      passes[0].level[1] = initial.right;
                      for (int v = 1; v <= voices; ++v) {
                        LayerPass& pass = passes[static_cast<size_t>(v)];
                        pass.mode = LayerPass::Mode::kAdd;
                        pass.write[0] = v * delayLeft;
                        pass.write[1] = v * delayRight;
                        pass.level[0] = wet.left;
                        pass.level[1] = wet.right;
                      }
                      return passes;
                    });
}
