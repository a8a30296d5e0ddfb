// The widget side shared by the tool and effect dialogs. A dialog owns its
// plain model (dialog_models.h), copies the model's state into its widgets
// and forwards every user action to the model; the rules (defaults, lock
// pairing, what Apply stores, what Cancel does) stay in the model.
//
// Every control carries its id in decimal as its objectName, so callers and
// tests find it by the same number the model uses.
#pragma once

#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "effects/dialog_models.h"

class CEditorDoc;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSlider;
class QWidget;

// How a slider's value is shown beside it.
enum class ValueWidget {
  kLabel,        // a static text
  kReadOnlyBox,  // a box the user cannot type into
  kEditableBox,  // a box whose typed text Apply reads (the delays)
};

class CToolDialog : public QDialog {
 public:
  // Every way the dialog closes without Apply (Cancel button, Escape, the
  // window's close button) runs the model's Cancel.
  void reject() override;

 protected:
  CToolDialog(int resourceId, const char* title, QWidget* parent);

  QPushButton* MakeButton(const char* text, int id);
  // "Selected Area" / "Entire File" radio buttons inside a group box titled
  // "Apply To:" (the box gets `groupId` as its name when non-zero). Every
  // dialog words the choice the same way.
  QGroupBox* MakeApplyTo(int groupId = 0);
  void ShowApplyTo(const ApplyToChoice& choice);
  void ReadApplyTo(ApplyToChoice* choice) const;
  QCheckBox* MakeLock();
  // Shows the lock box's state without telling the model.
  void ShowLock(bool checked, bool enabled = true);
  // The "Apply To:" box (or nothing) with the lock box beside it.
  QWidget* MakeTopRow(QWidget* applyTo, QWidget* lock);

  // One row of a slider group: "Right Channel:" label, the slider built from
  // the model's data (range, page size, id) and the widget that shows its
  // value. The slider reports to the model through `sliderMoved_`, a typed
  // value goes to `textEdited_`.
  void AddSliderRow(QGridLayout* grid, int row, const char* label, const SliderControl& slider,
                    ValueWidget kind);
  // A group box with the right and left rows of one slider pair (a plain
  // panel when `title` is null).
  QWidget* MakeSliderPair(const char* title, const SliderSet& set, int rightId, int leftId,
                          ValueWidget kind);
  // Copies the positions and texts of `set` into the widgets without
  // feeding them back to the model.
  void ShowSliders(const SliderSet& set);

  // The preset group of the echo, reverb and multi voice dialogs.
  QGroupBox* MakePresetGroup(int listId, int nameId, int addId, int removeId);
  void ShowPresetNames(const std::vector<std::string>& names);
  // The selected list index, -1 when nothing is selected.
  int SelectedPreset() const;

  // A row of the dialog's command buttons, right-aligned.
  QWidget* MakeButtonRow(QPushButton* apply, QPushButton* cancel);

  // Set by the concrete dialog: the model's reaction to the user.
  std::function<void(int id, int position)> sliderMoved_;
  std::function<void(int textId, std::string text)> textEdited_;
  std::function<void()> cancel_;

  QRadioButton* selectedArea_ = nullptr;
  QRadioButton* entireFile_ = nullptr;
  QCheckBox* lock_ = nullptr;
  QListWidget* presets_ = nullptr;
  QLineEdit* presetName_ = nullptr;

 private:
  std::map<int, QSlider*> sliders_;
  std::map<int, QLabel*> labels_;
  std::map<int, QLineEdit*> boxes_;
};

// Runs the document's own parameter dialog for a tool's operation code
// (OP_VOLUME, OP_ECHO, ...), modally over `parent`. 1 when the user
// applied it, 0 when cancelled or refused, -1 when the document has no
// tool for the code.
int RunToolDialog(OpCode code, CEditorDoc& doc, QWidget* parent);
