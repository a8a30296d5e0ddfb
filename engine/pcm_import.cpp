#include "engine/pcm_import.h"

#include <cctype>
#include <cstdint>

void InitPcmImportDialog(const PcmImportSettings& settings, PcmImportDialogState* state) {
  state->bits16 = settings.bitsPerSample == 16;
  state->bits8 = !state->bits16;
  state->stereo = settings.channels == 2;
  state->mono = !state->stereo;
  state->hz11025 = settings.sampleRate == 11025;
  state->hz22050 = settings.sampleRate == 22050;
  state->hz44100 = settings.sampleRate == 44100;
  state->userSpecified = !state->hz11025 && !state->hz22050 && !state->hz44100;
  if (state->userSpecified) state->userRateText = std::to_string(settings.sampleRate);
}

PcmImportSettings AcceptPcmImportDialog(const PcmImportDialogState& state) {
  PcmImportSettings settings;
  settings.bitsPerSample = state.bits16 ? 16 : 8;
  settings.channels = state.stereo ? 2 : 1;
  if (state.hz44100) {
    settings.sampleRate = 44100;
  } else if (state.hz22050) {
    settings.sampleRate = 22050;
  } else if (state.hz11025) {
    settings.sampleRate = 11025;
  } else {
    // Leading digits only; a number too large for the field saturates
    // rather than wrapping into a negative rate.
    int64_t rate = 0;
    size_t i = 0;
    while (i < state.userRateText.size() &&
           std::isspace(static_cast<unsigned char>(state.userRateText[i])))
      ++i;
    for (; i < state.userRateText.size() &&
           std::isdigit(static_cast<unsigned char>(state.userRateText[i]));
         ++i) {
      rate = std::min<int64_t>(rate * 10 + (state.userRateText[i] - '0'), INT32_MAX);
    }
    settings.sampleRate = static_cast<int32_t>(rate);
  }
  return settings;
}
