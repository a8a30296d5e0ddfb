// What the settings and first-run dialogs propose and store, without the
// widgets: the device lists of I/O Device Settings, the temp-folder rules of
// Temporary File Settings and Initialization Settings, and the texts they
// show.
#pragma once

#include <string>
#include <vector>

#include "app/config.h"

class CEditorApp;

// I/O Device Settings. The list index is the device index; a stored index
// that names no device (the default device, -1, or a device that has gone)
// selects nothing.
struct IoDeviceChoice {
  std::vector<std::string> inputs;
  std::vector<std::string> outputs;
  int inputSelection = -1;
  int outputSelection = -1;
};
IoDeviceChoice InitIoDeviceSettings(const ConfigRecord& config, std::vector<std::string> inputs,
                                    std::vector<std::string> outputs);
// OK: both selections go into the record as they are; -1 (nothing selected)
// later opens the default device. The file is written at exit.
void AcceptIoDeviceSettings(int inputSelection, int outputSelection, ConfigRecord* config);

// A folder chosen by browsing that is the root of the file system gets the
// advice to use a folder instead; it is stored all the same.
bool NeedsRootFolderAdvice(const std::string& chosen);
extern const char* const kRootFolderAdvice;

// The text box holds at most this many characters of a folder.
inline constexpr size_t kMaxFolderText = platform::kMaxPath - 1;

// Temporary File Settings OK: a folder different from the stored one
// (exact comparison) is stored and the configuration file written; the same
// folder writes nothing. true when it wrote.
bool AcceptTempFileSettings(CEditorApp& app, const std::string& folderText);

// Initialization Settings: the proposed folder is the user's run-time
// folder ($XDG_RUNTIME_DIR) when it is writable, else the platform temp
// path, with its trailing "/"; OK makes a fresh record with that folder, both
// devices 0 and everything else zero, and writes it.
std::string InitialTempFolderText();
void AcceptInitializationSettings(CEditorApp& app, const std::string& folderText);

// Texts of the dialogs.
extern const char* const kIoSettingsNote;
extern const char* const kTempSettingsText;
extern const char* const kInitSettingsText;
extern const char* const kWelcomeText;
extern const char* const kSetupText;
extern const char* const kLicenseeAgreement;
