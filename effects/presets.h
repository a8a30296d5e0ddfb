// Named presets of the echo, reverb and multi voice effects. Four built-in
// presets are rebuilt in memory whenever the list is loaded; the user's
// presets (up to 60) follow them in the table and are kept in a preset file
// in the program folder: "echo.prt", "reverb.prt", "multivoice.prt". A
// preset file has no header, only fixed-size records in list order, all
// integers little-endian:
//   echo, reverb: 152 bytes = name (128, NUL-terminated), then the entry's
//     32-bit fields up to and including the right delay; the left delay is
//     not stored and is read back as the right delay.
//   multi voice: 160 bytes = the whole entry.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kMaxPresets = 64;
inline constexpr int kBuiltInPresets = 4;
inline constexpr int kPresetNameSize = 128;  // including the terminating NUL

struct EchoPreset {
  char name[kPresetNameSize] = {};
  int32_t reserved = 0;  // 1 in the built-in entries; not interpreted
  int32_t initialRatioRight = 0;
  int32_t initialRatioLeft = 0;
  int32_t additionalRatioRight = 0;
  int32_t additionalRatioLeft = 0;
  int32_t delayRight = 0;  // milliseconds
  int32_t delayLeft = 0;
};

struct ReverbPreset {
  char name[kPresetNameSize] = {};
  int32_t lock = 0;  // 1: "Lock Right and Left" checked
  int32_t dryRight = 0;
  int32_t dryLeft = 0;
  int32_t wetRight = 0;
  int32_t wetLeft = 0;
  int32_t delayRight = 0;  // milliseconds
  int32_t delayLeft = 0;
};

struct MultiVoicePreset {
  char name[kPresetNameSize] = {};
  int32_t reserved = 0;  // 1 in the built-in entries; not interpreted
  int32_t voices = 0;
  int32_t initialRatioRight = 0;
  int32_t initialRatioLeft = 0;
  int32_t wetRight = 0;
  int32_t wetLeft = 0;
  int32_t delayRight = 0;  // milliseconds
  int32_t delayLeft = 0;
};

static_assert(sizeof(EchoPreset) == 156 && sizeof(ReverbPreset) == 156 &&
              sizeof(MultiVoicePreset) == 160);

template <class Entry>
using PresetTable = std::array<Entry, kMaxPresets>;

// Bytes of one record in the preset file of that kind.
template <class Entry>
constexpr size_t PresetRecordSize() {
  return sizeof(Entry) == 160 ? 160 : 152;
}

// "<program folder>/echo.prt" and so on.
template <class Entry>
std::string PresetFilePath();

// Copies `text` into a name field, cut to 127 bytes (never inside a UTF-8
// character) and NUL-padded.
void SetPresetName(char (&name)[kPresetNameSize], std::string_view text);

// Rebuilds the four built-in entries, then appends the records of the preset
// file. The table never grows past 64 entries, whatever the file's length;
// a last record shorter than a full record is ignored. A missing or
// unreadable file leaves the built-in presets alone, silently.
template <class Entry>
void LoadPresetList(int32_t* count, PresetTable<Entry>& table);

// Writes the user presets (entries 4 ... count - 1 except `skip`; -1 skips
// none) to the preset file, replacing it in one step. false after "Failed to
// open Preset File for write: %s\n" when the file cannot be written; the old
// file is then untouched.
template <class Entry>
bool WritePresetFile(int32_t count, const PresetTable<Entry>& table, int skip);

// Appends `values` under `name`. Refuses a full table ("Sorry, you've
// enetered the maximum number of presets.") and an empty name ("You must
// enter a preset name."). Names are not checked for duplicates.
template <class Entry>
bool AddPreset(int32_t* count, PresetTable<Entry>& table, std::string_view name, Entry values);

// Removes the user preset at list index `selected` (-1: nothing selected,
// which rewrites the file unchanged) from the file at once and reloads the
// table. Built-in entries are refused with "Sorry, this is a default preset.
// Cannot delete.". true when the file was rewritten.
template <class Entry>
bool RemovePreset(int32_t* count, PresetTable<Entry>& table, int selected);

// The list box's lines: the names of entries 0 ... count - 1.
template <class Entry>
std::vector<std::string> PresetNames(int32_t count, const PresetTable<Entry>& table) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < count && i < kMaxPresets; ++i) names.emplace_back(table[i].name);
  return names;
}

// The built-in entries of each kind, in list order.
extern const std::array<EchoPreset, kBuiltInPresets> kEchoBuiltInPresets;
extern const std::array<ReverbPreset, kBuiltInPresets> kReverbBuiltInPresets;
extern const std::array<MultiVoicePreset, kBuiltInPresets> kMultiVoiceBuiltInPresets;
