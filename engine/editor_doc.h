// A document: one open audio file or new empty file. It owns its working slot
// (the audio being edited and its peak data), its undo and redo rings, its
// selection and view window, and the settings of its tools and exports. All
// long work runs as operations through DocRunOperation.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/audio_range.h"
#include "engine/doc_journal.h"
#include "engine/export_settings.h"
#include "engine/op_codes.h"
#include "engine/temp_audio_file.h"
#include "engine/undo_entry.h"

class BorrowedAudio;
class DocumentHost;
struct DocManifest;
class EffectTool;
namespace platform {
class FileMoves;
}
class Progress;
class ScratchSlots;
struct WaveHeader;

// "AUDIO" for the extensions of the formats the codec layer's import routine
// opens (.flac, .ogg, .oga, .opus, .m4a, .aac, .aif, .aiff, .aifc, .caf);
// otherwise "WAV", "MP3", "WMA" or "PCM" by the path's three-letter extension
// (any other extension is "PCM"); "" when the path has no such extension.
std::string AudioFileKind(const std::string& path);

// How an opened file's audio was brought into the editor's format by the
// codec layer's import routine; empty for the files the editor reads itself,
// except `partial`, which any file sets when only the part before its damage
// was opened (such a document counts as changed from the start).
struct ImportedSource {
  std::string codec;       // what the file holds, as the decoder names it
  int32_t sourceBits = 0;  // sample precision of a lossless file; 0 when lossy
  bool sourceIsFloat = false;
  int32_t sourceChannels = 0;
  bool reduced = false;    // its samples were rounded to 16 bits
  bool mixedDown = false;  // its channels were mixed down to stereo
  bool partial = false;    // only the part before damage was kept
};

class CEditorDoc {
 public:
  explicit CEditorDoc(DocumentHost& host);
  ~CEditorDoc();
  CEditorDoc(const CEditorDoc&) = delete;
  CEditorDoc& operator=(const CEditorDoc&) = delete;

  // Sets up a new empty document in the format the New File dialog gives.
  bool OnNewDocument();
  // Opens a file of any of the four kinds into the working slot.
  bool OnOpenDocument(const std::string& path);
  // Before the document is destroyed by its window closing.
  void OnCloseDocument();

  // Runs one operation through the tool dialog (for tools) and the progress
  // host. OP_DONE once the host has run (the run's own result is
  // LastResult()), OP_CANCELLED when the tool dialog was not applied.
  OpResult DocRunOperation(OpCode code);
  // What the progress host starts for `code`; OP_PENDING for a code that no
  // operation of the document answers.
  OpResult DispatchOperation(OpCode code, Progress& progress);

  // Document operations.
  OpResult CreateWorkingCopy(Progress& progress);
  // Copies a headerless PCM file in the format of the application's PCM
  // import settings, which the import dialog has filled before the run.
  OpResult ImportPcm(Progress& progress);
  OpResult WriteWave(Progress& progress);
  OpResult WriteRawPcm(Progress& progress);
  OpResult OnStop(Progress& progress);

  // Edit operations: each builds its result in scratch slots, stores what
  // undo needs, and commits with DocFinalize. OP_DONE, OP_CANCELLED or
  // OP_FAILED; nothing is committed unless every splice succeeded.
  OpResult UserOpCopy(Progress& progress);
  OpResult UserOpCut(Progress& progress);
  OpResult UserOpDelete(Progress& progress);
  OpResult UserOpPasteInsert(Progress& progress);
  OpResult UserOpPasteOver(Progress& progress);
  OpResult UserOpUndo(Progress& progress);
  OpResult UserOpRedo(Progress& progress);
  // Tools: the range effect driver around the tool's PerformAction.
  OpResult UserOpRangeEffect(OpCode code, Progress& progress);
  // Commits `result` as the whole new audio; the old working copy becomes
  // the undo entry of `operation`. `routine` names the operation in messages.
  OpResult ReplaceWholeDocument(OpCode operation, TempAudioFile* result, Progress& progress,
                                const char* routine);
  OpResult UserOpChangeQuality(Progress& progress);
  OpResult UserOpMixPaste(Progress& progress);

