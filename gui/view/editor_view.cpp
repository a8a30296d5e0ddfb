#include "gui/view/editor_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cstdlib>

#include "app/editor_app.h"
#include "audio/audio_listener.h"
#include "engine/editor_doc.h"
#include "gui/editor_images.h"
#include "platform/message.h"
#include "platform/vector_state.h"

namespace {

CEditorView* activeView = nullptr;

const QColor kGrey(150, 150, 150);
const QColor kDarkGrey(100, 100, 100);
const QColor kOlive(125, 125, 0);
const QColor kBlue(0, 0, 200);

QFont ViewFont() {
  QFont font("Arial");
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(10);
  font.setWeight(QFont::Normal);
  return font;
}

// Inverts the columns [a, b) of the top `height` rows.
void InvertColumns(QImage& image, int a, int b, int height) {
  if (a >= b) return;
  height = std::min(height, image.height());
  b = std::min(b, image.width());
  for (int y = 0; y < height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = a; x < b; ++x) line[x] ^= 0x00FFFFFF;
  }
}

// The envelope polygon runs along the bottom of columns 0...n and back along
// their top, so it is filled column by column, each column from its top to
// its bottom, and outlined along both edges. A general polygon fill would
// cost as much per edge crossing as per pixel, and an envelope of a
// sparsely read range has thousands of crossings.
void FillEnvelope(QPainter& painter, const std::vector<view::Point>& polygon, int P, int F) {
  const size_t columns = polygon.size() / 2;
  if (columns == 0) return;
  QImage& image = *static_cast<QImage*>(painter.device());
  const int width = std::min({P, view::kSurfaceSize, image.width()});
  const int height = std::min({F, view::kSurfaceSize, image.height()});
  const QRgb blue = kBlue.rgb();
  const qsizetype stride = image.bytesPerLine() / 4;
  auto* bits = reinterpret_cast<QRgb*>(image.bits());
  QPolygon bottomEdge(static_cast<int>(columns)), topEdge(static_cast<int>(columns));
  for (size_t i = 0; i < columns; ++i) {
    const view::Point& b = polygon[i];
    const view::Point& t = polygon[polygon.size() - 1 - i];
    bottomEdge.setPoint(static_cast<int>(i), b.x, b.y);
    topEdge.setPoint(static_cast<int>(i), t.x, t.y);
    if (b.x < 0 || b.x >= width) continue;
    const int y0 = std::max(0, std::min(t.y, b.y));
    const int y1 = std::min(height - 1, std::max(t.y, b.y));
    for (int y = y0; y <= y1; ++y) bits[y * stride + b.x] = blue;
  }
  painter.setPen(QPen(kOlive, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(bottomEdge);
  painter.drawPolyline(topEdge);
  painter.drawLine(bottomEdge.first(), topEdge.first());
  painter.drawLine(bottomEdge.last(), topEdge.last());
}

QPen DottedPen() {
  QPen pen(kDarkGrey, 1, Qt::DotLine);
  return pen;
}

}  // namespace

CEditorView::CEditorView(CEditorApp& app, CEditorDoc& doc, QWidget* parent)
    : QAbstractScrollArea(parent), app_(app), doc_(doc) {
  serial_ = app_.NextViewSerial();
  zoomIn_ = images::ZoomInButton();
  zoomOut_ = images::ZoomOutButton();
  fullView_ = images::FullViewButton();
  leftChannel_ = images::LeftChannel();
  rightChannel_ = images::RightChannel();
  processing_ = images::Processing();
  setFocusPolicy(Qt::StrongFocus);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setFrameShape(QFrame::NoFrame);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  viewport()->setMouseTracking(false);
  horizontalScrollBar()->setRange(0, 100);
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &CEditorView::OnScrollAction);
  activeView = this;
}

CEditorView::~CEditorView() {
  StopPlayback();
  if (activeView == this) activeView = nullptr;
}

CEditorView* CEditorView::Active() {
  return activeView;
}

void CEditorView::Refresh() {
  UpdateScrollBar();
  view::SelectionToPixels(doc_, pixels_,
                          view::Layout::For(viewport()->width(), viewport()->height()).P);
  Invalidate();
  ShowPositionTexts();
  emit StateChanged();
}

void CEditorView::ShowPositionTexts() {
  if (activeView != this) return;
  const int64_t rate = doc_.bytesPerSecond;
  const AudioRange& selection = doc_.Selection();
  const uint32_t length = selection.Empty() ? doc_.dataLength : selection.Length();
  app_.ShowPositionTexts(view::FormatTime(selection.Start(), rate),
                         view::FormatTime(selection.End(), rate), view::FormatTime(length, rate));
}

