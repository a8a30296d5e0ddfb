#include "engine/scratch_slots.h"

#include <algorithm>

#include "engine/editor_doc.h"
#include "platform/message.h"

TempAudioFile* ScratchSlots::Use(TempAudioFile* slot) {
  if (std::find(slots_.begin(), slots_.end(), slot) == slots_.end()) slots_.push_back(slot);
  return slot;
}

OpResult ScratchSlots::Finish(OpResult result) {
  bool cleaned = true;
  for (TempAudioFile* slot : slots_) {
    if (CleanupTempAudioFile(slot, 0) != OP_DONE) {
      platform::ShowMessageF("%s: Failed to cleanup temp file %c", routine_, Letter(slot));
      cleaned = false;
    }
  }
  slots_.clear();
  return cleaned ? result : OP_FAILED;
}

char ScratchSlots::Letter(const TempAudioFile* slot) const {
  if (slot == doc_.tempA) return 'A';
  if (slot == doc_.tempB) return 'B';
  if (slot == doc_.tempC) return 'C';
  if (slot == doc_.tempD) return 'D';
  return '?';
}
