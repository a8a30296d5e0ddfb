#include "engine/document_commit.h"

#include "engine/editor_doc.h"
#include "platform/file_discard.h"
#include "platform/message.h"

DocumentCommit::DocumentCommit(CEditorDoc& doc) : doc_(doc) {
  Record(&doc.work, false);
  Record(doc.clip, false);
  for (TempAudioFile* scratch : {doc.tempA, doc.tempB, doc.tempC, doc.tempD}) {
    Record(scratch, true);
  }
  for (int i = 0; i < kUndoLevels; ++i) {
    Record(&doc.undo[i].slot, false);
    Record(&doc.redo[i].slot, false);
    const UndoEntry& u = doc.undo[i];
    undo_[i] = {u.operation, u.extend, u.pcmStart, u.pcmEnd, u.peakStart, u.peakEnd};
    const UndoEntry& r = doc.redo[i];
    redo_[i] = {r.operation, r.extend, r.pcmStart, r.pcmEnd, r.peakStart, r.peakEnd};
  }
  undoCount_ = doc.undoCount;
  undoPosition_ = doc.undoPosition;
  redoCount_ = doc.redoCount;
  redoPosition_ = doc.redoPosition;
  format_ = doc.Format();
  bytesPerSecond_ = doc.bytesPerSecond;
  blockAlign_ = doc.blockAlign;
  hasAudio_ = doc.hasAudio;
  dataLength_ = doc.dataLength;
  peakLength_ = doc.peakLength;
  playPosition_ = doc.playPosition;
  selStart_ = doc.Selection().Start();
  selEnd_ = doc.Selection().End();
  viewStart_ = doc.View().Start();
  viewEnd_ = doc.View().End();
  doc.commitMoves_ = &moves_;
}

DocumentCommit::~DocumentCommit() {
  if (!finished_) (void)Finish(OP_FAILED);
}

void DocumentCommit::Record(TempAudioFile* slot, bool scratch) {
  if (slot == nullptr) return;
  for (const SlotState& known : slots_) {
    if (known.slot == slot) return;
  }
  slots_.push_back({slot, slot->Format(), slot->pcmLength, slot->peakLength, slot->pcmMap.IsOpen(),
                    slot->peakMap.IsOpen(), scratch});
}

OpResult DocumentCommit::Finish(OpResult result) {
  finished_ = true;
  doc_.commitMoves_ = nullptr;
  if (result == OP_DONE) {
    moves_.Commit();
    return result;
  }
  const OpResult restored = RollBack();
  return restored == OP_DONE ? result : OP_FAILED;
}

OpResult DocumentCommit::RollBack() {
  // Views of the files about to move back would show the wrong audio.
  for (const SlotState& s : slots_) {
    if (s.slot->pcmMap.IsOpen()) (void)CloseMemMapFile(s.slot, PCM_PART);
    if (s.slot->peakMap.IsOpen()) (void)CloseMemMapFile(s.slot, PEAK_PART);
  }
  bool whole = moves_.RollBack();
  for (const SlotState& s : slots_) {
    if (s.scratch) {
      // Scratch slots are the operation's own and it has cleaned them up
      // already; a result that moved back into one goes the same way.
      if (s.slot->pcmLength == 0) (void)platform::DiscardFile(s.slot->pcmPath);
      if (s.slot->peakLength == 0) (void)platform::DiscardFile(s.slot->peakPath);
      continue;
    }
    s.slot->SetFormat(s.format);
    s.slot->pcmLength = s.pcmLength;
    s.slot->peakLength = s.peakLength;
  }
  for (int i = 0; i < kUndoLevels; ++i) {
    auto restore = [](UndoEntry& entry, const EntryState& state) {
      entry.operation = state.operation;
      entry.extend = state.extend;
      entry.pcmStart = state.pcmStart;
      entry.pcmEnd = state.pcmEnd;
      entry.peakStart = state.peakStart;
      entry.peakEnd = state.peakEnd;
    };
    restore(doc_.undo[i], undo_[i]);
    restore(doc_.redo[i], redo_[i]);
  }
  doc_.undoCount = undoCount_;
  doc_.undoPosition = undoPosition_;
  doc_.redoCount = redoCount_;
  doc_.redoPosition = redoPosition_;
  doc_.channels = format_.channels;
  doc_.bitsPerSample = format_.bitsPerSample;
  doc_.sampleRate = format_.sampleRate;
  doc_.bytesPerSecond = bytesPerSecond_;
  doc_.blockAlign = blockAlign_;
  doc_.hasAudio = hasAudio_;
  doc_.dataLength = dataLength_;
  doc_.peakLength = peakLength_;
  doc_.SetSelection(selStart_, selEnd_);
  doc_.SetView(viewStart_, viewEnd_);
  doc_.playPosition = playPosition_;
  for (const SlotState& s : slots_) {
    if (s.pcmMapped && DocMemMapFile(s.slot, PCM_PART, MAP_READ) != OP_DONE) whole = false;
    if (s.peakMapped && DocMemMapFile(s.slot, PEAK_PART, MAP_READ) != OP_DONE) whole = false;
  }
  if (!whole) {
    platform::ShowMessage(
        "The failed change could not be taken back completely; its files are kept in the "
        "run folder.");
    return OP_FAILED;
  }
  return OP_DONE;
}

bool CommitsAsOneStep(OpCode code) {
  switch (code) {
    case OP_COPY:
    case OP_CUT:
    case OP_DELETE:
    case OP_PASTE_INSERT:
    case OP_PASTE_OVER:
    case OP_UNDO:
    case OP_REDO:
    case OP_HANDLE_RECORD:
    case OP_VOLUME:
    case OP_FADE:
    case OP_MUTE:
    case OP_REVERSE:
    case OP_SWAP:
    case OP_COPY_CHANNEL:
    case OP_ECHO:
    case OP_REVERB:
    case OP_MULTI_VOICE:
    case OP_CHANGE_QUALITY:
    case OP_MIX_PASTE:
      return true;
    default:
      return false;
  }
}
