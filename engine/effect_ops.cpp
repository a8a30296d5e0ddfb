// The effect driver: every tool's processing runs through it. The tool's
// PerformAction leaves the processed range in scratch slot B; the driver keeps
// the audio about to be replaced for undo (A), splices B into a new version of
// the document (C) and commits it.
#include <array>

#include "engine/convert.h"
#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "platform/message.h"

using platform::ShowMessage;

namespace {

// Captions and the messages shown when a scratch slot cannot be cleaned up,
// per operation: after an unsuccessful PerformAction (B-cancel), after an
// unfinished splice (B-abort, A, C), and after the commit (B-final). Several
// texts name another operation; they are the program's own and kept as they
// are. A null A message means A is not cleaned up there: that operation
// cleans C instead.
struct EffectMessages {
  int code;
  const char* caption;
  const char* bCancel;
  const char* bAbort;
  const char* a;
  const char* c;
  const char* bFinal;
  int success;       // what the operation returns when it succeeded
  int finalFailure;  // what it returns when B-final cleanup fails
};

constexpr std::array kEffects = {
    EffectMessages{OP_VOLUME, "Performing volume adjustment operation",
                   "UserOpVolume: Failed to cleanup temp file B",
                   "UserOpVolume: Failed to cleanup temp file B",
                   "UserOpVolume: Failed to cleanup temp file A",
                   "UserOpVolume: Failed to cleanup temp file C",
                   "UserOpVolume: Failed to cleanup temp file B", OP_DONE, OP_FAILED},
    EffectMessages{
        OP_FADE, "Performing fade in/out operation", "UserOpFade: Failed to cleanup temp file B",
        "UserOpMute: Failed to cleanup temp file B", "UserOpMute: Failed to cleanup temp file A",
        "UserOpMute: Failed to cleanup temp file C", "UserOpFade: Failed to cleanup temp file B",
        OP_DONE, OP_FAILED},
    EffectMessages{
        OP_MUTE, "Performing mute audio operation", "UserOpFade: Failed to cleanup temp file B",
        "UserOpFade: Failed to cleanup temp file B", "UserOpFade: Failed to cleanup temp file A",
        "UserOpFade: Failed to cleanup temp file C", "UserOpMute: Failed to cleanup temp file B", 1,
        0},
    EffectMessages{OP_REVERSE, "Performing reverse audio operation",
                   "UserOpFade: Failed to cleanup temp file B",
                   "UserOpReverse: Failed to cleanup temp file B", nullptr,
                   "UserOpReverse: Failed to cleanup temp file C",
                   "UserOpReverse: Failed to cleanup temp file B", OP_DONE, OP_FAILED},
    EffectMessages{
        OP_SWAP, "Performing swap channel operation", "UserOpSwap: Failed to cleanup temp file B",
        "UserOpSwap: Failed to cleanup temp file B", "UserOpSwap: Failed to cleanup temp file A",
        "UserOpSwap: Failed to cleanup temp file C", "UserOpSwap: Failed to cleanup temp file B",
        OP_DONE, OP_FAILED},
    EffectMessages{OP_COPY_CHANNEL, "Performing copy channel operation",
                   "UserOpCopyChannel: Failed to cleanup temp file B",
                   "UserOpSwap: Failed to cleanup temp file B",
                   "UserOpSwap: Failed to cleanup temp file A",
                   "UserOpSwap: Failed to cleanup temp file C",
                   "UserOpCopyChannel: Failed to cleanup temp file B", 1, 0},
    EffectMessages{
        OP_ECHO, "Performing echo operation", "UserOpCopyChannel: Failed to cleanup temp file B",
        "UserOpSwap: Failed to cleanup temp file B", "UserOpSwap: Failed to cleanup temp file A",
        "UserOpSwap: Failed to cleanup temp file C", "UserOpSwap: Failed to cleanup temp file B",
        OP_DONE, OP_FAILED},
    EffectMessages{OP_REVERB, "Performing reverb operation",
                   "UserOpReverb: Failed to cleanup temp file B",
                   "UserOpReverb: Failed to cleanup temp file B",
                   "UserOpReverb: Failed to cleanup temp file A",
                   "UserOpReverb: Failed to cleanup temp file C",
                   "UserOpReverb: Failed to cleanup temp file B", OP_DONE, OP_FAILED},
    EffectMessages{OP_MULTI_VOICE, "Performing multi voice operation",
                   "UserOpCopyChannel: Failed to cleanup temp file B",
                   "UserOpSwap: Failed to cleanup temp file B",
                   "UserOpSwap: Failed to cleanup temp file A",
                   "UserOpSwap: Failed to cleanup temp file C",
                   "UserOpSwap: Failed to cleanup temp file B", OP_DONE, OP_FAILED},
};

const EffectMessages* MessagesFor(int code) {
  for (const auto& entry : kEffects) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

// After an unfinished splice: B first; when B cannot be cleaned, the other
// slot is left alone.
int AbandonSplice(TempAudioFile* b, TempAudioFile* other, const char* bFailure,
                  const char* otherFailure, int result) {
  if (CleanupTempAudioFile(b, 0) != 1) {
    ShowMessage(bFailure);
    return OP_FAILED;
  }
  return ReleaseScratch(other, otherFailure, result);
}

}  // namespace

int CEditorDoc::UserOpRangeEffect(int code, Progress& progress) {
  const EffectMessages* m = MessagesFor(code);
  EffectTool* tool = Tool(code);
  if (m == nullptr || tool == nullptr) return OP_PENDING;

  const uint32_t length = dataLength, peaks = peakLength;
  const uint32_t s0 = selStart, e0 = selEnd, ps0 = peakSelStart, pe0 = peakSelEnd;
  const bool entire = tool->Scope() == ENTIRE_FILE;
  progress.SetCaption(m->caption);
  progress.SetTotal(entire ? (length + peaks) / 100 : (e0 + pe0 - s0 - ps0) / 100);

  if (const int r = tool->PerformAction(*this, progress); r != OP_DONE) {
    return ReleaseScratch(tempB, m->bCancel, r);
  }
  const uint32_t s = entire ? 0 : s0;
  const uint32_t ps = entire ? 0 : ps0;
  const uint32_t e = entire ? tempB->pcmLength : e0;
  const uint32_t pe = ps + tempB->peakLength;

  progress.SetCaption("Storing Undo Information");
  progress.SetTotal((length + peaks + pe + e - ps - s) / 100);
  if (const int r = DocOpCopyRange(tempA, s, e, ps, pe, progress); r != OP_DONE) {
    if (m->a == nullptr) return AbandonSplice(tempB, tempC, m->bAbort, m->c, r);
    return AbandonSplice(tempB, tempA, m->bAbort, m->a, r);
  }
  if (const int r = DocOpOverwrite(tempB, tempC, s, ps, false, progress); r != OP_DONE) {
    // The undo copy in A is abandoned too, so no scratch file outlives the
    // operation.
    CleanupTempAudioFile(tempA, 0);
    return AbandonSplice(tempB, tempC, m->bAbort, m->c, r);
  }
  UndoStore(OP_PASTE_OVER, tempA, s, e, ps, pe, 0);
  const int committed = DocFinalize(OP_PASTE_OVER, tempC, progress);
  if (CleanupTempAudioFile(tempB, 0) != 1) {
    ShowMessage(m->bFinal);
    return m->finalFailure;
  }
  return committed == OP_DONE ? m->success : OP_FAILED;
}

int CEditorDoc::UserOpChangeQuality(Progress& progress) {
  EffectTool* tool = Tool(OP_CHANGE_QUALITY);
  if (tool == nullptr) return OP_PENDING;
  const uint32_t length = dataLength, peaks = peakLength;
  progress.SetCaption("Performing copy channel operation");
  progress.SetTotal((peaks + length) / 100);
  if (const int r = tool->PerformAction(*this, progress); r != OP_DONE) {
    return ReleaseScratch(tempB, "UserOpChangeQuality: Failed to cleanup temp file B", r);
  }
  progress.SetCaption("Storing Undo Information");
  progress.SetTotal((peaks + length) / 100);
  if (const int r = DocOpCopyRange(tempA, 0, length, 0, peaks, progress); r != OP_DONE) {
    const int b = ReleaseScratch(tempB, "UserOpChangeQuality: Failed to cleanup temp file B", r);
    return ReleaseScratch(tempA, "UserOpChangeQuality: Failed to cleanup temp file A", b);
  }
  // The old audio keeps its old format in the undo entry.
  tempA->SetFormat(work.Format());
  UndoStore(OP_REPLACE, tempA, 0, length, 0, peaks, 0);
  const int committed = DocFinalize(OP_REPLACE, tempB, progress);
  blockAlign = static_cast<int16_t>((bitsPerSample / 8) * channels);
  return committed == OP_DONE ? OP_DONE : OP_FAILED;
}

int CEditorDoc::UserOpMixPaste(Progress& progress) {
  EffectTool* tool = Tool(OP_MIX_PASTE);
  if (tool == nullptr) return OP_PENDING;
  const uint32_t s = selStart, e = selEnd, ps = peakSelStart, pe = peakSelEnd;
  const uint32_t length = dataLength, peaks = peakLength;
  progress.SetCaption("Performing mix paste operation");

  TempAudioFile* source = clip;
  const bool converted = !SameAudioFormat(&work, clip);
  if (converted) {
    const int r = ConvertAudioFile(clip, tempA, bitsPerSample, channels, sampleRate, 1, progress);
    if (r != OP_DONE) return ReleaseScratch(tempA, "UserOpCut: Failed to cleanup temp file A", r);
    source = tempA;
  }
  uint32_t g = s + source->pcmLength, h = 0;
  bool extend = false;
  if (g > length) {
    g = length;
    h = peaks;
    extend = true;
  } else {
    h = std::min(ps + source->peakLength, peaks);
  }
  progress.SetTotal((source->pcmLength + source->peakLength) / 100);
  const uint32_t t = extend ? (source->peakLength + source->pcmLength + h + g) / 100
                            : (peaks + length + h + g - ps - s) / 100;

  // Cleans up the converted clipboard copy; a failure ends the operation
  // with 0 after its message.
  auto releaseConverted = [&]() {
    if (!converted || CleanupTempAudioFile(tempA, 0) == 1) return true;
    ShowMessage("UserOpPasteOver: Failed to cleanup temp file A");
    return false;
  };

  if (const int r = tool->PerformAction(*this, progress); r != OP_DONE) {
    if (!releaseConverted()) return 0;
    return ReleaseScratch(tempB, "UserOpMixPaste: Failed to cleanup temp file B", r);
  }
  progress.SetCaption("Storing Undo Information");
  progress.SetTotal(t + (pe + e - ps - s) / 100);
  if (const int r = DocOpOverwrite(tempB, tempD, s, ps, extend, progress); r != OP_DONE) {
    if (!releaseConverted()) return 0;
    ReleaseScratch(tempB, "UserOpMixPaste: Failed to cleanup temp file B", r);
    return ReleaseScratch(tempD, "UserOpMixPaste: Failed to cleanup temp file D",
                          r == OP_CANCELLED ? OP_CANCELLED : OP_FAILED);
  }
  if (const int r = DocOpCopyRange(tempC, s, g, ps, h, progress); r != OP_DONE) {
    if (!releaseConverted()) return 0;
    ReleaseScratch(tempB, "UserOpMixPaste: Failed to cleanup temp file B", r);
    ReleaseScratch(tempD, "UserOpMixPaste: Failed to cleanup temp file D", r);
    return ReleaseScratch(tempC, "UserOpMixPaste: Failed to cleanup temp file C",
                          r == OP_CANCELLED ? OP_CANCELLED : OP_FAILED);
  }
  UndoStore(OP_PASTE_OVER, tempC, s, g, ps, h, extend ? 1 : 0);
  const int committed = DocFinalize(OP_PASTE_OVER, tempD, progress);
  if (!releaseConverted()) return 0;
  if (CleanupTempAudioFile(tempB, 0) != 1) {
    ShowMessage("UserOpPasteOver: Failed to cleanup temp file B");
    return 0;
  }
  return committed == OP_DONE ? OP_DONE : OP_FAILED;
}
