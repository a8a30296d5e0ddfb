#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include "app/editor_app.h"
#include "audio/audio_engine.h"
#include "audio/batch_audio.h"
#include "audio/level_meter.h"
#include "engine/op_codes.h"
#include "platform/fault_injection.h"
#include "tests/audio/audio_sandbox.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/message_recorder.h"

namespace {

constexpr AudioFormat kCd{2, 16, 44100};
constexpr AudioFormat kPhone{1, 8, 8000};

// What slot A held when the document was asked to take the recording.
struct HandOver {
  OpCode code{};
  uint32_t pcmLength = 0;
  AudioFormat format;
  long long fileSize = -1;
  std::string content;
};

class HandOverHost : public ScriptedProgress {
 public:
  explicit HandOverHost(CEditorApp& app) : app_(app) {}
  OpResult Run(OpCode code, const Operation& operation) override {
    if (code == OP_HANDLE_RECORD) {
      HandOver seen;
      seen.code = code;
      seen.pcmLength = app_.TempA()->pcmLength;
      seen.format = app_.TempA()->Format();
      struct stat st {};
      if (::stat(app_.TempA()->pcmPath.c_str(), &st) == 0) seen.fileSize = st.st_size;
      seen.content = ReadFileBytes(app_.TempA()->pcmPath);
      handOvers.push_back(seen);
    }
    return ScriptedProgress::Run(code, operation);
  }
  std::vector<HandOver> handOvers;

