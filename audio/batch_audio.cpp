#include "audio/batch_audio.h"

#include <chrono>
#include <thread>

#include "audio/audio_engine.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/message.h"

namespace {

// Stands in for the Recording Audio dialog: "Stop" is pressed after the
// given time. Everything else goes on to the listener the engine had.
class TimedRecording : public AudioListener {
 public:
  TimedRecording(AudioListener& inner, double seconds) : inner_(inner), seconds_(seconds) {}
  void PlayCursor(uint32_t position, int mode) override { inner_.PlayCursor(position, mode); }
  void PlayCursorForgotten() override { inner_.PlayCursorForgotten(); }
  void PlayPosition(uint32_t position) override { inner_.PlayPosition(position); }
  bool LevelPanelOpen() override { return inner_.LevelPanelOpen(); }
  void SetLevels(int left, int right) override { inner_.SetLevels(left, right); }
  void GreyToolbar(bool greyed) override { inner_.GreyToolbar(greyed); }
  void InvalidateView() override { inner_.InvalidateView(); }
  void MonitorSwitchedOff() override { inner_.MonitorSwitchedOff(); }
  void WhileWaiting() override { inner_.WhileWaiting(); }
  void RunRecordingDialog(AudioEngine& /*engine*/) override {
    ran = true;
    if (seconds_ > 0) std::this_thread::sleep_for(std::chrono::duration<double>(seconds_));
  }
  bool ran = false;

 private:
  AudioListener& inner_;
  double seconds_;
};

bool NoEngine() {
  platform::ShowMessage("Sorry, audio playback and recording are not available.");
  return true;
}

}  // namespace

OpResult PlaySelectionAndWait(AudioEngine& engine, CEditorDoc& doc) {
  AudioHost& host = engine.Host();
  host.SetActiveDocument(&doc);
  if (host.ActiveDocument() != &doc) return OP_FAILED;
  if (engine.PlayState() != PLAY_IDLE) return OP_FAILED;
  if (engine.RecordState() == RECORD_MONITORING) {
    engine.MonitorStop();
    engine.Listener().MonitorSwitchedOff();
  }
  if (!engine.Start(false)) return OP_FAILED;
  engine.WaitUntilStopped();
  return OP_DONE;
}

OpResult PlaySelectionAndWait(CEditorDoc& doc) {
  AudioEngine* engine = TheAudioEngine();
  if (engine == nullptr && NoEngine()) return OP_FAILED;
  return PlaySelectionAndWait(*engine, doc);
}

OpResult RecordForSeconds(AudioEngine& engine, CEditorDoc& doc, double seconds) {
  AudioHost& host = engine.Host();
  host.SetActiveDocument(&doc);
  if (host.ActiveDocument() != &doc) return OP_FAILED;
  AudioListener& previous = engine.Listener();
  TimedRecording timed(previous, seconds);
  engine.SetListener(&timed);
  engine.OnRecord();
  engine.SetListener(&previous);
  return timed.ran && doc.LastResult() != OP_FAILED ? OP_DONE : OP_FAILED;
}

OpResult RecordForSeconds(CEditorDoc& doc, double seconds) {
  AudioEngine* engine = TheAudioEngine();
  if (engine == nullptr && NoEngine()) return OP_FAILED;
  return RecordForSeconds(*engine, doc, seconds);
}
