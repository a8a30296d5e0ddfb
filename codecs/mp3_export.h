// Saving a document as MP3: the MP3 information dialog's rules (bit rate and
// ID3 tag fields), the 128-byte ID3 version 1 tag, and the encoder run that
// streams the working audio through the LAME encoder-stream library loaded
// at run time ("LAME.DLL") into a file of the run folder before it replaces
// the user's file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/export_common.h"
#include "engine/export_settings.h"
#include "engine/temp_audio_file.h"
#include "libs/lame_enc/lame_enc.h"

class Progress;

// Constant bit rates offered, in list order (kbit/s).
inline constexpr std::array<int, 14> kMp3BitRates = {320, 256, 224, 192, 160, 128, 112,
                                                     96,  80,  64,  56,  48,  40,  32};
// The genre byte of a tag that names no genre of the list.
inline constexpr int kNoGenre = 255;

// The tag appended after the last MP3 frame: "TAG", title (30 bytes),
// artist (30), album (30), year (4), comment (30), genre number (1). Each
// text is cut to its field and padded with zero bytes; a genre outside
// 0..255 is written as 255.
std::string MakeId3v1TagBytes(const Mp3ExportSettings& settings);

// "MP3 Information": what the controls show and what OK stores. A dialog
// mirrors the public fields into its widgets and back.
class Mp3DialogModel {
 public:
  static constexpr int IDD = 239;
  static constexpr int IDC_BIT_RATE = 1219, IDC_GENRE = 1215;
  static constexpr int IDC_ARTIST = 1221, IDC_TITLE = 1222, IDC_ALBUM = 1223;
  static constexpr int IDC_COMMENT = 1224, IDC_YEAR = 1225;
  static constexpr int IDC_OK = 1112, IDC_CANCEL = 1051;

  explicit Mp3DialogModel(Mp3ExportSettings& settings);

  // The bit-rate list's texts ("320" ... "32"), and the genre list: "(none)"
  // first, then the genre names by number.
  static std::vector<std::string> BitRateTexts();
  static std::vector<std::string> GenreTexts();

  // Puts the settings into the controls: the bit rate whose text equals the
  // stored rate is selected (none when it is not in the list), the genre at
  // its number ("(none)" for a number beyond the list, such as 255).
  void Init();
  // Stores the controls' state; texts are cut to kMaxExportText characters.
  // With no bit rate selected the previous rate stays; with "(none)" or no
  // genre selected the genre becomes 255. applied := 1.
  const Mp3ExportSettings& Ok();
  // applied := 0; nothing else changes.
  void Cancel();

  int bitRateSelection = -1;  // list position, -1 none
  int genreSelection = -1;    // list position: 0 "(none)", n + 1 genre n; -1 none
  std::string title, artist, album, year, comment;

 private:
  Mp3ExportSettings& settings_;
};

// The encoder library's five functions.
struct LameEncoderApi {
  BeInitStreamFn init = nullptr;
  BeEncodeChunkFn encode = nullptr;
  BeDeinitStreamFn deinit = nullptr;
  BeCloseStreamFn close = nullptr;
  BeVersionFn version = nullptr;
};

struct Mp3ExportJob {
  TempAudioFile* work = nullptr;     // mapped for reading
  TempAudioFile* scratch = nullptr;  // slot A: the 16-bit stereo copy when needed
  std::string target;                // the user's file
  std::string tempFolder;            // the run folder
  Mp3ExportSettings settings;
  // Where the encoder comes from: the library of that editor name, loaded
  // once and kept, unless `encoder` supplies the functions directly.
  const char* libraryName = "LAME.DLL";
  const LameEncoderApi* encoder = nullptr;
};

// The rate the encoder runs at for audio of `rate` Hz at `bitRate` kbit/s:
// the audio's own when MPEG has it with that bit rate (32000, 44100 and
// 48000 Hz at any rate of the list; 16000, 22050 and 24000 Hz up to 160
// kbit/s; 8000, 11025 and 12000 Hz up to 64 kbit/s), else 44100 Hz, to
// which the audio is resampled with libswresample's filter on the way into
// the encoder.
int32_t Mp3EncoderRate(int32_t rate, int bitRate);

// Encodes the working audio at the settings' bit rate (converting it to
// 16-bit stereo in the scratch slot first when it is in another format, and
// resampling it to Mp3EncoderRate as it goes), appends the tag and puts the
// file in place of the target.
// OP_DONE; OP_CANCELLED; OP_FAILED after its message; 0 when no temporary
// name could be reserved. Whatever the result, the encoder stream is closed,
// the converted copy is removed and no temporary file is left, except after
// a failed final move, whose message names the finished file.
OpResult EncodeToMp3(const Mp3ExportJob& job, Progress& progress);
