// The effect driver: every tool's processing runs through it. The tool's
// PerformAction leaves the processed range in scratch slot B; the driver keeps
// the audio about to be replaced for undo (A), splices B into a new version of
// the document (C) and commits it.
#include <array>

#include "engine/convert.h"
#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "engine/op_codes.h"
#include "engine/page_release.h"
#include "engine/progress.h"
#include "engine/scratch_slots.h"
#include "platform/message.h"

using platform::ShowMessage;

namespace {

// Each range tool's progress caption and the routine its messages name.
struct RangeEffect {
  OpCode code;
  const char* caption;
  const char* routine;
};

constexpr std::array kEffects = {
    RangeEffect{OP_VOLUME, "Performing volume adjustment operation", "UserOpVolume"},
    RangeEffect{OP_FADE, "Performing fade in/out operation", "UserOpFade"},
    RangeEffect{OP_MUTE, "Performing mute audio operation", "UserOpMute"},
    RangeEffect{OP_REVERSE, "Performing reverse audio operation", "UserOpReverse"},
    RangeEffect{OP_SWAP, "Performing swap channel operation", "UserOpSwap"},
    RangeEffect{OP_COPY_CHANNEL, "Performing copy channel operation", "UserOpCopyChannel"},
    RangeEffect{OP_ECHO, "Performing echo operation", "UserOpEcho"},
    RangeEffect{OP_REVERB, "Performing reverb operation", "UserOpReverb"},
    RangeEffect{OP_MULTI_VOICE, "Performing multi voice operation", "UserOpMultiVoice"},
};

const RangeEffect* EffectFor(OpCode code) {
  for (const auto& entry : kEffects) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

}  // namespace

OpResult CEditorDoc::UserOpRangeEffect(OpCode code, Progress& progress) {
  const RangeEffect* effect = EffectFor(code);
  EffectTool* tool = Tool(code);
  if (effect == nullptr || tool == nullptr) return OP_PENDING;
  ScratchSlots scratch(*this, effect->routine);

  const uint32_t length = dataLength, peaks = peakLength;
  const uint32_t s0 = selection_.Start(), e0 = selection_.End(), ps0 = selection_.PeakStart(),
                 pe0 = selection_.PeakEnd();
  const bool entire = tool->Scope() == ENTIRE_FILE;
  progress.SetCaption(effect->caption);
  progress.SetTotal(entire ? (length + peaks) / 100 : (e0 + pe0 - s0 - ps0) / 100);

  scratch.Use(tempB);
  // The tool's pass reads the working audio (and the clipboard) and writes
  // slot B through their mappings; their pages go as the pass moves on.
  ReleasingProgress pass(progress, {&work, tempB, clip});
  if (const OpResult r = tool->PerformAction(*this, pass); r != OP_DONE) {
    return scratch.Finish(r);
  }
  const uint32_t s = entire ? 0 : s0;
  const uint32_t ps = entire ? 0 : ps0;
  const uint32_t e = entire ? tempB->pcmLength : e0;
  const uint32_t pe = ps + tempB->peakLength;

  progress.SetCaption("Storing Undo Information");
  if (s == 0 && ps == 0 && e == length && pe == peaks) {
    return scratch.Finish(ReplaceWholeDocument(OP_PASTE_OVER, tempB, progress, effect->routine));
  }
  progress.SetTotal((length + peaks + pe + e - ps - s) / 100);
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempA), s, e, ps, pe, progress); r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (const OpResult r = DocOpOverwrite(tempB, scratch.Use(tempC), s, ps, false, progress);
      r != OP_DONE) {
    return scratch.Finish(r);
  }
  if (UndoStore(OP_PASTE_OVER, tempA, s, e, ps, pe, 0) != OP_DONE) {
    ShowMessage(platform::FormatText("%s: UndoStore Failed", effect->routine));
    return scratch.Finish(OP_FAILED);
  }
  const OpResult committed = DocFinalize(OP_PASTE_OVER, tempC, progress);
  return scratch.Finish(committed == OP_DONE ? OP_DONE : OP_FAILED);
}

