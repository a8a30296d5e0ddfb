// The undo and redo rings, the clipboard store, and undo and redo themselves.
// An entry holds only the audio a change removed or overwrote, so undo and
// redo are splices like every other edit.
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "platform/message.h"

using platform::ShowMessage;

namespace {

struct StoreMessages {
  const char* cleanup;
  const char* move;
  const char* map;
};

// Moves `slot` into the ring entry after `position`, which becomes the newest.
bool StoreEntry(UndoEntry* ring, int16_t* count, int16_t* position, int operation,
                TempAudioFile* slot, bool movesAudio, uint32_t start, uint32_t end,
                uint32_t peakStart, uint32_t peakEnd, int extend, const StoreMessages& messages) {
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
  if (CleanupTempAudioFile(&entry.slot, 0) != 1) {
    ShowMessage(messages.cleanup);
    return false;
  }
  if (MoveAudioFile(slot, &entry.slot) != 1) {
    ShowMessage(messages.move);
    return false;
  }
  if (DocMemMapFile(&entry.slot, BOTH, MAP_READ) != OP_DONE) {
    ShowMessage(messages.map);
    return false;
  }
  return true;
}

int16_t Previous(int16_t position) {
  return static_cast<int16_t>(position == 0 ? kUndoLevels - 1 : position - 1);
}

}  // namespace

int CEditorDoc::UndoStore(int operation, TempAudioFile* slot, uint32_t start, uint32_t end,
                          uint32_t peakStart, uint32_t peakEnd, int extend) {
  const bool movesAudio =
      operation == OP_CUT || operation == OP_PASTE_OVER || operation == OP_REPLACE;
  return StoreEntry(undo, &undoCount, &undoPosition, operation, slot, movesAudio, start, end,
                    peakStart, peakEnd, extend,
                    {"UndoStore: Failed to cleanup undo file", "UndoStore: Failed to move files",
                     "UndoStore: Failed to mem map the clipboard"})
             ? OP_DONE
             : OP_FAILED;
}

int CEditorDoc::RedoStore(int operation, TempAudioFile* slot, uint32_t start, uint32_t end,
                          uint32_t peakStart, uint32_t peakEnd, int extend) {
  const bool movesAudio =
      operation == OP_PASTE_INSERT || operation == OP_PASTE_OVER || operation == OP_REPLACE;
  return StoreEntry(redo, &redoCount, &redoPosition, operation, slot, movesAudio, start, end,
                    peakStart, peakEnd, extend,
                    {"RedoStore: Failed to cleanup Redo file", "RedoStore: Failed to move files",
                     "RedoStore: Failed to mem map the clipboard"})
             ? 1
             : 0;
}

int CEditorDoc::ClipboardStore(TempAudioFile* slot, int16_t bits, int16_t channelCount,
                               int32_t rate) {
  if (CleanupTempAudioFile(clip, 0) != 1) {
    ShowMessage("ClipboardStore: Failed to cleanup file");
    return OP_FAILED;
  }
  if (MoveAudioFile(slot, clip) != 1) {
    ShowMessage("ClipboardStore: Failed to move files");
    return OP_FAILED;
  }
  if (DocMemMapFile(clip, BOTH, MAP_READ) != OP_DONE) {
    ShowMessage("ClipboardStore: Failed to mem map the clipboard");
    return OP_FAILED;
  }
  clip->SetFormat({channelCount, bits, rate});
  return OP_DONE;
}

