#include "engine/editor_doc.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cctype>
#include <limits>
#include <vector>

#include "engine/borrowed_audio.h"
#include "engine/damaged_part.h"
#include "engine/document_commit.h"
#include "engine/document_dialogs.h"
#include "engine/document_host.h"
#include "engine/effect_tool.h"
#include "engine/op_codes.h"
#include "engine/operation_runner.h"
#include "engine/peak_file.h"
#include "engine/sample_copy.h"
#include "engine/wave_file.h"
#include "platform/file_copy.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

// Length of an open file when it fits the 32-bit length fields.
bool FileLength32(int fd, uint32_t* length) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return false;
  if (static_cast<uint64_t>(st.st_size) > std::numeric_limits<uint32_t>::max()) return false;
  *length = static_cast<uint32_t>(st.st_size);
  return true;
}

void ShowTooLarge(const std::string& path) {
  ShowMessageF("%s is too large: files of 4 GB or more cannot be edited.", path.c_str());
}

// Programs that write a WAV file to a pipe cannot go back to fill in the
// data length, and state "as long as it goes" instead: 0xFFFFFFFF, or a
// value just under 2 GB (0x7FFFF000). Any length from there up is taken for
// such a statement, and the file ends where it ends.
constexpr uint32_t kLengthNotKnownWhenWritten = 0x7FFFF000u;

// The data chunk stated at least one whole frame more than the file holds:
// a truncated file, such as an interrupted download.
bool WaveDataCutShort(uint32_t stated, uint32_t copied, int block) {
  if (block <= 0 || stated >= kLengthNotKnownWhenWritten) return false;
  return stated - stated % static_cast<uint32_t>(block) > copied;
}

}  // namespace

std::string AudioFileKind(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot != std::string::npos && path.find('/', dot) == std::string::npos) {
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* decoded :
         {"flac", "ogg", "oga", "opus", "m4a", "aac", "aif", "aiff", "aifc", "caf"}) {
      if (extension == decoded) return "AUDIO";
    }
  }
  if (path.size() < 4 || path[path.size() - 4] != '.') return "";
  std::string extension = path.substr(path.size() - 3);
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (extension == "wav") return "WAV";
  if (extension == "mp3") return "MP3";
  if (extension == "wma") return "WMA";
  return "PCM";
}

CEditorDoc::CEditorDoc(DocumentHost& host) : app_(host) {
  app_.SetActiveDocument(this);
  const std::string& folder = app_.RunFolder();
  bool created = CreateTempAudioFile(&work, folder, "work") == OP_DONE;
  if (!created) ShowMessage("Failed to setup working file");
  for (int i = 0; created && i < kUndoLevels; ++i) {
    const std::string undoName = platform::FormatText("undo_%d", i);
    const std::string redoName = platform::FormatText("redo_%d", i);
    if (CreateTempAudioFile(&undo[i].slot, folder, undoName.c_str()) != OP_DONE) {
      ShowMessageF("Failed to setup undo file %d", i);
      created = false;
    } else if (CreateTempAudioFile(&redo[i].slot, folder, redoName.c_str()) != OP_DONE) {
      ShowMessageF("Failed to setup redo file %d", i);
      created = false;
    }
  }
  if (!created) ShowMessage("Failed to setup doc temp files");
  clip = app_.Clip();
  tempA = app_.TempA();
  tempB = app_.TempB();
  tempC = app_.TempC();
  tempD = app_.TempD();
  app_.DocumentCreated(*this);
}

EffectTool* CEditorDoc::Tool(OpCode code) const {
  const auto it = tools_.find(code);
  return it == tools_.end() ? nullptr : it->second.get();
}

void CEditorDoc::AdoptTool(OpCode code, std::unique_ptr<EffectTool> tool) {
  tools_[code] = std::move(tool);
}

void CEditorDoc::AdoptOperation(OpCode code, Operation operation) {
  operations_[code] = std::move(operation);
}

