#include "gui/editor_images.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPolygon>
#include <cmath>
#include <functional>

namespace images {

namespace {

QFont SmallFont(int pixels, int weight = QFont::Normal) {
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixels);
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

QImage Blank(int w, int h, const QColor& fill) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(fill);
  return image;
}

QImage Button(const std::function<void(QPainter&)>& glyph) {
  QImage image = Blank(19, 17, QColor(60, 60, 60));
  QPainter p(&image);
  p.setPen(QColor(150, 150, 150));
  p.drawRect(0, 0, 18, 16);
  glyph(p);
  return image;
}

QImage VerticalWords(const QString& text, int w, int h) {
  QImage image = Blank(w, h, Qt::black);
  QPainter p(&image);
  p.setPen(QColor(150, 150, 150));
  p.setFont(SmallFont(8));
  p.translate(0, h);
  p.rotate(-90);
  p.drawText(QRect(0, 0, h, w), Qt::AlignCenter, text);
  return image;
}

// A toolbar image: a glyph above its caption on the button face grey.
QImage ToolImage(int w, const QString& caption, bool disabled,
                 const std::function<void(QPainter&, QColor)>& glyph) {
  QImage image = Blank(w, 34, kLabelGrey);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor ink = disabled ? QColor(128, 128, 128) : QColor(20, 20, 20);
  p.save();
  p.translate(w / 2 - 10, 2);
  glyph(p, disabled ? QColor(150, 150, 150) : QColor(0, 0, 200));
  p.restore();
  p.setPen(ink);
  p.setFont(SmallFont(9));
  p.drawText(QRect(0, 23, w, 11), Qt::AlignHCenter | Qt::AlignTop, caption);
  return image;
}

void Page(QPainter& p, QColor c) {
  p.setPen(QPen(c, 1));
  p.setBrush(Qt::white);
  p.drawPolygon(
      QPolygon({QPoint(4, 1), QPoint(13, 1), QPoint(17, 5), QPoint(17, 19), QPoint(4, 19)}));
}

void Wave(QPainter& p, QColor c, int x, int y, int w) {
  QPainterPath path;
  path.moveTo(x, y);
  for (int i = 0; i <= w; ++i) path.lineTo(x + i, y + 5 * std::sin(i * 0.8));
  p.setPen(QPen(c, 1.5));
  p.setBrush(Qt::NoBrush);
  p.drawPath(path);
}

}  // namespace

QColor ButtonFace() {
  return QApplication::palette().color(QPalette::Button);
}

QImage Recolored(QImage image, const QColor& face) {
  image = image.convertToFormat(QImage::Format_RGB32);
  const QRgb from = kLabelGrey.rgb();
  const QRgb to = face.rgb();
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if ((line[x] & 0xFFFFFF) == (from & 0xFFFFFF)) line[x] = to;
    }
  }
  return image;
}

QImage ZoomInButton() {
  return Button([](QPainter& p) {
    p.fillRect(5, 8, 9, 1, QColor(220, 220, 220));
    p.fillRect(9, 4, 1, 9, QColor(220, 220, 220));
  });
}

QImage ZoomOutButton() {
  return Button([](QPainter& p) { p.fillRect(5, 8, 9, 1, QColor(220, 220, 220)); });
}

QImage FullViewButton() {
  return Button([](QPainter& p) {
    p.setPen(QColor(220, 220, 220));
    p.setFont(SmallFont(9, QFont::Bold));
    p.drawText(QRect(0, 0, 19, 17), Qt::AlignCenter, "All");
  });
}

QImage LeftChannel() {
  return VerticalWords("Left Channel", 7, 59);
}

QImage RightChannel() {
  return VerticalWords("Right Channel", 9, 66);
}

QImage Processing() {
  QImage image = Blank(102, 20, Qt::black);
  QPainter p(&image);
  p.setPen(QColor(0, 172, 0));
  p.setFont(SmallFont(14, QFont::Bold));
  p.drawText(QRect(0, 0, 102, 20), Qt::AlignLeft | Qt::AlignVCenter, "Processing...");
  return image;
}

