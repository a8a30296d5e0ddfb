// Copy, cut, delete, paste insert, paste over, and finishing a recording.
// Every operation builds its result in scratch slots; only when all splices
// have succeeded does it store the undo entry and commit. Whatever way an
// operation ends, the scratch slots it wrote are cleaned up, so after a
// cancelled or failed splice the document, the clipboard and the undo rings
// stay as they were.
#include "engine/convert.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "engine/progress.h"
#include "engine/scratch_slots.h"
#include "platform/message.h"

using platform::ShowMessage;
using platform::ShowMessageF;

OpResult CEditorDoc::UserOpCopy(Progress& progress) {
  ScratchSlots scratch(*this, "UserOpCopy");
  const uint32_t s = selection_.Start(), e = selection_.End(), ps = selection_.PeakStart(),
                 pe = selection_.PeakEnd();
  progress.SetCaption("Performing copy operation");
  progress.SetTotal((pe + e - ps - s) / 100);
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (ClipboardStore(tempA, bitsPerSample, channels, sampleRate) != OP_DONE) {
    return scratch.Finish(OP_FAILED);
  }
  return scratch.Finish(OP_DONE);
}

// Cut and delete: the selection goes to the undo ring (A), the rest becomes
// the new audio; cut also puts the selection on the clipboard.
OpResult CEditorDoc::UserOpCut(Progress& progress) {
  ScratchSlots scratch(*this, "UserOpCut");
  const uint32_t s = selection_.Start(), e = selection_.End(), ps = selection_.PeakStart(),
                 pe = selection_.PeakEnd();
  progress.SetCaption("Performing cut operation");
  progress.SetTotal((pe + e + peakLength + dataLength - ps - s) / 100);
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempB), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (const OpResult r = DocOpCut(scratch.Use(tempC), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (UndoStore(OP_CUT, tempA, s, e, ps, pe, 0) != OP_DONE ||
      ClipboardStore(tempB, bitsPerSample, channels, sampleRate) != OP_DONE) {
    ShowMessage("UserOpCut: UndoStore Failed");
    return scratch.Finish(OP_FAILED);
  }
  if (DocFinalize(OP_CUT, tempC, progress) != OP_DONE) {
    ShowMessage("UserOpCut: DocFinalize Failed");
    return scratch.Finish(OP_FAILED);
  }
  return scratch.Finish(OP_DONE);
}

OpResult CEditorDoc::UserOpDelete(Progress& progress) {
  ScratchSlots scratch(*this, "UserOpDelete");
  const uint32_t s = selection_.Start(), e = selection_.End(), ps = selection_.PeakStart(),
                 pe = selection_.PeakEnd();
  progress.SetCaption("Performing delete operation");
  progress.SetTotal((peakLength + dataLength) / 100);
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (const OpResult r = DocOpCut(scratch.Use(tempB), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (UndoStore(OP_CUT, tempA, s, e, ps, pe, 0) != OP_DONE) {
    ShowMessage("UserOpDelete: UndoStore Failed");
    return scratch.Finish(OP_FAILED);
  }
  if (DocFinalize(OP_CUT, tempB, progress) != OP_DONE) {
    ShowMessage("UserOpDelete: DocFinalize Failed");
    return scratch.Finish(OP_FAILED);
  }
  return scratch.Finish(OP_DONE);
}

OpResult CEditorDoc::PasteSource(ScratchSlots& scratch, Progress& progress,
                                 TempAudioFile** source) {
  *source = clip;
  if (SameAudioFormat(&work, clip)) return OP_DONE;
  *source = scratch.Use(tempA);
  return ConvertAudioFile(clip, *source, bitsPerSample, channels, sampleRate, 1, progress);
}

OpResult CEditorDoc::UserOpPasteInsert(Progress& progress) {
  ScratchSlots scratch(*this, "UserOpPasteInsert");
  const uint32_t s = selection_.Start(), ps = selection_.PeakStart();
  TempAudioFile* source = nullptr;
  if (const OpResult r = PasteSource(scratch, progress, &source); r != OP_DONE) {
    return scratch.Finish(r);
  }
  progress.SetCaption("Performing paste insert operation");
  progress.SetTotal((source->peakLength + source->pcmLength + peakLength + dataLength) / 100);
  if (const OpResult r = DocOpInsert(source, scratch.Use(tempB), s, ps, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (UndoStore(OP_PASTE_INSERT, nullptr, s, s + source->pcmLength, ps, ps + source->peakLength,
                0) != OP_DONE) {
    ShowMessage("UserOpPasteInsert: UndoStore Failed");
    return scratch.Finish(OP_FAILED);
  }
  const OpResult committed = DocFinalize(OP_PASTE_INSERT, tempB, progress);
  return scratch.Finish(committed == OP_DONE ? OP_DONE : OP_FAILED);
}

OpResult CEditorDoc::UserOpPasteOver(Progress& progress) {
  ScratchSlots scratch(*this, "UserOpPasteOver");
  const uint32_t s = selection_.Start(), ps = selection_.PeakStart(), pe = selection_.PeakEnd();
  progress.SetCaption("Performing paste insert operation");
  progress.SetTotal((pe - ps) / 100);
  TempAudioFile* source = nullptr;
  if (const OpResult r = PasteSource(scratch, progress, &source); r != OP_DONE) {
    return scratch.Finish(r);
  }
  const uint32_t length = dataLength, peaks = peakLength;
  uint32_t f = s + source->pcmLength;
  uint32_t g = 0;
  bool extend = false;
  if (f > length) {
    f = length;
    g = peaks;
    extend = true;
  } else {
    g = ps + source->peakLength;
  }
  progress.SetCaption("Performing paste over operation");
  progress.SetTotal(extend ? (source->peakLength + source->pcmLength + g + f) / 100
                           : (peaks + length + g + f - ps - s) / 100);
  // Without extending, the source's peak data may reach past the working
  // peak data; the undo copy can only cover what exists.
  g = std::min(g, peaks);
  if (const OpResult r = DocOpOverwrite(source, scratch.Use(tempB), s, ps, extend, progress);
      r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempC), s, f, ps, g, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (UndoStore(OP_PASTE_OVER, tempC, s, f, ps, g, extend ? 1 : 0) != OP_DONE) {
    ShowMessage("UserOpPasteOver: UndoStore Failed");
    return scratch.Finish(OP_FAILED);
  }
  const OpResult committed = DocFinalize(OP_PASTE_OVER, tempB, progress);
  return scratch.Finish(committed == OP_DONE ? OP_DONE : OP_FAILED);
}

OpResult CEditorDoc::OnStop(Progress& outer) {
  // The recording engine leaves the take in scratch slot A.
  ScratchSlots scratch(*this, "OnStop");
  scratch.Use(tempA);
  // A finished recording cannot be made again: once the hand-over starts it
  // runs to the end, and Cancel is not offered.
  outer.DisableCancel();
  UninterruptibleProgress progress(outer);
  if (DocMemMapFile(tempA, PCM_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnStop() - Perform Action: Failed to open write map to target file: %s",
                 tempA->pcmPath.c_str());
    return scratch.Finish(OP_FAILED);
  }
  if (DrawPeakFile(tempA, progress) == OP_FAILED) {
    ShowMessage("Failed to draw peak file after record");
    return scratch.Finish(OP_FAILED);
  }
  if (DocMemMapFile(tempA, PEAK_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnStop() - Perform Action: Failed to mem map file: %s", tempA->pcmPath.c_str());
    return scratch.Finish(OP_FAILED);
  }
  const uint32_t s = selection_.Start(), ps = selection_.PeakStart();
  progress.SetTotal((tempA->pcmLength + peakLength + dataLength + tempA->peakLength) / 100);
  progress.SetCaption("Performing paste insert operation");
  if (const OpResult r = DocOpInsert(tempA, scratch.Use(tempB), s, ps, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (UndoStore(OP_PASTE_INSERT, nullptr, s, s + tempA->pcmLength, ps, ps + tempA->peakLength, 0) !=
      OP_DONE) {
    ShowMessage("OnStop: UndoStore Failed");
    return scratch.Finish(OP_FAILED);
  }
  const OpResult committed = DocFinalize(OP_PASTE_INSERT, tempB, progress);
  return scratch.Finish(committed == OP_DONE ? OP_DONE : OP_FAILED);
}
