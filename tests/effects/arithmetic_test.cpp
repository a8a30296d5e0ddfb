// The shared sample arithmetic: the percentage rule, saturation, delays in
// bytes, fade gains and the pass counts of the multi-pass effects.
#include <gtest/gtest.h>

#include <vector>

#include "effects/echo.h"
#include "effects/effect_output.h"
#include "effects/gain.h"
#include "effects/volume.h"

TEST(GainScale, TruncatesTheProductWithTheSinglePrecisionHundredth) {
  struct Case {
    int amplitude, percent, expected;
  };
  const Case cases[] = {
      {127, 100, 126},       {-128, 100, -127}, {32767, 100, 32766}, {-32768, 100, -32767},
      {1, 100, 0},           {100, 100, 99},    {1000, 50, 499},     {11000, 300, 32999},
      {20000, 200, 39999},   {72, 300, 215},    {0, 300, 0},         {5000, 0, 0},
      {-32768, 300, -98303}, {50, 50, 24},      {24, 50, 11},        {-1, 300, -2},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GainScale(c.amplitude, c.percent), c.expected) << c.amplitude << " @ " << c.percent;
  }
}

TEST(GainScale, FactorFormEqualsTheProductForEveryAmplitudeAndPercent) {
  // Loops multiply by a precomputed factor; the product is exact either way.
  for (int percent = 0; percent <= 300; percent += 7) {
    for (int amplitude = -32768; amplitude <= 32767; amplitude += 13) {
      const long double exact =
          static_cast<long double>(amplitude) * percent * static_cast<long double>(0.01f);
      ASSERT_EQ(GainScale(amplitude, percent), static_cast<int>(exact))
          << amplitude << " @ " << percent;
    }
  }
}

TEST(ClampSample, LimitsAreAsymmetricallyShortOfTheSampleRange) {
  EXPECT_EQ(ClampSample8(128), 127);
  EXPECT_EQ(ClampSample8(-128), -127);
  EXPECT_EQ(ClampSample8(-127), -127);
  EXPECT_EQ(ClampSample8(5), 5);
  EXPECT_EQ(ClampSample16(32767), 32000);
  EXPECT_EQ(ClampSample16(-32768), -32000);
  EXPECT_EQ(ClampSample16(32000), 32000);
  EXPECT_EQ(ClampSample16(-31999), -31999);
}

TEST(DelayBytes, WholeFramesOfTheSinglePrecisionMillisecond) {
  struct Case {
    int bytesPerSecond, ms, block;
    uint32_t limit, expected;
  };
  const Case cases[] = {
      {176400, 850, 4, 1u << 30, 149940},  // 176400 × 0.85 = 149940 exactly in frames
      {176400, 10, 4, 1u << 30, 1764},
      {176400, 1, 4, 1u << 30, 176},          // 176.4 → 176
      {8000, 1, 4, 1u << 30, 8},              // 8.0000004 → 8
      {1000, 1, 4, 1u << 30, 0},              // 1 byte: less than a frame
      {44100, 3, 2, 1u << 30, 132},           // 132.3 → 132
      {176400, -5, 4, 1u << 30, 0},           // negative delays count as 0
      {176400, 2147483647, 4, 40000, 40000},  // huge delays are cut at the region
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DelayBytes(c.bytesPerSecond, c.ms, c.block, c.limit), c.expected)
        << c.bytesPerSecond << " " << c.ms;
  }
}

TEST(FadeGain, MovesFromStartTowardEndAndReachesItOnlyAtTheEnd) {
  EXPECT_EQ(FadeGain(100, 0, 0, 1000), 100);
  EXPECT_EQ(FadeGain(100, 0, 500, 1000), 50);
  EXPECT_EQ(FadeGain(100, 0, 996, 1000), 0);  // 0.4 truncated
  EXPECT_EQ(FadeGain(100, 0, 990, 1000), 1);
  EXPECT_EQ(FadeGain(0, 100, 0, 1000), 0);
  EXPECT_EQ(FadeGain(0, 100, 996, 1000), 99);  // 100 - 0.4 → 99
  EXPECT_EQ(FadeGain(0, 100, 1000, 1000), 100);
  EXPECT_EQ(FadeGain(70, 70, 123, 1000), 70);
  EXPECT_EQ(FadeGain(300, 100, 3, 4), 150);
}

namespace {

// Levels of the echoes after the dry pass, by the recurrence.
std::vector<int> EchoLevels(int initial, int additional) {
  std::vector<int> levels;
  for (int v = initial; v > 1; v = GainScale(v, 100 - additional)) levels.push_back(v);
  return levels;
}

}  // namespace

TEST(PassCounts, EchoLevelsFallByTheAdditionalRatio) {
  EXPECT_EQ(EchoLevels(50, 50), (std::vector<int>{50, 24, 11, 5, 2}));
  EXPECT_EQ(EchoPassCount(50, 50, 50, 50), 6);
  EXPECT_EQ(EchoPassCount(100, 100, 0, 0), 100);  // each step still loses a point
  EXPECT_EQ(EchoLevels(100, 0).back(), 2);
  EXPECT_EQ(EchoPassCount(1, 1, 50, 50), 1);
  EXPECT_EQ(EchoPassCount(0, 0, 0, 0), 1);
  // Either channel keeps the passes going.
  EXPECT_EQ(EchoPassCount(1, 50, 50, 50), 6);
}

TEST(PassCounts, ReverbReflectionsFallGeometrically) {
  std::vector<int> levels;
  for (int v = 95; v > 1; v = GainScale(v, 95)) levels.push_back(v);
  ASSERT_EQ(levels.size(), 42u);
  EXPECT_EQ(std::vector<int>(levels.begin(), levels.begin() + 7),
            (std::vector<int>{95, 90, 85, 80, 75, 71, 67}));
  EXPECT_EQ(levels.back(), 2);
  EXPECT_EQ(ReverbPassCount(95, 95), 43);
  EXPECT_EQ(ReverbPassCount(1, 0), 1);
}
