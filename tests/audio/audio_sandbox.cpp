#include "tests/audio/audio_sandbox.h"

#include <algorithm>
#include <cstdlib>

#include "platform/wave_audio.h"

namespace {

const char* const kVariables[] = {"HOME", "XDG_CONFIG_HOME", "ALSA_CONFIG_PATH",
                                  "JACK_NO_START_SERVER"};

// A plug in front of every device converts whatever PortAudio asks for into
// what the plugin behind it takes.
std::string NormalConfig(const std::string& played) {
  return R"(pcm.!default {
  type asym
  playback.pcm {
    type plug
    slave.pcm {
      type file
      slave.pcm null
      file ")" +
         played + R"("
      format raw
      truncate true
    }
  }
  capture.pcm {
    type plug
    slave.pcm null
  }
}
pcm.refuses_formats {
  type mulaw
  slave {
    pcm null
    format S16_LE
  }
  hint.description "accepts mu-law samples only"
}
pcm.discard {
  type plug
  slave.pcm null
  hint.description "plays into nothing"
}
)";
}

const char* const kDeviceBeforeDefault = R"(pcm.aaa {
  type plug
  slave.pcm null
  hint.description "listed before the default"
}
)";

// The default device names a sound card that does not exist, so no device
// can be opened and none is listed.
const char* const kNoDeviceConfig = R"(pcm.!default {
  type hw
  card 0
}
)";

int IndexOf(const std::vector<std::string>& names, const std::string& name) {
  const auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? -2 : static_cast<int>(it - names.begin());
}

}  // namespace

AudioSandbox::AudioSandbox(Devices devices) {
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value ? std::string(value) : std::string("\x01"));
  }
  const std::string home = dir_.Str();
  const std::string normal = NormalConfig((dir_ / "played.raw").string());
  WriteFileBytes(dir_ / ".asoundrc", devices == Devices::Normal ? normal
                                     : devices == Devices::None ? std::string(kNoDeviceConfig)
                                                                : kDeviceBeforeDefault + normal);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (dir_ / ".config").c_str(), 1);
  unsetenv("ALSA_CONFIG_PATH");
  // No JACK server here; do not let the JACK host API try to start one.
  setenv("JACK_NO_START_SERVER", "1", 1);
}

AudioSandbox::~AudioSandbox() {
  platform::WaveWaitForClosedDevices();
  for (const auto& [name, value] : saved_) {
    if (value == "\x01") {
      unsetenv(name.c_str());
    } else {
      setenv(name.c_str(), value.c_str(), 1);
    }
  }
}

std::string AudioSandbox::Played() const {
  return ReadFileBytes(dir_ / "played.raw");
}

int AudioSandbox::OutputIndex(const std::string& name) {
  return IndexOf(platform::WaveOutDeviceNames(), name);
}

int AudioSandbox::InputIndex(const std::string& name) {
  return IndexOf(platform::WaveInDeviceNames(), name);
}
