#include "tests/edit/writing_operations.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/save_document.h"
#include "batch/tool_settings.h"
#include "effects/document_tools.h"
#include "tests/edit/edit_test_support.h"

namespace {

const AudioFormat kStereo16{2, 16, 44100};

// Runs `code` after `fill` has answered the tool's dialog.
WritingOperation Tool(const char* name, OpCode code,
                      std::function<FillResult(CEditorDoc&)> fill = {}) {
  WritingOperation tool{name, [code, fill](TestApp&, CEditorDoc& doc) {
                          if (fill) {
                            EXPECT_EQ(fill(doc), FillResult::Filled);
                          }
                          return RunOp(doc, code);
                        }};
  // A swap whose peak build is cancelled answers with a failure.
  tool.cancelReportedAsFailure = code == OP_SWAP;
  return tool;
}

WritingOperation Save(const char* extension) {
  const std::string ext = extension;
  WritingOperation save{std::string("save as ") + ext, [ext](TestApp& t, CEditorDoc& doc) {
                          SaveDocumentAs(doc, t.FilePath("target." + ext));
                          return doc.LastResult();
                        }};
  save.prepare = [ext](TestApp& t, CEditorDoc&) {
    WriteFileBytes(t.FilePath("target." + ext), kUsersOldFile);
  };
  save.needsEncoders = ext == "mp3" || ext == "wma";
  return save;
}

}  // namespace

std::unique_ptr<CEditorDoc> DocumentWithHistory(TestApp& t) {
  t.App().installTools = InstallDocumentTools;
  const std::string path = t.FilePath("document.wav");
  WriteFileBytes(path, MakeWav(kStereo16, RandomAudio(kStereo16, 6000, 8)));
  auto doc = std::make_unique<CEditorDoc>(t.App());
  EXPECT_TRUE(doc->OnOpenDocument(path));
  doc->SetSelection(4000, 16000);
  EXPECT_EQ(RunOp(*doc, OP_COPY), OP_DONE);
  doc->SetSelection(100, 4000);
  EXPECT_EQ(RunOp(*doc, OP_CUT), OP_DONE);
  doc->SetSelection(100, 6000);
  EXPECT_EQ(RunOp(*doc, OP_DELETE), OP_DONE);
  EXPECT_EQ(RunOp(*doc, OP_UNDO), OP_DONE);
  doc->SetSelection(800, 12000);
  return doc;
}

