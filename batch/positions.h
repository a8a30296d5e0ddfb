// Positions in the batch tool's select and view commands, and how they land
// in the document: the same byte and peak offsets the waveform view's mouse,
// zoom and scroll produce.
#pragma once

#include <cstdint>
#include <string>

class CEditorDoc;

// A position written as bytes ("88200") or as a time with a unit ("1.5s",
// "250ms"), for audio of `bytesPerSecond` bytes per second in frames of
// `blockAlign` bytes: rounded down to a whole frame, and kept within
// 0 ... `dataLength`. false with `error` set for text that is neither.
bool ParsePosition(const std::string& text, uint64_t bytesPerSecond, uint32_t blockAlign,
                   uint32_t dataLength, uint32_t* bytes, std::string* error);

// True when `text` is written the way ParsePosition reads it, whatever the
// document it will apply to.
bool IsPositionText(const std::string& text);

// The selection as a drag from `start` to `end` leaves it (either order):
// PCM offsets, the play position at its start, and the peak offsets mapped
// in proportion to the two lengths, as the view maps them.
void ApplySelection(CEditorDoc& doc, uint32_t start, uint32_t end);

// The visible range as zoom and scroll leave it, with its peak offsets.
void ApplyView(CEditorDoc& doc, uint32_t start, uint32_t end);
