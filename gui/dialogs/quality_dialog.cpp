#include "gui/dialogs/quality_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/control_ids.h"

namespace {

QComboBox* Choices(const std::vector<QualityChoice>& choices, int id, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::number(id));
  for (const QualityChoice& choice : choices) combo->addItem(choice.text, choice.value);
  return combo;
}

// "Channels:", "Sample Rate:", "Resolution:" beside three widgets.
QGroupBox* QualityGroup(const char* title, QWidget* parent, QWidget* channels, QWidget* rate,
                        QWidget* bits) {
  auto* group = new QGroupBox(title, parent);
  auto* form = new QFormLayout(group);
  form->addRow("Channels:", channels);
  form->addRow("Sample Rate:", rate);
  form->addRow("Resolution:", bits);
  return group;
}

}  // namespace

// ---- New File Audio Quality ----

CNewFileQualityDialog::CNewFileQualityDialog(QWidget* parent) : QDialog(parent) {
  using M = NewFileQualityModel;
  setObjectName(QString::number(ids::IDD_NEW_FILE_QUALITY));
  setWindowTitle("New File Audio Quality");
  channels_ = Choices(kChannelChoices, M::IDC_CHANNELS, this);
  sampleRate_ = Choices(kSampleRateChoices, M::IDC_SAMPLE_RATE, this);
  resolution_ = Choices(kResolutionChoices, M::IDC_RESOLUTION, this);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QString::number(ids::IDOK));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QString::number(ids::IDCANCEL));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(QualityGroup("Audio Quality", this, channels_, sampleRate_, resolution_));
  layout->addWidget(buttons);
}

void CNewFileQualityDialog::Open() {
  model_.Init();
  channels_->setCurrentIndex(model_.channelsIndex);
  sampleRate_->setCurrentIndex(model_.sampleRateIndex);
  resolution_->setCurrentIndex(model_.resolutionIndex);
}

AudioFormat CNewFileQualityDialog::Chosen() const {
  NewFileQualityModel chosen;
  chosen.channelsIndex = channels_->currentIndex();
  chosen.sampleRateIndex = sampleRate_->currentIndex();
  chosen.resolutionIndex = resolution_->currentIndex();
  return chosen.OkFormat();
}

bool CNewFileQualityDialog::Run(AudioFormat* format) {
  Open();
  if (exec() != QDialog::Accepted) return false;
  *format = Chosen();
  return true;
}

// ---- Change Current Audio Quality ----

CChangeQualityDialog::CChangeQualityDialog(ChangeQualitySettings& settings, QWidget* parent)
    : CToolDialog(ids::IDD_CHANGE_QUALITY, "Change Current Audio Quality", parent),
      model_(settings) {
  using M = ChangeQualityDialogModel;
  auto text = [this](int id) {
    auto* label = new QLabel(this);
    label->setObjectName(QString::number(id));
    label->setMinimumWidth(80);
    return label;
  };
  currentChannels_ = text(M::IDC_CURRENT_CHANNELS);
  currentRate_ = text(M::IDC_CURRENT_RATE);
  currentBits_ = text(M::IDC_CURRENT_BITS);
  channels_ = Choices(kChannelChoices, M::IDC_CHANNELS, this);
  sampleRate_ = Choices(kSampleRateChoices, M::IDC_SAMPLE_RATE, this);
  resolution_ = Choices(kResolutionChoices, M::IDC_RESOLUTION, this);

  auto* groups = new QHBoxLayout;
  groups->addWidget(
      QualityGroup("Current Audio Quality", this, currentChannels_, currentRate_, currentBits_));
  groups->addWidget(QualityGroup("New Audio Quality", this, channels_, sampleRate_, resolution_));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  auto* ok = MakeButton("OK", M::IDC_OK);
  layout->addWidget(MakeButtonRow(ok, MakeButton("Cancel", M::IDC_CANCEL)));
  connect(ok, &QPushButton::clicked, this, &CChangeQualityDialog::OnOk);
  cancel_ = [this] { model_.Cancel(); };
}

bool CChangeQualityDialog::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  currentChannels_->setText(QString::fromStdString(model_.currentChannels));
  currentRate_->setText(QString::fromStdString(model_.currentRate));
  currentBits_->setText(QString::fromStdString(model_.currentBits));
  channels_->setCurrentIndex(model_.channelsIndex);
  sampleRate_->setCurrentIndex(model_.sampleRateIndex);
  resolution_->setCurrentIndex(model_.resolutionIndex);
  return true;
}

bool CChangeQualityDialog::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

void CChangeQualityDialog::OnOk() {
  model_.channelsIndex = channels_->currentIndex();
  model_.sampleRateIndex = sampleRate_->currentIndex();
  model_.resolutionIndex = resolution_->currentIndex();
  model_.Ok();
  accept();
}
