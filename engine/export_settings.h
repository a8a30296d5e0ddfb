// What the export dialogs keep for a document while it is open: the encoder
// choice and the tag fields. Imports fill them from the file's own tags so
// that the next export proposes them again.
#pragma once

#include <cstdint>
#include <string>

struct Mp3ExportSettings {
  int32_t bitRate = 128;  // kilobits per second, constant bit rate
  // ID3v1 genre number; 255 names none, which is where an export starts so
  // that no file is tagged with a genre the user never chose.
  int32_t genre = 255;
  std::string title;
  std::string artist;
  std::string album;
  std::string year;
  std::string comment;
  int32_t applied = 1;
};

struct WmaExportSettings {
  int32_t quality = 2;  // index into the four quality levels
  std::string title;
  std::string author;
  std::string album;
  std::string year;
  std::string genre;       // genre text as the file or the user gave it
  int32_t genreIndex = 0;  // entry of the genre table the export writes; 0 "Blues"
  int32_t applied = 1;
};

// FLAC, Ogg Vorbis and Opus: each type's own encoder setting. Their Vorbis
// comments come from the MP3 settings' tag fields, so that one set of tags
// follows the document whichever of these types it is saved as.
struct XiphExportSettings {
  int32_t flacLevel = 5;   // compression level 0..8
  int32_t oggQuality = 5;  // Vorbis quality 0..10
  int32_t opusKbps = 128;  // Opus bit rate 64..256 kbit/s
  int32_t applied = 1;
};
