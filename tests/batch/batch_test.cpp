// End-to-end tests of vellmore-batch: the built program runs on real files
// in a scratch folder, and the tests look at its exit status, its stderr
// lines, its `info` JSON and the files it writes.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/config.h"
#include "engine/editor_doc.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_app.h"

namespace fs = std::filesystem;

namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;

  // stderr split into lines, without the newlines.
  std::vector<std::string> ErrLines() const {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < err.size()) {
      size_t end = err.find('\n', start);
      if (end == std::string::npos) end = err.size();
      lines.push_back(err.substr(start, end - start));
      start = end + 1;
    }
    return lines;
  }
};

std::string Pattern(size_t length, int seed = 0) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<char>(i * 31 + seed + (i >> 9));
  return bytes;
}

// A home folder with an editor.cfg whose temp folder lies inside the
// scratch folder, so that the tool's run folder can be watched.
class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* bin = std::getenv("VELLMORE_TEST_BIN");
    ASSERT_NE(bin, nullptr) << "VELLMORE_TEST_BIN names the folder of vellmore-batch";
    program_ = std::string(bin) + "/vellmore-batch";
    ASSERT_TRUE(fs::exists(program_)) << program_;
    home_ = dir_ / "home";
    temp_ = dir_ / "tmp";
    fs::create_directory(home_);
    fs::create_directory(temp_);
    ConfigRecord record{};
    record.SetTempFolder(temp_.string());
    ASSERT_TRUE(WriteConfigFile((home_ / "editor.cfg").string(), record));
    config_ = ReadFileBytes(home_ / "editor.cfg");
  }

  void TearDown() override {
    if (HasFailure()) return;
    // Whatever happened, the tool leaves no run folder and no changed
    // configuration behind.
    EXPECT_TRUE(fs::is_empty(temp_)) << "run folder left in " << temp_;
    EXPECT_EQ(ReadFileBytes(home_ / "editor.cfg"), config_);
  }

  // Runs the tool with `args` after "--home HOME"; `input` becomes stdin.
  RunResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    const fs::path in = dir_ / "stdin.txt", out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    WriteFileBytes(in, input);
    std::vector<std::string> words = {program_, "--home", home_.string()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int fds[3] = {::open(in.c_str(), O_RDONLY),
                          ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                          ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
      for (int i = 0; i < 3; ++i) ::dup2(fds[i], i);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    RunResult result;
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadFileBytes(out);
    result.err = ReadFileBytes(err);
    return result;
  }

  // -e for every command.
  RunResult RunCommands(const std::vector<std::string>& commands) {
    std::vector<std::string> args;
    for (const std::string& command : commands) {
      args.push_back("-e");
      args.push_back(command);
    }
    return Run(args);
  }

  std::string File(const std::string& name) const { return (dir_ / name).string(); }

  // A 16-bit stereo WAV of `bytes` PCM bytes at 44100 Hz.
  std::string MakeStereoWav(const std::string& name, size_t bytes) {
    pcm_ = Pattern(bytes);
    WriteFileBytes(File(name), MakeWav({2, 16, 44100}, pcm_));
    return File(name);
  }

  TempDir dir_;
  fs::path home_, temp_;
  std::string program_;
  std::string config_;
  std::string pcm_;
};

// The value of `key` in a flat part of the info line (numbers and strings).
std::string JsonField(const std::string& json, const std::string& key) {
  const std::string marker = "\"" + key + "\":";
  const size_t at = json.find(marker);
  if (at == std::string::npos) return "<missing " + key + ">";
  const size_t start = at + marker.size();
  size_t end = start;
  if (json[start] == '"') {
    end = json.find('"', start + 1) + 1;
  } else {
    while (end < json.size() && json[end] != ',' && json[end] != '}') ++end;
  }
  return json.substr(start, end - start);
}

}  // namespace

