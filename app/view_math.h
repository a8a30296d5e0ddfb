// The waveform view's arithmetic, free of any window: the layout, the time
// text, the drawing-mode choice and plot geometry, the mappings between byte
// offsets, peak offsets and plot columns, scrolling, zooming and the plan of
// which columns a selection change inverts. The view widget only draws what
// these compute, so every rule here is tested without a display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CEditorDoc;

namespace view {

// The view's own state in plot columns: the selection's columns, the columns
// the back buffer shows inverted, and the mouse drag. The byte and peak
// positions live in the document; these follow them on every change.
struct PixelState {
  int16_t selX1 = 0, selX2 = 0;      // the selection
  int16_t anchorX = 0;               // where the drag started
  int16_t drawnX1 = 0, drawnX2 = 0;  // what the back buffer shows
  int32_t dragging = 0, dragMoved = 0;
  int32_t markerDrawn = 0;       // an insertion point is shown
  int32_t selectAllPending = 0;  // a double click waits for its redraw
};

// Width of each amplitude scale, height of the time ruler, and the size of
// the drawing surfaces; columns and rows beyond the surfaces are clipped.
inline constexpr int kScaleWidth = 35;
inline constexpr int kRulerHeight = 13;
inline constexpr int kSurfaceSize = 2000;

struct Layout {
  int W = 0, H = 0;  // client size
  int P = 0, F = 0;  // plot width and height
  int Q = 0, M = 0;  // quarter of the plot height, middle of the scale
  static Layout For(int width, int height);
  // A client narrower than both scales or lower than the ruler has no plot.
  bool HasPlot() const { return P > 0 && F > 0; }
  // Client-pixel hit rectangles of the painted buttons (inclusive), and the
  // plot-relative anchors their images are copied to.
  bool InZoomOut(int x, int y) const;
  bool InZoomIn(int x, int y) const;
  bool InFullView(int x, int y) const;
  int ZoomOutX() const { return P - 43; }
  int FullViewX() const { return P - 21; }
  int ZoomInX() const { return P - 21; }
  int LowerButtonY() const { return F - 17; }
  int ZoomInY() const { return F - 36; }
};

// "mm:ss.fff" of a byte offset with `decimals` digits of the second (3 to
// kMaxTimeDecimals), truncated; minutes above 100 shown as 99.
inline constexpr int kMaxTimeDecimals = 6;
std::string FormatTime(uint32_t bytes, int64_t bytesPerSecond, int decimals = 3);
// The decimals the time ruler needs so that labels `spacing` bytes apart
// read apart: three down to a few samples per label, then up to microseconds.
int RulerDecimals(uint32_t spacing, int64_t bytesPerSecond);

enum class DrawMode { None, Points, Samples, SampleEnvelope, PeakEnvelope };
DrawMode ChooseDrawMode(uint32_t viewLength, uint32_t dataLength, int bitsPerSample);

// One lane of the plot (the mono lane, or the left or right lane).
struct Lane {
  int centre = 0;
  int half = 0;  // half-height
};
std::vector<Lane> LanesFor(int channels, int F);

struct Point {
  int x = 0, y = 0;
};

// What one lane draws: a polyline with squares of 2 x squareHalf pixels
// around `squares` of its points (points and samples modes), or a closed
// envelope polygon (both envelope modes).
struct LanePlot {
  std::vector<Point> line;
  std::vector<Point> squares;
  int squareHalf = 0;
  std::vector<Point> polygon;
};

// The plot of the document's visible range for a plot of P x F pixels.
// Reads the mapped working copy in the sample modes and only the mapped peak
// data in the peak envelope mode. Empty when there is nothing to draw.
std::vector<LanePlot> BuildPlot(const CEditorDoc& doc, int P, int F);

struct ScrollBarState {
  int page = 3;
  int position = 0;
};
ScrollBarState ScrollBarFor(const CEditorDoc& doc);

// The mappings between the selection's byte offsets and plot columns; the
// peak offsets follow the byte offsets inside the document.
void PixelsToSelection(CEditorDoc& doc, const PixelState& pixels, int P);
void SelectionToPixels(const CEditorDoc& doc, PixelState& pixels, int P);

enum class ScrollCode { LineLeft, LineRight, PageLeft, PageRight, ThumbTrack, Other };
// Moves the visible range; false for codes that are ignored. The caller
// stops playback first and repaints afterwards.
bool Scroll(CEditorDoc& doc, PixelState& pixels, ScrollCode code, int thumbPosition, int P);

// View := selection. false, and nothing changed, for an insertion point, a
// mono selection of at most 2 bytes or a stereo one of at most 4 bytes.
bool ZoomToSelection(CEditorDoc& doc, PixelState& pixels, int P);

// Zooming in stops at this many frames across the plot (or the whole file).
inline constexpr uint32_t kClosestZoomFrames = 16;
enum class Zoom { In, Out };
// Halves or doubles the visible range in whole frames, keeping `anchor` (a
// byte offset) in its column; an anchor outside the view becomes the new
// view's centre. The view stays inside the audio. false, and nothing
// changed, when the view is already as close as it goes or the whole file.
bool ZoomStep(CEditorDoc& doc, PixelState& pixels, int P, Zoom direction, uint32_t anchor);
// Where a zoom from the keyboard, the menu or the view's buttons holds
// still: the selection's centre, else the cursor while it is in view, else
// the view's centre.
uint32_t ZoomAnchor(const CEditorDoc& doc);
// The frame-aligned byte offset shown in plot column `column`.
uint32_t OffsetAtColumn(const CEditorDoc& doc, int column, int P);
void FullView(CEditorDoc& doc, PixelState& pixels, int P);

// Whole wheel notches (120 units of angle each) from a stream of wheel
// events, so a touchpad's small deltas add up instead of being lost.
// Positive is away from the user.
class WheelSteps {
 public:
  int Take(int angle) {
    remainder_ += angle;
    const int steps = remainder_ / kNotch;
    remainder_ -= steps * kNotch;
    return steps;
  }

 private:
  static constexpr int kNotch = 120;
  int remainder_ = 0;
};

// Column ranges [a, b) to invert in the plot buffer.
struct ColumnRange {
  int a = 0, b = 0;
};
// What a selection change inverts, by the drag state; also
// advances drawnX1/drawnX2, markerDrawn and selectAllPending as a redraw
// does. A single column is the range [x, x + 1).
std::vector<ColumnRange> PlanSelectionRedraw(PixelState& pixels);

// The range [a, b) clipped to the plot and the surface, empty when nothing
// of it is inside.
ColumnRange ClipColumns(ColumnRange range, int P);

}  // namespace view
