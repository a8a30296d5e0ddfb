// Taking over a document that an editor which died left behind. Every file
// is checked against the manifest before it is used; the candidate's files
// are linked (or copied), never moved, so a recovery that fails half-way
// leaves the candidate exactly as it was.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/doc_manifest.h"
#include "engine/document_host.h"
#include "engine/editor_doc.h"
#include "engine/peak_file.h"
#include "engine/progress.h"
#include "platform/durable_file.h"
#include "platform/message.h"
#include "platform/paths.h"

namespace {

// What is wrong with `name` in `folder` as a file of `length` bytes; "" when
// it is whole.
std::string CheckFile(const std::string& folder, const std::string& name, uint32_t length) {
  if (length == 0) return {};
  struct stat st {};
  const std::string path = folder + "/" + name;
  if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return name + " is missing";
  if (static_cast<uint64_t>(st.st_size) != length) {
    return name + " holds " + std::to_string(st.st_size) + " bytes instead of " +
           std::to_string(length);
  }
  return {};
}

// Takes the candidate's file at `from` in as `to`: a link where the
// candidate's own name will go once the document is recovered, else a copy.
bool TakeFile(const std::string& from, const std::string& to) {
  // In a folder that cannot be written the candidate keeps its names, and
  // is offered again; a shared file would carry this document's edits into
  // audio the candidate's manifest still describes.
  const std::string folder = platform::FolderOf(from);
  return ::access(folder.c_str(), W_OK) == 0 ? platform::LinkOrCopyFile(from, to)
                                             : platform::CopyFileFlushed(from, to);
}

// Gives `slot` the candidate's files and lengths; false when a file could not
// be linked or copied.
bool AdoptFiles(const ManifestSlot& from, const std::string& folder, bool withPeaks,
                TempAudioFile* slot) {
  if (from.pcmLength != 0 && !TakeFile(folder + "/" + from.pcmFile, slot->pcmPath)) {
    return false;
  }
  slot->pcmLength = from.pcmLength;
  if (withPeaks && from.peakLength != 0 &&
      !TakeFile(folder + "/" + from.peakFile, slot->peakPath)) {
    return false;
  }
  slot->peakLength = withPeaks ? from.peakLength : 0;
  slot->SetFormat(from.format);
  return true;
}

// The lengths of the audio at one point of its history, as the rings walk it.
struct HistoryLengths {
  uint64_t pcm = 0;
  uint64_t peak = 0;
};

// Whether undoing `e` can apply to audio of `at`'s lengths, and the lengths
// it leaves. Only the files of an entry can be checked against the disk;
// its ranges are checked against the audio that each step leaves, so a
// damaged manifest cannot send an undo outside the audio.
bool UndoFits(const ManifestEntry& e, HistoryLengths* at) {
  const uint64_t s = e.pcmStart, end = e.pcmEnd, ps = e.peakStart, pe = e.peakEnd;
  if (s > end || ps > pe) return false;
  switch (e.operation) {
    case OP_CUT:  // the removed audio goes back in at s
      if (s > at->pcm || ps > at->peak || end - s != e.audio.pcmLength) return false;
      at->pcm += e.audio.pcmLength;
      at->peak += e.audio.peakLength;
      return true;
    case OP_PASTE_INSERT:  // the inserted range comes out
      if (end > at->pcm || pe > at->peak) return false;
      at->pcm -= end - s;
      at->peak -= pe - ps;
      return true;
    case OP_PASTE_OVER:
      if (e.extend != 0) {  // the old audio ends the file again
        if (s > at->pcm || ps > at->peak) return false;
        at->pcm = s + e.audio.pcmLength;
        at->peak = ps + e.audio.peakLength;
        return true;
      }
      return end <= at->pcm && pe <= at->peak && end - s == e.audio.pcmLength;
    case OP_REPLACE:  // the whole previous audio
      at->pcm = e.audio.pcmLength;
      at->peak = e.audio.peakLength;
      return s == 0 && end == e.audio.pcmLength;
    default:
      return false;
  }
}

// The same for redoing `e`, walking forward from the audio as it is.
bool RedoFits(const ManifestEntry& e, HistoryLengths* at) {
  const uint64_t s = e.pcmStart, end = e.pcmEnd, ps = e.peakStart, pe = e.peakEnd;
  if (s > end || ps > pe) return false;
  switch (e.operation) {
    case OP_CUT:
      if (end > at->pcm || pe > at->peak) return false;
      at->pcm -= end - s;
      at->peak -= pe - ps;
      return true;
    case OP_PASTE_INSERT:
      if (s > at->pcm || ps > at->peak) return false;
      at->pcm += e.audio.pcmLength;
      at->peak += e.audio.peakLength;
      return true;
    case OP_PASTE_OVER:
      if (s > at->pcm || ps > at->peak) return false;
      at->pcm = std::max(at->pcm, s + e.audio.pcmLength);
      at->peak = std::max(at->peak, ps + e.audio.peakLength);
      return true;
    case OP_REPLACE:
      at->pcm = e.audio.pcmLength;
      at->peak = e.audio.peakLength;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool CEditorDoc::RestoreFromManifest(const DocManifest& m, const std::string& folder,
                                     std::vector<std::string>* problems) {
  const auto report = [&](const std::string& text) {
    if (problems != nullptr) problems->push_back(text);
  };
  const std::string title = m.title.empty() ? "Untitled" : m.title;

  // The working copy is the document: without it there is nothing to give.
  if (const std::string wrong = CheckFile(folder, m.work.pcmFile, m.work.pcmLength);
      !wrong.empty()) {
    report(title + ": the audio cannot be recovered: " + wrong + ".");
    return false;
  }
  const uint32_t block = static_cast<uint32_t>(m.format.BlockSize());
  if (!m.format.IsEditable() || m.work.pcmLength % block != 0) {
    report(title + ": the audio cannot be recovered: its format is not one the editor edits.");
    return false;
  }
  const bool peaksWhole =
      CheckFile(folder, m.work.peakFile, m.work.peakLength).empty() && m.work.peakLength != 0;
  if (!AdoptFiles(m.work, folder, peaksWhole, &work)) {
    report(title + ": the audio cannot be recovered: its files cannot be read into " +
           app_.RunFolder() + ".");
    return false;
  }
  channels = m.format.channels;
  bitsPerSample = m.format.bitsPerSample;
  sampleRate = m.format.sampleRate;
  bytesPerSecond = m.format.BytesPerSecond();
  blockAlign = static_cast<int16_t>(block);
  work.SetFormat(m.format);
  dataLength = work.pcmLength;
  const auto unreadable = [&] {
    report(title + ": the audio cannot be recovered: its copy in " + app_.RunFolder() +
           " cannot be read.");
    return false;
  };
  if (DocMemMapFile(&work, PCM_PART, MAP_READ) != OP_DONE) return unreadable();
  if (!peaksWhole && dataLength != 0) {
    // The waveform is only a summary of the audio: it is simply made again.
    SilentOperationHost silent;
    if (DrawPeakFile(&work, silent) != OP_DONE) return unreadable();
    if (m.work.peakLength != 0 || !m.work.peakFile.empty()) {
      report(title + ": the waveform file was damaged and has been rebuilt.");
    }
  }
  peakLength = work.peakLength;
  if (DocMemMapFile(&work, PEAK_PART, MAP_READ) != OP_DONE) return unreadable();
  hasAudio = dataLength != 0 ? 1 : 0;

  // Each ring keeps its newest entries up to the first that is not whole:
  // undo and redo walk a ring from its newest entry, so those stay usable.
  const auto restoreRing = [&](const ManifestRing& ring, UndoEntry* entries, int16_t* count,
                               int16_t* position, bool undoRing) {
    *count = 0;
    *position = ring.position;
    HistoryLengths at{dataLength, peakLength};
    for (size_t i = 0; i < ring.entries.size(); ++i) {
      const ManifestEntry& e = ring.entries[i];
      const ManifestSlot& audio = e.audio;
      const bool whole =
          (undoRing ? UndoFits(e, &at) : RedoFits(e, &at)) &&
          CheckFile(folder, audio.pcmFile, audio.pcmLength).empty() &&
          CheckFile(folder, audio.peakFile, audio.peakLength).empty() &&
          (audio.pcmLength == 0 ||
           (audio.format.IsEditable() && audio.pcmLength % audio.format.BlockSize() == 0));
      UndoEntry& entry = entries[(ring.position - static_cast<int>(i) + kUndoLevels) % kUndoLevels];
      if (!whole || !AdoptFiles(audio, folder, true, &entry.slot) ||
          DocMemMapFile(&entry.slot, BOTH_PARTS, MAP_READ) != OP_DONE) {
        report(title + ": only " + std::to_string(i) + " of " +
               std::to_string(ring.entries.size()) + (undoRing ? " undo" : " redo") +
               " steps could be recovered.");
        return;
      }
      entry.operation = e.operation;
      entry.extend = e.extend;
      entry.pcmStart = e.pcmStart;
      entry.pcmEnd = e.pcmEnd;
      entry.peakStart = e.peakStart;
      entry.peakEnd = e.peakEnd;
      *count = static_cast<int16_t>(i + 1);
    }
  };
  for (const std::string& problem : m.ringProblems) {
    report(title + ": the undo and redo history is damaged (" + problem + ").");
  }
  restoreRing(m.undo, undo, &undoCount, &undoPosition, true);
  restoreRing(m.redo, redo, &redoCount, &redoPosition, false);

  ResetPositions();
  // Positions out of the audio (a damaged manifest) fall back to the whole
  // file and no selection.
  if (m.viewStart < m.viewEnd && m.viewEnd <= dataLength) SetView(m.viewStart, m.viewEnd);
  if (m.selStart <= m.selEnd && m.selEnd <= dataLength) SetSelection(m.selStart, m.selEnd);
  sourceFileLength = 0;
  sourceDataOffset = 0;
  // Recovered audio belongs to no file until the user saves it, and no undo
  // makes it match one again.
  path_.clear();
  journal.SetOriginalPath(m.originalPath);
  // The edit count starts above what the recovered undo steps can take
  // away, so it never meets the "no saved state" mark.
  editIndex_ = kUndoLevels;
  savedIndex_ = -1;
  CheckPositions();
  // Journalled in this run before the caller lets go of the candidate, so
  // there is no moment in which neither holds the document.
  return journal.Record(*this) != JournalStatus::Failed;
}
