#include "tests/codecs/mp3_test_files.h"

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "codecs/mp3_frame_header.h"
#include "tests/support/message_recorder.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Quote(const std::filesystem::path& path) {
  std::string quoted = "'";
  for (char c : path.string()) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

}  // namespace

bool CommandAvailable(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string TonePcm(int rate, int channels, double seconds) {
  const int frames = static_cast<int>(rate * seconds);
  std::string pcm;
  pcm.reserve(static_cast<size_t>(frames) * channels * 2);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const double hz = c == 0 ? 440.0 : 660.0;
      const auto v = static_cast<int16_t>(
          std::lround(12000.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate)));
      pcm += static_cast<char>(v & 0xFF);
      pcm += static_cast<char>((v >> 8) & 0xFF);
    }
  }
  return pcm;
}

bool EncodeMp3(const std::filesystem::path& pcm, int rate, int channels, int kbps,
               const std::filesystem::path& mp3, const std::string& extra) {
  const std::string command =
      "lame --quiet -r -s " + std::to_string(rate / 1000.0) +
      " --bitwidth 16 --signed --little-endian -m " + (channels == 1 ? "m" : "s") + " --resample " +
      std::to_string(rate / 1000.0) + " --cbr -b " + std::to_string(kbps) + " " + extra + " " +
      Quote(pcm) + " " + Quote(mp3) + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0 && std::filesystem::exists(mp3);
}

std::string ReferenceDecode(const std::filesystem::path& mp3) {
  const std::filesystem::path out = mp3.string() + ".ref.raw";
  const std::string command = std::string("mpg123 -q -e s16 --stereo -O ") + Quote(out) + " " +
                              Quote(mp3) + " >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return {};
  std::string pcm = ReadFileBytes(out);
  std::filesystem::remove(out);
  return pcm;
}

std::vector<size_t> FrameOffsets(const std::string& bytes, size_t start) {
  std::vector<size_t> offsets;
  auto word = [&](size_t at) {
    return (uint32_t{static_cast<uint8_t>(bytes[at])} << 24) |
           (uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16) |
           (uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8) |
           uint32_t{static_cast<uint8_t>(bytes[at + 3])};
  };
  size_t at = start;
  while (at + 4 <= bytes.size() && !HeaderIsValid(word(at))) ++at;
  FrameHeader header;
  while (at + 4 <= bytes.size() && HeaderIsValid(word(at)) && ParseHeader(word(at), header)) {
    offsets.push_back(at);
    at += 4 + static_cast<size_t>(header.frameBodySize);
  }
  return offsets;
}

DecodeRun RunDecode(Mp3Decoder& decoder, const std::filesystem::path& source,
                    const std::filesystem::path& output, Progress& progress) {
  MessageRecorder recorder;
  DecodeRun run;
  run.result = decoder.DecodeToPcm(source.string(), output.string(), run.channels, run.bits,
                                   run.rate, progress);
  if (std::filesystem::exists(output)) run.pcm = ReadFileBytes(output);
  run.messages = recorder.Messages();
  return run;
}

DecodeRun RunDecode(Mp3Decoder& decoder, const std::filesystem::path& source,
                    const std::filesystem::path& output) {
  ScriptedProgress progress;
  return RunDecode(decoder, source, output, progress);
}
