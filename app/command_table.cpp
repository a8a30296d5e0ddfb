#include "app/command_table.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "resources/control_ids.h"

using namespace ids;

const char* const kOpenFilter =
    "All Formats (*.wav; *.mp3; *.wma; *.flac; *.ogg; *.opus; *.m4a; *.aiff; *.caf; *.pcm)|"
    "*.wav;*.mp3;*.wma;*.flac;*.ogg;*.oga;*.opus;*.m4a;*.aac;*.aif;*.aiff;*.aifc;*.caf;*.pcm;|"
    "Wave Files (*.wav)|*.wav|MP3 Files (*.mp3)|*.mp3|Windows Media Files (*.wma)|*.wma|"
    "FLAC Files (*.flac)|*.flac|Ogg Vorbis Files (*.ogg)|*.ogg;*.oga|Opus Files (*.opus)|*.opus|"
    "AAC Files (*.m4a; *.aac)|*.m4a;*.aac|AIFF Files (*.aiff; *.aif; *.aifc)|*.aiff;*.aif;*.aifc|"
    "CAF Files (*.caf)|*.caf|PCM Files (*.pcm)|*.pcm|All Files (*.*) |*.*||";

const char* const kSaveFilter =
    "Wave Files (*.wav)|*.wav|FLAC Files (*.flac)|*.flac|Ogg Vorbis Files (*.ogg)|*.ogg|Opus "
    "Files (*.opus)|*.opus|MP3 Files (*.mp3)|*.mp3|Windows Media Files (*.wma)|*.wma|PCM Files "
    "(*.pcm; *.raw)|*.pcm;*.raw||";

const std::vector<CommandInfo>& CommandList() {
  static const std::vector<CommandInfo> list = {
      {ID_FILE_NEW, "&New", "New"},
      {ID_FILE_OPEN, "&Open...", "Open"},
      {ID_FILE_CLOSE, "&Close", "Close"},
      {ID_FILE_SAVE, "&Save", "Save"},
      {ID_FILE_SAVE_AS, "Save &As...", "Save As"},
      {ID_FILE_MRU_FILE1, "Recent File", "Recent File"},
      {ID_APP_EXIT, "E&xit", "Exit"},
      {ID_EDIT_UNDO, "&Undo", "Undo"},
      {ID_EDIT_REDO, "&Redo", "Redo"},
      {ID_EDIT_CUT, "Cu&t", "Cut"},
      {ID_EDIT_COPY, "&Copy", "Copy"},
      {ID_EDIT_PASTE_INSERT, "&Paste Insert", "Paste Insert"},
      {ID_EDIT_PASTE_OVER, "&Paste Over", "Paste Over"},
      {ID_EDIT_PASTE_MIX, "Paste Mix Clipboard", "Paste Mix Clipboard"},
      {ID_EDIT_DELETE, "&Delete", "Delete"},
      {ID_EDIT_SELECT_ALL, "Select &All", "Select All"},
      {ID_TOOLS_VOLUME, "&Adjust Volume Levels", "Adjust Volume Levels"},
      {ID_TOOLS_FADE, "&Fade In/Out", "Fade In/Out"},
      {ID_TOOLS_MUTE, "&Mute Audio", "Mute Audio"},
      {ID_TOOLS_REVERSE, "&Reverse Audio", "Reverse Audio"},
      {ID_TOOLS_SWAP, "&Swap Left/Right Channels", "Swap Left/Right Channels"},
      {ID_TOOLS_COPY_CHANNEL, "&Copy Channel", "Copy Channel"},
      {ID_TOOLS_CHANGE_QUALITY, "C&hange Audio Quality", "Change Audio Quality"},
      {ID_EFFECTS_ECHO, "&Echo Effect", "Echo Effect"},
      {ID_EFFECTS_REVERB, "&Reverb Effect", "Reverb Effect"},
      {ID_EFFECTS_MULTI_VOICE, "&Multi Voice", "Multi Voice"},
      {ID_VIEW_TOOLBAR, "&Toolbar", "Toolbar"},
      {ID_VIEW_ZOOM_IN, "&Zoom In", "Zoom In"},
      {ID_VIEW_ZOOM_OUT, "Zoom &Out", "Zoom Out"},
      {ID_VIEW_ZOOM_SELECTION, "Zoom to &Selection", "Zoom to Selection"},
      {ID_VIEW_FULL, "Show &All", "Show All"},
      {ID_PLAY, "Play", "Play"},
      {ID_PLAY_LOOPED, "Play Looped", "Play Looped"},
      {ID_REWIND, "Rewind", "Rewind"},
      {ID_FORWARD, "Forward", "Forward to End"},
      {ID_STOP, "Stop", "Stop"},
      {ID_RECORD, "Record", "Record"},
      {ID_FORMAT_PANEL, "Audio Quality", "Show Audio Quality"},
      {ID_LEVEL_PANEL, "Audio Levels", "Show Audio Levels"},
      {ID_PLAY_OR_STOP, "Play/Stop", "Play/Stop"},
      {ID_SETTINGS_IO, "&I/O Device Settings", "I/O Device Settings"},
      {ID_SETTINGS_TEMP, "&Temp File Settings", "Temp File Settings"},
      {ID_WINDOW_CASCADE, "&Cascade", "Cascade"},
      {ID_WINDOW_TILE, "&Tile", "Tile"},
      {ID_WINDOW_ARRANGE, "&Arrange Icons", "Arrange Icons"},
      {ID_HELP_TOPICS, "&Help Topics", "Help Topics"},
      {ID_APP_ABOUT, "&About Editor...", "About Editor"},
  };
  return list;
}

