// Mix paste: the clipboard added to the document from the selection start,
// each side scaled by its own per-channel level, with wrap-around.
#pragma once

#include <cstdint>

#include "engine/effect_tool.h"
#include "engine/temp_audio_file.h"

struct MixPasteSettings {
  uint32_t documentRight = 100;  // percent 0-300
  uint32_t documentLeft = 100;   // mono documents use the left levels
  uint32_t clipboardRight = 100;
  uint32_t clipboardLeft = 100;
  int32_t applyTo = ENTIRE_FILE;  // set to ENTIRE_FILE by Apply
  int32_t applied = 0;
  int32_t firstOpen = 1;
  int32_t lock = 1;  // LOCKED or UNLOCKED after the first slider move
};

class MixPasteTool : public EffectTool {
 public:
  int Scope() const override { return settings.applyTo; }
  // Mixes the clipboard (when it has the document's format) or scratch slot
  // A (the clipboard converted to the document's format by the driver) with
  // the working audio from the selection start into scratch slot B, which
  // gets the source's length, the document's format and its peak file.
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  // The same with the source named.
  OpResult MixFrom(CEditorDoc& doc, TempAudioFile* source, Progress& progress);
  MixPasteSettings settings;
};
