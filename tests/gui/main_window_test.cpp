// The main window as a user first meets it: the toolbar, the names and
// places of new document windows, and the Window menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>
#include <cmath>
#include <cstdlib>

#include "app/new_window_place.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/doc_template.h"
#include "gui/gui_document_dialogs.h"
#include "gui/main_frame.h"
#include "gui/program_icon.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

namespace {

QRect AreaRect(CMainFrame& frame) {
  return QRect(QPoint(0, 0), frame.MdiArea()->viewport()->size());
}

// The window list at the end of the Window menu, as shown.
std::vector<std::pair<std::string, bool>> WindowEntries(CMainFrame& frame) {
  emit frame.WindowMenu()->aboutToShow();
  std::vector<std::pair<std::string, bool>> entries;
  for (QAction* action : frame.WindowMenu()->actions()) {
    if (action->property("windowEntry").toBool() && !action->isSeparator()) {
      entries.emplace_back(action->text().toStdString(), action->isChecked());
    }
  }
  return entries;
}

// The main window at `width` by `height`, shown, on an application of its own.
struct ShownMainWindow {
  ShownMainWindow(int width, int height) : frame(t.App()) {
    frame.setGeometry(0, 0, width, height);
    frame.show();
  }
  TestApp t;
  CMainFrame frame;
};

}  // namespace

TEST(MainWindow, EveryToolbarButtonSaysWhatItDoes) {
  TestApp t;
  CMainFrame frame(t.App());
  int buttons = 0;
  for (QAction* action : frame.StandardToolBar()->actions()) {
    if (action->isSeparator()) continue;
    ++buttons;
    EXPECT_FALSE(action->text().isEmpty()) << action->objectName().toStdString();
    EXPECT_FALSE(action->toolTip().isEmpty()) << action->objectName().toStdString();
    EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
  }
  EXPECT_EQ(buttons, 11);
}

TEST(NewWindowPlace, TakesTheFirstFreeSpotAndNeverLeavesTheArea) {
  const WindowRect first{0, 0, 640, 300};
  const struct {
    const char* name;
    int areaWidth, areaHeight;
    std::vector<WindowRect> open;
    WindowRect expected;
  } cases[] = {
      {"empty area", 1400, 800, {}, {0, 0, 640, 300}},
      {"beside the first", 1400, 800, {first}, {640, 0, 640, 300}},
      {"below when the row is full", 1000, 800, {first}, {0, 300, 640, 300}},
      {"beside a window the user moved", 1400, 800, {{100, 0, 640, 300}}, {740, 0, 640, 300}},
      {"cut to the edge to fill the space beside", 1100, 555, {first}, {640, 0, 460, 300}},
      {"cut to the edge to fill the space below", 640, 500, {first}, {0, 300, 640, 200}},
      {"too little space to cut to: one step down and right",
       1000,
       500,
       {{0, 0, 1000, 500}},
       {24, 24, 640, 300}},
      {"a step out of the area goes back to the corner",
       700,
       330,
       {first, {30, 24, 640, 300}},
       {0, 0, 640, 300}},
      {"larger than the area: shrunk to fit", 500, 200, {}, {0, 0, 500, 200}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NewWindowPlace(c.areaWidth, c.areaHeight, 640, 300, c.open), c.expected) << c.name;
  }
}

TEST(MainWindow, NewWindowsAreUntitledAndTiledIntoTheFreeSpace) {
  ShownMainWindow shown(1600, 1000);
  CMainFrame& frame = shown.frame;
  std::vector<CChildFrame*> windows;
  for (int i = 0; i < 4; ++i) windows.push_back(frame.Template().NewDocument());
  const QRect area = AreaRect(frame);
  for (size_t i = 0; i < windows.size(); ++i) {
    ASSERT_NE(windows[i], nullptr);
    EXPECT_EQ(windows[i]->DocumentName().toStdString(), "Untitled " + std::to_string(i + 1));
    EXPECT_TRUE(area.contains(windows[i]->geometry())) << i;
    for (size_t j = 0; j < i; ++j) {
      EXPECT_FALSE(windows[i]->geometry().intersects(windows[j]->geometry())) << i << " " << j;
    }
  }
  // Windows keep opening inside the area once it is full.
  for (int i = 0; i < 8; ++i) {
    CChildFrame* more = frame.Template().NewDocument();
    EXPECT_TRUE(area.contains(more->geometry())) << i;
  }
}

TEST(MainWindow, ANewWindowOpensMaximisedWhenTheActiveOneIs) {
  ShownMainWindow shown(1200, 800);
  CMainFrame& frame = shown.frame;
  CChildFrame* first = frame.Template().NewDocument();
  first->showMaximized();
  EXPECT_TRUE(frame.Template().NewDocument()->isMaximized());
  frame.MdiArea()->currentSubWindow()->showNormal();
  EXPECT_FALSE(frame.Template().NewDocument()->isMaximized());
}