  // Splice primitives: build a new version of the working audio (or a piece
  // of it) in `dest`, copying from mapped views; positions in PCM and peak
  // bytes. OP_DONE, OP_CANCELLED or OP_FAILED.
  OpResult DocOpCopyRange(TempAudioFile* dest, uint32_t start, uint32_t end, uint32_t peakStart,
                          uint32_t peakEnd, Progress& progress);
  OpResult DocOpCut(TempAudioFile* dest, uint32_t start, uint32_t end, uint32_t peakStart,
                    uint32_t peakEnd, Progress& progress);
  OpResult DocOpInsert(TempAudioFile* source, TempAudioFile* dest, uint32_t position,
                       uint32_t peakPosition, Progress& progress);
  OpResult DocOpOverwrite(TempAudioFile* source, TempAudioFile* dest, uint32_t position,
                          uint32_t peakPosition, bool extend, Progress& progress);
  OpResult DocOpCopySourceDest(TempAudioFile* source, TempAudioFile* dest, uint32_t start,
                               uint32_t end, uint32_t peakStart, uint32_t peakEnd,
                               Progress& progress);
  // Commits `result` as the working audio and brings lengths, selection and
  // view back into range according to the operation.
  OpResult DocFinalize(OpCode operation, TempAudioFile* result, Progress& progress);

  // Undo, redo and clipboard stores.
  OpResult UndoStore(OpCode operation, TempAudioFile* slot, uint32_t start, uint32_t end,
                     uint32_t peakStart, uint32_t peakEnd, int extend);
  OpResult RedoStore(OpCode operation, TempAudioFile* slot, uint32_t start, uint32_t end,
                     uint32_t peakStart, uint32_t peakEnd, int extend);
  OpResult ClipboardStore(TempAudioFile* slot, int16_t bits, int16_t channelCount, int32_t rate);

  // The selection and the visible part of the audio, each with its image on
  // the peak data under the document's current lengths.
  const AudioRange& Selection() const { return selection_; }
  const AudioRange& View() const { return view_; }
  // How the peak data lies over the audio now.
  PeakScale Scale() const;
  // Sets the selection to whole frames within the audio and moves the play
  // position to its start.
  void SetSelection(uint32_t start, uint32_t end);
  // Sets the visible part, clamped into the audio.
  void SetView(uint32_t start, uint32_t end);
  // Debug builds stop here when the selection or the view lies outside the
  // audio, or a length disagrees with its bounds; every change of the audio
  // or the selection ends with this check.
  void CheckPositions() const;
  AudioFormat Format() const { return {channels, bitsPerSample, sampleRate}; }
  const std::string& Path() const { return path_; }
  void SetPath(const std::string& path) { path_ = path; }
  DocumentHost& App() { return app_; }

  // The document's tool for an operation code (OP_VOLUME, OP_ECHO, ...), or
  // null. Tools are installed once per document and keep their settings for
  // its whole life.
  EffectTool* Tool(OpCode code) const;
  void AdoptTool(OpCode code, std::unique_ptr<EffectTool> tool);
  // Operations that layers above the engine add to every document (MP3 and
  // WMA import and export), run by DispatchOperation like its own.
  using Operation = std::function<OpResult(CEditorDoc& doc, Progress& progress)>;
  void AdoptOperation(OpCode code, Operation operation);
  // Takes a decoded working file's length and the document's format into
  // the working slot; OP_DONE or OP_FAILED after its message.
  OpResult AdoptDecodedWorkingFile();
  // The peak file of the working slot was made while its audio was written
  // (`peakLength` bytes); opening does not build it again.
  void AdoptPeaksMadeWithAudio(uint32_t peakLength) {
    work.peakLength = peakLength;
    peaksMadeWithCopy_ = true;
  }
  // Whether the samples are still read from the opened file itself, its
  // working copy waiting until something needs it (see BorrowedAudio).
  bool BorrowsAudio() const { return borrowed_ != nullptr; }
  // Makes the working copy of borrowed audio now and maps it; OP_DONE at
  // once when there is one. OP_CANCELLED, or OP_FAILED after a message.
  OpResult EnsureWorkingCopy(Progress& progress);
  // The same through the program's progress host, for steps outside an
  // operation that read the samples or the waveform (playback, exporting
  // the peak data); true when the working copy is there.
  bool EnsureWorkingCopy();
  // The host's result field of the last operation run; OP_PENDING before
  // the first.
  OpResult LastResult() const { return lastResult_; }

  // Whether the audio differs from what was last opened or saved: an edit
  // makes it modified, undoing back to the saved state makes it clean again.
  bool IsModified() const { return editIndex_ != savedIndex_; }
  // The audio as it is now is what the document's file holds.
  void MarkSaved() { savedIndex_ = editIndex_; }

