// Mute, Reverse, Swap Left/Right Channels and Copy Channel: tools that move
// or silence samples without arithmetic.
#pragma once

#include <cstdint>

#include "engine/effect_tool.h"
#include "engine/op_codes.h"

struct MuteSettings {
  int32_t applyTo = ENTIRE_FILE;
  ChannelSet channelChoice =
      BOTH_CHANNELS;  // LEFT_CHANNEL, RIGHT_CHANNEL, BOTH_CHANNELS or 0 (none)
  int32_t applied = 0;
};

struct ReverseSettings {
  int32_t applyTo = ENTIRE_FILE;
  ChannelSet channelChoice =
      BOTH_CHANNELS;  // LEFT_CHANNEL, RIGHT_CHANNEL, BOTH_CHANNELS or 0 (none)
  int32_t applied = 0;
};

struct SwapSettings {
  int32_t applyTo = ENTIRE_FILE;
  int32_t applied = 0;
};

struct CopyChannelSettings {
  int32_t applyTo = ENTIRE_FILE;
  ChannelSet channelChoice = LEFT_CHANNEL;  // the channel copied onto the other one
  int32_t applied = 0;
};

class MuteTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  MuteSettings settings;
};

class ReverseTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  ReverseSettings settings;
};

class SwapTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  SwapSettings settings;
};

class CopyChannelTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  CopyChannelSettings settings;
};
