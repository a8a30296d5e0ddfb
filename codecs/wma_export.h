// Saving a document as WMA: the WMA information dialog's rules (quality and
// attribute fields), the widening of the working audio to 16-bit stereo
// block by block, and the encoder run through the WMA encoder library
// ("Sarvik.dll") and the attribute library ("Tallisk.dll"), both loaded at
// run time, into a file of the run folder before it replaces the user's
// file.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/export_settings.h"
#include "engine/temp_audio_file.h"
#include "libs/sarvik/sarvik.h"
#include "libs/tallisk/tallisk.h"

class Progress;

// The quality list, index = what the encoder receives.
inline constexpr std::array<const char*, 4> kWmaQualityTexts = {
    "128 Kbps - Above CD Quality", "96 Kbps - Above CD Quality", "64 Kbps - CD Quality",
    "48 Kbps - Near CD Quality"};
inline constexpr int kDefaultWmaQuality = 2;

// The widened block every encoder call receives at most, in bytes.
inline constexpr uint32_t kWmaEncoderBlock = 8192;

// Source bytes per encoder block: 8-bit mono 2048, 8-bit stereo 4096, 16-bit
// mono 4096, 16-bit stereo 8192; each widens to 8192 bytes. 0 for other
// formats.
uint32_t WmaSourceBlockSize(const AudioFormat& format);

// Widens `bytes` source bytes of `format` into 16-bit stereo frames at
// `out`: an 8-bit byte b becomes (b - 128) x 256, a mono sample is written
// to both channels. Returns the number of samples written (two per frame).
// A trailing partial frame is dropped.
size_t WidenToStereo16(const uint8_t* source, size_t bytes, const AudioFormat& format,
                       int16_t* out);

// The genre settings of a WMA export kept in step: when the genre text
// names an entry of the table exactly, the index follows it; otherwise the
// index stays. Returns the name the export writes (the entry at the index,
// "Blues" for an index outside the table).
std::string SyncWmaGenre(WmaExportSettings* settings);

// "WMA Information": what the controls show and what OK stores.
class WmaDialogModel {
 public:
  static constexpr int IDD = 240;
  static constexpr int IDC_QUALITY = 1113, IDC_GENRE = 1118;
  static constexpr int IDC_ARTIST = 1114, IDC_TITLE = 1115, IDC_ALBUM = 1116, IDC_YEAR = 1119;
  static constexpr int IDC_OK = 1112, IDC_CANCEL = 1051;

  explicit WmaDialogModel(WmaExportSettings& settings);

  static std::vector<std::string> QualityTexts();
  static std::vector<std::string> GenreTexts();

  // Puts the settings into the controls; the genre follows an imported
  // genre text that names a table entry (FindGenre).
  void Init();
  // Sets the genre selection to the first table entry equal to `name`
  // (exact, case counts); leaves it as it is when none matches.
  void FindGenre(const std::string& name);
  // Stores the controls' state, texts cut to 126 bytes; a list without a
  // selection keeps the stored value. applied := 1.
  const WmaExportSettings& Ok();
  // applied := 0; nothing else changes.
  void Cancel();

  int qualitySelection = kDefaultWmaQuality;
  int genreSelection = 0;
  std::string title, artist, album, year;

 private:
  WmaExportSettings& settings_;
};

// The five functions of the two libraries.
struct WmaLibraryApi {
  WMAEncodeInitFn init = nullptr;
  WMAEncodeBufferFn buffer = nullptr;
  WMAEncodeDeInitFn deinit = nullptr;
  WMASetAttributeFn setAttribute = nullptr;
};

struct WmaExportJob {
  const TempAudioFile* work = nullptr;  // mapped for reading
  std::string target;                   // the user's file
  std::string tempFolder;               // the run folder
  WmaExportSettings settings;
  // Shown when the libraries cannot be loaded: the user is told how to get
  // the media support.
  std::function<void()> mediaSupportNeeded;
  const char* encoderLibrary = "Sarvik.dll";
  const char* attributeLibrary = "Tallisk.dll";
  // When set, used instead of the libraries.
  const WmaLibraryApi* libraries = nullptr;
};

// Encodes the working audio, widened to 16-bit stereo at its own rate,
// writes the five attributes and puts the file in place of the target.
// OP_DONE; OP_CANCELLED (also when the libraries are missing, after the
// media support notice); OP_FAILED after its message; 0 when no temporary
// name could be reserved. No temporary file is left behind, except after a
// failed final move, whose message names it.
OpResult EncodeToWma(const WmaExportJob& job, Progress& progress);
