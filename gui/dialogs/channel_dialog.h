// "Mute", "Reverse", "Swap Channels" and "Copy Channel": the "Apply To:"
// choice plus, for mute and reverse, the channel check boxes and, for copy
// channel, the direction. None of them remembers a choice between openings.
#pragma once

#include "gui/dialogs/tool_dialog.h"

class QCheckBox;
class QRadioButton;

// Mute and Reverse share their controls and rules.
template <class Settings>
class CChannelChoiceDialog : public CToolDialog {
 public:
  // Sets the controls for `doc`; false after the "Sorry, ..." message for a
  // format no tool processes.
  bool Open(const CEditorDoc& doc);
  // Open and run modally; true when the user applied the dialog.
  bool Run(const CEditorDoc& doc);
  ChannelChoiceDialogModel<Settings>& Model() { return model_; }

 protected:
  CChannelChoiceDialog(int resourceId, const char* title, int applyId, Settings& settings,
                       QWidget* parent);

 private:
  void OnApply();
  ChannelChoiceDialogModel<Settings> model_;
  QCheckBox* right_;
  QCheckBox* left_;
};

class CMuteDialog : public CChannelChoiceDialog<MuteSettings> {
 public:
  explicit CMuteDialog(MuteSettings& settings, QWidget* parent = nullptr);
};

class CReverseDialog : public CChannelChoiceDialog<ReverseSettings> {
 public:
  explicit CReverseDialog(ReverseSettings& settings, QWidget* parent = nullptr);
};

class CSwapDialog : public CToolDialog {
 public:
  explicit CSwapDialog(SwapSettings& settings, QWidget* parent = nullptr);
  bool Open(const CEditorDoc& doc);
  bool Run(const CEditorDoc& doc);
  SwapDialogModel& Model() { return model_; }

 private:
  void OnApply();
  SwapDialogModel model_;
};

class CCopyChannelDialog : public CToolDialog {
 public:
  explicit CCopyChannelDialog(CopyChannelSettings& settings, QWidget* parent = nullptr);
  bool Open(const CEditorDoc& doc);
  bool Run(const CEditorDoc& doc);
  CopyChannelDialogModel& Model() { return model_; }

 private:
  void OnApply();
  CopyChannelDialogModel model_;
  QRadioButton* leftToRight_;
  QRadioButton* rightToLeft_;
};
