// The MP3 and WMA information dialogs over the document's export settings,
// the GUI's document dialogs that run them, and the Settings and Help
// commands of the main frame.
#include "gui/dialogs/export_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <cstdlib>

#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/first_run_dialogs.h"
#include "gui/dialogs/folder_dialog.h"
#include "gui/dialogs/media_support_dialog.h"
#include "gui/dialogs/settings_dialogs.h"
#include "gui/gui_document_dialogs.h"
#include "gui/main_frame.h"
#include "gui/progress_dialog.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/test_app.h"

namespace {

template <typename T>
T* Child(QWidget& parent, int id) {
  return parent.findChild<T*>(QString::number(id));
}

void Type(QWidget& dialog, int id, const char* text) {
  Child<QLineEdit>(dialog, id)->setText(text);
}

}  // namespace

TEST(Mp3Dialog, ShowsTheSettingsAndOkStoresTheControls) {
  Mp3ExportSettings settings;
  settings.bitRate = 192;
  settings.genre = 147;
  settings.title = "Song";
  settings.comment = "c";
  MP3Dialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "239");
  EXPECT_EQ(dialog.windowTitle(), "MP3 Information");
  EXPECT_NE(dialog.findChild<QGroupBox*>(), nullptr);
  EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), "MP3 Information");
  QComboBox* rate = Child<QComboBox>(dialog, ids::IDC_MP3_BIT_RATE);
  QComboBox* genre = Child<QComboBox>(dialog, ids::IDC_MP3_GENRE);
  ASSERT_EQ(rate->count(), 14);
  EXPECT_EQ(rate->itemText(0), "320");
  EXPECT_EQ(rate->itemText(13), "32");
  EXPECT_EQ(rate->currentText(), "192");
  ASSERT_EQ(genre->count(), 149);
  EXPECT_EQ(genre->itemText(0), "(none)");
  EXPECT_EQ(genre->itemText(1), "Blues");
  EXPECT_EQ(genre->itemText(68), "Psychadelic");
  EXPECT_EQ(genre->itemText(141), "Contemporary C");
  EXPECT_EQ(genre->currentIndex(), 148);
  EXPECT_EQ(genre->currentText(), "SynthPop");
  EXPECT_EQ(Child<QLineEdit>(dialog, ids::IDC_MP3_TITLE)->text(), "Song");
  EXPECT_EQ(Child<QLineEdit>(dialog, ids::IDC_MP3_COMMENT)->text(), "c");

  rate->setCurrentIndex(9);  // 64
  genre->setCurrentIndex(18);
  Type(dialog, ids::IDC_MP3_ARTIST, "Artist");
  Type(dialog, ids::IDC_MP3_ALBUM, "Album");
  Type(dialog, ids::IDC_MP3_YEAR, "1999");
  Type(dialog, ids::IDC_MP3_TITLE, "New title");
  Child<QPushButton>(dialog, ids::IDC_EXPORT_OK)->click();
  EXPECT_EQ(settings.bitRate, 64);
  EXPECT_EQ(settings.genre, 17);
  EXPECT_EQ(settings.artist, "Artist");
  EXPECT_EQ(settings.album, "Album");
  EXPECT_EQ(settings.year, "1999");
  EXPECT_EQ(settings.title, "New title");
  EXPECT_EQ(settings.applied, 1);

  // Cancel (1051) keeps the fields and clears applied.
  MP3Dialog again(settings);
  Type(again, ids::IDC_MP3_TITLE, "ignored");
  Child<QPushButton>(again, ids::IDC_EXPORT_CANCEL)->click();
  EXPECT_EQ(settings.title, "New title");
  EXPECT_EQ(settings.applied, 0);
}

TEST(Mp3Dialog, GenreBeyondTheListShowsNoneAndKeeps255) {
  Mp3ExportSettings settings;
  settings.genre = 200;
  MP3Dialog dialog(settings);
  EXPECT_EQ(Child<QComboBox>(dialog, ids::IDC_MP3_GENRE)->currentText(), "(none)");
  Child<QPushButton>(dialog, ids::IDC_EXPORT_OK)->click();
  EXPECT_EQ(settings.genre, 255);
  EXPECT_EQ(settings.bitRate, 128);
}

