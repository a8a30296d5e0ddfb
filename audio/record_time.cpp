#include "audio/record_time.h"

#include <algorithm>
#include <cstdio>

std::string RecordTimeText(int64_t recordedBytes, int64_t bytesPerSecond) {
  const double x = bytesPerSecond > 0
                       ? static_cast<double>(recordedBytes) / static_cast<double>(bytesPerSecond)
                       : 0.0;
  const int s = static_cast<int>(x);
  // The factor is a little above 1/60, so just below a whole minute the
  // product can reach the next minute while the seconds have not; the
  // minutes never run ahead of the seconds.
  const int m = std::min(static_cast<int>(x * 0.016666668), s / 60);
  char text[48];
  std::snprintf(text, sizeof(text), "%2d:%2d.%3d", m > 100 ? 99 : m, s - 60 * m,
                static_cast<int>((x - s) * 1000));
  std::string result(text);
  std::replace(result.begin(), result.end(), ' ', '0');
  return result;
}

int RecordAnimationFrame(uint32_t tick) {
  return kRecordFrameFirst + static_cast<int>(tick % kRecordFrameCount);
}
