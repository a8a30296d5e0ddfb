#include "app/gui_document_dialogs.h"

CGuiDocumentDialogs::CGuiDocumentDialogs(QWidget* parent)
    : pcmImport_(std::make_unique<CPcmImportDialog>(parent)) {}

bool CGuiDocumentDialogs::RunPcmImportDialog(PcmImportSettings* settings) {
  return pcmImport_->Run(settings);
}
