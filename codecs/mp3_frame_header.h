// MPEG audio frame headers (MPEG-1, MPEG-2 low sampling frequency and the
// MPEG-2.5 extension; Layers I, II and III): the validity test the frame
// reader searches with, and the fields and frame size a header describes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

// Sampling rates by the stream's rate index: the three MPEG-1 rates, then the
// MPEG-2 rates, then the MPEG-2.5 rates, each in the order of the header's
// two-bit rate field.
inline constexpr std::array<int32_t, 9> kMpegSampleRates = {44100, 48000, 32000, 22050, 24000,
                                                            16000, 11025, 12000, 8000};

// A header word holds the four header bytes big-endian (bit 31 is the first
// bit in the file).
struct FrameHeader {
  MpegVersion version = MpegVersion::Mpeg1;
  int layer = 0;         // 1, 2 or 3
  bool crc = false;      // a 16-bit CRC follows the header
  int bitrateIndex = 0;  // 1..14
  int bitrateKbps = 0;
  int samplingIndex = 0;  // index into kMpegSampleRates
  int32_t sampleRate = 0;
  int padding = 0;  // 0 or 1 slot
  int privateBit = 0;
  int mode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int modeExtension = 0;
  int channels = 0;       // 1 for single channel, else 2
  int frameBodySize = 0;  // bytes following the 4 header bytes
  int sideInfoSize = 0;   // Layer III side information incl. CRC; 0 for Layers I and II
};

// True when `h` can start a frame: the 11 sync bits are set, it is not an
// MPEG-1 Layer I header without CRC (a word beginning 0xFFFF, which is also
// what a run of 0xFF bytes looks like), the layer is not reserved, the
// bitrate index is not 15 and the rate field is not 3.
bool HeaderIsValid(uint32_t h);

// Fills `out` from `h`. With `fixed` (the stream's first header), the
// version, layer and sampling-rate index come from `fixed` and `h` supplies
// only the remaining fields; the rate index names the version, so the two are
// kept together. Returns false for a header that cannot be decoded: a
// reserved rate field or free format (bitrate index 0). Does not check the
// other validity rules; call HeaderIsValid first.
bool ParseHeader(uint32_t h, FrameHeader& out, const FrameHeader* fixed = nullptr);

// The bits of a header word that carry version, layer and rate field.
inline constexpr uint32_t kStreamParameterBits = 0x001E0C00u;

// `h` with version, layer and rate field replaced by those of `first`: the
// header a frame is decoded under when the stream parameters are fixed.
inline constexpr uint32_t WithStreamParameters(uint32_t h, uint32_t first) {
  return (h & ~kStreamParameterBits) | (first & kStreamParameterBits);
}

// Samples per channel one frame of this kind decodes to.
int SamplesPerFrame(const FrameHeader& header);

// True when `frame` (header and body, as the frame reader hands it on) is a
// Layer III Xing/Info frame: the description an encoder writes first, where
// side information would stand, which a gapless decoder reads instead of
// decoding.
bool IsInfoFrame(const uint8_t* frame, size_t size, const FrameHeader& header);