  // Takes over a document that an editor which died left in `folder`, as
  // `manifest` describes it: audio, selection, view and as much of the undo
  // and redo history as is whole; modified, and without a path until it is
  // saved. false when not even the audio could be recovered. `problems`
  // receives one line for each thing that could not be recovered.
  bool RestoreFromManifest(const DocManifest& manifest, const std::string& folder,
                           std::vector<std::string>* problems);
  // The document's recovery manifest in the run folder, brought up to date
  // after each completed operation.
  DocJournal journal;

  // --- document data; the operations and the view work on these ---
  TempAudioFile work;
  TempAudioFile* clip = nullptr;
  TempAudioFile* tempA = nullptr;
  TempAudioFile* tempB = nullptr;
  TempAudioFile* tempC = nullptr;
  TempAudioFile* tempD = nullptr;

  UndoEntry undo[kUndoLevels];
  int16_t undoCount = 0;
  int16_t undoPosition = 0;
  UndoEntry redo[kUndoLevels];
  int16_t redoCount = 0;
  int16_t redoPosition = 0;

  int16_t channels = 0;
  int16_t bitsPerSample = 0;
  int32_t sampleRate = 0;
  int64_t bytesPerSecond = 0;

  uint32_t dataLength = 0;  // PCM bytes of the working audio
  uint32_t peakLength = 0;  // bytes of its peak data

  uint32_t playPosition = 0;
  uint32_t sourceFileLength = 0;  // WAV only
  uint32_t sourceDataOffset = 0;  // WAV only
  int16_t blockAlign = 0;
  int32_t hasAudio = 0;

  Mp3ExportSettings mp3Export;
  WmaExportSettings wmaExport;
  XiphExportSettings xiphExport;
  ImportedSource importedSource;

 private:
  friend class DocumentCommit;
  void ResetPositions();
  // A WAV header the editor's own reader refuses but the import routine can
  // open.
  static bool NeedsAudioImport(const WaveHeader& header);
  // Runs an import operation; false after `failure` (or quietly when it was
  // cancelled).
  bool OpenThroughImport(OpCode code, const char* failure);
  // The steps every open shares once the working file holds the audio: the
  // peak file, the positions, the mapped views.
  bool FinishOpen();
  // DispatchOperation without the edit count.
  OpResult RunOperationCode(OpCode code, Progress& progress);
  // What a paste reads: the clipboard itself when it has the document's
  // format, or else its conversion into scratch slot A.
  OpResult PasteSource(ScratchSlots& scratch, Progress& progress, TempAudioFile** source);
  // Copies `length` bytes of `source` from `offset` into the working PCM
  // file, ending early at the end of the source; the working length becomes
  // what was written, cut to whole frames. Builds the peak file on the way.
  // Where the host defers working copies and the file can be leased, only
  // borrows it: the copy and the peak file wait (see BorrowedAudio).
  OpResult CopyIntoWorkingFile(const std::string& source, uint32_t offset, uint32_t length,
                               uint32_t total, Progress& progress);
  // Whether operation `code` can run on borrowed audio: the writers that
  // copy the samples as they are, and the peak step of opening (the peak
  // file comes with the working copy).
  bool RunsOnBorrowedAudio(OpCode code) const;
  // The waveform of a newly opened document: the one made with the working
  // copy, or built from the working file now.
  OpResult MakePeakFile(Progress& progress);

  AudioRange selection_;
  AudioRange view_;
  DocumentHost& app_;
  std::map<OpCode, std::unique_ptr<EffectTool>> tools_;
  std::map<OpCode, Operation> operations_;
  std::string path_;
  OpResult lastResult_ = OP_PENDING;
  // Counts the edits along the undo history: +1 for each edit and redo, -1
  // for each undo. savedIndex_ is its value when the audio matched the file,
  // -1 once a new edit has cut that state off the redo history.
  int64_t editIndex_ = 0;
  int64_t savedIndex_ = 0;
  // Moves editIndex_ after a successful operation, by what it did to the
  // undo ring.
  void CountEdit(OpCode code, int16_t undoCountBefore, int16_t undoPositionBefore);
  bool peaksMadeWithCopy_ = false;
  std::unique_ptr<BorrowedAudio> borrowed_;
  // The renames of the operation being committed, while a DocumentCommit is
  // open; null otherwise.
  platform::FileMoves* commitMoves_ = nullptr;
};
