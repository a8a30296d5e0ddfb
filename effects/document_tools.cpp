#include "effects/document_tools.h"

#include <memory>

void InstallDocumentTools(CEditorDoc& doc) {
  doc.AdoptTool(OP_VOLUME, std::make_unique<VolumeTool>());
  doc.AdoptTool(OP_FADE, std::make_unique<FadeTool>());
  doc.AdoptTool(OP_MUTE, std::make_unique<MuteTool>());
  doc.AdoptTool(OP_REVERSE, std::make_unique<ReverseTool>());
  doc.AdoptTool(OP_SWAP, std::make_unique<SwapTool>());
  doc.AdoptTool(OP_COPY_CHANNEL, std::make_unique<CopyChannelTool>());
  doc.AdoptTool(OP_ECHO, std::make_unique<EchoTool>());
  doc.AdoptTool(OP_REVERB, std::make_unique<ReverbTool>());
  doc.AdoptTool(OP_MULTI_VOICE, std::make_unique<MultiVoiceTool>());
  doc.AdoptTool(OP_MIX_PASTE, std::make_unique<MixPasteTool>());
  doc.AdoptTool(OP_CHANGE_QUALITY, std::make_unique<ChangeQualityTool>());
}
