// What a document asks of the program it lives in: the run folder and the
// slots every document shares, the progress host and the questions for the
// user, the operation-in-progress flag, the panels that show the active
// document, and a stop of the playback before its audio goes away. The
// application hub implements it; the engine sees nothing else of the
// program above it.
#pragma once

#include <cstdint>
#include <string>

#include "engine/document_dialogs.h"
#include "engine/pcm_import.h"
#include "engine/progress.h"
#include "engine/temp_audio_file.h"

class CEditorDoc;

class DocumentHost {
 public:
  virtual ~DocumentHost() = default;

  virtual const std::string& RunFolder() const = 0;
  // The clipboard and the scratch slots A-D, shared by every document.
  virtual TempAudioFile* Clip() = 0;
  virtual TempAudioFile* TempA() = 0;
  virtual TempAudioFile* TempB() = 0;
  virtual TempAudioFile* TempC() = 0;
  virtual TempAudioFile* TempD() = 0;

  // Whether an opened WAV or raw PCM file may be read in place until its
  // working copy is needed (see BorrowedAudio): a run that opens files to
  // save them elsewhere, not one that shows and plays them at once.
  virtual bool DefersWorkingCopies() const = 0;

  virtual OperationHost& Host() = 0;
  virtual DocumentDialogs& Dialogs() = 0;
  virtual int& OperationInProgress() = 0;
  virtual PcmImportSettings& PcmImport() = 0;

  // A new document asks to become the active one; refused while an
  // operation runs, so that operation keeps its document.
  virtual void SetActiveDocument(CEditorDoc* doc) = 0;
  // The document's slots exist: it is counted and gets its tools and the
  // operations that layers above the engine add (import and export).
  virtual void DocumentCreated(CEditorDoc& doc) = 0;
  // The document is being closed or destroyed: playback must stop, and
  // when it plays (or records into) this document, the call returns only
  // once no device thread reads the document's audio any more.
  virtual void StopPlaybackOf(CEditorDoc& doc) = 0;
  virtual void SetClosingDocument(CEditorDoc* doc) = 0;
  // The last call of a document's destructor.
  virtual void DocumentClosed(CEditorDoc* doc) = 0;

  // The format panel ("44100 Hz", "Stereo", "16 Bit"; empty for 0) and the
  // position panel's three times.
  virtual void ShowFormat(int32_t sampleRate, int16_t channels, int16_t bitsPerSample) = 0;
  virtual void ShowPositionTexts(const std::string& a, const std::string& b,
                                 const std::string& c) = 0;
};
