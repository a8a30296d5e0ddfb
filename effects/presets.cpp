#include "effects/presets.h"

#include <fcntl.h>
#include <unistd.h>

#include <bit>
#include <cstring>

#include "platform/file_replace.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

using platform::ShowMessage;
using platform::ShowMessageF;

// The records are the leading bytes of the entries: a name, then 32-bit
// fields with no padding between them, stored little-endian.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr EchoPreset MakeEcho(const char* name, int32_t initial, int32_t additional,
                              int32_t delay) {
  EchoPreset p;
  for (int i = 0; name[i] != '\0'; ++i) p.name[i] = name[i];
  p.reserved = 1;
  p.initialRatioRight = p.initialRatioLeft = initial;
  p.additionalRatioRight = p.additionalRatioLeft = additional;
  p.delayRight = p.delayLeft = delay;
  return p;
}

constexpr ReverbPreset MakeReverb(const char* name, int32_t lock, int32_t dryRight, int32_t dryLeft,
                                  int32_t wetRight, int32_t wetLeft, int32_t delayRight,
                                  int32_t delayLeft) {
  ReverbPreset p;
  for (int i = 0; name[i] != '\0'; ++i) p.name[i] = name[i];
  p.lock = lock;
  p.dryRight = dryRight;
  p.dryLeft = dryLeft;
  p.wetRight = wetRight;
  p.wetLeft = wetLeft;
  p.delayRight = delayRight;
  p.delayLeft = delayLeft;
  return p;
}

constexpr MultiVoicePreset MakeMultiVoice(const char* name, int32_t voices, int32_t initial,
                                          int32_t wet, int32_t delay) {
  MultiVoicePreset p;
  for (int i = 0; name[i] != '\0'; ++i) p.name[i] = name[i];
  p.reserved = 1;
  p.voices = voices;
  p.initialRatioRight = p.initialRatioLeft = initial;
  p.wetRight = p.wetLeft = wet;
  p.delayRight = p.delayLeft = delay;
  return p;
}

const char* FileName(const EchoPreset*) {
  return "echo.prt";
}
const char* FileName(const ReverbPreset*) {
  return "reverb.prt";
}
const char* FileName(const MultiVoicePreset*) {
  return "multivoice.prt";
}

const auto& BuiltIns(const EchoPreset*) {
  return kEchoBuiltInPresets;
}
const auto& BuiltIns(const ReverbPreset*) {
  return kReverbBuiltInPresets;
}
const auto& BuiltIns(const MultiVoicePreset*) {
  return kMultiVoiceBuiltInPresets;
}

// The left delay is not in a 152-byte record. Taking the right delay keeps
// both channels of a locked preset equal.
void CompleteFromRecord(EchoPreset* p) {
  p->delayLeft = p->delayRight;
}
void CompleteFromRecord(ReverbPreset* p) {
  p->delayLeft = p->delayRight;
}
void CompleteFromRecord(MultiVoicePreset*) {}

}  // namespace

const std::array<EchoPreset, kBuiltInPresets> kEchoBuiltInPresets = {
    MakeEcho("Canyon Echo", 100, 50, 850),
    MakeEcho("Small Room", 100, 50, 10),
    MakeEcho("Auditorium", 100, 60, 100),
    MakeEcho("Crystalized", 100, 5, 2),
};

const std::array<ReverbPreset, kBuiltInPresets> kReverbBuiltInPresets = {
    MakeReverb("Large Cathedral", 1, 95, 95, 65, 65, 185, 185),
    MakeReverb("Small Room", 1, 95, 95, 50, 50, 70, 70),
    MakeReverb("Large Room", 0, 20, 100, 62, 54, 329, 177),
    MakeReverb("Robotic", 1, 0, 0, 80, 80, 3, 3),
};

const std::array<MultiVoicePreset, kBuiltInPresets> kMultiVoiceBuiltInPresets = {
    MakeMultiVoice("Simple Chorus I", 2, 45, 60, 45),
    MakeMultiVoice("Simple Chorus II", 1, 80, 80, 83),
    MakeMultiVoice("Hallway", 6, 35, 35, 22),
    MakeMultiVoice("Computer", 10, 30, 30, 10),
};

