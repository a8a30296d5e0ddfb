// vellmore-editor: start-up, the main window, and an orderly exit.
//
//   vellmore-editor [--snapshot PNG] [--size WxH] [--select FROM,TO] [FILE...]
//
// Each FILE opens in a window of its own. --snapshot renders the main
// window with its floating panels into PNG once the files are open and
// quits; it is how a machine without a display shows what a user would see.
// --size gives the window's size for it, --select a selection as fractions
// of the last file (0.25,0.5), as a mouse drag would make.

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "app/editor_app.h"
#include "app/exit_signals.h"
#include "app/first_run.h"
#include "app/recovery_notice.h"
#include "app/view_math.h"
#include "audio/audio_engine.h"
#include "effects/document_tools.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/dialogs/first_run_dialogs.h"
#include "gui/dialogs/recovery_dialog.h"
#include "gui/exit_signal_watch.h"
#include "gui/gui_audio_listener.h"
#include "gui/gui_document_dialogs.h"
#include "gui/main_frame.h"
#include "gui/main_wnd_pos_keeper.h"
#include "gui/message_box_sink.h"
#include "gui/program_icon.h"
#include "gui/progress_dialog.h"
#include "gui/view/editor_view.h"
#include "platform/message.h"

namespace {

constexpr const char* kProgramName = "vellmore-editor";

struct Options {
  QString snapshotPath;
  QSize size;
  double selectFrom = -1, selectTo = -1;
  QStringList files;
};

// The options the editor takes besides Qt's own (-platform, -style, ...),
// which QApplication removes from the arguments before they are read here.
struct OptionParser {
  QCommandLineParser parser;
  QCommandLineOption help{{"h", "help"}, "Show these options and exit."};
  QCommandLineOption version{{"v", "version"}, "Show the version and exit."};
  QCommandLineOption snapshot{"snapshot",
                              "Render the main window with its panels into PNG once the files "
                              "are open, then quit.",
                              "PNG"};
  QCommandLineOption size{"size", "The main window's size for --snapshot.", "WxH"};
  QCommandLineOption select{
      "select", "Select FROM to TO, as fractions of the last file, for --snapshot.", "FROM,TO"};

  OptionParser() {
    // Qt's own options are single-dash words (-platform, -reverse); read as
    // words they can never pass for -h or -v.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        "Vellmore Editor: edit WAV, raw PCM, MP3 and WMA audio files.");
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(snapshot);
    parser.addOption(size);
    parser.addOption(select);
    parser.addPositionalArgument("FILE", "Audio files to open, each in a window of its own.",
                                 "[FILE...]");
  }

  QString HelpText() const { return parser.helpText().replace("<executable_name>", kProgramName); }

  Options Read() const {
    Options options;
    options.snapshotPath = parser.value(snapshot);
    if (const QStringList wh = parser.value(size).split('x'); wh.size() == 2) {
      options.size = QSize(wh[0].toInt(), wh[1].toInt());
    }
    if (const QStringList range = parser.value(select).split(','); range.size() == 2) {
      options.selectFrom = range[0].toDouble();
      options.selectTo = range[1].toDouble();
    }
    options.files = parser.positionalArguments();
    return options;
  }
};

QStringList RawArguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  return arguments;
}

// The window placement and the recent-file list live in the user's profile
// (~/.config/Vellmore/Editor.conf); with VELLMORE_HOME they live under that
// folder instead, so a test or a portable setup never touches the profile.
void UseProfileUnderProgramHome() {
  const QString home = qEnvironmentVariable("VELLMORE_HOME");
  if (!home.isEmpty()) QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home);
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
  QApplication::setApplicationVersion(VELLMORE_VERSION);
  // --help and --version answer before the window system is needed, so
  // they work without a display, over ssh and in packaging scripts.
  {
    OptionParser early;
    (void)early.parser.parse(RawArguments(argc, argv));
    if (early.parser.isSet(early.help)) {
      std::fputs(qPrintable(early.HelpText()), stdout);
      return 0;
    }
    if (early.parser.isSet(early.version)) {
      std::printf("%s %s\n", kProgramName, VELLMORE_VERSION);
      return 0;
    }
  }
  // From here on SIGTERM and SIGINT end the editor through its own exit; one
  // that arrives during start-up is acted on once the event loop runs.
  const int exitSignals = InstallExitSignals();

  QApplication qtApp(argc, argv);
  QApplication::setOrganizationName("Vellmore");
  QApplication::setApplicationName("Editor");
  QApplication::setApplicationDisplayName("Vellmore Editor");
  // The desktop entry's name ties the windows to the installed entry and its
  // icon (Wayland has no other way).
  QGuiApplication::setDesktopFileName("org.vellmore.Editor");
  QApplication::setWindowIcon(ProgramIcon());
  UseProfileUnderProgramHome();
  OptionParser parser;
  if (!parser.parser.parse(QApplication::arguments())) {
    std::fprintf(stderr, "%s: %s\n", kProgramName, qPrintable(parser.parser.errorText()));
    return 2;
  }
  const Options options = parser.Read();
  if (HasScreenForDialogs()) {
    platform::SetMessageSink(ShowMessageBox);
    platform::SetMessageGroupSink(ShowMessageGroupBox);
  }

  CEditorApp app;
  app.installTools = InstallDocumentTools;
  // Without a screen nobody could answer the first-run dialogs; the
  // defaults (the proposed temp folder, device 0) stand in for them there.
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

    WatchExitSignals(exitSignals, app, frame);
    // Documents that an editor which died left behind come first. Without
    // a screen nobody could answer: the editor says what waits and keeps it
    // for a start that can ask (or for the batch tool's `recover`).
    if (HasScreenForDialogs()) {
      OfferRecovery(app, frame);
    } else {
      NoticeRecoveryCandidates(app);
    }

    // Each file in a window of its own; a file that cannot be opened has
    // shown why, and the editor goes on with the others.
    CChildFrame* opened = nullptr;
    for (const QString& file : options.files) {
      if (CChildFrame* child = frame.OpenDocumentFile(file)) opened = child;
    }
    if (!options.files.isEmpty()) {
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
    status = ExitStatusAskedEarly() >= 0 ? ExitStatusAskedEarly() : QApplication::exec();
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
