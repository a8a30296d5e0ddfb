// Reading the 128-byte ID3 version 1 tag at the end of an MP3 file, whose
// fields become the proposals of the document's next MP3 export.
#pragma once

#include <cstdint>
#include <string>

// Tag layout: "TAG", title (30 bytes), artist (30), album (30), year (4),
// comment (30), genre number (1). Each text is the field's bytes up to the
// first zero byte, or the whole field when it has none.
struct Id3v1Tag {
  bool found = false;  // the last 128 bytes of the file start with "TAG"
  std::string title;
  std::string artist;
  std::string album;
  std::string year;
  std::string comment;
  uint8_t genre = 0;  // ID3v1 genre number as stored; may lie outside the genre list
};

inline constexpr int kId3v1TagSize = 128;

// Reads the tag of the file at `path`. A file that cannot be opened shows
// "Could not open %s to get TAG Info - it may be in exclusive use by another
// program." and gives a record with `found` false, as does a file without a
// tag or shorter than a tag.
Id3v1Tag ReadId3v1Tag(const std::string& path);
