// Audio quality choices: the format of a new empty file, and Change Current
// Audio Quality, which converts the whole document into a chosen format.
#pragma once

#include <cstdint>

#include "engine/effect_tool.h"

// The New File Audio Quality choice.
struct NewFileQualitySettings {
  int32_t channels = 2;
  int32_t sampleRate = 44100;
  int32_t bitsPerSample = 16;
};

struct ChangeQualitySettings {
  int16_t newChannels = 2;
  int16_t newBitsPerSample = 16;
  int32_t newSampleRate = 44100;
  int32_t applied = 0;
};

class ChangeQualityTool : public EffectTool {
 public:
  int Scope() const override { return ENTIRE_FILE; }
  // Converts the whole working audio into scratch slot B in the chosen
  // format with its peak file, and leaves both of B's files unmapped so that
  // B can be moved over the working slot.
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  ChangeQualitySettings settings;
};
