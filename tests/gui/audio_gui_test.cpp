// Playback, recording and the input monitor driven through the main window
// on the offscreen platform, over the real PortAudio path: each test gives
// ALSA a configuration of its own (a `file` output that captures what was
// played, a `null` input) before any device is opened.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <thread>

#include "audio/audio_engine.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/dialogs/recording_dialog.h"
#include "gui/gui_audio_listener.h"
#include "gui/main_frame.h"
#include "gui/message_box_sink.h"
#include "gui/view/color_label.h"
#include "gui/view/editor_view.h"
#include "gui/view/levels_panel.h"
#include "gui/view/position_bar.h"
#include "resources/control_ids.h"
#include "tests/audio/audio_sandbox.h"
#include "tests/gui/modal_driver.h"
#include "tests/gui/wait_for.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

using namespace ids;

namespace {

constexpr AudioFormat kCd{2, 16, 44100};

std::string Pattern(size_t length) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>((i * 37 + (i >> 8)) | 0x40);
  return bytes;
}

// Where the pictures of a run go when VELLMORE_GUI_PNG_DIR names a folder.
void SavePicture(const QImage& image, const char* name) {
  const char* dir = std::getenv("VELLMORE_GUI_PNG_DIR");
  if (dir != nullptr && *dir != '\0') image.save(QString("%1/%2").arg(dir, name), "PNG");
}

// The sandbox's null device takes audio as fast as it is written, many
// times faster than real time, while the play position and the cursor
// follow the clock. Here the captured stream goes through a pipe that takes
// 17640 bytes every 100 ms, about the pace of 44100 Hz 16-bit stereo, into
// the same capture file; the pipe ends, and the device closes, only once
// the file has everything.
void PaceTheOutput() {
  const std::string home = std::getenv("HOME");
  WriteFileBytes(
      home + "/.asoundrc",
      R"(pcm.!default {
  type asym
  playback.pcm {
    type plug
    slave.pcm {
      type file
      slave.pcm null
      file "| sh -c 'cd )" +
          home +
          R"( && while head -c 17640 >chunk && [ -s chunk ]; do cat chunk >>played.raw; sleep 0.1; done'"
      format raw
    }
  }
  capture.pcm {
    type plug
    slave.pcm null
  }
}
)");
}

// The editor as the program wires it: one engine beside the application,
// the window's listener and transport hooks.
class AudioWindow : public ::testing::Test {
 protected:
  explicit AudioWindow(AudioSandbox::Devices devices = AudioSandbox::Devices::Normal)
      : sandbox_(devices), devices_(devices) {}

  void SetUp() override {
    if (devices_ == AudioSandbox::Devices::Normal) PaceTheOutput();
    t_ = std::make_unique<TestApp>();
    app().Config()->outputDevice = -1;
    app().Config()->inputDevice = -1;
    engine_ = std::make_unique<AudioEngine>(app());
    engine_->SetStopSettleMs(0);
    frame_ = std::make_unique<CMainFrame>(app());
    listener_ = std::make_unique<GuiAudioListener>(app(), *frame_);
    engine_->SetListener(listener_.get());
    ConnectTransport(app(), *frame_, *engine_);
    frame_->setGeometry(100, 100, 900, 600);
    frame_->show();
  }

  void TearDown() override {
    StopPlaybackAndWait(app());
    if (engine_->RecordState() == RECORD_MONITORING) engine_->MonitorStop();
    engine_->SetListener(nullptr);
    listener_.reset();
    frame_.reset();
    engine_.reset();
    t_.reset();
  }

  CEditorApp& app() { return t_->App(); }

  CChildFrame* Open(const std::string& pcm) {
    const std::string path = t_->FilePath("tune.wav");
    WriteFileBytes(path, MakeWav(kCd, pcm));
    CChildFrame* child = frame_->OpenDocumentFile(QString::fromStdString(path));
    if (child == nullptr) return nullptr;
    child->showMaximized();
    QApplication::processEvents();
    child->View().Render();
    child->View().setFocus();
    QApplication::processEvents();
    return child;
  }

  QString StartText() const { return frame_->PositionBar()->Field(IDC_START_TIME)->text(); }
  bool Enabled(int id) const { return frame_->Action(id)->isEnabled(); }
  QPushButton* MonitorButton() const { return frame_->LevelsPanel()->MonitorButton(); }

