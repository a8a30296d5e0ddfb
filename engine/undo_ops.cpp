// The undo and redo rings, the clipboard store, and undo and redo themselves.
// An entry holds only the audio a change removed or overwrote, so undo and
// redo are splices like every other edit.
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "engine/scratch_slots.h"
#include "platform/message.h"

using platform::ShowMessage;

namespace {

struct StoreMessages {
  const char* cleanup;
  const char* move;
  const char* map;
};

// Moves `slot` into the ring entry after `position`, which becomes the newest.
// Within a commit group (`moves`), the entry's old files are only unmapped:
// the move keeps them until the group commits, so a failed commit still
// finds the oldest step.
bool StoreEntry(UndoEntry* ring, int16_t* count, int16_t* position, OpCode operation,
                TempAudioFile* slot, bool movesAudio, uint32_t start, uint32_t end,
                uint32_t peakStart, uint32_t peakEnd, int extend, const StoreMessages& messages,
                platform::FileMoves* moves) {
  *position = static_cast<int16_t>((*position + 1) % kUndoLevels);
  if (*count < kUndoLevels) ++*count;
  UndoEntry& entry = ring[*position];
  entry.operation = operation;
  entry.pcmStart = start;
  entry.pcmEnd = end;
  entry.peakStart = peakStart;
  entry.peakEnd = peakEnd;
  entry.extend = extend;
  if (!movesAudio) return true;
  if (CleanupTempAudioFile(&entry.slot, moves != nullptr ? 1 : 0) != OP_DONE) {
    ShowMessage(messages.cleanup);
    return false;
  }
  if (MoveAudioFile(slot, &entry.slot, moves) != OP_DONE) {
    ShowMessage(messages.move);
    return false;
  }
  if (DocMemMapFile(&entry.slot, BOTH_PARTS, MAP_READ) != OP_DONE) {
    ShowMessage(messages.map);
    return false;
  }
  return true;
}

int16_t Previous(int16_t position) {
  return static_cast<int16_t>(position == 0 ? kUndoLevels - 1 : position - 1);
}

}  // namespace

OpResult CEditorDoc::UndoStore(OpCode operation, TempAudioFile* slot, uint32_t start, uint32_t end,
                               uint32_t peakStart, uint32_t peakEnd, int extend) {
  const bool movesAudio =
      operation == OP_CUT || operation == OP_PASTE_OVER || operation == OP_REPLACE;
  return StoreEntry(undo, &undoCount, &undoPosition, operation, slot, movesAudio, start, end,
                    peakStart, peakEnd, extend,
                    {"UndoStore: Failed to cleanup undo file", "UndoStore: Failed to move files",
                     "UndoStore: Failed to mem map the clipboard"},
                    commitMoves_)
             ? OP_DONE
             : OP_FAILED;
}

OpResult CEditorDoc::RedoStore(OpCode operation, TempAudioFile* slot, uint32_t start, uint32_t end,
                               uint32_t peakStart, uint32_t peakEnd, int extend) {
  const bool movesAudio =
      operation == OP_PASTE_INSERT || operation == OP_PASTE_OVER || operation == OP_REPLACE;
  return StoreEntry(redo, &redoCount, &redoPosition, operation, slot, movesAudio, start, end,
                    peakStart, peakEnd, extend,
                    {"RedoStore: Failed to cleanup Redo file", "RedoStore: Failed to move files",
                     "RedoStore: Failed to mem map the clipboard"},
                    commitMoves_)
             ? OP_DONE
             : OP_FAILED;
}

OpResult CEditorDoc::ClipboardStore(TempAudioFile* slot, int16_t bits, int16_t channelCount,
                                    int32_t rate) {
  // The old clipboard is only unmapped, not emptied: the move replaces its
  // files in one step each, so a move that fails leaves it as it was.
  if (CloseMemMapFile(clip, BOTH_PARTS) != OP_DONE) {
    ShowMessage("ClipboardStore: Failed to cleanup file");
    return OP_FAILED;
  }
  if (MoveAudioFile(slot, clip, commitMoves_) != OP_DONE) {
    ShowMessage("ClipboardStore: Failed to move files");
    (void)DocMemMapFile(clip, BOTH_PARTS, MAP_READ);
    return OP_FAILED;
  }
  if (DocMemMapFile(clip, BOTH_PARTS, MAP_READ) != OP_DONE) {
    ShowMessage("ClipboardStore: Failed to mem map the clipboard");
    return OP_FAILED;
  }
  clip->SetFormat({channelCount, bits, rate});
  return OP_DONE;
}

