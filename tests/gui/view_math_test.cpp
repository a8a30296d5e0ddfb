#include "app/view_math.h"

#include <gtest/gtest.h>

#include "engine/editor_doc.h"
#include "tests/support/test_app.h"

namespace {

// A document whose positions are set by hand; no audio is read.
void SetFields(CEditorDoc& doc, int channels, int bits, uint32_t dataLength) {
  doc.channels = static_cast<int16_t>(channels);
  doc.bitsPerSample = static_cast<int16_t>(bits);
  doc.blockAlign = static_cast<int16_t>(channels * bits / 8);
  doc.dataLength = dataLength;
  doc.peakLength = dataLength / doc.blockAlign / 32 * 2 * channels;
  doc.SetView(0, dataLength);
  doc.hasAudio = 1;
}

}  // namespace

TEST(FormatTime, MinutesSecondsMilliseconds) {
  const int rate = 176400;  // 44100 Hz 16-bit stereo
  const std::pair<double, const char*> cases[] = {
      {65.5, "01:05.500"}, {6000.0, "100:00.000"}, {101 * 60 + 5, "99:05.000"},
      {0.0, "00:00.000"},  {59.25, "00:59.250"},
  };
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(view::FormatTime(static_cast<uint32_t>(seconds * rate), rate), text) << seconds;
  }
  EXPECT_EQ(view::FormatTime(rate * 120 - 1, rate), "01:59.999");
  EXPECT_EQ(view::FormatTime(1000, 0), "00:00.000");  // no rate, no division
}

TEST(DrawMode, SwitchesByViewLengthAndBits) {
  using view::DrawMode;
  const std::tuple<uint32_t, int, DrawMode> cases[] = {
      {126, 16, DrawMode::Points},
      {128, 16, DrawMode::Samples},
      {2046, 16, DrawMode::Samples},
      {2048, 16, DrawMode::SampleEnvelope},
      {69998, 16, DrawMode::SampleEnvelope},
      {70000, 16, DrawMode::PeakEnvelope},
      {63, 8, DrawMode::Points},
      {64, 8, DrawMode::Samples},
      {1024, 8, DrawMode::SampleEnvelope},
      {70000, 8, DrawMode::PeakEnvelope},
  };
  for (const auto& [length, bits, mode] : cases) {
    EXPECT_EQ(view::ChooseDrawMode(length, 1000000, bits), mode) << length << " " << bits;
  }
  EXPECT_EQ(view::ChooseDrawMode(100, 0, 16), DrawMode::None);
  EXPECT_EQ(view::ChooseDrawMode(100, 1000, 24), DrawMode::None);
}

TEST(ScrollBar, PageNeverBelowThree) {
  TestApp t;
  CEditorDoc doc(t.App());
  SetFields(doc, 2, 16, 40000000);
  doc.SetView(20000000, 20000004);
  EXPECT_EQ(view::ScrollBarFor(doc).page, 3);
  EXPECT_EQ(view::ScrollBarFor(doc).position, 50);
  doc.SetView(0, 20000000);
  EXPECT_EQ(view::ScrollBarFor(doc).page, 50);
  SetFields(doc, 2, 16, 0);
  EXPECT_EQ(view::ScrollBarFor(doc).page, 3);
  EXPECT_EQ(view::ScrollBarFor(doc).position, 0);
}

TEST(Scroll, ThumbLineAndPageMoves) {
  TestApp t;
  CEditorDoc doc(t.App());
  SetFields(doc, 1, 8, 1000);
  doc.SetView(0, 100);
  view::PixelState px;
  ASSERT_TRUE(view::Scroll(doc, px, view::ScrollCode::ThumbTrack, 50, 500));
  EXPECT_EQ(doc.View().Start(), 499u);  // the single-precision hundredth
  EXPECT_EQ(doc.View().End(), 599u);
  ASSERT_TRUE(view::Scroll(doc, px, view::ScrollCode::ThumbTrack, 100, 500));
  EXPECT_EQ(doc.View().Start(), 900u);
  EXPECT_EQ(doc.View().End(), 1000u);
  ASSERT_TRUE(view::Scroll(doc, px, view::ScrollCode::LineRight, 0, 500));
  EXPECT_EQ(doc.View().End(), 1000u);  // already at the end
  ASSERT_TRUE(view::Scroll(doc, px, view::ScrollCode::PageLeft, 0, 500));
  EXPECT_EQ(doc.View().Start(), 800u);
  ASSERT_TRUE(view::Scroll(doc, px, view::ScrollCode::LineLeft, 0, 500));
  EXPECT_EQ(doc.View().Start(), 775u);
  doc.SetView(10, 110);
  ASSERT_TRUE(view::Scroll(doc, px, view::ScrollCode::LineLeft, 0, 500));
  EXPECT_EQ(doc.View().Start(), 0u);
  EXPECT_EQ(doc.View().End(), 100u);
  EXPECT_EQ(doc.View().Length(), 100u);
  EXPECT_FALSE(view::Scroll(doc, px, view::ScrollCode::Other, 0, 500));
}

