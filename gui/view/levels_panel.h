// The floating level-meter panel, "Audio Levels": two meters lit from the
// bottom to a height of 0...109 pixels, and the Monitor Input toggle (1096).
#pragma once

#include <QImage>
#include <functional>

#include "gui/view/floating_panel.h"

class QPushButton;

class CLevelsPanel : public CFloatingPanel {
  Q_OBJECT

 public:
  explicit CLevelsPanel(QWidget* owner);
  ~CLevelsPanel() override;
  void SetLevels(int left, int right);
  bool Monitoring() const { return monitoring_; }
  // The monitor was ended elsewhere (playback or recording needed the
  // input, or it failed to start): the toggle and the meters go back to off.
  void MonitorSwitchedOff();
  QPushButton* MonitorButton() const { return monitor_; }

  // Whether playback or recording runs (the toggle is refused then), and
  // the monitor itself; the recording engine provides them.
  std::function<bool()> busy;
  std::function<void()> startMonitoring;
  std::function<void()> stopMonitoring;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void BeforeClose() override;
  // The panel is deleted only later; the monitor stops when it closes.
  void closeEvent(QCloseEvent* event) override;

 private:
  void OnMonitorClicked();
  void StopMonitor();

  QPushButton* monitor_;
  bool monitoring_ = false;
  QImage meters_;  // the panel's meter area, drawn off screen then copied
  QImage background_, lit_, scale_;
};
