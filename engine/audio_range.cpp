#include "engine/audio_range.h"

#include <algorithm>
#include <utility>

uint32_t PeakScale::PeakOffset(uint32_t pcmOffset) const {
  if (dataLength == 0) return 0;
  if (pcmOffset >= dataLength) return peakLength;
  // Exact in 64 bits: pcmOffset * peakLength fits, and the quotient is below
  // peakLength.
  auto offset = static_cast<uint32_t>(static_cast<uint64_t>(pcmOffset) * peakLength / dataLength);
  if (entrySize > 0) offset -= offset % entrySize;
  return offset;
}

AudioRange::AudioRange(uint32_t start, uint32_t end, const PeakScale& scale)
    : start_(std::min(start, scale.dataLength)), end_(std::min(end, scale.dataLength)) {
  if (end_ < start_) std::swap(start_, end_);
  peakStart_ = scale.PeakOffset(start_);
  peakEnd_ = scale.PeakOffset(end_);
}

bool AudioRange::FitsScale(const PeakScale& scale) const {
  return start_ <= end_ && end_ <= scale.dataLength && peakStart_ == scale.PeakOffset(start_) &&
         peakEnd_ == scale.PeakOffset(end_);
}
