// What the batch tool puts into a tool's settings record before the tool's
// operation runs: the values the user would have set in the tool's dialog.
// The operation itself, its dialog protocol and its messages are the
// document's; the batch tool only answers the dialog.
#pragma once

#include <cstdint>
#include <string>

class CEditorDoc;
struct ApplyToChoice;

// SCOPE argument of the tool commands.
enum class ScopeChoice {
  AsDialog,  // what the dialog proposes: the whole file when nothing is selected
  Entire,
  Selection,
};

struct VolumeArgs {
  int32_t left = 100, right = 100;  // percent 0-300
  ScopeChoice scope = ScopeChoice::AsDialog;
};

struct FadeArgs {
  int32_t startLeft = 100, startRight = 100, endLeft = 0, endRight = 0;  // percent 0-300
  ScopeChoice scope = ScopeChoice::AsDialog;
};

// Mute and Reverse: the two channel boxes.
struct ChannelBoxArgs {
  bool left = true, right = true;
  ScopeChoice scope = ScopeChoice::AsDialog;
};

struct SwapArgs {
  ScopeChoice scope = ScopeChoice::AsDialog;
};

struct CopyChannelArgs {
  bool leftToRight = true;  // "Copy Left Channel to Right"
  ScopeChoice scope = ScopeChoice::AsDialog;
};

// Echo, reverb and multi voice take either six (seven) values or the name
// of a preset of the effect's list (built-in or from its preset file).
struct EchoArgs {
  std::string preset;                               // empty: the values below
  int32_t initialLeft = 0, initialRight = 0;        // percent 0-100
  int32_t additionalLeft = 0, additionalRight = 0;  // percent 0-100
  int32_t delayLeft = 0, delayRight = 0;            // milliseconds 0-2500
  ScopeChoice scope = ScopeChoice::AsDialog;
};

struct ReverbArgs {
  std::string preset;
  int32_t dryLeft = 0, dryRight = 0;      // percent 0-100
  int32_t wetLeft = 0, wetRight = 0;      // percent 0-95
  int32_t delayLeft = 0, delayRight = 0;  // milliseconds 0-2500
  ScopeChoice scope = ScopeChoice::AsDialog;
};

struct MultiVoiceArgs {
  std::string preset;
  int32_t voices = 0;                         // 0-10
  int32_t initialLeft = 0, initialRight = 0;  // percent 0-100
  int32_t wetLeft = 0, wetRight = 0;          // percent 0-100
  int32_t delayLeft = 0, delayRight = 0;      // milliseconds 0-1000
  ScopeChoice scope = ScopeChoice::AsDialog;
};

struct MixPasteArgs {
  int32_t documentLeft = 100, documentRight = 100;    // percent 0-300
  int32_t clipboardLeft = 100, clipboardRight = 100;  // percent 0-300
};

struct QualityArgs {
  int16_t channels = 2;
  int32_t sampleRate = 44100;  // 1000-192000
  int16_t bitsPerSample = 16;
};

enum class FillResult {
  Filled,         // the record holds the values; the operation may run
  NotAvailable,   // the document carries no such tool (no effects installed)
  UnknownPreset,  // no preset of that name in the effect's list
};

// One function per tool. Each answers the tool's dialog as the user would:
// the dialog opens on the document, its controls and its "Apply To:" choice
// are set from `args`, and the dialog's own Apply (OK) fills the record.
// A document whose layout no tool handles leaves the record alone; the
// operation then refuses it with its message.
FillResult FillVolume(CEditorDoc& doc, const VolumeArgs& args);
FillResult FillFade(CEditorDoc& doc, const FadeArgs& args);
FillResult FillMute(CEditorDoc& doc, const ChannelBoxArgs& args);
FillResult FillReverse(CEditorDoc& doc, const ChannelBoxArgs& args);
FillResult FillSwap(CEditorDoc& doc, const SwapArgs& args);
FillResult FillCopyChannel(CEditorDoc& doc, const CopyChannelArgs& args);
FillResult FillEcho(CEditorDoc& doc, const EchoArgs& args);
FillResult FillReverb(CEditorDoc& doc, const ReverbArgs& args);
FillResult FillMultiVoice(CEditorDoc& doc, const MultiVoiceArgs& args);
FillResult FillMixPaste(CEditorDoc& doc, const MixPasteArgs& args);
FillResult FillChangeQuality(CEditorDoc& doc, const QualityArgs& args);

// The "Apply To:" radio buttons after the user's SCOPE: AsDialog keeps what
// the dialog proposed when it opened.
void ChooseScope(ScopeChoice scope, ApplyToChoice* choice);
