// The questions a document asks its user. The editor answers them with its
// dialogs; the batch tool and the tests answer from settings they were given.
#pragma once

#include <string>

#include "engine/operation_runner.h"
#include "engine/pcm_import.h"
#include "engine/temp_audio_file.h"

class CEditorDoc;

class DocumentDialogs : public ToolParameterDialogs {
 public:
  // "New File Audio Quality": the format of a new empty document. false
  // when the user did not choose OK.
  virtual bool RunNewFileDialog(AudioFormat* format) = 0;
  // "PCM Audio Import": the format of a headerless file; false on Cancel.
  virtual bool RunPcmImportDialog(PcmImportSettings* settings) = 0;
  // "Media Support Needed": the WMA libraries cannot be loaded.
  virtual void RunMediaSupportNeeded() = 0;
  // The MP3 or WMA information dialog before an export; false on Cancel.
  virtual bool RunExportDialog(OpCode code, CEditorDoc& doc) = 0;
  // A file that is damaged part-way: `question` names it, says where, and
  // asks whether to open the part before. true: open that part.
  virtual bool AskOpenDamagedPart(const std::string& question) = 0;
};

// Answers every question with what it was given, without asking anybody:
// the batch tool's and the tests' dialogs.
class PresetDocumentDialogs : public DocumentDialogs {
 public:
  bool RunParameterDialog(OpCode /*code*/) override { return applyTools; }
  bool RunNewFileDialog(AudioFormat* format) override;
  bool RunPcmImportDialog(PcmImportSettings* settings) override;
  void RunMediaSupportNeeded() override;
  bool RunExportDialog(OpCode /*code*/, CEditorDoc& /*doc*/) override { return applyExports; }
  // Shows the question as a message, so that it is not lost where nobody
  // is asked, and answers with `openDamagedPart`.
  bool AskOpenDamagedPart(const std::string& question) override;

  AudioFormat newFileFormat{2, 16, 44100};
  bool acceptNewFile = true;
  bool acceptPcmImport = true;  // the settings record is used as it stands
  bool applyTools = true;
  bool applyExports = true;
  bool openDamagedPart = false;
};

// The text of the "Media Support Needed" dialog, shown as a message where
// there is no dialog.
extern const char* const kMediaSupportNeededText;
