// The `info` command's one line of JSON: the active document's format,
// lengths, positions, history, the shared clipboard and the export settings.
#pragma once

#include <string>
#include <string_view>

class CEditorDoc;
struct TempAudioFile;

// `text` as a JSON string literal, quotes included. Bytes that are not valid
// UTF-8 become U+FFFD, so the line always parses.
std::string JsonString(std::string_view text);

std::string DocumentInfoJson(const CEditorDoc& doc, const TempAudioFile& clipboard);