const CommandInfo* FindCommand(int id) {
  for (const CommandInfo& info : CommandList()) {
    if (info.id == id) return &info;
  }
  return nullptr;
}

CommandContext ContextFor(CEditorApp& app) {
  CommandContext context;
  context.clipLength = app.Clip()->pcmLength;
  const CEditorDoc* doc = app.ActiveDocument();
  if (doc == nullptr) return context;
  context.hasDocument = true;
  context.selStart = doc->Selection().Start();
  context.selEnd = doc->Selection().End();
  context.dataLength = doc->dataLength;
  context.viewLength = doc->View().Length();
  context.channels = doc->channels;
  context.bitsPerSample = doc->bitsPerSample;
  context.undoCount = doc->undoCount;
  context.redoCount = doc->redoCount;
  return context;
}

namespace {

// A tool or effect: its no-document message, whether it needs a stereo file,
// and its operation.
struct ToolCommand {
  int id;
  const char* noDocument;
  bool needsStereo;
  const char* monoMessage;
  OpCode operation;
};

constexpr ToolCommand kToolCommands[] = {
    {ID_TOOLS_VOLUME, "Sorry, no file is open to adjust volume on.", false, "", OP_VOLUME},
    {ID_TOOLS_FADE, "Sorry, no file is open to fade volume on.", false, "", OP_FADE},
    {ID_TOOLS_MUTE, "Sorry, no file is open to mute volume on.", false, "", OP_MUTE},
    {ID_TOOLS_REVERSE, "Sorry, no file is open to reverse audio.", false, "", OP_REVERSE},
    {ID_TOOLS_SWAP, "Sorry, no file is open to swap channels.", true,
     "Sorry, file must be stereo to swap channels.", OP_SWAP},
    {ID_TOOLS_COPY_CHANNEL, "Sorry, no file is open to copy channels.", true,
     "Sorry, file must be stereo to copy a channel.", OP_COPY_CHANNEL},
    {ID_TOOLS_CHANGE_QUALITY, "Sorry, no file is open to adjust volume on.", false, "",
     OP_CHANGE_QUALITY},
    {ID_EFFECTS_ECHO, "Sorry, no file is open to perform echo effect on.", false, "", OP_ECHO},
    {ID_EFFECTS_REVERB, "Sorry, no file is open to perform reverb effect on.", false, "",
     OP_REVERB},
    {ID_EFFECTS_MULTI_VOICE, "Sorry, no file is open to perform multi voice effect on.", false, "",
     OP_MULTI_VOICE},
};

CommandDecision Refuse(const char* message) {
  return {CommandDecision::Refuse, message, OpCode{}};
}
CommandDecision Run(OpCode operation) {
  return {CommandDecision::RunOperation, "", operation};
}
CommandDecision Proceed() {
  return {CommandDecision::Proceed, "", OpCode{}};
}

}  // namespace

