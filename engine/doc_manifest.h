// The recovery manifest of one open document: everything needed to rebuild
// the document from its files in the run folder after the editor died. It
// is kept as JSON beside those files ("recovery_<id>.json") and names them
// by their file names in that folder, never by absolute paths, so a folder
// can be read wherever it is found.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/op_codes.h"
#include "engine/temp_audio_file.h"
#include "engine/undo_entry.h"

// The version written; a reader refuses any other.
inline constexpr int64_t kManifestVersion = 1;
// A document's manifest is "<prefix><id>.json", written before its
// operation reports done; "<prefix><id>.durable.json" is the same once its
// files have been flushed to disk, a moment later.
inline constexpr const char* kManifestPrefix = "recovery_";
inline constexpr const char* kManifestSuffix = ".json";
inline constexpr const char* kDurableManifestSuffix = ".durable.json";

// The kernel's id of the running boot; "" when it cannot be read.
std::string CurrentBootId();

// One pair of audio files: PCM samples and their peak data.
struct ManifestSlot {
  std::string pcmFile;  // file name in the manifest's folder; empty: no PCM data
  uint32_t pcmLength = 0;
  std::string peakFile;  // empty: no peak data
  uint32_t peakLength = 0;
  AudioFormat format;
};

struct ManifestEntry {
  OpCode operation{};
  int32_t extend = 0;
  uint32_t pcmStart = 0, pcmEnd = 0;
  uint32_t peakStart = 0, peakEnd = 0;
  ManifestSlot audio;  // empty for entries that hold no audio
};

// A ring's live entries, newest first, and where the newest sits.
struct ManifestRing {
  int16_t position = 0;
  std::vector<ManifestEntry> entries;  // at most kUndoLevels
};

struct DocManifest {
  std::string title;         // the document's name as the user knows it
  std::string originalPath;  // the file it came from or was last saved to; empty for a new one
  std::string kind;          // "WAV", "MP3", "WMA", "PCM" or "" (AudioFileKind of that path)
  AudioFormat format;
  ManifestSlot work;  // the working copy: dataLength and peakLength of the document
  uint32_t selStart = 0, selEnd = 0;
  uint32_t viewStart = 0, viewEnd = 0;
  ManifestRing undo;
  ManifestRing redo;
  bool modified = false;
  int64_t lastChange = 0;  // seconds since 1970 (UTC) of the last completed operation
  // The boot of the machine the manifest was written in (the kernel's boot
  // id). A manifest written before its files were flushed is only good
  // while the machine has not been restarted since.
  std::string bootId;

  // Filled by the reader, never written: why a ring could not be read (it
  // is then empty, and the rest of the manifest still counts).
  std::vector<std::string> ringProblems;
};

std::string ManifestToJson(const DocManifest& manifest);

// Reads a manifest; false with the reason for text that is not a complete
// manifest of this version, or that names a file outside its folder. A
// damaged undo or redo ring alone does not fail the read: that ring comes
// back empty with its reason in `ringProblems`.
bool ManifestFromJson(const std::string& text, DocManifest* manifest, std::string* error);
