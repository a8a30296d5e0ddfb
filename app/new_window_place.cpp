#include "app/new_window_place.h"

#include <algorithm>
#include <utility>

namespace {

// The step between cascaded windows: a title bar's height, so each title
// stays readable.
constexpr int kCascadeStep = 24;

bool Overlaps(const WindowRect& a, const WindowRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

}  // namespace

WindowRect NewWindowPlace(int areaWidth, int areaHeight, int width, int height,
                          const std::vector<WindowRect>& open) {
  WindowRect place{0, 0, std::clamp(width, 1, std::max(areaWidth, 1)),
                   std::clamp(height, 1, std::max(areaHeight, 1))};
  const auto fits = [&](int x, int y) {
    return x >= 0 && y >= 0 && x + place.width <= areaWidth && y + place.height <= areaHeight;
  };

  // A free spot starts at the area's edge or at an open window's right or
  // bottom edge.
  std::vector<int> xs{0}, ys{0};
  for (const WindowRect& r : open) {
    xs.push_back(r.x + r.width);
    ys.push_back(r.y + r.height);
  }
  std::sort(xs.begin(), xs.end());
  std::sort(ys.begin(), ys.end());
  const auto free = [&](const WindowRect& candidate) {
    return std::none_of(open.begin(), open.end(),
                        [&](const WindowRect& r) { return Overlaps(candidate, r); });
  };
  for (int y : ys) {
    for (int x : xs) {
      const WindowRect candidate{x, y, place.width, place.height};
      if (fits(x, y) && free(candidate)) return candidate;
    }
  }
  for (int y : ys) {
    for (int x : xs) {
      const WindowRect cut{x, y, std::min(place.width, areaWidth - x),
                           std::min(place.height, areaHeight - y)};
      if (2 * cut.width >= place.width && 2 * cut.height >= place.height && free(cut)) return cut;
    }
  }

  if (!open.empty()) {
    const int x = open.back().x + kCascadeStep;
    const int y = open.back().y + kCascadeStep;
    if (fits(x, y)) {
      place.x = x;
      place.y = y;
    }
  }
  return place;
}
