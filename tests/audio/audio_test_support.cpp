#include "tests/audio/audio_test_support.h"

#include <gtest/gtest.h>

std::unique_ptr<CEditorDoc> OpenAudio(TestApp& t, const AudioFormat& format,
                                      const std::string& pcm) {
  static int serial = 0;
  const std::string path = t.FilePath("audio" + std::to_string(++serial) + ".wav");
  WriteFileBytes(path, MakeWav(format, pcm));
  auto doc = std::make_unique<CEditorDoc>(t.App());
  EXPECT_TRUE(doc->OnOpenDocument(path));
  return doc;
}

std::string Pattern(size_t length, int seed) {
  std::string bytes(length, '\0');
  for (size_t i = 0; i < length; ++i) {
    bytes[i] = static_cast<char>(1 + (i * 7 + i / 251 + seed) % 251);
  }
  return bytes;
}

void TestListener::PlayCursor(uint32_t position, int mode) {
  std::lock_guard lock(mutex_);
  cursors_.push_back({position, mode});
}

void TestListener::PlayPosition(uint32_t /*position*/) {
  const int count = ++positions;
  if (onPosition) onPosition(count);
}

void TestListener::SetLevels(int left, int right) {
  std::lock_guard lock(mutex_);
  levels_.emplace_back(left, right);
}

std::vector<TestListener::Cursor> TestListener::Cursors() {
  std::lock_guard lock(mutex_);
  return cursors_;
}

std::vector<std::pair<int, int>> TestListener::Levels() {
  std::lock_guard lock(mutex_);
  return levels_;
}