void CEditorView::StopPlayback() {
  app_.RequestPlaybackStop();
}

void CEditorView::Invalidate() {
  needsDraw_ = true;
  viewport()->update();
}

void CEditorView::Render() {
  OnDraw();
  // The Processing... picture stands only until the operation ends.
  needsDraw_ = app_.OperationInProgress() != 0;
}

void CEditorView::paintEvent(QPaintEvent* event) {
  if (needsDraw_ || screen_.size() != viewport()->size()) Render();
  QPainter painter(viewport());
  painter.drawImage(event->rect(), screen_, event->rect());
}

void CEditorView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  needsDraw_ = true;
}

void CEditorView::scrollContentsBy(int, int) {
  // The scroll bar only indicates the position; the picture never moves.
}

void CEditorView::OnDraw() {
  const QSize size = viewport()->size();
  if (screen_.size() != size) {
    screen_ = QImage(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  }
  if (app_.OperationInProgress()) {
    // The operation may be remapping the audio: show the Processing...
    // picture and touch nothing of the document.
    screen_.fill(Qt::black);
    QPainter p(&screen_);
    p.drawImage(4, 4, processing_);
    return;
  }
  layout_ = view::Layout::For(size.width(), size.height());
  screen_.fill(Qt::black);
  if (!layout_.HasPlot()) return;

  view::SelectionToPixels(doc_, pixels_, layout_.P);

  if (plot_.isNull()) {
    plot_ = QImage(view::kSurfaceSize, view::kSurfaceSize, QImage::Format_RGB32);
    scale_ = QImage(view::kScaleWidth, view::kSurfaceSize, QImage::Format_RGB32);
    ruler_ = QImage(view::kSurfaceSize, view::kRulerHeight, QImage::Format_RGB32);
    plot_.fill(Qt::black);
  }
  // Only the part of each surface this paint uses is cleared.
  const int plotW = std::min(layout_.P, view::kSurfaceSize);
  const int plotH = std::min(layout_.F, view::kSurfaceSize);
  {
    QPainter p(&plot_);
    p.fillRect(0, 0, plotW + 1, plotH + 1, Qt::black);
  }
  scale_.fill(Qt::black);
  ruler_.fill(Qt::black);

  DrawScales();
  DrawTimeRuler();
  DrawPlot();

  QPainter screen(&screen_);
  screen.drawImage(QPoint(view::kScaleWidth, 0), plot_, QRect(0, 0, plotW, plotH));
  screen.end();
  UpdateScrollBar();
  RedrawSelection();
}

void CEditorView::DrawScales() {
  const int H = layout_.H, F = layout_.F, Q = layout_.Q, M = layout_.M;
  QPainter p(&scale_);
  p.setPen(DottedPen());
  p.drawLine(0, M, 35, M);
  p.setPen(QPen(kGrey, 1));
  p.drawLine(34, 0, 34, H);
  p.setFont(ViewFont());
  p.setPen(kGrey);
  struct Label {
    const char* text;
    int x, y;
  };
  std::vector<Label> labels;
  const int bits = doc_.bitsPerSample, channels = doc_.channels;
  if (bits == 8 && channels == 1) {
    labels = {{"  128", 2, 5},
              {"   64", 2, Q - 6},
              {" 0", 10, M - 7},
              {"  -64", 2, 3 * Q - 6},
              {" -128", 2, F - 13}};
  } else if (bits == 8 && channels == 2) {
    labels = {{"   128", 1, 5},     {"      0", 1, Q - 6},     {"  -128", 1, M - 15},
              {"   128", 1, M + 2}, {"      0", 1, 3 * Q - 6}, {"  -128", 1, F - 13}};
  } else if (bits == 16 && channels == 1) {
    labels = {{"  32 K", 2, 5},
              {"  16 K", 2, Q - 6},
              {" 0", 10, M - 7},
              {" -16 K", 2, 3 * Q - 6},
              {" -32 K", 2, F - 13}};
  } else if (bits == 16 && channels == 2) {
    labels = {{"  32 K", 2, 5},     {"      0", 2, Q - 6},     {" -32 K", 2, M - 15},
              {"  32 K", 2, M + 2}, {"      0", 2, 3 * Q - 6}, {" -32 K", 2, F - 13}};
  }
  // Labels are placed by their top edge, as text cells are.
  const int ascent = p.fontMetrics().ascent();
  for (const Label& label : labels) {
    p.drawText(label.x, label.y + ascent, QString::fromLatin1(label.text));
  }
  p.setPen(QPen(kGrey, 1));
  p.drawLine(0, 0, 0, H);
  p.end();

  QPainter screen(&screen_);
  screen.drawImage(QPoint(layout_.W - view::kScaleWidth, 0), scale_,
                   QRect(0, 0, view::kScaleWidth, H));
  if (channels == 2) {
    QPainter strip(&scale_);
    strip.drawImage(6, Q - 29, leftChannel_);
    strip.drawImage(QPoint(6, 3 * Q - 32), rightChannel_, QRect(0, 0, 7, 66));
  }
  screen.drawImage(QPoint(0, 0), scale_, QRect(0, 0, view::kScaleWidth, H));
}

void CEditorView::DrawTimeRuler() {
  const int P = layout_.P, W = layout_.W, H = layout_.H;
  QPainter p(&ruler_);
  p.setPen(QPen(kGrey, 1));
  p.drawLine(0, 0, W, 0);
  QPainter screen(&screen_);
  screen.drawImage(QPoint(0, H - view::kRulerHeight), ruler_, QRect(0, 0, W, view::kRulerHeight));
  p.setFont(ViewFont());
  p.setPen(kGrey);
  const int ascent = p.fontMetrics().ascent();
  const uint32_t start = doc_.View().Start(), length = doc_.View().Length();
  const int64_t rate = doc_.bytesPerSecond;
  const uint32_t at[4] = {start, start + length / 4, start + length / 2, start + (length / 4) * 3};
  // Close in, labels a few samples apart need more than milliseconds.
  const int decimals = view::RulerDecimals(length / 4, rate);
  for (int i = 0; i < 4; ++i) {
    p.drawText((P / 4) * i + 2, ascent,
               QString::fromStdString(view::FormatTime(at[i], rate, decimals)));
  }
  p.end();
  screen.drawImage(QPoint(view::kScaleWidth, H - view::kRulerHeight), ruler_,
                   QRect(0, 0, std::min(P, view::kSurfaceSize), view::kRulerHeight));
}

void CEditorView::DrawPlot() {
  const int P = layout_.P, F = layout_.F;
  QPainter p(&plot_);
  p.setClipRect(0, 0, std::min(P, view::kSurfaceSize), std::min(F, view::kSurfaceSize));
  const bool drawable = doc_.bitsPerSample == 8 || doc_.bitsPerSample == 16;
  if (doc_.channels != 1 && doc_.channels != 2) {
    if (doc_.dataLength != 0) platform::ShowMessage("Could not draw waveform - not stereo or mono");
  } else if (drawable) {
    platform::ClearUpperVectorState();  // the peak walk follows toolkit code
    for (const view::LanePlot& lane : view::BuildPlot(doc_, P, F)) {
      if (!lane.polygon.empty()) FillEnvelope(p, lane.polygon, P, F);
      if (!lane.line.empty()) {
        QPolygon line(static_cast<int>(lane.line.size()));
        for (size_t i = 0; i < lane.line.size(); ++i) {
          line.setPoint(static_cast<int>(i), lane.line[i].x, lane.line[i].y);
        }
        p.setPen(QPen(kBlue, 1));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(line);
        p.setBrush(kOlive);
        const int h = lane.squareHalf;
        for (const view::Point& pt : lane.squares) p.drawRect(pt.x - h, pt.y - h, 2 * h, 2 * h);
      }
    }
  }
  if (doc_.channels == 2) {
    const int y = static_cast<int>(F * 0.5);
    p.setPen(QPen(kGrey, 2));
    p.drawLine(-1, y, P, y);
  }
  p.setPen(DottedPen());
  p.setBackgroundMode(Qt::TransparentMode);
  const int g = static_cast<int>(P * 0.25);
  for (int i = 1; i <= 3; ++i) p.drawLine(g * i, 0, g * i, F);
  p.drawImage(layout_.ZoomOutX(), layout_.LowerButtonY(), zoomOut_);
  p.drawImage(layout_.FullViewX(), layout_.LowerButtonY(), fullView_);
  p.drawImage(layout_.ZoomInX(), layout_.ZoomInY(), zoomIn_);
  p.end();

  const int plotH = std::min(F, view::kSurfaceSize);
  if (pixels_.selX1 == pixels_.selX2) {
    const view::ColumnRange c = view::ClipColumns({pixels_.selX1, pixels_.selX1 + 1}, P);
    InvertColumns(plot_, c.a, c.b, plotH);
    pixels_.markerDrawn = 1;
  } else {
    const view::ColumnRange c = view::ClipColumns({pixels_.selX1, pixels_.selX2}, P);
    InvertColumns(plot_, c.a, c.b, plotH);
    pixels_.markerDrawn = 0;
  }
}

void CEditorView::ShowPlotColumns(int a, int b) {
  const int plotH = std::min(layout_.F, view::kSurfaceSize);
  if (a >= b || plotH <= 0 || screen_.isNull()) return;
  QPainter screen(&screen_);
  screen.drawImage(QPoint(view::kScaleWidth + a, 0), plot_, QRect(a, 0, b - a, plotH));
  screen.end();
  viewport()->update(QRect(view::kScaleWidth + a, 0, b - a, plotH));
}

void CEditorView::RedrawSelection() {
  if (layout_.HasPlot() && !plot_.isNull() && !app_.OperationInProgress()) {
    const int plotH = std::min(layout_.F, view::kSurfaceSize);
    int lo = view::kSurfaceSize, hi = 0;
    for (const view::ColumnRange& range : view::PlanSelectionRedraw(pixels_)) {
      const view::ColumnRange c = view::ClipColumns(range, layout_.P);
      InvertColumns(plot_, c.a, c.b, plotH);
      if (c.a < c.b) {
        lo = std::min(lo, c.a);
        hi = std::max(hi, c.b);
      }
    }
    // Only the inverted columns reach the window.
    ShowPlotColumns(lo, hi);
  }
  ShowPositionTexts();
  emit StateChanged();
}

void CEditorView::DrawPlayCursor(uint32_t /*position*/, double fraction, int state) {
  const int F = std::min(layout_.F, view::kSurfaceSize);
  if (screen_.isNull() || F <= 0) return;
  QPainter screen(&screen_);
  if (playCursorX >= view::kScaleWidth && playCursorX - view::kScaleWidth < view::kSurfaceSize) {
    screen.drawImage(QPoint(playCursorX, 0), plot_,
                     QRect(playCursorX - view::kScaleWidth, 0, 1, F));
    viewport()->update(QRect(playCursorX, 0, 1, F));
  }
  if (state == kPlayCursorRemove) {
    playCursorX = -1;
    return;
  }
  const int x = static_cast<int>(layout_.P * fraction);
  if (x == 0 || x > layout_.P) return;
  screen.setPen(QPen(kOlive, 1));
  screen.drawLine(x + view::kScaleWidth, 0, x + view::kScaleWidth, F);
  playCursorX = x + view::kScaleWidth;
  viewport()->update(QRect(playCursorX, 0, 1, F));
}

void CEditorView::UpdateScrollBar() {
  const view::ScrollBarState state = view::ScrollBarFor(doc_);
  QScrollBar* bar = horizontalScrollBar();
  const QSignalBlocker block(bar);
  // The bar spans 0...100 with a page of `page`, so the thumb can travel
  // to 101 - page, as a bar with an explicit page size does.
  bar->setRange(0, std::max(0, 101 - state.page));
  bar->setPageStep(state.page);
  bar->setValue(state.position);
}

void CEditorView::OnScrollAction(int action) {
  view::ScrollCode code = view::ScrollCode::Other;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      code = view::ScrollCode::LineLeft;
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      code = view::ScrollCode::LineRight;
      break;
    case QAbstractSlider::SliderPageStepSub:
      code = view::ScrollCode::PageLeft;
      break;
    case QAbstractSlider::SliderPageStepAdd:
      code = view::ScrollCode::PageRight;
      break;
    case QAbstractSlider::SliderMove:
      code = view::ScrollCode::ThumbTrack;
      break;
    default:
      break;
  }
  const int thumb = horizontalScrollBar()->sliderPosition();
  StopPlayback();
  const int P = view::Layout::For(viewport()->width(), viewport()->height()).P;
  if (!view::Scroll(doc_, pixels_, code, thumb, P)) return;
  Refresh();
  horizontalScrollBar()->setSliderPosition(horizontalScrollBar()->value());
}

