// What the effect driver needs of a tool: where it applies, and the routine
// that processes that range. The document owns one instance of every tool
// for its whole life, so a tool's settings persist between uses.
#pragma once

#include <cstdint>

#include "engine/op_codes.h"

class CEditorDoc;
class Progress;

// Dialog codes shared by the tools.
inline constexpr int LOCKED = 146;
inline constexpr int UNLOCKED = 147;
inline constexpr int ENTIRE_FILE = 149;
inline constexpr int SELECTED_AREA = 150;

// The channels a channel tool works on, as its dialog's boxes give them.
enum class ChannelSet : int32_t {
  NO_CHANNEL = 0,  // neither box checked
  LEFT_CHANNEL = 158,
  RIGHT_CHANNEL = 159,
  BOTH_CHANNELS = 160,
};
using enum ChannelSet;

class EffectTool {
 public:
  virtual ~EffectTool() = default;

  // ENTIRE_FILE or SELECTED_AREA, as the tool was last applied.
  virtual int Scope() const = 0;

  // Processes the range of the document's working audio (mapped for reading)
  // that Scope() names into the application's scratch slot B: B's pcmLength
  // is the range's length, B's format the document's, B's PCM and its freshly
  // built peak file end up mapped for reading. Polls progress.IsCancelled().
  // OP_DONE, OP_CANCELLED, or OP_FAILED after its own message.
  // Mix paste and change quality have contracts of their own (see their
  // operations in the document).
  virtual OpResult PerformAction(CEditorDoc& doc, Progress& progress) = 0;
};
