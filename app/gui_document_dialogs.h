// The questions a document asks, answered with the editor's dialogs. The
// PCM Audio Import dialog is real; the dialogs that other parts of the
// editor build still answer as the preset dialogs do:
//   - New File Audio Quality: 44100 Hz 16-bit stereo (audio quality dialogs)
//   - tool parameter dialogs: applied with the tool's current settings
//     (effect dialogs)
//   - MP3 / WMA export information: accepted (MP3 and WMA export)
//   - Media Support Needed: its text as a message box (media runtime)
#pragma once

#include <memory>

#include "codecs/pcm_import_dialog.h"
#include "doc/document_dialogs.h"

class QWidget;

class CGuiDocumentDialogs : public PresetDocumentDialogs {
 public:
  explicit CGuiDocumentDialogs(QWidget* parent);
  bool RunPcmImportDialog(PcmImportSettings* settings) override;
  CPcmImportDialog& PcmImportDialog() { return *pcmImport_; }

 private:
  std::unique_ptr<CPcmImportDialog> pcmImport_;
};
