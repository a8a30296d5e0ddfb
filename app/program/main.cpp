// vellmore-editor: start-up, the main window, and an orderly exit.
//
//   vellmore-editor [--snapshot PNG] [FILE]
//
// --snapshot renders the main window into PNG once it is shown and quits;
// it is how a machine without a display shows what a user would see.

#include <QApplication>
#include <QGuiApplication>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "app/program/message_box_sink.h"
#include "platform/message.h"

namespace {

struct Options {
  QString snapshotPath;
  QString file;
};

Options ParseOptions(const QStringList& arguments) {
  Options options;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == "--snapshot" && i + 1 < arguments.size()) {
      options.snapshotPath = arguments[++i];
    } else {
      options.file = arguments[i];
    }
  }
  return options;
}

bool HasScreenForDialogs() {
  // Modal boxes on the offscreen platform would wait for a click that never
  // comes; there the messages go to stderr instead.
  return QGuiApplication::platformName() != "offscreen";
}

}  // namespace

int main(int argc, char** argv) {
  QApplication qtApp(argc, argv);
  QApplication::setOrganizationName("Local AppWizard-Generated Applications");
  QApplication::setApplicationName("Editor");
  QApplication::setApplicationDisplayName("Vellmore Editor");
  const Options options = ParseOptions(QApplication::arguments());
  if (HasScreenForDialogs()) platform::SetMessageSink(ShowMessageBox);

  CEditorApp app;
  DefaultFirstRunDialogs firstRun;
  if (!app.StartUp(firstRun)) return 1;

  QMainWindow mainWindow;
  mainWindow.setWindowTitle("Vellmore Editor");
  mainWindow.setMinimumSize(800, 400);
  mainWindow.resize(1024, 640);
  mainWindow.show();

  if (!options.snapshotPath.isEmpty()) {
    QTimer::singleShot(0, &mainWindow, [&] {
      const bool saved = mainWindow.grab().save(options.snapshotPath, "PNG");
      std::printf("%s %s\n", saved ? "snapshot:" : "could not write snapshot:",
                  options.snapshotPath.toLocal8Bit().constData());
      QApplication::exit(saved ? 0 : 1);
    });
  }
  const int status = QApplication::exec();
  app.Shutdown();
  return status;
}