QImage StandardToolbarImage(StandardImage which, bool disabled) {
  const int w = 61;
  switch (which) {
    case StandardImage::New:
      return ToolImage(w, "New", disabled, [](QPainter& p, QColor c) { Page(p, c); });
    case StandardImage::Open:
      return ToolImage(w, "Open", disabled, [](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1));
        p.setBrush(QColor(230, 200, 90));
        p.drawPolygon(QPolygon({QPoint(0, 6), QPoint(7, 6), QPoint(9, 8), QPoint(19, 8),
                                QPoint(19, 19), QPoint(0, 19)}));
      });
    case StandardImage::Save:
      return ToolImage(w, "Save", disabled, [](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1));
        p.setBrush(c);
        p.drawRect(1, 1, 18, 18);
        p.setBrush(Qt::white);
        p.drawRect(5, 2, 10, 6);
        p.drawRect(6, 12, 8, 7);
      });
    case StandardImage::Cut:
      return ToolImage(w, "Cut", disabled, [](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1.6));
        p.drawLine(5, 1, 14, 13);
        p.drawLine(15, 1, 6, 13);
        p.drawEllipse(QPoint(5, 16), 3, 3);
        p.drawEllipse(QPoint(15, 16), 3, 3);
      });
    case StandardImage::Copy:
      return ToolImage(w, "Copy", disabled, [](QPainter& p, QColor c) {
        p.translate(-3, -1);
        Page(p, c);
        p.translate(6, 3);
        Page(p, c);
      });
    case StandardImage::PasteInsert:
    case StandardImage::PasteOver: {
      const bool over = which == StandardImage::PasteOver;
      return ToolImage(w, over ? "Paste Over" : "Paste", disabled, [over](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1));
        p.setBrush(QColor(200, 160, 100));
        p.drawRect(2, 3, 16, 17);
        p.setBrush(Qt::white);
        p.drawRect(6, 1, 8, 4);
        Wave(p, c, 4, 12, 12);
        if (over) p.fillRect(4, 7, 12, 2, QColor(200, 0, 0));
      });
    }
    case StandardImage::Delete:
      return ToolImage(w, "Delete", disabled, [](QPainter& p, QColor) {
        p.setPen(QPen(QColor(200, 0, 0), 2.5));
        p.drawLine(3, 3, 17, 17);
        p.drawLine(17, 3, 3, 17);
      });
    case StandardImage::Undo:
    case StandardImage::Redo: {
      const bool redo = which == StandardImage::Redo;
      return ToolImage(w, redo ? "Redo" : "Undo", disabled, [redo](QPainter& p, QColor c) {
        if (redo) {
          p.translate(20, 0);
          p.scale(-1, 1);
        }
        p.setPen(QPen(c, 2));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(4, 4, 14, 14), 90 * 16, -200 * 16);
        p.setBrush(c);
        p.drawPolygon(QPolygon({QPoint(1, 4), QPoint(9, 0), QPoint(9, 8)}));
      });
    }
    case StandardImage::Help:
      return ToolImage(w, "Help", disabled, [](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1));
        p.setBrush(QColor(255, 255, 220));
        p.drawEllipse(QRect(1, 1, 18, 18));
        p.setFont(SmallFont(14, QFont::Bold));
        p.drawText(QRect(1, 1, 18, 18), Qt::AlignCenter, "?");
      });
  }
  return Blank(w, 34, kLabelGrey);
}

