// Text attributes of ASF files over TagLib.
//
// TagLib keeps "Title" and "Author" in the content description object (its
// title() and artist()) and every other name in the extended attribute list.
// FFmpeg reads attribute names case-insensitively and lets an extended
// attribute override the content description, so a stale "title" written by
// another tool would hide a new "Title". Each name the editor uses therefore
// has a field description: where its value lives, which attributes readers
// may take for it (consulted in order on a get, all removed on a set) and
// which attributes receive it on a set.

#include "libs/tallisk/tallisk.h"

#include <taglib/asfattribute.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/tfilestream.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

enum class Slot { kNone, kTitle, kArtist };

struct Field {
  Slot slot;
  // Attributes consulted after the slot, in order; empty entries are unused.
  std::array<std::string_view, 2> reads;
  // Attributes that receive a non-empty value.
  std::array<std::string_view, 2> writes;
};

struct NamedField {
  std::string_view name;
  Field field;
};

// "WM/Year" is mirrored under "date" because FFmpeg's ASF reader knows the
// year only under that name; "Genre" goes to "WM/Genre", the attribute that
// players and FFmpeg read as the genre, while a literal "Genre" left by an
// older writer is still read first.
constexpr NamedField kFields[] = {
    {"Title", {Slot::kTitle, {"Title", ""}, {"", ""}}},
    {"Author", {Slot::kArtist, {"Author", "artist"}, {"", ""}}},
    {"WM/AlbumTitle", {Slot::kNone, {"WM/AlbumTitle", "album"}, {"WM/AlbumTitle", ""}}},
    {"WM/Year", {Slot::kNone, {"WM/Year", "date"}, {"WM/Year", "date"}}},
    {"Genre", {Slot::kNone, {"Genre", "WM/Genre"}, {"WM/Genre", ""}}},
    {"WM/Genre", {Slot::kNone, {"WM/Genre", "Genre"}, {"WM/Genre", ""}}},
};

Field FieldFor(std::string_view name) {
  for (const NamedField& known : kFields) {
    if (known.name == name) return known.field;
  }
  return Field{Slot::kNone, {name, ""}, {name, ""}};
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Utf8(const TagLib::String& s) {
  std::string text = s.to8Bit(true);
  // A NUL inside the value would end the C text anyway; cut it there so the
  // cut-length logic below sees what the caller sees.
  text.resize(std::strlen(text.c_str()));
  return text;
}

// The text of one attribute value; numbers are given in decimal, binary
// values have no text.
std::string AttributeText(const TagLib::ASF::Attribute& attribute) {
  using TagLib::ASF::Attribute;
  switch (attribute.type()) {
    case Attribute::UnicodeType:
      return Utf8(attribute.toString());
    case Attribute::DWordType:
      return std::to_string(attribute.toUInt());
    case Attribute::QWordType:
      return std::to_string(attribute.toULongLong());
    case Attribute::WordType:
      return std::to_string(attribute.toUShort());
    default:
      return {};
  }
}

// First non-empty value among the attributes named `name`, an exact match
// preferred over one that differs only in case.
std::string ReadAttribute(const TagLib::ASF::Tag& tag, std::string_view name) {
  const TagLib::ASF::AttributeListMap& map = tag.attributeListMap();
  for (int pass = 0; pass < 2; ++pass) {
    for (const auto& [key, list] : map) {
      const std::string key_text = key.to8Bit(true);
      const bool match = pass == 0 ? key_text == name : SameNameIgnoringCase(key_text, name);
      if (!match) continue;
      for (const TagLib::ASF::Attribute& attribute : list) {
        std::string text = AttributeText(attribute);
        if (!text.empty()) return text;
      }
    }
  }
  return {};
}

std::string ReadField(const TagLib::ASF::Tag& tag, const Field& field) {
  std::string text;
  if (field.slot == Slot::kTitle) text = Utf8(tag.title());
  if (field.slot == Slot::kArtist) text = Utf8(tag.artist());
  for (std::string_view name : field.reads) {
    if (!text.empty()) break;
    if (!name.empty()) text = ReadAttribute(tag, name);
  }
  return text;
}

void WriteField(TagLib::ASF::Tag& tag, const Field& field, const TagLib::String& value) {
  std::vector<TagLib::String> stale;
  for (const auto& [key, list] : tag.attributeListMap()) {
    const std::string key_text = key.to8Bit(true);
    for (std::string_view name : field.reads) {
      if (!name.empty() && SameNameIgnoringCase(key_text, name)) stale.push_back(key);
    }
    for (std::string_view name : field.writes) {
      if (!name.empty() && SameNameIgnoringCase(key_text, name)) stale.push_back(key);
    }
  }
  for (const TagLib::String& key : stale) tag.removeItem(key);

  if (field.slot == Slot::kTitle) tag.setTitle(value);
  if (field.slot == Slot::kArtist) tag.setArtist(value);
  if (value.isEmpty()) return;
  for (std::string_view name : field.writes) {
    if (name.empty()) continue;
    tag.setAttribute(TagLib::String(std::string(name), TagLib::String::UTF8),
                     TagLib::ASF::Attribute(value));
  }
}

// Copies `text` into a caller buffer of TALLISK_ATTRIBUTE_BUFFER_SIZE bytes,
// cutting before a UTF-8 lead byte so no character is split.
int32_t CopyOut(const std::string& text, char* buffer) {
  size_t length = text.size();
  int32_t result = TALLISK_OK;
  if (length >= TALLISK_ATTRIBUTE_BUFFER_SIZE) {
    length = TALLISK_ATTRIBUTE_BUFFER_SIZE - 1;
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    result = TALLISK_VALUE_CUT;
  }
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return result;
}

bool IsValidUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t extra;
    uint32_t code;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, code = lead & 0x07;
    } else {
      return false;
    }
    if (i + extra >= text.size()) return false;  // cut off inside a character
    for (size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    static constexpr uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    i += extra + 1;
  }
  return true;
}

