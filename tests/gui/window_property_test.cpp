// Random runs of the window's own actions (mouse selections, zoom, scroll,
// edits, undo, redo, tools) on documents of every sample layout. After each
// step the selection and the view lie inside the audio with their peak
// images, every tool could run on the selection, and the scroll bar and the
// position bar show the document as it is. VELLMORE_PROPERTY_STEPS sets a
// longer run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>
#include <cstdlib>
#include <memory>
#include <random>

#include "app/view_math.h"
#include "effects/effect_output.h"
#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "gui/child_frame.h"
#include "gui/main_frame.h"
#include "gui/view/color_label.h"
#include "gui/view/editor_view.h"
#include "gui/view/position_bar.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

using namespace ids;

namespace {

int Steps() {
  const char* text = std::getenv("VELLMORE_PROPERTY_STEPS");
  return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 80;
}

std::string Noise(size_t bytes, unsigned seed) {
  std::mt19937 random(seed);
  std::string pcm(bytes, '\0');
  for (char& c : pcm) c = static_cast<char>(random() & 0xFF);
  return pcm;
}

class WindowRun {
 public:
  explicit WindowRun(const AudioFormat& format, unsigned seed) : random_(seed) {
    frame_ = std::make_unique<CMainFrame>(t_.App());
    frame_->setGeometry(0, 0, 1000, 600);
    frame_->show();
    const std::string path = t_.FilePath("run.wav");
    const size_t bytes = static_cast<size_t>(format.BlockSize()) * format.sampleRate * 3;
    WriteFileBytes(path, MakeWav(format, Noise(bytes, seed)));
    child_ = frame_->OpenDocumentFile(QString::fromStdString(path));
    if (child_ != nullptr) {
      child_->showMaximized();
      QApplication::processEvents();
      child_->View().Render();
    }
  }
  ~WindowRun() {
    child_ = nullptr;
    frame_.reset();
  }

  bool Opened() const { return child_ != nullptr; }
  CEditorDoc& Doc() { return child_->Document(); }
  CEditorView& View() { return child_->View(); }