CommandDecision DecideCommand(int id, const CommandContext& c) {
  const bool empty = c.selStart == c.selEnd;
  switch (id) {
    case ID_EDIT_UNDO:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to undo last operation.");
      if (c.undoCount <= 0) return Refuse("Sorry, undo buffer is empty.");
      return Run(OP_UNDO);
    case ID_EDIT_REDO:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to apply redo operation.");
      if (c.redoCount <= 0) return Refuse("Sorry, nothing to redo.");
      return Run(OP_REDO);
    case ID_EDIT_CUT:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to cut audio from.");
      if (empty) return Refuse("Sorry, no audio has been selected to cut.");
      return Run(OP_CUT);
    case ID_EDIT_COPY:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to copy audio from.");
      if (empty) return Refuse("Sorry, no audio has been selected to copy.");
      return Run(OP_COPY);
    case ID_EDIT_PASTE_INSERT:
    case ID_EDIT_PASTE_OVER:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to paste audio to.");
      if (c.clipLength == 0) return Refuse("Clipboard is empty.  Nothing to paste.");
      if (id == ID_EDIT_PASTE_INSERT) return Run(OP_PASTE_INSERT);
      // Pasting over at the very end of a file has nothing to overwrite.
      return Run(c.selStart == c.dataLength && c.dataLength != 0 ? OP_PASTE_INSERT : OP_PASTE_OVER);
    case ID_EDIT_PASTE_MIX:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to mix paste clipboard to.");
      // Refused before the dialog, like the other pastes: an empty clipboard
      // has no format to convert and nothing to mix.
      if (c.clipLength == 0) return Refuse("Clipboard is empty.  Nothing to paste.");
      return Run(OP_MIX_PASTE);
    case ID_EDIT_DELETE: {
      if (!c.hasDocument) return Refuse("Sorry, no file is open to delete.");
      // Zoomed right in on 8-bit mono, a delete needs no selection.
      const bool closeEightBitMono = c.bitsPerSample == 8 && c.channels == 1 && c.viewLength <= 64;
      if (empty && !closeEightBitMono) {
        return Refuse("Sorry, no audio has been selected to delete.");
      }
      return Run(OP_DELETE);
    }
    case ID_PLAY:
    case ID_PLAY_LOOPED:
      if (!c.hasDocument) return Refuse("Please select audio to play.");
      return Proceed();
    case ID_REWIND:
    case ID_FORWARD:
      // Forward shares Rewind's message.
      if (!c.hasDocument) return Refuse("Sorry, no file is open to rewind.");
      return Proceed();
    case ID_EDIT_SELECT_ALL:
      if (!c.hasDocument) return Refuse("Sorry, no file is open to select audio in.");
      return Proceed();
    default:
      break;
  }
  for (const ToolCommand& tool : kToolCommands) {
    if (tool.id != id) continue;
    if (!c.hasDocument) return Refuse(tool.noDocument);
    if (tool.needsStereo && c.channels != 2) return Refuse(tool.monoMessage);
    return Run(tool.operation);
  }
  return {};
}

bool InUpdateList(int id) {
  static constexpr int kUpdateList[] = {
      ID_PLAY,
      ID_PLAY_LOOPED,
      ID_REWIND,
      ID_FORWARD,
      ID_RECORD,
      ID_FILE_NEW,
      ID_FILE_OPEN,
      ID_EDIT_CUT,
      ID_EDIT_COPY,
      ID_EDIT_PASTE_INSERT,
      ID_EDIT_PASTE_OVER,
      ID_EDIT_DELETE,
      ID_EDIT_UNDO,
      ID_EDIT_REDO,
      ID_FILE_SAVE,
      ID_HELP,
      ID_FORMAT_PANEL,
      ID_LEVEL_PANEL,
      ID_TOOLS_VOLUME,
      ID_TOOLS_MUTE,
      ID_TOOLS_FADE,
      ID_TOOLS_REVERSE,
      ID_TOOLS_SWAP,
      ID_TOOLS_COPY_CHANNEL,
      ID_TOOLS_CHANGE_QUALITY,
      ID_EDIT_PASTE_MIX,
      ID_EFFECTS_ECHO,
      ID_EFFECTS_REVERB,
      ID_EFFECTS_MULTI_VOICE,
      ID_FILE_SAVE_AS,
      ID_VIEW_ZOOM_IN,
      ID_VIEW_ZOOM_OUT,
      ID_VIEW_FULL,
      ID_VIEW_ZOOM_SELECTION,
      ID_EDIT_SELECT_ALL,
      ID_FILE_CLOSE,
      ID_SETTINGS_IO,
      ID_SETTINGS_TEMP,
      ID_HELP_INDEX,
      ID_APP_ABOUT,
      ID_HELP_TOPICS,
  };
  return std::find(std::begin(kUpdateList), std::end(kUpdateList), id) != std::end(kUpdateList);
}

