#include "codecs/audio_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "engine/damaged_part.h"
#include "engine/document_dialogs.h"
#include "engine/document_host.h"
#include "engine/editor_doc.h"
#include "engine/progress.h"
#include "platform/library.h"
#include "platform/message.h"
#include "platform/paths.h"
#include "platform/unique_fd.h"

using platform::FormatText;
using platform::ShowMessage;

namespace {

constexpr const char* kLibraryName = "AVImport.dll";
// Decoded bytes collected before a write to the working file.
constexpr size_t kWriteBlock = 1 << 20;

// The library stays loaded once found, as the other codec libraries do.
bool LoadImportLibrary(AudioImportApi* api) {
  static platform::Library library;
  static AudioImportApi loaded;
  if (!library.IsLoaded()) {
    if (!library.Load(kLibraryName)) {
      ShowMessage(FormatText("The audio import library could not be loaded (%s).",
                             library.Error().c_str()));
      return false;
    }
    loaded = {library.Get<AvImportOpenFn>("AvImportOpen"),
              library.Get<AvImportReadFn>("AvImportRead"),
              library.Get<AvImportCloseFn>("AvImportClose")};
  }
  if (loaded.open == nullptr || loaded.read == nullptr || loaded.close == nullptr) {
    ShowMessage("The audio import library lacks its reader functions.");
    return false;
  }
  *api = loaded;
  return true;
}

void ShowOpenFailure(int32_t result, const std::string& name, const AvImportInfo& info) {
  const char* detail = info.detail[0] != '\0' ? info.detail : "no further detail";
  switch (result) {
    case AV_IMPORT_ERROR_OPEN:
      ShowMessage(FormatText("%s could not be opened for reading (%s).", name.c_str(), detail));
      return;
    case AV_IMPORT_ERROR_FORMAT:
      ShowMessage(
          FormatText("%s is not an audio file the editor can read (%s).", name.c_str(), detail));
      return;
    case AV_IMPORT_ERROR_NO_AUDIO:
      ShowMessage(FormatText("%s holds no audio.", name.c_str()));
      return;
    case AV_IMPORT_ERROR_CODEC:
      ShowMessage(FormatText("%s holds audio the editor cannot decode (%s).", name.c_str(),
                             info.codecName[0] != '\0' ? info.codecName : detail));
      return;
    case AV_IMPORT_ERROR_STREAM:
      ShowMessage(
          FormatText("%s states no usable sample rate or channel count (%d Hz, %d "
                     "channels).",
                     name.c_str(), info.sampleRate, info.sourceChannels));
      return;
    case AV_IMPORT_ERROR_MEMORY:
      ShowMessage(FormatText("There is not enough memory to open %s.", name.c_str()));
      return;
    default:
      ShowMessage(FormatText("%s could not be opened: the audio import library failed (%d).",
                             name.c_str(), result));
      return;
  }
}

// Closes the reader on every way out.
class ReaderGuard {
 public:
  ReaderGuard(const AudioImportApi& api, AvImportReader* reader) : api_(api), reader_(reader) {}
  ~ReaderGuard() { api_.close(reader_); }
  ReaderGuard(const ReaderGuard&) = delete;
  ReaderGuard& operator=(const ReaderGuard&) = delete;
  AvImportReader* Get() const { return reader_; }

 private:
  const AudioImportApi& api_;
  AvImportReader* reader_;
};

// What the user is told once the audio is in: what was changed to fit the
// editor's 16-bit mono or stereo.
void TellWhatChanged(const std::string& name, const ImportedSource& source) {
  if (source.mixedDown) {
    ShowMessage(FormatText("%s has %d channels; it is edited as stereo.", name.c_str(),
                           source.sourceChannels),
                platform::MessageIcon::Information);
  }
  if (source.reduced) {
    ShowMessage(FormatText("%s is a %d-bit%s file; it is edited at 16 bits.", name.c_str(),
                           source.sourceBits, source.sourceIsFloat ? " floating-point" : ""),
                platform::MessageIcon::Information);
  }
}

}  // namespace

