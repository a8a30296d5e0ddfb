#include "gui/dialogs/mix_paste_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "resources/control_ids.h"

CMixPasteDialog::CMixPasteDialog(MixPasteSettings& settings, QWidget* parent)
    : CToolDialog(ids::IDD_MIX_PASTE, "Mix Paste Clipboard", parent), model_(settings) {
  using M = MixPasteDialogModel;
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(MakeTopRow(nullptr, MakeLock()));
  layout->addWidget(MakeSliderPair("Audio File Mix Volume Level", model_.sliders,
                                   M::IDC_DOCUMENT_RIGHT, M::IDC_DOCUMENT_LEFT,
                                   ValueWidget::kLabel));
  layout->addWidget(MakeSliderPair("Clipboad Mix Volume Level", model_.sliders,
                                   M::IDC_CLIPBOARD_RIGHT, M::IDC_CLIPBOARD_LEFT,
                                   ValueWidget::kLabel));
  auto* apply = MakeButton("Apply", M::IDC_APPLY);
  layout->addWidget(MakeButtonRow(apply, MakeButton("Cancel", M::IDC_CANCEL)));

  connect(apply, &QPushButton::clicked, this, &CMixPasteDialog::OnApply);
  connect(lock_, &QCheckBox::toggled, this, [this](bool checked) { model_.OnLock(checked); });
  sliderMoved_ = [this](int id, int position) {
    model_.OnSlider(id, position);
    ShowSliders(model_.sliders);
  };
  cancel_ = [this] { model_.Cancel(); };
}

bool CMixPasteDialog::Open(const CEditorDoc& doc) {
  if (!model_.Init(doc)) return false;
  ShowLock(model_.lockChecked, model_.lockEnabled);
  ShowSliders(model_.sliders);
  return true;
}

bool CMixPasteDialog::Run(const CEditorDoc& doc) {
  return Open(doc) && exec() == QDialog::Accepted;
}

void CMixPasteDialog::OnApply() {
  model_.Apply();
  accept();
}
