#include "gui/view/floating_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "gui/editor_images.h"

CFloatingPanel::CFloatingPanel(QWidget* owner, const QString& title, int height)
    : QWidget(owner, Qt::Tool | Qt::FramelessWindowHint) {
  setAttribute(Qt::WA_DeleteOnClose);
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFixedSize(141, height);
  title_ = images::PanelTitle(title, 141);
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, images::ButtonFace());
  setPalette(palette);
  setAutoFillBackground(true);
}

bool CFloatingPanel::InCloseArea(const QPoint& point) {
  return point.x() >= 118 && point.x() <= 130 && point.y() >= 2 && point.y() <= 10;
}

void CFloatingPanel::ShowAt(int x, int y) {
  move(x, y);
  show();
}

void CFloatingPanel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && InCloseArea(event->position().toPoint())) {
    BeforeClose();
    if (onClosed) onClosed();
    close();
    return;
  }
  // Qt grabs the mouse for the pressed widget until the button is released.
  QWidget::mousePressEvent(event);
}

void CFloatingPanel::mouseReleaseEvent(QMouseEvent* event) {
  if (returnFocus) returnFocus();
  QWidget::mouseReleaseEvent(event);
}

void CFloatingPanel::paintEvent(QPaintEvent* event) {
  QWidget::paintEvent(event);
  QPainter p(this);
  p.setPen(QColor(128, 128, 128));
  p.drawRect(0, 0, width() - 1, height() - 1);
  p.drawImage(0, 0, title_);
}
