#include "codecs/wma_export.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "codecs/export_common.h"
#include "codecs/id3_genres.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "platform/library.h"
#include "platform/message.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

constexpr uint32_t kProgressInterval = 16384;

// A library kept loaded once found, as the editor keeps it for later
// exports; a different name (a test's missing library) is looked up afresh.
struct KeptLibrary {
  platform::Library library;
  std::string name;

  bool Load(const char* wanted) {
    if (library.IsLoaded() && name == wanted) return true;
    library = platform::Library{};
    name = wanted;
    return library.Load(wanted);
  }
};

// Both libraries with all four functions, or false.
bool LoadLibraries(const WmaExportJob& job, WmaLibraryApi* api) {
  static KeptLibrary encoder, attributes;
  if (!encoder.Load(job.encoderLibrary) || !attributes.Load(job.attributeLibrary)) return false;
  api->init = encoder.library.Get<WMAEncodeInitFn>("WMAEncodeInit");
  api->buffer = encoder.library.Get<WMAEncodeBufferFn>("WMAEncodeBuffer");
  api->deinit = encoder.library.Get<WMAEncodeDeInitFn>("WMAEncodeDeInit");
  api->setAttribute = attributes.library.Get<WMASetAttributeFn>("WMASetAttribute");
  return api->init != nullptr && api->buffer != nullptr && api->deinit != nullptr &&
         api->setAttribute != nullptr;
}

// Ends the encoder's session on every way out, so an abandoned export does
// not hold the encoder and its open file until the next one.
class SessionGuard {
 public:
  explicit SessionGuard(WMAEncodeDeInitFn deinit) : deinit_(deinit) {}
  ~SessionGuard() {
    if (open_) deinit_();
  }
  SessionGuard(const SessionGuard&) = delete;
  SessionGuard& operator=(const SessionGuard&) = delete;
  void Started() { open_ = true; }
  int32_t Finish() {
    open_ = false;
    return deinit_();
  }

 private:
  WMAEncodeDeInitFn deinit_;
  bool open_ = false;
};

}  // namespace

uint32_t WmaSourceBlockSize(const AudioFormat& format) {
  if (!IsExportableFormat(format)) return 0;
  // One encoder block of 16-bit stereo holds this many source bytes.
  return kWmaEncoderBlock * static_cast<uint32_t>(format.BlockSize()) / 4;
}