// Undo and redo build the restored audio in scratch slots and commit it;
// only a successful commit moves the rings. A failed commit leaves the
// counters, the positions and both rings as they were.
OpResult CEditorDoc::UserOpUndo(Progress& progress) {
  if (undoCount == 0) return OP_PENDING;  // nothing to undo: nothing runs
  ScratchSlots scratch(*this, "UserOpUndo");
  progress.SetCaption("Performing undo operation");
  UndoEntry& u = undo[undoPosition];
  const uint32_t s = u.pcmStart, e = u.pcmEnd, ps = u.peakStart, pe = u.peakEnd;
  const uint32_t length = dataLength, peaks = peakLength;

  // What the redo ring receives once the commit has succeeded: the audio
  // the undo removes (none for an undone cut) and its range.
  OpCode redoOperation = u.operation;
  TempAudioFile* redoAudio = nullptr;
  uint32_t rs = s, re = e, rps = ps, rpe = pe;
  int32_t redoExtend = u.extend;
  OpResult committed = OP_DONE;

  switch (u.operation) {
    case OP_CUT: {
      progress.SetTotal((peaks + length + pe + e - ps - s) / 100);
      if (const OpResult r = DocOpInsert(&u.slot, scratch.Use(tempA), s, ps, progress);
          r != OP_DONE) {
        return scratch.Finish(r);
      }
      committed = DocFinalize(OP_PASTE_INSERT, tempA, progress);
      break;
    }
    case OP_PASTE_INSERT: {
      progress.SetTotal((peaks + length) / 100);
      if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), s, e, ps, pe, progress);
          r != OP_DONE) {
        return scratch.Finish(r);
      }
      if (const OpResult r = DocOpCut(scratch.Use(tempB), s, e, ps, pe, progress); r != OP_DONE) {
        return scratch.Finish(r);
      }
      redoAudio = tempA;
      committed = DocFinalize(OP_CUT, tempB, progress);
      break;
    }
    case OP_PASTE_OVER: {
      uint32_t t = e, o = pe;
      if (u.extend) {
        t = length;
        o = peaks;
        progress.SetTotal((u.slot.peakLength + u.slot.pcmLength + o + t) / 100);
      } else {
        progress.SetTotal((peaks + length + o + t - ps - s) / 100);
      }
      if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), s, t, ps, o, progress);
          r != OP_DONE) {
        return scratch.Finish(r);
      }
      if (const OpResult r =
              DocOpOverwrite(&u.slot, scratch.Use(tempB), s, ps, u.extend != 0, progress);
          r != OP_DONE) {
        return scratch.Finish(r);
      }
      redoAudio = tempA;
      re = t;
      rpe = o;
      committed = DocFinalize(OP_PASTE_OVER, tempB, progress);
      break;
    }
    case OP_REPLACE: {
      progress.SetTotal((u.slot.peakLength + u.slot.pcmLength + peaks + length) / 100);
      if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), 0, length, 0, peaks, progress);
          r != OP_DONE) {
        return scratch.Finish(r);
      }
      if (const OpResult r =
              DocOpCopySourceDest(&u.slot, scratch.Use(tempB), s, e, ps, pe, progress);
          r != OP_DONE) {
        return scratch.Finish(r);
      }
      // The current audio keeps its own format in the redo entry.
      tempA->SetFormat(work.Format());
      redoAudio = tempA;
      rs = 0;
      re = length;
      rps = 0;
      rpe = peaks;
      redoExtend = 0;
      committed = DocFinalize(OP_REPLACE, tempB, progress);
      break;
    }
    default:
      break;
  }
  if (committed != OP_DONE) return scratch.Finish(OP_FAILED);
  const OpResult stored = u.operation == OP_CUT || u.operation == OP_PASTE_INSERT ||
                                  u.operation == OP_PASTE_OVER || u.operation == OP_REPLACE
                              ? RedoStore(redoOperation, redoAudio, rs, re, rps, rpe, redoExtend)
                              : OP_DONE;
  --undoCount;
  undoPosition = Previous(undoPosition);
  return scratch.Finish(stored);
}

OpResult CEditorDoc::UserOpRedo(Progress& progress) {
  if (redoCount == 0) return OP_PENDING;  // nothing to redo: nothing runs
  ScratchSlots scratch(*this, "UserOpRedo");
  progress.SetCaption("Performing redo operation");
  UndoEntry& r = redo[redoPosition];
  const uint32_t s = r.pcmStart, e = r.pcmEnd, ps = r.peakStart, pe = r.peakEnd;
  const uint32_t length = dataLength, peaks = peakLength;
  OpResult committed = OP_DONE;

  switch (r.operation) {
    case OP_CUT:
      progress.SetTotal((peaks + length + ps + s - pe - e) / 100);
      if (const OpResult result = DocOpCut(scratch.Use(tempA), s, e, ps, pe, progress);
          result != OP_DONE) {
        return scratch.Finish(result);
      }
      committed = DocFinalize(OP_CUT, tempA, progress);
      break;
    case OP_PASTE_INSERT:
      progress.SetTotal((r.slot.peakLength + r.slot.pcmLength + peaks + length) / 100);
      if (const OpResult result = DocOpInsert(&r.slot, scratch.Use(tempA), s, ps, progress);
          result != OP_DONE) {
        return scratch.Finish(result);
      }
      committed = DocFinalize(OP_PASTE_INSERT, tempA, progress);
      break;
    case OP_PASTE_OVER:
      progress.SetTotal(r.extend ? (ps + s + r.slot.peakLength + r.slot.pcmLength) / 100
                                 : (peaks + length) / 100);
      if (const OpResult result =
              DocOpOverwrite(&r.slot, scratch.Use(tempA), s, ps, r.extend != 0, progress);
          result != OP_DONE) {
        return scratch.Finish(result);
      }
      committed = DocFinalize(OP_PASTE_OVER, tempA, progress);
      break;
    case OP_REPLACE:
      progress.SetTotal((r.slot.peakLength + r.slot.pcmLength) / 100);
      if (const OpResult result =
              DocOpCopySourceDest(&r.slot, scratch.Use(tempB), s, e, ps, pe, progress);
          result != OP_DONE) {
        return scratch.Finish(result);
      }
      committed = DocFinalize(OP_REPLACE, tempB, progress);
      break;
    default:
      break;
  }
  if (committed != OP_DONE) return scratch.Finish(OP_FAILED);
  --redoCount;
  redoPosition = Previous(redoPosition);
  undoPosition = static_cast<int16_t>((undoPosition + 1) % kUndoLevels);
  if (undoCount < kUndoLevels) ++undoCount;
  return scratch.Finish(OP_DONE);
}
