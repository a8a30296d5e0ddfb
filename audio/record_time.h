// What the Recording Audio dialog shows, as plain functions: the elapsed
// time of the recording and the animation frame of each timer tick.
#pragma once

#include <cstdint>
#include <string>

// Timer period of the dialog, in milliseconds.
inline constexpr int kRecordTimerMs = 97;

// Animation pictures, shown in turn.
inline constexpr int kRecordFrameFirst = 235;
inline constexpr int kRecordFrameCount = 3;

// "MM:SS.mmm" of the recorded bytes, with leading zeros ("00:05.250" for
// 5.25 seconds). Minutes above 100 show as 99.
std::string RecordTimeText(int64_t recordedBytes, int64_t bytesPerSecond);

// Picture 235, 236 or 237 for the tick count.
int RecordAnimationFrame(uint32_t tick);
