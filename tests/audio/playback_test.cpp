#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/editor_app.h"
#include "audio/audio_engine.h"
#include "audio/batch_audio.h"
#include "engine/op_codes.h"
#include "platform/wave_audio.h"
#include "tests/audio/audio_sandbox.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/message_recorder.h"

namespace {

constexpr AudioFormat kCd{2, 16, 44100};
constexpr AudioFormat kPhone{1, 8, 8000};

struct Player {
  explicit Player(AudioSandbox::Devices devices = AudioSandbox::Devices::Normal)
      : sandbox(devices), engine(t.App()) {
    t.App().Config()->outputDevice = -1;
    t.App().Config()->inputDevice = -1;
    engine.SetListener(&listener);
    engine.SetStopSettleMs(0);
  }
  AudioSandbox sandbox;
  TestApp t;
  TestListener listener;
  AudioEngine engine;
};

bool AllBytes(const std::string& bytes, size_t from, size_t to, char value) {
  for (size_t i = from; i < to; ++i) {
    if (bytes[i] != value) return false;
  }
  return true;
}

}  // namespace

TEST(Playback, PlaysSilentRingThenSelectionThenPadding) {
  const struct {
    const char* name;
    AudioFormat format;
    size_t length;
    uint32_t selStart, selEnd;  // selEnd == selStart: to the end
    int ring;
    int bufferSize;
    char silence;
  } cases[] = {
      {"16-bit stereo selection", kCd, 40000, 4000, 9000, 8, 1024, 0},
      {"8-bit mono to the end", kPhone, 1500, 700, 700, 4, 512, '\x80'},
      {"8-bit mono from the last byte", kPhone, 1500, 1499, 1499, 4, 512, '\x80'},
      {"8-bit mono whole file", kPhone, 1500, 0, 1500, 4, 512, '\x80'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Player p;
    MessageRecorder messages;
    const std::string pcm = Pattern(c.length);
    auto doc = OpenAudio(p.t, c.format, pcm);
    doc->SetSelection(c.selStart, c.selEnd);
    ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
    EXPECT_EQ(p.engine.Scheme(),
              (BufferScheme{static_cast<int16_t>(c.ring), static_cast<int16_t>(c.bufferSize)}));

    const std::string played = p.sandbox.Played();
    const size_t ring = static_cast<size_t>(c.ring) * c.bufferSize;
    const size_t end = c.selEnd == c.selStart ? c.length : c.selEnd;
    const std::string selected = pcm.substr(c.selStart, end - c.selStart);
    ASSERT_GE(played.size(), ring + selected.size());
    EXPECT_TRUE(AllBytes(played, 0, ring, c.silence)) << "the first ring is silence";
    EXPECT_EQ(played.substr(ring, selected.size()), selected);
    EXPECT_TRUE(AllBytes(played, ring + selected.size(), played.size(), c.silence))
        << "the last buffer is padded with silence";
    EXPECT_EQ(played.size() % c.bufferSize, 0u);
    // Once the end is reached only the buffers still queued come back.
    EXPECT_LE(played.size(), ring + selected.size() + ring + c.bufferSize);

    EXPECT_EQ(p.engine.PlayState(), PLAY_IDLE);
    EXPECT_EQ(doc->playPosition, doc->Selection().Start());
    const auto cursors = p.listener.Cursors();
    ASSERT_FALSE(cursors.empty());
    EXPECT_EQ(cursors.back().mode, 3);
    EXPECT_EQ(cursors.back().position, doc->Selection().Start());
    EXPECT_EQ(p.listener.forgotten.load(), 1);
    EXPECT_TRUE(messages.Messages().empty());
  }
}

TEST(Playback, LoopRepeatsFromSelectionStartUntilStop) {
  Player p;
  const std::string pcm = Pattern(30000);
  auto doc = OpenAudio(p.t, kCd, pcm);
  doc->SetSelection(6000, 9000);  // 3000 bytes: wraps inside a buffer
  p.listener.onPosition = [&](int count) {
    if (count == 30) p.engine.RequestStop();
  };
  p.t.App().SetActiveDocument(doc.get());
  p.engine.OnPlay(true);
  ASSERT_TRUE(p.engine.Looping());
  p.engine.WaitUntilStopped();

  const std::string played = p.sandbox.Played();
  ASSERT_GT(played.size(), 8192u + 3 * 3000u);
  EXPECT_TRUE(AllBytes(played, 0, 8192, 0));
  const std::string selection = pcm.substr(6000, 3000);
  size_t mismatches = 0;
  for (size_t i = 8192; i < played.size(); ++i) {
    if (played[i] != selection[(i - 8192) % selection.size()]) ++mismatches;
  }
  EXPECT_EQ(mismatches, 0u) << "the loop plays the selection over and over without gaps";
  EXPECT_EQ(played.size() % 1024, 0u) << "every queued buffer was played before the close";
  EXPECT_EQ(p.engine.PlayState(), PLAY_IDLE);
  EXPECT_EQ(doc->playPosition, 6000u);
  EXPECT_EQ(p.listener.Cursors().back().mode, 3);
  EXPECT_GE(p.listener.positions.load(), 30);
}

TEST(Playback, StopDuringSinglePassDrainsTheRing) {
  Player p;
  const std::string pcm = Pattern(400000);
  auto doc = OpenAudio(p.t, kCd, pcm);
  doc->SetSelection(1000, 1000);
  p.listener.onPosition = [&](int count) {
    if (count == 10) p.engine.RequestStop();
  };
  p.t.App().SetActiveDocument(doc.get());
  ASSERT_TRUE(p.engine.Start(false));
  EXPECT_FALSE(p.engine.Start(false)) << "only one playback at a time";
  p.engine.WaitUntilStopped();

  const std::string played = p.sandbox.Played();
  ASSERT_GT(played.size(), 8192u);
  const size_t audio = played.size() - 8192;
  EXPECT_EQ(played.substr(8192), pcm.substr(1000, audio));
  EXPECT_LT(audio, 100000u) << "the stop ended playback early";
  EXPECT_EQ(doc->playPosition, 1000u);
  EXPECT_EQ(p.engine.PlayState(), PLAY_IDLE);
}

TEST(Playback, StartRefusals) {
  Player p;
  MessageRecorder messages;
  // 1 MB of 16-bit audio, selection starting 4000 bytes before the end:
  // within the last ring of 8 x 1024 bytes, so playback does not start.
  auto doc = OpenAudio(p.t, kCd, std::string(1 << 20, '\x11'));
  doc->SetSelection((1 << 20) - 4000, (1 << 20) - 4000);
  p.t.App().SetActiveDocument(doc.get());
  EXPECT_FALSE(p.engine.Start(false));
  p.engine.OnPlay(false);
  EXPECT_EQ(p.engine.PlayState(), PLAY_IDLE);
  EXPECT_TRUE(messages.Messages().empty());
  EXPECT_TRUE(p.listener.Cursors().empty());

  // One byte further from the end than a whole ring starts.
  doc->SetSelection((1 << 20) - 8196, (1 << 20) - 8192);
  EXPECT_TRUE(p.engine.Start(false));
  p.engine.RequestStop();
  p.engine.WaitUntilStopped();

  doc.reset();
  p.engine.OnPlay(false);
  EXPECT_EQ(messages.Messages(), std::vector<std::string>{"Please select audio to play."});
}

TEST(Playback, LevelMeterOnlyWithThePanelOpen) {
  for (const bool open : {false, true}) {
    SCOPED_TRACE(open ? "panel open" : "panel closed");
    Player p;
    p.listener.panelOpen = open;
    // Constant 16384 on both sides: index 49, height 84 + 9.
    std::string pcm;
    for (int i = 0; i < 20000; ++i) pcm += std::string("\x00\x40\x00\x40", 4);
    auto doc = OpenAudio(p.t, kCd, pcm);
    ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
    const auto levels = p.listener.Levels();
    if (!open) {
      EXPECT_TRUE(levels.empty());
      continue;
    }
    // One step in four draws while playing, and the stop clears both bars.
    const int steps = p.listener.positions.load();
    ASSERT_GE(levels.size(), 2u);
    EXPECT_GE(static_cast<int>(levels.size()) - 1, steps / 4 - 1);
    EXPECT_LE(static_cast<int>(levels.size()) - 1, steps / 4 + 1);
    EXPECT_EQ(levels.back(), (std::pair<int, int>{0, 0}));
    EXPECT_EQ(levels.front(), (std::pair<int, int>{93, 93}));
  }
}

TEST(Playback, DeviceFailuresShowTheirMessageAndStayIdle) {
  const struct {
    const char* name;
    AudioSandbox::Devices devices;
    const char* device;  // output device by name; null: index 7, beyond the list
    bool useDefault;
    const char* message;
  } cases[] = {
      {"no device at all", AudioSandbox::Devices::None, nullptr, true,
       "Play Device Setup - No Driver Installed"},
      {"index beyond the list", AudioSandbox::Devices::Normal, nullptr, false,
       "Play Device Setup - Unkown Error Occurred"},
      {"format refused", AudioSandbox::Devices::Normal, "refuses_formats", false,
       "Play Device Setup - Bad Playback Format"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Player p(c.devices);
    auto doc = OpenAudio(p.t, kCd, Pattern(20000));
    int16_t index = 7;
    if (c.useDefault) index = -1;
    if (c.device) index = static_cast<int16_t>(AudioSandbox::OutputIndex(c.device));
    ASSERT_GE(index, -1);
    p.t.App().Config()->outputDevice = index;
    MessageRecorder messages;
    EXPECT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_FAILED);
    EXPECT_EQ(messages.Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(p.engine.PlayState(), PLAY_IDLE);
  }
}

TEST(Playback, ChosenOutputDeviceIsUsed) {
  Player p;
  const int discard = AudioSandbox::OutputIndex("discard");
  ASSERT_GE(discard, 0);
  p.t.App().Config()->outputDevice = static_cast<int16_t>(discard);
  auto doc = OpenAudio(p.t, kCd, Pattern(20000));
  ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
  EXPECT_TRUE(p.sandbox.Played().empty()) << "the default device was not used";
}

// On a desktop PortAudio's first device is raw hardware that the sound
// server holds; index 0 must be the default device, whatever ALSA lists
// first, and a stored index keeps naming the n-th entry of that list.
TEST(Playback, DefaultDeviceIsIndexZeroOfBothLists) {
  Player p(AudioSandbox::Devices::DefaultDefinedLast);
  const std::vector<std::string> outputs = platform::WaveOutDeviceNames();
  ASSERT_GE(outputs.size(), 2u);
  EXPECT_EQ(outputs[0], "default");
  ASSERT_FALSE(platform::WaveInDeviceNames().empty());
  EXPECT_EQ(platform::WaveInDeviceNames()[0], "default");
  // "aaa" is listed once, after the default.
  EXPECT_GE(AudioSandbox::OutputIndex("aaa"), 1);
  EXPECT_EQ(std::count(outputs.begin(), outputs.end(), "default"), 1);

  // The file device writes only once it is opened: "aaa" first.
  auto doc = OpenAudio(p.t, kCd, Pattern(20000));
  p.t.App().Config()->outputDevice = static_cast<int16_t>(AudioSandbox::OutputIndex("aaa"));
  ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
  EXPECT_TRUE(p.sandbox.Played().empty()) << "the n-th entry is the device listed n-th";
  p.t.App().Config()->outputDevice = 0;
  ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
  EXPECT_FALSE(p.sandbox.Played().empty()) << "index 0 plays to the default device";
}

// Latency from Play to the first audible byte: the silent first ring plus
// the device's own buffering. Printed for the record.
TEST(Playback, LatencyIsTheRingPlusTheDevice) {
  Player p;
  auto doc = OpenAudio(p.t, kCd, Pattern(50000));
  ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
  const std::string played = p.sandbox.Played();
  const size_t first = played.find_first_not_of('\0');
  ASSERT_EQ(first, 8192u);
  const double ringMs = 1000.0 * static_cast<double>(first) / kCd.BytesPerSecond();
  const double deviceMs = 1000.0 * p.engine.LastOutputLatency();
  std::printf("latency: ring %.1f ms + device %.1f ms = %.1f ms\n", ringMs, deviceMs,
              ringMs + deviceMs);
  EXPECT_NEAR(ringMs, 46.4, 0.1);
  EXPECT_GT(deviceMs, 0.0);
}

// The device plays as fast as it accepts audio, so the process's CPU time
// for the whole file, against the file's duration, is what the engine and
// the device layer cost per second of real-time playback.
TEST(Playback, LongFileCostsLittleCpu) {
  Player p;
  const int discard = AudioSandbox::OutputIndex("discard");
  ASSERT_GE(discard, 0);
  p.t.App().Config()->outputDevice = static_cast<int16_t>(discard);
  constexpr int kSeconds = 120;
  auto doc = OpenAudio(p.t, kCd,
                       std::string(static_cast<size_t>(kCd.BytesPerSecond()) * kSeconds, '\x05'));
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(PlaySelectionAndWait(p.engine, *doc), OP_DONE);
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  getrusage(RUSAGE_SELF, &after);
  auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
  const double cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) -
                     seconds(before.ru_stime);
  const double percent = 100.0 * cpu / kSeconds;
  std::printf(
      "playback of %d s: %.3f s CPU (%.2f%% of one core in real time), %.3f s wall, "
      "max RSS %ld KiB\n",
      kSeconds, cpu, percent, wall, after.ru_maxrss);
  EXPECT_LT(percent, 5.0);
  // Every buffer went through the ring: one step per buffer.
  EXPECT_GE(p.listener.positions.load(), kSeconds * kCd.BytesPerSecond() / 1024);
}

// A document that is closed or destroyed while it plays waits until the
// output thread has let go of its audio, before the audio is unmapped: the
// engine is idle when the close returns, and plays again at once.
TEST(Playback, ClosingOrDestroyingThePlayingDocumentWaitsForTheDevice) {
  for (const bool destroy : {false, true}) {
    SCOPED_TRACE(destroy ? "destroyed" : "closed");
    Player p;
    auto doc = OpenAudio(p.t, kCd, Pattern(200000));
    doc->SetSelection(4000, 4000);
    p.t.App().SetActiveDocument(doc.get());
    ASSERT_TRUE(p.engine.Start(true));
    // Well into the loop, so the output thread is reading the audio.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (p.listener.positions.load() < 20 && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_GE(p.listener.positions.load(), 20);

    if (destroy) {
      doc.reset();
    } else {
      doc->OnCloseDocument();
    }
    EXPECT_EQ(p.engine.PlayState(), PLAY_IDLE);
    EXPECT_EQ(p.listener.forgotten.load(), 1) << "the stop was finished";
    EXPECT_EQ(p.listener.Cursors().back().mode, kPlayCursorRemove);
    doc.reset();

    auto next = OpenAudio(p.t, kCd, Pattern(20000));
    EXPECT_EQ(PlaySelectionAndWait(p.engine, *next), OP_DONE);
  }
}
