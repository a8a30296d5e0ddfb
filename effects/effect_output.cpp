#include "effects/effect_output.h"

#include <cmath>

#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "platform/message.h"

using platform::ShowMessage;
using platform::ShowMessageF;

const char* const kUnsupportedFormatMessage =
    "Sorry, tools and effects work only on mono or stereo audio of 8 or 16 bits.";

bool EffectFormatSupported(const AudioFormat& format) {
  return (format.channels == 1 || format.channels == 2) &&
         (format.bitsPerSample == 8 || format.bitsPerSample == 16);
}

bool CheckEffectFormat(const AudioFormat& format) {
  const bool known = EffectFormatSupported(format);
  if (!known) ShowMessage(kUnsupportedFormatMessage);
  return known;
}

bool ResolveEffectRegion(const CEditorDoc& doc, int applyTo, EffectRegion* region) {
  const AudioFormat format = doc.Format();
  if (!CheckEffectFormat(format)) return false;
  const uint32_t block = static_cast<uint32_t>(format.BlockSize());
  const uint32_t length = doc.work.pcmLength;
  if (applyTo == SELECTED_AREA) {
    region->start = doc.Selection().Start();
    region->end = doc.Selection().End();
  } else {
    region->start = 0;
    region->end = length - length % block;
  }
  // The selection is kept in whole frames inside the audio; anything else
  // would read past the mapped view or split frames.
  if (region->start > region->end || region->end > length || region->start % block != 0 ||
      region->end % block != 0) {
    ShowMessage("Sorry, the selection does not lie within the audio.");
    return false;
  }
  if (region->start < region->end && doc.work.pcmData == nullptr) {
    ShowMessage("Sorry, the audio of this document is not available for processing.");
    return false;
  }
  return true;
}

OpResult BeginEffectOutput(TempAudioFile* b, uint32_t length, const EffectMessages& messages) {
  b->pcmLength = length;
  if (DocMemMapFile(b, PCM_PART, MAP_WRITE) != OP_DONE) {
    ShowMessageF(messages.openWrite, b->pcmPath.c_str());
    return OP_FAILED;
  }
  return OP_DONE;
}

OpResult FinishEffectOutput(TempAudioFile* b, const AudioFormat& format,
                            const EffectMessages& messages, OpResult peakFailure,
                            Progress& progress) {
  if (CloseMemMapFile(b, PCM_PART) != OP_DONE) {
    ShowMessageF(messages.closeMap, b->pcmPath.c_str());
    return OP_FAILED;
  }
  b->SetFormat(format);
  if (DocMemMapFile(b, PCM_PART, MAP_READ) != OP_DONE) {
    ShowMessageF(messages.openRead, b->pcmPath.c_str());
    return OP_FAILED;
  }
  // A peak build that failed (its message shown) is a failure whatever the
  // tool answers for one the user cancelled.
  const OpResult peaks = DrawPeakFile(b, progress);
  if (peaks == OP_FAILED) return OP_FAILED;
  if (peaks != OP_DONE) return peakFailure;
  if (DocMemMapFile(b, PEAK_PART, MAP_READ) != OP_DONE) {
    ShowMessageF(messages.openRead,
                 (messages.peakFailureNamesPcm ? b->pcmPath : b->peakPath).c_str());
    return OP_FAILED;
  }
  return OP_DONE;
}

uint64_t PassFrames(uint64_t writeLeft, uint64_t writeRight, uint32_t length, uint32_t block) {
  const uint64_t first = std::min(writeLeft, writeRight);
  if (first >= length) return 0;
  return (length - first + block - 1) / block;
}

uint32_t DelayBytes(int64_t bytesPerSecond, int32_t milliseconds, uint32_t block, uint32_t limit) {
  if (milliseconds <= 0 || bytesPerSecond <= 0) return 0;
  constexpr double kMillisecond = static_cast<double>(0.001f);
  const double bytes =
      std::trunc(static_cast<double>(bytesPerSecond) * milliseconds * kMillisecond);
  const uint32_t d = bytes >= limit ? limit : static_cast<uint32_t>(bytes);
  return d - d % block;
}
