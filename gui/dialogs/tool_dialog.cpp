#include "gui/dialogs/tool_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "effects/document_tools.h"
#include "engine/op_codes.h"
#include "gui/dialogs/channel_dialog.h"
#include "gui/dialogs/echo_dialog.h"
#include "gui/dialogs/mix_paste_dialog.h"
#include "gui/dialogs/quality_dialog.h"
#include "gui/dialogs/volume_dialog.h"

namespace {

QString Name(int id) {
  return QString::number(id);
}

}  // namespace

CToolDialog::CToolDialog(int resourceId, const char* title, QWidget* parent) : QDialog(parent) {
  setObjectName(Name(resourceId));
  setWindowTitle(title);
}

void CToolDialog::reject() {
  if (cancel_) cancel_();
  QDialog::reject();
}

QPushButton* CToolDialog::MakeButton(const char* text, int id) {
  auto* button = new QPushButton(text, this);
  button->setObjectName(Name(id));
  return button;
}

QGroupBox* CToolDialog::MakeApplyTo(int groupId) {
  auto* group = new QGroupBox("Apply To:", this);
  if (groupId != 0) group->setObjectName(Name(groupId));
  selectedArea_ = new QRadioButton("Selected Area", group);
  selectedArea_->setObjectName(Name(IDC_SELECTED_AREA));
  entireFile_ = new QRadioButton("Entire File", group);
  entireFile_->setObjectName(Name(IDC_ENTIRE_FILE));
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(selectedArea_);
  layout->addWidget(entireFile_);
  return group;
}

void CToolDialog::ShowApplyTo(const ApplyToChoice& choice) {
  selectedArea_->setChecked(choice.checked == IDC_SELECTED_AREA);
  entireFile_->setChecked(choice.checked == IDC_ENTIRE_FILE);
}

void CToolDialog::ReadApplyTo(ApplyToChoice* choice) const {
  if (entireFile_->isChecked()) {
    choice->checked = IDC_ENTIRE_FILE;
  } else if (selectedArea_->isChecked()) {
    choice->checked = IDC_SELECTED_AREA;
  } else {
    choice->checked = 0;
  }
}

QCheckBox* CToolDialog::MakeLock() {
  lock_ = new QCheckBox("Lock Right and Left", this);
  lock_->setObjectName(Name(IDC_LOCK));
  return lock_;
}

void CToolDialog::ShowLock(bool checked, bool enabled) {
  const QSignalBlocker quiet(lock_);
  lock_->setChecked(checked);
  lock_->setEnabled(enabled);
}

QWidget* CToolDialog::MakeTopRow(QWidget* applyTo, QWidget* lock) {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  if (applyTo != nullptr) {
    layout->addWidget(applyTo);
    layout->addSpacing(16);
  }
  if (lock != nullptr) layout->addWidget(lock);
  layout->addStretch(1);
  return row;
}

void CToolDialog::AddSliderRow(QGridLayout* grid, int row, const char* label,
                               const SliderControl& control, ValueWidget kind) {
  auto* slider = new QSlider(Qt::Horizontal, this);
  slider->setObjectName(Name(control.id));
  slider->setRange(control.low, control.high);
  slider->setPageStep(control.page);
  slider->setSingleStep(1);
  slider->setMinimumWidth(220);
  const int id = control.id;
  connect(slider, &QSlider::valueChanged, this, [this, id](int position) {
    if (sliderMoved_) sliderMoved_(id, position);
  });
  sliders_[id] = slider;

  QWidget* value = nullptr;
  if (kind == ValueWidget::kLabel) {
    auto* text = new QLabel(this);
    text->setMinimumWidth(48);
    labels_[control.textId] = text;
    value = text;
  } else {
    auto* box = new QLineEdit(this);
    box->setMaximumWidth(72);
    box->setReadOnly(kind == ValueWidget::kReadOnlyBox);
    const int textId = control.textId;
    if (kind == ValueWidget::kEditableBox) {
      connect(box, &QLineEdit::textEdited, this, [this, textId](const QString& text) {
        if (textEdited_) textEdited_(textId, text.toStdString());
      });
    }
    boxes_[textId] = box;
    value = box;
  }
  value->setObjectName(Name(control.textId));
  grid->addWidget(new QLabel(label, this), row, 0);
  grid->addWidget(slider, row, 1);
  grid->addWidget(value, row, 2);
}

