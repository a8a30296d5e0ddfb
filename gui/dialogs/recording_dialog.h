// "Recording Audio": shown modally while the recording runs. A timer of
// 97 ms shows the recorded time and turns a three-picture animation; Stop
// (1016) ends the dialog and so the recording. The time text and the
// picture choice are plain functions in record_time.h; this is only the
// window. Belongs to the editor program, not to editor_core.
#pragma once

#include <QDialog>
#include <QImage>
#include <QTimer>
#include <cstdint>

class AudioEngine;
class CColorLabel;

inline constexpr int IDD_RECORDING = 230;
inline constexpr int IDC_RECORD_TIME = 1135;
inline constexpr int IDC_RECORD_STOP = 1016;

class RecordingDialog : public QDialog {
  Q_OBJECT

 public:
  explicit RecordingDialog(AudioEngine& engine, QWidget* parent = nullptr);
  QString TimeText() const;
  int CurrentFrame() const { return frame_; }
  // One timer tick, as the timer runs it.
  void Tick();

  // The animation pictures (resource 235, 236, 237), 83 x 55, painted on
  // the light grey that is replaced by the button face.
  static QImage AnimationFrame(int resource);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  AudioEngine& engine_;
  CColorLabel* time_;
  QTimer timer_;
  QImage frames_[3];
  uint32_t tick_ = 0;
  int frame_ = 235;
};
