#include "codecs/mp3_frame_header.h"

#include <cstring>

namespace {

// Bitrates in kbit/s by [low sampling frequency][layer - 1][index]; MPEG-2
// and MPEG-2.5 share the low-sampling-frequency rows. Index 0 is free format
// and index 15 is forbidden; neither reaches these tables.
constexpr int kBitrates[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};

MpegVersion VersionOf(uint32_t h) {
  if (h & (1u << 20)) return (h & (1u << 19)) ? MpegVersion::Mpeg1 : MpegVersion::Mpeg2;
  return MpegVersion::Mpeg25;
}

}  // namespace

bool HeaderIsValid(uint32_t h) {
  if ((h & 0xFFE00000u) != 0xFFE00000u) return false;
  if ((h & 0xFFFF0000u) == 0xFFFF0000u) return false;
  if (((h >> 17) & 3u) == 0) return false;
  if (((h >> 12) & 0xFu) == 15) return false;
  if (((h >> 10) & 3u) == 3) return false;
  return true;
}

bool ParseHeader(uint32_t h, FrameHeader& out, const FrameHeader* fixed) {
  FrameHeader f;
  if (fixed != nullptr) {
    f.version = fixed->version;
    f.layer = fixed->layer;
    f.samplingIndex = fixed->samplingIndex;
  } else {
    const uint32_t rateField = (h >> 10) & 3u;
    if (rateField == 3) return false;
    f.version = VersionOf(h);
    f.layer = 4 - static_cast<int>((h >> 17) & 3u);
    if (f.layer == 4) return false;  // reserved layer field
    f.samplingIndex = static_cast<int>(rateField) + (f.version == MpegVersion::Mpeg2    ? 3
                                                     : f.version == MpegVersion::Mpeg25 ? 6
                                                                                        : 0);
  }
  f.sampleRate = kMpegSampleRates[f.samplingIndex];
  const bool lowFrequency = f.version != MpegVersion::Mpeg1;

  f.crc = ((h >> 16) & 1u) == 0;
  f.bitrateIndex = static_cast<int>((h >> 12) & 0xFu);
  if (f.bitrateIndex == 0 || f.bitrateIndex == 15) return false;
  f.bitrateKbps = kBitrates[lowFrequency ? 1 : 0][f.layer - 1][f.bitrateIndex];
  f.padding = static_cast<int>((h >> 9) & 1u);
  f.privateBit = static_cast<int>((h >> 8) & 1u);
  f.mode = static_cast<int>((h >> 6) & 3u);
  f.modeExtension = static_cast<int>((h >> 4) & 3u);
  f.channels = f.mode == 3 ? 1 : 2;

  const long bitrate = f.bitrateKbps;
  const long rate = f.sampleRate;
  switch (f.layer) {
    case 1:
      f.frameBodySize = static_cast<int>((bitrate * 12000 / rate + f.padding) * 4 - 4);
      break;
    case 2:
      f.frameBodySize = static_cast<int>(bitrate * 144000 / rate + f.padding - 4);
      break;
    default:
      f.frameBodySize =
          static_cast<int>(bitrate * 144000 / (lowFrequency ? rate * 2 : rate) + f.padding - 4);
      if (lowFrequency)
        f.sideInfoSize = f.channels == 1 ? 9 : 17;
      else
        f.sideInfoSize = f.channels == 1 ? 17 : 32;
      if (f.crc) f.sideInfoSize += 2;
      break;
  }
  out = f;
  return true;
}

int SamplesPerFrame(const FrameHeader& header) {
  if (header.layer == 1) return 384;
  if (header.layer == 2 || header.version == MpegVersion::Mpeg1) return 1152;
  return 576;
}

bool IsInfoFrame(const uint8_t* frame, size_t size, const FrameHeader& header) {
  const size_t tag = 4 + static_cast<size_t>(header.sideInfoSize);
  if (header.layer != 3 || size < tag + 4) return false;
  return std::memcmp(frame + tag, "Xing", 4) == 0 || std::memcmp(frame + tag, "Info", 4) == 0;
}
