#include "app/view_math.h"

#include <algorithm>
#include <cstdio>

#include "engine/editor_doc.h"

namespace view {

namespace {

uint32_t Aligned(uint32_t value, int blockAlign) {
  return blockAlign > 0 ? value - value % static_cast<uint32_t>(blockAlign) : value;
}

// The products of the mappings are computed in floating point and truncated;
// a value below 0 (a column left of the view) truncates to 0.
uint32_t TruncU32(double value) {
  if (value <= 0.0) return 0;
  if (value >= 4294967295.0) return 4294967295u;
  return static_cast<uint32_t>(value);
}

// The 8-bit scale of the peak data and of 8-bit samples.
constexpr double kEighthBitScale = 0.0078125;
// 1 / 32767 as the single-precision constant the amplitudes are scaled by.
constexpr float kSixteenBitScale = 1.0f / 32767.0f;

double SampleValue(const uint8_t* sample, int bits) {
  if (bits == 8) return (static_cast<int>(sample[0]) - 128) * kEighthBitScale;
  const auto value = static_cast<int16_t>(static_cast<uint16_t>(sample[0] | (sample[1] << 8)));
  return static_cast<double>(value * kSixteenBitScale);
}

int SampleY(const Lane& lane, double value) {
  return static_cast<int>(lane.centre - value * lane.half);
}

// Envelope columns per lane, both starting at the lane centre.
struct Envelope {
  std::vector<int> top, bottom;
  int last = -1;
  explicit Envelope(int centre) : top(kSurfaceSize, centre), bottom(kSurfaceSize, centre) {}
  std::vector<Point> Polygon() const {
    std::vector<Point> points;
    if (last < 0) return points;
    points.reserve(2 * (last + 1));
    for (int x = 0; x <= last; ++x) points.push_back({x, bottom[x]});
    for (int x = last; x >= 0; --x) points.push_back({x, top[x]});
    return points;
  }
};

}  // namespace

Layout Layout::For(int width, int height) {
  Layout l;
  l.W = width;
  l.H = height;
  l.P = width - 2 * kScaleWidth;
  l.F = height - kRulerHeight;
  l.Q = l.F / 4;
  l.M = 2 * l.Q;
  return l;
}

bool Layout::InZoomOut(int x, int y) const {
  return x >= W - 79 && x <= W - 58 && y >= F - 18 && y <= F;
}

bool Layout::InZoomIn(int x, int y) const {
  return x >= W - 57 && x <= W - 35 && y >= F - 37 && y <= F - 18;
}

bool Layout::InFullView(int x, int y) const {
  return x >= W - 57 && x <= W - 35 && y >= F - 18 && y <= F;
}

std::string FormatTime(uint32_t bytes, int64_t bytesPerSecond, int decimals) {
  decimals = std::clamp(decimals, 3, kMaxTimeDecimals);
  int64_t scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  // A format without a rate has no time; it reads as the start.
  const int64_t whole = bytesPerSecond > 0 ? bytes / bytesPerSecond : 0;
  // Exact in integers: the remainder is below the rate, so the product stays
  // far inside 64 bits, and a time is never shown a digit early.
  const int64_t fraction =
      bytesPerSecond > 0 ? (bytes % bytesPerSecond) * scale / bytesPerSecond : 0;
  int64_t minutes = whole / 60;
  const int64_t secs = whole - 60 * minutes;
  if (minutes > 100) minutes = 99;
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d.%0*lld", static_cast<int>(minutes),
                static_cast<int>(secs), decimals, static_cast<long long>(fraction));
  return text;
}

int RulerDecimals(uint32_t spacing, int64_t bytesPerSecond) {
  // Enough digits that labels `spacing` bytes apart differ by at least one
  // unit of the last digit.
  // Labels of an empty view all read the start; milliseconds will do.
  int decimals = 3;
  int64_t scale = 1000;
  while (decimals < kMaxTimeDecimals && bytesPerSecond > 0 && spacing > 0 &&
         static_cast<int64_t>(spacing) * scale < bytesPerSecond) {
    ++decimals;
    scale *= 10;
  }
  return decimals;
}

DrawMode ChooseDrawMode(uint32_t viewLength, uint32_t dataLength, int bitsPerSample) {
  if (dataLength == 0 || (bitsPerSample != 8 && bitsPerSample != 16)) return DrawMode::None;
  const bool sixteen = bitsPerSample == 16;
  if (viewLength < (sixteen ? 128u : 64u)) return DrawMode::Points;
  if (viewLength < (sixteen ? 2048u : 1024u)) return DrawMode::Samples;
  if (viewLength < 70000u) return DrawMode::SampleEnvelope;
  return DrawMode::PeakEnvelope;
}

