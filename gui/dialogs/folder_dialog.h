// CFolderDialog: chooses a folder with the file dialog. Only folders are
// listed, the file-name and file-type rows are hidden, and "Select" returns
// the folder that is open in the dialog, not one merely highlighted in the
// list: a folder is chosen by opening it.
#pragma once

#include <QFileDialog>

class CFolderDialog : public QFileDialog {
  Q_OBJECT

 public:
  // Opens at `start` (the current folder when empty).
  explicit CFolderDialog(const QString& start, QWidget* parent = nullptr);

  // The folder that was open when Select was pressed.
  QString Result() const { return result_; }

  // Runs the dialog; on Select returns true and the folder in `folder`.
  static bool Choose(QWidget* parent, const QString& start, QString* folder);

 public slots:
  void accept() override;

 private:
  QString result_;
};