bool CommandEnabled(int id, PlayState playState, const CommandContext& context) {
  if (id == ID_STOP) return true;
  if (InUpdateList(id) && playState == PLAY_PLAYING) return false;
  // Commands on the active document that have no message of their own.
  static constexpr int kNeedDocument[] = {ID_FILE_SAVE,       ID_FILE_SAVE_AS,       ID_FILE_CLOSE,
                                          ID_VIEW_ZOOM_IN,    ID_VIEW_ZOOM_OUT,      ID_VIEW_FULL,
                                          ID_EDIT_SELECT_ALL, ID_VIEW_ZOOM_SELECTION};
  if (!context.hasDocument && std::find(std::begin(kNeedDocument), std::end(kNeedDocument), id) !=
                                  std::end(kNeedDocument)) {
    return false;
  }
  return DecideCommand(id, context).kind != CommandDecision::Refuse;
}

int RunDocumentCommand(CEditorApp& app, int id) {
  const CommandRun run = RunDocumentCommand(app, id, {});
  return run.status == CommandRun::Ran ? ToInt(run.operation) : 0;
}

CommandRun RunDocumentCommand(CEditorApp& app, int id, const CommandPrepare& prepare) {
  CommandRun run;
  const CommandDecision decision = DecideCommand(id, ContextFor(app));
  if (decision.kind == CommandDecision::Refuse) {
    platform::ShowMessage(decision.message);
    run.status = CommandRun::Refused;
    return run;
  }
  // Every command that runs an operation refuses without a document.
  if (decision.kind != CommandDecision::RunOperation) return run;
  run.document = app.ActiveDocument();
  run.operation = decision.operation;
  if (prepare && !prepare(*run.document)) {
    run.status = CommandRun::Declined;
    return run;
  }
  run.runResult = run.document->DocRunOperation(decision.operation);
  run.status = CommandRun::Ran;
  return run;
}

namespace {

// Sets the active document's selection to what `pick` makes of it, once
// the command's precondition holds.
bool SetSelectionBy(CEditorApp& app, int id, const std::function<void(CEditorDoc& doc)>& pick) {
  const CommandDecision decision = DecideCommand(id, ContextFor(app));
  if (decision.kind == CommandDecision::Refuse) {
    platform::ShowMessage(decision.message);
    return false;
  }
  pick(*app.ActiveDocument());
  return true;
}

}  // namespace

bool RewindDocument(CEditorApp& app) {
  return SetSelectionBy(app, ID_REWIND, [](CEditorDoc& doc) { doc.SetSelection(0, 0); });
}

bool ForwardDocument(CEditorApp& app) {
  return SetSelectionBy(app, ID_FORWARD,
                        [](CEditorDoc& doc) { doc.SetSelection(doc.dataLength, doc.dataLength); });
}

bool SelectAllDocument(CEditorApp& app) {
  return SetSelectionBy(app, ID_EDIT_SELECT_ALL,
                        [](CEditorDoc& doc) { doc.SetSelection(0, doc.dataLength); });
}

std::string FileExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

OpCode WriterForPath(const std::string& path) {
  static const std::pair<const char*, OpCode> writers[] = {
      {"wav", WRITE_WAVE_FILE}, {"mp3", WRITE_MP3_FILE},   {"wma", WRITE_WMA_FILE},
      {"pcm", WRITE_PCM_FILE},  {"raw", WRITE_PCM_FILE},   {"flac", WRITE_FLAC_FILE},
      {"ogg", WRITE_OGG_FILE},  {"opus", WRITE_OPUS_FILE},
  };
  const std::string extension = FileExtension(path);
  for (const auto& [name, writer] : writers) {
    if (extension == name) return writer;
  }
  return OpCode{};
}

std::string UnsavableExtensionMessage(const std::string& path) {
  const std::string extension = FileExtension(path);
  if (extension.empty() || WriterForPath(path) != OpCode{}) return {};
  const std::string name = platform::FileNameOf(path);
  const size_t dot = path.rfind('.');
  return "Sorry, " + name + " has an extension the editor cannot save (" + path.substr(dot) +
         "). Use .wav, .flac, .ogg, .opus, .mp3, .wma or .pcm.";
}

std::vector<std::string> FileDialogFilters(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= filter.size()) {
    const size_t bar = filter.find('|', start);
    if (bar == std::string::npos) break;
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  std::vector<std::string> result;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;
    std::string text = parts[i];
    if (const size_t paren = text.find('('); paren != std::string::npos) text.erase(paren);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::string patterns;
    size_t p = 0;
    const std::string& list = parts[i + 1];
    while (p < list.size()) {
      size_t semi = list.find(';', p);
      if (semi == std::string::npos) semi = list.size();
      std::string pattern = list.substr(p, semi - p);
      if (pattern == "*.*") pattern = "*";
      if (!pattern.empty()) patterns += (patterns.empty() ? "" : " ") + pattern;
      p = semi + 1;
    }
    result.push_back(text + " (" + patterns + ")");
  }
  return result;
}
