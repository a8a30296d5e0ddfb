// The ID3 version 1 genre list, numbers 0-147: the 80 names of the first
// list and the 68 of the common extension, in the spellings both export
// dialogs show. The MP3 tag stores the number itself, the WMA file the name,
// so a list position is a genre number and the other way round. Files
// written by earlier versions hold exactly these spellings ("Psychadelic",
// "Rhytmic Soul", the cut "Contemporary C"), so they are kept as they are:
// an imported name is matched against them literally.
#pragma once

#include <array>
#include <string_view>

inline constexpr int kGenreCount = 148;
// Bytes of one entry of the WMA dialog's genre table, zero padding included;
// every name fits with room for its terminator.
inline constexpr int kGenreEntrySize = 30;

// All names, index = genre number.
const std::array<std::string_view, kGenreCount>& GenreNames();

// The name of genre `number`, or empty outside the list.
std::string_view GenreName(int number);

// The number of the first genre whose name equals `name` exactly (case
// counts), or -1: how an imported WMA genre text finds its entry.
int FindGenreNumber(std::string_view name);

// The number of the genre called `name` compared without regard to case, or
// -1: for names typed on a command line.
int GenreNumber(std::string_view name);
