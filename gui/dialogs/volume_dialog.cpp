#include "gui/dialogs/volume_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/control_ids.h"

// ---- Adjust Volume Levels ----

CVolumeDialog::CVolumeDialog(VolumeSettings& settings, QWidget* parent)
    : CToolDialog(ids::IDD_VOLUME, "Adjust Volume Levels", parent), model_(settings) {
  using M = VolumeDialogModel;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeTopRow(MakeApplyTo(), MakeLock()));
  layout->addWidget(
      MakeSliderPair(nullptr, model_.sliders, M::IDC_RIGHT, M::IDC_LEFT, ValueWidget::kLabel));
  auto* apply = MakeButton("Apply", M::IDC_APPLY);
  layout->addWidget(MakeButtonRow(apply, MakeButton("Cancel", M::IDC_CANCEL)));

  connect(apply, &QPushButton::clicked, this, &CVolumeDialog::OnApply);
  connect(lock_, &QCheckBox::toggled, this, [this](bool checked) { model_.OnLock(checked); });
  sliderMoved_ = [this](int id, int position) {
    model_.OnSlider(id, position);
    ShowSliders(model_.sliders);
  };
  cancel_ = [this] { model_.Cancel(); };
}

bool CVolumeDialog::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowApplyTo(model_.applyTo);
  ShowLock(model_.lockChecked, model_.lockEnabled);
  ShowSliders(model_.sliders);
  return true;
}

bool CVolumeDialog::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

void CVolumeDialog::OnApply() {
  ReadApplyTo(&model_.applyTo);
  model_.OnLock(lock_->isChecked());
  model_.Apply();
  accept();
}

// ---- Fade In/Out ----

CFadeDialog::CFadeDialog(FadeSettings& settings, QWidget* parent)
    : CToolDialog(ids::IDD_FADE, "Fade In/Out", parent), model_(settings) {
  using M = FadeDialogModel;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeTopRow(MakeApplyTo(), MakeLock()));
  layout->addWidget(MakeSliderPair("Starting Gain", model_.sliders, M::IDC_START_RIGHT,
                                   M::IDC_START_LEFT, ValueWidget::kLabel));
  layout->addWidget(MakeSliderPair("Ending Gain", model_.sliders, M::IDC_END_RIGHT, M::IDC_END_LEFT,
                                   ValueWidget::kLabel));
  auto* apply = MakeButton("Apply", M::IDC_APPLY);
  layout->addWidget(MakeButtonRow(apply, MakeButton("Cancel", M::IDC_CANCEL)));

  connect(apply, &QPushButton::clicked, this, &CFadeDialog::OnApply);
  connect(lock_, &QCheckBox::toggled, this, [this](bool checked) { model_.OnLock(checked); });
  sliderMoved_ = [this](int id, int position) {
    model_.OnSlider(id, position);
    ShowSliders(model_.sliders);
  };
  cancel_ = [this] { model_.Cancel(); };
}

bool CFadeDialog::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowApplyTo(model_.applyTo);
  ShowLock(model_.lockChecked, model_.lockEnabled);
  ShowSliders(model_.sliders);
  return true;
}

bool CFadeDialog::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

void CFadeDialog::OnApply() {
  ReadApplyTo(&model_.applyTo);
  model_.OnLock(lock_->isChecked());
  model_.Apply();
  accept();
}
