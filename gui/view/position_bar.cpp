#include "gui/view/position_bar.h"

#include <QPainter>

#include "gui/editor_images.h"
#include "gui/view/color_label.h"
#include "resources/control_ids.h"

namespace {

CColorLabel* MakeField(QWidget* parent, int id, const QRect& geometry) {
  auto* field = new CColorLabel(parent);
  field->setObjectName(QString::number(id));
  field->SetFont(11);
  field->SetTextColor(QColor(0, 172, 0));
  field->SetBackgroundColor(Qt::black);
  field->setText("00:00.000");
  field->setAlignment(Qt::AlignCenter);
  field->setGeometry(geometry);
  return field;
}

}  // namespace

CPositionBar::CPositionBar(QWidget* parent) : QWidget(parent) {
  setObjectName(QString::number(ids::IDD_POSITION_BAR));
  setFixedSize(220, 42);
  const QColor face = images::ButtonFace();
  startLabel_ = images::Recolored(images::TextLabel("Start Time:", 51, 8), face);
  endLabel_ = images::Recolored(images::TextLabel("End Time:", 51, 8), face);
  lengthLabel_ = images::Recolored(images::TextLabel("Total Length:", 62, 11), face);
  start_ = MakeField(this, ids::IDC_START_TIME, QRect(6, 19, 66, 17));
  end_ = MakeField(this, ids::IDC_END_TIME, QRect(78, 19, 64, 17));
  length_ = MakeField(this, ids::IDC_TOTAL_LENGTH, QRect(146, 19, 68, 17));
}

void CPositionBar::SetStart(const QString& text) {
  start_->setText(text);
}
void CPositionBar::SetEnd(const QString& text) {
  end_->setText(text);
}
void CPositionBar::SetLength(const QString& text) {
  length_->setText(text);
}

CColorLabel* CPositionBar::Field(int id) const {
  return id == ids::IDC_START_TIME ? start_ : id == ids::IDC_END_TIME ? end_ : length_;
}

void CPositionBar::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter p(this);
  p.drawImage(6, 7, startLabel_);
  p.drawImage(78, 7, endLabel_);
  p.drawImage(146, 6, lengthLabel_);
}
