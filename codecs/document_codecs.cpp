#include "codecs/document_codecs.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "codecs/audio_import.h"
#include "codecs/export_ops.h"
#include "codecs/id3v1.h"
#include "codecs/mp3_decoder.h"
#include "codecs/xiph_export.h"
#include "engine/damaged_part.h"
#include "engine/document_host.h"
#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "engine/progress.h"
#include "libs/ombrin/ombrin.h"
#include "libs/tallisk/tallisk.h"
#include "platform/library.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

using platform::ShowMessage;

namespace {

// The WMA decoder's progress reaches the running operation through here; the
// decoder calls back on the thread that called it, one decode at a time.
thread_local Progress* wmaProgress = nullptr;

void WmaProgressCallback(int percent, int* keepGoing) {
  if (wmaProgress == nullptr || wmaProgress->IsCancelled()) {
    *keepGoing = 0;
    return;
  }
  wmaProgress->Step(static_cast<uint32_t>(std::max(percent, 0)));
  *keepGoing = 1;
}

OpResult ImportMp3(CEditorDoc& doc, Mp3Decoder& decoder, Progress& progress) {
  progress.SetCaption("Importing MP3 File via LAME Open Source Project.");
  // The decoder writes a new file where the placeholder was (see
  // CreateFreshFile on why not over it).
  ::unlink(doc.work.pcmPath.c_str());
  // The waveform is summarised from the decoded audio as it is written, so
  // the working file is not read a second time. (Without a peak file here
  // it is built afterwards as for any import.)
  const Mp3DecoderParameters& output = decoder.Parameters();
  platform::UniqueFd peakFile = platform::CreateFreshFile(doc.work.peakPath, O_WRONLY);
  PeakBuilder peaks({output.outputChannels, output.outputBits, 44100}, peakFile.Get());
  platform::BackgroundWriter::Observer summarise;
  if (peakFile.Valid()) {
    summarise = [&peaks](const uint8_t* data, size_t size) { peaks.Feed(data, size); };
  }
  const int decoded =
      decoder.DecodeToPcm(doc.Path(), doc.work.pcmPath, doc.channels, doc.bitsPerSample,
                          doc.sampleRate, progress, std::move(summarise));
  if (decoded == 0) return OP_FAILED;
  if (decoded == ToInt(OP_CANCELLED)) return OP_CANCELLED;
  doc.work.SetFormat(doc.Format());
  if ((doc.channels != 1 && doc.channels != 2) ||
      (doc.bitsPerSample != 8 && doc.bitsPerSample != 16)) {
    ShowMessage("Invalid MP3 File");
    return OP_FAILED;
  }
  const Mp3DecoderParameters& stream = decoder.Parameters();
  if (stream.damaged) {
    // Only what was decoded before the damage is kept, not the guess made
    // from a cut frame.
    const uint64_t frameBytes = static_cast<uint64_t>(doc.work.BlockSize());
    const OpResult answer =
        OfferDamagedPart(doc.App().Dialogs(), doc.Path(),
                         static_cast<int64_t>(stream.readableBytes / frameBytes), doc.sampleRate);
    if (answer != OP_DONE) return answer;
    if (::truncate(doc.work.pcmPath.c_str(), static_cast<off_t>(stream.readableBytes)) != 0) {
      platform::ShowMessageF("Failed to write the working file %s", doc.work.pcmPath.c_str());
      return OP_FAILED;
    }
  }
  if (const OpResult adopted = doc.AdoptDecodedWorkingFile(); adopted != OP_DONE) return adopted;
  // A file cut back to its readable part needs a summary of that part.
  if (peakFile.Valid() && !stream.damaged && peaks.Finish()) {
    doc.AdoptPeaksMadeWithAudio(peaks.Written());
  }
  doc.importedSource.partial = stream.damaged;

  const Id3v1Tag tag = ReadId3v1Tag(doc.Path());
  if (tag.found) {
    doc.mp3Export.title = tag.title;
    doc.mp3Export.artist = tag.artist;
    doc.mp3Export.album = tag.album;
    doc.mp3Export.year = tag.year;
    doc.mp3Export.comment = tag.comment;
    doc.mp3Export.genre = tag.genre;
  }
  return OP_DONE;
}

OpResult ImportWma(CEditorDoc& doc, Progress& progress) {
  progress.SetTotal(100);
  progress.SetCaption("Importing WMA File");
  platform::Library decoder;
  WMADecodeFunction decode = nullptr;
  if (decoder.Load("Ombrin.dll")) decode = decoder.Get<WMADecodeFunction>("WMADecode");
  if (decode == nullptr) {
    doc.App().Dialogs().RunMediaSupportNeeded();
    return OP_CANCELLED;
  }
  ::unlink(doc.work.pcmPath.c_str());
  wmaProgress = &progress;
  const int32_t decoded = decode(doc.Path().c_str(), doc.work.pcmPath.c_str(), &doc.channels,
                                 &doc.bitsPerSample, &doc.sampleRate, WmaProgressCallback);
  wmaProgress = nullptr;
  if (doc.channels != 1 && doc.channels != 2) {
    ShowMessage("Invalid WMA File");
    return OP_FAILED;
  }
  if (progress.IsCancelled()) return OP_CANCELLED;
  // A decode that broke off part-way (a full disk, say) has reported its
  // failure already; its partial output is not taken for the whole file.
  if (decoded < 0) return OP_FAILED;
  if (const OpResult adopted = doc.AdoptDecodedWorkingFile(); adopted != OP_DONE) return adopted;

  // The attributes are a convenience for the next export: without the
  // attribute library the fields simply stay as they are.
  platform::Library attributes;
  WMAGetAttributeFn getAttribute = nullptr;
  if (attributes.Load("Tallisk.dll")) {
    getAttribute = attributes.Get<WMAGetAttributeFn>("WMAGetAttribute");
  }
  if (getAttribute != nullptr) {
    auto read = [&](const char* name) {
      char buffer[TALLISK_ATTRIBUTE_BUFFER_SIZE] = {};
      getAttribute(doc.Path().c_str(), 0, name, buffer);
      buffer[sizeof buffer - 1] = '\0';
      return std::string(buffer);
    };
    doc.wmaExport.album = read("WM/AlbumTitle");
    doc.wmaExport.year = read("WM/Year");
    doc.wmaExport.title = read("Title");
    doc.wmaExport.author = read("Author");
    std::string genre = read("Genre");
    if (genre.empty()) genre = read("WM/Genre");
    doc.wmaExport.genre = genre;
  }
  return OP_DONE;
}

}  // namespace

void InstallDocumentCodecs(CEditorDoc& doc, Mp3Decoder& mp3Decoder) {
  doc.AdoptOperation(OP_IMPORT_MP3, [&mp3Decoder](CEditorDoc& d, Progress& progress) {
    return ImportMp3(d, mp3Decoder, progress);
  });
  doc.AdoptOperation(OP_IMPORT_WMA, ImportWma);
  doc.AdoptOperation(OP_IMPORT_AUDIO,
                     [](CEditorDoc& d, Progress& progress) { return ImportAudio(d, progress); });
  doc.AdoptOperation(WRITE_MP3_FILE, WriteMp3File);
  doc.AdoptOperation(WRITE_WMA_FILE, WriteWmaFile);
  doc.AdoptOperation(WRITE_FLAC_FILE, WriteFlacFile);
  doc.AdoptOperation(WRITE_OGG_FILE, WriteOggFile);
  doc.AdoptOperation(WRITE_OPUS_FILE, WriteOpusFile);
}
