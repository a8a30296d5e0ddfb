// vellmore-editor: start-up, the main window, and an orderly exit.
//
//   vellmore-editor [--snapshot PNG] [--size WxH] [--select FROM,TO] [FILE]
//
// --snapshot renders the main window with its floating panels into PNG once
// the file is open and quits; it is how a machine without a display shows
// what a user would see. --size gives the window's size for it, --select a
// selection as fractions of the file (0.25,0.5), as a mouse drag would make.

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/editor_app.h"
#include "app/first_run.h"
#include "app/view_math.h"
#include "audio/audio_engine.h"
#include "effects/document_tools.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/dialogs/first_run_dialogs.h"
#include "gui/gui_audio_listener.h"
#include "gui/gui_document_dialogs.h"
#include "gui/main_frame.h"
#include "gui/main_wnd_pos_keeper.h"
#include "gui/message_box_sink.h"
#include "gui/progress_dialog.h"
#include "gui/view/editor_view.h"
#include "platform/message.h"

namespace {

struct Options {
  QString snapshotPath;
  QSize size;
  double selectFrom = -1, selectTo = -1;
  QString file;
};

Options ParseOptions(const QStringList& arguments) {
  Options options;
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == "--snapshot" && i + 1 < arguments.size()) {
      options.snapshotPath = arguments[++i];
    } else if (a == "--size" && i + 1 < arguments.size()) {
      const QStringList wh = arguments[++i].split('x');
      if (wh.size() == 2) options.size = QSize(wh[0].toInt(), wh[1].toInt());
    } else if (a == "--select" && i + 1 < arguments.size()) {
      const QStringList range = arguments[++i].split(',');
      if (range.size() == 2) {
        options.selectFrom = range[0].toDouble();
        options.selectTo = range[1].toDouble();
      }
    } else {
      options.file = a;
    }
  }
  return options;
}

bool HasScreenForDialogs() {
  // Modal boxes on the offscreen platform would wait for a click that never
  // comes; there the messages go to stderr instead.
  return QGuiApplication::platformName() != "offscreen";
}

// Selects [from, to) of the file in the view, through the same column
// mapping a drag uses.
void SelectFraction(CEditorView& view, double from, double to) {
  CEditorDoc& doc = view.Document();
  view.Render();
  const int P = view.LastLayout().P;
  if (P <= 0 || doc.dataLength == 0) return;
  view::PixelState& pixels = view.Pixels();
  pixels.selX1 = static_cast<int16_t>(std::clamp(from, 0.0, 1.0) * P);
  pixels.selX2 = static_cast<int16_t>(std::clamp(to, 0.0, 1.0) * P);
  view::PixelsToSelection(doc, pixels, P);
  pixels.selectAllPending = 1;
  view.RedrawSelection();
  view.Invalidate();
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
  app.installTools = InstallDocumentTools;
  // Without a screen nobody could answer the first-run dialogs; the
  // defaults (platform temp path, device 0) stand in for them there.
  RunMediaRuntimeStepWithNotice(app.ConfigPath(), HasScreenForDialogs(), nullptr);
  CQtFirstRunDialogs dialogFirstRun;
  DefaultFirstRunDialogs defaultFirstRun;
  FirstRunDialogs& firstRun = HasScreenForDialogs()
                                  ? static_cast<FirstRunDialogs&>(dialogFirstRun)
                                  : static_cast<FirstRunDialogs&>(defaultFirstRun);
  if (!app.StartUp(firstRun)) return 1;
  // The one playback and recording engine; it outlives every window and
  // document that it could be playing.
  AudioEngine audio(app);

  int status = 0;
  {
    CMainFrame frame(app);
    CProgressDialog progress(app, &frame);
    app.SetOperationHost(&progress);
    CGuiDocumentDialogs dialogs(&frame);
    app.SetDocumentDialogs(&dialogs);
    GuiAudioListener audioListener(app, frame);
    audio.SetListener(&audioListener);
    ConnectTransport(app, frame, audio);

    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      frame.PlaceForScreen(screen->geometry().size());
    }
    auto* keeper = new CMainWndPosKeeper(SW_SHOWNORMAL, "Settings", "MainWndPos");
    keeper->Attach(&frame);
    if (!keeper->IsHooked()) frame.show();
    if (options.size.isValid()) frame.resize(options.size);

    if (app.Config()->formatPanelShown) frame.ToggleFormatPanel();
    if (app.Config()->levelMeterShown) frame.ToggleLevelPanel();
    // The picture shows both panels, as a user who opened them would.
    if (!options.snapshotPath.isEmpty()) {
      if (!frame.QualityPanel()) frame.ToggleFormatPanel();
      if (!frame.LevelsPanel()) frame.ToggleLevelPanel();
    }

    CChildFrame* opened = nullptr;
    if (!options.file.isEmpty()) {
      opened = frame.OpenDocumentFile(options.file);
      if (opened == nullptr && options.snapshotPath.isEmpty()) {
        audio.SetListener(nullptr);
        app.SetOperationHost(nullptr);
        app.SetDocumentDialogs(nullptr);
        app.Shutdown();
        return 1;
      }
    }

    if (!options.snapshotPath.isEmpty()) {
      QTimer::singleShot(200, &frame, [&] {
        if (opened != nullptr) {
          opened->showMaximized();
          QApplication::processEvents();
          if (options.selectFrom >= 0) {
            SelectFraction(opened->View(), options.selectFrom, options.selectTo);
          }
          opened->View().setFocus();
          QApplication::processEvents();
        }
        const bool saved = frame.Snapshot().save(options.snapshotPath, "PNG");
        std::printf("%s %s\n", saved ? "snapshot:" : "could not write snapshot:",
                    options.snapshotPath.toLocal8Bit().constData());
        std::fflush(stdout);
        QApplication::exit(saved ? 0 : 1);
      });
    }
    status = QApplication::exec();
    // Nothing may play or record into the windows once they start to go.
    StopPlaybackAndWait(app);
    if (audio.RecordState() == RECORD_MONITORING) audio.MonitorStop();
    audio.SetListener(nullptr);
    app.SetOperationHost(nullptr);
    app.SetDocumentDialogs(nullptr);
  }
  app.Shutdown();
  return status;
}
