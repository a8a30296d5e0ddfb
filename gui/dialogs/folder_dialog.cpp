#include "gui/dialogs/folder_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>

CFolderDialog::CFolderDialog(const QString& start, QWidget* parent) : QFileDialog(parent) {
  // The dialog's own widgets are needed to hide rows and to read the open
  // folder, so the desktop's native dialog is not used.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setOption(QFileDialog::ShowDirsOnly, true);
  setFileMode(QFileDialog::Directory);
  setAcceptMode(QFileDialog::AcceptOpen);
  setWindowTitle("Choose folder");
  setLabelText(QFileDialog::Accept, "Select");
  setDirectory(start.isEmpty() ? QDir::currentPath() : start);
  for (const char* name : {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel"}) {
    if (QWidget* row = findChild<QWidget*>(name)) row->hide();
  }
  // With the file-name row gone, Select stands beside Cancel.
  if (auto* buttons = findChild<QDialogButtonBox*>("buttonBox")) {
    buttons->setOrientation(Qt::Horizontal);
  }
}

void CFolderDialog::accept() {
  result_ = directory().absolutePath();
  QDialog::accept();
}

bool CFolderDialog::Choose(QWidget* parent, const QString& start, QString* folder) {
  CFolderDialog dialog(start, parent);
  if (dialog.exec() != QDialog::Accepted) return false;
  *folder = dialog.Result();
  return true;
}
