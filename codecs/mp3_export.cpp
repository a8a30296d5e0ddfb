#include "codecs/mp3_export.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "codecs/export_common.h"
#include "codecs/id3_genres.h"
#include "engine/convert.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "libs/av_export/av_export.h"
#include "platform/fault_injection.h"
#include "platform/file_replace.h"
#include "platform/library.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

constexpr uint32_t kProgressInterval = 16384;

void PutField(std::string* tag, std::string_view text, size_t size) {
  const size_t used = std::min(text.size(), size);
  tag->append(text.data(), used);
  tag->append(size - used, '\0');
}

// The encoder library stays loaded once found, as the editor keeps it for
// every later export; the last name asked for is remembered so that a
// different name (a test's missing library) is looked up afresh.
struct LoadedEncoder {
  platform::Library library;
  std::string name;
  LameEncoderApi api;
};

// 0 when the functions are ready, else after the matching message.
bool LoadEncoder(const char* name, LameEncoderApi* api) {
  static LoadedEncoder loaded;
  if (!loaded.library.IsLoaded() || loaded.name != name) {
    loaded = LoadedEncoder{};
    if (!loaded.library.Load(name)) {
      ShowMessage("Loading LAME Encoder Failed");
      return false;
    }
    loaded.name = name;
    const platform::Library& lib = loaded.library;
    loaded.api = {lib.Get<BeInitStreamFn>("beInitStream"),
                  lib.Get<BeEncodeChunkFn>("beEncodeChunk"),
                  lib.Get<BeDeinitStreamFn>("beDeinitStream"),
                  lib.Get<BeCloseStreamFn>("beCloseStream"), lib.Get<BeVersionFn>("beVersion")};
  }
  const LameEncoderApi& found = loaded.api;
  if (found.init == nullptr || found.encode == nullptr || found.deinit == nullptr ||
      found.close == nullptr || found.version == nullptr) {
    ShowMessage("Unable to retrieve LAME DLL interface.");
    return false;
  }
  *api = found;
  return true;
}

// Closes the stream on every way out; Close() reports the result on the
// normal path.
class StreamGuard {
 public:
  explicit StreamGuard(const LameEncoderApi& api) : api_(api) {}
  ~StreamGuard() {
    if (stream_ != BE_NO_STREAM) api_.close(stream_);
  }
  StreamGuard(const StreamGuard&) = delete;
  StreamGuard& operator=(const StreamGuard&) = delete;
  BeStream* Out() { return &stream_; }
  BeStream Get() const { return stream_; }
  BeErr Close() { return api_.close(std::exchange(stream_, BE_NO_STREAM)); }

 private:
  const LameEncoderApi& api_;
  BeStream stream_ = BE_NO_STREAM;
};

