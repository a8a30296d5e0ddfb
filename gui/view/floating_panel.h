// What the two floating panels share: no caption of their own, a painted
// title whose close mark closes the panel, and the keyboard focus handed
// back to the main window after every click.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

class CFloatingPanel : public QWidget {
  Q_OBJECT

 public:
  CFloatingPanel(QWidget* owner, const QString& title, int height);
  // The close area, inclusive client pixels (118, 2)-(130, 10).
  static bool InCloseArea(const QPoint& point);
  void ShowAt(int x, int y);

  // Called when the panel closed itself through its close mark; the owner
  // forgets the panel and the panel is deleted afterwards.
  std::function<void()> onClosed;
  // Where the keyboard focus goes back to after a click.
  std::function<void()> returnFocus;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  // Runs before the panel closes itself.
  virtual void BeforeClose() {}

 private:
  QImage title_;
};
