#include "engine/progress.h"

void PercentProgress::SetTotal(uint32_t total) {
  total_ = total;
  current_ = 0;
}

void PercentProgress::Step(uint32_t current) {
  current_ = current;
  PumpEvents();
  // An operation that never announced its work still gets a sensible bar.
  if (total_ == 0) total_ = 1;
  const int percent =
      static_cast<int>(static_cast<double>(current_) / static_cast<double>(total_) * 100.0);
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  OnPercentChanged(percent);
}

void PercentProgress::ResetCounters() {
  total_ = 0;
  current_ = 0;
  lastPercent_ = 0;
}