// Values are UTF-8; a text that is not (an old 8-bit text) is taken as
// Latin-1 rather than dropped, which is what TagLib would do with it.
TagLib::String ValueText(const char* value) {
  return IsValidUtf8(value) ? TagLib::String(value, TagLib::String::UTF8)
                            : TagLib::String(value, TagLib::String::Latin1);
}

bool ValidName(const char* name) {
  return name != nullptr && name[0] != '\0';
}

}  // namespace

extern "C" int32_t WMASetAttribute(const char* path, int32_t streamNumber, const char* name,
                                   const char* value, int32_t valueType) {
  if (path == nullptr || !ValidName(name) || value == nullptr ||
      streamNumber != TALLISK_STREAM_FILE || valueType != TALLISK_TYPE_STRING) {
    return TALLISK_ERROR_ARGUMENT;
  }
  try {
    TagLib::ASF::File file(path, false);
    if (!file.isOpen() || !file.isValid() || file.tag() == nullptr) return TALLISK_ERROR_FILE;
    if (file.readOnly()) return TALLISK_ERROR_WRITE;
    WriteField(*file.tag(), FieldFor(name), ValueText(value));
    return file.save() ? TALLISK_OK : TALLISK_ERROR_WRITE;
  } catch (...) {
    return TALLISK_ERROR_INTERNAL;
  }
}

extern "C" int32_t WMAGetAttribute(const char* path, int32_t streamNumber, const char* name,
                                   char* buffer) {
  if (buffer == nullptr) return TALLISK_ERROR_ARGUMENT;
  buffer[0] = '\0';
  if (path == nullptr || !ValidName(name) || streamNumber != TALLISK_STREAM_FILE) {
    return TALLISK_ERROR_ARGUMENT;
  }
  try {
    // Reading never needs write access, so read-only files work too.
    TagLib::FileStream stream(path, true);
    if (!stream.isOpen()) return TALLISK_ERROR_FILE;
    TagLib::ASF::File file(&stream, false);
    if (!file.isValid() || file.tag() == nullptr) return TALLISK_ERROR_FILE;
    return CopyOut(ReadField(*file.tag(), FieldFor(name)), buffer);
  } catch (...) {
    buffer[0] = '\0';
    return TALLISK_ERROR_INTERNAL;
  }
}
