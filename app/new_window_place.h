// Where a new document window opens inside the window area. It takes the
// first free spot, row by row from the top left, where it covers no open
// window at its full size; failing that, the first where it does so cut to
// the area's edge but still at least half its width and half its height.
// When the area has no such spot it opens one step down and to the right of
// the last opened window, back at the top left corner when that step would
// leave the area. It never lies outside the area: a window larger than the
// area is shrunk to fit.
#pragma once

#include <vector>

struct WindowRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const WindowRect&) const = default;
};

// `open` lists the open windows (minimised ones left out) in the order they
// were opened.
WindowRect NewWindowPlace(int areaWidth, int areaHeight, int width, int height,
                          const std::vector<WindowRect>& open);