std::vector<Lane> LanesFor(int channels, int F) {
  const int half = static_cast<int>(F * 0.5);
  if (channels == 1) return {Lane{half, half}};
  if (channels == 2) {
    const int a = static_cast<int>(half * 0.5);
    return {Lane{a, a}, Lane{3 * a, a}};
  }
  return {};
}

std::vector<LanePlot> BuildPlot(const CEditorDoc& doc, int P, int F) {
  const AudioRange& view = doc.View();
  const DrawMode mode = ChooseDrawMode(view.Length(), doc.dataLength, doc.bitsPerSample);
  const std::vector<Lane> lanes = LanesFor(doc.channels, F);
  if (mode == DrawMode::None || lanes.empty() || P <= 0 || F <= 0) return {};
  const int bits = doc.bitsPerSample;
  const int frame = doc.channels * (bits / 8);
  const int bytesPerSample = bits / 8;
  std::vector<LanePlot> plots(lanes.size());

  if (mode == DrawMode::PeakEnvelope) {
    const uint8_t* peaks = doc.work.peakData;
    const uint32_t peakBytes = doc.work.peakLength;
    const int entry = 2 * doc.channels;
    if (peaks == nullptr || view.PeakLength() == 0) return {};
    uint32_t step =
        Aligned(TruncU32(static_cast<double>(view.PeakLength()) / P * (1.0 / 64)), entry);
    if (step == 0) step = static_cast<uint32_t>(entry);
    std::vector<Envelope> envelopes;
    for (const Lane& lane : lanes) envelopes.emplace_back(lane.centre);
    // Reads start on an entry, so the positive and negative bytes of a
    // channel are never taken for one another.
    const uint32_t end = std::min(view.PeakEnd(), peakBytes);
    for (uint32_t pos = Aligned(view.PeakStart(), entry); pos < end && pos + entry <= peakBytes;
         pos += step) {
      const int x = static_cast<int>(static_cast<double>(pos - std::min(pos, view.PeakStart())) /
                                     view.PeakLength() * P);
      if (x >= kSurfaceSize) break;
      for (size_t l = 0; l < lanes.size(); ++l) {
        const Lane& lane = lanes[l];
        Envelope& e = envelopes[l];
        const uint8_t positive = peaks[pos + 2 * l];
        const uint8_t negative = peaks[pos + 2 * l + 1];
        if (positive != 0) {
          e.top[x] = std::min(
              e.top[x], static_cast<int>(lane.centre - positive * kEighthBitScale * lane.half));
        }
        if (negative != 0) {
          e.bottom[x] = std::max(
              e.bottom[x], static_cast<int>(lane.centre + negative * kEighthBitScale * lane.half));
        }
        e.last = x;
      }
    }
    for (size_t l = 0; l < lanes.size(); ++l) plots[l].polygon = envelopes[l].Polygon();
    return plots;
  }

  const uint8_t* data = doc.work.pcmData;
  const uint32_t dataBytes = doc.work.pcmLength;
  if (data == nullptr || view.Length() == 0) return {};
  auto readable = [&](uint32_t pos) {
    return pos <= dataBytes && dataBytes - pos >= static_cast<uint32_t>(frame);
  };
  auto value = [&](uint32_t pos, size_t lane) {
    return SampleValue(data + pos + lane * bytesPerSample, bits);
  };

  if (mode == DrawMode::Points) {
    const int dx = static_cast<int>(static_cast<double>(frame) / (view.Length() + frame) * P);
    for (size_t l = 0; l < lanes.size(); ++l) {
      LanePlot& plot = plots[l];
      plot.squareHalf = 4;
      int x = 0;
      for (uint32_t pos = view.Start(); pos < view.End() && readable(pos); pos += frame) {
        x += dx;
        plot.line.push_back({x, SampleY(lanes[l], value(pos, l))});
      }
      plot.squares = plot.line;
    }
    return plots;
  }

  if (mode == DrawMode::Samples) {
    auto add = [&](uint32_t pos) {
      const int x = static_cast<int>(static_cast<double>(pos - view.Start()) / view.Length() * P);
      for (size_t l = 0; l < lanes.size(); ++l) {
        plots[l].line.push_back({x, SampleY(lanes[l], value(pos, l))});
      }
    };
    for (uint32_t pos = view.Start(); pos < view.End() && readable(pos); pos += frame) add(pos);
    for (LanePlot& plot : plots) {
      plot.squareHalf = 2;
      plot.squares = plot.line;
    }
    return plots;
  }

  // Sample envelope: a bounded number of reads per column.
  const double perColumn = bits == 8 ? 1.0 / 16 : 1.0 / 32;
  uint32_t step = Aligned(TruncU32(static_cast<double>(view.Length()) / P * perColumn), frame);
  if (step == 0) step = static_cast<uint32_t>(frame);
  std::vector<Envelope> envelopes;
  for (const Lane& lane : lanes) envelopes.emplace_back(lane.centre);
  for (uint32_t pos = view.Start(); pos < view.End() && readable(pos); pos += step) {
    const int x = static_cast<int>(static_cast<double>(pos - view.Start()) / view.Length() * P);
    if (x >= kSurfaceSize) break;
    for (size_t l = 0; l < lanes.size(); ++l) {
      const int y = SampleY(lanes[l], value(pos, l));
      Envelope& e = envelopes[l];
      e.bottom[x] = std::max(e.bottom[x], y);
      e.top[x] = std::min(e.top[x], y);
      e.last = x;
    }
  }
  for (size_t l = 0; l < lanes.size(); ++l) plots[l].polygon = envelopes[l].Polygon();
  return plots;
}

