#include "app/command_table.h"

#include <gtest/gtest.h>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "resources/control_ids.h"
#include "tests/support/message_recorder.h"
#include "tests/support/test_app.h"

using namespace ids;

namespace {

// A 16-bit stereo file of 4000 bytes with nothing selected, an empty
// clipboard, no undo or redo steps.
CommandContext OpenStereo() {
  CommandContext c;
  c.hasDocument = true;
  c.dataLength = c.viewLength = 4000;
  c.channels = 2;
  c.bitsPerSample = 16;
  return c;
}

struct Case {
  const char* name;
  int id;
  CommandContext context;
  const char* message;  // refused with this message, or
  int operation;        // runs this operation (0: proceeds without one)
};

CommandContext With(std::function<void(CommandContext&)> change) {
  CommandContext c = OpenStereo();
  change(c);
  return c;
}

const CommandContext kNone{};
const CommandContext kOpen = OpenStereo();
const CommandContext kSelected = With([](CommandContext& c) { c.selEnd = 400; });
const CommandContext kClip = With([](CommandContext& c) { c.clipLength = 8; });
const CommandContext kMono = With([](CommandContext& c) { c.channels = 1; });

}  // namespace

TEST(CommandTable, EveryCommandsPreconditionsInOrder) {
  const Case cases[] = {
      {"undo, no file", ID_EDIT_UNDO, kNone, "Sorry, no file is open to undo last operation.", 0},
      {"undo, empty", ID_EDIT_UNDO, kOpen, "Sorry, undo buffer is empty.", 0},
      {"undo", ID_EDIT_UNDO, With([](CommandContext& c) { c.undoCount = 1; }), nullptr,
       ToInt(OP_UNDO)},
      {"redo, no file", ID_EDIT_REDO, kNone, "Sorry, no file is open to apply redo operation.", 0},
      {"redo, empty", ID_EDIT_REDO, kOpen, "Sorry, nothing to redo.", 0},
      {"redo", ID_EDIT_REDO, With([](CommandContext& c) { c.redoCount = 2; }), nullptr,
       ToInt(OP_REDO)},
      // Without a file the selection is not even looked at.
      {"cut, no file", ID_EDIT_CUT, kNone, "Sorry, no file is open to cut audio from.", 0},
      {"cut, no selection", ID_EDIT_CUT, kOpen, "Sorry, no audio has been selected to cut.", 0},
      {"cut", ID_EDIT_CUT, kSelected, nullptr, ToInt(OP_CUT)},
      {"copy, no file", ID_EDIT_COPY, kNone, "Sorry, no file is open to copy audio from.", 0},
      {"copy, no selection", ID_EDIT_COPY, kOpen, "Sorry, no audio has been selected to copy.", 0},
      {"copy", ID_EDIT_COPY, kSelected, nullptr, ToInt(OP_COPY)},
      {"paste, no file", ID_EDIT_PASTE_INSERT, kNone, "Sorry, no file is open to paste audio to.",
       0},
      {"paste, empty clipboard", ID_EDIT_PASTE_INSERT, kOpen,
       "Clipboard is empty.  Nothing to paste.", 0},
      {"paste", ID_EDIT_PASTE_INSERT, kClip, nullptr, ToInt(OP_PASTE_INSERT)},
      {"paste over, no file", ID_EDIT_PASTE_OVER, kNone,
       "Sorry, no file is open to paste audio to.", 0},
      {"paste over, empty clipboard", ID_EDIT_PASTE_OVER, kOpen,
       "Clipboard is empty.  Nothing to paste.", 0},
      {"paste over", ID_EDIT_PASTE_OVER, kClip, nullptr, ToInt(OP_PASTE_OVER)},
      {"paste over at the very end inserts", ID_EDIT_PASTE_OVER,
       With([](CommandContext& c) { c.clipLength = 8, c.selStart = c.selEnd = 4000; }), nullptr,
       ToInt(OP_PASTE_INSERT)},
      {"paste over an empty file overwrites", ID_EDIT_PASTE_OVER,
       With([](CommandContext& c) { c.clipLength = 8, c.dataLength = 0; }), nullptr,
       ToInt(OP_PASTE_OVER)},
      {"mix paste, no file", ID_EDIT_PASTE_MIX, kNone,
       "Sorry, no file is open to mix paste clipboard to.", 0},
      {"mix paste, empty clipboard", ID_EDIT_PASTE_MIX, kOpen,
       "Clipboard is empty.  Nothing to paste.", 0},
      {"mix paste", ID_EDIT_PASTE_MIX, kClip, nullptr, ToInt(OP_MIX_PASTE)},
      {"delete, no file", ID_EDIT_DELETE, kNone, "Sorry, no file is open to delete.", 0},
      {"delete, no selection", ID_EDIT_DELETE, kOpen,
       "Sorry, no audio has been selected to delete.", 0},
      {"delete", ID_EDIT_DELETE, kSelected, nullptr, ToInt(OP_DELETE)},
      {"delete, 8-bit mono at 64 bytes", ID_EDIT_DELETE,
       With([](CommandContext& c) { c.channels = 1, c.bitsPerSample = 8, c.viewLength = 64; }),
       nullptr, ToInt(OP_DELETE)},
      {"delete, 8-bit mono at 65 bytes", ID_EDIT_DELETE,
       With([](CommandContext& c) { c.channels = 1, c.bitsPerSample = 8, c.viewLength = 65; }),
       "Sorry, no audio has been selected to delete.", 0},
      {"delete, 16-bit mono at 64 bytes", ID_EDIT_DELETE,
       With([](CommandContext& c) { c.channels = 1, c.viewLength = 64; }),
       "Sorry, no audio has been selected to delete.", 0},
      {"volume, no file", ID_TOOLS_VOLUME, kNone, "Sorry, no file is open to adjust volume on.", 0},
      {"volume", ID_TOOLS_VOLUME, kMono, nullptr, ToInt(OP_VOLUME)},
      {"fade, no file", ID_TOOLS_FADE, kNone, "Sorry, no file is open to fade volume on.", 0},
      {"fade, mono", ID_TOOLS_FADE, kMono, nullptr, ToInt(OP_FADE)},
      {"mute, no file", ID_TOOLS_MUTE, kNone, "Sorry, no file is open to mute volume on.", 0},
      {"mute, mono", ID_TOOLS_MUTE, kMono, nullptr, ToInt(OP_MUTE)},
      {"reverse, no file", ID_TOOLS_REVERSE, kNone, "Sorry, no file is open to reverse audio.", 0},
      {"reverse, mono", ID_TOOLS_REVERSE, kMono, nullptr, ToInt(OP_REVERSE)},
      {"swap, no file", ID_TOOLS_SWAP, kNone, "Sorry, no file is open to swap channels.", 0},
      {"swap, mono", ID_TOOLS_SWAP, kMono, "Sorry, file must be stereo to swap channels.", 0},
      {"swap", ID_TOOLS_SWAP, kOpen, nullptr, ToInt(OP_SWAP)},
      {"copy channel, no file", ID_TOOLS_COPY_CHANNEL, kNone,
       "Sorry, no file is open to copy channels.", 0},
      {"copy channel, mono", ID_TOOLS_COPY_CHANNEL, kMono,
       "Sorry, file must be stereo to copy a channel.", 0},
      {"copy channel", ID_TOOLS_COPY_CHANNEL, kOpen, nullptr, ToInt(OP_COPY_CHANNEL)},
      {"change quality, no file", ID_TOOLS_CHANGE_QUALITY, kNone,
       "Sorry, no file is open to adjust volume on.", 0},
      {"change quality", ID_TOOLS_CHANGE_QUALITY, kOpen, nullptr, ToInt(OP_CHANGE_QUALITY)},
      {"echo, no file", ID_EFFECTS_ECHO, kNone, "Sorry, no file is open to perform echo effect on.",
       0},
      {"echo", ID_EFFECTS_ECHO, kMono, nullptr, ToInt(OP_ECHO)},
      {"reverb, no file", ID_EFFECTS_REVERB, kNone,
       "Sorry, no file is open to perform reverb effect on.", 0},
      {"reverb", ID_EFFECTS_REVERB, kOpen, nullptr, ToInt(OP_REVERB)},
      {"multi voice, no file", ID_EFFECTS_MULTI_VOICE, kNone,
       "Sorry, no file is open to perform multi voice effect on.", 0},
      {"multi voice", ID_EFFECTS_MULTI_VOICE, kOpen, nullptr, ToInt(OP_MULTI_VOICE)},
      {"play, no file", ID_PLAY, kNone, "Please select audio to play.", 0},
      {"play", ID_PLAY, kOpen, nullptr, 0},
      {"play looped, no file", ID_PLAY_LOOPED, kNone, "Please select audio to play.", 0},
      {"rewind, no file", ID_REWIND, kNone, "Sorry, no file is open to rewind.", 0},
      {"forward, no file: the rewind message", ID_FORWARD, kNone,
       "Sorry, no file is open to rewind.", 0},
      {"forward", ID_FORWARD, kOpen, nullptr, 0},
      {"select all, no file", ID_EDIT_SELECT_ALL, kNone,
       "Sorry, no file is open to select audio in.", 0},
      {"select all", ID_EDIT_SELECT_ALL, kOpen, nullptr, 0},
  };
  for (const Case& c : cases) {
    // A command is offered exactly when it would not be refused.
    EXPECT_EQ(CommandEnabled(c.id, PLAY_IDLE, c.context), c.message == nullptr) << c.name;
    const CommandDecision d = DecideCommand(c.id, c.context);
    if (c.message != nullptr) {
      EXPECT_EQ(d.kind, CommandDecision::Refuse) << c.name;
      EXPECT_EQ(d.message, c.message) << c.name;
    } else if (c.operation != 0) {
      EXPECT_EQ(d.kind, CommandDecision::RunOperation) << c.name;
      EXPECT_EQ(ToInt(d.operation), c.operation) << c.name;
    } else {
      EXPECT_EQ(d.kind, CommandDecision::Proceed) << c.name;
    }
  }
}

