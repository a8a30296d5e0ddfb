// Lets a GUI test wait for something another thread or process brings about
// while the event loop keeps running.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

// Dispatches events until `done` holds or `ms` have passed; false on time-out.
inline bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}