CEditorDoc::~CEditorDoc() {
  journal.Remove();
  app_.StopPlaybackOf(*this);
  // A copy the lease thread is making ends before the working file goes.
  borrowed_.reset();
  bool cleaned = true;
  if (CleanupTempAudioFile(&work, 0) != OP_DONE) {
    ShowMessage("Failed to cleanup working file");
    cleaned = false;
  }
  for (int i = 0; cleaned && i < kUndoLevels; ++i) {
    if (CleanupTempAudioFile(&undo[i].slot, 0) != OP_DONE) {
      ShowMessageF("Failed to cleanup undo file %d", i);
      cleaned = false;
    } else if (CleanupTempAudioFile(&redo[i].slot, 0) != OP_DONE) {
      ShowMessageF("Failed to cleanup redo file %d", i);
      cleaned = false;
    }
  }
  if (!cleaned) ShowMessage("Failed to cleanup doc temp files");
  app_.DocumentClosed(this);
}

void CEditorDoc::OnCloseDocument() {
  app_.StopPlaybackOf(*this);
  app_.ShowFormat(0, 0, 0);
  app_.ShowPositionTexts("00:00.000", "00:00.000", "00:00.000");
  app_.SetClosingDocument(this);
}

void CEditorDoc::ResetPositions() {
  selection_ = AudioRange(0, 0, Scale());
  view_ = AudioRange(0, dataLength, Scale());
  playPosition = 0;
}

bool CEditorDoc::OnNewDocument() {
  AudioFormat format{2, 16, 44100};
  if (!app_.Dialogs().RunNewFileDialog(&format)) return false;
  if (!format.IsEditable()) {
    ShowMessage(
        "Sorry, a new file must be mono or stereo, 8 or 16 bits, at a sample rate of 1 to 768000 "
        "Hz.");
    return false;
  }
  channels = format.channels;
  bitsPerSample = format.bitsPerSample;
  sampleRate = format.sampleRate;
  blockAlign = static_cast<int16_t>(format.BlockSize());
  bytesPerSecond = format.BytesPerSecond();
  work.SetFormat(format);
  work.pcmLength = 0;
  work.peakLength = 0;
  dataLength = 0;
  peakLength = 0;
  sourceFileLength = 0;
  sourceDataOffset = 0;
  hasAudio = 0;
  ResetPositions();
  return true;
}

bool CEditorDoc::OnOpenDocument(const std::string& path) {
  // A file that cannot be opened is reported once, whichever step failed.
  const platform::MessageGroup oneReport;
  {
    platform::UniqueFd probe(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!probe.Valid()) {
      ShowMessageF("Failed to open document %s.", path.c_str());
      return false;
    }
  }
  // Opening runs several operations; the document is busy from the first to
  // the last, and the flag is given back on every way out.
  const OperationInProgressScope opening(app_.OperationInProgress());
  path_ = path;
  const std::string kind = AudioFileKind(path);

  importedSource = ImportedSource{};
  WaveHeader header;
  const bool headerRead = kind == "WAV" && ReadWaveHeader(path, &header) == 1;
  if (headerRead && NeedsAudioImport(header)) {
    return OpenThroughImport(OP_IMPORT_AUDIO, "Failed to import audio file") && FinishOpen();
  }
  if (kind == "WAV") {
    // A layout without whole frames (no channels, under 8 bits), or a rate
    // no recording has, is refused like any other invalid header before
    // anything is computed from it.
    if (!headerRead ||
        !AudioFormat{header.channels, header.bitsPerSample, header.sampleRate}.IsEditable()) {
      ShowMessage("Wave Header Invalid");
      return false;
    }
    bitsPerSample = header.bitsPerSample;
    channels = header.channels;
    sampleRate = header.sampleRate;
    bytesPerSecond = header.bytesPerSecond;
    sourceDataOffset = header.dataOffset;
    sourceFileLength = header.fileLength;
    dataLength = header.dataLength;
    work.SetFormat(Format());
    work.pcmLength = dataLength;
    DocRunOperation(OP_WORKING_FILE);
    if (lastResult_ == OP_FAILED) {
      ShowMessage("Failed to copy to working file");
      return false;
    }
    if (lastResult_ == OP_CANCELLED) {
      work.pcmLength = 0;
      return false;
    }
  } else {
    // The import dialog comes before the operation, as a tool's parameter
    // dialog does: closing it abandons the open quietly, nothing having run.
    if (kind == "PCM" && !app_.Dialogs().RunPcmImportDialog(&app_.PcmImport())) return false;
    const OpCode code = kind == "MP3"     ? OP_IMPORT_MP3
                        : kind == "WMA"   ? OP_IMPORT_WMA
                        : kind == "AUDIO" ? OP_IMPORT_AUDIO
                                          : OP_IMPORT_PCM;
    const char* failure = kind == "MP3"     ? "Failed to import MP3 file"
                          : kind == "WMA"   ? "Failed to import WMA file"
                          : kind == "AUDIO" ? "Failed to import audio file"
                                            : "Failed to import PCM file";
    if (!OpenThroughImport(code, failure)) return false;
  }
  return FinishOpen();
}

