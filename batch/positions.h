// Positions in the batch tool's select and view commands: byte offsets or
// times, read the same way for either command.
#pragma once

#include <cstdint>
#include <string>

// A position written as bytes ("88200") or as a time with a unit ("1.5s",
// "250ms"), for audio of `bytesPerSecond` bytes per second in frames of
// `blockAlign` bytes: rounded down to a whole frame, and kept within
// 0 ... `dataLength`. false with `error` set for text that is neither.
bool ParsePosition(const std::string& text, uint64_t bytesPerSecond, uint32_t blockAlign,
                   uint32_t dataLength, uint32_t* bytes, std::string* error);

// True when `text` is written the way ParsePosition reads it, whatever the
// document it will apply to.
bool IsPositionText(const std::string& text);