QWidget* CToolDialog::MakeSliderPair(const char* title, const SliderSet& set, int rightId,
                                     int leftId, ValueWidget kind) {
  QWidget* group = title ? new QGroupBox(title, this) : new QWidget(this);
  auto* grid = new QGridLayout(group);
  // Left above Right, as channels are listed everywhere else.
  AddSliderRow(grid, 0, "Left Channel:", *set.Find(leftId), kind);
  AddSliderRow(grid, 1, "Right Channel:", *set.Find(rightId), kind);
  grid->setColumnStretch(1, 1);
  return group;
}

void CToolDialog::ShowSliders(const SliderSet& set) {
  for (const SliderControl& control : set.Sliders()) {
    if (auto it = sliders_.find(control.id); it != sliders_.end()) {
      const QSignalBlocker quiet(it->second);
      it->second->setValue(control.position);
    }
    const QString text = QString::fromStdString(set.Text(control.textId));
    if (auto it = labels_.find(control.textId); it != labels_.end()) it->second->setText(text);
    // A box's text is rewritten only when it differs, so typing keeps its
    // cursor.
    if (auto it = boxes_.find(control.textId); it != boxes_.end() && it->second->text() != text) {
      it->second->setText(text);
    }
  }
}

QGroupBox* CToolDialog::MakePresetGroup(int listId, int nameId, int addId, int removeId) {
  auto* group = new QGroupBox("Presets", this);
  presets_ = new QListWidget(group);
  presets_->setObjectName(Name(listId));
  presets_->setSelectionMode(QAbstractItemView::SingleSelection);
  presetName_ = new QLineEdit(group);
  presetName_->setObjectName(Name(nameId));
  auto* add = new QPushButton("Add", group);
  add->setObjectName(Name(addId));
  add->setAutoDefault(false);
  auto* remove = new QPushButton("Remove", group);
  remove->setObjectName(Name(removeId));
  remove->setAutoDefault(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(add);
  buttons->addWidget(remove);
  auto* layout = new QVBoxLayout(group);
  layout->addWidget(presets_, 1);
  layout->addWidget(presetName_);
  layout->addLayout(buttons);
  return group;
}

void CToolDialog::ShowPresetNames(const std::vector<std::string>& names) {
  presets_->clear();
  for (const std::string& name : names) presets_->addItem(QString::fromStdString(name));
}

int CToolDialog::SelectedPreset() const {
  const QList<QListWidgetItem*> selected = presets_->selectedItems();
  return selected.isEmpty() ? -1 : presets_->row(selected.front());
}

QWidget* CToolDialog::MakeButtonRow(QPushButton* apply, QPushButton* cancel) {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addStretch(1);
  layout->addWidget(apply);
  layout->addWidget(cancel);
  apply->setDefault(true);
  cancel->setAutoDefault(false);
  connect(cancel, &QPushButton::clicked, this, &CToolDialog::reject);
  return row;
}

namespace {

template <class Dialog, class Tool>
int RunWith(Tool* tool, CEditorDoc& doc, QWidget* parent) {
  if (tool == nullptr) return -1;
  Dialog dialog(tool->settings, parent);
  return dialog.Run(doc) ? 1 : 0;
}

}  // namespace

int RunToolDialog(OpCode code, CEditorDoc& doc, QWidget* parent) {
  switch (code) {
    case OP_VOLUME:
      return RunWith<CVolumeDialog>(VolumeOf(doc), doc, parent);
    case OP_FADE:
      return RunWith<CFadeDialog>(FadeOf(doc), doc, parent);
    case OP_MUTE:
      return RunWith<CMuteDialog>(MuteOf(doc), doc, parent);
    case OP_REVERSE:
      return RunWith<CReverseDialog>(ReverseOf(doc), doc, parent);
    case OP_SWAP:
      return RunWith<CSwapDialog>(SwapOf(doc), doc, parent);
    case OP_COPY_CHANNEL:
      return RunWith<CCopyChannelDialog>(CopyChannelOf(doc), doc, parent);
    case OP_ECHO:
      return RunWith<CEchoDialog>(EchoOf(doc), doc, parent);
    case OP_REVERB:
      return RunWith<CReverbDialog>(ReverbOf(doc), doc, parent);
    case OP_MULTI_VOICE:
      return RunWith<CMultiVoiceDialog>(MultiVoiceOf(doc), doc, parent);
    case OP_MIX_PASTE:
      return RunWith<CMixPasteDialog>(MixPasteOf(doc), doc, parent);
    case OP_CHANGE_QUALITY:
      return RunWith<CChangeQualityDialog>(ChangeQualityOf(doc), doc, parent);
    default:
      return -1;
  }
}
