#include "tests/wma_libs/wma_test_tools.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "tests/support/temp_dir.h"

namespace {

std::filesystem::path LibraryFolder() {
  if (const char* bin = std::getenv("VELLMORE_TEST_BIN"); bin != nullptr && bin[0] != '\0') {
    return bin;
  }
  // Outside CTest the test program sits in the same program folder.
  std::error_code ignored;
  return std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
}

}  // namespace

LoadedLibrary::LoadedLibrary(const std::string& file_name) {
  const std::string path = (LibraryFolder() / file_name).string();
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) error_ = dlerror();
}

const LoadedLibrary& LoadedLibrary::Shared(const std::string& file_name) {
  // Kept loaded until the process ends: unloading codec libraries during
  // static destruction gains nothing and hides them from leak reports.
  static auto* libraries = new std::map<std::string, std::unique_ptr<LoadedLibrary>>;
  auto& library = (*libraries)[file_name];
  if (!library) library = std::make_unique<LoadedLibrary>(file_name);
  return *library;
}

LoadedLibrary::~LoadedLibrary() {
  if (handle_ != nullptr) dlclose(handle_);
}

bool HaveTool(const std::string& tool) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return false;
  std::stringstream folders(path);
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + tool;
    if (access(candidate.c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool HaveFfmpegTools() {
  return HaveTool("ffmpeg") && HaveTool("ffprobe");
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string RunCommand(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char chunk[65536];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, got);
  const int raw = pclose(pipe);
  *status = (raw != -1 && WIFEXITED(raw)) ? WEXITSTATUS(raw) : -1;
  return output;
}

std::map<std::string, std::string> Probe(const std::filesystem::path& file) {
  const std::string command =
      "ffprobe -v error -show_entries "
      "stream=codec_name,sample_rate,channels,bit_rate:format=duration,bit_rate:format_tags:"
      "packet=size -select_streams a:0 "
      "-of default " +
      ShellQuote(file.string()) + " 2>/dev/null";
  int status = 0;
  const std::string output = RunCommand(command, &status);
  std::map<std::string, std::string> fields;
  if (status != 0) return fields;
  std::stringstream lines(output);
  std::string line, section;
  size_t packets = 0, packet_bytes = 0;
  while (std::getline(lines, line)) {
    if (line == "[PACKET]") {
      section = "packet.";
      ++packets;
    } else if (section == "packet." && line.rfind("size=", 0) == 0) {
      packet_bytes += std::stoul(line.substr(5));
    } else if (line == "[STREAM]") {
      section = "stream.";
    } else if (line == "[FORMAT]") {
      section = "format.";
    } else if (!line.empty() && line[0] == '[') {
      section.clear();
    } else if (const size_t equals = line.find('='); equals != std::string::npos) {
      fields[section + line.substr(0, equals)] = line.substr(equals + 1);
    }
  }
  fields["packets.count"] = std::to_string(packets);
  fields["packets.bytes"] = std::to_string(packet_bytes);
  return fields;
}

std::vector<int16_t> DecodeWithFfmpeg(const std::filesystem::path& file, int channels) {
  const std::string command = "ffmpeg -v error -i " + ShellQuote(file.string()) + " -ac " +
                              std::to_string(channels) + " -f s16le - 2>/dev/null";
  int status = 0;
  const std::string bytes = RunCommand(command, &status);
  std::vector<int16_t> samples;
  if (status != 0) return samples;
  samples.resize(bytes.size() / 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                      (static_cast<uint8_t>(bytes[2 * i + 1]) << 8));
  }
  return samples;
}

std::vector<int16_t> SineFrames(int frame_count, int sample_rate,
                                const std::vector<double>& frequencies,
                                const std::vector<double>& amplitudes) {
  const size_t channels = frequencies.size();
  std::vector<int16_t> samples(static_cast<size_t>(frame_count) * channels);
  for (int i = 0; i < frame_count; ++i) {
    for (size_t c = 0; c < channels; ++c) {
      const double phase = 2.0 * M_PI * frequencies[c] * i / sample_rate;
      samples[i * channels + c] =
          static_cast<int16_t>(std::lround(amplitudes[c] * std::sin(phase)));
    }
  }
  return samples;
}

double ChannelRms(const std::vector<int16_t>& samples, int channels, int channel, size_t first,
                  size_t last) {
  double sum = 0;
  size_t count = 0;
  for (size_t frame = first; frame < last && frame * channels + channel < samples.size();
       ++frame, ++count) {
    const double value = samples[frame * channels + channel];
    sum += value * value;
  }
  return count == 0 ? 0.0 : std::sqrt(sum / static_cast<double>(count));
}

std::string LittleEndianBytes(const std::vector<int16_t>& samples) {
  std::string bytes(samples.size() * 2, '\0');
  for (size_t i = 0; i < samples.size(); ++i) {
    const uint16_t value = static_cast<uint16_t>(samples[i]);
    bytes[2 * i] = static_cast<char>(value & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(value >> 8);
  }
  return bytes;
}

bool StartsWithAsfHeader(const std::filesystem::path& file) {
  static const unsigned char kHeaderGuid[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
  const std::string bytes = ReadFileBytes(file);
  return bytes.size() >= 16 &&
         std::equal(kHeaderGuid, kHeaderGuid + 16, bytes.begin(),
                    [](unsigned char a, char b) { return a == static_cast<unsigned char>(b); });
}
