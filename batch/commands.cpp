#include "batch/commands.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "app/command_table.h"
#include "app/document_recovery.h"
#include "app/editor_app.h"
#include "app/save_document.h"
#include "audio/audio_engine.h"
#include "audio/batch_audio.h"
#include "batch/info_json.h"
#include "batch/positions.h"
#include "batch/terminal_progress.h"
#include "batch/tool_settings.h"
#include "codecs/id3_genres.h"
#include "codecs/xiph_export.h"
#include "engine/document_dialogs.h"
#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "engine/op_codes.h"
#include "platform/file_copy.h"
#include "platform/file_replace.h"
#include "platform/message.h"
#include "platform/unique_fd.h"
#include "resources/control_ids.h"

namespace {

// ---------------------------------------------------------------------------
// Arguments

using Words = std::vector<std::string>;

bool ParseInt(const std::string& text, int64_t low, int64_t high, int64_t* value) {
  int64_t parsed = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
  if (ec != std::errc() || ptr != end || parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

// Reads the arguments of one command, keeping the first problem found.
class ArgReader {
 public:
  ArgReader(std::string_view command, const Words& args) : command_(command), args_(args) {}

  size_t Size() const { return args_.size(); }
  const std::string& operator[](size_t i) const { return args_[i]; }
  bool Ok() const { return error_.empty(); }
  const std::string& Error() const { return error_; }

  void Fail(const std::string& text) {
    if (error_.empty()) error_ = std::string(command_) + ": " + text;
  }
  // The argument count lies in [low, high]; otherwise the synopsis is shown.
  bool Count(size_t low, size_t high, std::string_view synopsis) {
    if (args_.size() < low || args_.size() > high) {
      Fail("wrong number of arguments; usage: " + std::string(synopsis));
      return false;
    }
    return true;
  }
  int32_t Int(size_t i, const char* name, int64_t low, int64_t high) {
    int64_t value = 0;
    if (i >= args_.size()) return 0;
    if (!ParseInt(args_[i], low, high, &value)) {
      Fail(std::string(name) + " must be a whole number from " + std::to_string(low) + " to " +
           std::to_string(high) + ", not \"" + args_[i] + "\"");
      return 0;
    }
    return static_cast<int32_t>(value);
  }
  // One of `choices`; returns its index.
  size_t Choice(size_t i, const char* name, std::initializer_list<std::string_view> choices) {
    size_t index = 0;
    std::string list;
    for (std::string_view choice : choices) {
      if (i < args_.size() && args_[i] == choice) return index;
      list += (index == 0 ? "" : index + 1 == choices.size() ? " or " : ", ");
      list += choice;
      ++index;
    }
    Fail(std::string(name) + " must be " + list + ", not \"" + (i < args_.size() ? args_[i] : "") +
         "\"");
    return 0;
  }
  // The optional SCOPE argument at position `i`.
  ScopeChoice Scope(size_t i) {
    if (i >= args_.size()) return ScopeChoice::AsDialog;
    return Choice(i, "SCOPE", {"entire", "selection"}) == 0 ? ScopeChoice::Entire
                                                            : ScopeChoice::Selection;
  }

 private:
  std::string_view command_;
  const Words& args_;
  std::string error_;
};

// ---------------------------------------------------------------------------
// The editor's command preconditions

// The editor's handler for command `id`, through the window's own runner:
// its preconditions in its order, refused with its message, else its
// operation on the active document. `prepare` answers the operation's
// dialog first (the tools' settings).
Outcome RunEditorCommand(Session& s, int id,
                         const std::function<Outcome(CEditorDoc&)>& prepare = {}) {
  Outcome prepared = Outcome::Done;
  CommandPrepare answer;
  if (prepare) {
    answer = [&](CEditorDoc& doc) {
      prepared = prepare(doc);
      return prepared == Outcome::Done;
    };
  }
  const CommandRun run = RunDocumentCommand(s.App(), id, answer);
  switch (run.status) {
    case CommandRun::Refused:
      return Outcome::Refused;
    case CommandRun::NotRun:
      return s.NotAvailable();
    case CommandRun::Declined:
      return prepared;
    case CommandRun::Ran:
      break;
  }
  return s.OperationOutcome(*run.document, run.runResult);
}

// A tool: the command's preconditions, then the tool's settings record as
// its dialog's Apply leaves it, then its operation.
Action ToolAction(int id, std::function<FillResult(CEditorDoc&)> fill,
                  std::string presetName = {}) {
  return [id, fill = std::move(fill), presetName](Session& session) {
    return RunEditorCommand(session, id, [&](CEditorDoc& doc) {
      switch (fill(doc)) {
        case FillResult::Filled:
          return Outcome::Done;
        case FillResult::NotAvailable:
          return session.NotAvailable();
        case FillResult::UnknownPreset:
          break;
      }
      return session.UsageError(session.Command() + ": there is no preset named \"" + presetName +
                                "\"");
    });
  };
}

// ---------------------------------------------------------------------------
// Builders, one per command

std::string BuildOpen(const Words& args, Action* action) {
  ArgReader in("open", args);
  if (!in.Count(1, 3, "open PATH [damaged refuse|open-part]")) return in.Error();
  // A damaged file's question is answered No unless the script says
  // otherwise, so nothing is opened half without being asked for.
  bool openPart = false;
  if (args.size() > 1) {
    if (args.size() != 3 || args[1] != "damaged") {
      in.Fail("usage: open PATH [damaged refuse|open-part]");
      return in.Error();
    }
    openPart = in.Choice(2, "damaged", {"refuse", "open-part"}) == 1;
    if (!in.Ok()) return in.Error();
  }
  *action = [path = args[0], openPart](Session& s) {
    s.Dialogs().openDamagedPart = openPart;
    return s.Open(path);
  };
  return {};
}

std::string BuildPcmFormat(const Words& args, Action* action) {
  ArgReader in("pcm-format", args);
  if (!in.Count(3, 3, "pcm-format CHANNELS BITS RATE")) return in.Error();
  const int32_t channels = in.Choice(0, "CHANNELS", {"1", "2"}) == 0 ? 1 : 2;
  const int32_t bits = in.Choice(1, "BITS", {"8", "16"}) == 0 ? 8 : 16;
  const int32_t rate = in.Int(2, "RATE", 1000, 192000);
  if (!in.Ok()) return in.Error();
  *action = [channels, bits, rate](Session& s) {
    PcmImportSettings& pcm = s.App().PcmImport();
    pcm.channels = channels;
    pcm.bitsPerSample = bits;
    pcm.sampleRate = rate;
    return Outcome::Done;
  };
  return {};
}

std::string BuildNew(const Words& args, Action* action) {
  ArgReader in("new", args);
  if (!in.Count(3, 3, "new CHANNELS RATE BITS")) return in.Error();
  AudioFormat format;
  format.channels = in.Choice(0, "CHANNELS", {"1", "2"}) == 0 ? 1 : 2;
  format.sampleRate = in.Int(1, "RATE", 1000, 192000);
  format.bitsPerSample = in.Choice(2, "BITS", {"8", "16"}) == 0 ? 8 : 16;
  if (!in.Ok()) return in.Error();
  *action = [format](Session& s) { return s.New(format); };
  return {};
}

std::string BuildActivate(const Words& args, Action* action) {
  ArgReader in("activate", args);
  if (!in.Count(1, 1, "activate N")) return in.Error();
  const int32_t number = in.Int(0, "N", 1, 1000000);
  if (!in.Ok()) return in.Error();
  *action = [number](Session& s) {
    if (s.Activate(static_cast<size_t>(number))) return Outcome::Done;
    return s.UsageError("activate: there is no document " + std::to_string(number) + " (" +
                        std::to_string(s.Count()) + " open)");
  };
  return {};
}

std::string BuildClose(const Words& args, Action* action) {
  ArgReader in("close", args);
  if (!in.Count(0, 0, "close")) return in.Error();
  *action = [](Session& s) {
    if (s.Active() == nullptr) return s.Refuse("Sorry, no file is open to close.");
    s.CloseActive();
    return Outcome::Done;
  };
  return {};
}

// select/view: START END, or a keyword.
std::string BuildRange(const char* command, const Words& args, Action* action) {
  const bool isSelect = std::string_view(command) == "select";
  const std::string synopsis =
      isSelect ? "select START END | select all | select none" : "view START END | view all";
  ArgReader in(command, args);
  if (!in.Count(1, 2, synopsis)) return in.Error();
  enum class Kind { Range, All, None } kind = Kind::Range;
  if (args.size() == 1) {
    if (args[0] == "all") {
      kind = Kind::All;
    } else if (isSelect && args[0] == "none") {
      kind = Kind::None;
    } else {
      in.Fail("wrong arguments; usage: " + synopsis);
      return in.Error();
    }
  } else {
    for (const std::string& word : args) {
      if (!IsPositionText(word)) {
        in.Fail("\"" + word + "\" is not a position (bytes, or a time such as 1.5s or 250ms)");
        return in.Error();
      }
    }
  }
  *action = [isSelect, kind, args](Session& s) {
    CEditorDoc* doc = s.Active();
    if (doc == nullptr) {
      return s.Refuse(isSelect ? "Sorry, no file is open to select audio in."
                               : "Sorry, no file is open to view.");
    }
    uint32_t start = 0, end = doc->dataLength;
    if (kind == Kind::None) {
      start = end = doc->Selection().Start();
    } else if (kind == Kind::Range) {
      std::string error;
      const uint32_t block = static_cast<uint32_t>(std::max<int16_t>(doc->blockAlign, 1));
      const uint64_t perSecond = static_cast<uint64_t>(std::max<int64_t>(doc->bytesPerSecond, 0));
      if (!ParsePosition(args[0], perSecond, block, doc->dataLength, &start, &error) ||
          !ParsePosition(args[1], perSecond, block, doc->dataLength, &end, &error)) {
        return s.UsageError(error);
      }
    }
    if (isSelect) {
      doc->SetSelection(start, end);
    } else {
      // The view always shows something of a file that has audio.
      if (start == end && doc->dataLength != 0) {
        return s.UsageError("view: the visible range is empty");
      }
      doc->SetView(start, end);
    }
    return Outcome::Done;
  };
  return {};
}

std::string BuildSelect(const Words& args, Action* action) {
  return BuildRange("select", args, action);
}

std::string BuildView(const Words& args, Action* action) {
  return BuildRange("view", args, action);
}

// Edit menu.
std::string BuildEdit(std::string_view name, int id, const Words& args, Action* action) {
  ArgReader in(name, args);
  if (!in.Count(0, 0, name)) return in.Error();
  *action = [id](Session& s) { return RunEditorCommand(s, id); };
  return {};
}

std::string BuildVolume(const Words& args, Action* action) {
  ArgReader in("volume", args);
  if (!in.Count(2, 3, "volume LEFT RIGHT [SCOPE]")) return in.Error();
  VolumeArgs v;
  v.left = in.Int(0, "LEFT", 0, 300);
  v.right = in.Int(1, "RIGHT", 0, 300);
  v.scope = in.Scope(2);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(ids::ID_TOOLS_VOLUME, [v](CEditorDoc& d) { return FillVolume(d, v); });
  return {};
}

std::string BuildFade(const Words& args, Action* action) {
  ArgReader in("fade", args);
  if (!in.Count(4, 5, "fade START_LEFT START_RIGHT END_LEFT END_RIGHT [SCOPE]")) {
    return in.Error();
  }
  FadeArgs f;
  f.startLeft = in.Int(0, "START_LEFT", 0, 300);
  f.startRight = in.Int(1, "START_RIGHT", 0, 300);
  f.endLeft = in.Int(2, "END_LEFT", 0, 300);
  f.endRight = in.Int(3, "END_RIGHT", 0, 300);
  f.scope = in.Scope(4);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(ids::ID_TOOLS_FADE, [f](CEditorDoc& d) { return FillFade(d, f); });
  return {};
}

// mute and reverse: left|right|both|none [SCOPE]
std::string BuildChannelBoxes(std::string_view name, const Words& args, Action* action) {
  ArgReader in(name, args);
  if (!in.Count(1, 2, std::string(name) + " left|right|both|none [SCOPE]")) return in.Error();
  ChannelBoxArgs c;
  const size_t choice = in.Choice(0, "the channel", {"left", "right", "both", "none"});
  c.left = choice == 0 || choice == 2;
  c.right = choice == 1 || choice == 2;
  c.scope = in.Scope(1);
  if (!in.Ok()) return in.Error();
  if (name == "mute") {
    *action = ToolAction(ids::ID_TOOLS_MUTE, [c](CEditorDoc& d) { return FillMute(d, c); });
  } else {
    *action = ToolAction(ids::ID_TOOLS_REVERSE, [c](CEditorDoc& d) { return FillReverse(d, c); });
  }
  return {};
}

std::string BuildSwap(const Words& args, Action* action) {
  ArgReader in("swap", args);
  if (!in.Count(0, 1, "swap [SCOPE]")) return in.Error();
  SwapArgs w;
  w.scope = in.Scope(0);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(ids::ID_TOOLS_SWAP, [w](CEditorDoc& d) { return FillSwap(d, w); });
  return {};
}

std::string BuildCopyChannel(const Words& args, Action* action) {
  ArgReader in("copy-channel", args);
  if (!in.Count(1, 2, "copy-channel left|right [SCOPE]")) return in.Error();
  CopyChannelArgs c;
  c.leftToRight = in.Choice(0, "the channel", {"left", "right"}) == 0;
  c.scope = in.Scope(1);
  if (!in.Ok()) return in.Error();
  *action =
      ToolAction(ids::ID_TOOLS_COPY_CHANNEL, [c](CEditorDoc& d) { return FillCopyChannel(d, c); });
  return {};
}

// Echo, reverb and multi voice: values, or `preset NAME`, then [SCOPE].
// Returns the preset name (empty for values) through `preset` and the index
// of the SCOPE argument through `scopeAt`; false when the form is wrong.
bool PresetForm(ArgReader& in, const Words& args, size_t valueCount, std::string_view synopsis,
                std::string* preset, size_t* scopeAt) {
  if (!args.empty() && args[0] == "preset") {
    if (!in.Count(2, 3, synopsis)) return false;
    *preset = args[1];
    *scopeAt = 2;
    return true;
  }
  if (!in.Count(valueCount, valueCount + 1, synopsis)) return false;
  *scopeAt = valueCount;
  return true;
}

std::string BuildEcho(const Words& args, Action* action) {
  ArgReader in("echo", args);
  EchoArgs e;
  size_t scopeAt = 0;
  if (!PresetForm(in, args, 6,
                  "echo INIT_L INIT_R ADD_L ADD_R DELAY_L DELAY_R [SCOPE] | "
                  "echo preset NAME [SCOPE]",
                  &e.preset, &scopeAt)) {
    return in.Error();
  }
  if (e.preset.empty()) {
    e.initialLeft = in.Int(0, "INIT_L", 0, 100);
    e.initialRight = in.Int(1, "INIT_R", 0, 100);
    e.additionalLeft = in.Int(2, "ADD_L", 0, 100);
    e.additionalRight = in.Int(3, "ADD_R", 0, 100);
    e.delayLeft = in.Int(4, "DELAY_L", 0, 2500);
    e.delayRight = in.Int(5, "DELAY_R", 0, 2500);
  }
  e.scope = in.Scope(scopeAt);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(
      ids::ID_EFFECTS_ECHO, [e](CEditorDoc& d) { return FillEcho(d, e); }, e.preset);
  return {};
}

std::string BuildReverb(const Words& args, Action* action) {
  ArgReader in("reverb", args);
  ReverbArgs r;
  size_t scopeAt = 0;
  if (!PresetForm(in, args, 6,
                  "reverb DRY_L DRY_R WET_L WET_R DELAY_L DELAY_R [SCOPE] | "
                  "reverb preset NAME [SCOPE]",
                  &r.preset, &scopeAt)) {
    return in.Error();
  }
  if (r.preset.empty()) {
    r.dryLeft = in.Int(0, "DRY_L", 0, 100);
    r.dryRight = in.Int(1, "DRY_R", 0, 100);
    r.wetLeft = in.Int(2, "WET_L", 0, 95);
    r.wetRight = in.Int(3, "WET_R", 0, 95);
    r.delayLeft = in.Int(4, "DELAY_L", 0, 2500);
    r.delayRight = in.Int(5, "DELAY_R", 0, 2500);
  }
  r.scope = in.Scope(scopeAt);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(
      ids::ID_EFFECTS_REVERB, [r](CEditorDoc& d) { return FillReverb(d, r); }, r.preset);
  return {};
}

std::string BuildMultiVoice(const Words& args, Action* action) {
  ArgReader in("multi-voice", args);
  MultiVoiceArgs m;
  size_t scopeAt = 0;
  if (!PresetForm(in, args, 7,
                  "multi-voice VOICES INIT_L INIT_R WET_L WET_R DELAY_L DELAY_R [SCOPE] | "
                  "multi-voice preset NAME [SCOPE]",
                  &m.preset, &scopeAt)) {
    return in.Error();
  }
  if (m.preset.empty()) {
    m.voices = in.Int(0, "VOICES", 0, 10);
    m.initialLeft = in.Int(1, "INIT_L", 0, 100);
    m.initialRight = in.Int(2, "INIT_R", 0, 100);
    m.wetLeft = in.Int(3, "WET_L", 0, 100);
    m.wetRight = in.Int(4, "WET_R", 0, 100);
    m.delayLeft = in.Int(5, "DELAY_L", 0, 1000);
    m.delayRight = in.Int(6, "DELAY_R", 0, 1000);
  }
  m.scope = in.Scope(scopeAt);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(
      ids::ID_EFFECTS_MULTI_VOICE, [m](CEditorDoc& d) { return FillMultiVoice(d, m); }, m.preset);
  return {};
}

std::string BuildMixPaste(const Words& args, Action* action) {
  ArgReader in("mix-paste", args);
  if (!in.Count(4, 4, "mix-paste DOC_L DOC_R CLIP_L CLIP_R")) return in.Error();
  MixPasteArgs m;
  m.documentLeft = in.Int(0, "DOC_L", 0, 300);
  m.documentRight = in.Int(1, "DOC_R", 0, 300);
  m.clipboardLeft = in.Int(2, "CLIP_L", 0, 300);
  m.clipboardRight = in.Int(3, "CLIP_R", 0, 300);
  if (!in.Ok()) return in.Error();
  *action = ToolAction(ids::ID_EDIT_PASTE_MIX, [m](CEditorDoc& d) { return FillMixPaste(d, m); });
  return {};
}

std::string BuildChangeQuality(const Words& args, Action* action) {
  ArgReader in("change-quality", args);
  if (!in.Count(3, 3, "change-quality CHANNELS RATE BITS")) return in.Error();
  QualityArgs q;
  q.channels = in.Choice(0, "CHANNELS", {"1", "2"}) == 0 ? 1 : 2;
  q.sampleRate = in.Int(1, "RATE", 1000, 192000);
  q.bitsPerSample = in.Choice(2, "BITS", {"8", "16"}) == 0 ? 8 : 16;
  if (!in.Ok()) return in.Error();
  *action = ToolAction(ids::ID_TOOLS_CHANGE_QUALITY,
                       [q](CEditorDoc& d) { return FillChangeQuality(d, q); });
  return {};
}

// --- save ---

constexpr std::array kMp3BitRates = {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32};
// What the export dialogs' edit boxes hold at most.
constexpr size_t kMaxTagText = 126;

struct SaveOption {
  std::string name;
  std::string value;
};

// The kind of file a save writes, by the target's extension: "MP3", "WMA",
// "FLAC", "OGG", "OPUS", or "" for the kinds without settings.
std::string SaveKind(const std::string& path) {
  switch (WriterForPath(path)) {
    case WRITE_MP3_FILE:
      return "MP3";
    case WRITE_WMA_FILE:
      return "WMA";
    case WRITE_FLAC_FILE:
      return "FLAC";
    case WRITE_OGG_FILE:
      return "OGG";
    case WRITE_OPUS_FILE:
      return "OPUS";
    default:
      return AudioFileKind(path);
  }
}

// Which options a target kind takes; empty for the kinds without settings.
std::vector<std::string_view> OptionsOf(const std::string& kind) {
  if (kind == "MP3") return {"bitrate", "title", "artist", "album", "year", "comment", "genre"};
  if (kind == "WMA") return {"quality", "title", "artist", "album", "year", "genre"};
  // FLAC, Ogg Vorbis and Opus take the MP3 tag fields as Vorbis comments.
  if (kind == "FLAC") return {"flac-level", "title", "artist", "album", "year", "comment", "genre"};
  if (kind == "OGG") return {"ogg-quality", "title", "artist", "album", "year", "comment", "genre"};
  if (kind == "OPUS") {
    return {"opus-bitrate", "title", "artist", "album", "year", "comment", "genre"};
  }
  return {};
}

// A whole number in [low, high]; "" when `option` holds one.
std::string CheckRange(const SaveOption& option, int64_t low, int64_t high) {
  int64_t value = 0;
  if (ParseInt(option.value, low, high, &value)) return {};
  return option.name + " must be a whole number from " + std::to_string(low) + " to " +
         std::to_string(high) + ", not \"" + option.value + "\"";
}

// Checks one option's value whatever the target; "" when it is valid.
std::string CheckOptionValue(const SaveOption& option) {
  if (option.name == "bitrate") {
    int64_t rate = 0;
    if (!ParseInt(option.value, 0, 1000, &rate) ||
        std::find(kMp3BitRates.begin(), kMp3BitRates.end(), rate) == kMp3BitRates.end()) {
      return "bitrate must be one of 320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, "
             "32, not \"" +
             option.value + "\"";
    }
  } else if (option.name == "quality") {
    int64_t quality = 0;
    if (!ParseInt(option.value, 0, 3, &quality)) {
      return "quality must be a whole number from 0 to 3, not \"" + option.value + "\"";
    }
  } else if (option.name == "flac-level") {
    return CheckRange(option, kFlacLevelMin, kFlacLevelMax);
  } else if (option.name == "ogg-quality") {
    return CheckRange(option, kOggQualityMin, kOggQualityMax);
  } else if (option.name == "opus-bitrate") {
    return CheckRange(option, kOpusKbpsMin, kOpusKbpsMax);
  } else if (option.name == "genre") {
    int64_t number = 0;
    if (!ParseInt(option.value, 0, kGenreCount - 1, &number) && GenreNumber(option.value) < 0) {
      return "genre must be a genre number from 0 to 147 or a genre name, not \"" + option.value +
             "\"";
    }
  } else if (option.name != "title" && option.name != "artist" && option.name != "album" &&
             option.name != "year" && option.name != "comment") {
    return "unknown option \"" + option.name + "\"";
  }
  return {};
}

// "" when every option applies to files of `kind`.
std::string CheckOptionsFit(const std::vector<SaveOption>& options, const std::string& kind) {
  const std::vector<std::string_view> allowed = OptionsOf(kind);
  for (const SaveOption& option : options) {
    if (std::find(allowed.begin(), allowed.end(), option.name) == allowed.end()) {
      return "option " + option.name + " does not apply to " + kind + " files";
    }
  }
  return {};
}

int GenreOf(const std::string& value) {
  int64_t number = 0;
  if (ParseInt(value, 0, kGenreCount - 1, &number)) return static_cast<int>(number);
  return GenreNumber(value);
}

// Fills the export dialog's fields as the user would before pressing OK.
void ApplyExportOptions(CEditorDoc& doc, const std::string& kind,
                        const std::vector<SaveOption>& options) {
  for (const SaveOption& option : options) {
    const std::string text = option.value.substr(0, kMaxTagText);
    if (kind == "MP3" || kind == "FLAC" || kind == "OGG" || kind == "OPUS") {
      Mp3ExportSettings& mp3 = doc.mp3Export;
      XiphExportSettings& xiph = doc.xiphExport;
      if (option.name == "flac-level") xiph.flacLevel = std::stoi(option.value);
      if (option.name == "ogg-quality") xiph.oggQuality = std::stoi(option.value);
      if (option.name == "opus-bitrate") xiph.opusKbps = std::stoi(option.value);
      if (option.name == "bitrate") mp3.bitRate = std::stoi(option.value);
      if (option.name == "title") mp3.title = text;
      if (option.name == "artist") mp3.artist = text;
      if (option.name == "album") mp3.album = text;
      if (option.name == "year") mp3.year = text;
      if (option.name == "comment") mp3.comment = text;
      if (option.name == "genre") mp3.genre = GenreOf(option.value);
    } else if (kind == "WMA") {
      WmaExportSettings& wma = doc.wmaExport;
      if (option.name == "quality") wma.quality = std::stoi(option.value);
      if (option.name == "title") wma.title = text;
      if (option.name == "artist") wma.author = text;
      if (option.name == "album") wma.album = text;
      if (option.name == "year") wma.year = text;
      if (option.name == "genre") wma.genre = std::string(GenreName(GenreOf(option.value)));
    }
  }
}

// The writer follows the target's extension; a name without one is not
// guessed at.
constexpr const char* kNoFileType =
    "the file name needs an extension that names its type (.wav, .flac, .ogg, .opus, .mp3, .wma "
    "or .pcm)";

std::string BuildSave(const Words& args, Action* action) {
  ArgReader in("save", args);
  // An odd number of words starts with the path; the rest are pairs.
  const bool hasPath = args.size() % 2 == 1;
  const std::string path = hasPath ? args[0] : std::string();
  std::vector<SaveOption> options;
  for (size_t i = hasPath ? 1 : 0; i + 1 < args.size(); i += 2) {
    options.push_back({args[i], args[i + 1]});
    if (const std::string error = CheckOptionValue(options.back()); !error.empty()) {
      in.Fail(error);
      return in.Error();
    }
  }
  if (hasPath && path.empty()) {
    in.Fail("PATH is empty");
    return in.Error();
  }
  if (hasPath && FileExtension(path).empty()) {
    in.Fail(kNoFileType);
    return in.Error();
  }
  if (hasPath && WriterForPath(path) != OpCode{}) {
    if (const std::string error = CheckOptionsFit(options, SaveKind(path)); !error.empty()) {
      in.Fail(error);
      return in.Error();
    }
  }
  *action = [path, options](Session& s) {
    CEditorDoc* doc = s.Active();
    if (doc == nullptr) return s.Refuse("Sorry, no file is open to save.");
    const std::string target = path.empty() ? doc->Path() : path;
    if (target.empty()) {
      return s.Refuse("Sorry, this file has no name yet; save it with a path.");
    }
    if (const std::string refusal = UnsavableExtensionMessage(target); !refusal.empty()) {
      return s.Refuse(refusal.c_str());
    }
    const OpCode writer = WriterForPath(target);
    if (writer == OpCode{}) return s.UsageError(std::string("save: ") + kNoFileType);
    const std::string kind = SaveKind(target);
    if (const std::string error = CheckOptionsFit(options, kind); !error.empty()) {
      return s.UsageError("save: " + error);
    }
    ApplyExportOptions(*doc, kind, options);
    const SaveResult saved = SaveDocumentAs(*doc, target);
    return s.OperationOutcome(*doc, saved.runResult);
  };
  return {};
}

// Lists what editors and batch runs that died left behind, or takes one of
// those documents over as the active document.
std::string BuildRecover(const Words& args, Action* action) {
  ArgReader in("recover", args);
  if (!in.Count(1, 2, "recover --list | recover N [PATH]")) return in.Error();
  if (args[0] == "--list") {
    if (!in.Count(1, 1, "recover --list")) return in.Error();
    *action = [](Session& s) {
      std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(s.App());
      const std::string line = RecoveryRowsJson(candidates) + "\n";
      if (std::fputs(line.c_str(), stdout) == EOF || std::fflush(stdout) != 0) {
        PrintDiagnostic("recover: cannot write to standard output");
        return Outcome::Failed;
      }
      return Outcome::Done;
    };
    return {};
  }
  const size_t number = static_cast<size_t>(in.Int(0, "N", 1, 1000000));
  const std::string path = args.size() > 1 ? args[1] : std::string();
  if (in.Ok() && args.size() > 1 && WriterForPath(path) == OpCode{}) in.Fail(kNoFileType);
  if (!in.Ok()) return in.Error();
  *action = [number, path](Session& s) {
    std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(s.App());
    const std::vector<RecoveryRow> rows = RecoveryRows(candidates);
    if (number > rows.size())
      return s.Refuse("Sorry, there is no document to recover by that number.");
    RecoveryReport report;
    std::unique_ptr<CEditorDoc> doc =
        RecoverDocument(s.App(), candidates, rows[number - 1], &report);
    if (const std::string text = report.Text(); !text.empty()) {
      platform::ShowMessage(text);
    }
    if (doc == nullptr) return Outcome::Failed;
    // The script names where the recovered audio goes; a plain save then
    // writes there.
    if (!path.empty()) doc->SetPath(path);
    s.Adopt(std::move(doc));
    return Outcome::Done;
  };
  return {};
}

std::string BuildInfo(const Words& args, Action* action) {
  ArgReader in("info", args);
  if (!in.Count(0, 0, "info")) return in.Error();
  *action = [](Session& s) {
    CEditorDoc* doc = s.Active();
    if (doc == nullptr) return s.Refuse("Sorry, no file is open to show information about.");
    const std::string line = DocumentInfoJson(*doc, *s.App().Clip()) + "\n";
    if (std::fputs(line.c_str(), stdout) == EOF || std::fflush(stdout) != 0) {
      PrintDiagnostic("info: cannot write to standard output");
      return Outcome::Failed;
    }
    return Outcome::Done;
  };
  return {};
}

// Writes the working slot's peak data to `target` through a finished file
// in the run folder, so the target never holds a partial copy.
Outcome ExportPeaks(Session& s, const std::string& target) {
  CEditorDoc* doc = s.Active();
  if (doc == nullptr) return s.Refuse("Sorry, no file is open to export peaks from.");
  if (!doc->EnsureWorkingCopy()) return Outcome::Failed;
  std::string temporary;
  if (platform::ReserveNumberedFile(s.App().RunFolder(), "peaks", ".pek", &temporary) !=
      platform::ReserveStatus::Done) {
    platform::ShowMessageF("Failed to create write file: %s", temporary.c_str());
    return Outcome::Failed;
  }
  bool written = true;
  {
    platform::UniqueFd out(::open(temporary.c_str(), O_WRONLY | O_CLOEXEC));  // reserved empty
    written = out.Valid();
    if (written && doc->work.peakLength != 0) {
      platform::UniqueFd in(::open(doc->work.peakPath.c_str(), O_RDONLY | O_CLOEXEC));
      written = in.Valid() &&
                platform::CopyFileRangeFully(in.Get(), 0, out.Get(), 0, doc->work.peakLength);
    }
    if (written && ::fsync(out.Get()) != 0) written = false;
  }
  if (written && platform::ReplaceFile(temporary, target) == platform::ReplaceStatus::Done) {
    return Outcome::Done;
  }
  ::unlink(temporary.c_str());
  platform::ShowMessageF("Failed to write peak data to %s", target.c_str());
  return Outcome::Failed;
}

std::string BuildExportPeaks(const Words& args, Action* action) {
  ArgReader in("export-peaks", args);
  if (!in.Count(1, 1, "export-peaks PATH")) return in.Error();
  if (args[0].empty()) {
    in.Fail("PATH is empty");
    return in.Error();
  }
  *action = [path = args[0]](Session& s) { return ExportPeaks(s, path); };
  return {};
}

// Plays the selection (or from its start to the end) once, through the
// default or configured output device, and returns when it has finished.
// An interrupt stops the playback as the Stop button would.
Outcome PlayActive(Session& s) {
  const CommandDecision decision = DecideCommand(ids::ID_PLAY, ContextFor(s.App()));
  if (decision.kind == CommandDecision::Refuse) return s.Refuse(decision.message.c_str());
  CEditorDoc* doc = s.Active();
  if (doc == nullptr) return s.NotAvailable();
  // The editor starts nothing, silently, from inside the file's last ring of
  // buffers; here the run has to say why nothing was played.
  if (!PlayStartAllowed(*doc)) {
    PrintDiagnostic(s.Command() +
                    ": the selection starts too near the end of the file to be played");
    return Outcome::Failed;
  }
  std::atomic<bool> finished{false};
  std::thread watcher([&] {
    while (!finished.load()) {
      if (InterruptRequested()) {
        if (AudioEngine* engine = TheAudioEngine()) engine->RequestStop();
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  const OpResult result = PlaySelectionAndWait(*doc);
  finished.store(true);
  watcher.join();
  return result == OP_DONE ? Outcome::Done : Outcome::Failed;
}

std::string BuildPlay(const Words& args, Action* action) {
  ArgReader in("play", args);
  if (!in.Count(0, 0, "play")) return in.Error();
  *action = PlayActive;
  return {};
}

// The longest recording the Recording Audio dialog can show.
constexpr double kMaxRecordSeconds = 99 * 60;

std::string BuildRecord(const Words& args, Action* action) {
  ArgReader in("record", args);
  if (!in.Count(1, 1, "record SECONDS")) return in.Error();
  double seconds = 0;
  const char* end = args[0].data() + args[0].size();
  const auto [ptr, ec] = std::from_chars(args[0].data(), end, seconds);
  if (ec != std::errc() || ptr != end || !(seconds > 0) || seconds > kMaxRecordSeconds) {
    in.Fail("SECONDS must be a number above 0 and at most 5940, not \"" + args[0] + "\"");
    return in.Error();
  }
  *action = [seconds](Session& s) {
    CEditorDoc* doc = s.Active();
    // The editor would ask for a new file here; a script opens or makes one.
    if (doc == nullptr) return s.Refuse("Sorry, no file is open to record into.");
    return RecordForSeconds(*doc, seconds) == OP_DONE ? Outcome::Done : Outcome::Failed;
  };
  return {};
}

// ---------------------------------------------------------------------------
// The table

struct CommandSpec {
  std::string_view name;
  std::string_view synopsis;
  std::string_view summary;
  std::function<std::string(const Words&, Action*)> build;
};

auto Edit(std::string_view name, int id) {
  return
      [name, id](const Words& args, Action* action) { return BuildEdit(name, id, args, action); };
}

auto Boxes(std::string_view name) {
  return
      [name](const Words& args, Action* action) { return BuildChannelBoxes(name, args, action); };
}

const std::vector<CommandSpec>& Commands() {
  static const std::vector<CommandSpec> commands = {
      {"open", "open PATH [damaged refuse|open-part]",
       "open an audio file (WAV, MP3, WMA, FLAC, Ogg, Opus, AAC, AIFF, CAF, ...) or raw PCM; it "
       "becomes the active document. A file damaged part-way is refused unless \"damaged "
       "open-part\" opens the part before the damage",
       BuildOpen},
      {"pcm-format", "pcm-format CHANNELS BITS RATE",
       "format of raw PCM files opened later (start: 2 16 44100)", BuildPcmFormat},
      {"new", "new CHANNELS RATE BITS", "new empty document of that format", BuildNew},
      {"activate", "activate N", "make the N-th open document (in opening order) active",
       BuildActivate},
      {"close", "close", "close the active document", BuildClose},
      {"select", "select START END | all | none",
       "selection in bytes or times (1.5s, 250ms), rounded down to whole frames", BuildSelect},
      {"view", "view START END | all", "visible range, as zoom and scroll set it", BuildView},
      {"copy", "copy", "Edit > Copy", Edit("copy", ids::ID_EDIT_COPY)},
      {"cut", "cut", "Edit > Cut", Edit("cut", ids::ID_EDIT_CUT)},
      {"delete", "delete", "Edit > Delete", Edit("delete", ids::ID_EDIT_DELETE)},
      {"paste-insert", "paste-insert", "Edit > Paste Insert",
       Edit("paste-insert", ids::ID_EDIT_PASTE_INSERT)},
      {"paste-over", "paste-over", "Edit > Paste Over",
       Edit("paste-over", ids::ID_EDIT_PASTE_OVER)},
      {"undo", "undo", "Edit > Undo", Edit("undo", ids::ID_EDIT_UNDO)},
      {"redo", "redo", "Edit > Redo", Edit("redo", ids::ID_EDIT_REDO)},
      {"volume", "volume LEFT RIGHT [SCOPE]", "Adjust Volume Levels, percent 0-300", BuildVolume},
      {"fade", "fade START_LEFT START_RIGHT END_LEFT END_RIGHT [SCOPE]",
       "Fade In/Out, percent 0-300", BuildFade},
      {"mute", "mute left|right|both|none [SCOPE]", "Mute Audio", Boxes("mute")},
      {"reverse", "reverse left|right|both|none [SCOPE]", "Reverse Audio", Boxes("reverse")},
      {"swap", "swap [SCOPE]", "Swap Left/Right Channels", BuildSwap},
      {"copy-channel", "copy-channel left|right [SCOPE]",
       "Copy Channel (left: Copy Left Channel to Right)", BuildCopyChannel},
      {"echo", "echo INIT_L INIT_R ADD_L ADD_R DELAY_L DELAY_R [SCOPE] | echo preset NAME [SCOPE]",
       "Echo Effect", BuildEcho},
      {"reverb",
       "reverb DRY_L DRY_R WET_L WET_R DELAY_L DELAY_R [SCOPE] | reverb preset NAME [SCOPE]",
       "Reverb Effect", BuildReverb},
      {"multi-voice",
       "multi-voice VOICES INIT_L INIT_R WET_L WET_R DELAY_L DELAY_R [SCOPE] | "
       "multi-voice preset NAME [SCOPE]",
       "Multi Voice", BuildMultiVoice},
      {"mix-paste", "mix-paste DOC_L DOC_R CLIP_L CLIP_R", "Paste Mix Clipboard, percent 0-300",
       BuildMixPaste},
      {"change-quality", "change-quality CHANNELS RATE BITS",
       "Change Audio Quality (rate 1000-192000 Hz)", BuildChangeQuality},
      {"save", "save [PATH] [OPTION VALUE]...",
       "Save, or Save As PATH; the writer follows the extension (.wav, .flac, .ogg, .opus, .mp3, "
       ".wma, .pcm). MP3 options: bitrate, title, artist, album, year, comment, genre (number or "
       "name); FLAC: flac-level (0-8, 5), Ogg Vorbis: ogg-quality (0-10, 5), Opus: opus-bitrate "
       "(64-256 kbit/s, 128), each with the MP3 tag options; WMA options: quality (0-3), title, "
       "artist, album, year, genre",
       BuildSave},
      {"play", "play",
       "play the selection, or from the selection start to the end, once; returns when it has "
       "finished (output device from editor.cfg, -1 the default)",
       BuildPlay},
      {"record", "record SECONDS",
       "record SECONDS (a number, at most 5940) from the input device into the active document at "
       "the selection start, as Record then Stop",
       BuildRecord},
      {"info", "info", "one line of JSON about the active document on standard output", BuildInfo},
      {"recover", "recover --list | recover N [PATH]",
       "list as JSON the documents that editors or batch runs which ended unexpectedly left "
       "behind, or recover document N as the active document (PATH: where a plain save writes)",
       BuildRecover},
      {"export-peaks", "export-peaks PATH", "write the active document's peak data to PATH",
       BuildExportPeaks},
  };
  return commands;
}

}  // namespace

// ---------------------------------------------------------------------------
// Session

Session::Session(CEditorApp& app, PresetDocumentDialogs& dialogs) : app_(app), dialogs_(dialogs) {}

Session::~Session() {
  while (!documents_.empty()) {
    active_ = documents_.size() - 1;
    CloseActive();
  }
}

CEditorDoc* Session::Active() const {
  return documents_.empty() ? nullptr : documents_[active_].get();
}

void Session::MakeActive(size_t index) {
  active_ = index;
  app_.SetActiveDocument(documents_.empty() ? nullptr : documents_[active_].get());
}

Outcome Session::Open(const std::string& path) {
  auto doc = std::make_unique<CEditorDoc>(app_);
  if (!doc->OnOpenDocument(path)) {
    doc.reset();
    MakeActive(active_);  // the failed document took the active place for a moment
    return Outcome::Failed;
  }
  documents_.push_back(std::move(doc));
  MakeActive(documents_.size() - 1);
  return Outcome::Done;
}

Outcome Session::New(const AudioFormat& format) {
  dialogs_.newFileFormat = format;
  dialogs_.acceptNewFile = true;
  auto doc = std::make_unique<CEditorDoc>(app_);
  if (!doc->OnNewDocument()) {
    doc.reset();
    MakeActive(active_);
    return Outcome::Failed;
  }
  documents_.push_back(std::move(doc));
  MakeActive(documents_.size() - 1);
  return Outcome::Done;
}

void Session::Adopt(std::unique_ptr<CEditorDoc> doc) {
  documents_.push_back(std::move(doc));
  MakeActive(documents_.size() - 1);
}

bool Session::Activate(size_t number) {
  if (number == 0 || number > documents_.size()) return false;
  MakeActive(number - 1);
  return true;
}

void Session::CloseActive() {
  if (documents_.empty()) return;
  documents_[active_]->OnCloseDocument();
  documents_.erase(documents_.begin() + static_cast<std::ptrdiff_t>(active_));
  // The most recently opened of the remaining documents takes over.
  MakeActive(documents_.empty() ? 0 : documents_.size() - 1);
}

Outcome Session::RunOperation(CEditorDoc& doc, OpCode code) {
  return OperationOutcome(doc, doc.DocRunOperation(code));
}

Outcome Session::OperationOutcome(CEditorDoc& doc, OpResult runResult) {
  if (runResult == OP_CANCELLED) return Outcome::Failed;
  const OpResult result = doc.LastResult();
  if (result == OP_PENDING) return NotAvailable();
  // Every failure has been reported by the operation or the runner.
  return result == OP_DONE ? Outcome::Done : Outcome::Failed;
}

Outcome Session::Refuse(const char* message) {
  platform::ShowMessage(message);
  return Outcome::Refused;
}

Outcome Session::UsageError(const std::string& text) {
  PrintDiagnostic(line_ != nullptr ? line_->Where() + ": " + text : text);
  return Outcome::Usage;
}

std::string Session::Command() const {
  return line_ != nullptr && !line_->words.empty() ? line_->words[0] : "";
}

Outcome Session::NotAvailable() {
  const std::string where = line_ != nullptr ? line_->Where() + ": " : "";
  PrintDiagnostic(where + Command() + ": not available yet");
  return Outcome::Failed;
}

// ---------------------------------------------------------------------------

void PrintDiagnostic(const std::string& text) {
  // Through the message sink, so the progress bar makes room for it.
  platform::ShowMessage("vellmore-batch: " + text);
}

std::string BuildAction(const std::vector<std::string>& words, Action* action) {
  if (words.empty()) return "empty command";
  const Words args(words.begin() + 1, words.end());
  for (const CommandSpec& command : Commands()) {
    if (command.name == words[0]) return command.build(args, action);
  }
  return "unknown command \"" + words[0] + "\" (vellmore-batch --help lists the commands)";
}

std::string HelpText() {
  std::string text =
      "Usage: vellmore-batch [--home DIR] [-e COMMAND]... [SCRIPT | -]\n"
      "\n"
      "Runs the editor's commands without a window: each -e gives one command,\n"
      "SCRIPT holds one command per line (- reads standard input). Words are split\n"
      "as a shell splits them; # starts a comment. The -e commands run first, then\n"
      "the script; the run stops at the first command that does not succeed.\n"
      "\n"
      "  --home DIR   folder of editor.cfg and the preset files (default: VELLMORE_HOME,\n"
      "               else $XDG_CONFIG_HOME/vellmore, normally ~/.config/vellmore)\n"
      "  -e COMMAND   run COMMAND\n"
      "  --help       show this text\n"
      "  --version    show the version\n"
      "\n"
      "Commands (one document is active at a time; the clipboard is shared):\n";
  for (const CommandSpec& command : Commands()) {
    text += "  " + std::string(command.synopsis) + "\n      " + std::string(command.summary) + "\n";
  }
  text +=
      "SCOPE is entire or selection; without it a tool applies to the selection when\n"
      "there is one, else to the entire file.\n"
      "\n"
      "Exit status: 0 all commands ran; 1 an operation failed or was cancelled, or a\n"
      "file could not be opened; 2 usage error (the message names the line); 3 a\n"
      "command was refused by its precondition.\n";
  return text;
}
