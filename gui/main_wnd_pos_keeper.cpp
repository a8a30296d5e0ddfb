#include "gui/main_wnd_pos_keeper.h"

#include <QEvent>
#include <QSettings>
#include <QWidget>

CMainWndPosKeeper::CMainWndPosKeeper(uint32_t showCmd, QString section, QString entry)
    : showCmd_(showCmd), section_(std::move(section)), entry_(std::move(entry)) {}

bool CMainWndPosKeeper::Attach(QWidget* window) {
  if (!Hook(window)) return false;
  if (showCmd_ != SW_NO_SHOW_MARKER) {
    applied_ = true;
    if (!RestorePlacement()) {
      if (showCmd_ == SW_SHOWMAXIMIZED) {
        window->showMaximized();
      } else if (showCmd_ == SW_SHOWMINIMIZED) {
        window->showMinimized();
      } else if (showCmd_ != SW_HIDE) {
        window->show();
      }
    }
  }
  return true;
}

WindowPlacement CMainWndPosKeeper::PlacementOf(const QWidget* window) {
  WindowPlacement p;
  const bool maximized = window->isMaximized();
  p.flags = maximized ? WPF_RESTORETOMAXIMIZED : 0;
  p.showCmd = window->isMinimized() ? SW_SHOWMINIMIZED
              : maximized           ? SW_SHOWMAXIMIZED
                                    : SW_SHOWNORMAL;
  const QRect normal = window->normalGeometry().isValid() && (maximized || window->isMinimized())
                           ? window->normalGeometry()
                           : window->geometry();
  p.left = normal.left();
  p.top = normal.top();
  p.right = normal.left() + normal.width();
  p.bottom = normal.top() + normal.height();
  return p;
}

void CMainWndPosKeeper::ApplyPlacement(QWidget* window, const WindowPlacement& p) {
  window->setGeometry(p.left, p.top, p.right - p.left, p.bottom - p.top);
  switch (p.showCmd) {
    case SW_HIDE:
      break;
    case SW_SHOWMINIMIZED:
      window->showMinimized();
      break;
    case SW_SHOWMAXIMIZED:
      window->showMaximized();
      break;
    default:
      window->showNormal();
      break;
  }
}

bool CMainWndPosKeeper::RestorePlacement() {
  QSettings settings;
  const QString text = settings.value(section_ + "/" + entry_).toString();
  WindowPlacement placement;
  if (!ParsePlacement(text.toStdString(), &placement)) return false;
  if (showCmd_ != SW_NO_SHOW_MARKER) {
    placement.showCmd = RestoredShowCommand(placement.showCmd, showCmd_);
  }
  ApplyPlacement(Window(), placement);
  return true;
}

void CMainWndPosKeeper::SavePlacement() {
  if (Window() == nullptr) return;
  QSettings settings;
  settings.setValue(section_ + "/" + entry_,
                    QString::fromStdString(FormatPlacement(PlacementOf(Window()))));
}

bool CMainWndPosKeeper::WindowProc(QEvent* event) {
  if (event->type() == QEvent::Paint && !applied_) {
    // Started without a show command: the placement waits for the first
    // paint, once per run.
    applied_ = true;
    RestorePlacement();
  } else if (event->type() == QEvent::Close) {
    SavePlacement();
  }
  return false;
}

void CMainWndPosKeeper::OnUnhooked() {
  deleteLater();
}
