#include "platform/quiet_audio_libraries.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

void SilentAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

void SilentJackMessage(const char*) {}

// libjack comes in with PortAudio's JACK host API when the installed
// PortAudio has one; the editor does not link it, so its functions are
// looked up among the libraries already loaded.
void QuietJack() {
  using SetMessageFunction = void (*)(void (*)(const char*));
  for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
    if (auto set = reinterpret_cast<SetMessageFunction>(dlsym(RTLD_DEFAULT, name))) {
      set(SilentJackMessage);
    }
  }
}

}  // namespace

bool AudioDiagnosticsWanted() {
  const char* value = std::getenv("VELLMORE_DEBUG_AUDIO");
  return value != nullptr && std::strcmp(value, "1") == 0;
}

void QuietAudioLibraries() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Probing the JACK host API would otherwise launch a JACK server that
    // takes the sound card away from the desktop's sound server, whether
    // or not anyone reads the diagnostics. An explicit setting in the
    // environment is respected.
    setenv("JACK_NO_START_SERVER", "1", 0);
    if (AudioDiagnosticsWanted()) return;
    snd_lib_error_set_handler(SilentAlsaHandler);
    QuietJack();
  });
}

}  // namespace platform