OpResult ImportAudio(CEditorDoc& doc, Progress& progress, const AudioImportApi* api) {
  progress.SetCaption("Importing audio");
  AudioImportApi loaded;
  if (api == nullptr) {
    if (!LoadImportLibrary(&loaded)) return OP_FAILED;
    api = &loaded;
  }
  const std::string name = platform::FileNameOf(doc.Path());

  AvImportReader* opened = nullptr;
  AvImportInfo info{};
  const int32_t openResult = api->open(doc.Path().c_str(), &opened, &info);
  if (openResult != AV_IMPORT_OK || opened == nullptr) {
    ShowOpenFailure(openResult == AV_IMPORT_OK ? AV_IMPORT_ERROR_INTERNAL : openResult, name, info);
    return OP_FAILED;
  }
  const ReaderGuard reader(*api, opened);
  if (info.channels != 1 && info.channels != 2) {
    ShowOpenFailure(AV_IMPORT_ERROR_STREAM, name, info);
    return OP_FAILED;
  }

  // The decoder writes a new file where the placeholder was, as the other
  // imports do.
  ::unlink(doc.work.pcmPath.c_str());
  platform::UniqueFd output(
      ::open(doc.work.pcmPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!output.Valid()) {
    ShowMessage(FormatText("Failed to open PCM File: %s\n", doc.work.pcmPath.c_str()));
    return OP_FAILED;
  }

  const uint64_t fileSize = info.fileSize > 0 ? static_cast<uint64_t>(info.fileSize) : 0;
  progress.SetTotal(static_cast<uint32_t>(std::min<uint64_t>(fileSize / 100, UINT32_MAX)));
  progress.Step(0);

  const uint64_t frameBytes = 2u * static_cast<uint64_t>(info.channels);
  const uint64_t maxBytes =
      std::numeric_limits<uint32_t>::max() - std::numeric_limits<uint32_t>::max() % frameBytes;
  std::vector<uint8_t> pending;
  pending.reserve(kWriteBlock + (1 << 16));
  uint64_t written = 0;
  int64_t frames = 0;
  bool damaged = false;
  auto flush = [&]() {
    if (pending.empty()) return true;
    if (!platform::WriteFully(output.Get(), pending.data(), pending.size())) return false;
    written += pending.size();
    pending.clear();
    return true;
  };

  for (;;) {
    const int16_t* samples = nullptr;
    int32_t count = 0;
    int64_t position = 0;
    const int32_t result = api->read(reader.Get(), &samples, &count, &position);
    if (result == AV_IMPORT_END) break;
    if (result == AV_IMPORT_ERROR_DAMAGED) {
      damaged = true;
      break;
    }
    if (result == AV_IMPORT_ERROR_MEMORY) {
      ShowMessage(FormatText("There is not enough memory to open %s.", name.c_str()));
      return OP_FAILED;
    }
    if (result != AV_IMPORT_OK) {
      ShowMessage(FormatText("%s could not be read: the audio import library failed (%d).",
                             name.c_str(), result));
      return OP_FAILED;
    }
    if (count > 0 && samples != nullptr) {
      const size_t bytes = static_cast<size_t>(count) * frameBytes;
      if (written + pending.size() + bytes > maxBytes) {
        ShowMessage(
            FormatText("%s is too long: audio of 4 GB or more cannot be edited.", name.c_str()));
        return OP_FAILED;
      }
      const auto* bytesIn = reinterpret_cast<const uint8_t*>(samples);
      pending.insert(pending.end(), bytesIn, bytesIn + bytes);
      frames += count;
    }
    if (pending.size() >= kWriteBlock && !flush()) {
      ShowMessage(
          FormatText("Could not write to %s - the disk may be full.", doc.work.pcmPath.c_str()));
      return OP_FAILED;
    }
    if (position > 0) {
      progress.Step(static_cast<uint32_t>(
          std::min<uint64_t>(static_cast<uint64_t>(position) / 100, UINT32_MAX)));
    }
    if (progress.IsCancelled()) return OP_CANCELLED;
  }
  if (!flush() || output.Close() != 0) {
    ShowMessage(
        FormatText("Could not write to %s - the disk may be full.", doc.work.pcmPath.c_str()));
    return OP_FAILED;
  }

  if (damaged) {
    const OpResult answer =
        OfferDamagedPart(doc.App().Dialogs(), doc.Path(), frames, info.sampleRate);
    if (answer != OP_DONE) return answer;
  }

  doc.channels = static_cast<int16_t>(info.channels);
  doc.bitsPerSample = 16;
  doc.sampleRate = info.sampleRate;
  if (const OpResult adopted = doc.AdoptDecodedWorkingFile(); adopted != OP_DONE) return adopted;

  ImportedSource& source = doc.importedSource;
  source.codec = info.codecName;
  source.sourceBits = info.sourceBits;
  source.sourceIsFloat = info.sourceIsFloat != 0;
  source.sourceChannels = info.sourceChannels;
  source.reduced = info.sourceBits > 16;
  source.mixedDown = info.sourceChannels > 2;
  source.partial = damaged;
  TellWhatChanged(name, source);
  return OP_DONE;
}