// The reserved temporary file: removed on every way out unless kept.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
  ~TemporaryFile() {
    if (file_ != nullptr) std::fclose(file_);
    if (!kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Open() {
    file_ = std::fopen(path_.c_str(), "wb");
    if (file_ != nullptr) std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return file_ != nullptr;
  }
  bool Write(const void* data, size_t size) { return platform::WriteFully(file_, data, size); }
  // Flushes to disk and closes; false when any byte did not make it.
  bool Finish() {
    bool ok = std::fflush(file_) == 0 && platform::SyncFile(fileno(file_));
    if (std::fclose(std::exchange(file_, nullptr)) != 0) ok = false;
    return ok;
  }
  void Keep() { kept_ = true; }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  FILE* file_ = nullptr;
  bool kept_ = false;
};

// The filter resampling audio at a rate MPEG does not have, from the export
// library ("AVExport.dll"), which stays loaded once found; freed on every way
// out.
class ResamplerGuard {
 public:
  ResamplerGuard() = default;
  ~ResamplerGuard() {
    if (resampler_ != nullptr) api_.close(resampler_);
  }
  ResamplerGuard(const ResamplerGuard&) = delete;
  ResamplerGuard& operator=(const ResamplerGuard&) = delete;

  // Stereo from `inRate` to `outRate`; false after its message.
  bool Open(int32_t inRate, int32_t outRate) {
    static platform::Library library;
    if (!library.IsLoaded() && !library.Load("AVExport.dll")) {
      ShowMessageF("The resampler could not be loaded (%s).", library.Error().c_str());
      return false;
    }
    api_ = {library.Get<AvResamplerOpenFn>("AvResamplerOpen"),
            library.Get<AvResamplerRunFn>("AvResamplerRun"),
            library.Get<AvResamplerCloseFn>("AvResamplerClose")};
    if (api_.open == nullptr || api_.run == nullptr || api_.close == nullptr ||
        api_.open(2, inRate, outRate, &resampler_) != AV_EXPORT_OK) {
      ShowMessageF("The audio could not be resampled from %d to %d Hz for MP3.", inRate, outRate);
      return false;
    }
    return true;
  }
  bool IsOpen() const { return resampler_ != nullptr; }
  // `frames` stereo frames in (null and 0 flush); *count samples out.
  bool Run(const int16_t* samples, uint32_t frames, const int16_t** out, uint32_t* count) {
    int32_t made = 0;
    if (api_.run(resampler_, samples, static_cast<int32_t>(frames), out, &made) != AV_EXPORT_OK ||
        made < 0) {
      ShowMessage("The audio could not be resampled for MP3.");
      return false;
    }
    *count = 2 * static_cast<uint32_t>(made);
    return true;
  }

 private:
  struct Api {
    AvResamplerOpenFn open = nullptr;
    AvResamplerRunFn run = nullptr;
    AvResamplerCloseFn close = nullptr;
  } api_;
  AvResampler* resampler_ = nullptr;
};

}  // namespace

std::string MakeId3v1TagBytes(const Mp3ExportSettings& settings) {
  std::string tag = "TAG";
  PutField(&tag, settings.title, 30);
  PutField(&tag, settings.artist, 30);
  PutField(&tag, settings.album, 30);
  PutField(&tag, settings.year, 4);
  PutField(&tag, settings.comment, 30);
  const int genre = settings.genre >= 0 && settings.genre <= 255 ? settings.genre : kNoGenre;
  tag.push_back(static_cast<char>(genre));
  return tag;
}

// --- the dialog's rules ---

Mp3DialogModel::Mp3DialogModel(Mp3ExportSettings& settings) : settings_(settings) {}

std::vector<std::string> Mp3DialogModel::BitRateTexts() {
  std::vector<std::string> texts;
  for (int rate : kMp3BitRates) texts.push_back(std::to_string(rate));
  return texts;
}

std::vector<std::string> Mp3DialogModel::GenreTexts() {
  std::vector<std::string> texts{"(none)"};
  texts.insert(texts.end(), GenreNames().begin(), GenreNames().end());
  return texts;
}

void Mp3DialogModel::Init() {
  title = settings_.title;
  artist = settings_.artist;
  album = settings_.album;
  comment = settings_.comment;
  year = settings_.year;
  const auto rate = std::find(kMp3BitRates.begin(), kMp3BitRates.end(), settings_.bitRate);
  bitRateSelection =
      rate == kMp3BitRates.end() ? -1 : static_cast<int>(rate - kMp3BitRates.begin());
  genreSelection = settings_.genre >= 0 && settings_.genre < kGenreCount ? settings_.genre + 1 : 0;
}

const Mp3ExportSettings& Mp3DialogModel::Ok() {
  settings_.genre =
      genreSelection >= 1 && genreSelection <= kGenreCount ? genreSelection - 1 : kNoGenre;
  if (bitRateSelection >= 0 && bitRateSelection < static_cast<int>(kMp3BitRates.size())) {
    settings_.bitRate = kMp3BitRates[static_cast<size_t>(bitRateSelection)];
  }
  settings_.artist = CutExportText(artist);
  settings_.album = CutExportText(album);
  settings_.title = CutExportText(title);
  settings_.year = CutExportText(year);
  settings_.comment = CutExportText(comment);
  settings_.applied = 1;
  return settings_;
}

