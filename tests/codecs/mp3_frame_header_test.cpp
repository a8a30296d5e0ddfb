#include "codecs/mp3_frame_header.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct ValidityCase {
  uint32_t word;
  bool valid;
  const char* why;
};

TEST(Mp3FrameHeader, ValidityRules) {
  const ValidityCase cases[] = {
      {0xFFFB9004u, true, "MPEG-1 Layer III, no CRC"},
      {0xFFFA9000u, true, "MPEG-1 Layer III with CRC"},
      {0xFFFEEA00u, true, "MPEG-1 Layer I with CRC"},
      {0xFFFFEA00u, false, "MPEG-1 Layer I without CRC begins 0xFFFF"},
      {0xFFFF9000u, false, "0xFFFF prefix, whatever follows"},
      {0xFFFFFFFFu, false, "a run of 0xFF bytes"},
      {0xFFF380C0u, true, "MPEG-2 Layer III mono"},
      {0xFFE31800u, true, "MPEG-2.5 Layer III"},
      {0xFFEB1800u, true, "version field 01 counts as MPEG-2.5"},
      {0xFFDB9000u, false, "only 10 sync bits"},
      {0x7FFB9000u, false, "first sync bit clear"},
      {0xFFF99000u, false, "layer field 00 is reserved"},
      {0xFFFBF000u, false, "bitrate index 15 is forbidden"},
      {0xFFFB0C00u, false, "rate field 3 is reserved"},
      {0xFFFB0000u, true, "free format passes the validity test"},
      {0x49443304u, false, "ID3v2 tag start"},
      {0x00000000u, false, "zeros"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(HeaderIsValid(c.word), c.valid) << std::hex << c.word << ": " << c.why;
  }
}

struct ParseCase {
  uint32_t word;
  MpegVersion version;
  int layer;
  bool crc;
  int kbps;
  int32_t rate;
  int channels;
  int body;      // frame size less the 4 header bytes, worked out by hand
  int sideInfo;  // Layer III only
};

TEST(Mp3FrameHeader, FieldsAndFrameSizes) {
  using V = MpegVersion;
  const ParseCase cases[] = {
      // Layer III: bitrate * 144000 / rate (rate doubled below MPEG-1) + padding - 4.
      // 128 * 144000 / 44100 = 417.96 -> 417 - 4.
      {0xFFFB9004u, V::Mpeg1, 3, false, 128, 44100, 2, 413, 32},
      // Same with the padding bit: 418 - 4.
      {0xFFFB9204u, V::Mpeg1, 3, false, 128, 44100, 2, 414, 32},
      // 320 kbit/s at 48000 Hz, CRC, single channel: 960 - 4; side info 17 + 2.
      {0xFFFAE4C0u, V::Mpeg1, 3, true, 320, 48000, 1, 956, 19},
      // MPEG-2, 64 kbit/s, 22050 Hz mono: 64 * 144000 / 44100 = 208.98 -> 208 - 4.
      {0xFFF380C0u, V::Mpeg2, 3, false, 64, 22050, 1, 204, 9},
      // MPEG-2.5, 8 kbit/s, 8000 Hz, padded: 8 * 144000 / 16000 = 72 + 1 - 4.
      {0xFFE31A00u, V::Mpeg25, 3, false, 8, 8000, 2, 69, 17},
      // MPEG-2.5, 32 kbit/s, 11025 Hz: 32 * 144000 / 22050 = 208.98 -> 208 - 4.
      {0xFFE34000u, V::Mpeg25, 3, false, 32, 11025, 2, 204, 17},
      // Layer II: bitrate * 144000 / rate + padding - 4, no doubling below MPEG-1.
      // 192 kbit/s at 48000 Hz with CRC: 576 - 4.
      {0xFFFCA400u, V::Mpeg1, 2, true, 192, 48000, 2, 572, 0},
      // MPEG-2, 64 kbit/s at 16000 Hz: 576 - 4.
      {0xFFF58800u, V::Mpeg2, 2, false, 64, 16000, 2, 572, 0},
      // MPEG-1, 384 kbit/s at 32000 Hz, padded: 1728 + 1 - 4 (the largest frame).
      {0xFFFDEA00u, V::Mpeg1, 2, false, 384, 32000, 2, 1725, 0},
      // Layer I: (bitrate * 12000 / rate + padding) * 4 - 4.
      // 448 kbit/s at 32000 Hz, padded, CRC: (168 + 1) * 4 - 4.
      {0xFFFEEA00u, V::Mpeg1, 1, true, 448, 32000, 2, 672, 0},
      // 32 kbit/s at 44100 Hz: 32 * 12000 / 44100 = 8.7 -> 8 * 4 - 4.
      {0xFFFE1000u, V::Mpeg1, 1, true, 32, 44100, 2, 28, 0},
      // MPEG-2, 64 kbit/s at 24000 Hz: 32 * 4 - 4.
      {0xFFF64400u, V::Mpeg2, 1, true, 64, 24000, 2, 124, 0},
      // MPEG-2.5, 256 kbit/s at 12000 Hz: 256 * 4 - 4.
      {0xFFE6E400u, V::Mpeg25, 1, true, 256, 12000, 2, 1020, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.word);
    ASSERT_TRUE(HeaderIsValid(c.word));
    FrameHeader h;
    ASSERT_TRUE(ParseHeader(c.word, h));
    EXPECT_EQ(h.version, c.version);
    EXPECT_EQ(h.layer, c.layer);
    EXPECT_EQ(h.crc, c.crc);
    EXPECT_EQ(h.bitrateKbps, c.kbps);
    EXPECT_EQ(h.sampleRate, c.rate);
    EXPECT_EQ(h.channels, c.channels);
    EXPECT_EQ(h.frameBodySize, c.body);
    EXPECT_EQ(h.sideInfoSize, c.sideInfo);
  }
}

TEST(Mp3FrameHeader, OtherFieldsArePickedFromTheirBits) {
  // Joint stereo, mode extension 2, private bit, padding.
  FrameHeader h;
  ASSERT_TRUE(ParseHeader(0xFFFB93E4u, h));
  EXPECT_EQ(h.padding, 1);
  EXPECT_EQ(h.privateBit, 1);
  EXPECT_EQ(h.mode, 3);
  EXPECT_EQ(h.channels, 1);
  ASSERT_TRUE(ParseHeader(0xFFFB9064u, h));
  EXPECT_EQ(h.mode, 1);
  EXPECT_EQ(h.modeExtension, 2);
  EXPECT_EQ(h.padding, 0);
  EXPECT_EQ(h.privateBit, 0);
  EXPECT_EQ(h.samplingIndex, 0);
}

TEST(Mp3FrameHeader, UndecodableHeadersAreRejected) {
  FrameHeader h;
  h.layer = 99;
  EXPECT_FALSE(ParseHeader(0xFFFB0000u, h)) << "free format";
  EXPECT_FALSE(ParseHeader(0xFFFB0C00u, h)) << "reserved rate field";
  EXPECT_EQ(h.layer, 99) << "a rejected header leaves the record alone";
}

TEST(Mp3FrameHeader, FixedStreamParametersComeFromTheFirstHeader) {
  FrameHeader first;
  ASSERT_TRUE(ParseHeader(0xFFFB9004u, first));  // MPEG-1 Layer III 44100 Hz
  // A later header claiming MPEG-1 Layer II at 48000 Hz, bitrate index 10, padded, mono.
  const uint32_t later = 0xFFFDA6C0u;
  FrameHeader h;
  ASSERT_TRUE(ParseHeader(later, h, &first));
  EXPECT_EQ(h.layer, 3);
  EXPECT_EQ(h.sampleRate, 44100);
  EXPECT_EQ(h.version, MpegVersion::Mpeg1);
  EXPECT_EQ(h.bitrateKbps, 160) << "index 10 read in the Layer III table";
  EXPECT_EQ(h.channels, 1);
  EXPECT_EQ(h.frameBodySize, 160 * 144000 / 44100 + 1 - 4);

  // The header handed on for decoding carries the same stream parameters.
  const uint32_t rewritten = WithStreamParameters(later, 0xFFFB9004u);
  EXPECT_EQ(rewritten, 0xFFFBA2C0u);
  FrameHeader again;
  ASSERT_TRUE(ParseHeader(rewritten, again));
  EXPECT_EQ(again.frameBodySize, h.frameBodySize);
  EXPECT_EQ(again.layer, 3);
  EXPECT_EQ(again.sampleRate, 44100);
}

}  // namespace
