// Test-time MP3 material: PCM made here, encoded with the lame command-line
// tool, and reference decodes from the mpg123 command-line tool.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "codecs/mp3_decoder.h"

bool CommandAvailable(const std::string& name);

// Interleaved 16-bit little-endian PCM of `seconds` of two tones (left 440 Hz,
// right 660 Hz; a mono file gets the left one).
std::string TonePcm(int rate, int channels, double seconds);

// Encodes raw PCM at constant `kbps`; `extra` holds further lame options.
bool EncodeMp3(const std::filesystem::path& pcm, int rate, int channels, int kbps,
               const std::filesystem::path& mp3, const std::string& extra = "");

// The reference decode: 16-bit signed little-endian, mono duplicated to
// stereo, at the stream's own rate, gapless (an Info frame is read, not
// decoded, and the encoder delay and padding it records are cut). Empty when
// the tool fails.
std::string ReferenceDecode(const std::filesystem::path& mp3);

// Offsets of the frames of a clean stream, walked by header and frame size
// from the first valid header at or after `start`.
std::vector<size_t> FrameOffsets(const std::string& bytes, size_t start = 0);

struct DecodeRun {
  int result = -1;
  int16_t channels = -1;
  int16_t bits = -1;
  int32_t rate = -1;
  std::string pcm;
  std::vector<std::string> messages;
};

class Progress;
DecodeRun RunDecode(Mp3Decoder& decoder, const std::filesystem::path& source,
                    const std::filesystem::path& output, Progress& progress);
DecodeRun RunDecode(Mp3Decoder& decoder, const std::filesystem::path& source,
                    const std::filesystem::path& output);