void Mp3DialogModel::Cancel() {
  settings_.applied = 0;
}

// --- the encoder run ---

int32_t Mp3EncoderRate(int32_t rate, int bitRate) {
  switch (rate) {
    case 32000:
    case 44100:
    case 48000:
      return rate;
    case 16000:
    case 22050:
    case 24000:
      return bitRate <= 160 ? rate : 44100;
    case 8000:
    case 11025:
    case 12000:
      return bitRate <= 64 ? rate : 44100;
    default:
      return 44100;
  }
}

OpResult EncodeToMp3(const Mp3ExportJob& job, Progress& progress) {
  const AudioFormat format = job.work->Format();
  if (!IsExportableFormat(format)) {
    ShowUnsupportedExportFormat("MP3");
    return OP_FAILED;
  }

  LameEncoderApi api;
  if (job.encoder != nullptr) {
    api = *job.encoder;
  } else if (!LoadEncoder(job.libraryName, &api)) {
    return OP_FAILED;
  }

  // Audio at a rate MPEG has is encoded at that rate, untouched.
  const AudioFormat encoderFormat{2, 16, Mp3EncoderRate(format.sampleRate, job.settings.bitRate)};
  StreamGuard stream(api);
  BeMp3Config config{};
  config.configKind = BE_CONFIG_MP3;
  config.sampleRate = static_cast<uint32_t>(encoderFormat.sampleRate);
  config.mode = BE_MP3_MODE_STEREO;
  config.bitRate = static_cast<uint16_t>(job.settings.bitRate);
  uint32_t samplesPerChunk = 0, outputBufferSize = 0;
  if (api.init(&config, &samplesPerChunk, &outputBufferSize, stream.Out()) != BE_ERR_SUCCESSFUL ||
      stream.Get() == BE_NO_STREAM || samplesPerChunk < 2 || outputBufferSize == 0) {
    ShowMessage("LAME Initializing Failed");
    return OP_FAILED;
  }
  // A chunk of whole stereo frames: the encoder refuses a count that splits
  // a frame.
  samplesPerChunk -= samplesPerChunk % 2;
  std::unique_ptr<uint8_t[]> output(new (std::nothrow) uint8_t[outputBufferSize]);
  if (output == nullptr) {
    ShowMessage("Failed to obtain memory for MP3 Conversion Buffers");
    return OP_FAILED;
  }

  std::string reserved;
  if (!ReserveExportFile(job.tempFolder, "mp3_write", &reserved)) return OP_FAILED;
  TemporaryFile file(reserved);
  if (!file.Open()) {
    ShowMessageF("WriteWaveFile: Unable to write to temp file %s", file.Path().c_str());
    return OP_FAILED;
  }

  // Audio at a rate MPEG does not have is resampled on the way into the
  // encoder, with libswresample's filter.
  ResamplerGuard resampler;
  if (format.sampleRate != encoderFormat.sampleRate &&
      !resampler.Open(format.sampleRate, encoderFormat.sampleRate)) {
    return OP_FAILED;
  }

  // The encoder takes 16-bit stereo; other audio is converted whole into
  // the scratch slot first (at its own rate).
  const AudioFormat stereo16{2, 16, format.sampleRate};
  const TempAudioFile* source = job.work;
  std::unique_ptr<ScratchGuard> scratch;
  if (format != stereo16 && job.work->pcmLength != 0) {
    scratch = std::make_unique<ScratchGuard>(job.scratch);
    const OpResult converted =
        ConvertAudioFile(job.work, job.scratch, stereo16.bitsPerSample, stereo16.channels,
                         stereo16.sampleRate, 0, progress);
    if (converted != OP_DONE) return converted;
    source = job.scratch;
  }

  progress.SetCaption("Encoding MP3 File via LAME Open Source Project");
  progress.SetTotal(source->pcmLength / 100);
  const uint32_t frameBytes = 4;
  const uint32_t length = source->pcmLength - source->pcmLength % frameBytes;
  const uint32_t chunkBytes = 2 * samplesPerChunk;
  bool written = true;
  // Hands `count` samples to the encoder in chunks it takes; false after
  // the message when it refused them.
  auto encode = [&](const int16_t* samples, uint32_t count) {
    for (uint32_t done = 0; done < count;) {
      const uint32_t n = std::min(count - done, samplesPerChunk);
      uint32_t outputLength = 0;
      if (api.encode(stream.Get(), n, samples + done, output.get(), &outputLength) !=
              BE_ERR_SUCCESSFUL ||
          outputLength > outputBufferSize) {
        ShowMessage("beEncodeChunk failed");
        return false;
      }
      written = written && file.Write(output.get(), outputLength);
      done += n;
    }
    return true;
  };
  for (uint32_t offset = 0; offset < length;) {
    const uint32_t bytes = length - offset <= chunkBytes ? length - offset : chunkBytes;
    const auto* samples = reinterpret_cast<const int16_t*>(source->pcmData + offset);
    if (resampler.IsOpen()) {
      const int16_t* resampled = nullptr;
      uint32_t count = 0;
      if (!resampler.Run(samples, bytes / frameBytes, &resampled, &count)) return OP_FAILED;
      if (!encode(resampled, count)) return OP_FAILED;
    } else if (!encode(samples, bytes / 2)) {
      return OP_FAILED;
    }
    const uint32_t previous = offset;
    offset += bytes;
    if (previous / kProgressInterval != offset / kProgressInterval) progress.Step(offset / 100);
    if (progress.IsCancelled()) return OP_CANCELLED;
    if (!written) break;
  }
  if (written && resampler.IsOpen()) {
    // What the filter still holds: the last few milliseconds.
    const int16_t* resampled = nullptr;
    uint32_t count = 0;
    if (!resampler.Run(nullptr, 0, &resampled, &count) || !encode(resampled, count)) {
      return OP_FAILED;
    }
  }
  if (!written) {
    ShowMessageF("WriteWaveFile: Unable to write to temp file %s", file.Path().c_str());
    return OP_FAILED;
  }

  if (scratch != nullptr) {
    TempAudioFile* slot = scratch->Release();
    if (CloseMemMapFile(slot, PCM_PART) != OP_DONE) {
      ShowMessage("MP3Dialog: Failed to close write map to target file");
      CleanupTempAudioFile(slot, 0);
      return OP_FAILED;
    }
    if (CleanupTempAudioFile(slot, 0) != OP_DONE) {
      ShowMessage("MP3Dialog: Failed to cleanup temp file A");
      return OP_FAILED;
    }
  }

  uint32_t outputLength = 0;
  if (api.deinit(stream.Get(), output.get(), &outputLength) != BE_ERR_SUCCESSFUL ||
      outputLength > outputBufferSize) {
    ShowMessage("Final beDeinitStream failed");
    return OP_FAILED;
  }
  written = file.Write(output.get(), outputLength);
  if (stream.Close() != BE_ERR_SUCCESSFUL) {
    ShowMessage("beCloseStream failed");
    return OP_FAILED;
  }
  const std::string tag = MakeId3v1TagBytes(job.settings);
  written = written && file.Write(tag.data(), tag.size());
  if (!file.Finish() || !written) {
    ShowMessageF("WriteWaveFile: Unable to write to temp file %s", file.Path().c_str());
    return OP_FAILED;
  }
  return PlaceExportFile(file.Path(), job.target, "WriteMp3File", [&file] { file.Keep(); });
}
