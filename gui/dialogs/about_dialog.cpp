#include "gui/dialogs/about_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/link_rules.h"
#include "gui/dialogs/link_label.h"
#include "gui/program_icon.h"
#include "resources/control_ids.h"

const char* const kProductLine = "Vellmore Editor Version 1.0";

CLinkLabel* MakeDialogLink(const QString& text, const char* target, int id, QWidget* parent) {
  auto* link = new CLinkLabel(text, QString::fromUtf8(target), id, parent);
  link->SetUnderline(false);
  return link;
}

QWidget* MakeOkRow(QDialog* dialog, int id) {
  auto* row = new QWidget(dialog);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* ok = new QPushButton("OK", row);
  ok->setObjectName(QString::number(id));
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
  layout->addStretch();
  layout->addWidget(ok);
  layout->addStretch();
  return row;
}

namespace {

QWidget* IconAndProductLine(QWidget* parent) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* icon = new QLabel(row);
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  layout->addWidget(icon);
  layout->addWidget(new QLabel(kProductLine, row), 1);
  return row;
}

}  // namespace

CAboutDialog::CAboutDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(ids::IDD_ABOUT));
  setWindowTitle("About Editor");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(IconAndProductLine(this));
  layout->addWidget(
      MakeDialogLink("vellmore.example.org", links::kProductSite, ids::IDC_LINK_1, this));
  layout->addWidget(
      MakeDialogLink("support@vellmore.example.org", links::kContactMail, ids::IDC_LINK_2, this));
  layout->addSpacing(8);
  layout->addWidget(new QLabel("MP3 Conversions Provided by L.A.M.E. Open Source Project", this));
  layout->addWidget(
      MakeDialogLink("lame.sourceforge.io", links::kLameProject, ids::IDC_LINK_3, this));
  layout->addSpacing(8);
  layout->addWidget(MakeOkRow(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

CHelpDialog::CHelpDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(ids::IDD_HELP));
  setWindowTitle("Help");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(IconAndProductLine(this));
  layout->addSpacing(8);
  layout->addWidget(new QLabel("For comprehensive web based help and FAQ:", this));
  layout->addWidget(
      MakeDialogLink("vellmore.example.org/help", links::kWebHelp, ids::IDC_LINK_1, this));
  layout->addSpacing(8);
  layout->addWidget(new QLabel("Feel free to email any question you have to:", this));
  layout->addWidget(
      MakeDialogLink("support@vellmore.example.org", links::kContactMail, ids::IDC_LINK_2, this));
  layout->addSpacing(8);
  layout->addWidget(MakeOkRow(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
