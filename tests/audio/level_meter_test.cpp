#include "audio/level_meter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/audio_engine.h"
#include "audio/record_time.h"

namespace {

std::vector<uint8_t> Frames16(const std::vector<std::pair<int16_t, int16_t>>& pairs) {
  std::vector<uint8_t> bytes;
  for (const auto& [a, b] : pairs) {
    for (int16_t v : {a, b}) {
      bytes.push_back(static_cast<uint8_t>(v & 0xFF));
      bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
    }
  }
  return bytes;
}

}  // namespace

TEST(LevelMeter, TableRunsFromZeroToAHundred) {
  EXPECT_EQ(kLevelMeterTable[0], 0);
  EXPECT_EQ(kLevelMeterTable[1], 15);
  EXPECT_EQ(kLevelMeterTable[49], 84);
  EXPECT_EQ(kLevelMeterTable[98], 99);
  EXPECT_EQ(kLevelMeterTable[99], 100);
  for (int i = 1; i < 100; ++i) EXPECT_LE(kLevelMeterTable[i - 1], kLevelMeterTable[i]) << i;
}

TEST(LevelMeter, HeightsForEachLayout) {
  // Each 4-byte step gives one pair of samples: for 16-bit audio the values
  // at offsets 0 and 2, for 8-bit audio the bytes at 0 and 1 (less 128).
  const std::vector<uint8_t> stereo16 = Frames16({{100, -16384}, {-32768, 5}, {16384, 0}});
  const std::vector<uint8_t> eight = {128, 192, 7, 7, 0, 130, 99, 99, 200, 100, 1, 1};
  struct Case {
    const char* name;
    const std::vector<uint8_t>* data;
    int bits, channels;
    MeterHeights expected;
  };
  const Case cases[] = {
      // peak 32768 -> index 99 -> 100 + 9; peak 16384 -> 49 -> 84 + 9
      {"16-bit stereo", &stereo16, 16, 2, {109, 93}},
      // mono: both bars show the larger index
      {"16-bit mono", &stereo16, 16, 1, {109, 109}},
      // left bytes 128, 0, 200 -> peak 128 -> 99; right 192, 130, 100 -> 64 -> 49
      {"8-bit stereo", &eight, 8, 2, {109, 93}},
      {"8-bit mono", &eight, 8, 1, {109, 109}},
  };
  for (const Case& c : cases) {
    const MeterPeaks peaks = ScanMeterPeaks(c.data->data(), 0, c.data->size() + 1,
                                            static_cast<uint32_t>(c.data->size()), c.bits);
    EXPECT_EQ(MeterHeightsOf(peaks, c.bits, c.channels), c.expected) << c.name;
  }
}

TEST(LevelMeter, IndexTruncates) {
  const struct {
    int32_t peak;
    int bits;
    int index;
  } cases[] = {{0, 16, 0},      {330, 16, 0},    {331, 16, 1}, {16384, 16, 49},
               {32767, 16, 98}, {32768, 16, 99}, {1, 8, 0},    {2, 8, 1},
               {64, 8, 49},     {127, 8, 98},    {128, 8, 99}};
  for (const auto& c : cases) {
    EXPECT_EQ(MeterLevelIndex(c.peak, c.bits), c.index) << c.peak << " " << c.bits;
  }
}

TEST(LevelMeter, PlaybackScanStopsBeforeTheEndOfTheAudio) {
  // Steps are taken while start + offset + 4 is below the total length, at
  // most buffer-size bytes from the start.
  const std::vector<uint8_t> audio = Frames16({{0, 0}, {1000, 1000}, {8000, 8000}, {32767, 32767}});
  const MeterPeaks last = ScanMeterPeaks(audio.data(), 8, 16, 1024, 16);
  EXPECT_EQ(last.left, 8000);  // the step at 12 ends exactly at the end: not taken
  const MeterPeaks limited = ScanMeterPeaks(audio.data(), 0, 100, 8, 16);
  EXPECT_EQ(limited.left, 1000);  // two steps of one 8-byte buffer
  EXPECT_EQ(ScanMeterPeaks(audio.data(), 12, 16, 1024, 16).left, 0);
}

TEST(LevelMeter, MonitorReadsEveryEightBitStereoFrame) {
  std::vector<uint8_t> buffer(1024, 128);
  EXPECT_EQ(MonitorMeterHeights(buffer.data(), 1024), (MeterHeights{9, 9}));
  buffer[1022] = 192;  // left of the last frame: 64 -> index 49
  buffer[3] = 0;       // right: 128 -> index 99
  EXPECT_EQ(MonitorMeterHeights(buffer.data(), 1024), (MeterHeights{93, 109}));
}

TEST(BufferScheme, FollowsRateAndResolution) {
  const struct {
    int32_t rate;
    int16_t bits;
    BufferScheme scheme;
  } cases[] = {{44100, 16, {8, 1024}},
               {8000, 8, {4, 512}},
               {12000, 8, {4, 512}},
               {12001, 8, {8, 1024}},
               {8000, 16, {8, 1024}}};
  for (const auto& c : cases) EXPECT_EQ(BufferSchemeFor(c.rate, c.bits), c.scheme) << c.rate;
}

TEST(RecordTime, TextOfTheRecordedBytes) {
  const struct {
    int64_t bytes;
    int32_t perSecond;
    const char* text;
  } cases[] = {
      {0, 176400, "00:00.000"},
      {926100, 176400, "00:05.250"},
      {176400 * 61 + 88200, 176400, "01:01.500"},
      {8000 * 599, 8000, "09:59.000"},
      {8000LL * 6000, 8000, "100:00.000"},  // 100 minutes still show as they are
      {8000LL * 6061, 8000, "99:01.000"},   // above 100 minutes the field shows 99
      {1024, 0, "00:00.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(RecordTimeText(c.bytes, c.perSecond), c.text) << c.bytes;
}

TEST(RecordTime, MinutesNeverRunAheadOfSeconds) {
  // 59.9999996 s: the factor just above 1/60 would make it one minute and
  // -1 seconds.
  EXPECT_EQ(RecordTimeText(599999996, 10000000), "00:59.999");
}

TEST(RecordTime, AnimationCyclesThroughThreeFrames) {
  EXPECT_EQ(RecordAnimationFrame(0), 235);
  EXPECT_EQ(RecordAnimationFrame(1), 236);
  EXPECT_EQ(RecordAnimationFrame(2), 237);
  EXPECT_EQ(RecordAnimationFrame(3), 235);
  EXPECT_EQ(RecordAnimationFrame(4000000000u), 235 + 4000000000u % 3);
}
