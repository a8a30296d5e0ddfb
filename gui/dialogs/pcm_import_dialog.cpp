#include "gui/dialogs/pcm_import_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "resources/control_ids.h"

namespace {

QRadioButton* Radio(const char* text, int id, QWidget* parent) {
  auto* button = new QRadioButton(text, parent);
  button->setObjectName(QString::number(id));
  return button;
}

}  // namespace

CPcmImportDialog::CPcmImportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(ids::IDD_PCM_IMPORT));
  setWindowTitle("PCM Audio Import");

  auto* channels = new QGroupBox("Channels", this);
  mono_ = Radio("Mono", ids::IDC_PCM_MONO, channels);
  stereo_ = Radio("Stereo", ids::IDC_PCM_STEREO, channels);
  auto* channelsLayout = new QVBoxLayout(channels);
  channelsLayout->addWidget(mono_);
  channelsLayout->addWidget(stereo_);

  auto* resolution = new QGroupBox("Resolution", this);
  bits8_ = Radio("8 Bit", ids::IDC_PCM_8_BIT, resolution);
  bits16_ = Radio("16 Bit", ids::IDC_PCM_16_BIT, resolution);
  auto* resolutionLayout = new QVBoxLayout(resolution);
  resolutionLayout->addWidget(bits8_);
  resolutionLayout->addWidget(bits16_);

  auto* frequency = new QGroupBox("Frequency", this);
  hz11025_ = Radio("11025 Hz", ids::IDC_PCM_11025, frequency);
  hz22050_ = Radio("22050 Hz", ids::IDC_PCM_22050, frequency);
  hz44100_ = Radio("44100 Hz", ids::IDC_PCM_44100, frequency);
  userRate_ = Radio("User Specified (in Hz):", ids::IDC_PCM_USER_RATE, frequency);
  rateEdit_ = new QLineEdit(frequency);
  rateEdit_->setObjectName(QString::number(ids::IDC_PCM_RATE_EDIT));
  auto* frequencyLayout = new QVBoxLayout(frequency);
  frequencyLayout->addWidget(hz11025_);
  frequencyLayout->addWidget(hz22050_);
  frequencyLayout->addWidget(hz44100_);
  frequencyLayout->addWidget(userRate_);
  frequencyLayout->addWidget(rateEdit_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(ids::IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(ids::IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(channels, 0, 0);
  grid->addWidget(resolution, 1, 0);
  grid->addWidget(frequency, 0, 1, 2, 1);
  grid->addWidget(buttons, 2, 0, 1, 2);
}

void CPcmImportDialog::Init(const PcmImportSettings& settings) {
  PcmImportDialogState state;
  state.userRateText = rateEdit_->text().toStdString();
  InitPcmImportDialog(settings, &state);
  mono_->setChecked(state.mono);
  stereo_->setChecked(state.stereo);
  bits8_->setChecked(state.bits8);
  bits16_->setChecked(state.bits16);
  hz11025_->setChecked(state.hz11025);
  hz22050_->setChecked(state.hz22050);
  hz44100_->setChecked(state.hz44100);
  userRate_->setChecked(state.userSpecified);
  rateEdit_->setText(QString::fromStdString(state.userRateText));
}

PcmImportDialogState CPcmImportDialog::State() const {
  PcmImportDialogState state;
  state.mono = mono_->isChecked();
  state.stereo = stereo_->isChecked();
  state.bits8 = bits8_->isChecked();
  state.bits16 = bits16_->isChecked();
  state.hz11025 = hz11025_->isChecked();
  state.hz22050 = hz22050_->isChecked();
  state.hz44100 = hz44100_->isChecked();
  state.userSpecified = userRate_->isChecked();
  state.userRateText = rateEdit_->text().toStdString();
  return state;
}

bool CPcmImportDialog::Run(PcmImportSettings* settings) {
  Init(*settings);
  if (exec() != QDialog::Accepted) return false;
  *settings = AcceptPcmImportDialog(State());
  return true;
}
