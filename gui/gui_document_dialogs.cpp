#include "gui/gui_document_dialogs.h"

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "gui/dialogs/export_dialogs.h"
#include "gui/dialogs/media_support_dialog.h"
#include "gui/dialogs/quality_dialog.h"
#include "gui/dialogs/tool_dialog.h"

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

bool CGuiDocumentDialogs::RunExportDialog(OpCode code, CEditorDoc& doc) {
  if (code == WRITE_MP3_FILE) {
    MP3Dialog dialog(doc.mp3Export, parent_);
    return dialog.Run();
  }
  if (code == WRITE_WMA_FILE) {
    CWmaDialog dialog(doc.wmaExport, parent_);
    return dialog.Run();
  }
  return PresetDocumentDialogs::RunExportDialog(code, doc);
}
