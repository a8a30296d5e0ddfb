// The editor's message boxes: a message that reports an error or a refusal
// carries the warning or critical icon, not the information one.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <cerrno>

#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/main_frame.h"
#include "gui/message_box_sink.h"
#include "platform/fault_injection.h"
#include "platform/message.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/test_app.h"

TEST(MessageBoxes, ErrorsAndRefusalsWarnAndOnlyANoticeInforms) {
  TestApp t;
  CMainFrame frame(t.App());
  const platform::MessageSink previous = platform::SetMessageSink(ShowMessageBox);
  std::vector<std::pair<std::string, QMessageBox::Icon>> shown;
  ModalDriver driver([&shown](QDialog& dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
      shown.emplace_back(box->text().toStdString(), box->icon());
    }
    dialog.accept();
  });
  frame.OnCommand(ids::ID_EDIT_UNDO);  // refused: no file is open
  frame.OpenDocumentFile(QString::fromStdString(t.FilePath("missing.wav")));
  platform::ShowMessage("Monitor Failed", platform::MessageIcon::Error);
  platform::ShowMessage("User cancelled the operation.", platform::MessageIcon::Information);
  platform::SetMessageSink(previous);
  using Shown = std::vector<std::pair<std::string, QMessageBox::Icon>>;
  EXPECT_EQ(
      shown,
      (Shown{{"Sorry, no file is open to undo last operation.", QMessageBox::Warning},
             {"Failed to open document " + t.FilePath("missing.wav") + ".", QMessageBox::Warning},
             {"Monitor Failed", QMessageBox::Critical},
             {"User cancelled the operation.", QMessageBox::Information}}));
}

TEST(MessageBoxes, AFailedEditIsOneBoxWithItsCauseFirstAndTheRestInDetails) {
  TestApp t;
  CMainFrame frame(t.App());
  const std::string path = t.FilePath("tone.wav");
  WriteFileBytes(path, MakeWav({1, 16, 8000}, std::string(16000, '\x10')));
  CChildFrame* child = frame.OpenDocumentFile(QString::fromStdString(path));
  ASSERT_NE(child, nullptr);
  child->Document().SetSelection(0, 4000);
  const platform::MessageSink previous = platform::SetMessageSink(ShowMessageBox);
  const platform::MessageGroupSink previousGroup =
      platform::SetMessageGroupSink(ShowMessageGroupBox);
  std::vector<std::pair<QString, QString>> shown;
  ModalDriver driver([&shown](QDialog& dialog) {
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
      shown.emplace_back(box->text(), box->detailedText());
    }
    dialog.accept();
  });
  platform::ArmFault(platform::FileCall::Rename, 1, EIO);
  frame.OnCommand(ids::ID_EDIT_CUT);
  platform::DisarmFaults();
  platform::SetMessageGroupSink(previousGroup);
  platform::SetMessageSink(previous);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].first.startsWith("MoveAudioFile: Failed to move"))
      << shown[0].first.toStdString();
  EXPECT_TRUE(shown[0].second.endsWith("OEC: Operation failed")) << shown[0].second.toStdString();
  EXPECT_EQ(child->Document().dataLength, 16000u);  // nothing was cut
}
