// A static text with its own colours and font (Arial, weight 600): the value
// fields of the position bar and the format panel.
#pragma once

#include <QColor>
#include <QLabel>

class CColorLabel : public QLabel {
  Q_OBJECT

 public:
  explicit CColorLabel(QWidget* parent = nullptr);
  // Character height in pixels; width 0 lets the font choose.
  void SetFont(int height, int width = 0);
  void SetBackgroundColor(const QColor& colour);
  void SetTextColor(const QColor& colour);
  QColor BackgroundColor() const { return background_; }
  QColor TextColor() const { return text_; }

 private:
  void ApplyColours();
  QColor background_;
  QColor text_{Qt::black};
};
