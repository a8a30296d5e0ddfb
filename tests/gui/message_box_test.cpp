// The editor's message boxes: a message that reports an error or a refusal
// carries the warning or critical icon, not the information one.
#include <gtest/gtest.h>

#include <QMessageBox>

#include "gui/main_frame.h"
#include "gui/message_box_sink.h"
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
