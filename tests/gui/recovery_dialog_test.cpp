// The recovery question at start-up: what it lists, what each button does,
// and recovered documents in their windows. The dialog is also rendered to
// recovery_dialog.png in the working folder, to be looked at.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

#include "app/document_recovery.h"
#include "engine/editor_doc.h"
#include "gui/child_frame.h"
#include "gui/dialogs/recovery_dialog.h"
#include "gui/main_frame.h"
#include "platform/folder_lock.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

std::vector<RecoveryRow> SampleRows() {
  RecoveryRow take{0,
                   0,
                   "take 3.wav",
                   "/home/ana/recordings/take 3.wav",
                   "4:12.337",
                   "WAV, 44100 Hz, Stereo, 16 Bit",
                   "2026-12-10 16:41:07",
                   true,
                   ""};
  RecoveryRow untitled{
      0, 1, "Untitled", "", "0:07.500", "22050 Hz, Mono, 8 Bit", "2026-12-10 16:40:51", true, ""};
  RecoveryRow damaged{
      1,  0,     "/tmp/20261209101500/recovery_0.json",
      "", "",    "",
      "", false, "the manifest is damaged (not valid JSON: unexpected end at byte 212)"};
  return {take, untitled, damaged};
}

QTreeWidget& List(CRecoveryDialog& dialog) {
  return *dialog.findChild<QTreeWidget*>(CRecoveryDialog::kList);
}

QPushButton& Button(CRecoveryDialog& dialog, const char* name) {
  return *dialog.findChild<QPushButton*>(name);
}

TEST(RecoveryDialog, ListsTheDocumentsAndCollectsTheAnswer) {
  CRecoveryDialog dialog(SampleRows());
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  EXPECT_TRUE(dialog.grab().save("recovery_dialog.png"));

  QTreeWidget& list = List(dialog);
  ASSERT_EQ(list.topLevelItemCount(), 3);
  EXPECT_EQ(list.topLevelItem(0)->text(1).toStdString(), "/home/ana/recordings/take 3.wav");
  EXPECT_EQ(list.topLevelItem(0)->text(2).toStdString(), "4:12.337");
  // The damaged one is shown, but cannot be chosen.
  EXPECT_FALSE(list.topLevelItem(2)->flags() & Qt::ItemIsEnabled);
  EXPECT_EQ(dialog.CheckedRows(), (std::vector<size_t>{0, 1}));

  list.topLevelItem(0)->setCheckState(0, Qt::Unchecked);
  EXPECT_EQ(dialog.CheckedRows(), (std::vector<size_t>{1}));
  EXPECT_TRUE(Button(dialog, CRecoveryDialog::kRecover).isEnabled());
  list.topLevelItem(1)->setCheckState(0, Qt::Unchecked);
  EXPECT_FALSE(Button(dialog, CRecoveryDialog::kRecover).isEnabled());

  const struct {
    const char* button;
    CRecoveryDialog::Decision decision;
  } answers[] = {{CRecoveryDialog::kDiscard, CRecoveryDialog::Decision::Discard},
                 {CRecoveryDialog::kDecideLater, CRecoveryDialog::Decision::DecideLater}};
  for (const auto& a : answers) {
    CRecoveryDialog d(SampleRows());
    d.show();
    QTest::mouseClick(&Button(d, a.button), Qt::LeftButton);
    EXPECT_EQ(d.GetDecision(), a.decision) << a.button;
    EXPECT_FALSE(d.isVisible());
  }
}

// A document left by an editor that died: a copy of a live application's
// run folder, lock free, in the temporary folder of the one that starts.
std::string LeaveBehind(TestApp& dead, TestApp& next) {
  const fs::path folder = fs::path(next.App().Config()->TempFolder()) / "20260101000000";
  fs::create_directory(folder);
  for (const auto& entry : fs::directory_iterator(dead.App().RunFolder())) {
    if (entry.path().filename() != platform::kRunLockName) {
      fs::copy_file(entry.path(), folder / entry.path().filename());
    }
  }
  return folder.string();
}

TEST(RecoveryDialog, EachAnswerDoesWhatItSays) {
  const struct {
    const char* button;
    bool windowOpens;
    bool folderStays;
  } cases[] = {{CRecoveryDialog::kRecover, true, false},
               {CRecoveryDialog::kDiscard, false, false},
               {CRecoveryDialog::kDecideLater, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    TestApp dead, next;
    const std::string pcm(40000, '\x11');
    WriteFileBytes(dead.FilePath("song.wav"), MakeWav({2, 16, 44100}, pcm));
    auto doc = std::make_unique<CEditorDoc>(dead.App());
    ASSERT_TRUE(doc->OnOpenDocument(dead.FilePath("song.wav")));
    doc->SetSelection(0, 4000);
    doc->DocRunOperation(OP_CUT);
    doc->journal.WaitUntilDurable();  // nothing is being written while it is copied
    const std::string folder = LeaveBehind(dead, next);

    CMainFrame frame(next.App());
    {
      ModalDriver driver([&](QDialog& dialog) {
        if (auto* button = dialog.findChild<QPushButton*>(c.button)) button->click();
      });
      OfferRecovery(next.App(), frame);
    }
    const QList<QMdiSubWindow*> windows = frame.MdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), c.windowOpens ? 1 : 0);
    EXPECT_EQ(fs::exists(folder), c.folderStays);
    if (c.windowOpens) {
      auto* child = qobject_cast<CChildFrame*>(windows[0]);
      EXPECT_EQ(child->DocumentName().toStdString(), "song.wav (recovered)");
      EXPECT_TRUE(child->Document().IsModified());
      EXPECT_EQ(child->Document().dataLength, pcm.size() - 4000);
      EXPECT_EQ(child->Document().journal.OriginalPath(), dead.FilePath("song.wav"));

      // Save goes through Save As, which proposes the original file and
      // asks before replacing it.
      std::string proposed;
      std::vector<std::string> asked;
      {
        ModalDriver driver([&](QDialog& dialog) {
          asked.push_back(dialog.metaObject()->className());
          if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            proposed = files->selectedFiles().value(0).toStdString();
            // Later, so the driver is free to answer the question it asks.
            QTimer::singleShot(0, files, [files] { static_cast<QDialog*>(files)->accept(); });
          } else if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            box->button(QMessageBox::Yes)->click();
          }
        });
        frame.OnCommand(ids::ID_FILE_SAVE);
      }
      EXPECT_EQ(proposed, dead.FilePath("song.wav"));
      EXPECT_EQ(asked, (std::vector<std::string>{"QFileDialog", "QMessageBox"}));
      EXPECT_FALSE(child->Document().IsModified());
      EXPECT_EQ(ReadFileBytes(dead.FilePath("song.wav")).size(), 44 + pcm.size() - 4000);
      EXPECT_EQ(child->DocumentName().toStdString(), "song.wav");
    }
  }
}

}  // namespace
