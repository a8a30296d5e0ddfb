#include "engine/audio_range.h"

#include <gtest/gtest.h>

TEST(PeakScale, MapsInProportionRoundedDownToAWholeEntry) {
  // 8-bit stereo: 4-byte entries over 2-byte frames.
  const PeakScale scale{40000, 2496, 4};
  const std::pair<uint32_t, uint32_t> cases[] = {
      {0, 0},        {100, 4},  // 6.24 rounds down to the entry at 4
      {20000, 1248},            // exactly half
      {39998, 2492},            // just before the end: the last whole entry
      {40000, 2496},            // the end of the audio is the end of the peak data
      {50000, 2496},            // past the end
  };
  for (const auto& [pcm, peak] : cases) EXPECT_EQ(scale.PeakOffset(pcm), peak) << pcm;
  EXPECT_EQ((PeakScale{0, 0, 4}).PeakOffset(100), 0u);  // no audio, no division
}

TEST(AudioRange, IsClampedOrderedAndCarriesItsPeakImage) {
  const PeakScale scale{40000, 2496, 4};
  const AudioRange range(30000, 10000, scale);
  EXPECT_EQ(range.Start(), 10000u);
  EXPECT_EQ(range.End(), 30000u);
  EXPECT_EQ(range.PeakStart(), scale.PeakOffset(10000));
  EXPECT_EQ(range.PeakEnd(), scale.PeakOffset(30000));
  EXPECT_TRUE(range.FitsScale(scale));

  // The audio shrank: the range no longer fits until it is rescaled.
  const PeakScale shorter{20000, 1248, 4};
  EXPECT_FALSE(range.FitsScale(shorter));
  const AudioRange rescaled = range.Rescaled(shorter);
  EXPECT_EQ(rescaled.Start(), 10000u);
  EXPECT_EQ(rescaled.End(), 20000u);
  EXPECT_EQ(rescaled.PeakEnd(), 1248u);
  EXPECT_TRUE(rescaled.FitsScale(shorter));
}
