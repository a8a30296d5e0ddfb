// The level meters' arithmetic: signal peaks of a block of audio turned into
// the bar heights (9...109 pixels) that the level-meter panel draws.
#pragma once

#include <cstdint>

// Meter height for each level index 0...99; the curve rises steeply at low
// levels so that quiet signals still light part of the bar.
extern const int16_t kLevelMeterTable[100];

struct MeterPeaks {
  int32_t left = 0;  // largest magnitude seen on each side
  int32_t right = 0;
};

struct MeterHeights {
  int left = 0;
  int right = 0;
  bool operator==(const MeterHeights&) const = default;
};

// Scans `data` from `start` in steps of 4 bytes, at most `size` bytes, while
// start + offset + 4 stays below `limit` (the total length of the audio).
// Each step takes two samples: for 16-bit audio the signed values at offsets
// 0 and 2, for 8-bit audio the bytes at offsets 0 and 1 less 128.
MeterPeaks ScanMeterPeaks(const uint8_t* data, uint64_t start, uint64_t limit, uint32_t size,
                          int bitsPerSample);

// Level index 0...99 of a peak: peak / 32768 x 99 for 16-bit audio,
// peak / 128 x 99 for 8-bit audio, truncated.
int MeterLevelIndex(int32_t peak, int bitsPerSample);

// Bar heights of both sides; a mono document shows the louder side on both.
MeterHeights MeterHeightsOf(const MeterPeaks& peaks, int bitsPerSample, int channels);

// The input monitor's meter: 8-bit stereo, every frame of `size` bytes.
MeterHeights MonitorMeterHeights(const uint8_t* data, uint32_t size);
