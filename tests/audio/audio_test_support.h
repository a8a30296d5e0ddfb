// Documents and a recording listener for the playback and recording tests.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "engine/editor_doc.h"
#include "tests/support/test_app.h"

// A document holding `pcm` in `format`, opened from a WAV file.
std::unique_ptr<CEditorDoc> OpenAudio(TestApp& t, const AudioFormat& format,
                                      const std::string& pcm);
// Bytes whose values follow a pattern that never repeats within 251 bytes
// and never holds silence runs, so a misplaced byte shows.
std::string Pattern(size_t length, int seed = 0);

// Records what the engine tells the windows; safe from any thread.
class TestListener : public AudioListener {
 public:
  void PlayCursor(uint32_t position, int mode) override;
  void PlayCursorForgotten() override { ++forgotten; }
  void PlayPosition(uint32_t position) override;
  bool LevelPanelOpen() override { return panelOpen.load(); }
  void SetLevels(int left, int right) override;
  bool NewDocument() override { return newDocument ? newDocument() : false; }
  void RunRecordingDialog(AudioEngine& engine) override {
    ++dialogs;
    if (recordingDialog) recordingDialog(engine);
  }
  void GreyToolbar(bool greyed) override { (greyed ? greyed_ : restored_)++; }
  void MonitorSwitchedOff() override { ++monitorOff; }

  struct Cursor {
    uint32_t position;
    int mode;
  };
  std::vector<Cursor> Cursors();
  std::vector<std::pair<int, int>> Levels();

  std::atomic<bool> panelOpen{false};
  std::atomic<int> positions{0};
  std::atomic<int> forgotten{0};
  std::atomic<int> dialogs{0};
  std::atomic<int> monitorOff{0};
  std::atomic<int> greyed_{0};
  std::atomic<int> restored_{0};
  // Runs on the device thread at every play position step (the count so far).
  std::function<void(int count)> onPosition;
  std::function<bool()> newDocument;
  std::function<void(AudioEngine&)> recordingDialog;

 private:
  std::mutex mutex_;
  std::vector<Cursor> cursors_;
  std::vector<std::pair<int, int>> levels_;
};
