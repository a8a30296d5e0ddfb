// What the MP3 and WMA exports share: the formats they accept, the tag texts'
// length limit, and the writer pattern of a reserved file in the run folder
// that replaces the user's file only once it is complete.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/temp_audio_file.h"

// The longest text an export dialog's edit box keeps, in bytes.
inline constexpr size_t kMaxExportText = 126;

// Mono or stereo, 8 or 16 bits, a positive rate: what both encoders can be
// fed after conversion or widening.
bool IsExportableFormat(const AudioFormat& format);
// "Sorry, ..." for any other format; `kind` is "MP3" or "WMA".
void ShowUnsupportedExportFormat(const char* kind);

// `text` cut to the longest prefix of at most 126 bytes that does not end
// inside a UTF-8 sequence: what an export dialog's edit box keeps.
std::string CutExportText(std::string_view text);

// What a Year box takes: digits only, at most four, as the year field of an
// ID3v1 tag holds them. Empty is allowed (no year).
inline constexpr size_t kExportYearDigits = 4;
bool ExportYearAllowed(std::string_view text);

// Reserves "<folder>/<base>_<n>" for the first free n, created empty. false
// after "Failed to close newly created write file: %s" or "Failed to create
// write file: %s"; nothing is left behind then.
bool ReserveExportFile(const std::string& folder, const char* base, std::string* path);

// Moves the finished file over `target`. OP_DONE, or OP_FAILED after
// "<routine>: Unable to write to wave file %s" (the target untouched; the
// caller removes the finished file) or "<routine>: Failed to move newly
// written file over existing file ..." (the finished file stays where the
// message says: `keepFinished` is called so that the caller leaves it).
// `routine` is the writer's name, "WriteMp3File" or "WriteWmaFile".
OpResult PlaceExportFile(const std::string& finished, const std::string& target,
                         const char* routine, const std::function<void()>& keepFinished);

// The reserved file in the run folder: removed on every way out unless kept
// (a finished file the final move could not place stays where its message
// says).
class ReservedFile {
 public:
  explicit ReservedFile(std::string path) : path_(std::move(path)) {}
  ~ReservedFile();
  ReservedFile(const ReservedFile&) = delete;
  ReservedFile& operator=(const ReservedFile&) = delete;
  const std::string& Path() const { return path_; }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  bool kept_ = false;
};

// A converted or widened copy in a scratch slot, removed on every way out;
// Release hands it to a caller that removes it itself to report a failure.
class ScratchGuard {
 public:
  explicit ScratchGuard(TempAudioFile* slot) : slot_(slot) {}
  ~ScratchGuard();
  ScratchGuard(const ScratchGuard&) = delete;
  ScratchGuard& operator=(const ScratchGuard&) = delete;
  TempAudioFile* Release() { return std::exchange(slot_, nullptr); }

 private:
  TempAudioFile* slot_;
};