int CEditorDoc::UserOpUndo(Progress& progress) {
  if (undoCount == 0) return 0;
  progress.SetCaption("Performing undo operation");
  UndoEntry& u = undo[undoPosition];
  const uint32_t s = u.pcmStart, e = u.pcmEnd, ps = u.peakStart, pe = u.peakEnd;
  const uint32_t length = dataLength, peaks = peakLength;
  const char* failA = "UserOpUndo: Failed to cleanup temp file A";
  const char* failB = "UserOpUndo: Failed to cleanup temp file B";

  switch (u.operation) {
    case OP_CUT: {
      progress.SetTotal((peaks + length + pe + e - ps - s) / 100);
      if (const int r = DocOpInsert(&u.slot, tempA, s, ps, progress); r != OP_DONE) {
        return ReleaseScratch(tempA, failA, r);
      }
      RedoStore(OP_CUT, nullptr, s, e, ps, pe, u.extend);
      DocFinalize(OP_PASTE_INSERT, tempA, progress);
      break;
    }
    case OP_PASTE_INSERT: {
      progress.SetTotal((peaks + length) / 100);
      if (const int r = DocOpCopyRange(tempA, s, e, ps, pe, progress); r != OP_DONE) {
        return ReleaseScratch(tempA, failA, r);
      }
      if (const int r = DocOpCut(tempB, s, e, ps, pe, progress); r != OP_DONE) {
        ReleaseScratch(tempA, failA, r);
        return ReleaseScratch(tempB, failB, r);
      }
      RedoStore(OP_PASTE_INSERT, tempA, s, e, ps, pe, u.extend);
      DocFinalize(OP_CUT, tempB, progress);
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
      if (const int r = DocOpCopyRange(tempA, s, t, ps, o, progress); r != OP_DONE) {
        return ReleaseScratch(tempA, failA, r);
      }
      if (const int r = DocOpOverwrite(&u.slot, tempB, s, ps, u.extend != 0, progress);
          r != OP_DONE) {
        ReleaseScratch(tempA, failA, r);
        return ReleaseScratch(tempB, failB, r);
      }
      RedoStore(OP_PASTE_OVER, tempA, s, t, ps, o, u.extend);
      DocFinalize(OP_PASTE_OVER, tempB, progress);
      break;
    }
    case OP_REPLACE: {
      progress.SetTotal((u.slot.peakLength + u.slot.pcmLength + peaks + length) / 100);
      if (const int r = DocOpCopyRange(tempA, 0, length, 0, peaks, progress); r != OP_DONE) {
        return ReleaseScratch(tempA, failA, r);
      }
      if (const int r = DocOpCopySourceDest(&u.slot, tempB, s, e, ps, pe, progress); r != OP_DONE) {
        ReleaseScratch(tempA, failA, r);
        return ReleaseScratch(tempB, failB, r);
      }
      // The current audio keeps its own format in the redo entry.
      tempA->SetFormat(work.Format());
      RedoStore(OP_REPLACE, tempA, 0, length, 0, peaks, 0);
      DocFinalize(OP_REPLACE, tempB, progress);
      break;
    }
    default:
      break;
  }
  --undoCount;
  undoPosition = Previous(undoPosition);
  return OP_DONE;
}

int CEditorDoc::UserOpRedo(Progress& progress) {
  if (redoCount == 0) return 0;
  progress.SetCaption("Performing redo operation");
  UndoEntry& r = redo[redoPosition];
  const uint32_t s = r.pcmStart, e = r.pcmEnd, ps = r.peakStart, pe = r.peakEnd;
  const uint32_t length = dataLength, peaks = peakLength;
  const char* failA = "UserOpRedo: Failed to cleanup temp file A";
  const char* failB = "UserOpRedo: Failed to cleanup temp file B";

  switch (r.operation) {
    case OP_CUT:
      progress.SetTotal((peaks + length + ps + s - pe - e) / 100);
      if (const int result = DocOpCut(tempA, s, e, ps, pe, progress); result != OP_DONE) {
        return ReleaseScratch(tempA, failA, result);
      }
      DocFinalize(OP_CUT, tempA, progress);
      break;
    case OP_PASTE_INSERT:
      progress.SetTotal((r.slot.peakLength + r.slot.pcmLength + peaks + length) / 100);
      if (const int result = DocOpInsert(&r.slot, tempA, s, ps, progress); result != OP_DONE) {
        return ReleaseScratch(tempA, failA, result);
      }
      DocFinalize(OP_PASTE_INSERT, tempA, progress);
      break;
    case OP_PASTE_OVER:
      progress.SetTotal(r.extend ? (ps + s + r.slot.peakLength + r.slot.pcmLength) / 100
                                 : (peaks + length) / 100);
      if (const int result = DocOpOverwrite(&r.slot, tempA, s, ps, r.extend != 0, progress);
          result != OP_DONE) {
        return ReleaseScratch(tempA, failA, result);
      }
      DocFinalize(OP_PASTE_OVER, tempA, progress);
      break;
    case OP_REPLACE:
      progress.SetTotal((r.slot.peakLength + r.slot.pcmLength) / 100);
      if (const int result = DocOpCopySourceDest(&r.slot, tempB, s, e, ps, pe, progress);
          result != OP_DONE) {
        return ReleaseScratch(tempB, failB, result);
      }
      DocFinalize(OP_REPLACE, tempB, progress);
      break;
    default:
      break;
  }
  --redoCount;
  redoPosition = Previous(redoPosition);
  undoPosition = static_cast<int16_t>((undoPosition + 1) % kUndoLevels);
  if (undoCount < kUndoLevels) ++undoCount;
  return OP_DONE;
}
