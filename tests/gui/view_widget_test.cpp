// The view as a widget: what it draws where, and what the mouse selects.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <memory>

#include "app/view_math.h"
#include "engine/editor_doc.h"
#include "gui/view/editor_view.h"
#include "tests/support/test_app.h"

namespace {

const QRgb kBlue = qRgb(0, 0, 200) & 0xFFFFFF;
const QRgb kOlive = qRgb(125, 125, 0) & 0xFFFFFF;

std::string Samples16(size_t count, int16_t value) {
  std::string pcm;
  for (size_t i = 0; i < count; ++i) {
    pcm.push_back(static_cast<char>(value & 0xFF));
    pcm.push_back(static_cast<char>((value >> 8) & 0xFF));
  }
  return pcm;
}

// An opened 16-bit mono document of `samples` samples of `value`, shown in
// a view whose client area is 600 pixels wide.
struct ViewFixture {
  TestApp t;
  std::unique_ptr<CEditorDoc> doc;
  std::unique_ptr<CEditorView> view;

  explicit ViewFixture(size_t samples, int16_t value = 0, int channels = 1) {
    const std::string path = t.FilePath("v.wav");
    WriteFileBytes(path, MakeWav({static_cast<int16_t>(channels), 16, 8000},
                                 Samples16(samples * channels, value)));
    doc = std::make_unique<CEditorDoc>(t.App());
    EXPECT_TRUE(doc->OnOpenDocument(path));
    view = std::make_unique<CEditorView>(t.App(), *doc);
    view->resize(600, 320);
    view->show();
    view->Refresh();
    view->Render();
  }
  ~ViewFixture() {
    view.reset();
    doc.reset();
  }
  void ShowRange(uint32_t start, uint32_t end) {
    doc->SetView(start, end);
    view->Invalidate();
    view->Render();
  }
  QWidget* Port() { return view->viewport(); }
  void Press(int x, int y) { QTest::mousePress(Port(), Qt::LeftButton, {}, QPoint(x, y)); }
  void Release(int x, int y) { QTest::mouseRelease(Port(), Qt::LeftButton, {}, QPoint(x, y)); }
  void Move(int x, int y) {
    QMouseEvent move(QEvent::MouseMove, QPointF(x, y), Port()->mapToGlobal(QPointF(x, y)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Port(), &move);
  }
  QRgb PlotPixel(int x, int y) { return view->PlotSurface().pixel(x, y) & 0xFFFFFF; }
  QRgb ScreenPixel(int x, int y) { return view->Picture().pixel(x, y) & 0xFFFFFF; }
};

}  // namespace

TEST(EditorView, LayoutFollowsTheClientArea) {
  ViewFixture f(4000);
  const view::Layout& l = f.view->LastLayout();
  EXPECT_EQ(l.W, f.Port()->width());
  EXPECT_EQ(l.P, l.W - 70);
  EXPECT_EQ(l.F, l.H - 13);
  // The ruler's top line and the scales' inner edges are grey.
  EXPECT_EQ(f.ScreenPixel(100, l.H - 13), qRgb(150, 150, 150) & 0xFFFFFF);
  EXPECT_EQ(f.ScreenPixel(34, 5), qRgb(150, 150, 150) & 0xFFFFFF);
  EXPECT_EQ(f.ScreenPixel(l.W - 35, 5), qRgb(150, 150, 150) & 0xFFFFFF);
  // Zoom-in button image at plot (P - 21, F - 36), full view at (P - 21, F - 17).
  EXPECT_NE(f.PlotPixel(l.P - 21 + 9, l.F - 36 + 8), 0u);
  EXPECT_EQ(f.PlotPixel(l.P - 21 - 30, l.F - 36 + 8), 0u);
}

TEST(EditorView, PointsThenSamplesThenEnvelopes) {
  ViewFixture f(40000, 16000);
  const int P = f.view->LastLayout().P, F = f.view->LastLayout().F;

  // 126 bytes: 63 samples joined and nothing else (no line from the view's
  // edges to the centre), 8-pixel squares around the samples.
  f.ShowRange(200, 326);
  auto plot = view::BuildPlot(*f.doc, P, F);
  ASSERT_EQ(plot.size(), 1u);
  EXPECT_EQ(plot[0].line.size(), 63u);
  EXPECT_EQ(plot[0].squares.size(), 63u);
  for (const view::Point& sample : plot[0].line) EXPECT_NE(sample.y, F / 2);
  EXPECT_EQ(plot[0].squareHalf, 4);
  view::Point p = plot[0].squares[10];
  EXPECT_EQ(f.PlotPixel(p.x - 4, p.y - 4), kBlue);
  EXPECT_EQ(f.PlotPixel(p.x - 3, p.y - 3), kOlive);

  // 128 bytes: one point per sample inside the view, none past its end.
  f.ShowRange(200, 328);
  plot = view::BuildPlot(*f.doc, P, F);
  EXPECT_EQ(plot[0].line.size(), 64u);
  EXPECT_LT(plot[0].line.back().x, P);
  EXPECT_EQ(plot[0].squareHalf, 2);
  p = plot[0].squares[10];
  EXPECT_EQ(f.PlotPixel(p.x - 2, p.y - 2), kBlue);
  EXPECT_EQ(f.PlotPixel(p.x - 1, p.y - 1), kOlive);
  EXPECT_EQ(f.PlotPixel(p.x - 4, p.y - 4), 0u);

  // 2048 bytes and 70000 bytes: filled envelopes between the lane centre
  // and the level of the samples.
  const int centre = F / 2;
  const int level = static_cast<int>(centre - 16000 * (1.0f / 32767.0f) * centre);
  for (uint32_t length : {2048u, 70000u}) {
    f.ShowRange(0, length);
    plot = view::BuildPlot(*f.doc, P, F);
    EXPECT_TRUE(plot[0].line.empty());
    EXPECT_FALSE(plot[0].polygon.empty());
    EXPECT_EQ(f.PlotPixel(P / 3, (centre + level) / 2), kBlue) << length;
    EXPECT_EQ(f.PlotPixel(P / 3, level - 6), 0u) << length;
  }
  // The peak envelope reaches the peak data's level (62 of 128).
  EXPECT_NEAR(plot[0].polygon.back().y, centre - 62 * 0.0078125 * centre, 1.0);
}

TEST(EditorView, ClickSelectsAColumnAndDragInvertsOnlyTheDifference) {
  ViewFixture f(8000);
  const view::Layout l = f.view->LastLayout();
  f.Press(20, 40);  // left of the plot: column 0
  EXPECT_EQ(f.view->Pixels().selX1, 0);
  EXPECT_EQ(f.doc->Selection().Start(), 0u);
  f.Release(20, 40);

  f.Press(35 + 100, 40);
  f.Move(35 + 50, 40);
  EXPECT_EQ(f.view->Pixels().selX1, 50);
  EXPECT_EQ(f.view->Pixels().selX2, 100);
  f.Move(35 + 150, 40);
  f.Release(35 + 150, 40);
  EXPECT_EQ(f.view->Pixels().selX1, 100);
  EXPECT_EQ(f.view->Pixels().selX2, 150);
  EXPECT_EQ(f.doc->Selection().Start(), static_cast<uint32_t>(16000.0 * 100 / l.P) & ~1u);
  const int g = static_cast<int>(l.P * 0.25);
  for (int column : {50, 60, 99, 150, 160}) {
    EXPECT_EQ(f.ScreenPixel(35 + column, 2), 0u) << column;
  }
  for (int column : {100, 120, 149}) {
    if (column == g) continue;
    EXPECT_EQ(f.ScreenPixel(35 + column, 2), 0xFFFFFFu) << column;
  }
  // The back buffer holds the same picture as the window.
  EXPECT_EQ(f.PlotPixel(120, 2), 0xFFFFFFu);

  // A click right of the plot selects column P.
  f.Press(l.W - 2, 40);
  f.Release(l.W - 2, 40);
  EXPECT_EQ(f.view->Pixels().selX1, l.P);
}

TEST(EditorView, DoubleClickSelectsTheVisibleRangeOnly) {
  ViewFixture f(8000);
  f.ShowRange(4000, 12000);
  QTest::mouseDClick(f.Port(), Qt::LeftButton, {}, QPoint(200, 40));
  EXPECT_EQ(f.doc->Selection().Start(), 4000u);
  EXPECT_EQ(f.doc->Selection().End(), 12000u);
  EXPECT_EQ(f.ScreenPixel(35 + 10, 2), 0xFFFFFFu);
}

TEST(EditorView, PaintedButtonsZoomByTwo) {
  ViewFixture f(8000);
  const view::Layout l = f.view->LastLayout();
  // With only an insertion point at the start, "+" halves the view and the
  // cursor keeps its column.
  f.Press(l.W - 45, l.F - 25);
  f.Release(l.W - 45, l.F - 25);
  EXPECT_EQ(f.doc->View().Start(), 0u);
  EXPECT_EQ(f.doc->View().End(), 8000u);
  // With a selection, around the selection's centre (byte 6000).
  f.doc->SetSelection(4000, 8000);
  f.Press(l.W - 45, l.F - 25);
  EXPECT_EQ(f.doc->View().Start(), 3000u);
  EXPECT_EQ(f.doc->View().End(), 7000u);
  f.Press(l.W - 60, l.F - 5);  // zoom out
  EXPECT_EQ(f.doc->View().Start(), 0u);
  EXPECT_EQ(f.doc->View().End(), 8000u);
  f.Press(l.W - 40, l.F - 5);  // full view
  EXPECT_EQ(f.doc->View().Start(), 0u);
  EXPECT_EQ(f.doc->View().End(), 16000u);
}

TEST(EditorView, CtrlWheelZoomsAroundTheMouseAndTheWheelScrolls) {
  ViewFixture f(8000);
  auto wheel = [&](int x, int angle, Qt::KeyboardModifiers modifiers) {
    const QPointF at(x, 40);
    QWheelEvent event(at, f.Port()->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.Port(), &event);
  };
  const int P = f.view->LastLayout().P;
  // The time under the mouse stays under it.
  const uint32_t under = view::OffsetAtColumn(*f.doc, P / 4, P);
  wheel(35 + P / 4, 120, Qt::ControlModifier);
  EXPECT_EQ(f.doc->View().Length(), 8000u);
  EXPECT_NEAR(view::OffsetAtColumn(*f.doc, P / 4, P), under, 4.0);
  // Towards the user: later in time by a quarter of the view per notch.
  const uint32_t start = f.doc->View().Start();
  wheel(100, -240, Qt::NoModifier);
  EXPECT_EQ(f.doc->View().Start(), start + 4000);
  // Half a notch does nothing yet; the other half completes it.
  wheel(100, 60, Qt::NoModifier);
  EXPECT_EQ(f.doc->View().Start(), start + 4000);
  wheel(100, 60, Qt::NoModifier);
  EXPECT_EQ(f.doc->View().Start(), start + 2000);
  wheel(100, -120, Qt::ControlModifier);
  EXPECT_EQ(f.doc->View().Length(), 16000u);
}

TEST(EditorView, ShowsProcessingWhileAnOperationRuns) {
  ViewFixture f(8000, 16000);
  f.t.App().OperationInProgress() = 1;
  f.view->Invalidate();
  f.view->Render();
  EXPECT_EQ(f.ScreenPixel(200, 100), 0u);  // no waveform
  f.t.App().OperationInProgress() = 0;
  f.view->Render();
  EXPECT_NE(f.ScreenPixel(35 + 200, f.view->LastLayout().F / 2 - 5), 0u);
}