  // One random action of the window; returns its name for the trace.
  std::string Step() {
    QWidget* port = View().viewport();
    const int P = View().LastLayout().P;
    auto column = [&] { return view::kScaleWidth + static_cast<int>(random_() % (P + 1)); };
    const int y = 20;
    static constexpr int kCommands[] = {ID_EDIT_CUT,
                                        ID_EDIT_COPY,
                                        ID_EDIT_DELETE,
                                        ID_EDIT_PASTE_INSERT,
                                        ID_EDIT_PASTE_OVER,
                                        ID_EDIT_PASTE_MIX,
                                        ID_EDIT_UNDO,
                                        ID_EDIT_REDO,
                                        ID_VIEW_ZOOM_IN,
                                        ID_VIEW_ZOOM_OUT,
                                        ID_VIEW_FULL,
                                        ID_TOOLS_VOLUME,
                                        ID_TOOLS_REVERSE,
                                        ID_EFFECTS_ECHO,
                                        ID_TOOLS_CHANGE_QUALITY,
                                        ID_REWIND,
                                        ID_FORWARD};
    const unsigned pick = random_() % 25;
    if (pick < 17) {
      const int id = kCommands[pick];
      // Change quality only now and then: it replaces the whole document.
      if (id == ID_TOOLS_CHANGE_QUALITY && random_() % 4 != 0) return "skip";
      frame_->UpdateCommandUI();
      frame_->Action(id)->trigger();
      return "command " + std::to_string(id);
    }
    switch (pick) {
      case 17:
      case 18: {
        const int from = column(), to = column();
        QTest::mousePress(port, Qt::LeftButton, {}, QPoint(from, y));
        QMouseEvent move(QEvent::MouseMove, QPointF(to, y), port->mapToGlobal(QPointF(to, y)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(port, &move);
        QTest::mouseRelease(port, Qt::LeftButton, {}, QPoint(to, y));
        return "drag " + std::to_string(from) + " to " + std::to_string(to);
      }
      case 19: {
        const int at = column();
        QTest::mouseClick(port, Qt::LeftButton, {}, QPoint(at, y));
        return "click " + std::to_string(at);
      }
      case 20:
        QTest::mouseDClick(port, Qt::LeftButton, {}, QPoint(column(), y));
        return "double click";
      case 21: {
        const QPointF at(column(), y);
        const int angle = random_() % 2 ? 120 : -120;
        const bool zoom = random_() % 2;
        QWheelEvent wheel(at, port->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          zoom ? Qt::ControlModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(port, &wheel);
        return std::string(zoom ? "ctrl+" : "") + "wheel " + std::to_string(angle);
      }
      default: {
        static constexpr QAbstractSlider::SliderAction kScrolls[] = {
            QAbstractSlider::SliderSingleStepAdd, QAbstractSlider::SliderSingleStepSub,
            QAbstractSlider::SliderPageStepAdd, QAbstractSlider::SliderPageStepSub};
        View().horizontalScrollBar()->triggerAction(kScrolls[random_() % 4]);
        return "scroll";
      }
    }
  }

  // What must hold between any two actions.
  void Check(const std::string& trace) {
    QApplication::processEvents();
    const CEditorDoc& doc = Doc();
    const PeakScale scale = doc.Scale();
    EXPECT_TRUE(doc.Selection().FitsScale(scale)) << trace;
    EXPECT_TRUE(doc.View().FitsScale(scale)) << trace;
    if (doc.dataLength > 0) {
      EXPECT_FALSE(doc.View().Empty()) << trace;
    }
    if (!doc.Selection().Empty()) {
      EffectRegion region;
      EXPECT_TRUE(ResolveEffectRegion(doc, SELECTED_AREA, &region)) << trace;
    }
    const int32_t rate = doc.bytesPerSecond;
    const AudioRange& s = doc.Selection();
    const CPositionBar* bar = frame_->PositionBar();
    EXPECT_EQ(bar->Field(IDC_START_TIME)->text().toStdString(), view::FormatTime(s.Start(), rate))
        << trace;
    EXPECT_EQ(bar->Field(IDC_END_TIME)->text().toStdString(), view::FormatTime(s.End(), rate))
        << trace;
    EXPECT_EQ(bar->Field(IDC_TOTAL_LENGTH)->text().toStdString(),
              view::FormatTime(s.Empty() ? doc.dataLength : s.Length(), rate))
        << trace;
    const view::ScrollBarState scroll = view::ScrollBarFor(doc);
    EXPECT_EQ(View().horizontalScrollBar()->pageStep(), scroll.page) << trace;
    EXPECT_EQ(View().horizontalScrollBar()->value(), scroll.position) << trace;
    View().Render();  // the picture of the next step's mouse columns
  }

 private:
  TestApp t_;
  std::unique_ptr<CMainFrame> frame_;
  CChildFrame* child_ = nullptr;
  std::mt19937 random_;
};

}  // namespace

TEST(WindowProperty, EveryActionLeavesAConsistentWindowInEveryLayout) {
  const AudioFormat layouts[] = {{1, 8, 8000}, {2, 8, 8000}, {1, 16, 8000}, {2, 16, 8000}};
  const int steps = Steps();
  for (const AudioFormat& format : layouts) {
    SCOPED_TRACE(std::to_string(format.channels) + " channels, " +
                 std::to_string(format.bitsPerSample) + " bits");
    MessageRecorder messages;
    WindowRun run(format, 1234u + format.channels * 16u + format.bitsPerSample);
    ASSERT_TRUE(run.Opened());
    run.Check("open");
    std::string trace;
    for (int i = 0; i < steps && !HasFailure(); ++i) {
      trace += run.Step() + "; ";
      run.Check(trace);
    }
    EXPECT_TRUE(messages.Messages().empty()) << messages.Messages().front() << "\n" << trace;
  }
}

TEST(WindowRefresh, ThePositionBarAndTheViewFollowEditsAndWindowSwitches) {
  TestApp t;
  CMainFrame frame(t.App());
  frame.setGeometry(0, 0, 1000, 600);
  frame.show();
  const AudioFormat mono{1, 16, 8000};
  auto open = [&](const char* name, size_t seconds) {
    const std::string path = t.FilePath(name);
    WriteFileBytes(path, MakeWav(mono, Noise(16000 * seconds, 7)));
    CChildFrame* child = frame.OpenDocumentFile(QString::fromStdString(path));
    QApplication::processEvents();
    return child;
  };
  auto length = [&] { return frame.PositionBar()->Field(IDC_TOTAL_LENGTH)->text().toStdString(); };
  CChildFrame* two = open("two.wav", 2);
  CChildFrame* three = open("three.wav", 3);
  ASSERT_TRUE(two != nullptr && three != nullptr);
  EXPECT_EQ(length(), "00:03.000");
  frame.findChild<QMdiArea*>()->setActiveSubWindow(two);
  QApplication::processEvents();
  EXPECT_EQ(length(), "00:02.000");

  // Copy the first second and insert it at the start: the whole audio stays
  // in view, and the bar shows the new length at once.
  CEditorDoc& doc = two->Document();
  doc.SetSelection(0, 16000);
  frame.OnCommand(ID_EDIT_COPY);
  doc.SetSelection(0, 0);
  frame.OnCommand(ID_EDIT_PASTE_INSERT);
  EXPECT_EQ(doc.dataLength, 48000u);
  EXPECT_EQ(doc.View().End(), 48000u);
  EXPECT_EQ(length(), "00:03.000");
  frame.OnCommand(ID_EDIT_UNDO);
  EXPECT_EQ(doc.View().End(), 32000u);
  EXPECT_EQ(length(), "00:02.000");
}

TEST(UnsavedChanges, TitlesShowThemAndClosingAsksSaveDiscardOrCancel) {
  TestApp t;
  auto frame = std::make_unique<CMainFrame>(t.App());
  frame->setGeometry(0, 0, 1000, 600);
  frame->show();
  const AudioFormat mono{1, 16, 8000};
  const std::string path = t.FilePath("tune.wav");
  const std::string original = MakeWav(mono, Noise(16000, 3));
  WriteFileBytes(path, original);
  CChildFrame* child = frame->OpenDocumentFile(QString::fromStdString(path));
  ASSERT_NE(child, nullptr);
  QApplication::processEvents();
  const QPointer<CChildFrame> window(child);
  CEditorDoc& doc = child->Document();
  EXPECT_FALSE(child->isWindowModified());
  EXPECT_EQ(frame->windowTitle(), QString::fromUtf8("tune.wav[*] \u2014 Vellmore Editor"));

  doc.SetSelection(0, 4000);
  frame->UpdateCommandUI();
  frame->Action(ID_EDIT_CUT)->trigger();
  EXPECT_TRUE(child->isWindowModified());
  EXPECT_TRUE(frame->isWindowModified());
  frame->Action(ID_EDIT_UNDO)->trigger();
  EXPECT_FALSE(child->isWindowModified()) << "undone back to the file";
  frame->Action(ID_EDIT_REDO)->trigger();
  ASSERT_TRUE(child->isWindowModified());

  // Cancel keeps the window; the question names the document.
  QString question;
  auto answer = [&](QMessageBox::StandardButton button) {
    return [&question, button](QDialog& dialog) {
      auto& box = static_cast<QMessageBox&>(dialog);
      question = box.text();
      box.button(button)->click();
    };
  };
  {
    ModalDriver driver(answer(QMessageBox::Cancel));
    frame->Action(ID_FILE_CLOSE)->trigger();
    QApplication::processEvents();
  }
  EXPECT_EQ(question, "Save changes to tune.wav before closing?");
  ASSERT_FALSE(window.isNull());
  EXPECT_EQ(ReadFileBytes(path), original);

  // Exit with Save writes the file and closes everything.
  {
    ModalDriver driver(answer(QMessageBox::Save));
    frame->Action(ID_APP_EXIT)->trigger();
    QApplication::processEvents();
  }
  EXPECT_TRUE(window.isNull());
  EXPECT_EQ(ReadFileBytes(path).size(), original.size() - 4000);

  // Discard closes without writing.
  frame->show();
  child = frame->OpenDocumentFile(QString::fromStdString(path));
  ASSERT_NE(child, nullptr);
  QApplication::processEvents();
  const QPointer<CChildFrame> second(child);
  child->Document().SetSelection(0, 2000);
  frame->UpdateCommandUI();
  frame->Action(ID_EDIT_CUT)->trigger();
  {
    ModalDriver driver(answer(QMessageBox::Discard));
    frame->Action(ID_FILE_CLOSE)->trigger();
    QApplication::processEvents();
  }
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(second.isNull());
  EXPECT_EQ(ReadFileBytes(path).size(), original.size() - 4000);
}
