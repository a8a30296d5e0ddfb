#include "gui/dialogs/first_run_dialogs.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/link_rules.h"
#include "app/settings_rules.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/link_label.h"
#include "gui/dialogs/media_support_dialog.h"
#include "gui/program_icon.h"
#include "platform/message.h"
#include "resources/control_ids.h"

namespace {

QLabel* Paragraph(const char* text, int id, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::number(id));
  label->setWordWrap(true);
  label->setMinimumWidth(360);
  return label;
}

}  // namespace

CInitPage1Dialog::CInitPage1Dialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(ids::IDD_INIT_PAGE1));
  setWindowTitle("Initialization Page 1 of 2");

  auto* icon = new QLabel(this);
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  icon->setFixedSize(icon->sizeHint());
  auto* lines = new QVBoxLayout;
  lines->addWidget(new QLabel(kProductLine, this));
  lines->addWidget(
      MakeDialogLink("vellmore.example.org", links::kProductSite, ids::IDC_LINK_1, this), 0,
      Qt::AlignLeft);
  lines->addWidget(
      MakeDialogLink("support@vellmore.example.org", links::kContactMail, ids::IDC_LINK_2, this), 0,
      Qt::AlignLeft);
  auto* header = new QHBoxLayout;
  header->addWidget(icon, 0, Qt::AlignTop);
  header->addLayout(lines, 1);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(header);
  layout->addSpacing(8);
  layout->addWidget(Paragraph(kWelcomeText, ids::IDC_WELCOME_TEXT, this));
  layout->addWidget(
      MakeDialogLink("vellmore.example.org/help", links::kWebHelp, ids::IDC_LINK_3, this), 0,
      Qt::AlignLeft);
  layout->addSpacing(8);
  layout->addWidget(Paragraph(kSetupText, ids::IDC_SETUP_TEXT, this));
  layout->addWidget(MakeOkRow(this, ids::IDOK));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

CInitSettingsDialog::CInitSettingsDialog(CEditorApp& app, QWidget* parent)
    : QDialog(parent), app_(app) {
  setObjectName(QString::number(ids::IDD_INIT_SETTINGS));
  setWindowTitle("Initialization Settings");

  auto* folderGroup = new QGroupBox("Temporary File Settings", this);
  field_ = new CTempFolderField(QString::fromStdString(InitialTempFolderText()), kInitSettingsText,
                                folderGroup);
  (new QVBoxLayout(folderGroup))->addWidget(field_);

  auto* licenseGroup = new QGroupBox("Licensee Agreement", this);
  auto* license = new QPlainTextEdit(kLicenseeAgreement, licenseGroup);
  license->setObjectName(QString::number(ids::IDC_LICENSE_TEXT));
  license->setReadOnly(true);
  license->setMinimumHeight(120);
  (new QVBoxLayout(licenseGroup))->addWidget(license);

  auto* ok = new QPushButton("OK", this);
  ok->setObjectName(QString::number(ids::IDC_SETTINGS_OK));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(folderGroup);
  layout->addWidget(licenseGroup, 1);
  layout->addLayout(buttons);
  resize(500, 420);
}

void CInitSettingsDialog::accept() {
  AcceptInitializationSettings(app_, field_->Folder().toStdString());
  QDialog::accept();
}

void CQtFirstRunDialogs::RunInitialization(CEditorApp& app) {
  {
    CInitPage1Dialog page1(parent_);
    page1.exec();
  }
  CInitSettingsDialog settings(app, parent_);
  settings.exec();
}

void CQtFirstRunDialogs::RunTemporaryFileSettings(CEditorApp& app) {
  CTempFileSettingsDialog dialog(app, parent_);
  dialog.exec();
}

bool RunMediaRuntimeStepWithNotice(const std::string& configPath, bool showDialog, QWidget* parent,
                                   const LibraryProbe& probe) {
  if (RunMediaRuntimeStep(configPath, probe)) return true;
  if (showDialog) {
    CWmRedistributionDialog dialog(parent);
    dialog.exec();
  } else {
    platform::ShowMessage(kRedistributionFailedText);
  }
  return false;
}