  AudioSandbox sandbox_;
  AudioSandbox::Devices devices_;
  std::unique_ptr<TestApp> t_;
  std::unique_ptr<AudioEngine> engine_;
  std::unique_ptr<CMainFrame> frame_;
  std::unique_ptr<GuiAudioListener> listener_;
};

class AudioWindowWithoutDevices : public AudioWindow {
 protected:
  AudioWindowWithoutDevices() : AudioWindow(AudioSandbox::Devices::None) {}
};

// Ten seconds, played in a loop, which runs until Stop.
constexpr size_t kTenSeconds = 10 * 176400;

TEST_F(AudioWindow, PlayMovesTheCursorAndTimeAndStopReturnsToIdle) {
  // The panel opens first, before anything plays.
  frame_->ToggleLevelPanel();
  CChildFrame* child = Open(Pattern(kTenSeconds));
  ASSERT_NE(child, nullptr);
  CEditorView& view = child->View();
  const QImage metersIdle = frame_->LevelsPanel()->grab().toImage();
  ASSERT_EQ(StartText(), "00:00.000");

  frame_->OnCommand(ID_PLAY_LOOPED);
  ASSERT_EQ(engine_->PlayState(), PLAY_PLAYING);
  // While playing only Stop (and what the rule leaves alone) is enabled.
  EXPECT_TRUE(Enabled(ID_STOP));
  for (int id : {ID_PLAY, ID_PLAY_LOOPED, ID_REWIND, ID_FORWARD, ID_RECORD, ID_FILE_OPEN,
                 ID_EDIT_CUT, ID_TOOLS_VOLUME, ID_LEVEL_PANEL}) {
    EXPECT_FALSE(Enabled(id)) << id;
  }

  // The device thread's reports reach the widgets through the event loop.
  ASSERT_TRUE(WaitFor([&] { return view.playCursorX > 0 && StartText() > "00:00.200"; }))
      << "play state " << static_cast<int>(engine_->PlayState());
  const int firstColumn = view.playCursorX;
  ASSERT_TRUE(WaitFor([&] { return view.playCursorX > firstColumn; }));
  EXPECT_NE(frame_->LevelsPanel()->grab().toImage(), metersIdle) << "meters stayed dark";
  ASSERT_TRUE(WaitFor([&] { return StartText() > "00:01.000"; }));
  SavePicture(frame_->Snapshot(), "audiogui-playing.png");

  frame_->OnCommand(ID_STOP);
  EXPECT_TRUE(Enabled(ID_STOP));
  ASSERT_TRUE(WaitFor([&] { return engine_->PlayState() == PLAY_IDLE; }));
  QApplication::processEvents();
  EXPECT_EQ(view.playCursorX, -1);
  EXPECT_EQ(StartText(), "00:00.000");
  EXPECT_EQ(child->Document().playPosition, 0u);
  for (int id : {ID_PLAY, ID_RECORD, ID_TOOLS_VOLUME, ID_STOP}) EXPECT_TRUE(Enabled(id)) << id;
  EXPECT_FALSE(Enabled(ID_EDIT_CUT)) << "nothing is selected";
  // The panel's meters go dark again when the stop finishes.
  EXPECT_EQ(frame_->LevelsPanel()->grab().toImage(), metersIdle);
  // What reached the device: the silent ring, then the document's audio.
  const std::string played = sandbox_.Played();
  ASSERT_GT(played.size(), 8u * 1024 + 4096);
  EXPECT_TRUE(played.compare(0, 8 * 1024, std::string(8 * 1024, '\0')) == 0);
  EXPECT_TRUE(played.compare(8 * 1024, 4096, Pattern(4096)) == 0);
}

TEST_F(AudioWindow, AMenuLeavesPlaybackRunningAndAnotherDocumentStopsIt) {
  CChildFrame* second = Open(Pattern(4096));
  CChildFrame* first = Open(Pattern(kTenSeconds));
  ASSERT_TRUE(first != nullptr && second != nullptr);
  frame_->OnCommand(ID_PLAY_LOOPED);
  ASSERT_EQ(engine_->PlayState(), PLAY_PLAYING);

  QMenu* edit = frame_->menuBar()->actions().at(1)->menu();
  ASSERT_NE(edit, nullptr);
  edit->popup(frame_->mapToGlobal(QPoint(40, 40)));
  ASSERT_TRUE(WaitFor([&] { return edit->isVisible(); }));
  QApplication::processEvents();
  EXPECT_EQ(engine_->PlayState(), PLAY_PLAYING) << "opening a menu stopped playback";
  edit->close();
  first->View().setFocus();
  QApplication::processEvents();
  EXPECT_EQ(engine_->PlayState(), PLAY_PLAYING);

  frame_->findChild<QMdiArea*>()->setActiveSubWindow(second);
  EXPECT_TRUE(WaitFor([&] { return engine_->PlayState() == PLAY_IDLE; }));
}

