#include "effects/quality.h"

#include "effects/effect_output.h"
#include "engine/convert.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/message.h"

OpResult ChangeQualityTool::PerformAction(CEditorDoc& doc, Progress& progress) {
  if (!CheckEffectFormat(doc.Format())) return OP_FAILED;
  const AudioFormat target{settings.newChannels, settings.newBitsPerSample, settings.newSampleRate};
  if ((target.channels != 1 && target.channels != 2) ||
      (target.bitsPerSample != 8 && target.bitsPerSample != 16) || !target.IsEditable()) {
    platform::ShowMessage(
        "Sorry, the new audio quality must be mono or stereo, 8 or 16 bits, at a sample rate of 1 "
        "to 768000 Hz.");
    return OP_FAILED;
  }
  const auto result = ConvertAudioFile(&doc.work, doc.tempB, target.bitsPerSample, target.channels,
                                       target.sampleRate, 1, progress);
  if (result == OP_CANCELLED) return result;
  // A failed conversion (its message already shown) must not be committed
  // as if it had worked.
  if (result != OP_DONE) return OP_FAILED;
  if (CloseMemMapFile(doc.tempB, BOTH_PARTS) != OP_DONE) {
    platform::ShowMessage("CChangeQualityDialog: Failed to close write map to target file");
    return OP_FAILED;
  }
  return OP_DONE;
}
