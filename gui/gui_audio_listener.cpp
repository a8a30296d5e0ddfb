#include "gui/gui_audio_listener.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "app/editor_app.h"
#include "app/view_math.h"
#include "audio/audio_engine.h"
#include "engine/editor_doc.h"
#include "gui/dialogs/recording_dialog.h"
#include "gui/doc_template.h"
#include "gui/main_frame.h"
#include "gui/view/editor_view.h"
#include "gui/view/levels_panel.h"
#include "gui/view/position_bar.h"

GuiAudioListener::GuiAudioListener(CEditorApp& app, CMainFrame& frame)
    : app_(app), frame_(frame), shownPlayState_(app.PlaybackState()) {}

void GuiAudioListener::Post() {
  // One queued call covers every report made before it runs.
  if (!flushPosted_.exchange(true)) {
    QMetaObject::invokeMethod(this, &GuiAudioListener::Flush, Qt::QueuedConnection);
  }
}

void GuiAudioListener::PlayCursor(uint32_t position, int mode) {
  const uint64_t packed = (static_cast<uint64_t>(position) << 32) | static_cast<uint32_t>(mode);
  cursor_.store(packed);
  cursorDirty_.store(true);
  Post();
}

void GuiAudioListener::PlayCursorForgotten() {
  // Removing the cursor's column is harmless when it is already gone, and
  // it cannot leave a line behind when this overtakes a pending draw.
  PlayCursor(0, kPlayCursorRemove);
}

void GuiAudioListener::PlayPosition(uint32_t position) {
  // While playing the engine reports the time played; its last report, at
  // the end of the drain, is the start the playback began from. The user
  // may have moved the selection meanwhile (a click stops playback), so
  // that one is shown as the selection start the interface thread knows.
  const bool ended = app_.PlaybackState() != PLAY_PLAYING;
  position_.store((static_cast<uint64_t>(ended) << 32) | position);
  positionDirty_.store(true);
  Post();
}

bool GuiAudioListener::LevelPanelOpen() {
  return frame_.LevelPanelOpen();
}

void GuiAudioListener::SetLevels(int left, int right) {
  levels_.store((static_cast<uint32_t>(left & 0xFFFF) << 16) |
                static_cast<uint32_t>(right & 0xFFFF));
  levelsDirty_.store(true);
  Post();
}

void GuiAudioListener::Flush() {
  // Cleared first: a report arriving while this runs posts a new call.
  flushPosted_.store(false);
  CEditorView* view = CEditorView::Active();
  if (cursorDirty_.exchange(false) && view != nullptr) {
    const uint64_t packed = cursor_.load();
    const uint32_t position = static_cast<uint32_t>(packed >> 32);
    const int mode = static_cast<int>(packed & 0xFFFFFFFFu);
    // The cursor is drawn only while its position is inside the view,
    // against the view as it is now.
    const CEditorDoc& doc = view->Document();
    if (mode != kPlayCursorDraw) {
      view->DrawPlayCursor(0, 0.0f, mode);
    } else if (doc.View().Start() <= position && position <= doc.View().End()) {
      const uint32_t width = doc.View().Length();
      const float fraction = width == 0 ? 0.0f
                                        : static_cast<float>(position - doc.View().Start()) /
                                              static_cast<float>(width);
      view->DrawPlayCursor(0, fraction < 0 ? 0.0f : fraction, mode);
    }
  }
  if (positionDirty_.exchange(false)) {
    const CEditorDoc* doc = app_.ActiveDocument();
    if (doc != nullptr && frame_.PositionBar() != nullptr) {
      const uint64_t report = position_.load();
      const uint32_t position =
          (report >> 32) != 0 ? doc->Selection().Start() : static_cast<uint32_t>(report);
      frame_.PositionBar()->SetStart(
          QString::fromStdString(view::FormatTime(position, doc->bytesPerSecond)));
    }
  }
  if (levelsDirty_.exchange(false)) {
    const uint32_t levels = levels_.load();
    if (CLevelsPanel* panel = frame_.LevelsPanel()) {
      panel->SetLevels(static_cast<int>(levels >> 16), static_cast<int>(levels & 0xFFFF));
    }
  }
  // The end of a playback is noticed here, so the commands come back at
  // once rather than at the next timer tick.
  const PlayState play = app_.PlaybackState();
  if (play != shownPlayState_) {
    shownPlayState_ = play;
    frame_.UpdateCommandUI();
  }
}

bool GuiAudioListener::NewDocument() {
  return frame_.Template().NewDocument() != nullptr && app_.ActiveDocument() != nullptr;
}

void GuiAudioListener::RunRecordingDialog(AudioEngine& engine) {
  RecordingDialog dialog(engine, &frame_);
  dialog.exec();
}

void GuiAudioListener::GreyToolbar(bool greyed) {
  if (greyed) {
    frame_.GreyToolbarButtons();
  } else {
    frame_.RestoreToolbarButtons();
  }
}

void GuiAudioListener::InvalidateView() {
  if (CEditorView* view = CEditorView::Active()) {
    view->UpdateScrollBar();
    view->Invalidate();
  }
}

void GuiAudioListener::MonitorSwitchedOff() {
  if (CLevelsPanel* panel = frame_.LevelsPanel()) panel->MonitorSwitchedOff();
}

void GuiAudioListener::WhileWaiting() {
  QCoreApplication* qt = QCoreApplication::instance();
  if (qt != nullptr && QThread::currentThread() == qt->thread()) {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
}

void ConnectTransport(CEditorApp& /*app*/, CMainFrame& frame, AudioEngine& engine) {
  TransportHooks hooks;
  hooks.play = [&engine](CEditorDoc& /*doc*/, bool looped) { engine.OnPlay(looped); };
  hooks.record = [&engine](CEditorDoc* /*doc*/) { engine.OnRecord(); };
  hooks.stop = [&engine] { engine.RequestStop(); };
  hooks.monitorRefused = [&engine] { return engine.MonitorRefused(); };
  hooks.startMonitoring = [&engine, &frame] {
    if (!engine.MonitorStart()) {
      // The panel marks itself monitoring once this returns; the failure
      // ("Monitor Failed" was shown) turns the toggle off again after that.
      QTimer::singleShot(0, &frame, [&frame] {
        if (CLevelsPanel* panel = frame.LevelsPanel()) panel->MonitorSwitchedOff();
      });
    }
  };
  hooks.stopMonitoring = [&engine] {
    // Closing a device that is not open would only report a bad handle.
    if (engine.RecordState() == RECORD_MONITORING) engine.MonitorStop();
  };
  frame.SetTransportHooks(std::move(hooks));
}

void StopPlaybackAndWait(CEditorApp& app) {
  if (AudioEngine* engine = app.Audio()) engine->StopAndWait();
}