ScrollBarState ScrollBarFor(const CEditorDoc& doc) {
  const AudioRange& view = doc.View();
  ScrollBarState state;
  if (doc.dataLength == 0) return state;
  state.page =
      std::max(3, static_cast<int>(static_cast<double>(view.Length()) / doc.dataLength * 100));
  state.position = static_cast<int>(static_cast<double>(view.Start()) / doc.dataLength * 100);
  return state;
}

void PixelsToSelection(CEditorDoc& doc, const PixelState& pixels, int P) {
  if (P <= 0) return;
  const AudioRange& view = doc.View();
  auto at = [&](int column) {
    return Aligned(TruncU32(view.Start() + static_cast<double>(view.Length()) * column / P),
                   doc.blockAlign);
  };
  doc.SetSelection(at(pixels.selX1), at(pixels.selX2));
}

void SelectionToPixels(const CEditorDoc& doc, PixelState& pixels, int P) {
  const AudioRange& view = doc.View();
  auto column = [&](uint32_t pos) -> int16_t {
    if (pos < view.Start()) return -1;
    if (pos > view.End()) return static_cast<int16_t>(P + 1);
    if (view.Empty()) return 0;
    const int x = static_cast<int>(static_cast<double>(pos - view.Start()) / view.Length() * P);
    return static_cast<int16_t>(std::clamp(x, 0, std::max(P, 0)));
  };
  pixels.selX1 = pixels.drawnX1 = column(doc.Selection().Start());
  pixels.selX2 = pixels.drawnX2 = column(doc.Selection().End());
}

bool Scroll(CEditorDoc& doc, PixelState& pixels, ScrollCode code, int thumbPosition, int P) {
  const uint32_t data = doc.dataLength;
  const uint32_t length = doc.View().Length();
  uint32_t start = doc.View().Start(), end = doc.View().End();
  auto moveLeft = [&](uint32_t d) {
    if (start < d) {
      start = 0;
      end = data <= length ? data : length;
    } else {
      start -= d;
      end -= d;
    }
  };
  auto moveRight = [&](uint32_t d) {
    if (static_cast<uint64_t>(end) + d < data) {
      start += d;
      end += d;
    } else {
      end = data;
      start = length >= data ? 0 : data - length;
    }
  };
  switch (code) {
    case ScrollCode::LineLeft:
      moveLeft(Aligned(length / 4, doc.blockAlign));
      break;
    case ScrollCode::LineRight:
      moveRight(Aligned(length / 4, doc.blockAlign));
      break;
    case ScrollCode::PageLeft:
      moveLeft(length);
      break;
    case ScrollCode::PageRight:
      moveRight(length);
      break;
    case ScrollCode::ThumbTrack: {
      // The single-precision hundredth is slightly below 0.01, so the 50%
      // mark of a 1000-byte file is byte 499.
      constexpr float kHundredth = 0.01f;
      start =
          Aligned(TruncU32(static_cast<double>(thumbPosition) * kHundredth * data), doc.blockAlign);
      if (static_cast<uint64_t>(start) + length > data) {
        end = data;
        start = length >= data ? 0 : data - length;
      } else {
        end = start + length;
      }
      break;
    }
    case ScrollCode::Other:
      return false;
  }
  doc.SetView(start, end);
  SelectionToPixels(doc, pixels, P);
  return true;
}

bool ZoomToSelection(CEditorDoc& doc, PixelState& pixels, int P) {
  const AudioRange& selection = doc.Selection();
  const uint32_t length = selection.Length();
  if (selection.Empty() || (doc.channels == 1 && length <= 2) ||
      (doc.channels == 2 && length <= 4)) {
    return false;
  }
  doc.SetView(selection.Start(), selection.End());
  pixels.selX1 = pixels.drawnX1 = 0;
  pixels.selX2 = pixels.drawnX2 = static_cast<int16_t>(P);
  return true;
}

