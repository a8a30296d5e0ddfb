// Copy, cut, delete, paste insert, paste over, and finishing a recording.
// Every operation builds its result in scratch slots; only when all splices
// have succeeded does it store the undo entry and commit. A cancelled or
// failed splice cleans up the scratch slots it wrote and returns its result,
// so the document, the clipboard and the undo rings stay as they were.
#include "engine/convert.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "engine/progress.h"
#include "platform/message.h"

using platform::ShowMessage;
using platform::ShowMessageF;

int CEditorDoc::UserOpCopy(Progress& progress) {
  const uint32_t s = selStart, e = selEnd, ps = peakSelStart, pe = peakSelEnd;
  progress.SetCaption("Performing copy operation");
  progress.SetTotal((pe + e - ps - s) / 100);
  if (const int r = DocOpCopyRange(tempA, s, e, ps, pe, progress); r != OP_DONE) {
    return ReleaseScratch(tempA, "UserOpCopy: Failed to cleanup temp file A", r);
  }
  if (ClipboardStore(tempA, bitsPerSample, channels, sampleRate) != OP_DONE) {
    return ReleaseScratch(tempA, "UserOpCopy: Failed to cleanup temp file A", OP_FAILED);
  }
  return OP_DONE;
}

int CEditorDoc::UserOpCut(Progress& progress) {
  const uint32_t s = selStart, e = selEnd, ps = peakSelStart, pe = peakSelEnd;
  progress.SetCaption("Performing cut operation");
  progress.SetTotal((pe + e + peakLength + dataLength - ps - s) / 100);
  if (const int r = DocOpCopyRange(tempA, s, e, ps, pe, progress); r != OP_DONE) {
    return ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
  }
  if (const int r = DocOpCopyRange(tempB, s, e, ps, pe, progress); r != OP_DONE) {
    ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    return ReleaseScratch(tempB, "UserOpCut: Failed to cleanup temp file B", r);
  }
  if (const int r = DocOpCut(tempC, s, e, ps, pe, progress); r != OP_DONE) {
    ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    ReleaseScratch(tempB, "UserOpCut: Failed to cleanup temp file B", r);
    return ReleaseScratch(tempC, "UserOpCut: Failed to cleanup temp file C", r);
  }
  if (UndoStore(OP_CUT, tempA, s, e, ps, pe, 0) != OP_DONE ||
      ClipboardStore(tempB, bitsPerSample, channels, sampleRate) != OP_DONE) {
    ShowMessage("UserOpCut: UndoStore Failed");
    return OP_FAILED;
  }
  if (DocFinalize(OP_CUT, tempC, progress) != OP_DONE) {
    ShowMessage("UserOpCut: DocFinalize Failed");
    return OP_FAILED;
  }
  return OP_DONE;
}

int CEditorDoc::UserOpDelete(Progress& progress) {
  const uint32_t s = selStart, e = selEnd, ps = peakSelStart, pe = peakSelEnd;
  progress.SetCaption("Performing delete operation");
  progress.SetTotal((peakLength + dataLength) / 100);
  if (const int r = DocOpCopyRange(tempA, s, e, ps, pe, progress); r != OP_DONE) {
    return ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
  }
  if (const int r = DocOpCut(tempB, s, e, ps, pe, progress); r != OP_DONE) {
    ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    return ReleaseScratch(tempB, "UserOpCut: Failed to cleanup temp file B", r);
  }
  if (UndoStore(OP_CUT, tempA, s, e, ps, pe, 0) != OP_DONE) {
    ShowMessage("UserOpCut: UndoStore Failed");
    return OP_FAILED;
  }
  if (DocFinalize(OP_CUT, tempB, progress) != OP_DONE) {
    ShowMessage("UserOpCut: DocFinalize Failed");
    return OP_FAILED;
  }
  return OP_DONE;
}

