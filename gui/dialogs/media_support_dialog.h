// The two dialogs that say WMA support is missing: "Media Support Needed"
// (opening or saving a WMA file when its library cannot be loaded) and
// "Windows Media Redistribution " (the first-run media step failed). Both
// carry a link to where the support package can be had.
#pragma once

#include <QDialog>

class CMediaSupportDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CMediaSupportDialog(QWidget* parent = nullptr);
};

class CWmRedistributionDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CWmRedistributionDialog(QWidget* parent = nullptr);
};

extern const char* const kMediaSupportRebootText;
extern const char* const kMediaSupportMissingText;
extern const char* const kRedistributionFailedText;
extern const char* const kRedistributionClickText;