bool CEditorDoc::NeedsAudioImport(const WaveHeader& header) {
  // The editor's own reader keeps every WAV file it takes today, byte for
  // byte. Samples of 24, 32 or 64 bits (integer or floating point) and 8- or
  // 16-bit files of three to eight channels (the layouts that have a standard
  // down-mix) go to the import routine instead, which reduces and mixes them
  // down to what the editor edits; any other header is left to the reader.
  const bool rateUsable =
      header.sampleRate >= kMinSampleRate && header.sampleRate <= kMaxSampleRate;
  const int bits = header.bitsPerSample;
  const bool wide = bits == 24 || bits == 32 || bits == 64;
  const bool surround = header.channels >= 3 && header.channels <= 8 && (bits == 8 || bits == 16);
  return rateUsable && header.channels >= 1 && (wide || surround);
}

bool CEditorDoc::OpenThroughImport(OpCode code, const char* failure) {
  DocRunOperation(code);
  if (lastResult_ == OP_CANCELLED) {
    work.pcmLength = 0;
    return false;
  }
  // Also when no operation answered the code: nothing was imported.
  if (lastResult_ != OP_DONE) {
    ShowMessage(failure);
    return false;
  }
  return true;
}

bool CEditorDoc::FinishOpen() {
  if (!BorrowsAudio() && DocMemMapFile(&work, PCM_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnOpenDocument: Failed to open read to target file: %s", work.pcmPath.c_str());
    return false;
  }
  DocRunOperation(OP_PEAK_FILE);
  if (lastResult_ == OP_FAILED) {
    ShowMessage("Failed to copy to working file");
    return false;
  }
  if (lastResult_ == OP_CANCELLED) {
    work.peakLength = 0;
    return false;
  }

  peakLength = work.peakLength;
  ResetPositions();
  blockAlign = static_cast<int16_t>(channels * (bitsPerSample / 8));
  hasAudio = dataLength != 0 ? 1 : 0;
  if (!BorrowsAudio() && DocMemMapFile(&work, PEAK_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnOpenDocument: Failed to open read to target file: %s", work.peakPath.c_str());
    return false;
  }
  CheckPositions();
  // Only part of a damaged file was opened: closing asks before the rest of
  // it is lost for good, as it would after an edit.
  if (importedSource.partial) savedIndex_ = -1;
  // Being changed, it is journalled for recovery like any change, from its
  // working copy.
  if (importedSource.partial && !EnsureWorkingCopy()) return false;
  app_.ShowFormat(sampleRate, channels, bitsPerSample);
  journal.Record(*this);
  return true;
}

OpResult CEditorDoc::DocRunOperation(OpCode code) {
  OperationRunContext context{app_.Host(), app_.OperationInProgress(), redoCount, &app_.Dialogs(),
                              [this](OpCode c, Progress& p) { return DispatchOperation(c, p); }};
  context.result = &lastResult_;
  OpResult run = OP_PENDING;
  {
    // The journal's flush of earlier work waits; this run needs the disk.
    const DocJournal::FlushHold hold(journal);
    run = RunDocumentOperation(code, context);
  }
  // A completed operation is journalled before it reports done. The runs
  // inside another (opening runs several) wait for the outer one.
  if (run == OP_DONE && lastResult_ == OP_DONE && app_.OperationInProgress() == 0) {
    journal.Record(*this);
  }
  return run;
}

OpResult CEditorDoc::DispatchOperation(OpCode code, Progress& progress) {
  if (!RunsOnBorrowedAudio(code)) {
    if (const OpResult made = EnsureWorkingCopy(progress); made != OP_DONE) return made;
  }
  const int16_t undoCountBefore = undoCount, undoPositionBefore = undoPosition;
  OpResult result = OP_PENDING;
  if (CommitsAsOneStep(code)) {
    DocumentCommit commit(*this);
    result = commit.Finish(RunOperationCode(code, progress));
  } else {
    result = RunOperationCode(code, progress);
  }
  if (result == OP_DONE) CountEdit(code, undoCountBefore, undoPositionBefore);
  return result;
}

void CEditorDoc::CountEdit(OpCode code, int16_t undoCountBefore, int16_t undoPositionBefore) {
  if (code == OP_UNDO) {
    --editIndex_;
  } else if (code == OP_REDO) {
    ++editIndex_;
  } else if (undoCount != undoCountBefore || undoPosition != undoPositionBefore) {
    // Any operation that stored an undo entry changed the audio. The redo
    // history it discards may have held the saved state.
    if (savedIndex_ > editIndex_) savedIndex_ = -1;
    ++editIndex_;
  }
}

OpResult CEditorDoc::RunOperationCode(OpCode code, Progress& progress) {
  switch (code) {
    case OP_WORKING_FILE:
      return CreateWorkingCopy(progress);
    case OP_PEAK_FILE:
      return MakePeakFile(progress);
    case OP_IMPORT_PCM:
      return ImportPcm(progress);
    case WRITE_WAVE_FILE:
      return WriteWave(progress);
    case WRITE_PCM_FILE:
      return WriteRawPcm(progress);
    case OP_COPY:
      return UserOpCopy(progress);
    case OP_CUT:
      return UserOpCut(progress);
    case OP_DELETE:
      return UserOpDelete(progress);
    case OP_PASTE_INSERT:
      return UserOpPasteInsert(progress);
    case OP_PASTE_OVER:
      return UserOpPasteOver(progress);
    case OP_UNDO:
      return UserOpUndo(progress);
    case OP_REDO:
      return UserOpRedo(progress);
    case OP_HANDLE_RECORD:
      return OnStop(progress);
    case OP_VOLUME:
    case OP_FADE:
    case OP_MUTE:
    case OP_REVERSE:
    case OP_SWAP:
    case OP_COPY_CHANNEL:
    case OP_ECHO:
    case OP_REVERB:
    case OP_MULTI_VOICE:
      return UserOpRangeEffect(code, progress);
    case OP_CHANGE_QUALITY:
      return UserOpChangeQuality(progress);
    case OP_MIX_PASTE:
      return UserOpMixPaste(progress);
    default:
      if (const auto it = operations_.find(code); it != operations_.end()) {
        return it->second(*this, progress);
      }
      return OP_PENDING;
  }
}

PeakScale CEditorDoc::Scale() const {
  // An entry holds a maximum and a negative magnitude byte per channel.
  const uint32_t entry = channels > 0 ? 2u * static_cast<uint32_t>(channels) : 0u;
  return {dataLength, peakLength, entry};
}

void CEditorDoc::CheckPositions() const {
  const PeakScale scale = Scale();
  assert(selection_.FitsScale(scale));
  assert(view_.FitsScale(scale));
  assert(dataLength == work.pcmLength);
  (void)scale;
}

void CEditorDoc::SetSelection(uint32_t start, uint32_t end) {
  const uint32_t block = blockAlign > 0 ? static_cast<uint32_t>(blockAlign) : 1;
  start = std::min(start, dataLength);
  end = std::min(end, dataLength);
  selection_ = AudioRange(start - start % block, end - end % block, Scale());
  playPosition = selection_.Start();
  CheckPositions();
}

void CEditorDoc::SetView(uint32_t start, uint32_t end) {
  view_ = AudioRange(start, end, Scale());
  CheckPositions();
}

OpResult CEditorDoc::CopyIntoWorkingFile(const std::string& source, uint32_t offset,
                                         uint32_t length, uint32_t total, Progress& progress) {
  peaksMadeWithCopy_ = false;
  borrowed_.reset();
  const auto block = static_cast<uint32_t>(std::max(work.BlockSize(), 1));
  if (app_.DefersWorkingCopies()) {
    borrowed_ = BorrowedAudio::Borrow(source, offset, length, block, work);
    if (borrowed_ != nullptr) {
      // The copy and its waveform are made when something first needs them.
      work.pcmLength = dataLength = borrowed_->Length();
      work.peakLength = PeakLengthFor(work.Format(), work.pcmLength);
      return OP_DONE;
    }
  }
  platform::UniqueFd out = platform::CreateFreshFile(work.pcmPath, O_WRONLY);
  if (!out.Valid()) {
    ShowMessageF("Failed to open PCM File: %s\n", work.pcmPath.c_str());
    return OP_FAILED;
  }
  platform::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) {
    ShowMessageF("Failed to open Wave File: %s\n", source.c_str());
    return OP_FAILED;
  }
  progress.SetTotal(total / 100);
  progress.SetCaption("Creating a working version of the audio.");

  // Without a peak file here the waveform is simply built afterwards.
  platform::UniqueFd peaks = platform::CreateFreshFile(work.peakPath, O_WRONLY);
  PeakBuilder builder(work.Format(), peaks.Get());
  // The copy ends at the end of the source even when the header promised more.
  uint32_t written = 0;
  switch (CopySamples(in.Get(), offset, length, out.Get(), peaks.Valid() ? &builder : nullptr,
                      &progress, &written)) {
    case SampleCopyStatus::Done:
      break;
    case SampleCopyStatus::Cancelled:
      return OP_CANCELLED;
    case SampleCopyStatus::ReadFailed:
      ShowMessageF("Failed to read %s", source.c_str());
      return OP_FAILED;
    case SampleCopyStatus::WriteFailed:
      ShowMessageF("Failed to write the working file %s", work.pcmPath.c_str());
      return OP_FAILED;
  }
  // Only whole frames are kept; the summary never covers a partial frame.
  written -= written % block;
  if (::ftruncate(out.Get(), written) != 0) {
    ShowMessageF("Failed to write the working file %s", work.pcmPath.c_str());
    return OP_FAILED;
  }
  work.pcmLength = written;
  dataLength = written;
  if (peaks.Valid() && builder.Finish()) {
    work.peakLength = builder.Written();
    peaksMadeWithCopy_ = true;
  }
  return OP_DONE;
}

OpResult CEditorDoc::MakePeakFile(Progress& progress) {
  // Borrowed audio gets its waveform with its working copy.
  if (!peaksMadeWithCopy_ && !BorrowsAudio()) return DrawPeakFile(&work, progress);
  // Already made while the working copy was written.
  peaksMadeWithCopy_ = false;
  progress.SetCaption("Creating waveform file.");
  progress.SetTotal(work.pcmLength / 100);
  return OP_DONE;
}

OpResult CEditorDoc::CreateWorkingCopy(Progress& progress) {
  const uint32_t stated = dataLength;
  const OpResult copied =
      CopyIntoWorkingFile(path_, sourceDataOffset, dataLength, sourceFileLength, progress);
  if (copied != OP_DONE || !WaveDataCutShort(stated, dataLength, work.BlockSize())) return copied;
  const OpResult answer =
      OfferDamagedPart(app_.Dialogs(), path_, dataLength / work.BlockSize(), sampleRate);
  importedSource.partial = answer == OP_DONE;
  return answer;
}

bool CEditorDoc::RunsOnBorrowedAudio(OpCode code) const {
  return code == WRITE_WAVE_FILE || code == WRITE_PCM_FILE || code == OP_PEAK_FILE;
}

OpResult CEditorDoc::EnsureWorkingCopy(Progress& progress) {
  if (borrowed_ == nullptr) return OP_DONE;
  switch (borrowed_->MakeWorkingCopy(&progress)) {
    case BorrowStatus::Done:
      break;
    case BorrowStatus::Cancelled:
      return OP_CANCELLED;
    case BorrowStatus::Failed:
      ShowMessageF("Failed to write the working file %s", work.pcmPath.c_str());
      return OP_FAILED;
    case BorrowStatus::SourceChanged:
      ShowSourceChanged(borrowed_->Path());
      return OP_FAILED;
  }
  const uint32_t peaks = work.peakLength;  // what the positions were scaled to
  if (DocMemMapFile(&work, PCM_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnOpenDocument: Failed to open read to target file: %s", work.pcmPath.c_str());
    return OP_FAILED;
  }
  // Without a whole peak file from the copy, the waveform is built now, to
  // the end: the working copy is there either way.
  work.peakLength = borrowed_->PeaksWritten();
  if (work.peakLength != peaks) {
    UninterruptibleProgress uninterruptible(progress);
    (void)DrawPeakFile(&work, uninterruptible);
  }
  if (work.peakLength != peaks || DocMemMapFile(&work, PEAK_PART, MAP_READ) != OP_DONE) {
    ShowMessageF("OnOpenDocument: Failed to open read to target file: %s", work.peakPath.c_str());
    (void)CloseMemMapFile(&work, PCM_PART);
    work.peakLength = peaks;
    return OP_FAILED;
  }
  borrowed_.reset();
  return OP_DONE;
}

bool CEditorDoc::EnsureWorkingCopy() {
  if (!BorrowsAudio()) return true;
  OpResult made = OP_FAILED;
  app_.Host().Run(OP_WORKING_FILE, [&](Progress& progress) {
    made = EnsureWorkingCopy(progress);
    return made;
  });
  return made == OP_DONE;
}

OpResult CEditorDoc::ImportPcm(Progress& progress) {
  const PcmImportSettings& settings = app_.PcmImport();
  // The dialog takes any digits typed; only a rate within the limits may be
  // multiplied into a byte rate.
  if (settings.sampleRate < kMinSampleRate || settings.sampleRate > kMaxSampleRate) {
    ShowMessageF("Sorry, a sample rate of %d Hz cannot be imported.", settings.sampleRate);
    return OP_FAILED;
  }
  uint32_t length = 0;
  {
    platform::UniqueFd in(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.Valid()) {
      ShowMessageF("Import MP3: Failed to open PCM File: %s\n", path_.c_str());
      return OP_FAILED;
    }
    if (!FileLength32(in.Get(), &length)) {
      ShowTooLarge(path_);
      return OP_FAILED;
    }
  }
  channels = static_cast<int16_t>(settings.channels);
  bitsPerSample = static_cast<int16_t>(settings.bitsPerSample);
  sampleRate = settings.sampleRate;
  bytesPerSecond = Format().BytesPerSecond();
  work.SetFormat(Format());
  dataLength = length;
  work.pcmLength = length;
  const auto result = CopyIntoWorkingFile(path_, 0, length, length, progress);
  sourceDataOffset = 0;
  sourceFileLength = 0;
  return result;
}

OpResult CEditorDoc::AdoptDecodedWorkingFile() {
  work.SetFormat(Format());
  platform::UniqueFd in(::open(work.pcmPath.c_str(), O_RDWR | O_CLOEXEC));
  if (!in.Valid()) {
    ShowMessageF("Import MP3: Failed to open PCM File: %s\n", work.pcmPath.c_str());
    return OP_FAILED;
  }
  uint32_t length = 0;
  if (!FileLength32(in.Get(), &length)) {
    ShowTooLarge(path_);
    return OP_FAILED;
  }
  const auto block = work.BlockSize();
  if (block > 0 && length % block != 0) {
    length -= length % static_cast<uint32_t>(block);
    if (::ftruncate(in.Get(), length) != 0) {
      ShowMessageF("Failed to write the working file %s", work.pcmPath.c_str());
      return OP_FAILED;
    }
  }
  dataLength = length;
  work.pcmLength = length;
  bytesPerSecond = Format().BytesPerSecond();
  sourceDataOffset = 0;
  sourceFileLength = 0;
  return OP_DONE;
}

OpResult CEditorDoc::WriteWave(Progress& progress) {
  return WriteWaveFile({&work, Format(), dataLength, path_, app_.RunFolder(), borrowed_.get()},
                       progress);
}

OpResult CEditorDoc::WriteRawPcm(Progress& progress) {
  return WriteRawPcmFile({&work, Format(), dataLength, path_, app_.RunFolder(), borrowed_.get()},
                         progress);
}
