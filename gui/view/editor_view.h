// The waveform view of one document: amplitude scales, time ruler and plot,
// drawn into memory surfaces and block-copied to the window; the selection
// is inverted in the plot surface column by column as it changes, so a drag
// never redraws the waveform. The arithmetic lives in view_math.h.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>
#include <cstdint>

#include "app/view_math.h"

class CEditorApp;
class CEditorDoc;

class CEditorView : public QAbstractScrollArea {
  Q_OBJECT

 public:
  CEditorView(CEditorApp& app, CEditorDoc& doc, QWidget* parent = nullptr);
  ~CEditorView() override;

  CEditorDoc& Document() { return doc_; }
  // The view that last had the focus (or was made last), or null: the view
  // the window's zoom commands and the play cursor act on.
  static CEditorView* Active();
  // Makes this the view the commands act on and the position bar shows,
  // stopping the playback of another document.
  void MakeActive();
  int Serial() const { return serial_; }

  // Halve or double the visible time around the selection's centre, the
  // cursor, or the view's centre (see view::ZoomAnchor).
  void ZoomIn();
  void ZoomOut();
  // The view shows exactly the selection; an insertion point or a selection
  // too short to zoom to leaves the view as it is.
  void ZoomToSelection();
  void FullView();
  // Updates the highlight by inverting only what changed, shows it, and
  // (with the focus) writes the position texts.
  void RedrawSelection();
  // Playback's cursor: state 2 draws it at `fraction` of the plot, state 3
  // removes it.
  void DrawPlayCursor(uint32_t position, double fraction, int state);
  void UpdateScrollBar();
  // The waveform is drawn again at the next paint.
  void Invalidate();
  // After anything changed the document's audio, selection or view: the
  // scroll bar, the selection's columns, the waveform and ruler (at the next
  // paint) and, for the active view, the position bar, all together.
  void Refresh();

  // Draws everything into the client picture now, as a paint would; the
  // picture is what the window shows.
  void Render();
  const QImage& Picture() const { return screen_; }
  const QImage& PlotSurface() const { return plot_; }
  const view::Layout& LastLayout() const { return layout_; }
  // The selection's columns and the mouse state.
  view::PixelState& Pixels() { return pixels_; }

  int playCursorX = -1;

 signals:
  // The selection or the view changed: what the commands may do changes too.
  void StateChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void OnDraw();
  void DrawScales();
  void DrawTimeRuler();
  void DrawPlot();
  void OnScrollAction(int action);
  void StopPlayback();
  // Start, end and length of the selection (of the whole audio when nothing
  // is selected) on the position bar, when this is the active view.
  void ShowPositionTexts();
  // Plot column of a client x, within 0 ... P.
  int16_t ColumnAt(int x) const;
  // Runs a painted button's command; true when (x, y) hit one.
  bool HitButtons(int x, int y);
  void ShowPlotColumns(int a, int b);
  void ZoomAround(view::Zoom direction, uint32_t anchor);

  CEditorApp& app_;
  CEditorDoc& doc_;
  int serial_ = 0;
  view::Layout layout_;
  view::PixelState pixels_;
  bool needsDraw_ = true;
  view::WheelSteps wheelSteps_;
  QImage plot_;    // 2000 x 2000
  QImage scale_;   // 35 x 2000
  QImage ruler_;   // 2000 x 13
  QImage screen_;  // the client picture
  QImage zoomIn_, zoomOut_, fullView_, leftChannel_, rightChannel_, processing_;
};
