// The settings and first-run dialogs: what they show, what OK and Cancel
// store, the folder chooser, the first start without a configuration file
// and the first-run media step.
#include "gui/dialogs/settings_dialogs.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <filesystem>

#include "app/editor_app.h"
#include "app/settings_rules.h"
#include "gui/dialogs/first_run_dialogs.h"
#include "gui/dialogs/folder_dialog.h"
#include "gui/dialogs/link_label.h"
#include "platform/paths.h"
#include "resources/control_ids.h"
#include "tests/gui/modal_driver.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

template <typename T>
T* Child(QWidget& parent, int id) {
  return parent.findChild<T*>(QString::number(id));
}

QString FolderText(QWidget& dialog) {
  return Child<QLabel>(dialog, ids::IDC_TEMP_FOLDER)->text();
}

// An application whose configuration file lives in a scratch folder and is
// not written until a test makes it.
struct ConfigApp {
  ConfigApp() { app.SetConfigPath((dir / "editor.cfg").string()); }
  TempDir dir;
  CEditorApp app;
  std::string Path() const { return app.ConfigPath(); }
};

// Points the platform temp path at a folder for the life of the object.
class ScopedTmpDir {
 public:
  explicit ScopedTmpDir(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old, hadOld_ = true;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~ScopedTmpDir() {
    if (hadOld_) {
      setenv("TMPDIR", old_.c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }

 private:
  std::string old_;
  bool hadOld_ = false;
};

}  // namespace

TEST(IoDeviceSettings, ListsDevicesSelectsTheStoredOnesAndStoresOnOk) {
  ConfigApp t;
  t.app.Config()->inputDevice = 1;
  t.app.Config()->outputDevice = 0;
  CIoDeviceSettingsDialog dialog(t.app, {"Mic", "Line In"}, {"Speakers", "HDMI", "USB"});
  EXPECT_EQ(dialog.objectName(), "217");
  EXPECT_EQ(dialog.windowTitle(), "I/O Device Settings");
  QComboBox* in = Child<QComboBox>(dialog, ids::IDC_INPUT_DEVICE);
  QComboBox* out = Child<QComboBox>(dialog, ids::IDC_OUTPUT_DEVICE);
  ASSERT_EQ(in->count(), 2);
  ASSERT_EQ(out->count(), 3);
  EXPECT_EQ(in->itemText(1), "Line In");
  EXPECT_EQ(in->currentIndex(), 1);
  EXPECT_EQ(out->currentIndex(), 0);

  // Cancel (1051) changes nothing.
  out->setCurrentIndex(2);
  Child<QPushButton>(dialog, ids::IDC_SETTINGS_CANCEL)->click();
  EXPECT_EQ(t.app.Config()->outputDevice, 0);

  // OK (1098) stores both; the file is written at exit, not now.
  CIoDeviceSettingsDialog again(t.app, {"Mic", "Line In"}, {"Speakers", "HDMI", "USB"});
  Child<QComboBox>(again, ids::IDC_OUTPUT_DEVICE)->setCurrentIndex(2);
  Child<QComboBox>(again, ids::IDC_INPUT_DEVICE)->setCurrentIndex(0);
  Child<QPushButton>(again, ids::IDC_SETTINGS_OK)->click();
  EXPECT_EQ(t.app.Config()->inputDevice, 0);
  EXPECT_EQ(t.app.Config()->outputDevice, 2);
  EXPECT_FALSE(fs::exists(t.Path()));
}

TEST(IoDeviceSettings, NoInputDevicesStoresMinusOne) {
  ConfigApp t;
  t.app.Config()->inputDevice = 0;
  t.app.Config()->outputDevice = 5;  // a device that has gone
  CIoDeviceSettingsDialog dialog(t.app, {}, {"Speakers"});
  EXPECT_EQ(Child<QComboBox>(dialog, ids::IDC_INPUT_DEVICE)->count(), 0);
  EXPECT_EQ(Child<QComboBox>(dialog, ids::IDC_OUTPUT_DEVICE)->currentIndex(), -1);
  Child<QPushButton>(dialog, ids::IDC_SETTINGS_OK)->click();
  EXPECT_EQ(t.app.Config()->inputDevice, -1);
  EXPECT_EQ(t.app.Config()->outputDevice, -1);
}

TEST(TempFileSettings, RootFolderAdviceAndWritesOnlyAChange) {
  MessageRecorder messages;
  ConfigApp t;
  t.app.Config()->SetTempFolder("/var/tmp/editor");
  {
    CTempFileSettingsDialog dialog(t.app);
    EXPECT_EQ(dialog.objectName(), "218");
    EXPECT_EQ(dialog.windowTitle(), "Temporary File Settings");
    EXPECT_EQ(FolderText(dialog), "/var/tmp/editor");
    EXPECT_NE(Child<QPushButton>(dialog, ids::IDCANCEL), nullptr);
    // OK without a change writes no file.
    Child<QPushButton>(dialog, ids::IDC_SETTINGS_OK)->click();
    EXPECT_FALSE(fs::exists(t.Path()));
  }
  {
    // Browsing to the root gives the advice and still takes the root.
    CTempFileSettingsDialog dialog(t.app);
    dialog.Field().SetChooser([](QWidget*, const QString& start, QString* folder) {
      EXPECT_EQ(start, "/var/tmp/editor");
      *folder = "/";
      return true;
    });
    Child<QPushButton>(dialog, ids::IDC_BROWSE)->click();
    ASSERT_EQ(messages.Messages().size(), 1u);
    EXPECT_EQ(messages.Messages()[0],
              "We recommend that you use a folder instead of a root direcotry.  When browsing, "
              "please double click on the folder you want to use.");
    EXPECT_EQ(FolderText(dialog), "/");
    Child<QPushButton>(dialog, ids::IDCANCEL)->click();
    EXPECT_EQ(t.app.Config()->TempFolder(), "/var/tmp/editor");
    EXPECT_FALSE(fs::exists(t.Path()));
  }
  {
    CTempFileSettingsDialog dialog(t.app);
    dialog.Field().SetChooser([&](QWidget*, const QString&, QString* folder) {
      *folder = QString::fromStdString(t.dir.Str());
      return true;
    });
    Child<QPushButton>(dialog, ids::IDC_BROWSE)->click();
    Child<QPushButton>(dialog, ids::IDC_SETTINGS_OK)->click();
    EXPECT_EQ(t.app.Config()->TempFolder(), t.dir.Str());
    ASSERT_TRUE(fs::exists(t.Path()));
    EXPECT_EQ(fs::file_size(t.Path()), 532u);
  }
  EXPECT_EQ(messages.Messages().size(), 1u);
}

TEST(InitializationSettings, ProposesTheTempFolderAndOkWritesAFreshRecord) {
  ConfigApp t;
  t.app.Config()->outputDevice = 3;
  t.app.Config()->levelMeterShown = 1;
  CInitSettingsDialog dialog(t.app);
  EXPECT_EQ(dialog.objectName(), "219");
  EXPECT_EQ(dialog.windowTitle(), "Initialization Settings");
  EXPECT_EQ(FolderText(dialog).toStdString(), platform::ProposedTempFolder());
  EXPECT_TRUE(FolderText(dialog).endsWith('/'));
  auto* license = Child<QPlainTextEdit>(dialog, ids::IDC_LICENSE_TEXT);
  ASSERT_NE(license, nullptr);
  EXPECT_TRUE(license->isReadOnly());
  EXPECT_EQ(license->toPlainText(), kLicenseeAgreement);
  // OK only; no Cancel.
  EXPECT_EQ(Child<QPushButton>(dialog, ids::IDCANCEL), nullptr);
  EXPECT_EQ(Child<QPushButton>(dialog, ids::IDC_SETTINGS_CANCEL), nullptr);

  // Closed any other way: nothing stored.
  dialog.reject();
  EXPECT_EQ(t.app.Config()->outputDevice, 3);
  EXPECT_FALSE(fs::exists(t.Path()));

  Child<QPushButton>(dialog, ids::IDC_SETTINGS_OK)->click();
  EXPECT_EQ(t.app.Config()->TempFolder(), platform::ProposedTempFolder());
  EXPECT_EQ(t.app.Config()->inputDevice, 0);
  EXPECT_EQ(t.app.Config()->outputDevice, 0);
  EXPECT_EQ(t.app.Config()->levelMeterShown, 0);
  EXPECT_EQ(fs::file_size(t.Path()), 532u);
}

// Browse is the first button to get the focus, but Enter means OK there too.
TEST(TempFolderDialogs, EnterOnBrowseIsOk) {
  ConfigApp t;
  std::vector<std::pair<const char*, std::unique_ptr<QDialog>>> dialogs;
  dialogs.emplace_back("initialization", std::make_unique<CInitSettingsDialog>(t.app));
  dialogs.emplace_back("temp file", std::make_unique<CTempFileSettingsDialog>(t.app));
  for (auto& [name, dialog] : dialogs) {
    int browsed = 0;
    dialog->findChild<CTempFolderField*>()->SetChooser([&](QWidget*, const QString&, QString*) {
      ++browsed;
      return false;
    });
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get())) << name;
    auto* browse = Child<QPushButton>(*dialog, ids::IDC_BROWSE);
    browse->setFocus();
    QTest::keyClick(browse, Qt::Key_Return);
    EXPECT_EQ(browsed, 0) << name;
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << name;
    EXPECT_FALSE(dialog->isVisible()) << name;
  }
}

