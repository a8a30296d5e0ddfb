#include "engine/document_dialogs.h"

#include "platform/message.h"

const char* const kMediaSupportNeededText =
    "If you're getting this message and have recently installed the Vellmore Editor, please "
    "reboot your system so that all media support packages can take effect.";

bool PresetDocumentDialogs::RunNewFileDialog(AudioFormat* format) {
  if (acceptNewFile) *format = newFileFormat;
  return acceptNewFile;
}

bool PresetDocumentDialogs::RunPcmImportDialog(PcmImportSettings* /*settings*/) {
  return acceptPcmImport;
}

void PresetDocumentDialogs::RunMediaSupportNeeded() {
  platform::ShowMessage(kMediaSupportNeededText);
}

bool PresetDocumentDialogs::AskOpenDamagedPart(const std::string& question) {
  platform::ShowMessage(question, platform::MessageIcon::Question);
  return openDamagedPart;
}
