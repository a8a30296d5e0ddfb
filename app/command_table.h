// The editor's commands: every menu item, toolbar button and accelerator as
// one table of ids and texts, the preconditions each document command checks
// before it starts its operation, and the single enabling rule. Plain code:
// the main frame builds its menus and toolbars from it, and tests drive it
// without a window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "audio/audio_state.h"
#include "engine/op_codes.h"

class CEditorApp;
class CEditorDoc;

struct CommandInfo {
  int id = 0;
  // Menu text with its "&" mnemonic; the window shows each command's keys
  // beside it from the keys it binds (gui/command_keys.h).
  const char* text = "";
  const char* tip = "";  // tooltip of a toolbar button
};

// Every command the menus and toolbars show, in no particular order.
const std::vector<CommandInfo>& CommandList();
const CommandInfo* FindCommand(int id);

// The document values a precondition reads.
struct CommandContext {
  bool hasDocument = false;
  uint32_t selStart = 0, selEnd = 0;
  uint32_t dataLength = 0;
  uint32_t viewLength = 0;
  int channels = 0;
  int bitsPerSample = 0;
  int undoCount = 0;
  int redoCount = 0;
  uint32_t clipLength = 0;  // PCM bytes on the clipboard
};
CommandContext ContextFor(CEditorApp& app);

struct CommandDecision {
  enum Kind { Refuse, RunOperation, Proceed, NotHandled };
  Kind kind = NotHandled;
  std::string message;  // Refuse: the one message shown
  OpCode operation{};   // RunOperation: the code passed to DocRunOperation
};

// What a command does in `context`: refuse with its message, run an
// operation, or go ahead (commands whose action is not an operation, such
// as Play or Rewind, once their precondition holds).
CommandDecision DecideCommand(int id, const CommandContext& context);

// The ids the one update rule serves; while playing every one of them is
// disabled. Stop is not among them and is always enabled. The play state
// comes from the audio engine (CEditorApp::PlaybackState).
bool InUpdateList(int id);
// The one enabling rule: a command is offered only when it can run, that is
// when it is not greyed by playback and its precondition in `context` holds
// (the rule that would otherwise refuse it with a message).
bool CommandEnabled(int id, PlayState playState, const CommandContext& context);

// Runs a document command on the application's active document: shows the
// refusal message, or runs the operation. Returns the operation code that
// ran, 0 when refused or not a document command.
int RunDocumentCommand(CEditorApp& app, int id);

// What one run of a document command came to.
struct CommandRun {
  enum Status {
    Refused,   // a precondition failed; its message has been shown
    NotRun,    // not a command that runs an operation
    Declined,  // `prepare` returned false; nothing ran
    Ran,       // the operation ran
  };
  Status status = NotRun;
  CEditorDoc* document = nullptr;   // Declined, Ran: the document concerned
  OpCode operation{};               // Declined, Ran: the operation code
  OpResult runResult = OP_PENDING;  // Ran: what DocRunOperation returned
};

// RunDocumentCommand with a step between the preconditions and the
// operation: once the preconditions hold, `prepare` gets the document and
// answers beforehand what the operation would ask (a tool's settings, where
// the window opens the tool's dialog); false stops the command there.
using CommandPrepare = std::function<bool(CEditorDoc& doc)>;
CommandRun RunDocumentCommand(CEditorApp& app, int id, const CommandPrepare& prepare);

// Rewind and Forward: play position and selection to the start or the end.
// false, after the message, without a document.
bool RewindDocument(CEditorApp& app);
bool ForwardDocument(CEditorApp& app);
// Select All: the whole file becomes the selection. false, after the
// message, without a document.
bool SelectAllDocument(CEditorApp& app);

// The extension after the last dot of the file name, in lower case, without
// the dot; "" when the name has none.
std::string FileExtension(const std::string& path);
// The writer operation for a target path by its extension: .wav, .mp3,
// .wma, .flac, .ogg, .opus, and .pcm or .raw (headerless). 0 for any other
// extension, and for a name without one (Save then asks for a name, as Save
// As does).
OpCode WriterForPath(const std::string& path);
// For a name whose extension names no type the editor writes: "Sorry, NAME
// has an extension the editor cannot save (.xyz). Use .wav, .flac, .ogg,
// .opus, .mp3, .wma or .pcm."; "" for a savable extension or none.
std::string UnsavableExtensionMessage(const std::string& path);

// The Open dialog's filter, in the "Text|patterns|...||" form.
extern const char* const kOpenFilter;
// The Save As dialog's: one entry per type the editor writes.
extern const char* const kSaveFilter;
// The same filter as the pairs a file dialog shows: "Wave Files (*.wav)".
std::vector<std::string> FileDialogFilters(const std::string& filter);
