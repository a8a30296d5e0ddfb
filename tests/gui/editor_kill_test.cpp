// The editor killed with SIGKILL at a chosen point, then a new editor that
// recovers what it left: the recovered audio is byte for byte what a clean
// run saved at the same point, and undo and redo go on working.
//
// The editor that is killed is this program started again in its child
// mode (a fresh process: a mere fork would inherit the test's background
// threads' state without the threads). It builds the window as the program
// does and works through the window's own actions and keys, offscreen, and
// tells the test through a pipe that it has reached the point to be killed
// at. The editor that recovers starts on the
// same configuration and answers the recovery question through the window's
// dialog, as a user would.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProgressBar>
#include <QSlider>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/document_recovery.h"
#include "app/editor_app.h"
#include "app/first_run.h"
#include "app/save_document.h"
#include "effects/document_tools.h"
#include "engine/doc_manifest.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/dialogs/recovery_dialog.h"
#include "gui/gui_document_dialogs.h"
#include "gui/main_frame.h"
#include "gui/progress_dialog.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/gui/widget_test_main.h"
#include "tests/support/editor_home.h"
#include "tests/support/latest_manifest.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr AudioFormat kCd{2, 16, 44100};
// Long enough that an echo over all of it takes a good part of a second.
constexpr size_t kAudioBytes = 48u << 20;
constexpr uint32_t kSecond = 44100 * 4;

// The window as the program wires it: its progress dialog runs every
// operation, its dialogs ask the user, and documents get their tools.
struct EditorWindow {
  explicit EditorWindow(CEditorApp& app) : app(app), frame(app), progress(app, &frame) {
    app.installTools = InstallDocumentTools;
    app.SetOperationHost(&progress);
    app.SetDocumentDialogs(&dialogs);
    frame.setGeometry(50, 50, 900, 600);
    frame.show();
    QApplication::setActiveWindow(&frame);
  }
  ~EditorWindow() {
    app.SetOperationHost(nullptr);
    app.SetDocumentDialogs(nullptr);
  }

  // Where the user's keys go: the focused widget, the document's view.
  QWidget* KeyTarget() {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus : &frame;
  }

  CEditorApp& app;
  CMainFrame frame;
  CProgressDialog progress;
  CGuiDocumentDialogs dialogs{&frame};
};

// Answers the two tool dialogs the steps use: the volume up by one page,
// the echo over the entire file, each applied. Other dialogs (the progress
// dialog) are left alone.
void AnswerToolDialogs(QDialog& dialog) {
  const auto button = [&](int id) {
    return dialog.findChild<QAbstractButton*>(QString::number(id));
  };
  if (dialog.objectName() == QString::number(ids::IDD_VOLUME)) {
    QTest::keyClick(dialog.findChild<QSlider*>("1070"), Qt::Key_PageUp);
    button(1073)->click();
  } else if (dialog.objectName() == QString::number(ids::IDD_ECHO)) {
    button(1068)->click();  // Apply To: Entire File
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
      if (b->text() == "Apply") b->click();
    }
  } else if (qobject_cast<CProgressDialog*>(&dialog) == nullptr) {
    // Nothing else is expected; it is turned down, so the step fails
    // instead of waiting for an answer.
    std::fprintf(stderr, "unexpected dialog: %s\n", qPrintable(dialog.windowTitle()));
    dialog.reject();
  }
}

// One user step on the active document window.
enum class Step { Cut, Volume, Undo, Redo, LongEcho };

void Perform(EditorWindow& w, Step step) {
  // What the window's idle update does before the user's next key: the
  // commands the document allows now are enabled.
  w.frame.UpdateCommandUI();
  // The keys reach the window the user works in, as they do once a closed
  // progress box has given the focus back.
  QApplication::setActiveWindow(&w.frame);
  switch (step) {
    case Step::Cut:
      QTest::keySequence(w.KeyTarget(), QKeySequence::Cut);
      break;
    case Step::Undo:
      QTest::keySequence(w.KeyTarget(), QKeySequence::Undo);
      break;
    case Step::Redo:
      w.frame.Action(ids::ID_EDIT_REDO)->trigger();
      break;
    case Step::Volume:
      w.frame.Action(ids::ID_TOOLS_VOLUME)->trigger();
      break;
    case Step::LongEcho:
      w.frame.Action(ids::ID_EFFECTS_ECHO)->trigger();
      break;
  }
}

// Steps as the child's command line carries them: one letter each.
constexpr char kStepLetters[] = "cvurE";

std::string StepLetters(const std::vector<Step>& steps) {
  std::string letters;
  for (Step step : steps) letters += kStepLetters[static_cast<int>(step)];
  return letters;
}

