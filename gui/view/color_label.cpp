#include "gui/view/color_label.h"

#include <QPalette>

#include "gui/editor_images.h"

CColorLabel::CColorLabel(QWidget* parent) : QLabel(parent), background_(images::ButtonFace()) {
  setAutoFillBackground(true);
  ApplyColours();
}

void CColorLabel::SetFont(int height, int width) {
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(height);
  font.setWeight(QFont::DemiBold);
  if (width > 0) font.setStretch(QFont::Unstretched);
  setFont(font);
}

void CColorLabel::SetBackgroundColor(const QColor& colour) {
  background_ = colour;
  ApplyColours();
  repaint();
}

void CColorLabel::SetTextColor(const QColor& colour) {
  text_ = colour;
  ApplyColours();
  repaint();
}

void CColorLabel::ApplyColours() {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, background_);
  palette.setColor(QPalette::WindowText, text_);
  setPalette(palette);
}