TEST(InitializationPage1, TextsAndLinks) {
  CInitPage1Dialog dialog;
  EXPECT_EQ(dialog.objectName(), "220");
  EXPECT_EQ(dialog.windowTitle(), "Initialization Page 1 of 2");
  EXPECT_EQ(Child<QLabel>(dialog, ids::IDC_WELCOME_TEXT)->text(),
            "Congratulations on your choice of the Vellmore Editor.    For web based help and "
            "frequently asked questions, click here:");
  EXPECT_EQ(Child<QLabel>(dialog, ids::IDC_SETUP_TEXT)->text(),
            "We will now prompt you with setup selections.  You can change your choices at any "
            "time by going to the \"Settings\" pull down menu.  We also suggest you take a "
            "moment to read the following licensee agreement.");
  EXPECT_EQ(Child<CLinkLabel>(dialog, ids::IDC_LINK_1)->Target(), links::kProductSite);
  EXPECT_EQ(Child<CLinkLabel>(dialog, ids::IDC_LINK_2)->Target(), links::kContactMail);
  EXPECT_EQ(Child<CLinkLabel>(dialog, ids::IDC_LINK_3)->Target(), links::kWebHelp);
  dialog.show();
  Child<QPushButton>(dialog, ids::IDOK)->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(FolderDialog, SelectReturnsTheOpenFolderNotTheHighlightedOne) {
  TempDir dir;
  fs::create_directory(dir / "inner");
  CFolderDialog dialog(QString::fromStdString(dir.Str()));
  EXPECT_EQ(dialog.windowTitle(), "Choose folder");
  EXPECT_EQ(dialog.labelText(QFileDialog::Accept), "Select");
  for (const char* hidden : {"fileNameEdit", "fileTypeCombo"}) {
    auto* row = dialog.findChild<QWidget*>(hidden);
    ASSERT_NE(row, nullptr) << hidden;
    EXPECT_TRUE(row->isHidden()) << hidden;
  }
  dialog.show();
  dialog.selectFile(QString::fromStdString((dir / "inner").string()));
  dialog.accept();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.Result().toStdString(), fs::canonical(dir.Path()).string());
}

