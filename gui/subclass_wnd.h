// A hook on a window's event stream, as an event filter. Several hooks may
// sit on one window; the one attached last sees each event first, and a
// hook that does not consume an event passes it on to the next one (and
// finally to the window). A hook detaches itself when its window goes away.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class CSubclassWnd : public QObject {
  Q_OBJECT

 public:
  CSubclassWnd() = default;
  ~CSubclassWnd() override;

  bool Hook(QWidget* window);
  void Unhook();
  bool IsHooked() const { return window_ != nullptr; }
  QWidget* Window() const { return window_; }
  // The hook attached to `window` most recently, or null.
  static CSubclassWnd* TopHook(QWidget* window);

 protected:
  // Sees each event of the window; true consumes it. The default passes it
  // on.
  virtual bool WindowProc(QEvent* event);
  // Called once the hook has been removed from its window.
  virtual void OnUnhooked() {}

  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QWidget> window_;
};
