// The echo, reverb and multi voice effects: delayed, scaled copies of the
// region added onto it with saturation, each with its own preset list.
#pragma once

#include <cstdint>

#include "effects/presets.h"
#include "engine/effect_tool.h"

struct EchoSettings {
  int32_t initialRatioRight = 100;  // percent 0-100: level of the first echo
  int32_t initialRatioLeft = 100;
  int32_t additionalRatioRight = 50;  // percent 0-100: loss per further echo
  int32_t additionalRatioLeft = 50;
  int32_t delayRight = 850;  // milliseconds between echoes
  int32_t delayLeft = 850;
  int32_t applyTo = ENTIRE_FILE;
  int32_t presetCount = kBuiltInPresets;
  int32_t applied = 0;
  int32_t presetsModified = 0;
  int32_t firstOpen = 1;
  int32_t lock = 1;
  PresetTable<EchoPreset> presetTable{};
};

struct ReverbSettings {
  int32_t dryRight = 95;  // percent 0-100: level of the original signal
  int32_t dryLeft = 95;
  int32_t wetRight = 65;  // percent 0-95: level of each further reflection
  int32_t wetLeft = 65;
  int32_t delayRight = 185;  // milliseconds between reflections
  int32_t delayLeft = 185;
  int32_t applyTo = ENTIRE_FILE;
  int32_t presetCount = kBuiltInPresets;
  int32_t applied = 0;
  int32_t presetsModified = 0;
  int32_t lock = 1;
  int32_t firstOpen = 1;
  PresetTable<ReverbPreset> presetTable{};
};

struct MultiVoiceSettings {
  int32_t voices = 2;              // additional voices, 0-10
  int32_t initialRatioRight = 45;  // percent 0-100: level of the initial voice
  int32_t initialRatioLeft = 45;
  int32_t wetRight = 60;  // percent 0-100: level of every additional voice
  int32_t wetLeft = 60;
  int32_t delayRight = 45;  // milliseconds between voices
  int32_t delayLeft = 45;
  int32_t applyTo = ENTIRE_FILE;
  int32_t presetCount = kBuiltInPresets;
  int32_t applied = 0;
  int32_t presetsModified = 0;
  int32_t firstOpen = 1;
  int32_t lock = 1;
  PresetTable<MultiVoicePreset> presetTable{};
};

class EchoTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  EchoSettings settings;
};

class ReverbTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  ReverbSettings settings;
};

class MultiVoiceTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  MultiVoiceSettings settings;
};

// Number of passes of an echo: the dry pass plus one per echo level above 1,
// the levels starting at the initial ratios and falling by the additional
// ratios (level := GainScale(level, 100 - additional)).
int EchoPassCount(int32_t initialLeft, int32_t initialRight, int32_t additionalLeft,
                  int32_t additionalRight);

// Number of passes of a reverb: the dry pass plus one per reflection level
// above 1, the levels starting at the wet ratios and falling geometrically
// (level := GainScale(level, wet)).
int ReverbPassCount(int32_t wetLeft, int32_t wetRight);