// The texts carry no key hints: the menus print the keys the actions bind.
TEST(CommandTable, EveryMenuCommandHasItsText) {
  const std::pair<int, const char*> texts[] = {
      {ID_FILE_NEW, "&New"},
      {ID_FILE_OPEN, "&Open..."},
      {ID_FILE_SAVE, "&Save"},
      {ID_FILE_SAVE_AS, "Save &As..."},
      {ID_EDIT_PASTE_OVER, "&Paste Over"},
      {ID_EDIT_DELETE, "&Delete"},
      {ID_EDIT_SELECT_ALL, "Select &All"},
      {ID_VIEW_ZOOM_SELECTION, "Zoom to &Selection"},
      {ID_VIEW_FULL, "Show &All"},
      {ID_TOOLS_CHANGE_QUALITY, "C&hange Audio Quality"},
      {ID_APP_ABOUT, "&About Editor..."},
  };
  for (const auto& [id, text] : texts) {
    ASSERT_NE(FindCommand(id), nullptr) << id;
    EXPECT_STREQ(FindCommand(id)->text, text);
  }
}

TEST(CommandTable, WhilePlayingTheUpdateListIsGreyedAndStopStaysEnabled) {
  const int updateList[] = {1019,  32832, 1017,  1018,  1020,  57600, 57601, 57635, 57634,
                            32788, 32789, 32790, 57643, 57644, 32841, 57670, 32839, 32840,
                            32799, 32803, 32802, 32804, 32798, 32805, 32814, 32815, 32806,
                            32807, 32808, 32842, 32793, 32794, 32795, 57602, 32811, 32812,
                            57667, 57664, 32844, 32845, 32846};
  // A document where every command's precondition holds.
  const CommandContext ready = With([](CommandContext& c) {
    c.selEnd = 400, c.clipLength = 8, c.undoCount = 1, c.redoCount = 1;
  });
  for (int id : updateList) {
    EXPECT_TRUE(InUpdateList(id)) << id;
    EXPECT_TRUE(CommandEnabled(id, PLAY_IDLE, ready)) << id;
    EXPECT_FALSE(CommandEnabled(id, PLAY_PLAYING, ready)) << id;
  }
  int listed = 0;
  for (const CommandInfo& info : CommandList()) listed += InUpdateList(info.id) ? 1 : 0;
  EXPECT_EQ(listed, 39);  // all but the two help handlers have menu items
  EXPECT_FALSE(InUpdateList(ID_STOP));
  for (PlayState state : {PLAY_IDLE, PLAY_PLAYING, PLAY_STOP_REQUESTED}) {
    EXPECT_TRUE(CommandEnabled(ID_STOP, state, kNone));
  }
  EXPECT_TRUE(CommandEnabled(ID_APP_EXIT, PLAY_PLAYING, ready));
  // Saving, closing and zooming need a document.
  for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_FILE_CLOSE, ID_VIEW_ZOOM_OUT}) {
    EXPECT_FALSE(CommandEnabled(id, PLAY_IDLE, kNone)) << id;
    EXPECT_TRUE(CommandEnabled(id, PLAY_IDLE, kOpen)) << id;
  }
}

