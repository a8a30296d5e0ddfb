// Shared helpers of the WMA library tests: loading the libraries the way the
// editor does (by file name, functions by name), running the FFmpeg
// command-line tools as independent peers, and generating test audio.
#pragma once

#include <dlfcn.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

// A library opened with dlopen from the build's program folder.
class LoadedLibrary {
 public:
  explicit LoadedLibrary(const std::string& file_name);
  // One instance per file name for the whole test program: loading the
  // codec libraries behind an adapter is costly.
  static const LoadedLibrary& Shared(const std::string& file_name);
  ~LoadedLibrary();
  LoadedLibrary(const LoadedLibrary&) = delete;
  LoadedLibrary& operator=(const LoadedLibrary&) = delete;

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Error() const { return error_; }
  template <typename Fn>
  Fn Find(const char* name) const {
    return handle_ ? reinterpret_cast<Fn>(dlsym(handle_, name)) : nullptr;
  }

 private:
  void* handle_ = nullptr;
  std::string error_;
};

// True when `tool` is an executable on PATH.
bool HaveTool(const std::string& tool);
bool HaveFfmpegTools();

std::string ShellQuote(const std::string& text);
// Runs a shell command; returns its standard output, sets *status to the
// exit status (-1 when it could not run).
std::string RunCommand(const std::string& command, int* status);

// ffprobe's view of a file: "stream.codec_name", "stream.sample_rate",
// "stream.channels", "stream.bit_rate", "format.duration", "format.bit_rate"
// "format.TAG:<name>" for each container tag, and "packets.count" and
// "packets.bytes", the number and total size of the audio packets. Empty
// when ffprobe failed.
std::map<std::string, std::string> Probe(const std::filesystem::path& file);

// The file decoded by the ffmpeg CLI to interleaved 16-bit samples with the
// given channel count.
std::vector<int16_t> DecodeWithFfmpeg(const std::filesystem::path& file, int channels);

// Interleaved 16-bit sine frames: channel c has amplitudes[c] at
// frequencies[c] Hz.
std::vector<int16_t> SineFrames(int frame_count, int sample_rate,
                                const std::vector<double>& frequencies,
                                const std::vector<double>& amplitudes);

// The samples as little-endian bytes, the layout the libraries take.
std::string LittleEndianBytes(const std::vector<int16_t>& samples);

// True when the file starts with the ASF header object's GUID.
bool StartsWithAsfHeader(const std::filesystem::path& file);

// Root mean square of channel `channel` over frames [first, last).
double ChannelRms(const std::vector<int16_t>& samples, int channels, int channel, size_t first,
                  size_t last);