std::vector<WritingOperation> WritingOperations() {
  std::vector<WritingOperation> operations = {
      Tool("copy", OP_COPY),
      Tool("cut", OP_CUT),
      Tool("delete", OP_DELETE),
      Tool("paste insert", OP_PASTE_INSERT),
      Tool("paste over", OP_PASTE_OVER),
      Tool("undo", OP_UNDO),
      Tool("redo", OP_REDO),
      Tool("mix paste", OP_MIX_PASTE, [](CEditorDoc& d) { return FillMixPaste(d, {}); }),
      Tool("volume", OP_VOLUME,
           [](CEditorDoc& d) {
             return FillVolume(d, {150, 50});
           }),
      Tool("fade", OP_FADE, [](CEditorDoc& d) { return FillFade(d, {}); }),
      Tool("mute", OP_MUTE,
           [](CEditorDoc& d) {
             return FillMute(d, {true, false});
           }),
      Tool("reverse", OP_REVERSE, [](CEditorDoc& d) { return FillReverse(d, {}); }),
      Tool("swap", OP_SWAP, [](CEditorDoc& d) { return FillSwap(d, {}); }),
      Tool("copy channel", OP_COPY_CHANNEL, [](CEditorDoc& d) { return FillCopyChannel(d, {}); }),
      Tool("echo", OP_ECHO,
           [](CEditorDoc& d) {
             return FillEcho(d, {"", 100, 80, 50, 40, 20, 30});
           }),
      Tool("reverb", OP_REVERB,
           [](CEditorDoc& d) {
             return FillReverb(d, {"", 80, 70, 40, 30, 15, 25});
           }),
      Tool("multi voice", OP_MULTI_VOICE,
           [](CEditorDoc& d) {
             return FillMultiVoice(d, {"", 3, 100, 90, 50, 40, 10, 20});
           }),
      Tool("change quality", OP_CHANGE_QUALITY,
           [](CEditorDoc& d) {
             return FillChangeQuality(d, {1, 22050, 8});
           }),
      Save("wav"),
      Save("pcm"),
      Save("mp3"),
      Save("wma"),
  };

  WritingOperation handOver{"recording hand-over",
                            [](TestApp&, CEditorDoc& doc) { return RunOp(doc, OP_HANDLE_RECORD); }};
  // The recording engine leaves a finished take in scratch slot A.
  handOver.prepare = [](TestApp&, CEditorDoc& doc) {
    const std::string take = RandomAudio(doc.Format(), 3000, 12);
    TempAudioFile* a = doc.tempA;
    a->SetFormat(doc.Format());
    a->pcmLength = static_cast<uint32_t>(take.size());
    ASSERT_EQ(DocMemMapFile(a, PCM_PART, MAP_WRITE), OP_DONE);
    std::copy(take.begin(), take.end(), a->pcmData);
    CloseMemMapFile(a, PCM_PART);
  };
  handOver.cancellable = false;
  operations.push_back(handOver);

  // Opening writes the working copy and its peaks; a WMA file is decoded by
  // the decoder library into it.
  auto open = [](const std::string& name) {
    return WritingOperation{name == "opened.wav" ? "open" : "open " + name,
                            [name](TestApp& t, CEditorDoc&) {
                              CEditorDoc opened(t.App());
                              if (opened.OnOpenDocument(t.FilePath(name))) return OP_DONE;
                              return opened.LastResult() == OP_CANCELLED ? OP_CANCELLED : OP_FAILED;
                            }};
  };
  WritingOperation openWav = open("opened.wav");
  openWav.prepare = [](TestApp& t, CEditorDoc&) {
    WriteFileBytes(t.FilePath("opened.wav"), MakeWav(kStereo16, RandomAudio(kStereo16, 9000, 4)));
  };
  operations.push_back(openWav);
  WritingOperation openWma = open("opened.wma");
  openWma.prepare = [](TestApp& t, CEditorDoc&) {
    ASSERT_TRUE(
        RunCommand("ffmpeg -v error -y -f lavfi -i sine=f=440:d=0.5 -ac 2 -ar 22050 "
                   "-c:a wmav2 '" +
                   t.FilePath("opened.wma") + "'"));
  };
  openWma.needsEncoders = true;  // the WMA libraries and ffmpeg
  openWma.cancellable = false;   // covered by the import's own cancel tests
  operations.push_back(openWma);
  WritingOperation openMp3 = open("opened.mp3");
  openMp3.prepare = [](TestApp& t, CEditorDoc&) {
    ASSERT_TRUE(
        RunCommand("ffmpeg -v error -y -f lavfi -i sine=f=440:d=0.5 -ac 2 -ar 44100 "
                   "-c:a libmp3lame '" +
                   t.FilePath("opened.mp3") + "'"));
  };
  openMp3.needsEncoders = true;  // ffmpeg's MP3 encoder, as with the others
  openMp3.cancellable = false;
  operations.push_back(openMp3);
  WritingOperation openFlac = open("opened.flac");
  openFlac.prepare = [](TestApp& t, CEditorDoc&) {
    ASSERT_TRUE(RunCommand("ffmpeg -v error -y -f lavfi -i sine=f=440:d=0.5 -ac 2 -ar 48000 '" +
                           t.FilePath("opened.flac") + "'"));
  };
  openFlac.needsEncoders = true;  // the import library and ffmpeg
  openFlac.cancellable = false;
  operations.push_back(openFlac);
  return operations;
}