size_t WidenToStereo16(const uint8_t* source, size_t bytes, const AudioFormat& format,
                       int16_t* out) {
  const size_t frames = bytes / static_cast<size_t>(format.BlockSize());
  const bool stereo = format.channels == 2;
  if (format.bitsPerSample == 8) {
    auto widen = [](uint8_t b) { return static_cast<int16_t>((b - 128) * 256); };
    if (stereo) {
      for (size_t i = 0; i < 2 * frames; ++i) out[i] = widen(source[i]);
    } else {
      for (size_t i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = widen(source[i]);
    }
  } else if (stereo) {
    std::memcpy(out, source, frames * 4);
  } else {
    for (size_t i = 0; i < frames; ++i) {
      int16_t sample;
      std::memcpy(&sample, source + 2 * i, 2);
      out[2 * i] = out[2 * i + 1] = sample;
    }
  }
  return 2 * frames;
}

std::string SyncWmaGenre(WmaExportSettings* settings) {
  if (const int found = FindGenreNumber(settings->genre); found >= 0) {
    settings->genreIndex = found;
  }
  if (settings->genreIndex < 0 || settings->genreIndex >= kGenreCount) settings->genreIndex = 0;
  return std::string(GenreName(settings->genreIndex));
}

// --- the dialog's rules ---

WmaDialogModel::WmaDialogModel(WmaExportSettings& settings) : settings_(settings) {}

std::vector<std::string> WmaDialogModel::QualityTexts() {
  return {kWmaQualityTexts.begin(), kWmaQualityTexts.end()};
}

std::vector<std::string> WmaDialogModel::GenreTexts() {
  return {GenreNames().begin(), GenreNames().end()};
}

void WmaDialogModel::Init() {
  title = settings_.title;
  artist = settings_.author;
  album = settings_.album;
  year = settings_.year;
  qualitySelection = settings_.quality >= 0 && settings_.quality < 4 ? settings_.quality : -1;
  genreSelection =
      settings_.genreIndex >= 0 && settings_.genreIndex < kGenreCount ? settings_.genreIndex : 0;
  FindGenre(settings_.genre);
}

void WmaDialogModel::FindGenre(const std::string& name) {
  if (const int found = FindGenreNumber(name); found >= 0) genreSelection = found;
}

const WmaExportSettings& WmaDialogModel::Ok() {
  if (genreSelection >= 0 && genreSelection < kGenreCount) {
    settings_.genreIndex = genreSelection;
    settings_.genre = std::string(GenreName(genreSelection));
  }
  if (qualitySelection >= 0 && qualitySelection < static_cast<int>(kWmaQualityTexts.size())) {
    settings_.quality = qualitySelection;
  }
  settings_.author = CutExportText(artist);
  settings_.album = CutExportText(album);
  settings_.title = CutExportText(title);
  settings_.year = CutExportText(year);
  settings_.applied = 1;
  return settings_;
}

void WmaDialogModel::Cancel() {
  settings_.applied = 0;
}

// --- the encoder run ---

OpResult EncodeToWma(const WmaExportJob& job, Progress& progress) {
  const AudioFormat format = job.work->Format();
  if (!IsExportableFormat(format)) {
    ShowUnsupportedExportFormat("WMA");
    return OP_FAILED;
  }
  if (job.settings.quality < 0 ||
      job.settings.quality >= static_cast<int>(kWmaQualityTexts.size())) {
    ShowMessageF("Sorry, WMA quality %d is not one of the four offered.", job.settings.quality);
    return OP_FAILED;
  }

  std::string reserved;
  if (!ReserveExportFile(job.tempFolder, "wma_write", &reserved)) return OP_FAILED;
  ReservedFile file(reserved);

  WmaLibraryApi api;
  if (job.libraries != nullptr) {
    api = *job.libraries;
  } else if (!LoadLibraries(job, &api)) {
    if (job.mediaSupportNeeded) job.mediaSupportNeeded();
    return OP_CANCELLED;
  }

  SessionGuard session(api.deinit);
  if (api.init(file.Path().c_str(), job.settings.quality, 2, 16, format.sampleRate) != SARVIK_OK) {
    ShowMessage("WMAEncodeInit failed");
    return OP_FAILED;
  }
  session.Started();

  const uint32_t block = WmaSourceBlockSize(format);
  const uint32_t length = job.work->pcmLength;
  alignas(16) int16_t widened[kWmaEncoderBlock / 2];
  progress.SetTotal(length / 100);
  for (uint32_t offset = 0; offset < length;) {
    const uint32_t bytes = length - offset <= block ? length - offset : block;
    const size_t samples = WidenToStereo16(job.work->pcmData + offset, bytes, format, widened);
    if (samples != 0 &&
        api.buffer(widened, static_cast<int32_t>(samples * sizeof(int16_t))) != SARVIK_OK) {
      ShowMessage("WMAEncodeBuffer failed");
      return OP_FAILED;
    }
    const uint32_t previous = offset;
    offset += bytes;
    if (previous / kProgressInterval != offset / kProgressInterval) progress.Step(offset / 100);
    if (progress.IsCancelled()) return OP_CANCELLED;
  }
  if (session.Finish() != SARVIK_OK) {
    ShowMessage("WMAEncodeDeInit failed");
    return OP_FAILED;
  }

  WmaExportSettings settings = job.settings;
  const std::string genre = SyncWmaGenre(&settings);
  const std::pair<const char*, const std::string*> attributes[] = {
      {"Title", &settings.title},
      {"Author", &settings.author},
      {"WM/AlbumTitle", &settings.album},
      {"WM/Year", &settings.year},
      {"Genre", &genre}};
  for (const auto& [name, value] : attributes) {
    if (api.setAttribute(file.Path().c_str(), TALLISK_STREAM_FILE, name, value->c_str(),
                         TALLISK_TYPE_STRING) != TALLISK_OK) {
      ShowMessageF("WMASetAttribute failed to store %s in %s", name, file.Path().c_str());
      return OP_FAILED;
    }
  }
  return PlaceExportFile(file.Path(), job.target, "WriteWmaFile", [&file] { file.Keep(); });
}
