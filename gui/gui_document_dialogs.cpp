#include "gui/gui_document_dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "gui/dialogs/export_dialogs.h"
#include "gui/dialogs/media_support_dialog.h"
#include "gui/dialogs/quality_dialog.h"
#include "gui/dialogs/tool_dialog.h"
#include "gui/progress_dialog.h"

namespace {

// An export asks its question from inside its operation, when the progress
// box is already up: the box stands aside until the question is answered.
class ProgressAside {
 public:
  ProgressAside() : progress_(qobject_cast<CProgressDialog*>(QApplication::activeModalWidget())) {
    if (progress_) progress_->StepAside(true);
  }
  ~ProgressAside() {
    if (progress_) progress_->StepAside(false);
  }
  ProgressAside(const ProgressAside&) = delete;
  ProgressAside& operator=(const ProgressAside&) = delete;

 private:
  QPointer<CProgressDialog> progress_;
};

}  // namespace

CGuiDocumentDialogs::CGuiDocumentDialogs(QWidget* parent)
    : parent_(parent), pcmImport_(std::make_unique<CPcmImportDialog>(parent)) {}

bool CGuiDocumentDialogs::RunPcmImportDialog(PcmImportSettings* settings) {
  return pcmImport_->Run(settings);
}

bool CGuiDocumentDialogs::RunParameterDialog(OpCode code) {
  // Operations run on the active document, which does not change while one
  // runs.
  CEditorApp* app = TheApp();
  CEditorDoc* doc = app != nullptr ? app->ActiveDocument() : nullptr;
  const int applied = doc != nullptr ? RunToolDialog(code, *doc, parent_) : -1;
  return applied < 0 ? PresetDocumentDialogs::RunParameterDialog(code) : applied == 1;
}

bool CGuiDocumentDialogs::RunNewFileDialog(AudioFormat* format) {
  CNewFileQualityDialog dialog(parent_);
  return dialog.Run(format);
}

void CGuiDocumentDialogs::RunMediaSupportNeeded() {
  CMediaSupportDialog dialog(parent_);
  dialog.exec();
}

bool CGuiDocumentDialogs::AskOpenDamagedPart(const std::string& question) {
  const ProgressAside aside;
  QMessageBox box(QMessageBox::Warning, "Vellmore Editor", QString::fromStdString(question),
                  QMessageBox::Yes | QMessageBox::No, parent_);
  box.setDefaultButton(QMessageBox::Yes);
  return box.exec() == QMessageBox::Yes;
}

bool CGuiDocumentDialogs::RunExportDialog(OpCode code, CEditorDoc& doc) {
  const ProgressAside aside;
  if (code == WRITE_MP3_FILE) {
    MP3Dialog dialog(doc.mp3Export, parent_);
    return dialog.Run();
  }
  if (code == WRITE_WMA_FILE) {
    CWmaDialog dialog(doc.wmaExport, parent_);
    return dialog.Run();
  }
  if (code == WRITE_FLAC_FILE || code == WRITE_OGG_FILE || code == WRITE_OPUS_FILE) {
    const XiphType type = code == WRITE_FLAC_FILE  ? XiphType::Flac
                          : code == WRITE_OGG_FILE ? XiphType::Ogg
                                                   : XiphType::Opus;
    CXiphDialog dialog(type, doc.xiphExport, doc.mp3Export, parent_);
    return dialog.Run();
  }
  return PresetDocumentDialogs::RunExportDialog(code, doc);
}
