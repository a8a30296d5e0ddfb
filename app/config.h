// The configuration record and its file `editor.cfg`: a raw 532-byte dump,
// integers little-endian, kept in the configuration folder
// (platform::ProgramFolder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/paths.h"

struct ConfigRecord {
  char tempFolder[platform::kMaxPath];  // folder in which run folders are made
  int16_t inputDevice;                  // index into the input devices, -1 default
  int16_t outputDevice;                 // index into the output devices, -1 default
  int32_t formatPanelShown;             // the format panel was open at the last exit
  int32_t levelMeterShown;              // the level-meter panel was open at the last exit
  char lastRunFolder[platform::kMaxPath];

  // The path fields read safely even when a file left them without a NUL.
  std::string TempFolder() const;
  std::string LastRunFolder() const;
  // False, and the field unchanged, when the path does not fit its field.
  bool SetTempFolder(std::string_view path);
  bool SetLastRunFolder(std::string_view path);
};
static_assert(sizeof(ConfigRecord) == 532, "editor.cfg is exactly 532 bytes");
static_assert(offsetof(ConfigRecord, inputDevice) == 260);
static_assert(offsetof(ConfigRecord, formatPanelShown) == 264);
static_assert(offsetof(ConfigRecord, lastRunFolder) == 272);

// "<configuration folder>/editor.cfg"; empty when that folder is unknown.
std::string ConfigFilePath();

enum class ConfigLoad { Loaded, Partial, Missing };

// Reads the record from `path`. A short file leaves the bytes it had in the
// record, the rest zero, and shows the warning.
ConfigLoad LoadConfigFile(const std::string& path, ConfigRecord* record);

// Writes the whole record to `path`, replacing the old file only once the
// new one is complete. false after "Failed to open config file for writing."
bool WriteConfigFile(const std::string& path, const ConfigRecord& record);

// True when a new file can be created in `folder`.
bool FolderIsWritable(const std::string& folder);

// Deletes the files of the previous run's folder and the folder itself,
// silently. Only a folder named by a 14-digit run stamp is touched, so a
// damaged record can never empty an unrelated folder, and only when no live
// process holds its run lock, so a second editor on the same configuration
// never takes the first one's files away. A folder that holds recovery
// manifests is kept: its documents wait for the user's decision.
void RemovePreviousRunFolder(const std::string& folder);

// True when the last path component is a 14-digit run stamp.
bool LooksLikeRunFolder(const std::string& folder);