// A document window opens at its standard size; one the user has resized
// keeps that size when the main window is hidden and shown again (minimised
// and restored).
TEST(MainWindow, AResizedWindowKeepsItsSizeWhenShownAgain) {
  ShownMainWindow shown(1200, 800);
  CMainFrame& frame = shown.frame;
  CChildFrame* child = frame.Template().NewDocument();
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(child->size(), QSize(640, 300));
  child->resize(900, 420);
  frame.hide();
  frame.show();
  EXPECT_EQ(child->size(), QSize(900, 420));
}

TEST(MainWindow, WindowMenuListsTheOpenWindowsAndChecksTheActiveOne) {
  ShownMainWindow shown(1200, 800);
  CMainFrame& frame = shown.frame;
  EXPECT_TRUE(WindowEntries(frame).empty());
  CChildFrame* first = frame.Template().NewDocument();
  frame.Template().NewDocument();
  using Entries = std::vector<std::pair<std::string, bool>>;
  EXPECT_EQ(WindowEntries(frame), (Entries{{"&1 Untitled 1", false}, {"&2 Untitled 2", true}}));

  // Choosing an entry brings its window forward.
  for (QAction* action : frame.WindowMenu()->actions()) {
    if (action->text() == "&1 Untitled 1") action->trigger();
  }
  EXPECT_EQ(frame.MdiArea()->currentSubWindow(), first);
  EXPECT_EQ(WindowEntries(frame), (Entries{{"&1 Untitled 1", true}, {"&2 Untitled 2", false}}));

  first->close();
  QApplication::processEvents();
  EXPECT_EQ(WindowEntries(frame), (Entries{{"&1 Untitled 2", true}}));
}

// A file that cannot be opened is reported in one message box, whichever
// step of the opening found the fault.
TEST(MainWindow, AFileThatCannotBeOpenedIsReportedOnce) {
  TestApp t;
  CMainFrame frame(t.App());
  const std::string wavHeader("RIFF\x24\0\0\0WAVE", 12);
  const std::pair<const char*, std::string> files[] = {
      {"text.wav", "this is no wave file, only some text"},
      {"empty.wav", ""},
      {"no_format.wav", wavHeader + std::string("data\4\0\0\0abcd", 12)},
      {"text.mp3", std::string(4000, 'x')},
      {"missing.wav", ""},
  };
  for (const auto& [name, bytes] : files) {
    const std::string path = t.FilePath(name);
    if (std::string(name) != "missing.wav") WriteFileBytes(path, bytes);
    MessageRecorder messages;
    EXPECT_EQ(frame.OpenDocumentFile(QString::fromStdString(path)), nullptr) << name;
    std::string all;
    for (const std::string& m : messages.Messages()) all += "[" + m + "]";
    EXPECT_EQ(messages.Messages().size(), 1u) << name << ": " << all;
  }
  EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());
}

// A file cut short asks its one question in a box of its own: No opens no
// window, Yes opens the part that could be read as a changed document, so
// that closing it asks before the rest is lost for good.
TEST(MainWindow, ADamagedFileOpensItsReadablePartOnlyOnYes) {
  ShownMainWindow shown(1000, 600);
  TestApp& t = shown.t;
  CMainFrame& frame = shown.frame;
  CGuiDocumentDialogs dialogs(&frame);
  t.App().SetDocumentDialogs(&dialogs);
  const std::string wav = MakeWav({1, 16, 8000}, std::string(8000 * 2 * 90, '\x20'));
  const std::string path = t.FilePath("download.wav");
  WriteFileBytes(path, wav.substr(0, 44 + 8000 * 2 * 75 + 1000));
  for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
    SCOPED_TRACE(answer == QMessageBox::Yes ? "Yes" : "No");
    std::vector<std::string> asked;
    CChildFrame* child = nullptr;
    {
      ModalDriver driver([&](QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        if (box == nullptr || box->button(answer) == nullptr) {
          dialog.accept();
          return;
        }
        asked.push_back(box->text().toStdString());
        box->button(answer)->click();
      });
      MessageRecorder messages;
      child = frame.OpenDocumentFile(QString::fromStdString(path));
    }
    EXPECT_EQ(asked, std::vector<std::string>{
                         "download.wav is damaged after 1:15. Open the part that could be read?"});
    if (answer == QMessageBox::No) {
      EXPECT_EQ(child, nullptr);
      EXPECT_TRUE(frame.MdiArea()->subWindowList().isEmpty());
    } else {
      ASSERT_NE(child, nullptr);
      QApplication::processEvents();
      EXPECT_EQ(child->Document().dataLength, 8000u * 2 * 75 + 1000);
      EXPECT_TRUE(child->Document().IsModified());
      frame.UpdateCommandUI();
      EXPECT_TRUE(child->isWindowModified());
      // Closing asks; Cancel keeps the window.
      QString closing;
      {
        ModalDriver cancel([&closing](QDialog& dialog) {
          auto& box = static_cast<QMessageBox&>(dialog);
          closing = box.text();
          box.button(QMessageBox::Cancel)->click();
        });
        frame.Action(ids::ID_FILE_CLOSE)->trigger();
        QApplication::processEvents();
      }
      EXPECT_EQ(closing, "Save changes to download.wav before closing?");
      EXPECT_EQ(frame.MdiArea()->subWindowList().size(), 1);
    }
  }
  t.App().SetDocumentDialogs(&t.dialogs);
}

