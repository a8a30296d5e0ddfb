// The format of a headerless PCM file, as the "PCM Audio Import" dialog asks
// for it. The application keeps one record for the whole run, so the format
// chosen last is proposed for the next PCM file.
#pragma once

#include <cstdint>
#include <string>

struct PcmImportSettings {
  int32_t channels = 2;        // 1 or 2
  int32_t sampleRate = 44100;  // samples per second
  int32_t bitsPerSample = 16;  // 8 or 16
};

// What the dialog's controls show: one checked button per group and the
// text of the "User Specified (in Hz):" box.
struct PcmImportDialogState {
  bool mono = false, stereo = false;
  bool bits8 = false, bits16 = false;
  bool hz11025 = false, hz22050 = false, hz44100 = false, userSpecified = false;
  std::string userRateText;
};

// Checks the buttons that match `settings`; a rate other than the three
// offered checks "User Specified (in Hz):" and writes the rate into the box,
// which otherwise keeps its text.
void InitPcmImportDialog(const PcmImportSettings& settings, PcmImportDialogState* state);

// What OK stores: 16 bits only when "16 Bit" is checked, stereo only when
// "Stereo" is, the first checked rate button, else the leading digits of the
// box (0 when there are none).
PcmImportSettings AcceptPcmImportDialog(const PcmImportDialogState& state);
