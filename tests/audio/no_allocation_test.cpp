// The device threads must not allocate while audio runs: an allocation can
// wait on a lock held elsewhere and make the device miss its deadline. This
// program counts every operator new per thread to prove it for the steady
// state of playback and recording.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "app/editor_app.h"
#include "audio/audio_engine.h"
#include "audio/batch_audio.h"
#include "engine/op_codes.h"
#include "tests/audio/audio_sandbox.h"
#include "tests/audio/audio_test_support.h"

namespace {
thread_local long allocations = 0;
}  // namespace

void* operator new(size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, size_t) noexcept {
  std::free(p);
}

namespace {

class CountingListener : public TestListener {
 public:
  void PlayPosition(uint32_t position) override {
    TestListener::PlayPosition(position);
    const int n = positions.load();
    if (n == 5) first = allocations;
    if (n == 200) last = allocations;
  }
  bool LevelPanelOpen() override { return true; }
  void SetLevels(int, int) override {}
  void PlayCursor(uint32_t, int) override {}
  long first = -1, last = -1;
};

}  // namespace

TEST(DeviceThread, PlaybackAllocatesNothingOnceRunning) {
  AudioSandbox sandbox;
  TestApp t;
  t.App().Config()->outputDevice = static_cast<int16_t>(AudioSandbox::OutputIndex("discard"));
  AudioEngine engine(t.App());
  engine.SetStopSettleMs(0);
  CountingListener listener;
  engine.SetListener(&listener);
  auto doc = OpenAudio(t, {2, 16, 44100}, Pattern(400000));
  ASSERT_EQ(PlaySelectionAndWait(engine, *doc), OP_DONE);
  ASSERT_GE(listener.positions.load(), 200);
  EXPECT_EQ(listener.last - listener.first, 0) << "allocations on the device thread";
}