TEST_F(BatchTest, WavAndPcmRoundTripsAreByteExact) {
  const std::string wav = MakeStereoWav("in.wav", 40000);
  const RunResult r = RunCommands({"open " + wav, "save " + File("out.wav"),
                                   "save " + File("out.pcm"), "save " + File("again.wav")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFileBytes(File("out.wav")), ReadFileBytes(wav));
  EXPECT_EQ(ReadFileBytes(File("out.pcm")), pcm_);
  EXPECT_EQ(ReadFileBytes(File("again.wav")), ReadFileBytes(wav));

  // Raw PCM in the format pcm-format gives, back to PCM and to WAV.
  const std::string mono8 = Pattern(12345, 7);
  WriteFileBytes(File("in.raw"), mono8);
  const RunResult p = RunCommands({"pcm-format 1 8 8000", "open " + File("in.raw"),
                                   "save " + File("raw.pcm"), "save " + File("raw.wav"), "info"});
  ASSERT_EQ(p.status, 0) << p.err;
  EXPECT_EQ(ReadFileBytes(File("raw.pcm")), mono8);
  EXPECT_EQ(ReadFileBytes(File("raw.wav")), MakeWav({1, 8, 8000}, mono8));
  EXPECT_EQ(JsonField(p.out, "channels"), "1");
  EXPECT_EQ(JsonField(p.out, "bitsPerSample"), "8");
  EXPECT_EQ(JsonField(p.out, "sampleRate"), "8000");
  EXPECT_EQ(JsonField(p.out, "path"), "\"" + File("raw.wav") + "\"");
}

TEST_F(BatchTest, SaveWithoutPathRewritesTheOpenedFile) {
  const std::string wav = MakeStereoWav("in.wav", 4000);
  const std::string before = ReadFileBytes(wav);
  const RunResult r = RunCommands({"open " + wav, "save"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(wav), before);
}

TEST_F(BatchTest, NewDocumentSavesAnEmptyFileOfItsFormat) {
  const RunResult r = RunCommands({"new 1 22050 8", "info", "save " + File("empty.wav")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(File("empty.wav")), MakeWav({1, 8, 22050}, ""));
  EXPECT_EQ(r.out,
            "{\"path\":\"\",\"channels\":1,\"bitsPerSample\":8,\"sampleRate\":22050,"
            "\"dataLength\":0,\"peakLength\":0,\"selStart\":0,\"selEnd\":0,\"peakSelStart\":0,"
            "\"peakSelEnd\":0,\"viewStart\":0,\"viewEnd\":0,\"hasAudio\":false,\"undoCount\":0,"
            "\"redoCount\":0,\"clipboard\":{\"pcmLength\":0,\"channels\":0,\"bitsPerSample\":0,"
            "\"sampleRate\":0},\"mp3\":{\"bitrate\":128,\"title\":\"\",\"artist\":\"\","
            "\"album\":\"\",\"year\":\"\",\"comment\":\"\",\"genre\":255},\"wma\":{\"quality\":2,"
            "\"title\":\"\",\"artist\":\"\",\"album\":\"\",\"year\":\"\",\"genre\":\"\"}}\n");
}

TEST_F(BatchTest, SelectAndViewSetPositionsAsTheViewWould) {
  // 16-bit stereo, 4 bytes a frame, 176400 bytes a second; 44100 frames
  // give (44100 - 1) / 32 = 1378 peak entries of 4 bytes.
  const std::string wav = MakeStereoWav("in.wav", 176400);
  struct Case {
    const char* select;
    const char* selStart;
    const char* selEnd;
    const char* peakSelStart;
    const char* peakSelEnd;
  };
  const Case cases[] = {
      {"select 1003 2001", "1000", "2000", "28", "60"},  // rounded down to frames
      {"select 2001 1003", "1000", "2000", "28", "60"},  // either order, as a drag
      {"select 250ms 0.5s", "44100", "88200", "1376", "2756"},
      {"select 0 99s", "0", "176400", "0", "5512"},  // kept within the file
      {"select all", "0", "176400", "0", "5512"},
  };
  for (const Case& c : cases) {
    const RunResult r = RunCommands({"open " + wav, c.select, "info"});
    ASSERT_EQ(r.status, 0) << c.select << ": " << r.err;
    EXPECT_EQ(JsonField(r.out, "selStart"), c.selStart) << c.select;
    EXPECT_EQ(JsonField(r.out, "selEnd"), c.selEnd) << c.select;
    EXPECT_EQ(JsonField(r.out, "peakSelStart"), c.peakSelStart) << c.select;
    EXPECT_EQ(JsonField(r.out, "peakSelEnd"), c.peakSelEnd) << c.select;
    EXPECT_EQ(JsonField(r.out, "dataLength"), "176400");
    EXPECT_EQ(JsonField(r.out, "peakLength"), "5512");
    EXPECT_EQ(JsonField(r.out, "hasAudio"), "true");
  }

  const RunResult none =
      RunCommands({"open " + wav, "select 1s 0.5s", "select none", "view 4 1s", "info"});
  ASSERT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(JsonField(none.out, "selStart"), "88200");
  EXPECT_EQ(JsonField(none.out, "selEnd"), "88200");
  EXPECT_EQ(JsonField(none.out, "viewStart"), "4");
  EXPECT_EQ(JsonField(none.out, "viewEnd"), "176400");
}

TEST_F(BatchTest, ExportPeaksWritesTheWorkingPeakFile) {
  const std::string wav = MakeStereoWav("in.wav", 100000);
  const RunResult r = RunCommands({"open " + wav, "export-peaks " + File("peaks.pek")});
  ASSERT_EQ(r.status, 0) << r.err;

  // The same file opened by the engine in this process builds the peak
  // file the tool must have copied.
  TestApp t;
  CEditorDoc doc(t.App());
  ASSERT_TRUE(doc.OnOpenDocument(wav));
  const std::string expected = ReadFileBytes(doc.work.peakPath);
  EXPECT_EQ(expected.size(), doc.peakLength);
  EXPECT_GT(expected.size(), 0u);
  EXPECT_EQ(ReadFileBytes(File("peaks.pek")), expected);
}

// Every way a run ends, with the exact lines on stderr.
TEST_F(BatchTest, ExitStatusesAndTheirMessages) {
  const std::string wav = MakeStereoWav("in.wav", 4000);
  const std::string missing = File("missing.wav");
  struct Case {
    std::vector<std::string> commands;
    int status;
    std::vector<std::string> errLines;
  };
  std::vector<Case> cases = {
      {{"open " + wav, "info"}, 0, {}},
      {{"open " + missing, "info"}, 1, {"Failed to open document " + missing + "."}},
      {{"cut"}, 3, {"Sorry, no file is open to cut audio from."}},
      {{"open " + wav, "cut"}, 3, {"Sorry, no audio has been selected to cut."}},
      {{"open " + wav, "copy"}, 3, {"Sorry, no audio has been selected to copy."}},
      {{"open " + wav, "delete"}, 3, {"Sorry, no audio has been selected to delete."}},
      {{"open " + wav, "paste-insert"}, 3, {"Clipboard is empty.  Nothing to paste."}},
      {{"open " + wav, "paste-over"}, 3, {"Clipboard is empty.  Nothing to paste."}},
      {{"paste-over"}, 3, {"Sorry, no file is open to paste audio to."}},
      {{"open " + wav, "undo"}, 3, {"Sorry, undo buffer is empty."}},
      {{"open " + wav, "redo"}, 3, {"Sorry, nothing to redo."}},
      {{"undo"}, 3, {"Sorry, no file is open to undo last operation."}},
      {{"volume 100 100"}, 3, {"Sorry, no file is open to adjust volume on."}},
      {{"change-quality 1 8000 8"}, 3, {"Sorry, no file is open to adjust volume on."}},
      {{"echo preset Canyon Echo"},
       2,
       {"vellmore-batch: -e:1: echo: SCOPE must be entire or selection, not \"Echo\""}},
      {{"echo preset 'Canyon Echo'"}, 3, {"Sorry, no file is open to perform echo effect on."}},
      {{"mix-paste 100 100 100 100"}, 3, {"Sorry, no file is open to mix paste clipboard to."}},
      {{"open " + wav, "mix-paste 100 100 100 100"}, 3, {"Clipboard is empty.  Nothing to paste."}},
      {{"new 1 44100 16", "swap"}, 3, {"Sorry, file must be stereo to swap channels."}},
      {{"new 1 44100 16", "copy-channel left"},
       3,
       {"Sorry, file must be stereo to copy a channel."}},
      {{"save"}, 3, {"Sorry, no file is open to save."}},
      {{"new 2 44100 16", "save"}, 3, {"Sorry, this file has no name yet; save it with a path."}},
      {{"open " + wav, "frobnicate"},
       2,
       {"vellmore-batch: -e:2: unknown command \"frobnicate\" (vellmore-batch --help lists the "
        "commands)"}},
      {{"volume 301 100"},
       2,
       {"vellmore-batch: -e:1: volume: LEFT must be a whole number from 0 to 300, not \"301\""}},
      {{"open " + wav, "activate 2"},
       2,
       {"vellmore-batch: -e:2: activate: there is no document 2 "
        "(1 open)"}},
      {{"open " + wav, "save " + File("x.wav") + " bitrate 128"},
       2,
       {"vellmore-batch: -e:2: save: option bitrate does not apply to WAV files"}},
      {{"open " + wav, "save " + File("x.mp3") + " bitrate 100"},
       2,
       {"vellmore-batch: -e:2: save: bitrate must be one of 320, 256, 224, 192, 160, 128, 112, "
        "96, 80, 64, 56, 48, 40, 32, not \"100\""}},
      {{"open \"unterminated"}, 2, {"vellmore-batch: -e:1: unterminated double quote"}},
      {{"open " + wav, "save " + File("x.flac") + " flac-level 9"},
       2,
       {"vellmore-batch: -e:2: save: flac-level must be a whole number from 0 to 8, not \"9\""}},
      {{"open " + wav, "save " + File("x.opus") + " opus-bitrate 32"},
       2,
       {"vellmore-batch: -e:2: save: opus-bitrate must be a whole number from 64 to 256, not "
        "\"32\""}},
      {{"open " + wav, "save " + File("x.ogg") + " bitrate 128"},
       2,
       {"vellmore-batch: -e:2: save: option bitrate does not apply to OGG files"}},
      {{"open " + wav, "save " + File("x.xyz")},
       3,
       {"Sorry, x.xyz has an extension the editor cannot save (.xyz). Use .wav, .flac, .ogg, "
        ".opus, .mp3, .wma or .pcm."}},
  };
  // A save into a folder that does not exist fails in every format, named
  // after the writer that ran.
  const std::pair<const char*, const char*> writers[] = {
      {"wav", "WriteWaveFile"}, {"pcm", "WriteWaveFile"},  {"mp3", "WriteMp3File"},
      {"wma", "WriteWmaFile"},  {"flac", "WriteFlacFile"}, {"ogg", "WriteOggFile"},
      {"opus", "WriteOpusFile"}};
  for (const auto& [extension, routine] : writers) {
    const std::string target = File("missing-folder/x.") + extension;
    cases.push_back({{"open " + wav, "save " + target},
                     1,
                     {std::string(routine) + ": Unable to write to wave file " + target,
                      "OEC: Operation failed"}});
  }
  for (const Case& c : cases) {
    const RunResult r = RunCommands(c.commands);
    EXPECT_EQ(r.status, c.status) << c.commands.back() << ": " << r.err;
    EXPECT_EQ(r.ErrLines(), c.errLines) << c.commands.back();
  }
}

TEST_F(BatchTest, UsageErrorsAreFoundBeforeAnythingRuns) {
  const std::string wav = MakeStereoWav("in.wav", 4000);
  WriteFileBytes(File("script.txt"),
                 "open " + wav + "\nsave " + File("out.wav") + "\n\n# comment\nselect 0\ninfo\n");
  const RunResult r = Run({File("script.txt")});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.ErrLines(),
            std::vector<std::string>{"vellmore-batch: " + File("script.txt") +
                                     ":5: select: wrong arguments; usage: select START END | "
                                     "select all | select none"});
  EXPECT_FALSE(fs::exists(File("out.wav")));
  EXPECT_EQ(r.out, "");
}

TEST_F(BatchTest, RunStopsAtTheFirstCommandThatDoesNotSucceed) {
  const std::string wav = MakeStereoWav("in.wav", 4000);
  const RunResult r = RunCommands({"open " + wav, "info", "cut", "info"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1);
}

TEST_F(BatchTest, ScriptsTakeCommentsQuotesAndStandardInput) {
  fs::create_directory(dir_ / "my folder");
  const std::string wav = (dir_ / "my folder" / "it's here.wav").string();
  WriteFileBytes(wav, MakeWav({1, 16, 11025}, Pattern(2000)));
  const std::string script =
      "# a comment line\n"
      "\n"
      "   open \"" +
      wav +
      "\"   # trailing comment\n"
      "save '" +
      File("a b.wav") +
      "'\n"
      "save " +
      File("c\\ d#e.wav") +
      "\n"
      "info\n";
  WriteFileBytes(File("script.txt"), script);
  const RunResult fromFile = Run({File("script.txt")});
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(ReadFileBytes(File("a b.wav")), ReadFileBytes(wav));
  EXPECT_EQ(ReadFileBytes(File("c d#e.wav")), ReadFileBytes(wav));
  EXPECT_EQ(JsonField(fromFile.out, "path"), "\"" + File("c d#e.wav") + "\"");

  const RunResult fromStdin = Run({"-e", "pcm-format 2 16 48000", "-"}, script);
  ASSERT_EQ(fromStdin.status, 0) << fromStdin.err;
  EXPECT_EQ(fromStdin.out, fromFile.out);

  const RunResult bad = Run({"-"}, "info\n\nfrobnicate now\n");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.ErrLines(),
            std::vector<std::string>{"vellmore-batch: stdin:3: unknown command \"frobnicate\" "
                                     "(vellmore-batch --help lists the commands)"});
}

TEST_F(BatchTest, DocumentsAreActivatedAndClosedInOpeningOrder) {
  const std::string a = MakeStereoWav("a.wav", 4000);
  const std::string b = MakeStereoWav("b.wav", 8000);
  const RunResult r = RunCommands({"open " + a, "open " + b, "info", "activate 1", "info",
                                   "activate 2", "close", "info", "close"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<std::string> paths;
  for (size_t at = 0; (at = r.out.find("\"path\":", at)) != std::string::npos; ++at) {
    paths.push_back(JsonField(r.out.substr(at), "path"));
  }
  EXPECT_EQ(paths, (std::vector<std::string>{"\"" + b + "\"", "\"" + a + "\"", "\"" + a + "\""}));

  const RunResult closed = RunCommands({"open " + a, "close", "info"});
  EXPECT_EQ(closed.status, 3);
  EXPECT_EQ(closed.ErrLines(),
            std::vector<std::string>{"Sorry, no file is open to show information about."});
}

TEST_F(BatchTest, HelpListsEveryCommand) {
  const RunResult r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* command :
       {"open PATH [damaged refuse|open-part]",
        "pcm-format CHANNELS BITS RATE",
        "new CHANNELS RATE BITS",
        "activate N",
        "close",
        "select START END",
        "view START END",
        "copy",
        "cut",
        "delete",
        "paste-insert",
        "paste-over",
        "undo",
        "redo",
        "volume LEFT RIGHT [SCOPE]",
        "fade START_LEFT START_RIGHT END_LEFT END_RIGHT [SCOPE]",
        "mute left|right|both|none [SCOPE]",
        "reverse left|right|both|none [SCOPE]",
        "swap [SCOPE]",
        "copy-channel left|right [SCOPE]",
        "echo INIT_L INIT_R ADD_L ADD_R DELAY_L DELAY_R [SCOPE]",
        "echo preset NAME",
        "reverb DRY_L DRY_R WET_L WET_R DELAY_L DELAY_R [SCOPE]",
        "reverb preset NAME",
        "multi-voice VOICES INIT_L INIT_R WET_L WET_R DELAY_L DELAY_R [SCOPE]",
        "multi-voice preset NAME",
        "mix-paste DOC_L DOC_R CLIP_L CLIP_R",
        "change-quality CHANNELS RATE BITS",
        "save [PATH] [OPTION VALUE]...",
        "info",
        "export-peaks PATH"}) {
    EXPECT_NE(r.out.find(command), std::string::npos) << command;
  }
  const RunResult nothing = Run({});
  EXPECT_EQ(nothing.status, 2);
}

// Every command reaches its operation. Rows whose operation is still being
// built elsewhere are kPending: they answer "not available yet" and exit 1;
// flip a row to kWorks when its operation lands.
TEST_F(BatchTest, CommandsRunTheirOperations) {
  enum Availability { kPending, kWorks };
  struct Row {
    std::vector<std::string> commands;  // after opening a stereo file and selecting
    Availability availability;
  };
  const std::vector<Row> rows = {
      {{"copy"}, kWorks},
      {{"cut"}, kWorks},
      {{"delete"}, kWorks},
      {{"copy", "paste-insert"}, kWorks},
      {{"copy", "paste-over"}, kWorks},
      {{"cut", "undo"}, kWorks},
      {{"cut", "undo", "redo"}, kWorks},
      {{"volume 50 50"}, kWorks},
      {{"fade 100 100 0 0"}, kWorks},
      {{"mute both"}, kWorks},
      {{"reverse left selection"}, kWorks},
      {{"swap entire"}, kWorks},
      {{"copy-channel right"}, kWorks},
      {{"echo 100 100 50 50 10 10"}, kWorks},
      {{"echo preset 'Small Room'"}, kWorks},
      {{"reverb 95 95 65 65 185 185"}, kWorks},
      {{"reverb preset 'Large Cathedral'"}, kWorks},
      {{"multi-voice 2 45 45 60 60 45 45"}, kWorks},
      {{"multi-voice preset 'Simple Chorus I'"}, kWorks},
      {{"copy", "mix-paste 100 100 100 100"}, kWorks},
      {{"change-quality 1 22050 8"}, kWorks},
      {{"save " + File("out.mp3") + " bitrate 192 title T genre Rock"}, kWorks},
      {{"save " + File("out.wma") + " quality 1 genre 17"}, kWorks},
  };
  const std::string wav = MakeStereoWav("in.wav", 40000);
  for (const Row& row : rows) {
    std::vector<std::string> commands = {"open " + wav, "select 4000 8000"};
    commands.insert(commands.end(), row.commands.begin(), row.commands.end());
    const RunResult r = RunCommands(commands);
    const std::string& last = row.commands.back();
    if (row.availability == kPending) {
      EXPECT_EQ(r.status, 1) << last << ": " << r.err;
      EXPECT_NE(r.err.find("not available yet"), std::string::npos) << last << ": " << r.err;
    } else {
      EXPECT_EQ(r.status, 0) << last << ": " << r.err;
      EXPECT_EQ(r.err, "") << last;
    }
  }
}

// The operations act on what the commands set up: the selection, the
// scope, the clipboard and the history.
TEST_F(BatchTest, EditsAndToolsChangeTheAudioAsCommanded) {
  const std::string wav = MakeStereoWav("in.wav", 40000);
  const RunResult edits = RunCommands({"open " + wav, "select 4000 8000", "cut", "info",
                                       "paste-insert", "save " + File("a.wav"), "undo", "undo",
                                       "redo", "info", "undo", "save " + File("b.wav")});
  ASSERT_EQ(edits.status, 0) << edits.err;
  EXPECT_EQ(JsonField(edits.out, "dataLength"), "36000");
  EXPECT_EQ(JsonField(edits.out, "pcmLength"), "4000");
  EXPECT_EQ(ReadFileBytes(File("a.wav")), ReadFileBytes(wav));  // cut + paste back
  EXPECT_EQ(ReadFileBytes(File("b.wav")), ReadFileBytes(wav));  // cut undone again
  const std::string last = edits.out.substr(edits.out.rfind("{\"path\""));
  EXPECT_EQ(JsonField(last, "dataLength"), "36000");  // the cut redone
  EXPECT_EQ(JsonField(last, "redoCount"), "1");

  // Swap on the selection only: the two 16-bit samples of each frame
  // change places there and nowhere else.
  const RunResult swap =
      RunCommands({"open " + wav, "select 4000 8000", "swap", "save " + File("swapped.pcm")});
  ASSERT_EQ(swap.status, 0) << swap.err;
  std::string expected = pcm_;
  for (size_t i = 4000; i < 8000; i += 4) {
    std::swap(expected[i], expected[i + 2]);
    std::swap(expected[i + 1], expected[i + 3]);
  }
  EXPECT_EQ(ReadFileBytes(File("swapped.pcm")), expected);

  // "entire" overrides the selection; 0% is silence.
  const RunResult quiet = RunCommands(
      {"open " + wav, "select 4000 8000", "volume 0 0 entire", "save " + File("quiet.pcm")});
  ASSERT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(ReadFileBytes(File("quiet.pcm")), std::string(40000, '\0'));

  const RunResult quality = RunCommands({"open " + wav, "change-quality 1 22050 8", "info"});
  ASSERT_EQ(quality.status, 0) << quality.err;
  EXPECT_EQ(JsonField(quality.out, "channels"), "1");
  EXPECT_EQ(JsonField(quality.out, "bitsPerSample"), "8");
  EXPECT_EQ(JsonField(quality.out, "sampleRate"), "22050");
  EXPECT_EQ(JsonField(quality.out, "undoCount"), "1");

  const RunResult preset = RunCommands({"open " + wav, "echo preset Nope"});
  EXPECT_EQ(preset.status, 2);
  EXPECT_EQ(
      preset.ErrLines(),
      std::vector<std::string>{"vellmore-batch: -e:2: echo: there is no preset named \"Nope\""});
}

// The save options reach the files: the MP3 tag holds them and comes back
// when the saved file is opened again; the WMA save with its options runs.
TEST_F(BatchTest, ImportedFilesReportTheirSourceAndEveryOfferedRateWorks) {
  if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg needed";
  const std::string flac = File("deep.flac");
  ASSERT_TRUE(
      RunCommand("ffmpeg -v error -f lavfi -i 'aevalsrc=0.5*sin(2*PI*440*t):s=48000:d=0.5:"
                 "c=5.1' -c:a flac -sample_fmt s32 -bits_per_raw_sample 24 '" +
                 flac + "'"));
  const RunResult r = RunCommands({"open " + flac, "info", "save " + File("small.flac")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(JsonField(r.out, "sampleRate"), "48000");
  EXPECT_EQ(JsonField(r.out, "reduced"), "true");
  EXPECT_EQ(JsonField(r.out, "mixedDown"), "true");
  EXPECT_EQ(JsonField(r.out, "format"), "\"FLAC (Free Lossless Audio Codec)\"");
  EXPECT_EQ(r.ErrLines(),
            (std::vector<std::string>{"deep.flac has 6 channels; it is edited as stereo.",
                                      "deep.flac is a 24-bit file; it is edited at 16 bits."}));

  const std::string wav = MakeStereoWav("in.wav", 4000);
  for (const char* rate : {"8000", "11025", "16000", "22050", "32000", "44100", "48000", "96000"}) {
    SCOPED_TRACE(rate);
    const RunResult changed =
        RunCommands({"open " + wav, "change-quality 2 " + std::string(rate) + " 16", "info",
                     "new 1 " + std::string(rate) + " 8"});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(JsonField(changed.out, "sampleRate"), rate);
  }
}

TEST_F(BatchTest, SaveOptionsBecomeTheExportedTags) {
  const std::string wav = MakeStereoWav("in.wav", 40000);
  const RunResult saved =
      RunCommands({"open " + wav, "save " + File("t.mp3") + " title 'My Song' genre synthpop",
                   "save " + File("t.wma") + " quality 3 artist Me genre Jazz"});
  ASSERT_EQ(saved.status, 0) << saved.err;
  const std::string mp3 = ReadFileBytes(File("t.mp3"));
  ASSERT_GT(mp3.size(), 128u);
  EXPECT_EQ(mp3.substr(mp3.size() - 128, 10), "TAGMy Song");
  EXPECT_EQ(static_cast<uint8_t>(mp3.back()), 147);
  const RunResult reopened = RunCommands({"open " + File("t.mp3"), "info"});
  ASSERT_EQ(reopened.status, 0) << reopened.err;
  EXPECT_EQ(JsonField(reopened.out, "genre"), "147");
}

// A file cut off part-way is refused as the editor's No would refuse it,
// unless the script asks for the part before the damage; either way the run
// folder is left empty (TearDown).
TEST_F(BatchTest, DamagedFilesAreRefusedUnlessTheScriptOpensTheReadablePart) {
  const std::string whole = MakeStereoWav("whole.wav", 44100 * 4 * 3);
  std::vector<std::string> cuts;
  WriteFileBytes(File("cut.wav"), ReadFileBytes(whole).substr(0, 44 + 44100 * 4 * 2 + 100));
  cuts.push_back("cut.wav");
  if (HaveTool("ffmpeg") &&
      RunCommand("ffmpeg -v error -y -f lavfi -i 'sine=f=440:d=3:r=44100' -ac 2 -c:a libmp3lame '" +
                 File("whole.mp3") + "'")) {
    const std::string mp3 = ReadFileBytes(File("whole.mp3"));
    WriteFileBytes(File("cut.mp3"), mp3.substr(0, mp3.size() * 3 / 4));
    cuts.push_back("cut.mp3");
  }
  for (const std::string& name : cuts) {
    SCOPED_TRACE(name);
    const std::string cut = File(name);
    const std::string question = name + " is damaged after 0:02. Open the part that could be read?";
    for (const std::string& refuse : {std::string(), std::string(" damaged refuse")}) {
      const RunResult r = RunCommands({"open " + cut + refuse, "info"});
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.ErrLines(),
                (std::vector<std::string>{question, "User cancelled the operation."}));
      EXPECT_TRUE(r.out.empty());
    }
    const RunResult opened =
        RunCommands({"open " + cut + " damaged open-part", "info", "save " + File("part.wav")});
    ASSERT_EQ(opened.status, 0) << opened.err;
    EXPECT_EQ(opened.ErrLines(), std::vector<std::string>{question});
    const std::string length = JsonField(opened.out, "dataLength");
    EXPECT_GE(std::stoul(length), 44100u * 4 * 2);
    EXPECT_LT(std::stoul(length), 44100u * 4 * 3);
    EXPECT_EQ(ReadFileBytes(File("part.wav")).size(), 44 + std::stoul(length));
  }
  const RunResult bad = RunCommands({"open " + File("cut.wav") + " damaged maybe"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.ErrLines(), std::vector<std::string>{"vellmore-batch: -e:1: open: damaged must be "
                                                     "refuse or open-part, not \"maybe\""});
}

// What every kind of file the import routine opens was before it became
// 16-bit mono or stereo.
TEST_F(BatchTest, InfoReportsTheSourceOfEveryImportedFormat) {
  if (!HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg needed";
  struct Case {
    const char* file;
    const char* codec;  // ffmpeg output options
    const char* format;
    const char* bits;
    const char* isFloat;
    const char* channels;
    const char* reduced;
    const char* mixedDown;
  } cases[] = {
      {"a.flac", "-c:a flac", "\"FLAC (Free Lossless Audio Codec)\"", "16", "false", "2", "false",
       "false"},
      {"a.ogg", "-c:a libvorbis", "\"Vorbis\"", "0", "false", "2", "false", "false"},
      {"a.opus", "-c:a libopus", "\"Opus (Opus Interactive Audio Codec)\"", "0", "false", "2",
       "false", "false"},
      {"a.m4a", "-c:a aac", "\"AAC (Advanced Audio Coding)\"", "0", "false", "2", "false", "false"},
      {"alac.m4a", "-c:a alac -sample_fmt s32p", "\"ALAC (Apple Lossless Audio Codec)\"", "24",
       "false", "2", "true", "false"},
      {"a.aiff", "-c:a pcm_s24be", "\"PCM signed 24-bit big-endian\"", "24", "false", "2", "true",
       "false"},
      {"deep.wav", "-c:a pcm_s24le", "\"PCM signed 24-bit little-endian\"", "24", "false", "2",
       "true", "false"},
      {"float.wav", "-c:a pcm_f32le", "\"PCM 32-bit floating point little-endian\"", "32", "true",
       "2", "true", "false"},
      {"surround.wav", "-c:a pcm_s16le -ac 6", "\"PCM signed 16-bit little-endian\"", "16", "false",
       "6", "false", "true"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    ASSERT_TRUE(RunCommand("ffmpeg -v error -y -f lavfi -i 'sine=f=440:d=0.5:r=48000' -ac 2 " +
                           std::string(c.codec) + " '" + File(c.file) + "'"));
    const RunResult r = RunCommands({"open " + File(c.file), "info"});
    ASSERT_EQ(r.status, 0) << r.err;
    const size_t source = r.out.find("\"source\":");
    ASSERT_NE(source, std::string::npos) << r.out;
    const std::string part = r.out.substr(source);
    EXPECT_EQ(JsonField(part, "format"), c.format);
    EXPECT_EQ(JsonField(part, "bitsPerSample"), c.bits);
    EXPECT_EQ(JsonField(part, "float"), c.isFloat);
    EXPECT_EQ(JsonField(part, "channels"), c.channels);
    EXPECT_EQ(JsonField(part, "reduced"), c.reduced);
    EXPECT_EQ(JsonField(part, "mixedDown"), c.mixedDown);
    EXPECT_EQ(JsonField(part, "partial"), "false");
  }
  // The files the editor reads itself keep their line as it was.
  const RunResult wav = RunCommands({"open " + MakeStereoWav("plain.wav", 4000), "info"});
  EXPECT_EQ(wav.out.find("\"source\""), std::string::npos);
}