OpResult CEditorDoc::ReplaceWholeDocument(OpCode operation, TempAudioFile* result,
                                          Progress& progress, const char* routine) {
  // A result that replaces every byte needs no copy on either side: the old
  // working files themselves become the undo entry, and the result's files
  // become the working copy. Both are renames within the operation's commit.
  if (CloseMemMapFile(&work, BOTH_PARTS) != OP_DONE ||
      CloseMemMapFile(result, BOTH_PARTS) != OP_DONE) {
    ShowMessage(platform::FormatText("%s: UndoStore Failed", routine));
    return OP_FAILED;
  }
  // The entry keeps the old audio's format with its files.
  if (UndoStore(operation, &work, 0, dataLength, 0, peakLength, 0) != OP_DONE) {
    ShowMessage(platform::FormatText("%s: UndoStore Failed", routine));
    return OP_FAILED;
  }
  return DocFinalize(operation, result, progress) == OP_DONE ? OP_DONE : OP_FAILED;
}

OpResult CEditorDoc::UserOpChangeQuality(Progress& progress) {
  EffectTool* tool = Tool(OP_CHANGE_QUALITY);
  if (tool == nullptr) return OP_PENDING;
  ScratchSlots scratch(*this, "UserOpChangeQuality");
  const uint32_t length = dataLength, peaks = peakLength;
  progress.SetCaption("Performing copy channel operation");
  progress.SetTotal((peaks + length) / 100);
  scratch.Use(tempB);
  ReleasingProgress pass(progress, {&work, tempB, clip});
  if (const OpResult r = tool->PerformAction(*this, pass); r != OP_DONE) {
    return scratch.Finish(r);
  }
  progress.SetCaption("Storing Undo Information");
  const OpResult committed =
      ReplaceWholeDocument(OP_REPLACE, tempB, progress, "UserOpChangeQuality");
  blockAlign = static_cast<int16_t>((bitsPerSample / 8) * channels);
  return scratch.Finish(committed == OP_DONE ? OP_DONE : OP_FAILED);
}

OpResult CEditorDoc::UserOpMixPaste(Progress& progress) {
  EffectTool* tool = Tool(OP_MIX_PASTE);
  if (tool == nullptr) return OP_PENDING;
  ScratchSlots scratch(*this, "UserOpMixPaste");
  const uint32_t s = selection_.Start(), e = selection_.End(), ps = selection_.PeakStart(),
                 pe = selection_.PeakEnd();
  const uint32_t length = dataLength, peaks = peakLength;
  progress.SetCaption("Performing mix paste operation");

  TempAudioFile* source = nullptr;
  if (const OpResult r = PasteSource(scratch, progress, &source); r != OP_DONE) {
    return scratch.Finish(r);
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

  scratch.Use(tempB);
  ReleasingProgress pass(progress, {&work, tempB, clip});
  if (const OpResult r = tool->PerformAction(*this, pass); r != OP_DONE) {
    return scratch.Finish(r);
  }
  progress.SetCaption("Storing Undo Information");
  progress.SetTotal(t + (pe + e - ps - s) / 100);
  if (const OpResult r = DocOpOverwrite(tempB, scratch.Use(tempD), s, ps, extend, progress);
      r != OP_DONE) {
    return scratch.Finish(r == OP_CANCELLED ? OP_CANCELLED : OP_FAILED);
  }
  if (const OpResult r = DocOpCopyRange(scratch.Use(tempC), s, g, ps, h, progress); r != OP_DONE) {
    return scratch.Finish(r == OP_CANCELLED ? OP_CANCELLED : OP_FAILED);
  }
  if (UndoStore(OP_PASTE_OVER, tempC, s, g, ps, h, extend ? 1 : 0) != OP_DONE) {
    ShowMessage("UserOpMixPaste: UndoStore Failed");
    return scratch.Finish(OP_FAILED);
  }
  const OpResult committed = DocFinalize(OP_PASTE_OVER, tempD, progress);
  return scratch.Finish(committed == OP_DONE ? OP_DONE : OP_FAILED);
}
