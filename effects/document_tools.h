// Every document gets one instance of each tool, for its whole life, so a
// tool's settings persist between uses within the document. The editor and
// the batch tool install them through CEditorApp::installTools; dialogs and
// the batch tool reach each tool's settings record through the accessors.
#pragma once

#include "effects/channel_tools.h"
#include "effects/echo.h"
#include "effects/mix_paste.h"
#include "effects/quality.h"
#include "effects/volume.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"

// Adopts one instance of every tool into the document under its operation
// code (OP_VOLUME, OP_FADE, OP_MUTE, OP_REVERSE, OP_SWAP, OP_COPY_CHANNEL,
// OP_ECHO, OP_REVERB, OP_MULTI_VOICE, OP_MIX_PASTE, OP_CHANGE_QUALITY).
void InstallDocumentTools(CEditorDoc& doc);

// The document's tool of type T under `code`, or null when it has none of
// that type.
template <class T>
T* ToolOf(const CEditorDoc& doc, OpCode code) {
  return dynamic_cast<T*>(doc.Tool(code));
}

inline VolumeTool* VolumeOf(const CEditorDoc& doc) {
  return ToolOf<VolumeTool>(doc, OP_VOLUME);
}
inline FadeTool* FadeOf(const CEditorDoc& doc) {
  return ToolOf<FadeTool>(doc, OP_FADE);
}
inline MuteTool* MuteOf(const CEditorDoc& doc) {
  return ToolOf<MuteTool>(doc, OP_MUTE);
}
inline ReverseTool* ReverseOf(const CEditorDoc& doc) {
  return ToolOf<ReverseTool>(doc, OP_REVERSE);
}
inline SwapTool* SwapOf(const CEditorDoc& doc) {
  return ToolOf<SwapTool>(doc, OP_SWAP);
}
inline CopyChannelTool* CopyChannelOf(const CEditorDoc& doc) {
  return ToolOf<CopyChannelTool>(doc, OP_COPY_CHANNEL);
}
inline EchoTool* EchoOf(const CEditorDoc& doc) {
  return ToolOf<EchoTool>(doc, OP_ECHO);
}
inline ReverbTool* ReverbOf(const CEditorDoc& doc) {
  return ToolOf<ReverbTool>(doc, OP_REVERB);
}
inline MultiVoiceTool* MultiVoiceOf(const CEditorDoc& doc) {
  return ToolOf<MultiVoiceTool>(doc, OP_MULTI_VOICE);
}
inline MixPasteTool* MixPasteOf(const CEditorDoc& doc) {
  return ToolOf<MixPasteTool>(doc, OP_MIX_PASTE);
}
inline ChangeQualityTool* ChangeQualityOf(const CEditorDoc& doc) {
  return ToolOf<ChangeQualityTool>(doc, OP_CHANGE_QUALITY);
}
