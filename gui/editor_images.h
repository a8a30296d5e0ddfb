// The editor's pictures, painted in code at the sizes the windows use: the
// toolbar images, the view's zoom buttons, channel names and Processing...
// picture, and the panels' labels, titles and meters. Label pictures are
// painted on the classic light grey RGB(192,192,192) and recoloured to the
// button face where they are shown, so they blend with any panel.
#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

namespace images {

inline const QColor kLabelGrey(192, 192, 192);

// Every pixel of RGB(192,192,192) replaced by `face`.
QImage Recolored(QImage image, const QColor& face);
// The system's button-face colour.
QColor ButtonFace();

// View pictures.
QImage ZoomInButton();    // 19 x 17, a plus sign
QImage ZoomOutButton();   // 19 x 17, a minus sign
QImage FullViewButton();  // 19 x 17, the letters All
QImage LeftChannel();     // 7 x 59, the vertical words Left Channel
QImage RightChannel();    // 9 x 66, the vertical words Right Channel
QImage Processing();      // 102 x 20, the word Processing...

// Toolbars: the standard toolbar's 11 images of 61 x 34 and the transport
// toolbar's 8 images of 58 x 34, normal and disabled.
enum class StandardImage {
  New,
  Open,
  Save,
  Cut,
  Copy,
  PasteInsert,
  PasteOver,
  Delete,
  Undo,
  Redo,
  Help
};
enum class TransportImage { Play, PlayLooped, Rewind, Forward, Stop, Record, Format, Levels };
QImage StandardToolbarImage(StandardImage which, bool disabled);
QImage TransportToolbarImage(TransportImage which, bool disabled);

// Panel pictures.
QImage TextLabel(const QString& text, int width, int height);  // grey-backed words
QImage PanelTitle(const QString& text, int width);             // title with close mark
QImage MeterBackground();                                      // 28 x 109, unlit meter
QImage MeterLit();                                             // 28 x 109, lit meter
QImage MeterScale();    // 44 x 117, marks Clip 0 7 15 22 35 45 60
QImage MonitorInput();  // the words Monitor Input

}  // namespace images
