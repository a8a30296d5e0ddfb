// An ALSA configuration of the test's own, so playback and recording run
// through the real PortAudio path on machines without sound hardware: the
// default playback device writes what it plays into a file (and discards
// it), the default capture device delivers zero samples, and two more
// devices are listed: "refuses_formats" (accepts only mu-law samples, which
// the editor never uses) and "discard" (plays into nothing, no file). The
// configuration is read from HOME, so the sandbox points HOME at its folder
// for its lifetime; PortAudio reads it whenever a device is opened.
// `DefaultDefinedLast` puts one more device, "aaa" (plays into nothing),
// before the default in the file, so ALSA and PortAudio list it first.
#pragma once

#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

class AudioSandbox {
 public:
  enum class Devices { Normal, None, DefaultDefinedLast };
  explicit AudioSandbox(Devices devices = Devices::Normal);
  ~AudioSandbox();
  AudioSandbox(const AudioSandbox&) = delete;
  AudioSandbox& operator=(const AudioSandbox&) = delete;

  // Everything the default playback device has played since it was opened.
  std::string Played() const;
  // Index among the output (input) devices of the device with this name;
  // -2 when it is not listed.
  static int OutputIndex(const std::string& name);
  static int InputIndex(const std::string& name);

 private:
  TempDir dir_;
  std::vector<std::pair<std::string, std::string>> saved_;
};
