#include "gui/view/levels_panel.h"

#include <QPainter>
#include <QPushButton>
#include <algorithm>

#include "gui/editor_images.h"
#include "resources/control_ids.h"

namespace {

constexpr int kMeterHeight = 109;
constexpr int kLeftX = 14, kRightX = 94, kMeterY = 30;

}  // namespace

CLevelsPanel::CLevelsPanel(QWidget* owner) : CFloatingPanel(owner, "Audio Levels", 195) {
  setObjectName(QString::number(ids::IDD_LEVELS_PANEL));
  const QColor face = images::ButtonFace();
  background_ = images::MeterBackground();
  lit_ = images::MeterLit();
  scale_ = images::Recolored(images::MeterScale(), face);
  meters_ = QImage(size(), QImage::Format_RGB32);
  meters_.fill(face);
  monitor_ = new QPushButton(this);
  monitor_->setObjectName(QString::number(ids::IDC_MONITOR_INPUT));
  monitor_->setCheckable(true);
  monitor_->setIcon(QPixmap::fromImage(images::Recolored(images::MonitorInput(), face)));
  monitor_->setIconSize(QSize(70, 12));
  monitor_->setGeometry(30, 160, 81, 24);
  monitor_->setFocusPolicy(Qt::NoFocus);
  connect(monitor_, &QPushButton::clicked, this, &CLevelsPanel::OnMonitorClicked);
  SetLevels(0, 0);
}

CLevelsPanel::~CLevelsPanel() {
  StopMonitor();
}

void CLevelsPanel::StopMonitor() {
  if (!monitoring_) return;
  if (stopMonitoring) stopMonitoring();
  monitoring_ = false;
}

void CLevelsPanel::MonitorSwitchedOff() {
  monitoring_ = false;
  monitor_->setChecked(false);
  SetLevels(0, 0);
}

void CLevelsPanel::BeforeClose() {
  StopMonitor();
}

void CLevelsPanel::closeEvent(QCloseEvent* event) {
  StopMonitor();
  CFloatingPanel::closeEvent(event);
}

void CLevelsPanel::SetLevels(int left, int right) {
  left = std::clamp(left, 0, kMeterHeight);
  right = std::clamp(right, 0, kMeterHeight);
  QPainter p(&meters_);
  p.drawImage(kLeftX, kMeterY, background_);
  p.drawImage(kRightX, kMeterY, background_);
  // The lit rows are the bottom part of the lit picture, in place.
  p.drawImage(QPoint(kLeftX, kMeterY + kMeterHeight - left), lit_,
              QRect(0, kMeterHeight - left, 28, left));
  p.drawImage(QPoint(kRightX, kMeterY + kMeterHeight - right), lit_,
              QRect(0, kMeterHeight - right, 28, right));
  p.end();
  update(QRect(kLeftX, kMeterY, 28, kMeterHeight));
  update(QRect(kRightX, kMeterY, 28, kMeterHeight));
}

void CLevelsPanel::paintEvent(QPaintEvent* event) {
  CFloatingPanel::paintEvent(event);
  QPainter p(this);
  p.drawImage(QPoint(kLeftX, kMeterY), meters_, QRect(kLeftX, kMeterY, 28, kMeterHeight));
  p.drawImage(QPoint(kRightX, kMeterY), meters_, QRect(kRightX, kMeterY, 28, kMeterHeight));
  p.drawImage(44, 34, scale_);
}

void CLevelsPanel::OnMonitorClicked() {
  if (busy && busy()) {
    monitor_->setChecked(false);
  } else if (monitoring_) {
    StopMonitor();
    SetLevels(0, 0);
    monitor_->setChecked(false);
  } else {
    if (startMonitoring) startMonitoring();
    monitoring_ = true;
    monitor_->setChecked(true);
  }
  if (returnFocus) returnFocus();
}