TEST(CommandTable, RunsOnTheActiveDocumentOrShowsOneMessage) {
  TestApp t;
  MessageRecorder messages;
  EXPECT_EQ(RunDocumentCommand(t.App(), ID_EDIT_CUT), 0);
  EXPECT_FALSE(ForwardDocument(t.App()));
  EXPECT_EQ(messages.Messages(),
            (std::vector<std::string>{"Sorry, no file is open to cut audio from.",
                                      "Sorry, no file is open to rewind."}));

  const std::string path = t.FilePath("a.wav");
  WriteFileBytes(path, MakeWav({2, 16, 8000}, std::string(4000, '\x10')));
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(path));
  messages.Clear();
  t.progress.codes.clear();
  doc.SetSelection(400, 800);
  EXPECT_EQ(RunDocumentCommand(t.App(), ID_TOOLS_MUTE), ToInt(OP_MUTE));
  EXPECT_EQ(RunDocumentCommand(t.App(), ID_EDIT_PASTE_INSERT), 0);
  EXPECT_EQ(t.progress.codes, std::vector<OpCode>{OP_MUTE});
  EXPECT_EQ(messages.Messages().back(), "Clipboard is empty.  Nothing to paste.");

  // Forward moves play position and selection to the end, without a word.
  messages.Clear();
  EXPECT_TRUE(ForwardDocument(t.App()));
  EXPECT_EQ(doc.Selection().Start(), 4000u);
  EXPECT_EQ(doc.Selection().End(), 4000u);
  EXPECT_EQ(doc.playPosition, 4000u);
  EXPECT_TRUE(RewindDocument(t.App()));
  EXPECT_EQ(doc.Selection().End(), 0u);
  EXPECT_TRUE(SelectAllDocument(t.App()));
  EXPECT_EQ(doc.Selection().Start(), 0u);
  EXPECT_EQ(doc.Selection().End(), 4000u);
  EXPECT_TRUE(messages.Messages().empty());
}

