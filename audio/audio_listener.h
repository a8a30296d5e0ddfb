// Where playback and recording meet the windows. The engines call these
// from the audio devices' threads (marked "device thread") or from the
// thread that called the engine (the interface thread in the editor). The
// editor's implementation posts the device-thread calls to the interface
// thread and never blocks in them; the batch tool and the tests implement
// only what they need. Every method has a do-nothing default.
#pragma once

#include <cstdint>

class AudioEngine;

// The play cursor's modes.
inline constexpr int kPlayCursorDraw = 2;
inline constexpr int kPlayCursorRemove = 3;

class AudioListener {
 public:
  virtual ~AudioListener() = default;

  // --- device thread ---
  // The play cursor: kPlayCursorDraw draws it at `position` (a byte offset
  // into the document's audio; the window places it against its own view
  // and draws nothing while the position is outside it), kPlayCursorRemove
  // removes it.
  virtual void PlayCursor(uint32_t /*position*/, int /*mode*/) {}
  // The view no longer has a play cursor drawn (its remembered column -1).
  virtual void PlayCursorForgotten() {}
  // The play position (a byte offset into the document's audio) for the
  // position bar's start field; the view turns it into time text.
  virtual void PlayPosition(uint32_t /*position*/) {}
  // Whether the level-meter panel is open. Read on every step, so it must
  // be cheap and safe from any thread (an atomic flag).
  virtual bool LevelPanelOpen() { return false; }
  // Both bars of the level-meter panel, 0...109 pixels.
  virtual void SetLevels(int /*left*/, int /*right*/) {}

  // --- calling thread ---
  // The framework's new-document path (the user picks the format of the new
  // file); false when no document was made. The new document is active.
  virtual bool NewDocument() { return false; }
  // The Recording Audio dialog, modal until its Stop button is pressed.
  virtual void RunRecordingDialog(AudioEngine& /*engine*/) {}
  // The main frame greys (true) or restores (false) its toolbar buttons.
  virtual void GreyToolbar(bool /*greyed*/) {}
  // The active view redraws.
  virtual void InvalidateView() {}
  // The level-meter panel's Monitor Input toggle was switched off because
  // playback or recording took the input monitor's place; the panel clears
  // its flag and redraws.
  virtual void MonitorSwitchedOff() {}
  // Called now and then while the calling thread waits for a device thread
  // to finish a stop; the editor handles its pending events here, since a
  // device thread may be waiting for a message box on that thread.
  virtual void WhileWaiting() {}
};
