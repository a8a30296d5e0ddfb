#include "codecs/xiph_export.h"

#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "codecs/export_common.h"
#include "codecs/id3_genres.h"
#include "engine/convert.h"
#include "engine/document_dialogs.h"
#include "engine/document_host.h"
#include "engine/editor_doc.h"
#include "engine/progress.h"
#include "engine/scratch_slots.h"
#include "platform/library.h"
#include "platform/message.h"

using platform::FormatText;
using platform::ShowMessage;

namespace {

constexpr uint32_t kChunkFrames = 65536;

struct TypeNames {
  const char* kind;     // in messages: "FLAC"
  const char* routine;  // the writer's name in messages
  const char* tempBase;
  const char* caption;
  int32_t type;  // the library's
};

TypeNames NamesOf(XiphType type) {
  switch (type) {
    case XiphType::Flac:
      return {"FLAC", "WriteFlacFile", "flac_write", "Encoding FLAC File", AV_EXPORT_FLAC};
    case XiphType::Ogg:
      return {"Ogg Vorbis", "WriteOggFile", "ogg_write", "Encoding Ogg Vorbis File", AV_EXPORT_OGG};
    case XiphType::Opus:
      break;
  }
  return {"Opus", "WriteOpusFile", "opus_write", "Encoding Opus File", AV_EXPORT_OPUS};
}

// The library stays loaded once found, as the other codec libraries do.
bool LoadExportLibrary(AudioExportApi* api) {
  static platform::Library library;
  static AudioExportApi loaded;
  if (!library.IsLoaded()) {
    if (!library.Load("AVExport.dll")) {
      ShowMessage(FormatText("The audio export library could not be loaded (%s).",
                             library.Error().c_str()));
      return false;
    }
    loaded = {library.Get<AvExportOpenFn>("AvExportOpen"),
              library.Get<AvExportWriteFn>("AvExportWrite"),
              library.Get<AvExportFinishFn>("AvExportFinish"),
              library.Get<AvExportCloseFn>("AvExportClose")};
  }
  if (loaded.open == nullptr || loaded.write == nullptr || loaded.finish == nullptr ||
      loaded.close == nullptr) {
    ShowMessage("The audio export library lacks its writer functions.");
    return false;
  }
  *api = loaded;
  return true;
}

const char* Describe(int32_t result) {
  switch (result) {
    case AV_EXPORT_ERROR_ARGUMENT:
      return "a setting is out of its range";
    case AV_EXPORT_ERROR_CODEC:
      return "the encoder is not available or refused the format";
    case AV_EXPORT_ERROR_OPEN:
      return "the file could not be created";
    case AV_EXPORT_ERROR_WRITE:
      return "writing failed; the disk may be full";
    case AV_EXPORT_ERROR_MEMORY:
      return "not enough memory";
    default:
      return "the encoder failed";
  }
}

// Frees the writer on every way out (closing its file first).
class WriterGuard {
 public:
  explicit WriterGuard(const AudioExportApi& api) : api_(api) {}
  ~WriterGuard() { api_.close(writer_); }
  WriterGuard(const WriterGuard&) = delete;
  WriterGuard& operator=(const WriterGuard&) = delete;
  AvExportWriter** Out() { return &writer_; }
  AvExportWriter* Get() const { return writer_; }

 private:
  const AudioExportApi& api_;
  AvExportWriter* writer_ = nullptr;
};

std::string GenreText(int32_t genre) {
  if (genre < 0 || genre >= kGenreCount) return {};
  return std::string(GenreNames()[static_cast<size_t>(genre)]);
}

// Shared by the three document operations, as WriteMp3File is.
OpResult RunXiphWrite(CEditorDoc& doc, Progress& progress, XiphType type, OpCode code) {
  const TypeNames names = NamesOf(type);
  progress.SetCaption(names.caption);
  progress.SetTotal((doc.dataLength + doc.peakLength) / 100);
  doc.xiphExport.applied = 1;
  doc.xiphExport.applied =
      doc.App().Dialogs().RunExportDialog(code, doc) && doc.xiphExport.applied ? 1 : 0;
  if (doc.xiphExport.applied == 0) return OP_CANCELLED;
  XiphExportJob job;
  job.type = type;
  job.work = &doc.work;
  job.scratch = doc.tempA;
  job.target = doc.Path();
  job.tempFolder = doc.App().RunFolder();
  job.settings = doc.xiphExport;
  job.tags = doc.mp3Export;
  const OpResult result = EncodeToXiph(job, progress);
  if (result != OP_CANCELLED) return result;
  // A cancelled save releases scratch slot B as every cancelled save does.
  ScratchSlots scratch(doc, names.routine);
  scratch.Use(doc.tempB);
  return scratch.Finish(OP_CANCELLED);
}

}  // namespace

