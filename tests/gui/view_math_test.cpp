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
  // Exact: 0.3 s is not 0.299 s, whatever a double makes of it.
  EXPECT_EQ(view::FormatTime(52920, rate), "00:00.300");
}

TEST(FormatTime, RulerGetsTheDecimalsItsLabelsNeed) {
  const int rate = 88200;  // 44100 Hz 16-bit mono: 2 bytes a sample
  // Labels a quarter-view apart: 1 s, 1 ms, 4 samples (90.7 us), 1 sample,
  // and an empty view.
  const std::pair<uint32_t, int> cases[] = {{88200, 3}, {88, 4}, {8, 5}, {2, 5}, {0, 3}};
  for (const auto& [spacing, decimals] : cases) {
    EXPECT_EQ(view::RulerDecimals(spacing, rate), decimals) << spacing;
  }
  EXPECT_EQ(view::FormatTime(7 * 88 + 6, rate, 5), "00:00.00705");
  EXPECT_EQ(view::FormatTime(7 * 88 + 14, rate, 5), "00:00.00714");
  EXPECT_EQ(view::FormatTime(rate * 61 + 1, rate, 6), "01:01.000011");
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

TEST(Zoom, StepsByTwoKeepingTheAnchorInItsColumnAndInsideTheAudio) {
  TestApp t;
  CEditorDoc doc(t.App());
  SetFields(doc, 2, 16, 4000000);  // 1,000,000 frames
  view::PixelState px;
  using view::Zoom;
  struct Case {
    uint32_t start, end;
    Zoom direction;
    uint32_t anchor;
    bool changes;
    uint32_t newStart, newEnd;
  };
  const Case cases[] = {
      // The anchor a quarter into the view stays a quarter into it.
      {1000000, 1400000, Zoom::In, 1100000, true, 1050000, 1250000},
      {1000000, 1400000, Zoom::Out, 1100000, true, 900000, 1700000},
      // An anchor outside the view becomes the centre.
      {1000000, 1400000, Zoom::In, 3000000, true, 2900000, 3100000},
      // Out stops at both ends of the audio and at the whole file.
      {0, 400000, Zoom::Out, 200000, true, 0, 800000},
      {3600000, 4000000, Zoom::Out, 3800000, true, 3200000, 4000000},
      {1000000, 3400000, Zoom::Out, 2000000, true, 0, 4000000},
      {0, 4000000, Zoom::Out, 0, false, 0, 4000000},
      // In stops at the closest zoom and keeps whole frames.
      {400, 464, Zoom::In, 432, false, 400, 464},
      {400, 500, Zoom::In, 450, true, 416, 480},
      {400, 404, Zoom::Out, 402, true, 396, 404},
  };
  for (const Case& c : cases) {
    doc.SetView(c.start, c.end);
    EXPECT_EQ(view::ZoomStep(doc, px, 600, c.direction, c.anchor), c.changes)
        << c.start << " " << c.end << " " << c.anchor;
    EXPECT_EQ(doc.View().Start(), c.newStart) << c.start << " " << c.end << " " << c.anchor;
    EXPECT_EQ(doc.View().End(), c.newEnd) << c.start << " " << c.end << " " << c.anchor;
    EXPECT_EQ(doc.View().Start() % 4, 0u);
  }
  // A file shorter than the closest zoom does not zoom in at all.
  SetFields(doc, 1, 16, 20);
  EXPECT_FALSE(view::ZoomStep(doc, px, 600, Zoom::In, 10));
}

TEST(Zoom, AnchorIsTheSelectionThenTheVisibleCursorThenTheViewCentre) {
  TestApp t;
  CEditorDoc doc(t.App());
  SetFields(doc, 1, 16, 100000);
  doc.SetView(10000, 20000);
  doc.SetSelection(30000, 40000);
  EXPECT_EQ(view::ZoomAnchor(doc), 35000u);
  doc.SetSelection(12000, 12000);
  EXPECT_EQ(view::ZoomAnchor(doc), 12000u);
  doc.SetSelection(50000, 50000);
  EXPECT_EQ(view::ZoomAnchor(doc), 15000u);
  EXPECT_EQ(view::OffsetAtColumn(doc, 300, 600), 15000u);
  EXPECT_EQ(view::OffsetAtColumn(doc, 601, 600), 20000u);
}

TEST(Zoom, WheelNotchesAddUpFromSmallDeltas) {
  view::WheelSteps wheel;
  EXPECT_EQ(wheel.Take(40), 0);
  EXPECT_EQ(wheel.Take(40), 0);
  EXPECT_EQ(wheel.Take(40), 1);
  EXPECT_EQ(wheel.Take(-360), -3);
  EXPECT_EQ(wheel.Take(250), 2);
}

TEST(Zoom, ToSelectionRefusesTinySelectionsAndOtherwiseShowsExactlyIt) {
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
    EXPECT_EQ(view::ZoomToSelection(doc, px, 600), c.zooms) << c.channels << " " << c.end - c.start;
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
