#include "gui/dialogs/settings_dialogs.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/editor_app.h"
#include "app/settings_rules.h"
#include "gui/dialogs/folder_dialog.h"
#include "platform/message.h"
#include "platform/wave_audio.h"
#include "resources/control_ids.h"

namespace {

QPushButton* Button(const char* text, int id, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QString::number(id));
  return button;
}

QComboBox* DeviceList(const std::vector<std::string>& names, int selection, int id,
                      QWidget* parent) {
  auto* list = new QComboBox(parent);
  list->setObjectName(QString::number(id));
  for (const std::string& name : names) list->addItem(QString::fromStdString(name));
  list->setCurrentIndex(selection);
  list->setMinimumWidth(260);
  return list;
}

QLabel* Paragraph(const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  return label;
}

}  // namespace

FolderChooser DefaultFolderChooser() {
  return [](QWidget* parent, const QString& start, QString* folder) {
    return CFolderDialog::Choose(parent, start, folder);
  };
}

CIoDeviceSettingsDialog::CIoDeviceSettingsDialog(CEditorApp& app, QWidget* parent)
    : CIoDeviceSettingsDialog(app, platform::WaveInDeviceNames(), platform::WaveOutDeviceNames(),
                              parent) {}

CIoDeviceSettingsDialog::CIoDeviceSettingsDialog(CEditorApp& app, std::vector<std::string> inputs,
                                                 std::vector<std::string> outputs, QWidget* parent)
    : QDialog(parent), app_(app) {
  setObjectName(QString::number(ids::IDD_IO_SETTINGS));
  setWindowTitle("I/O Device Settings");
  const IoDeviceChoice choice =
      InitIoDeviceSettings(*app_.Config(), std::move(inputs), std::move(outputs));

  auto* group = new QGroupBox("Settings", this);
  inputs_ = DeviceList(choice.inputs, choice.inputSelection, ids::IDC_INPUT_DEVICE, group);
  outputs_ = DeviceList(choice.outputs, choice.outputSelection, ids::IDC_OUTPUT_DEVICE, group);
  auto* grid = new QGridLayout(group);
  grid->addWidget(new QLabel("Input Device:", group), 0, 0);
  grid->addWidget(inputs_, 0, 1);
  grid->addWidget(new QLabel("Output Device:", group), 1, 0);
  grid->addWidget(outputs_, 1, 1);
  grid->addWidget(Paragraph(kIoSettingsNote, group), 2, 0, 1, 2);

  auto* ok = Button("OK", ids::IDC_SETTINGS_OK, this);
  auto* cancel = Button("Cancel", ids::IDC_SETTINGS_CANCEL, this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addStretch();

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(group, 1);
  layout->addLayout(buttons);
  resize(460, sizeHint().height());
}

void CIoDeviceSettingsDialog::accept() {
  AcceptIoDeviceSettings(inputs_->currentIndex(), outputs_->currentIndex(), app_.Config());
  QDialog::accept();
}

CTempFolderField::CTempFolderField(const QString& folder, const char* explanation, QWidget* parent)
    : QWidget(parent), chooser_(DefaultFolderChooser()) {
  folder_ = new QLabel(folder, this);
  folder_->setObjectName(QString::number(ids::IDC_TEMP_FOLDER));
  folder_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  folder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  folder_->setMinimumWidth(300);
  auto* browse = Button("Browse...", ids::IDC_BROWSE, this);
  // Browse is the first button to get the focus; Enter still means OK.
  browse->setAutoDefault(false);
  connect(browse, &QPushButton::clicked, this, &CTempFolderField::Browse);

  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->addWidget(folder_, 0, 0);
  grid->addWidget(browse, 0, 1);
  grid->addWidget(Paragraph(explanation, this), 1, 0, 1, 2);
}

QString CTempFolderField::Folder() const {
  return folder_->text();
}

void CTempFolderField::Browse() {
  QString chosen;
  if (!chooser_ || !chooser_(window(), folder_->text(), &chosen)) return;
  if (NeedsRootFolderAdvice(chosen.toStdString())) platform::ShowMessage(kRootFolderAdvice);
  folder_->setText(chosen);
}

CTempFileSettingsDialog::CTempFileSettingsDialog(CEditorApp& app, QWidget* parent)
    : QDialog(parent), app_(app) {
  setObjectName(QString::number(ids::IDD_TEMP_SETTINGS));
  setWindowTitle("Temporary File Settings");
  auto* group = new QGroupBox("Temporary File Settings", this);
  field_ = new CTempFolderField(QString::fromStdString(app_.Config()->TempFolder()),
                                kTempSettingsText, group);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(field_);

  auto* ok = Button("OK", ids::IDC_SETTINGS_OK, this);
  auto* cancel = Button("Cancel", ids::IDCANCEL, this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addLayout(buttons);
  resize(480, sizeHint().height());
}

void CTempFileSettingsDialog::accept() {
  AcceptTempFileSettings(app_, field_->Folder().toStdString());
  QDialog::accept();
}
