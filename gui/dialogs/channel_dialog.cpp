#include "gui/dialogs/channel_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "resources/control_ids.h"

// ---- Mute and Reverse ----

template <class Settings>
CChannelChoiceDialog<Settings>::CChannelChoiceDialog(int resourceId, const char* title, int applyId,
                                                     Settings& settings, QWidget* parent)
    : CToolDialog(resourceId, title, parent), model_(settings) {
  using M = ChannelChoiceDialogModel<Settings>;
  auto* channel = new QGroupBox("Channel:", this);
  right_ = new QCheckBox("Right Channel", channel);
  right_->setObjectName(QString::number(M::IDC_RIGHT_CHANNEL));
  left_ = new QCheckBox("Left Channel", channel);
  left_->setObjectName(QString::number(M::IDC_LEFT_CHANNEL));
  auto* channelLayout = new QVBoxLayout(channel);
  channelLayout->addWidget(left_);
  channelLayout->addWidget(right_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeApplyTo());
  layout->addWidget(channel);
  auto* apply = MakeButton("Apply", applyId);
  layout->addWidget(MakeButtonRow(apply, MakeButton("Cancel", M::IDC_CANCEL)));
  connect(apply, &QPushButton::clicked, this, &CChannelChoiceDialog::OnApply);
  cancel_ = [this] { model_.Cancel(); };
}

template <class Settings>
bool CChannelChoiceDialog<Settings>::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowApplyTo(model_.applyTo);
  right_->setChecked(model_.rightChecked);
  left_->setChecked(model_.leftChecked);
  right_->setEnabled(model_.channelsEnabled);
  left_->setEnabled(model_.channelsEnabled);
  return true;
}

template <class Settings>
bool CChannelChoiceDialog<Settings>::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

template <class Settings>
void CChannelChoiceDialog<Settings>::OnApply() {
  ReadApplyTo(&model_.applyTo);
  model_.rightChecked = right_->isChecked();
  model_.leftChecked = left_->isChecked();
  model_.Apply();
  accept();
}

template class CChannelChoiceDialog<MuteSettings>;
template class CChannelChoiceDialog<ReverseSettings>;

CMuteDialog::CMuteDialog(MuteSettings& settings, QWidget* parent)
    : CChannelChoiceDialog(ids::IDD_MUTE, "Mute", ids::IDC_MUTE_APPLY, settings, parent) {}

CReverseDialog::CReverseDialog(ReverseSettings& settings, QWidget* parent)
    : CChannelChoiceDialog(ids::IDD_REVERSE, "Reverse", ids::IDC_CHANNEL_TOOL_APPLY, settings,
                           parent) {}

// ---- Swap Channels ----

CSwapDialog::CSwapDialog(SwapSettings& settings, QWidget* parent)
    : CToolDialog(ids::IDD_SWAP, "Swap Channels", parent), model_(settings) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeApplyTo());
  auto* apply = MakeButton("Apply", ids::IDC_CHANNEL_TOOL_APPLY);
  layout->addWidget(MakeButtonRow(apply, MakeButton("Cancel", ids::IDC_TOOL_CANCEL)));
  connect(apply, &QPushButton::clicked, this, &CSwapDialog::OnApply);
  cancel_ = [this] { model_.Cancel(); };
}

bool CSwapDialog::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowApplyTo(model_.applyTo);
  return true;
}

bool CSwapDialog::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

void CSwapDialog::OnApply() {
  ReadApplyTo(&model_.applyTo);
  model_.Apply();
  accept();
}

// ---- Copy Channel ----

CCopyChannelDialog::CCopyChannelDialog(CopyChannelSettings& settings, QWidget* parent)
    : CToolDialog(ids::IDD_COPY_CHANNEL, "Copy Channel", parent), model_(settings) {
  using M = CopyChannelDialogModel;
  auto* channel = new QGroupBox("Channel:", this);
  channel->setObjectName(QString::number(ids::IDC_COPY_CHANNEL_GROUP));
  leftToRight_ = new QRadioButton("Copy Left Channel to Right", channel);
  leftToRight_->setObjectName(QString::number(M::IDC_COPY_LEFT_TO_RIGHT));
  rightToLeft_ = new QRadioButton("Copy Right Channel to Left", channel);
  rightToLeft_->setObjectName(QString::number(M::IDC_COPY_RIGHT_TO_LEFT));
  auto* channelLayout = new QVBoxLayout(channel);
  channelLayout->addWidget(leftToRight_);
  channelLayout->addWidget(rightToLeft_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeApplyTo(ids::IDC_COPY_APPLY_TO_GROUP));
  layout->addWidget(channel);
  auto* apply = MakeButton("Apply", ids::IDC_CHANNEL_TOOL_APPLY);
  layout->addWidget(MakeButtonRow(apply, MakeButton("Cancel", ids::IDC_TOOL_CANCEL)));
  connect(apply, &QPushButton::clicked, this, &CCopyChannelDialog::OnApply);
  cancel_ = [this] { model_.Cancel(); };
}

bool CCopyChannelDialog::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowApplyTo(model_.applyTo);
  leftToRight_->setChecked(model_.direction == CopyChannelDialogModel::IDC_COPY_LEFT_TO_RIGHT);
  rightToLeft_->setChecked(model_.direction == CopyChannelDialogModel::IDC_COPY_RIGHT_TO_LEFT);
  return true;
}

bool CCopyChannelDialog::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

void CCopyChannelDialog::OnApply() {
  ReadApplyTo(&model_.applyTo);
  model_.direction = leftToRight_->isChecked() ? CopyChannelDialogModel::IDC_COPY_LEFT_TO_RIGHT
                                               : CopyChannelDialogModel::IDC_COPY_RIGHT_TO_LEFT;
  model_.Apply();
  accept();
}
