// The questions a document asks, answered with the editor's dialogs: PCM
// Audio Import, New File Audio Quality, the tool parameter dialogs (each the
// active document's own, so its settings persist per document), the MP3 and
// WMA information dialogs (editing the document's export settings) and Media
// Support Needed.
#pragma once

#include <memory>

#include "engine/document_dialogs.h"
#include "gui/dialogs/pcm_import_dialog.h"

class QWidget;

class CGuiDocumentDialogs : public PresetDocumentDialogs {
 public:
  explicit CGuiDocumentDialogs(QWidget* parent);
  bool RunPcmImportDialog(PcmImportSettings* settings) override;
  CPcmImportDialog& PcmImportDialog() { return *pcmImport_; }
  // The active document's dialog for the tool's code. A document without
  // that tool answers as the preset dialogs do.
  bool RunParameterDialog(OpCode code) override;
  bool RunNewFileDialog(AudioFormat* format) override;
  void RunMediaSupportNeeded() override;
  bool RunExportDialog(OpCode code, CEditorDoc& doc) override;
  bool AskOpenDamagedPart(const std::string& question) override;

 private:
  QWidget* parent_;
  std::unique_ptr<CPcmImportDialog> pcmImport_;
};