void SetPresetName(char (&name)[kPresetNameSize], std::string_view text) {
  size_t length = std::min<size_t>(text.size(), kPresetNameSize - 1);
  // Step back over UTF-8 continuation bytes so a cut never splits a
  // character.
  if (length < text.size()) {
    while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
  }
  std::memset(name, 0, kPresetNameSize);
  std::memcpy(name, text.data(), length);
}

template <class Entry>
std::string PresetFilePath() {
  const std::string folder = platform::ProgramFolder();
  const char* file = FileName(static_cast<const Entry*>(nullptr));
  return folder.empty() ? std::string(file) : folder + "/" + file;
}

template <class Entry>
void LoadPresetList(int32_t* count, PresetTable<Entry>& table) {
  const auto& builtIns = BuiltIns(static_cast<const Entry*>(nullptr));
  std::copy(builtIns.begin(), builtIns.end(), table.begin());
  *count = kBuiltInPresets;

  const std::string path = PresetFilePath<Entry>();
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return;
  constexpr size_t kRecord = PresetRecordSize<Entry>();
  char record[kRecord];
  while (*count < kMaxPresets) {
    size_t got = 0;
    while (got < kRecord) {
      const ssize_t n = ::read(fd.Get(), record + got, kRecord - got);
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    if (got < kRecord) break;  // end of file, or a cut-off last record
    Entry entry;
    std::memcpy(static_cast<void*>(&entry), record, kRecord);
    entry.name[kPresetNameSize - 1] = '\0';  // a foreign file may not terminate it
    CompleteFromRecord(&entry);
    table[static_cast<size_t>(*count)] = entry;
    ++*count;
  }
}

template <class Entry>
bool WritePresetFile(int32_t count, const PresetTable<Entry>& table, int skip) {
  constexpr size_t kRecord = PresetRecordSize<Entry>();
  std::string bytes;
  for (int32_t i = kBuiltInPresets; i < count && i < kMaxPresets; ++i) {
    if (i == skip) continue;
    bytes.append(reinterpret_cast<const char*>(&table[static_cast<size_t>(i)]), kRecord);
  }

  // A full disk never loses the presets: the old file stays until the new
  // one is complete.
  const std::string path = PresetFilePath<Entry>();
  const bool written = platform::WriteFileAtomically(path, bytes);
  if (!written) ShowMessageF("Failed to open Preset File for write: %s\n", path.c_str());
  return written;
}

template <class Entry>
bool AddPreset(int32_t* count, PresetTable<Entry>& table, std::string_view name, Entry values) {
  if (*count >= kMaxPresets) {
    ShowMessage("Sorry, you've enetered the maximum number of presets.");
    return false;
  }
  if (name.empty()) {
    ShowMessage("You must enter a preset name.");
    return false;
  }
  SetPresetName(values.name, name);
  table[static_cast<size_t>(*count)] = values;
  ++*count;
  return true;
}

template <class Entry>
bool RemovePreset(int32_t* count, PresetTable<Entry>& table, int selected) {
  if (selected >= 0 && selected < kBuiltInPresets) {
    ShowMessage("Sorry, this is a default preset.  Cannot delete.");
    return false;
  }
  const bool written = WritePresetFile(*count, table, selected);
  LoadPresetList(count, table);
  return written;
}

#define VELLMORE_PRESET_KIND(Entry)                                                       \
  template std::string PresetFilePath<Entry>();                                           \
  template void LoadPresetList<Entry>(int32_t*, PresetTable<Entry>&);                     \
  template bool WritePresetFile<Entry>(int32_t, const PresetTable<Entry>&, int);          \
  template bool AddPreset<Entry>(int32_t*, PresetTable<Entry>&, std::string_view, Entry); \
  template bool RemovePreset<Entry>(int32_t*, PresetTable<Entry>&, int);

VELLMORE_PRESET_KIND(EchoPreset)
VELLMORE_PRESET_KIND(ReverbPreset)
VELLMORE_PRESET_KIND(MultiVoicePreset)