void CEditorView::ZoomIn() {
  ZoomAround(view::Zoom::In, view::ZoomAnchor(doc_));
}

void CEditorView::ZoomOut() {
  ZoomAround(view::Zoom::Out, view::ZoomAnchor(doc_));
}

void CEditorView::ZoomAround(view::Zoom direction, uint32_t anchor) {
  if (view::ZoomStep(doc_, pixels_, layout_.P, direction, anchor)) Refresh();
}

void CEditorView::ZoomToSelection() {
  if (view::ZoomToSelection(doc_, pixels_, layout_.P)) Refresh();
}

void CEditorView::FullView() {
  view::FullView(doc_, pixels_, layout_.P);
  Refresh();
}

int16_t CEditorView::ColumnAt(int x) const {
  return static_cast<int16_t>(std::clamp(x - view::kScaleWidth, 0, std::max(layout_.P, 0)));
}

bool CEditorView::HitButtons(int x, int y) {
  if (layout_.InZoomOut(x, y)) {
    ZoomOut();
  } else if (layout_.InZoomIn(x, y)) {
    ZoomIn();
  } else if (layout_.InFullView(x, y)) {
    FullView();
  } else {
    return false;
  }
  return true;
}

void CEditorView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  StopPlayback();
  if (!doc_.hasAudio) return;
  const QPoint pos = event->position().toPoint();
  if (HitButtons(pos.x(), pos.y())) return;
  pixels_.selX1 = pixels_.selX2 = pixels_.anchorX = ColumnAt(pos.x());
  view::PixelsToSelection(doc_, pixels_, layout_.P);
  pixels_.dragging = 1;
  RedrawSelection();
}

