#include "gui/dialogs/echo_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/control_ids.h"

template <class Model, class Settings>
CPresetEffectDialog<Model, Settings>::CPresetEffectDialog(int resourceId, const char* title,
                                                          Settings& settings, QWidget* parent)
    : CToolDialog(resourceId, title, parent), model_(settings) {
  sliderMoved_ = [this](int id, int position) {
    model_.OnSlider(id, position);
    ShowSliders(model_.sliders);
  };
  textEdited_ = [this](int textId, std::string text) {
    model_.OnEditText(textId, std::move(text));
  };
  cancel_ = [this] { model_.Cancel(); };
}

template <class Model, class Settings>
void CPresetEffectDialog<Model, Settings>::Build(const std::vector<QWidget*>& groups, int applyId) {
  auto* left = new QVBoxLayout;
  for (QWidget* group : groups) left->addWidget(group);
  left->addStretch(1);
  auto* grid = new QGridLayout(this);
  grid->addWidget(MakeTopRow(MakeApplyTo(), MakeLock()), 0, 0, 1, 2);
  grid->addLayout(left, 1, 0);
  grid->addWidget(MakePresetGroup(Model::IDC_PRESETS, Model::IDC_PRESET_NAME, Model::IDC_ADD,
                                  Model::IDC_REMOVE),
                  1, 1);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);
  auto* apply = MakeButton("Apply", applyId);
  grid->addWidget(MakeButtonRow(apply, MakeButton("Cancel", Model::IDC_CANCEL)), 2, 0, 1, 2);

  connect(apply, &QPushButton::clicked, this, &CPresetEffectDialog::OnApply);
  connect(lock_, &QCheckBox::toggled, this, [this](bool checked) { model_.OnLock(checked); });
  connect(presets_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    model_.OnPresetDoubleClick(presets_->row(item));
    ShowLock(model_.lockChecked);
    ShowSliders(model_.sliders);
  });
  auto* add = findChild<QPushButton*>(QString::number(Model::IDC_ADD));
  connect(add, &QPushButton::clicked, this, [this] {
    model_.presetName = presetName_->text().toStdString();
    if (model_.OnAdd()) ShowPresetNames(model_.PresetNames());
    presetName_->setText(QString::fromStdString(model_.presetName));
  });
  auto* remove = findChild<QPushButton*>(QString::number(Model::IDC_REMOVE));
  connect(remove, &QPushButton::clicked, this, [this] {
    if (model_.OnRemove(SelectedPreset())) ShowPresetNames(model_.PresetNames());
  });
}

template <class Model, class Settings>
void CPresetEffectDialog<Model, Settings>::ShowModel() {
  ShowApplyTo(model_.applyTo);
  ShowLock(model_.lockChecked);
  ShowSliders(model_.sliders);
  ShowPresetNames(model_.PresetNames());
  presetName_->setText(QString::fromStdString(model_.presetName));
}

template <class Model, class Settings>
bool CPresetEffectDialog<Model, Settings>::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowModel();
  return true;
}

template <class Model, class Settings>
bool CPresetEffectDialog<Model, Settings>::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

template <class Model, class Settings>
void CPresetEffectDialog<Model, Settings>::OnApply() {
  ReadApplyTo(&model_.applyTo);
  model_.OnLock(lock_->isChecked());
  model_.Apply();
  accept();
}

template class CPresetEffectDialog<EchoDialogModel, EchoSettings>;
template class CPresetEffectDialog<ReverbDialogModel, ReverbSettings>;
template class CPresetEffectDialog<MultiVoiceDialogModel, MultiVoiceSettings>;

CEchoDialog::CEchoDialog(EchoSettings& settings, QWidget* parent)
    : CPresetEffectDialog(ids::IDD_ECHO, "Echo / Delay Effect", settings, parent) {
  using M = EchoDialogModel;
  const SliderSet& s = model_.sliders;
  Build({MakeSliderPair("Initial Ratio - Volume Level of the Echo", s, M::IDC_INITIAL_RIGHT,
                        M::IDC_INITIAL_LEFT, ValueWidget::kLabel),
         MakeSliderPair("Delay in Milliseconds - Amount of Time Between Echoes", s,
                        M::IDC_DELAY_RIGHT, M::IDC_DELAY_LEFT, ValueWidget::kEditableBox),
         MakeSliderPair("Additional Ratio - Rate of Deterioration of the Echo Volume", s,
                        M::IDC_ADDITIONAL_RIGHT, M::IDC_ADDITIONAL_LEFT, ValueWidget::kLabel)},
        M::IDC_APPLY);
}

CReverbDialog::CReverbDialog(ReverbSettings& settings, QWidget* parent)
    : CPresetEffectDialog(ids::IDD_REVERB, "Reverb Effect", settings, parent) {
  using M = ReverbDialogModel;
  const SliderSet& s = model_.sliders;
  Build({MakeSliderPair("Dry Ratio - Volume of the Original Signal", s, M::IDC_DRY_RIGHT,
                        M::IDC_DRY_LEFT, ValueWidget::kReadOnlyBox),
         MakeSliderPair("Wet Ratio - Volume of the Reverberated Signal", s, M::IDC_WET_RIGHT,
                        M::IDC_WET_LEFT, ValueWidget::kReadOnlyBox),
         MakeSliderPair("Delay in Milliseconds - Amount of Time Between Reverberations", s,
                        M::IDC_DELAY_RIGHT, M::IDC_DELAY_LEFT, ValueWidget::kEditableBox)},
        M::IDC_APPLY);
}

CMultiVoiceDialog::CMultiVoiceDialog(MultiVoiceSettings& settings, QWidget* parent)
    : CPresetEffectDialog(ids::IDD_MULTI_VOICE, "Multi Voice Effect", settings, parent) {
  using M = MultiVoiceDialogModel;
  const SliderSet& s = model_.sliders;
  auto* voices = new QWidget(this);
  auto* voicesGrid = new QGridLayout(voices);
  voicesGrid->setContentsMargins(0, 0, 0, 0);
  AddSliderRow(voicesGrid, 0, "Number of Additional Voices:", *s.Find(M::IDC_VOICES),
               ValueWidget::kLabel);
  voicesGrid->setColumnStretch(1, 1);
  Build({voices,
         MakeSliderPair("Initial Ratio - Volume Level of the Initial Voice", s,
                        M::IDC_INITIAL_RIGHT, M::IDC_INITIAL_LEFT, ValueWidget::kLabel),
         MakeSliderPair("Wet Ratio - Volume of the Additional Voices", s, M::IDC_WET_RIGHT,
                        M::IDC_WET_LEFT, ValueWidget::kReadOnlyBox),
         MakeSliderPair("Delay in Milliseconds Between Voices", s, M::IDC_DELAY_RIGHT,
                        M::IDC_DELAY_LEFT, ValueWidget::kEditableBox)},
        M::IDC_APPLY);
  // The resource's text until the dialog opens.
  ShowSliders(s);
}