// A new export names no genre until the user picks one.
TEST(Mp3Dialog, ANewExportProposesNoGenre) {
  Mp3ExportSettings settings;
  MP3Dialog dialog(settings);
  EXPECT_EQ(Child<QComboBox>(dialog, ids::IDC_MP3_GENRE)->currentText(), "(none)");
  Child<QPushButton>(dialog, ids::IDC_EXPORT_OK)->click();
  EXPECT_EQ(settings.genre, 255);
}

// Tab walks every box in the order the form shows them, Genre included,
// and the Year box takes no more than four digits.
TEST(ExportDialogs, TabReachesEveryBoxInOrderAndYearTakesFourDigits) {
  Mp3ExportSettings mp3;
  WmaExportSettings wma;
  struct Case {
    const char* name;
    std::unique_ptr<QDialog> dialog;
    std::vector<int> order;
    int year;
  };
  std::vector<Case> cases;
  cases.push_back({"mp3",
                   std::make_unique<MP3Dialog>(mp3),
                   {ids::IDC_MP3_BIT_RATE, ids::IDC_MP3_ARTIST, ids::IDC_MP3_TITLE,
                    ids::IDC_MP3_ALBUM, ids::IDC_MP3_COMMENT, ids::IDC_MP3_GENRE, ids::IDC_MP3_YEAR,
                    ids::IDC_EXPORT_OK, ids::IDC_EXPORT_CANCEL},
                   ids::IDC_MP3_YEAR});
  cases.push_back(
      {"wma",
       std::make_unique<CWmaDialog>(wma),
       {ids::IDC_WMA_QUALITY, ids::IDC_WMA_ARTIST, ids::IDC_WMA_TITLE, ids::IDC_WMA_ALBUM,
        ids::IDC_WMA_GENRE, ids::IDC_WMA_YEAR, ids::IDC_EXPORT_OK, ids::IDC_EXPORT_CANCEL},
       ids::IDC_WMA_YEAR});
  for (Case& c : cases) {
    c.dialog->show();
    QApplication::setActiveWindow(c.dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(c.dialog.get())) << c.name;
    Child<QWidget>(*c.dialog, c.order.front())->setFocus();
    std::vector<int> seen;
    for (size_t i = 0; i < c.order.size(); ++i) {
      seen.push_back(QApplication::focusWidget()->objectName().toInt());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(seen, c.order) << c.name;

    const std::pair<const char*, const char*> typed[] = {
        {"1984", "1984"}, {"19a8b4", "1984"}, {"198", "198"}, {"20245", "2024"}, {"y2k", "2"}};
    QLineEdit* year = Child<QLineEdit>(*c.dialog, c.year);
    for (const auto& [keys, kept] : typed) {
      year->clear();
      QTest::keyClicks(year, keys);
      EXPECT_EQ(year->text().toStdString(), kept) << c.name << " " << keys;
    }
    c.dialog->hide();
  }
}

// Saving as MP3 asks for the tag from inside the save, when its progress box
// is already up: the box is out of sight until the question is answered.
TEST(GuiDocumentDialogs, NoProgressBoxShowsBehindTheExportDialog) {
  TestApp t;
  CEditorDoc doc(t.App());
  CGuiDocumentDialogs dialogs(nullptr);
  CProgressDialog progress(t.App());
  progress.SetStartDelay(0);
  std::vector<bool> progressShownDuringQuestion;
  ModalDriver driver([&](QDialog& dialog) {
    if (&dialog == &progress) return;
    progressShownDuringQuestion.push_back(progress.isVisible());
    ModalDriver::Press(dialog, ids::IDC_EXPORT_OK);
  });
  bool progressBackAfterwards = false;
  const OperationHost::Operation operation = [&](Progress&) {
    EXPECT_TRUE(dialogs.RunExportDialog(WRITE_MP3_FILE, doc));
    progressBackAfterwards = progress.isVisible();
    return OP_DONE;
  };
  EXPECT_EQ(progress.Run(WRITE_MP3_FILE, operation), OP_DONE);
  EXPECT_EQ(progressShownDuringQuestion, std::vector<bool>{false});
  EXPECT_TRUE(progressBackAfterwards);
}

TEST(WmaDialog, ProposesCdQualityAndOkStoresTheControls) {
  WmaExportSettings settings;
  CWmaDialog dialog(settings);
  EXPECT_EQ(dialog.objectName(), "240");
  EXPECT_EQ(dialog.windowTitle(), "WMA Information");
  EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), "WMA Information");
  QComboBox* quality = Child<QComboBox>(dialog, ids::IDC_WMA_QUALITY);
  QComboBox* genre = Child<QComboBox>(dialog, ids::IDC_WMA_GENRE);
  ASSERT_EQ(quality->count(), 4);
  EXPECT_EQ(quality->itemText(0), "128 Kbps - Above CD Quality");
  EXPECT_EQ(quality->itemText(3), "48 Kbps - Near CD Quality");
  EXPECT_EQ(quality->currentText(), "64 Kbps - CD Quality");
  ASSERT_EQ(genre->count(), 148);
  EXPECT_EQ(genre->currentText(), "Blues");

  quality->setCurrentIndex(0);
  genre->setCurrentIndex(147);
  Type(dialog, ids::IDC_WMA_ARTIST, "Artist");
  Type(dialog, ids::IDC_WMA_TITLE, "Title");
  Type(dialog, ids::IDC_WMA_ALBUM, "Album");
  Type(dialog, ids::IDC_WMA_YEAR, "2004");
  Child<QPushButton>(dialog, ids::IDC_EXPORT_OK)->click();
  EXPECT_EQ(settings.quality, 0);
  EXPECT_EQ(settings.genreIndex, 147);
  EXPECT_EQ(settings.genre, "SynthPop");
  EXPECT_EQ(settings.author, "Artist");
  EXPECT_EQ(settings.title, "Title");
  EXPECT_EQ(settings.album, "Album");
  EXPECT_EQ(settings.year, "2004");
  EXPECT_EQ(settings.applied, 1);

  // An imported genre text selects its entry when the dialog opens again.
  settings.genre = "Jazz";
  CWmaDialog again(settings);
  EXPECT_EQ(Child<QComboBox>(again, ids::IDC_WMA_GENRE)->currentText(), "Jazz");
  EXPECT_EQ(Child<QComboBox>(again, ids::IDC_WMA_QUALITY)->currentIndex(), 0);
  Child<QPushButton>(again, ids::IDC_EXPORT_CANCEL)->click();
  EXPECT_EQ(settings.applied, 0);
  EXPECT_EQ(settings.genreIndex, 147);
}