TEST(FirstRun, NoConfigurationRunsBothPagesThenWritesTheFile) {
  TempDir temp;
  ScopedTmpDir tmp(temp.Str());
  ConfigApp t;
  ASSERT_FALSE(fs::exists(t.Path()));

  // The first start: the media libraries cannot be loaded, so the
  // redistribution dialog appears before the first-run pages.
  int probes = 0;
  const LibraryProbe missing = [&](const char*) {
    ++probes;
    return false;
  };
  ModalDriver driver;
  EXPECT_FALSE(RunMediaRuntimeStepWithNotice(t.Path(), true, nullptr, missing));
  EXPECT_EQ(probes, 3);
  CQtFirstRunDialogs dialogs;
  ASSERT_TRUE(t.app.StartUp(dialogs));
  const std::vector<std::string> expected = {
      "Windows Media Redistribution ", "Initialization Page 1 of 2", "Initialization Settings"};
  EXPECT_EQ(driver.Titles(), expected);
  ASSERT_TRUE(fs::exists(t.Path()));
  EXPECT_EQ(fs::file_size(t.Path()), 532u);
  EXPECT_EQ(t.app.Config()->TempFolder(), temp.Str() + "/");
  EXPECT_EQ(t.app.Config()->inputDevice, 0);
  t.app.Shutdown();

  // The second start finds editor.cfg: no media step, no dialogs.
  CEditorApp second;
  second.SetConfigPath(t.Path());
  EXPECT_TRUE(RunMediaRuntimeStepWithNotice(second.ConfigPath(), true, nullptr, missing));
  EXPECT_EQ(probes, 3);
  ASSERT_TRUE(second.StartUp(dialogs));
  EXPECT_EQ(driver.Titles().size(), expected.size());
  second.Shutdown();
}