TEST(Zoom, OutGrowsEachSideByTheViewLengthOverTheFrameSize) {
  TestApp t;
  CEditorDoc doc(t.App());
  SetFields(doc, 2, 16, 4000000);
  view::PixelState px;
  doc.SetView(1000000, 1400000);
  view::ZoomOut(doc, px, 600);
  EXPECT_EQ(doc.View().Start(), 900000u);
  EXPECT_EQ(doc.View().End(), 1500000u);
  EXPECT_EQ(doc.View().Length(), 600000u);
  doc.SetView(40, doc.View().End());
  view::ZoomOut(doc, px, 600);
  EXPECT_EQ(doc.View().Start(), 0u);  // stops at the start of the file
  // 8-bit mono grows by the whole view length on each side.
  SetFields(doc, 1, 8, 10000);
  doc.SetView(5000, 5100);
  view::ZoomOut(doc, px, 600);
  EXPECT_EQ(doc.View().Start(), 4900u);
  EXPECT_EQ(doc.View().End(), 5200u);
}

TEST(Zoom, InRefusesTinySelectionsAndOtherwiseShowsExactlyTheSelection) {
  TestApp t;
  CEditorDoc doc(t.App());
  struct Case {
    int channels;
    uint32_t start, end;
    bool zooms;
  };
  view::PixelState px;
  const Case cases[] = {
      {1, 100, 100, false}, {1, 100, 102, false}, {1, 100, 104, true},
      {2, 100, 104, false}, {2, 100, 108, true},
  };
  for (const Case& c : cases) {
    SetFields(doc, c.channels, 16, 100000);
    doc.SetSelection(c.start, c.end);
    EXPECT_EQ(view::ZoomIn(doc, px, 600), c.zooms) << c.channels << " " << c.end - c.start;
    if (c.zooms) {
      EXPECT_EQ(doc.View().Start(), c.start);
      EXPECT_EQ(doc.View().End(), c.end);
      EXPECT_EQ(doc.View().Length(), c.end - c.start);
      EXPECT_EQ(px.selX1, 0);
      EXPECT_EQ(px.selX2, 600);
    } else {
      EXPECT_EQ(doc.View().Length(), 100000u);
    }
  }
  view::FullView(doc, px, 600);
  EXPECT_EQ(doc.View().Start(), 0u);
  EXPECT_EQ(doc.View().End(), 100000u);
  EXPECT_EQ(doc.View().PeakLength(), doc.peakLength);
}

TEST(SelectionRedraw, DragInvertsOnlyTheDifference) {
  TestApp t;
  CEditorDoc doc(t.App());
  SetFields(doc, 2, 16, 100000);
  view::PixelState px;
  using Ranges = std::vector<std::pair<int, int>>;
  auto plan = [&] {
    Ranges ranges;
    for (const view::ColumnRange& r : view::PlanSelectionRedraw(px)) ranges.push_back({r.a, r.b});
    return ranges;
  };
  px.selX1 = px.selX2 = px.drawnX1 = px.drawnX2 = 0;
  px.markerDrawn = 1;
  px.selX1 = px.selX2 = px.anchorX = 100;  // button down at 100
  EXPECT_EQ(plan(), (Ranges{{0, 1}, {100, 101}}));
  px.dragMoved = 1;
  px.selX1 = 50;  // to 50
  EXPECT_EQ(plan(), (Ranges{{100, 101}, {50, 100}}));
  px.selX1 = 100;  // past the anchor to 150
  px.selX2 = 150;
  EXPECT_EQ(plan(), (Ranges{{50, 150}}));
  px.selX1 = 50;  // and back across to 50
  px.selX2 = 100;
  EXPECT_EQ(plan(), (Ranges{{50, 150}}));
  px.dragMoved = 0;
  px.selectAllPending = 1;  // a double click
  px.selX1 = 0;
  px.selX2 = 600;
  EXPECT_EQ(plan(), (Ranges{{50, 100}, {0, 600}}));
  EXPECT_EQ(px.selectAllPending, 0);
}
