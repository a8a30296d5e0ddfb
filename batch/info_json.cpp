#include "batch/info_json.h"

#include <cstdint>
#include <cstdio>

#include "engine/editor_doc.h"

namespace {

// Length of the valid UTF-8 sequence at the start of `s`, or 0.
size_t Utf8SequenceLength(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  uint32_t minimum = 0;
  uint32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, minimum = 0x80, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, minimum = 0x800, value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, minimum = 0x10000, value = lead & 0x07;
  } else {
    return 0;
  }
  if (s.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (byte(i) & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  return length;
}

class ObjectWriter {
 public:
  ObjectWriter() { text_ = "{"; }
  ObjectWriter& Number(const char* key, int64_t value) { return Raw(key, std::to_string(value)); }
  ObjectWriter& String(const char* key, std::string_view value) {
    return Raw(key, JsonString(value));
  }
  ObjectWriter& Bool(const char* key, bool value) { return Raw(key, value ? "true" : "false"); }
  ObjectWriter& Raw(const char* key, const std::string& json) {
    if (text_.size() > 1) text_ += ',';
    text_ += JsonString(key);
    text_ += ':';
    text_ += json;
    return *this;
  }
  std::string Done() { return text_ + "}"; }

 private:
  std::string text_;
};

}  // namespace

std::string JsonString(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20 || c == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else if (const size_t n = Utf8SequenceLength(text.substr(i)); n != 0) {
      out.append(text, i, n);
      i += n;
    } else {
      out += "\\ufffd";
      ++i;
    }
  }
  out += '"';
  return out;
}

std::string DocumentInfoJson(const CEditorDoc& doc, const TempAudioFile& clipboard) {
  const std::string clip = ObjectWriter()
                               .Number("pcmLength", clipboard.pcmLength)
                               .Number("channels", clipboard.channels)
                               .Number("bitsPerSample", clipboard.bitsPerSample)
                               .Number("sampleRate", clipboard.sampleRate)
                               .Done();
  const std::string mp3 = ObjectWriter()
                              .Number("bitrate", doc.mp3Export.bitRate)
                              .String("title", doc.mp3Export.title)
                              .String("artist", doc.mp3Export.artist)
                              .String("album", doc.mp3Export.album)
                              .String("year", doc.mp3Export.year)
                              .String("comment", doc.mp3Export.comment)
                              .Number("genre", doc.mp3Export.genre)
                              .Done();
  const std::string wma = ObjectWriter()
                              .Number("quality", doc.wmaExport.quality)
                              .String("title", doc.wmaExport.title)
                              .String("artist", doc.wmaExport.author)
                              .String("album", doc.wmaExport.album)
                              .String("year", doc.wmaExport.year)
                              .String("genre", doc.wmaExport.genre)
                              .Done();
  ObjectWriter info;
  info.String("path", doc.Path())
      .Number("channels", doc.channels)
      .Number("bitsPerSample", doc.bitsPerSample)
      .Number("sampleRate", doc.sampleRate)
      .Number("dataLength", doc.dataLength)
      .Number("peakLength", doc.peakLength)
      .Number("selStart", doc.Selection().Start())
      .Number("selEnd", doc.Selection().End())
      .Number("peakSelStart", doc.Selection().PeakStart())
      .Number("peakSelEnd", doc.Selection().PeakEnd())
      .Number("viewStart", doc.View().Start())
      .Number("viewEnd", doc.View().End())
      .Bool("hasAudio", doc.hasAudio != 0)
      .Number("undoCount", doc.undoCount)
      .Number("redoCount", doc.redoCount)
      .Raw("clipboard", clip)
      .Raw("mp3", mp3)
      .Raw("wma", wma);
  // What an imported file was before it became 16-bit mono or stereo; only
  // for the files the import routine opened, so that the others' lines stay
  // as they were.
  const ImportedSource& source = doc.importedSource;
  if (!source.codec.empty()) {
    info.Raw("source", ObjectWriter()
                           .String("format", source.codec)
                           .Number("bitsPerSample", source.sourceBits)
                           .Bool("float", source.sourceIsFloat)
                           .Number("channels", source.sourceChannels)
                           .Bool("reduced", source.reduced)
                           .Bool("mixedDown", source.mixedDown)
                           .Bool("partial", source.partial)
                           .Done());
  }
  return info.Done();
}