void CEditorView::mouseMoveEvent(QMouseEvent* event) {
  if (!doc_.hasAudio || !pixels_.dragging) return;
  const int16_t column = ColumnAt(event->position().toPoint().x());
  pixels_.dragMoved = 1;
  pixels_.selX1 = std::min(pixels_.anchorX, column);
  pixels_.selX2 = std::max(pixels_.anchorX, column);
  view::PixelsToSelection(doc_, pixels_, layout_.P);
  RedrawSelection();
}

void CEditorView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !doc_.hasAudio) return;
  pixels_.dragging = 0;
  pixels_.dragMoved = 0;
  RedrawSelection();
}

void CEditorView::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  StopPlayback();
  if (!doc_.hasAudio) return;
  const QPoint pos = event->position().toPoint();
  if (HitButtons(pos.x(), pos.y())) return;
  pixels_.selX1 = 0;
  pixels_.selX2 = static_cast<int16_t>(layout_.P);
  view::PixelsToSelection(doc_, pixels_, layout_.P);
  pixels_.selectAllPending = 1;
  RedrawSelection();
}

void CEditorView::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!doc_.hasAudio) return;
  // The view only moves along time, so a vertical wheel scrolls it as a
  // horizontal one does; with Ctrl it zooms around the time under the mouse.
  const QPoint angle = event->angleDelta();
  const int steps = wheelSteps_.Take(angle.y() != 0 ? angle.y() : angle.x());
  if (steps == 0) return;
  StopPlayback();
  if (event->modifiers() & Qt::ControlModifier) {
    const uint32_t anchor =
        view::OffsetAtColumn(doc_, ColumnAt(event->position().toPoint().x()), layout_.P);
    const view::Zoom direction = steps > 0 ? view::Zoom::In : view::Zoom::Out;
    for (int i = 0; i < std::abs(steps); ++i) ZoomAround(direction, anchor);
    return;
  }
  // Turning the wheel away from the user goes back in time.
  const view::ScrollCode code =
      steps > 0 ? view::ScrollCode::LineLeft : view::ScrollCode::LineRight;
  bool moved = false;
  for (int i = 0; i < std::abs(steps); ++i)
    moved |= view::Scroll(doc_, pixels_, code, 0, layout_.P);
  if (moved) Refresh();
}

void CEditorView::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  MakeActive();
}

void CEditorView::MakeActive() {
  // Another document's playback ends when this one takes over the window.
  if (activeView != nullptr && activeView != this) StopPlayback();
  activeView = this;
  app_.SetActiveDocument(&doc_);
  app_.ShowFormat(doc_.sampleRate, doc_.channels, doc_.bitsPerSample);
  ShowPositionTexts();
}

void CEditorView::focusOutEvent(QFocusEvent* event) {
  // A menu, a tooltip or a dialog taking the focus leaves playback running;
  // it stops when another document becomes active or the program is left.
  if (pixels_.dragging) {
    pixels_.dragging = 0;
    pixels_.dragMoved = 0;
    RedrawSelection();
  }
  QAbstractScrollArea::focusOutEvent(event);
}
