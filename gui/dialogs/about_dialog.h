// The About and Help dialogs: the program icon, the product line and the
// links to the web site, the web help and the contact address.
#pragma once

#include <QDialog>

class CLinkLabel;

// The product-name-and-version line of the About and Help dialogs.
extern const char* const kProductLine;

class CAboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDialog(QWidget* parent = nullptr);
};

class CHelpDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CHelpDialog(QWidget* parent = nullptr);
};

// A link as every dialog of the editor sets it up: target first, then the
// underline switched off, so it shows as coloured text.
CLinkLabel* MakeDialogLink(const QString& text, const char* target, int id, QWidget* parent);
// The OK button (id 1 unless given) in a row of its own, accepting `dialog`.
QWidget* MakeOkRow(QDialog* dialog, int id = 1);
