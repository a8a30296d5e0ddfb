// The ID3v1 genre list (numbers 0-147) in the spellings the export dialogs
// offer, so that `save ... genre NAME` picks the entry a user would pick.
#pragma once

#include <string>
#include <string_view>

inline constexpr int kGenreCount = 148;

// The name of genre `number`, or empty outside the list.
std::string_view GenreName(int number);

// The number of the genre called `name` (compared without regard to case),
// or -1.
int GenreNumber(std::string_view name);