OpResult EncodeToXiph(const XiphExportJob& job, Progress& progress) {
  const TypeNames names = NamesOf(job.type);
  const AudioFormat format = job.work->Format();
  if (!IsExportableFormat(format)) {
    ShowUnsupportedExportFormat(names.kind);
    return OP_FAILED;
  }
  AudioExportApi api;
  if (job.encoder != nullptr) {
    api = *job.encoder;
  } else if (!LoadExportLibrary(&api)) {
    return OP_FAILED;
  }

  std::string reserved;
  if (!ReserveExportFile(job.tempFolder, names.tempBase, &reserved)) return OP_FAILED;
  ReservedFile file(reserved);

  // The encoders take 16-bit samples; 8-bit audio is widened whole into the
  // scratch slot first.
  const TempAudioFile* source = job.work;
  std::unique_ptr<ScratchGuard> scratch;
  if (format.bitsPerSample != 16 && job.work->pcmLength != 0) {
    scratch = std::make_unique<ScratchGuard>(job.scratch);
    const OpResult converted = ConvertAudioFile(job.work, job.scratch, 16, format.channels,
                                                format.sampleRate, 0, progress);
    if (converted != OP_DONE) return converted;
    source = job.scratch;
  }

  const std::string genre = GenreText(job.tags.genre);
  AvExportSettings settings{};
  settings.type = names.type;
  settings.channels = format.channels;
  settings.sampleRate = format.sampleRate;
  settings.flacLevel = job.settings.flacLevel;
  settings.oggQuality = job.settings.oggQuality;
  settings.opusKbps = job.settings.opusKbps;
  settings.title = job.tags.title.c_str();
  settings.artist = job.tags.artist.c_str();
  settings.album = job.tags.album.c_str();
  settings.date = job.tags.year.c_str();
  settings.comment = job.tags.comment.c_str();
  settings.genre = genre.c_str();

  WriterGuard writer(api);
  if (const int32_t opened = api.open(file.Path().c_str(), &settings, writer.Out());
      opened != AV_EXPORT_OK) {
    ShowMessage(FormatText("%s: the %s file could not be started (%s).", names.routine, names.kind,
                           Describe(opened)));
    return OP_FAILED;
  }

  progress.SetCaption(names.caption);
  progress.SetTotal(source->pcmLength / 100);
  const uint32_t frameBytes = 2u * static_cast<uint32_t>(format.channels);
  const uint32_t length = source->pcmLength - source->pcmLength % frameBytes;
  for (uint32_t offset = 0; offset < length;) {
    const uint32_t frames = std::min((length - offset) / frameBytes, kChunkFrames);
    const auto* samples = reinterpret_cast<const int16_t*>(source->pcmData + offset);
    if (const int32_t written = api.write(writer.Get(), samples, static_cast<int32_t>(frames));
        written != AV_EXPORT_OK) {
      ShowMessage(FormatText("%s: encoding the %s file %s failed (%s).", names.routine, names.kind,
                             file.Path().c_str(), Describe(written)));
      return OP_FAILED;
    }
    offset += frames * frameBytes;
    progress.Step(offset / 100);
    if (progress.IsCancelled()) return OP_CANCELLED;
  }
  if (const int32_t finished = api.finish(writer.Get()); finished != AV_EXPORT_OK) {
    ShowMessage(FormatText("%s: finishing the %s file %s failed (%s).", names.routine, names.kind,
                           file.Path().c_str(), Describe(finished)));
    return OP_FAILED;
  }
  return PlaceExportFile(file.Path(), job.target, names.routine, [&file] { file.Keep(); });
}

OpResult WriteFlacFile(CEditorDoc& doc, Progress& progress) {
  return RunXiphWrite(doc, progress, XiphType::Flac, WRITE_FLAC_FILE);
}

OpResult WriteOggFile(CEditorDoc& doc, Progress& progress) {
  return RunXiphWrite(doc, progress, XiphType::Ogg, WRITE_OGG_FILE);
}

OpResult WriteOpusFile(CEditorDoc& doc, Progress& progress) {
  return RunXiphWrite(doc, progress, XiphType::Opus, WRITE_OPUS_FILE);
}
