#include "gui/view/quality_panel.h"

#include <QPainter>

#include "gui/editor_images.h"
#include "gui/view/color_label.h"
#include "resources/control_ids.h"

namespace {

CColorLabel* MakeField(QWidget* parent, int id, int y) {
  auto* field = new CColorLabel(parent);
  field->setObjectName(QString::number(id));
  field->SetFont(10);
  field->SetTextColor(QColor(0, 172, 0));
  field->SetBackgroundColor(Qt::black);
  field->setAlignment(Qt::AlignCenter);
  field->setGeometry(68, y, 64, 15);
  return field;
}

}  // namespace

CQualityPanel::CQualityPanel(QWidget* owner) : CFloatingPanel(owner, "Audio Quality", 97) {
  setObjectName(QString::number(ids::IDD_QUALITY_PANEL));
  const QColor face = images::ButtonFace();
  frequency_ = images::Recolored(images::TextLabel("Frequency:", 56, 10), face);
  resolution_ = images::Recolored(images::TextLabel("Resolution:", 56, 10), face);
  channelsLabel_ = images::Recolored(images::TextLabel("Channels:", 50, 10), face);
  rate_ = MakeField(this, ids::IDC_SAMPLE_RATE, 24);
  bits_ = MakeField(this, ids::IDC_BITS, 46);
  channels_ = MakeField(this, ids::IDC_CHANNELS, 67);
}

void CQualityPanel::SetTexts(const QString& rate, const QString& channels, const QString& bits) {
  rate_->setText(rate);
  channels_->setText(channels);
  bits_->setText(bits);
}

CColorLabel* CQualityPanel::Field(int id) const {
  return id == ids::IDC_SAMPLE_RATE ? rate_ : id == ids::IDC_BITS ? bits_ : channels_;
}

void CQualityPanel::paintEvent(QPaintEvent* event) {
  CFloatingPanel::paintEvent(event);
  QPainter p(this);
  p.drawImage(8, 27, frequency_);
  p.drawImage(8, 49, resolution_);
  p.drawImage(8, 70, channelsLabel_);
}