// Renders the main window and its Window menu into VELLMORE_GUI_PNG_DIR when
// it is set, so they can be looked at; otherwise only checks they render.
TEST(MainWindow, TheProgramHasAnIconOfItsOwnWithoutBeingInstalled) {
  // Built into the program at every size the theme installs; the toolkit's
  // default logo would be an empty icon here.
  const QIcon icon = ProgramIcon();
  for (int size : {16, 32, 256}) {
    const QImage image = icon.pixmap(size, size).toImage();
    ASSERT_EQ(image.width(), size);
    EXPECT_GT(qAlpha(image.pixel(size / 2, size / 2)), 0) << size;
  }
  // The windows carry it themselves, whoever starts them.
  TestApp t;
  CMainFrame frame(t.App());
  CChildFrame* child = frame.Template().NewDocument();
  ASSERT_NE(child, nullptr);
  for (const QWidget* window :
       {static_cast<const QWidget*>(&frame), static_cast<const QWidget*>(child)}) {
    EXPECT_EQ(window->windowIcon().pixmap(32, 32).toImage(), icon.pixmap(32, 32).toImage());
  }
}

TEST(MainWindowPictures, WindowAndWindowMenuRender) {
  ShownMainWindow shown(1100, 700);
  CMainFrame& frame = shown.frame;
  for (int i = 0; i < 3; ++i) frame.Template().NewDocument();
  QApplication::processEvents();
  const QImage window = frame.Snapshot();
  EXPECT_FALSE(window.isNull());
  QMenu* menu = frame.WindowMenu();
  menu->popup(frame.mapToGlobal(QPoint(200, 30)));
  QApplication::processEvents();
  const QImage list = menu->grab().toImage();
  EXPECT_FALSE(list.isNull());
  menu->hide();
  if (const char* dir = std::getenv("VELLMORE_GUI_PNG_DIR"); dir != nullptr && *dir != '\0') {
    window.save(QString("%1/main_window.png").arg(dir), "PNG");
    list.save(QString("%1/window_menu.png").arg(dir), "PNG");
  }
}

TEST(MainWindowPictures, ZoomedInToSamplesTheRulerAndTheSamplesReadTrue) {
  ShownMainWindow shown(1100, 700);
  TestApp& t = shown.t;
  CMainFrame& frame = shown.frame;
  // A second of a 441 Hz sine, 16-bit stereo at 44.1 kHz.
  std::string pcm;
  for (int i = 0; i < 44100; ++i) {
    const auto value = static_cast<int16_t>(20000 * std::sin(2 * M_PI * 441 * i / 44100.0));
    for (int channel = 0; channel < 2; ++channel) {
      pcm.push_back(static_cast<char>(value & 0xFF));
      pcm.push_back(static_cast<char>((value >> 8) & 0xFF));
    }
  }
  const std::string path = t.FilePath("sine.wav");
  WriteFileBytes(path, MakeWav({2, 16, 44100}, pcm));
  CChildFrame* child = frame.OpenDocumentFile(QString::fromStdString(path));
  ASSERT_NE(child, nullptr);
  child->showMaximized();
  child->Document().SetSelection(88200, 88200);  // the cursor at 0.5 s
  for (int i = 0; i < 20; ++i) {
    frame.UpdateCommandUI();
    frame.Action(ids::ID_VIEW_ZOOM_IN)->trigger();
  }
  QApplication::processEvents();
  // As close as it goes: 16 frames around the cursor, which kept its column.
  EXPECT_EQ(child->Document().View().Length(), 64u);
  EXPECT_LE(child->Document().View().Start(), 88200u);
  EXPECT_GE(child->Document().View().End(), 88200u);
  const QImage window = frame.Snapshot();
  if (const char* dir = std::getenv("VELLMORE_GUI_PNG_DIR"); dir != nullptr && *dir != '\0') {
    window.save(QString("%1/zoomed_samples.png").arg(dir), "PNG");
  }
}