uint32_t OffsetAtColumn(const CEditorDoc& doc, int column, int P) {
  const AudioRange& view = doc.View();
  if (P <= 0) return view.Start();
  const uint64_t into = static_cast<uint64_t>(view.Length()) * std::clamp(column, 0, P) / P;
  return Aligned(static_cast<uint32_t>(view.Start() + into), doc.blockAlign);
}

uint32_t ZoomAnchor(const CEditorDoc& doc) {
  const AudioRange& selection = doc.Selection();
  const AudioRange& view = doc.View();
  if (!selection.Empty()) return selection.Start() + selection.Length() / 2;
  if (selection.Start() >= view.Start() && selection.Start() <= view.End()) {
    return selection.Start();
  }
  return view.Start() + view.Length() / 2;
}

bool ZoomStep(CEditorDoc& doc, PixelState& pixels, int P, Zoom direction, uint32_t anchor) {
  const AudioRange& view = doc.View();
  const uint64_t frame = doc.blockAlign > 0 ? static_cast<uint64_t>(doc.blockAlign) : 1;
  const uint64_t data = doc.dataLength;
  const uint64_t frames = view.Length() / frame;
  uint64_t length = 0;
  if (direction == Zoom::In) {
    const uint64_t closest = std::min<uint64_t>(kClosestZoomFrames, data / frame);
    if (frames <= closest) return false;
    length = std::max(frames / 2, closest) * frame;
  } else {
    if (view.Start() == 0 && view.End() >= data) return false;
    length = std::min(std::max<uint64_t>(frames, 1) * 2 * frame, data);
  }
  // The anchor keeps its column; one outside the view becomes the centre.
  uint64_t start = 0;
  if (anchor >= view.Start() && anchor <= view.End() && view.Length() > 0) {
    const uint64_t before = static_cast<uint64_t>(anchor - view.Start()) * length / view.Length();
    start = anchor - std::min<uint64_t>(anchor, before);
  } else {
    start = anchor - std::min<uint64_t>(anchor, length / 2);
  }
  start -= start % frame;
  if (start + length > data) start = (data - length) - (data - length) % frame;
  doc.SetView(static_cast<uint32_t>(start), static_cast<uint32_t>(start + length));
  SelectionToPixels(doc, pixels, P);
  return true;
}

void FullView(CEditorDoc& doc, PixelState& pixels, int P) {
  doc.SetView(0, doc.dataLength);
  SelectionToPixels(doc, pixels, P);
}

std::vector<ColumnRange> PlanSelectionRedraw(PixelState& pixels) {
  std::vector<ColumnRange> ranges;
  auto invert = [&](int a, int b) {
    if (a > b) std::swap(a, b);
    if (a != b) ranges.push_back({a, b});
  };
  auto removeOldMark = [&] {
    if (pixels.markerDrawn) {
      invert(pixels.drawnX1, pixels.drawnX1 + 1);
    } else if (pixels.drawnX1 != pixels.drawnX2) {
      invert(pixels.drawnX1, pixels.drawnX2);
    }
  };
  if (pixels.selX1 != pixels.drawnX1 || pixels.selX2 != pixels.drawnX2) {
    if (pixels.selectAllPending) {
      removeOldMark();
      invert(pixels.selX1, pixels.selX2);
      pixels.selectAllPending = 0;
      pixels.markerDrawn = 0;
    } else if (pixels.dragMoved) {
      if (pixels.markerDrawn) {
        invert(pixels.drawnX1, pixels.drawnX1 + 1);
        pixels.markerDrawn = 0;
      }
      if (pixels.selX1 == pixels.drawnX1) {
        invert(pixels.drawnX2, pixels.selX2);
      } else if (pixels.selX2 == pixels.drawnX2) {
        invert(pixels.drawnX1, pixels.selX1);
      } else if (pixels.selX1 < pixels.drawnX1) {
        invert(pixels.selX1, pixels.drawnX2);
      } else {
        invert(pixels.drawnX1, pixels.selX2);
      }
    } else {
      removeOldMark();
      invert(pixels.selX1, pixels.selX1 + 1);
      pixels.markerDrawn = 1;
    }
  }
  pixels.drawnX1 = pixels.selX1;
  pixels.drawnX2 = pixels.selX2;
  return ranges;
}

ColumnRange ClipColumns(ColumnRange range, int P) {
  const int limit = std::min(P, kSurfaceSize);
  ColumnRange clipped{std::clamp(range.a, 0, std::max(limit, 0)),
                      std::clamp(range.b, 0, std::max(limit, 0))};
  if (clipped.b < clipped.a) clipped.b = clipped.a;
  return clipped;
}

}  // namespace view
