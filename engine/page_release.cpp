#include "engine/page_release.h"

void ReleasingProgress::Step(uint32_t current) {
  inner_.Step(current);
  // Progress counts bytes in hundreds.
  if (current < released_ || current - released_ >= kReleaseInterval / 100) {
    released_ = current;
    Release();
  }
}

void ReleasingProgress::Release() const {
  for (const TempAudioFile* slot : slots_) {
    if (slot == nullptr) continue;
    slot->pcmMap.ReleaseResident();
    slot->peakMap.ReleaseResident();
  }
}
