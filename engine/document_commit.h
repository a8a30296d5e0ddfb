// An edit's commit as one step: it happens entirely or not at all.
//
// An edit ends by renaming files (the clipboard, the undo entry, the new
// working audio, each with its peak file) and by moving the document's
// counters, lengths, selection and view. If anything in that sequence fails
// (a rename, a mapping, the peak rebuild), the document has to be exactly as
// it was before the edit: its files, its undo and redo rings and counts, its
// clipboard and its positions. A DocumentCommit is opened around one
// operation; the renames of the operation join its group of file moves, and
// unless the operation ends done, the moves are taken back and the state
// recorded at the start is restored.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/audio_range.h"
#include "engine/op_codes.h"
#include "engine/undo_entry.h"
#include "platform/file_moves.h"

class CEditorDoc;

class DocumentCommit {
 public:
  explicit DocumentCommit(CEditorDoc& doc);
  DocumentCommit(const DocumentCommit&) = delete;
  DocumentCommit& operator=(const DocumentCommit&) = delete;
  // Rolls back unless Finish kept the operation.
  ~DocumentCommit();

  // Keeps everything for OP_DONE; restores the state of the start for any
  // other result, which it returns (OP_FAILED when the files could not all
  // be put back).
  OpResult Finish(OpResult result);

 private:
  struct SlotState {
    TempAudioFile* slot = nullptr;
    AudioFormat format;
    uint32_t pcmLength = 0, peakLength = 0;
    bool pcmMapped = false, peakMapped = false;
    bool scratch = false;  // the operation cleans it up itself
  };
  struct EntryState {
    OpCode operation{};
    int32_t extend = 0;
    uint32_t pcmStart = 0, pcmEnd = 0, peakStart = 0, peakEnd = 0;
  };

  void Record(TempAudioFile* slot, bool scratch);
  OpResult RollBack();

  CEditorDoc& doc_;
  platform::FileMoves moves_;
  bool finished_ = false;
  std::vector<SlotState> slots_;
  std::array<EntryState, kUndoLevels> undo_{}, redo_{};
  int16_t undoCount_ = 0, undoPosition_ = 0, redoCount_ = 0, redoPosition_ = 0;
  AudioFormat format_;
  int64_t bytesPerSecond_ = 0;
  int16_t blockAlign_ = 0;
  int32_t hasAudio_ = 0;
  uint32_t dataLength_ = 0, peakLength_ = 0, playPosition_ = 0;
  uint32_t selStart_ = 0, selEnd_ = 0, viewStart_ = 0, viewEnd_ = 0;
};

// Whether an operation commits through a DocumentCommit: the edits, undo and
// redo, the tools and effects, the change of quality and the hand-over of a
// recording. Opening and saving replace files of their own.
bool CommitsAsOneStep(OpCode code);