TEST(GuiDocumentDialogs, ExportDialogsEditTheDocumentsSettings) {
  TestApp t;
  CEditorDoc doc(t.App());
  CGuiDocumentDialogs dialogs(nullptr);
  ModalDriver driver([](QDialog& dialog) {
    if (auto* title = Child<QLineEdit>(dialog, ids::IDC_MP3_TITLE)) title->setText("From MP3");
    if (auto* title = Child<QLineEdit>(dialog, ids::IDC_WMA_TITLE)) title->setText("From WMA");
    if (dialog.objectName() == "282") {
      ModalDriver::Press(dialog, ids::IDOK);
    } else {
      ModalDriver::Press(dialog, ids::IDC_EXPORT_OK);
    }
  });
  EXPECT_TRUE(dialogs.RunExportDialog(WRITE_MP3_FILE, doc));
  EXPECT_EQ(doc.mp3Export.title, "From MP3");
  EXPECT_TRUE(dialogs.RunExportDialog(WRITE_WMA_FILE, doc));
  EXPECT_EQ(doc.wmaExport.title, "From WMA");
  dialogs.RunMediaSupportNeeded();
  EXPECT_EQ(driver.Titles(), (std::vector<std::string>{"MP3 Information", "WMA Information",
                                                       "Media Support Needed"}));
}

