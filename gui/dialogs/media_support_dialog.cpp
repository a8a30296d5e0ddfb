#include "gui/dialogs/media_support_dialog.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include "app/link_rules.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/link_label.h"
#include "resources/control_ids.h"

const char* const kMediaSupportRebootText =
    "If you're getting this message and have recently installed the Vellmore Editor, please "
    "reboot your system so that all media support packages can take effect.";
const char* const kMediaSupportMissingText =
    "If you continue to get this message after rebooting, the Windows Media Package has not been "
    "installed on your computer.  Without this package you will not be able to open, edit or save "
    "WMA files.  Click the following link to download the Windows Media pack";
const char* const kRedistributionFailedText =
    "The Windows Media Redistribution package failed to install.  Without this package "
    "installed, you will not be able to open or save Windows Media Files. ";
const char* const kRedistributionClickText =
    "Click here to download the Windows Media Redistribution package:";

namespace {

QLabel* Paragraph(const char* text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setWordWrap(true);
  label->setMinimumWidth(340);
  return label;
}

CLinkLabel* DownloadLink(QWidget* parent) {
  return MakeDialogLink("vellmore.example.org/media-support", links::kMediaRuntimeDownload,
                        ids::IDC_MEDIA_LINK, parent);
}

}  // namespace

CMediaSupportDialog::CMediaSupportDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(ids::IDD_MEDIA_SUPPORT));
  setWindowTitle("Media Support Needed");
  auto* group = new QGroupBox("Media Support Needed", this);
  auto* inner = new QVBoxLayout(group);
  inner->addWidget(Paragraph(kMediaSupportRebootText, group));
  inner->addWidget(Paragraph(kMediaSupportMissingText, group));
  inner->addWidget(DownloadLink(group));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(MakeOkRow(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

CWmRedistributionDialog::CWmRedistributionDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QString::number(ids::IDD_WM_REDISTRIBUTION));
  setWindowTitle("Windows Media Redistribution ");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Paragraph(kRedistributionFailedText, this));
  layout->addWidget(Paragraph(kRedistributionClickText, this));
  layout->addWidget(DownloadLink(this));
  layout->addWidget(MakeOkRow(this));
  layout->setSizeConstraint(QLayout::SetFixedSize);
}