QImage TransportToolbarImage(TransportImage which, bool disabled) {
  const int w = 58;
  auto triangle = [](QPainter& p, QColor c, int x) {
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPolygon(QPolygon({QPoint(x, 2), QPoint(x + 12, 10), QPoint(x, 18)}));
  };
  switch (which) {
    case TransportImage::Play:
      return ToolImage(w, "Play", disabled,
                       [&](QPainter& p, QColor) { triangle(p, QColor(0, 150, 0), 4); });
    case TransportImage::PlayLooped:
      return ToolImage(w, "Loop", disabled, [&](QPainter& p, QColor c) {
        triangle(p, QColor(0, 150, 0), 7);
        p.setPen(QPen(c, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(0, 0, 20, 20), 30 * 16, 300 * 16);
      });
    case TransportImage::Rewind:
      return ToolImage(w, "Rewind", disabled, [](QPainter& p, QColor c) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawRect(1, 3, 2, 14);
        p.drawPolygon(QPolygon({QPoint(11, 3), QPoint(3, 10), QPoint(11, 17)}));
        p.drawPolygon(QPolygon({QPoint(19, 3), QPoint(11, 10), QPoint(19, 17)}));
      });
    case TransportImage::Forward:
      return ToolImage(w, "Forward", disabled, [](QPainter& p, QColor c) {
        p.setPen(Qt::NoPen);
        p.setBrush(c);
        p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(9, 10), QPoint(1, 17)}));
        p.drawPolygon(QPolygon({QPoint(9, 3), QPoint(17, 10), QPoint(9, 17)}));
        p.drawRect(17, 3, 2, 14);
      });
    case TransportImage::Stop:
      return ToolImage(w, "Stop", disabled,
                       [](QPainter& p, QColor c) { p.fillRect(3, 3, 14, 14, c); });
    case TransportImage::Record:
      return ToolImage(w, "Record", disabled, [disabled](QPainter& p, QColor) {
        p.setPen(Qt::NoPen);
        p.setBrush(disabled ? QColor(150, 150, 150) : QColor(210, 0, 0));
        p.drawEllipse(QRect(2, 2, 16, 16));
      });
    case TransportImage::Format:
      return ToolImage(w, "Quality", disabled, [](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1));
        p.setBrush(Qt::black);
        p.drawRect(0, 2, 20, 16);
        p.setPen(QColor(0, 172, 0));
        p.setFont(SmallFont(7));
        p.drawText(QRect(0, 2, 20, 16), Qt::AlignCenter, "Hz");
      });
    case TransportImage::Levels:
      return ToolImage(w, "Levels", disabled, [](QPainter& p, QColor c) {
        p.setPen(QPen(c, 1));
        p.setBrush(Qt::black);
        p.drawRect(0, 1, 20, 18);
        p.fillRect(4, 8, 4, 10, QColor(0, 200, 0));
        p.fillRect(12, 5, 4, 13, QColor(0, 200, 0));
        p.fillRect(12, 5, 4, 3, QColor(230, 200, 0));
      });
  }
  return Blank(w, 34, kLabelGrey);
}

QImage TextLabel(const QString& text, int width, int height) {
  QImage image = Blank(width, height, kLabelGrey);
  QPainter p(&image);
  p.setPen(Qt::black);
  // The words must fit the picture whatever font stands in for Arial.
  int pixels = height >= 10 ? 10 : 8;
  QFont font = SmallFont(pixels, QFont::DemiBold);
  while (pixels > 6 && QFontMetrics(font).horizontalAdvance(text) > width) {
    font = SmallFont(--pixels, QFont::DemiBold);
  }
  p.setFont(font);
  p.drawText(QRect(0, 0, width, height), Qt::AlignLeft | Qt::AlignVCenter, text);
  return image;
}

QImage PanelTitle(const QString& text, int width) {
  QImage image = Blank(width, 13, QColor(0, 0, 128));
  QPainter p(&image);
  p.setPen(Qt::white);
  p.setFont(SmallFont(10, QFont::Bold));
  p.drawText(QRect(4, 0, width - 24, 13), Qt::AlignLeft | Qt::AlignVCenter, text);
  // The close mark sits over the panel's close area, (118, 2)-(130, 10).
  p.fillRect(117, 1, 15, 11, kLabelGrey);
  p.setPen(QPen(Qt::black, 1.5));
  p.drawLine(121, 3, 127, 9);
  p.drawLine(127, 3, 121, 9);
  return image;
}

namespace {

QImage Meter(bool lit) {
  QImage image = Blank(28, 109, Qt::black);
  QPainter p(&image);
  // Segments of three rows, red at the top, yellow, then green.
  for (int y = 1; y + 2 < 108; y += 3) {
    QColor colour = y < 12 ? QColor(220, 0, 0) : y < 33 ? QColor(230, 200, 0) : QColor(0, 200, 0);
    if (!lit) colour = colour.darker(450);
    p.fillRect(2, y, 24, 2, colour);
  }
  return image;
}

}  // namespace

QImage MeterBackground() {
  return Meter(false);
}

QImage MeterLit() {
  return Meter(true);
}

QImage MeterScale() {
  QImage image = Blank(44, 117, kLabelGrey);
  QPainter p(&image);
  p.setPen(Qt::black);
  p.setFont(SmallFont(8));
  const char* marks[] = {"Clip", "0", "7", "15", "22", "35", "45", "60"};
  for (int i = 0; i < 8; ++i) {
    const int y = 2 + i * 14;
    p.drawLine(0, y + 4, 4, y + 4);
    p.drawLine(39, y + 4, 43, y + 4);
    p.drawText(QRect(4, y, 36, 10), Qt::AlignCenter, marks[i]);
  }
  return image;
}

QImage MonitorInput() {
  return TextLabel("Monitor Input", 70, 12);
}

}  // namespace images
