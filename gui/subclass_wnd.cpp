#include "gui/subclass_wnd.h"

#include <QEvent>
#include <QHash>

namespace {

// Each window's hooks, oldest first.
QHash<QWidget*, QList<CSubclassWnd*>>& HookMap() {
  static QHash<QWidget*, QList<CSubclassWnd*>> map;
  return map;
}

}  // namespace

CSubclassWnd::~CSubclassWnd() {
  Unhook();
}

bool CSubclassWnd::Hook(QWidget* window) {
  if (window == nullptr || window_ != nullptr) return false;
  window_ = window;
  HookMap()[window].append(this);
  // Qt calls the filter installed last first, which is the order the hooks
  // chain in.
  window->installEventFilter(this);
  connect(window, &QObject::destroyed, this, [this] {
    window_ = nullptr;
    for (auto it = HookMap().begin(); it != HookMap().end();) {
      it.value().removeAll(this);
      it = it.value().isEmpty() ? HookMap().erase(it) : std::next(it);
    }
    OnUnhooked();
  });
  return true;
}

void CSubclassWnd::Unhook() {
  QWidget* window = window_;
  if (window == nullptr) return;
  window->removeEventFilter(this);
  disconnect(window, nullptr, this, nullptr);
  auto it = HookMap().find(window);
  if (it != HookMap().end()) {
    it.value().removeAll(this);
    if (it.value().isEmpty()) HookMap().erase(it);
  }
  window_ = nullptr;
  OnUnhooked();
}

CSubclassWnd* CSubclassWnd::TopHook(QWidget* window) {
  auto it = HookMap().find(window);
  return it == HookMap().end() || it.value().isEmpty() ? nullptr : it.value().last();
}

bool CSubclassWnd::WindowProc(QEvent* /*event*/) {
  return false;
}

bool CSubclassWnd::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && WindowProc(event)) return true;
  return QObject::eventFilter(watched, event);
}