std::vector<Step> StepsOf(const std::string& letters) {
  std::vector<Step> steps;
  for (char c : letters) {
    if (const char* at = std::strchr(kStepLetters, c); at != nullptr && c != '\0') {
      steps.push_back(static_cast<Step>(at - kStepLetters));
    }
  }
  return steps;
}

void PerformAll(EditorWindow& w, const std::vector<Step>& steps) {
  ModalDriver driver(AnswerToolDialogs);
  for (Step step : steps) Perform(w, step);
}

// Opens `file`, selects one second from one second in, as the clean run and
// the killed run both do.
CChildFrame* OpenAndSelect(EditorWindow& w, const std::string& file) {
  CChildFrame* child = w.frame.OpenDocumentFile(QString::fromStdString(file));
  if (child == nullptr) return nullptr;
  child->showMaximized();
  if (!QTest::qWaitForWindowActive(&w.frame)) return nullptr;
  child->Document().SetSelection(kSecond, 2 * kSecond);
  return child;
}

// The command-line flag of the child mode, and the descriptor of the pipe
// on which the child says it is ready.
constexpr const char* kChildFlag = "--editor-to-be-killed";
constexpr int kReadyFd = 3;

// The killed editor: its steps, then one byte ('r') on `ready`. With
// `thenLongEcho` it starts an echo over the whole file after the steps and
// sends the byte once the echo is a good way in. It then waits to be killed.
[[noreturn]] void RunEditorToBeKilled(const std::string& file, const std::vector<Step>& steps,
                                      bool thenLongEcho, int ready) {
  CEditorApp app;
  DefaultFirstRunDialogs firstRun;
  if (!app.StartUp(firstRun)) std::_Exit(90);
  {
    EditorWindow w(app);
    if (OpenAndSelect(w, file) == nullptr) std::_Exit(91);
    PerformAll(w, steps);
    if (!thenLongEcho) {
      if (::write(ready, "r", 1) != 1) std::_Exit(92);
    } else {
      QTimer watch;
      QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* bar = w.progress.findChild<QProgressBar*>();
        if (app.OperationInProgress() != 0 && bar != nullptr && bar->value() >= 10) {
          watch.stop();
          if (::write(ready, "r", 1) != 1) std::_Exit(92);
        }
      });
      watch.start(2);
      PerformAll(w, {Step::LongEcho});
      std::_Exit(93);  // the echo ended before it could be killed
    }
    for (;;) ::pause();
  }
}

class EditorKill : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.Create(dir_.Path()));
    std::string pcm(kAudioBytes, '\0');
    for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = static_cast<char>(i * 31 + (i >> 11));
    WriteFileBytes(File("in.wav"), MakeWav(kCd, pcm));
  }

  fs::path Home() const { return home_.Home(); }
  fs::path Temp() const { return home_.Temp(); }
  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  // Starts the editor to be killed and kills it with SIGKILL once it says
  // it is ready.
  void KillWhenReady(const std::vector<Step>& steps, bool thenLongEcho) {
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_CLOEXEC), 0);
    std::string self = fs::read_symlink("/proc/self/exe").string();
    std::string flag = kChildFlag, file = File("in.wav"), letters = StepLetters(steps);
    std::string echo = thenLongEcho ? "1" : "0";
    std::vector<char*> argv = {self.data(),    flag.data(), file.data(),
                               letters.data(), echo.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], kReadyFd);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[1]);
    ASSERT_EQ(spawned, 0);
    pollfd wait{ends[0], POLLIN, 0};
    char byte = 0;
    const bool ready = ::poll(&wait, 1, 60000) == 1 && ::read(ends[0], &byte, 1) == 1;
    ::close(ends[0]);
    ::kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(ready) << "the editor never reached the point to kill it at (status "
                       << (WIFEXITED(status) ? WEXITSTATUS(status) : -1) << ")";
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  }

  TempDir dir_;
  EditorHome home_;
};

