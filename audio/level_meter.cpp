#include "audio/level_meter.h"

#include <algorithm>
#include <cstdlib>

const int16_t kLevelMeterTable[100] = {
    0,  15, 23, 30, 34, 38, 42, 45, 47, 50, 52, 53, 55, 57, 58, 60, 61, 62, 63, 65,
    66, 67, 68, 69, 69, 70, 71, 72, 73, 73, 74, 75, 75, 76, 77, 77, 78, 78, 79, 80,
    80, 81, 81, 82, 82, 83, 83, 84, 84, 84, 85, 85, 86, 86, 87, 87, 87, 88, 88, 88,
    89, 89, 89, 90, 90, 90, 91, 91, 91, 92, 92, 92, 93, 93, 93, 94, 94, 94, 94, 95,
    95, 95, 95, 96, 96, 96, 96, 97, 97, 97, 97, 98, 98, 98, 98, 99, 99, 99, 99, 100};

namespace {

// The bars sit 9 pixels above the bottom of the meter at level 0.
constexpr int kMeterBase = 9;

int32_t Sample16(const uint8_t* p) {
  return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

}  // namespace

MeterPeaks ScanMeterPeaks(const uint8_t* data, uint64_t start, uint64_t limit, uint32_t size,
                          int bitsPerSample) {
  MeterPeaks peaks;
  if (data == nullptr) return peaks;
  for (uint64_t offset = 0; offset < size && start + offset + 4 < limit; offset += 4) {
    const uint8_t* step = data + start + offset;
    int32_t left, right;
    if (bitsPerSample == 16) {
      left = std::abs(Sample16(step));
      right = std::abs(Sample16(step + 2));
    } else {
      left = std::abs(static_cast<int32_t>(step[0]) - 128);
      right = std::abs(static_cast<int32_t>(step[1]) - 128);
    }
    peaks.left = std::max(peaks.left, left);
    peaks.right = std::max(peaks.right, right);
  }
  return peaks;
}

int MeterLevelIndex(int32_t peak, int bitsPerSample) {
  const double full = bitsPerSample == 16 ? 32768.0 : 128.0;
  const int index = static_cast<int>(static_cast<double>(peak) / full * 99.0);
  return std::clamp(index, 0, 99);
}

MeterHeights MeterHeightsOf(const MeterPeaks& peaks, int bitsPerSample, int channels) {
  int left = MeterLevelIndex(peaks.left, bitsPerSample);
  int right = MeterLevelIndex(peaks.right, bitsPerSample);
  if (channels == 1) left = right = std::max(left, right);
  return {kLevelMeterTable[left] + kMeterBase, kLevelMeterTable[right] + kMeterBase};
}

MeterHeights MonitorMeterHeights(const uint8_t* data, uint32_t size) {
  int32_t left = 0, right = 0;
  for (uint32_t offset = 0; offset + 1 < size; offset += 2) {
    left = std::max(left, std::abs(static_cast<int32_t>(data[offset]) - 128));
    right = std::max(right, std::abs(static_cast<int32_t>(data[offset + 1]) - 128));
  }
  const int leftIndex = std::clamp(static_cast<int>(left * (1.0 / 128.0) * 99.0), 0, 99);
  const int rightIndex = std::clamp(static_cast<int>(right * (1.0 / 128.0) * 99.0), 0, 99);
  return {kLevelMeterTable[leftIndex] + kMeterBase, kLevelMeterTable[rightIndex] + kMeterBase};
}