TEST(CommandTable, SaveChoosesTheWriterByTheTargetsKind) {
  EXPECT_EQ(WriterForPath("/x/a.WAV"), WRITE_WAVE_FILE);
  EXPECT_EQ(WriterForPath("a.mp3"), WRITE_MP3_FILE);
  EXPECT_EQ(WriterForPath("a.wma"), WRITE_WMA_FILE);
  EXPECT_EQ(WriterForPath("a.pcm"), WRITE_PCM_FILE);
  EXPECT_EQ(WriterForPath("a.raw"), WRITE_PCM_FILE);
  EXPECT_EQ(WriterForPath("noextension"), OpCode{});
  EXPECT_EQ(WriterForPath("a.FLAC"), WRITE_FLAC_FILE);
  EXPECT_EQ(WriterForPath("a.ogg"), WRITE_OGG_FILE);
  EXPECT_EQ(WriterForPath("a.opus"), WRITE_OPUS_FILE);
  // Any other extension names no writer and is refused with its own words;
  // a name without one is not refused (Save asks for a name instead).
  EXPECT_EQ(WriterForPath("a.xyz"), OpCode{});
  EXPECT_EQ(WriterForPath("a.m4a"), OpCode{});
  EXPECT_EQ(UnsavableExtensionMessage("/d.x/song.XYZ"),
            "Sorry, song.XYZ has an extension the editor cannot save (.XYZ). Use .wav, .flac, "
            ".ogg, .opus, .mp3, .wma or .pcm.");
  EXPECT_EQ(UnsavableExtensionMessage("/d.x/song"), "");
  EXPECT_EQ(UnsavableExtensionMessage("song.opus"), "");
  EXPECT_EQ(FileDialogFilters(kOpenFilter),
            (std::vector<std::string>{
                "All Formats (*.wav *.mp3 *.wma *.flac *.ogg *.oga *.opus *.m4a *.aac *.aif *.aiff "
                "*.aifc *.caf *.pcm)",
                "Wave Files (*.wav)", "MP3 Files (*.mp3)", "Windows Media Files (*.wma)",
                "FLAC Files (*.flac)", "Ogg Vorbis Files (*.ogg *.oga)", "Opus Files (*.opus)",
                "AAC Files (*.m4a *.aac)", "AIFF Files (*.aiff *.aif *.aifc)", "CAF Files (*.caf)",
                "PCM Files (*.pcm)", "All Files (*)"}));
  EXPECT_EQ(FileDialogFilters(kSaveFilter),
            (std::vector<std::string>{"Wave Files (*.wav)", "FLAC Files (*.flac)",
                                      "Ogg Vorbis Files (*.ogg)", "Opus Files (*.opus)",
                                      "MP3 Files (*.mp3)", "Windows Media Files (*.wma)",
                                      "PCM Files (*.pcm *.raw)"}));
}