TEST(XiphDialog, EachTypeShowsItsSettingAndSharesTheMp3Tags) {
  TestApp t;
  CEditorDoc doc(t.App());
  doc.mp3Export.title = "Shared";
  doc.mp3Export.bitRate = 192;
  CGuiDocumentDialogs dialogs(nullptr);
  struct Case {
    OpCode code;
    const char* title;
    int shown;  // the default
    int typed;
  } cases[] = {{WRITE_FLAC_FILE, "FLAC Information", 5, 8},
               {WRITE_OGG_FILE, "Ogg Vorbis Information", 5, 0},
               {WRITE_OPUS_FILE, "Opus Information", 128, 256}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    int shown = -1;
    std::string title;
    ModalDriver driver([&](QDialog& dialog) {
      auto* setting = Child<QSpinBox>(dialog, CXiphDialog::IDC_SETTING);
      shown = setting->value();
      title = Child<QLineEdit>(dialog, ids::IDC_MP3_TITLE)->text().toStdString();
      setting->setValue(c.typed);
      Child<QLineEdit>(dialog, ids::IDC_MP3_ARTIST)->setText("Someone");
      ModalDriver::Press(dialog, ids::IDC_EXPORT_OK);
    });
    EXPECT_TRUE(dialogs.RunExportDialog(c.code, doc));
    EXPECT_EQ(driver.Titles(), std::vector<std::string>{c.title});
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(title, "Shared");
  }
  EXPECT_EQ(doc.xiphExport.flacLevel, 8);
  EXPECT_EQ(doc.xiphExport.oggQuality, 0);
  EXPECT_EQ(doc.xiphExport.opusKbps, 256);
  EXPECT_EQ(doc.mp3Export.artist, "Someone");
  EXPECT_EQ(doc.mp3Export.bitRate, 192);  // not these dialogs' setting

  ModalDriver cancel([](QDialog& dialog) { ModalDriver::Press(dialog, ids::IDC_EXPORT_CANCEL); });
  EXPECT_FALSE(dialogs.RunExportDialog(WRITE_FLAC_FILE, doc));
  EXPECT_EQ(doc.xiphExport.applied, 0);
}

TEST(MainFrame, SettingsAndHelpCommandsOpenTheirDialogs) {
  TestApp t;
  CMainFrame frame(t.App());
  ModalDriver driver([](QDialog& dialog) { dialog.reject(); });
  for (int id :
       {ids::ID_SETTINGS_IO, ids::ID_SETTINGS_TEMP, ids::ID_HELP_TOPICS, ids::ID_APP_ABOUT}) {
    frame.OnCommand(id);
  }
  EXPECT_EQ(driver.Titles(),
            (std::vector<std::string>{"I/O Device Settings", "Temporary File Settings", "Help",
                                      "About Editor"}));
}

// Renders every dialog of this area into VELLMORE_DIALOG_PNG_DIR when it is
// set, so they can be looked at; otherwise only checks that they render.
TEST(DialogPictures, EveryDialogRenders) {
  TestApp t;
  t.App().Config()->SetTempFolder("/tmp/");
  Mp3ExportSettings mp3;
  WmaExportSettings wma;
  std::vector<std::pair<const char*, std::unique_ptr<QWidget>>> dialogs;
  dialogs.emplace_back("about", std::make_unique<CAboutDialog>());
  dialogs.emplace_back("help", std::make_unique<CHelpDialog>());
  dialogs.emplace_back("media_support", std::make_unique<CMediaSupportDialog>());
  dialogs.emplace_back("wm_redistribution", std::make_unique<CWmRedistributionDialog>());
  dialogs.emplace_back("io_settings", std::make_unique<CIoDeviceSettingsDialog>(
                                          t.App(), std::vector<std::string>{"Built-in Mic"},
                                          std::vector<std::string>{"Speakers", "HDMI"}));
  dialogs.emplace_back("temp_settings", std::make_unique<CTempFileSettingsDialog>(t.App()));
  dialogs.emplace_back("init_page1", std::make_unique<CInitPage1Dialog>());
  dialogs.emplace_back("init_settings", std::make_unique<CInitSettingsDialog>(t.App()));
  dialogs.emplace_back("folder", std::make_unique<CFolderDialog>("/tmp"));
  dialogs.emplace_back("mp3", std::make_unique<MP3Dialog>(mp3));
  dialogs.emplace_back("wma", std::make_unique<CWmaDialog>(wma));
  XiphExportSettings xiph;
  dialogs.emplace_back("flac", std::make_unique<CXiphDialog>(XiphType::Flac, xiph, mp3));
  dialogs.emplace_back("ogg", std::make_unique<CXiphDialog>(XiphType::Ogg, xiph, mp3));
  dialogs.emplace_back("opus", std::make_unique<CXiphDialog>(XiphType::Opus, xiph, mp3));
  const char* folder = std::getenv("VELLMORE_DIALOG_PNG_DIR");
  for (auto& [name, dialog] : dialogs) {
    dialog->show();
    QApplication::processEvents();
    const QPixmap picture = dialog->grab();
    EXPECT_FALSE(picture.isNull()) << name;
    if (folder != nullptr) picture.save(QDir(folder).filePath(QString(name) + ".png"), "PNG");
    dialog->hide();
  }
}
