// The window's keys, pressed as a user presses them on the main window with
// a document open: every bound key reaches its own command, and no key is
// bound twice (Qt fires neither of two actions that share a key).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <map>
#include <string>

#include "engine/editor_doc.h"
#include "gui/main_frame.h"
#include "resources/control_ids.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

using namespace ids;

namespace {

class WindowKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = std::make_unique<CMainFrame>(t_.App());
    frame_->setGeometry(100, 100, 900, 600);
    frame_->show();
    QApplication::setActiveWindow(frame_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_.get()));
    const std::string path = t_.FilePath("tone.wav");
    WriteFileBytes(path, MakeWav({2, 16, 8000}, std::string(8000, '\x20')));
    ASSERT_NE(frame_->OpenDocumentFile(QString::fromStdString(path)), nullptr);
    doc_ = t_.App().ActiveDocument();
    ASSERT_NE(doc_, nullptr);
  }
  void TearDown() override { frame_.reset(); }

  // Where the user's keys go: the focused widget, the document's view.
  QWidget* KeyTarget() const {
    QWidget* focus = QApplication::focusWidget();
    return focus != nullptr ? focus : frame_.get();
  }

  TestApp t_;
  std::unique_ptr<CMainFrame> frame_;
  CEditorDoc* doc_ = nullptr;
};

}  // namespace

TEST_F(WindowKeys, EveryBoundKeyFiresItsOwnCommandOnly) {
  // The commands themselves are not run here (Open would wait for a file
  // dialog): each action only records that it fired.
  std::map<int, int> fired;
  std::map<QString, int> owner;
  std::vector<std::pair<QKeySequence, int>> keys;
  // Every action of the window counts, the document windows' own included
  // (those carry no command id: -1).
  for (QAction* action : frame_->findChildren<QAction*>()) {
    bool numbered = false;
    const int id = action->objectName().toInt(&numbered);
    for (const QKeySequence& key : action->shortcuts()) {
      const auto [it, fresh] = owner.emplace(key.toString(), numbered ? id : -1);
      EXPECT_TRUE(fresh) << key.toString().toStdString() << " is bound to " << it->second << " and "
                         << (numbered ? id : -1);
      if (numbered) keys.emplace_back(key, id);
    }
    if (!numbered || action->shortcuts().isEmpty()) continue;
    action->disconnect(frame_.get());
    QObject::connect(action, &QAction::triggered, [&fired, id] { ++fired[id]; });
  }
  // The keys the issue names are among them.
  for (int id :
       {ID_FILE_OPEN, ID_FILE_SAVE, ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE_INSERT,
        ID_EDIT_PASTE_OVER, ID_EDIT_DELETE, ID_EDIT_SELECT_ALL, ID_VIEW_ZOOM_IN, ID_VIEW_ZOOM_OUT,
        ID_HELP_TOPICS, ID_PLAY_OR_STOP, ID_REWIND, ID_FORWARD}) {
    EXPECT_FALSE(frame_->Action(id)->shortcuts().isEmpty()) << id;
  }
  EXPECT_EQ(frame_->Action(ID_EDIT_PASTE_OVER)->shortcut(),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V));
  for (const auto& [key, id] : keys) {
    // Whether a command may run is the enabling rule's business, tested
    // with the rule; here every action is enabled.
    for (QAction* action : frame_->findChildren<QAction*>()) action->setEnabled(true);
    fired.clear();
    QTest::keySequence(KeyTarget(), key);
    EXPECT_EQ(fired, (std::map<int, int>{{id, 1}})) << key.toString().toStdString();
  }
}

TEST_F(WindowKeys, SelectAllHomeEndAndSpaceDoWhatTheySay) {
  PlayState playState = PLAY_IDLE;
  int plays = 0;
  TransportHooks hooks;
  hooks.playState = [&] { return playState; };
  hooks.play = [&](CEditorDoc&, bool) {
    ++plays;
    playState = PLAY_PLAYING;
  };
  hooks.stop = [&] { playState = PLAY_IDLE; };
  frame_->SetTransportHooks(std::move(hooks));
  MessageRecorder messages;
  auto press = [&](QKeySequence::StandardKey key) {
    frame_->UpdateCommandUI();
    QTest::keySequence(KeyTarget(), QKeySequence(key));
  };
  auto pressKey = [&](Qt::Key key) {
    frame_->UpdateCommandUI();
    QTest::keyClick(KeyTarget(), key);
  };

  press(QKeySequence::SelectAll);
  EXPECT_EQ(doc_->Selection().Start(), 0u);
  EXPECT_EQ(doc_->Selection().End(), doc_->dataLength);
  pressKey(Qt::Key_End);
  EXPECT_EQ(doc_->Selection().Start(), doc_->dataLength);
  EXPECT_EQ(doc_->Selection().End(), doc_->dataLength);
  pressKey(Qt::Key_Home);
  EXPECT_EQ(doc_->Selection().End(), 0u);

  // With only the cursor at the start, zooming in halves the view there and
  // zooming out brings the whole file back.
  press(QKeySequence::ZoomIn);
  EXPECT_EQ(doc_->View().Start(), 0u);
  EXPECT_EQ(doc_->View().End(), doc_->dataLength / 2);
  press(QKeySequence::ZoomOut);
  EXPECT_EQ(doc_->View().End(), doc_->dataLength);

  pressKey(Qt::Key_Space);
  EXPECT_EQ(plays, 1);
  EXPECT_EQ(playState, PLAY_PLAYING);
  pressKey(Qt::Key_Space);
  EXPECT_EQ(playState, PLAY_IDLE);
  EXPECT_EQ(plays, 1);
  EXPECT_TRUE(messages.Messages().empty());
}