 private:
  CEditorApp& app_;
};

struct Recorder {
  explicit Recorder(AudioSandbox::Devices devices = AudioSandbox::Devices::Normal)
      : sandbox(devices), engine(t.App()), host(t.App()) {
    t.App().Config()->outputDevice = -1;
    t.App().Config()->inputDevice = -1;
    t.App().SetOperationHost(&host);
    engine.SetListener(&listener);
    engine.SetStopSettleMs(0);
  }
  // The dialog's Stop is pressed once `bytes` have been recorded.
  void StopAfter(int32_t bytes) {
    listener.recordingDialog = [bytes](AudioEngine& engine) {
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (engine.RecordedBytes() < bytes && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    };
  }
  AudioSandbox sandbox;
  TestApp t;
  TestListener listener;
  AudioEngine engine;
  HandOverHost host;
};

}  // namespace

TEST(Recording, HandsOverWholeBuffersInTheDocumentFormat) {
  const struct {
    const char* name;
    AudioFormat format;
    BufferScheme scheme;
  } cases[] = {
      {"44100 Hz 16-bit stereo", kCd, {8, 1024}},
      {"8000 Hz 8-bit mono", kPhone, {4, 512}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r;
    MessageRecorder messages;
    auto doc = OpenAudio(r.t, c.format, Pattern(4000));
    doc->SetSelection(1000, 2000);
    // Half a second's worth, as when Stop is pressed after 0.5 s.
    r.StopAfter(c.format.BytesPerSecond() / 2);
    r.engine.OnRecord();

    EXPECT_EQ(r.engine.Scheme(), c.scheme);
    ASSERT_EQ(r.host.handOvers.size(), 1u);
    const HandOver& h = r.host.handOvers[0];
    EXPECT_GE(h.pcmLength, static_cast<uint32_t>(c.format.BytesPerSecond() / 2));
    EXPECT_EQ(h.pcmLength % c.scheme.size, 0u) << "a partly filled buffer is dropped";
    EXPECT_EQ(h.fileSize, static_cast<long long>(h.pcmLength));
    EXPECT_EQ(h.format, c.format);
    EXPECT_EQ(r.engine.BytesPerSecond(), c.format.BytesPerSecond());
    EXPECT_EQ(r.engine.RecordState(), RECORD_IDLE);
    EXPECT_EQ(r.listener.dialogs.load(), 1);
    EXPECT_EQ(r.listener.greyed_.load(), 1);
    EXPECT_EQ(r.listener.restored_.load(), 1);
    EXPECT_TRUE(messages.Messages().empty());
  }
}

TEST(Recording, RecordingFeedsTheLevelMeter) {
  Recorder r;
  r.listener.panelOpen = true;
  auto doc = OpenAudio(r.t, kCd, Pattern(4000));
  r.StopAfter(64 * 1024);
  r.engine.OnRecord();
  // Each level shown is the meter of one recorded buffer, one buffer in four.
  const std::string recorded = r.host.handOvers.at(0).content;
  std::set<std::pair<int, int>> possible;
  for (size_t at = 0; at + 1024 <= recorded.size(); at += 1024) {
    const auto* data = reinterpret_cast<const uint8_t*>(recorded.data() + at);
    const MeterHeights h = MeterHeightsOf(ScanMeterPeaks(data, 0, 1025, 1024, 16), 16, 2);
    possible.emplace(h.left, h.right);
  }
  const auto levels = r.listener.Levels();
  const size_t buffers = recorded.size() / 1024;
  ASSERT_FALSE(levels.empty());
  EXPECT_GE(levels.size(), buffers / 4);
  EXPECT_LE(levels.size(), buffers / 4 + 1);
  for (const auto& level : levels) EXPECT_TRUE(possible.count(level)) << level.first;
}

TEST(Recording, WithoutADocumentAsksForANewFileFirst) {
  Recorder r;
  MessageRecorder messages;
  int asked = 0;
  r.listener.newDocument = [&] {
    ++asked;
    return false;  // the user cancels the New File dialog
  };
  r.engine.OnRecord();
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_EQ(r.listener.dialogs.load(), 0);
  EXPECT_TRUE(r.host.handOvers.empty());

  std::unique_ptr<CEditorDoc> created;
  r.listener.newDocument = [&] {
    ++asked;
    created = std::make_unique<CEditorDoc>(r.t.App());
    r.t.dialogs.newFileFormat = kPhone;
    return created->OnNewDocument();
  };
  r.StopAfter(2048);
  r.engine.OnRecord();
  EXPECT_EQ(asked, 2);
  ASSERT_EQ(r.host.handOvers.size(), 1u);
  EXPECT_EQ(r.host.handOvers[0].format, kPhone);
  EXPECT_EQ(r.engine.Scheme(), (BufferScheme{4, 512}));
}

TEST(Recording, DeviceFailuresShowTheirMessagesAndHandNothingOver) {
  const struct {
    const char* name;
    AudioSandbox::Devices devices;
    const char* device;
    bool useDefault;
    std::vector<std::string> messages;
  } cases[] = {
      {"no device at all",
       AudioSandbox::Devices::None,
       nullptr,
       true,
       {"Record Device - No Driver Available", "OnRecord: RecordSetup() failed"}},
      {"index beyond the list",
       AudioSandbox::Devices::Normal,
       nullptr,
       false,
       {"Record Device - Invalid Handle", "OnRecord: RecordSetup() failed"}},
      {"format refused",
       AudioSandbox::Devices::Normal,
       "refuses_formats",
       false,
       {"Record Device - Cannot support CD Quality Audio", "OnRecord: RecordSetup() failed"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder r(c.devices);
    auto doc = OpenAudio(r.t, kCd, Pattern(4000));
    int16_t index = 7;
    if (c.useDefault) index = -1;
    if (c.device) index = static_cast<int16_t>(AudioSandbox::InputIndex(c.device));
    ASSERT_GE(index, -1);
    r.t.App().Config()->inputDevice = index;
    MessageRecorder messages;
    r.engine.OnRecord();
    EXPECT_EQ(messages.Messages(), c.messages);
    EXPECT_EQ(r.engine.RecordState(), RECORD_IDLE);
    EXPECT_EQ(r.listener.dialogs.load(), 0);
    EXPECT_TRUE(r.host.handOvers.empty());
  }
}

TEST(Recording, UnwritableSlotFileStopsBeforeTheDevice) {
  Recorder r;
  auto doc = OpenAudio(r.t, kCd, Pattern(4000));
  const std::string path = r.t.App().TempA()->pcmPath;
  r.t.App().TempA()->pcmPath = r.t.FilePath("missing/folder/temp_a.pcm");
  MessageRecorder messages;
  r.engine.OnRecord();
  EXPECT_EQ(messages.Messages(),
            std::vector<std::string>{"OnRecord() - Failed to 'fopen' file for write: " +
                                     r.t.FilePath("missing/folder/temp_a.pcm")});
  EXPECT_EQ(r.listener.dialogs.load(), 0);
  EXPECT_EQ(r.engine.RecordState(), RECORD_BEFORE_FIRST_USE);
  EXPECT_TRUE(r.host.handOvers.empty());
  r.t.App().TempA()->pcmPath = path;
}

TEST(Monitor, FeedsTheMetersAndGivesWayToRecordAndPlay) {
  Recorder r;
  ASSERT_TRUE(r.engine.MonitorStart());
  EXPECT_EQ(r.engine.RecordState(), RECORD_MONITORING);
  EXPECT_EQ(r.engine.Scheme(), (BufferScheme{8, 1024}));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (r.listener.Levels().size() < 3 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(r.listener.Levels().size(), 3u);
  for (const auto& [left, right] : r.listener.Levels()) {
    EXPECT_TRUE(left >= 9 && left <= 109 && right >= 9 && right <= 109);
  }
  EXPECT_FALSE(r.engine.MonitorRefused());

  // Record stops the monitor first.
  auto doc = OpenAudio(r.t, kPhone, Pattern(4000));
  r.StopAfter(1024);
  r.engine.OnRecord();
  EXPECT_EQ(r.listener.monitorOff.load(), 1);
  EXPECT_EQ(r.host.handOvers.size(), 1u);
  EXPECT_EQ(r.engine.RecordState(), RECORD_IDLE);

  // So does Play.
  ASSERT_TRUE(r.engine.MonitorStart());
  r.t.App().SetActiveDocument(doc.get());
  r.engine.OnPlay(false);
  EXPECT_EQ(r.listener.monitorOff.load(), 2);
  EXPECT_NE(r.engine.RecordState(), RECORD_MONITORING);
  r.engine.WaitUntilStopped();
}

TEST(Monitor, NoDeviceShowsMonitorFailed) {
  Recorder r(AudioSandbox::Devices::None);
  MessageRecorder messages;
  EXPECT_FALSE(r.engine.MonitorStart());
  EXPECT_EQ(messages.Messages(),
            (std::vector<std::string>{"Record Device - No Driver Available", "Monitor Failed"}));
  EXPECT_EQ(r.engine.RecordState(), RECORD_IDLE);
}

TEST(Recording, BatchRecordHandsOverToTheDocument) {
  Recorder r;
  auto doc = OpenAudio(r.t, kPhone, Pattern(4000));
  EXPECT_EQ(RecordForSeconds(r.engine, *doc, 0.0), OP_DONE);
  ASSERT_EQ(r.host.handOvers.size(), 1u);
  EXPECT_EQ(r.host.handOvers[0].pcmLength % 512, 0u);
  EXPECT_EQ(r.host.handOvers[0].fileSize, r.host.handOvers[0].pcmLength);
}

// Needs the document's hand-over (OnStop) and undo.
TEST(Recording, InsertedAtSelectionStartAndUndoneAsOnePasteInsert) {
  Recorder r;
  MessageRecorder messages;
  const std::string original = Pattern(40000);
  auto doc = OpenAudio(r.t, kCd, original);
  doc->SetSelection(10000, 12000);
  r.StopAfter(20 * 1024);
  r.engine.OnRecord();
  ASSERT_EQ(r.host.handOvers.size(), 1u);
  const std::string recorded = r.host.handOvers[0].content;
  ASSERT_FALSE(recorded.empty());

  const std::string working(reinterpret_cast<const char*>(doc->work.pcmData), doc->work.pcmLength);
  EXPECT_EQ(working, original.substr(0, 10000) + recorded + original.substr(10000));
  EXPECT_EQ(doc->undoCount, 1);
  int pasteInserts = 0;
  for (const UndoEntry& entry : doc->undo) pasteInserts += entry.operation == OP_PASTE_INSERT;
  EXPECT_EQ(pasteInserts, 1);

  doc->DocRunOperation(OP_UNDO);
  const std::string undone(reinterpret_cast<const char*>(doc->work.pcmData), doc->work.pcmLength);
  EXPECT_EQ(undone, original);
  EXPECT_TRUE(messages.Messages().empty());
}

// A full disk while the take is written: one message, and the take is handed
// over exactly as far as it reached the file (the whole buffers before the
// failed one), so the document gains what was recorded and nothing it does
// not have. No scratch file outlives the hand-over.
TEST(Recording, AWriteThatFailsKeepsWhatWasWrittenAndSaysSoOnce) {
  struct Disarm {
    ~Disarm() { platform::DisarmFaults(); }
  } disarm;
  for (int failing : {2, 4}) {
    SCOPED_TRACE(failing);
    Recorder r;
    const std::string original = Pattern(40000);
    auto doc = OpenAudio(r.t, kCd, original);
    doc->SetSelection(10000, 10000);
    r.StopAfter((failing - 1) * 1024);
    MessageRecorder messages;
    platform::ArmFault(platform::FileCall::Write, failing, ENOSPC);
    r.engine.OnRecord();
    platform::DisarmFaults();
    EXPECT_EQ(messages.Reports(), 1);
    EXPECT_EQ(messages.Messages(),
              std::vector<std::string>{"OnRecord() - Failed to write the recording to " +
                                       r.t.App().TempA()->pcmPath});
    ASSERT_EQ(r.host.handOvers.size(), 1u);
    const HandOver& h = r.host.handOvers[0];
    EXPECT_EQ(h.pcmLength, static_cast<uint32_t>((failing - 1) * 1024));
    EXPECT_EQ(h.fileSize, static_cast<long long>(h.pcmLength));
    const std::string working(reinterpret_cast<const char*>(doc->work.pcmData),
                              doc->work.pcmLength);
    EXPECT_EQ(working, original.substr(0, 10000) + h.content + original.substr(10000));
    EXPECT_EQ(doc->undoCount, 1);
    EXPECT_FALSE(std::filesystem::exists(r.t.App().TempA()->pcmPath));
  }
}

// A document that goes away while it is recorded into ends the recording
// (the input device closes) and is not handed the recording afterwards.
TEST(Recording, DocumentDestroyedWhileRecordingEndsTheRecording) {
  Recorder r;
  MessageRecorder messages;
  auto doc = OpenAudio(r.t, kCd, Pattern(4000));
  r.listener.recordingDialog = [&](AudioEngine& engine) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (engine.RecordedBytes() < 16 * 1024 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    doc.reset();
    EXPECT_EQ(engine.RecordState(), RECORD_IDLE);
  };
  r.engine.OnRecord();
  EXPECT_EQ(doc, nullptr);
  EXPECT_TRUE(r.host.handOvers.empty());
  EXPECT_EQ(r.engine.RecordState(), RECORD_IDLE);
  EXPECT_EQ(r.listener.restored_.load(), 1);
  EXPECT_TRUE(messages.Messages().empty());
}
