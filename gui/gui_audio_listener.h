// Where playback and recording meet the editor's windows. The audio
// devices' threads never touch a widget: what they report (play cursor,
// play position, meter heights) is kept as the latest value in atomics and
// applied on the interface thread by one queued call, so a burst of
// notifications costs one repaint and never blocks the device thread. The
// calls the engine makes on the interface thread (new document, the
// Recording Audio dialog, greying, redraws) act at once.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>

#include "audio/audio_listener.h"
#include "audio/audio_state.h"

class AudioEngine;
class CEditorApp;
class CMainFrame;

class GuiAudioListener : public QObject, public AudioListener {
  Q_OBJECT

 public:
  GuiAudioListener(CEditorApp& app, CMainFrame& frame);

  // --- device thread ---
  void PlayCursor(uint32_t position, int mode) override;
  void PlayCursorForgotten() override;
  void PlayPosition(uint32_t position) override;
  bool LevelPanelOpen() override;
  void SetLevels(int left, int right) override;

  // --- interface thread ---
  bool NewDocument() override;
  void RunRecordingDialog(AudioEngine& engine) override;
  void GreyToolbar(bool greyed) override;
  void InvalidateView() override;
  void MonitorSwitchedOff() override;
  void WhileWaiting() override;

  // Applies what the device threads reported since the last time. Runs
  // from the event loop; tests may call it directly.
  void Flush();

 private:
  void Post();

  CEditorApp& app_;
  CMainFrame& frame_;
  std::atomic<bool> flushPosted_{false};
  // Cursor: the position in the high half, the mode in the low half, so a
  // reader never pairs a position with another call's mode.
  std::atomic<uint64_t> cursor_{0};
  std::atomic<bool> cursorDirty_{false};
  // The position in the low half; bit 32 marks the report that ends a
  // playback, which stands for the document's selection start.
  std::atomic<uint64_t> position_{0};
  std::atomic<bool> positionDirty_{false};
  // Left height in the high half, right in the low half.
  std::atomic<uint32_t> levels_{0};
  std::atomic<bool> levelsDirty_{false};
  PlayState shownPlayState_ = PLAY_IDLE;
};

// Connects the main window's transport commands and its Monitor Input
// toggle to the engine.
void ConnectTransport(CEditorApp& app, CMainFrame& frame, AudioEngine& engine);

// Requests the stop of any playback and waits until the device has closed,
// before the windows go. On the interface thread the wait keeps
// dispatching events (WhileWaiting), since a message the device thread
// shows meanwhile is shown here and holds the device thread until it is
// answered. A document's own close waits by itself (StopPlaybackOf).
void StopPlaybackAndWait(CEditorApp& app);
