#include "app/window_placement.h"

#include <cstdio>

std::string FormatPlacement(const WindowPlacement& p) {
  char text[160];
  std::snprintf(text, sizeof text, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd, p.minX,
                p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom);
  return text;
}

bool ParsePlacement(const std::string& text, WindowPlacement* placement) {
  if (text.empty()) return false;
  WindowPlacement p;
  int consumed = 0;
  const int fields =
      std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d%n", &p.flags, &p.showCmd, &p.minX,
                  &p.minY, &p.maxX, &p.maxY, &p.left, &p.top, &p.right, &p.bottom, &consumed);
  if (fields != 10) return false;
  *placement = p;
  return true;
}

uint32_t RestoredShowCommand(uint32_t stored, uint32_t startShowCmd) {
  if (startShowCmd == SW_SHOWNORMAL || startShowCmd == SW_SHOW) return stored;
  return startShowCmd;
}
