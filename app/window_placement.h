// The main window's saved placement: the "MainWndPos" value of section
// "Settings" in the per-user profile, as text "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d"
// (flags, show command, minimised x y, maximised x y, normal rectangle left
// top right bottom). Plain code; the placement keeper applies it to a window.
#pragma once

#include <cstdint>
#include <string>

inline constexpr uint32_t WPF_RESTORETOMAXIMIZED = 2;
inline constexpr uint32_t SW_HIDE = 0;
inline constexpr uint32_t SW_SHOWNORMAL = 1;
inline constexpr uint32_t SW_SHOWMINIMIZED = 2;
inline constexpr uint32_t SW_SHOWMAXIMIZED = 3;
inline constexpr uint32_t SW_SHOW = 5;
// The show command that defers the placement to the first paint.
inline constexpr uint32_t SW_NO_SHOW_MARKER = 0xFFFF;

struct WindowPlacement {
  uint32_t flags = 0;
  uint32_t showCmd = SW_SHOWNORMAL;
  int minX = -1, minY = -1;
  int maxX = -1, maxY = -1;
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const WindowPlacement&) const = default;
};

std::string FormatPlacement(const WindowPlacement& placement);
// Exactly ten numbers in the format above; false for anything else.
bool ParsePlacement(const std::string& text, WindowPlacement* placement);
// The show command a restored placement is shown with: the program's start
// command replaces the stored one unless it is show-normal or show.
uint32_t RestoredShowCommand(uint32_t stored, uint32_t startShowCmd);
