// The position bar at the bottom of the main window: the selection's start
// time (1134), end time (1135) and length (1136), green on black.
#pragma once

#include <QImage>
#include <QWidget>

class CColorLabel;

class CPositionBar : public QWidget {
  Q_OBJECT

 public:
  explicit CPositionBar(QWidget* parent = nullptr);
  void SetStart(const QString& text);
  void SetEnd(const QString& text);
  void SetLength(const QString& text);
  CColorLabel* Field(int id) const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CColorLabel* start_;
  CColorLabel* end_;
  CColorLabel* length_;
  QImage startLabel_, endLabel_, lengthLabel_;
};