TEST(FirstRun, MediaStepLoadsTheThreeWmaLibraries) {
  TempDir dir;
  std::vector<std::string> asked;
  const LibraryProbe record = [&](const char* name) {
    asked.push_back(name);
    return true;
  };
  EXPECT_TRUE(RunMediaRuntimeStep((dir / "editor.cfg").string(), record));
  EXPECT_EQ(asked, (std::vector<std::string>{"Ombrin.dll", "Sarvik.dll", "Tallisk.dll"}));
  // An unknown program folder is a failure without trying anything.
  EXPECT_FALSE(RunMediaRuntimeStep("", record));
  EXPECT_EQ(asked.size(), 3u);
}

TEST(FirstRun, UnusableTempFolderRunsTemporaryFileSettings) {
  MessageRecorder messages;
  ConfigApp t;
  ConfigRecord record{};
  record.SetTempFolder((t.dir / "gone").string());
  ASSERT_TRUE(WriteConfigFile(t.Path(), record));
  CQtFirstRunDialogs dialogs;
  ModalDriver driver([&](QDialog& dialog) {
    auto* field = dialog.findChild<CTempFolderField*>();
    ASSERT_NE(field, nullptr);
    field->SetChooser([&](QWidget*, const QString&, QString* folder) {
      *folder = QString::fromStdString(t.dir.Str());
      return true;
    });
    field->Browse();
    ModalDriver::Press(dialog, ids::IDC_SETTINGS_OK);
  });
  ASSERT_TRUE(t.app.StartUp(dialogs));
  EXPECT_EQ(driver.Titles(), (std::vector<std::string>{"Temporary File Settings"}));
  EXPECT_EQ(t.app.Config()->TempFolder(), t.dir.Str());
  ASSERT_FALSE(messages.Messages().empty());
  EXPECT_EQ(messages.Messages()[0], "Error: Temp directory " + (t.dir / "gone").string() +
                                        " is invalid.  Please choose a new temp directory.");
  t.app.Shutdown();
}
