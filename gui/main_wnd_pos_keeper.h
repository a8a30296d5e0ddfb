// Keeps the main window's placement in the per-user profile (section
// "Settings", value "MainWndPos"): applies it when hooked (or at the first
// paint when started with the no-show marker) and writes it back when the
// window closes. Deletes itself once unhooked.
#pragma once

#include <QString>
#include <cstdint>

#include "app/window_placement.h"
#include "gui/subclass_wnd.h"

class QSettings;

class CMainWndPosKeeper : public CSubclassWnd {
  Q_OBJECT

 public:
  CMainWndPosKeeper(uint32_t showCmd, QString section, QString entry);
  // Hooks the window and, unless the show command is the no-show marker,
  // applies the stored placement and shows the window.
  bool Attach(QWidget* window);

  // The placement of a window as it would be saved, and applying one.
  static WindowPlacement PlacementOf(const QWidget* window);
  static void ApplyPlacement(QWidget* window, const WindowPlacement& placement);
  void SavePlacement();
  bool RestorePlacement();

 protected:
  bool WindowProc(QEvent* event) override;
  void OnUnhooked() override;

 private:
  uint32_t showCmd_;
  QString section_, entry_;
  bool applied_ = false;
};
