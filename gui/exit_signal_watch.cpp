#include "gui/exit_signal_watch.h"

#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "app/editor_app.h"
#include "app/exit_signals.h"
#include "gui/main_frame.h"

namespace {

int askedStatus = -1;

}  // namespace

int ExitStatusAskedEarly() {
  return askedStatus;
}

void WatchExitSignals(int wakeFd, CEditorApp& app, CMainFrame& frame) {
  if (wakeFd < 0) return;
  auto* notifier = new QSocketNotifier(wakeFd, QSocketNotifier::Read, &frame);
  QObject::connect(notifier, &QSocketNotifier::activated, &frame, [notifier, &app, &frame] {
    notifier->setEnabled(false);
    const int status = ExitStatusForSignal(ExitSignalReceived());
    frame.StorePanelFlags();
    if (PrepareSignalEnd(app) == SignalEnd::KeepRunFolder) EndKeepingRunFolder(status);
    askedStatus = status;
    QApplication::exit(status);
  });
}
