// Adjust Volume Levels and Fade In/Out: percentage gains per channel with
// wrap-around (no saturation) of results beyond the sample range.
#pragma once

#include <cstdint>

#include "engine/effect_tool.h"

struct VolumeSettings {
  uint32_t rightGain = 100;  // percent 0-300
  uint32_t leftGain = 100;   // percent 0-300; mono documents use this one
  int32_t applyTo = ENTIRE_FILE;
  int32_t applied = 0;
  int32_t lockState = LOCKED;
  int32_t firstOpen = 1;
};

struct FadeSettings {
  uint32_t startRight = 100;  // percent 0-300 at the region's start
  uint32_t startLeft = 100;
  uint32_t endRight = 0;  // percent 0-300 reached at the region's end
  uint32_t endLeft = 0;
  int32_t applyTo = ENTIRE_FILE;
  int32_t applied = 0;
  int32_t firstOpen = 1;
  int32_t lockState = LOCKED;
};

class VolumeTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  VolumeSettings settings;
};

class FadeTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  FadeSettings settings;
};

// The gain of a fade at destination offset `pos` of a region of `length`
// bytes: moves from `start` toward `end` in proportion to pos / length,
// truncated toward zero, reaching `end` only at pos = length.
int32_t FadeGain(uint32_t start, uint32_t end, uint32_t pos, uint32_t length);