int CEditorDoc::UserOpPasteInsert(Progress& progress) {
  const uint32_t s = selStart, ps = peakSelStart;
  TempAudioFile* source = clip;
  const bool converted = !SameAudioFormat(&work, clip);
  if (converted) {
    const int r = ConvertAudioFile(clip, tempA, bitsPerSample, channels, sampleRate, 1, progress);
    if (r != OP_DONE)
      return ReleaseScratch(tempA, "UserOpPasteInsert: Failed to cleanup temp file A", r);
    source = tempA;
  }
  progress.SetCaption("Performing paste insert operation");
  progress.SetTotal((source->peakLength + source->pcmLength + peakLength + dataLength) / 100);
  if (const int r = DocOpInsert(source, tempB, s, ps, progress); r != OP_DONE) {
    if (converted) ReleaseScratch(tempA, "UserOpPasteInsert: Failed to cleanup temp file A", r);
    return ReleaseScratch(tempB, "UserOpPasteInsert: Failed to cleanup temp file B", r);
  }
  UndoStore(OP_PASTE_INSERT, nullptr, s, s + source->pcmLength, ps, ps + source->peakLength, 0);
  const int committed = DocFinalize(OP_PASTE_INSERT, tempB, progress);
  if (converted && CleanupTempAudioFile(tempA, 0) != 1) {
    ShowMessage("UserOpPasteInsert: Failed to cleanup temp file A");
    return OP_FAILED;
  }
  return committed == OP_DONE ? OP_DONE : OP_FAILED;
}

int CEditorDoc::UserOpPasteOver(Progress& progress) {
  const uint32_t s = selStart, ps = peakSelStart, pe = peakSelEnd;
  progress.SetCaption("Performing paste insert operation");
  progress.SetTotal((pe - ps) / 100);
  TempAudioFile* source = clip;
  const bool converted = !SameAudioFormat(&work, clip);
  if (converted) {
    const int r = ConvertAudioFile(clip, tempA, bitsPerSample, channels, sampleRate, 1, progress);
    if (r != OP_DONE) return ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    source = tempA;
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
  if (const int r = DocOpOverwrite(source, tempB, s, ps, extend, progress); r != OP_DONE) {
    if (converted) ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    return ReleaseScratch(tempB,
                          converted ? "UserOpCut: Failed to cleanup temp file A"
                                    : "UserOpCut: Failed to cleanup temp file B",
                          r);
  }
  if (const int r = DocOpCopyRange(tempC, s, f, ps, g, progress); r != OP_DONE) {
    if (converted) ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    ReleaseScratch(tempB, "UserOpCut: Failed to cleanup temp file B", r);
    return ReleaseScratch(tempC, "UserOpCut: Failed to cleanup temp file A", r);
  }
  UndoStore(OP_PASTE_OVER, tempC, s, f, ps, g, extend ? 1 : 0);
  const int committed = DocFinalize(OP_PASTE_OVER, tempB, progress);
  if (converted && CleanupTempAudioFile(tempA, 0) != 1) {
    ShowMessage("UserOpPasteOver: Failed to cleanup temp file A");
    return 0;
  }
  return committed == OP_DONE ? OP_DONE : OP_FAILED;
}

int CEditorDoc::OnStop(Progress& outer) {
  // A finished recording cannot be made again: once the hand-over starts it
  // runs to the end, and Cancel is not offered.
  outer.DisableCancel();
  UninterruptibleProgress progress(outer);
  if (DocMemMapFile(tempA, PCM_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnStop() - Perform Action: Failed to open write map to target file: %s",
                 tempA->pcmPath.c_str());
    CleanupTempAudioFile(tempA, 0);
    return 0;
  }
  if (DrawPeakFile(tempA, progress) == OP_FAILED) {
    ShowMessage("Failed to draw peak file after record");
    CleanupTempAudioFile(tempA, 0);
    return OP_FAILED;
  }
  if (DocMemMapFile(tempA, PEAK_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnStop() - Perform Action: Failed to mem map file: %s", tempA->pcmPath.c_str());
    CleanupTempAudioFile(tempA, 0);
    return 0;
  }
  const uint32_t s = selStart, ps = peakSelStart;
  progress.SetTotal((tempA->pcmLength + peakLength + dataLength + tempA->peakLength) / 100);
  progress.SetCaption("Performing paste insert operation");
  if (const int r = DocOpInsert(tempA, tempB, s, ps, progress); r != OP_DONE) {
    CleanupTempAudioFile(tempB, 0);
    CleanupTempAudioFile(tempA, 0);
    return r;
  }
  UndoStore(OP_PASTE_INSERT, nullptr, s, s + tempA->pcmLength, ps, ps + tempA->peakLength, 0);
  DocFinalize(OP_PASTE_INSERT, tempB, progress);
  if (CleanupTempAudioFile(tempA, 0) != 1) {
    ShowMessage("UserOpPasteInsert: Failed to cleanup temp file A");
    return 0;
  }
  return 1;
}