TEST_F(EditorKill, RecoversWhatACleanRunSavedAtTheSamePoint) {
  struct Case {
    const char* name;
    std::vector<Step> steps;  // in the editor that is killed
    bool killDuringEcho;      // killed a good way into an echo over the whole file
    size_t undo, redo;        // what its journal holds when it is killed
    std::vector<Step> afterRecovery;
    std::vector<Step> clean;  // a clean run's steps for the same audio
  };
  const Case cases[] = {
      {"after a cut", {Step::Cut}, false, 1, 0, {}, {Step::Cut}},
      {"after an effect", {Step::Volume}, false, 1, 0, {}, {Step::Volume}},
      {"after an undo, then redone",
       {Step::Cut, Step::Undo},
       false,
       0,
       1,
       {Step::Redo},
       {Step::Cut}},
      {"in the middle of a long echo after a cut, then undone",
       {Step::Cut},
       true,
       1,
       0,
       {Step::Undo},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KillWhenReady(c.steps, c.killDuringEcho);
    if (HasFatalFailure()) return;
    // The last completed operation is what the journal shows; an echo that
    // was running has left no trace.
    DocManifest m;
    ASSERT_TRUE(ReadLatestManifest(Temp(), &m));
    EXPECT_EQ(m.undo.entries.size(), c.undo);
    EXPECT_EQ(m.redo.entries.size(), c.redo);

    {
      CEditorApp next;
      DefaultFirstRunDialogs firstRun;
      ASSERT_TRUE(next.StartUp(firstRun));
      EditorWindow w(next);
      {
        ModalDriver driver([](QDialog& dialog) {
          if (auto* recover = dialog.findChild<QAbstractButton*>(CRecoveryDialog::kRecover)) {
            recover->click();
          }
        });
        OfferRecovery(next, w.frame);
      }
      const QList<QMdiSubWindow*> windows = w.frame.MdiArea()->subWindowList();
      ASSERT_EQ(windows.size(), 1);
      auto* recovered = qobject_cast<CChildFrame*>(windows[0]);
      EXPECT_EQ(recovered->DocumentName().toStdString(), "in.wav (recovered)");
      recovered->showMaximized();
      w.frame.MdiArea()->setActiveSubWindow(recovered);
      QApplication::processEvents();
      PerformAll(w, c.afterRecovery);
      ASSERT_TRUE(SaveDocumentAs(recovered->Document(), File("rec.wav")).saved);

      CChildFrame* clean = OpenAndSelect(w, File("in.wav"));
      ASSERT_NE(clean, nullptr);
      PerformAll(w, c.clean);
      ASSERT_TRUE(SaveDocumentAs(clean->Document(), File("clean.wav")).saved);
      EXPECT_TRUE(ReadFileBytes(File("rec.wav")) == ReadFileBytes(File("clean.wav")))
          << "the recovered audio differs from the clean run's";
      ModalDriver answerNo;  // nothing is left unsaved; should a question come, it is answered
      w.frame.MdiArea()->closeAllSubWindows();
    }
    // The recovered candidate and the editor's own folder are gone.
    EXPECT_TRUE(fs::is_empty(Temp()));
  }
}

// Every file of every run folder in `temp` with its size.
std::map<std::string, uintmax_t> FilesIn(const fs::path& temp) {
  std::map<std::string, uintmax_t> files;
  for (const auto& run : fs::directory_iterator(temp)) {
    for (const auto& e : fs::directory_iterator(run.path())) {
      files[e.path().string()] = fs::file_size(e.path());
    }
  }
  return files;
}

// The real program on the offscreen platform cannot ask the recovery
// question. It says on stderr what waits and where, and leaves every file
// of the candidate as it was, so a later start can still recover it.
TEST_F(EditorKill, TheProgramWithoutAScreenSaysWhatWaitsAndKeepsIt) {
  KillWhenReady({Step::Cut}, false);
  if (HasFatalFailure()) return;
  const std::map<std::string, uintmax_t> before = FilesIn(Temp());

  const char* bin = std::getenv("VELLMORE_TEST_BIN");
  ASSERT_NE(bin, nullptr);
  const std::string program = std::string(bin) + "/vellmore-editor";
  const std::string shot = File("shot.png");
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("--snapshot"),
                             const_cast<char*>(shot.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = File("editor.log");
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  const std::string said = ReadFileBytes(log);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;

  EXPECT_NE(said.find("did not close properly. These documents can be recovered:"),
            std::string::npos)
      << said;
  EXPECT_NE(said.find("in.wav (" + File("in.wav") + ")"), std::string::npos) << said;
  EXPECT_EQ(FilesIn(Temp()), before) << "the editor changed what it could not ask about";

  std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(Temp().string());
  ASSERT_EQ(candidates.size(), 1u);
  ASSERT_EQ(candidates[0].documents.size(), 1u);
  EXPECT_TRUE(candidates[0].documents[0].readable);
  EXPECT_EQ(candidates[0].documents[0].manifest.undo.entries.size(), 1u);
}

}  // namespace

// As the other widget tests' main, with the child mode in front.
int main(int argc, char** argv) {
  return RunWidgetTests(argc, argv, [](int count, char** arguments) {
    if (count == 5 && std::strcmp(arguments[1], kChildFlag) == 0) {
      RunEditorToBeKilled(arguments[2], StepsOf(arguments[3]), arguments[4][0] == '1', kReadyFd);
    }
  });
}