TEST_F(AudioWindow, ClosingAPlayingDocumentWaitsForTheDrain) {
  CChildFrame* child = Open(Pattern(kTenSeconds));
  ASSERT_NE(child, nullptr);
  frame_->OnCommand(ID_PLAY_LOOPED);
  ASSERT_TRUE(WaitFor([&] { return sandbox_.Played().size() > 16 * 1024; }));
  // Deleting the window frees the mapped audio the device thread reads.
  delete child;
  EXPECT_EQ(engine_->PlayState(), PLAY_IDLE);
  EXPECT_EQ(app().ActiveDocument(), nullptr);
}

TEST_F(AudioWindow, RecordInsertsTheRecordingAtTheSelectionStart) {
  const std::string pcm = Pattern(176400);
  CChildFrame* child = Open(pcm);
  ASSERT_NE(child, nullptr);
  CEditorDoc& doc = child->Document();
  doc.SetSelection(4000, 4000);
  const int undoBefore = doc.undoCount;

  bool greyedWhileRecording = false;
  bool pictureTaken = false;
  QString timeShown;
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<RecordingDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || engine_->RecordedBytes() < 32 * 1024) return;
    greyedWhileRecording = !Enabled(ID_PLAY) && !Enabled(ID_STOP) && !Enabled(ID_FILE_OPEN);
    dialog->Tick();
    timeShown = dialog->TimeText();
    if (!pictureTaken) SavePicture(dialog->grab().toImage(), "audiogui-recording.png");
    pictureTaken = true;
    dialog->findChild<QPushButton*>(QString::number(IDC_RECORD_STOP))->click();
  });
  stopper.start(20);
  frame_->OnCommand(ID_RECORD);
  stopper.stop();

  ASSERT_TRUE(pictureTaken) << "the Recording Audio dialog never showed";
  EXPECT_TRUE(greyedWhileRecording);
  EXPECT_NE(timeShown, "00:00.000");
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);
  EXPECT_TRUE(Enabled(ID_PLAY));
  const uint32_t recorded = static_cast<uint32_t>(engine_->RecordedBytes());
  EXPECT_GE(recorded, 32u * 1024);
  EXPECT_EQ(recorded % 1024, 0u);
  ASSERT_EQ(doc.dataLength, pcm.size() + recorded);
  EXPECT_EQ(doc.undoCount, undoBefore + 1);
  const std::string now(reinterpret_cast<const char*>(doc.work.pcmData), doc.dataLength);
  EXPECT_TRUE(now.compare(0, 4000, pcm, 0, 4000) == 0);
  EXPECT_TRUE(now.compare(4000 + recorded, std::string::npos, pcm, 4000) == 0);
}

TEST_F(AudioWindow, RecordWithoutADocumentMakesANewOneFirst) {
  // The new-file dialog answers 44100 Hz 16-bit stereo.
  QTimer stopper;
  QObject::connect(&stopper, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<RecordingDialog*>(QApplication::activeModalWidget());
    if (dialog != nullptr && engine_->RecordedBytes() >= 8 * 1024) {
      dialog->findChild<QPushButton*>(QString::number(IDC_RECORD_STOP))->click();
    }
  });
  stopper.start(20);
  frame_->OnCommand(ID_RECORD);
  ASSERT_NE(app().ActiveDocument(), nullptr);
  EXPECT_GE(app().ActiveDocument()->dataLength, 8u * 1024);
  EXPECT_EQ(app().ActiveDocument()->sampleRate, 44100);

  // Cancelling the new file ends the command without a word. The recording
  // is an unsaved change: closing its window asks first.
  {
    ModalDriver discard(
        [](QDialog& box) { static_cast<QMessageBox&>(box).button(QMessageBox::Discard)->click(); });
    frame_->MdiArea()->closeAllSubWindows();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_EQ(app().ActiveDocument(), nullptr);
  t_->dialogs.acceptNewFile = false;
  MessageRecorder messages;
  frame_->OnCommand(ID_RECORD);
  stopper.stop();
  EXPECT_EQ(app().ActiveDocument(), nullptr);
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);
}

TEST_F(AudioWindow, MonitorInputRunsTheMeterAndGivesWayToPlayback) {
  CChildFrame* child = Open(Pattern(kTenSeconds));
  ASSERT_NE(child, nullptr);
  frame_->ToggleLevelPanel();
  const QImage dark = frame_->LevelsPanel()->grab().toImage();

  MonitorButton()->click();
  EXPECT_TRUE(MonitorButton()->isChecked());
  EXPECT_EQ(engine_->RecordState(), RECORD_MONITORING);
  // Zero bytes from the null input are the most negative 8-bit samples.
  ASSERT_TRUE(WaitFor([&] { return frame_->LevelsPanel()->grab().toImage() != dark; }));

  // Play takes the monitor's place and switches the toggle off.
  frame_->OnCommand(ID_PLAY_LOOPED);
  EXPECT_EQ(engine_->PlayState(), PLAY_PLAYING);
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);
  EXPECT_FALSE(MonitorButton()->isChecked());
  EXPECT_FALSE(frame_->LevelsPanel()->Monitoring());
  // During playback the toggle refuses.
  MonitorButton()->click();
  EXPECT_FALSE(MonitorButton()->isChecked());
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);

  frame_->OnCommand(ID_STOP);
  ASSERT_TRUE(WaitFor([&] { return engine_->PlayState() == PLAY_IDLE; }));
  MonitorButton()->click();
  EXPECT_EQ(engine_->RecordState(), RECORD_MONITORING);
  MonitorButton()->click();
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);
  EXPECT_FALSE(MonitorButton()->isChecked());
  // Closing the panel while monitoring ends the monitor.
  MonitorButton()->click();
  EXPECT_EQ(engine_->RecordState(), RECORD_MONITORING);
  frame_->ToggleLevelPanel();
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);
}

TEST_F(AudioWindowWithoutDevices, AMonitorThatFailsToStartLeavesTheToggleOff) {
  frame_->ToggleLevelPanel();
  MessageRecorder messages;
  MonitorButton()->click();
  QApplication::processEvents();
  EXPECT_FALSE(MonitorButton()->isChecked());
  EXPECT_FALSE(frame_->LevelsPanel()->Monitoring());
  EXPECT_EQ(engine_->RecordState(), RECORD_IDLE);
  ASSERT_FALSE(messages.Messages().empty());
  EXPECT_EQ(messages.Messages().back(), "Monitor Failed");
  // Nothing is left open to close: closing the panel says nothing more.
  messages.Clear();
  frame_->ToggleLevelPanel();
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(RecordingDialogWiring, IdsTitleTimeAnimationAndStop) {
  TestApp t;
  AudioEngine engine(t.App());
  RecordingDialog dialog(engine);
  EXPECT_EQ(dialog.objectName(), QString::number(IDD_RECORDING));
  EXPECT_EQ(dialog.windowTitle(), "Recording Audio");
  auto* time = dialog.findChild<CColorLabel*>(QString::number(IDC_RECORD_TIME));
  ASSERT_NE(time, nullptr);
  EXPECT_EQ(time->text(), "00:00.000");
  // Each tick shows the next of the three pictures, round and round.
  std::vector<int> frames;
  for (int i = 0; i < 4; ++i) {
    dialog.Tick();
    frames.push_back(dialog.CurrentFrame());
  }
  EXPECT_EQ(frames, (std::vector<int>{235, 236, 237, 235}));
  EXPECT_EQ(dialog.TimeText(), "00:00.000");
  auto* stop = dialog.findChild<QPushButton*>(QString::number(IDC_RECORD_STOP));
  ASSERT_NE(stop, nullptr);
  EXPECT_EQ(stop->text(), "Stop");
  QTimer::singleShot(0, stop, &QPushButton::click);
  EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

TEST(MessageBoxSink, MessagesFromAnotherThreadAreShownOnTheInterfaceThread) {
  QThread* shownOn = nullptr;
  QString shownText;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shownOn = box->thread();
      shownText = box->text();
      box->accept();
    }
  });
  closer.start(10);
  bool returned = false;
  std::thread device([&] {
    ShowMessageBox("Waveout restart failed", platform::MessageIcon::Information);
    returned = true;
  });
  // The device thread waits until the box is answered.
  ASSERT_TRUE(WaitFor([&] { return !shownText.isEmpty(); }));
  device.join();
  EXPECT_TRUE(returned);
  EXPECT_EQ(shownOn, QApplication::instance()->thread());
  EXPECT_EQ(shownText, "Waveout restart failed");
}

}  // namespace
