// The splice primitives: each builds a new version of the working audio (or
// a piece of it) in a destination slot created at its final size, copying
// from mapped views; and DocFinalize, which commits a result by renaming.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "engine/peak_file.h"
#include "engine/progress.h"
#include "platform/file_copy.h"
#include "platform/message.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

constexpr uint32_t kProgressBytes = 8192;

// Copies n bytes of one slot file into another, reporting progress at every
// 8192-byte mark continuing from the progress already shown, and stopping at
// a mark when Cancel was pressed. The bytes move inside the kernel between
// the files behind the two views (which the views then see), in runs of up to
// 1 MiB whose marks are all reported before the run is copied.
OpResult CopyBlock(const platform::MappedFile& destination, uint32_t destinationOffset,
                   const platform::MappedFile& source, uint32_t sourceOffset, uint32_t n,
                   Progress& progress) {
  constexpr uint32_t kRun = 128 * kProgressBytes;
  const uint32_t base = progress.GetCurrent();
  for (uint32_t run = 0; run < n; run += kRun) {
    const uint32_t runLength = std::min(kRun, n - run);
    for (uint32_t i = run; i < run + runLength; i += kProgressBytes) {
      progress.Step(base + i / 100);
      if (progress.IsCancelled()) return OP_CANCELLED;
    }
    if (!platform::CopyFileRangeFully(source.Fd(), sourceOffset + run, destination.Fd(),
                                      destinationOffset + run, runLength)) {
      ShowMessageF("CopyBlock: Failed to copy audio data (error %d)", errno);
      return OP_FAILED;
    }
  }
  return OP_DONE;
}

// A splice's destination: lengths set, both files mapped for writing.
OpResult MapDestination(TempAudioFile* dest, uint32_t pcmLength, uint32_t peakLength,
                        const char* failure) {
  dest->pcmLength = pcmLength;
  dest->peakLength = peakLength;
  if (DocMemMapFile(dest, BOTH_PARTS, MAP_WRITE) != OP_DONE) {
    ShowMessageF(failure, dest->pcmPath.c_str());
    return OP_FAILED;
  }
  return OP_DONE;
}

OpResult UnmapDestination(TempAudioFile* dest, const AudioFormat& format, const char* failure) {
  if (CloseMemMapFile(dest, BOTH_PARTS) != OP_DONE) {
    ShowMessage(failure);
    return OP_FAILED;
  }
  dest->SetFormat(format);
  return OP_DONE;
}

bool RangeOutside(uint32_t start, uint32_t end, uint32_t length) {
  return start > end || end > length;
}

OpResult ShowBadRange(const char* routine) {
  ShowMessageF("%s: the range lies outside the audio", routine);
  return OP_FAILED;
}

// One run of bytes from a source file to a destination file.
struct Piece {
  const platform::MappedFile& destination;
  uint32_t destinationOffset;
  const platform::MappedFile& source;
  uint32_t sourceOffset;
  uint32_t length;
};

// Copies the pieces in order; stops at the first that does not finish.
OpResult CopyPieces(std::initializer_list<Piece> pieces, Progress& progress) {
  for (const Piece& piece : pieces) {
    if (piece.length == 0) continue;
    if (const auto result = CopyBlock(piece.destination, piece.destinationOffset, piece.source,
                                      piece.sourceOffset, piece.length, progress);
        result != OP_DONE) {
      return result;
    }
  }
  return OP_DONE;
}

}  // namespace

OpResult CEditorDoc::DocOpCopyRange(TempAudioFile* dest, uint32_t start, uint32_t end,
                                    uint32_t peakStart, uint32_t peakEnd, Progress& progress) {
  if (RangeOutside(start, end, work.pcmLength) ||
      RangeOutside(peakStart, peakEnd, work.peakLength)) {
    return ShowBadRange("DocOpCopyRange");
  }
  if (start == end) {
    // Nothing to copy; no peak data either, since there is no file for it.
    dest->pcmLength = 0;
    dest->peakLength = 0;
    return OP_DONE;
  }
  if (MapDestination(dest, end - start, peakEnd - peakStart,
                     "DocOpCopyRange: Failed to open write map to target file: %s") != OP_DONE) {
    return OP_FAILED;
  }
  const auto copied = CopyPieces({{dest->pcmMap, 0, work.pcmMap, start, end - start},
                                  {dest->peakMap, 0, work.peakMap, peakStart, peakEnd - peakStart}},
                                 progress);
  if (copied != OP_DONE) return copied;
  return UnmapDestination(dest, Format(),
                          "DocOpCopyRange: Failed to close write map to target file");
}

OpResult CEditorDoc::DocOpCut(TempAudioFile* dest, uint32_t start, uint32_t end, uint32_t peakStart,
                              uint32_t peakEnd, Progress& progress) {
  const uint32_t length = work.pcmLength;
  const uint32_t peaks = work.peakLength;
  if (RangeOutside(start, end, length) || RangeOutside(peakStart, peakEnd, peaks)) {
    return ShowBadRange("DocOpCut");
  }
  if (MapDestination(dest, length - (end - start), peaks - (peakEnd - peakStart),
                     "DocOpCut: Failed to open write map to target file: %s") != OP_DONE) {
    return OP_FAILED;
  }
  const OpResult copied =
      CopyPieces({{dest->pcmMap, 0, work.pcmMap, 0, start},
                  {dest->pcmMap, start, work.pcmMap, end, length - end},
                  {dest->peakMap, 0, work.peakMap, 0, peakStart},
                  {dest->peakMap, peakStart, work.peakMap, peakEnd, peaks - peakEnd}},
                 progress);
  if (copied != OP_DONE) return copied;
  return UnmapDestination(dest, Format(), "DocOpCut: Failed to close write map to target file");
}

OpResult CEditorDoc::DocOpInsert(TempAudioFile* source, TempAudioFile* dest, uint32_t position,
                                 uint32_t peakPosition, Progress& progress) {
  const uint32_t length = work.pcmLength;
  const uint32_t peaks = work.peakLength;
  if (position > length || peakPosition > peaks) return ShowBadRange("DocOpInsert");
  if (MapDestination(dest, length + source->pcmLength, peaks + source->peakLength,
                     "DocOpInsert: Failed to open write map to target file: %s") != OP_DONE) {
    return OP_FAILED;
  }
  const auto copied = CopyPieces(
      {{dest->pcmMap, 0, work.pcmMap, 0, position},
       {dest->pcmMap, position, source->pcmMap, 0, source->pcmLength},
       {dest->pcmMap, position + source->pcmLength, work.pcmMap, position, length - position},
       {dest->peakMap, 0, work.peakMap, 0, peakPosition},
       {dest->peakMap, peakPosition, source->peakMap, 0, source->peakLength},
       {dest->peakMap, peakPosition + source->peakLength, work.peakMap, peakPosition,
        peaks - peakPosition}},
      progress);
  if (copied != OP_DONE) return copied;
  return UnmapDestination(dest, Format(), "DocOpInsert: Failed to close write map to target file");
}

OpResult CEditorDoc::DocOpOverwrite(TempAudioFile* source, TempAudioFile* dest, uint32_t position,
                                    uint32_t peakPosition, bool extend, Progress& progress) {
  const uint32_t length = work.pcmLength;
  const uint32_t peaks = work.peakLength;
  if (position > length || peakPosition > peaks ||
      (!extend && source->pcmLength > length - position)) {
    return ShowBadRange("DocOpOverwrite");
  }
  const uint32_t pcmOut = extend ? position + source->pcmLength : length;
  const uint32_t peakOut =
      extend ? peakPosition + source->peakLength : std::max(peaks, source->peakLength);
  if (MapDestination(dest, pcmOut, peakOut,
                     "DocOpOverwrite: Failed to open write map to target file: %s") != OP_DONE) {
    return OP_FAILED;
  }
  // The source's peak data is limited to the destination; the working peak
  // data behind it is copied only as far as it exists (the rest stays 0).
  const uint32_t sourcePeaks = std::min(source->peakLength, peakOut - peakPosition);
  const uint32_t tailPeak = peakPosition + sourcePeaks;
  const uint32_t tailPeakEnd = std::min(peakOut, peaks);
  const uint32_t tail = position + source->pcmLength;
  const OpResult copied =
      CopyPieces({{dest->pcmMap, 0, work.pcmMap, 0, position},
                  {dest->pcmMap, position, source->pcmMap, 0, source->pcmLength},
                  {dest->pcmMap, tail, work.pcmMap, tail, pcmOut > tail ? pcmOut - tail : 0},
                  {dest->peakMap, 0, work.peakMap, 0, peakPosition},
                  {dest->peakMap, peakPosition, source->peakMap, 0, sourcePeaks},
                  {dest->peakMap, tailPeak, work.peakMap, tailPeak,
                   tailPeakEnd > tailPeak ? tailPeakEnd - tailPeak : 0}},
                 progress);
  if (copied != OP_DONE) return copied;
  return UnmapDestination(dest, Format(),
                          "DocOpOverwrite: Failed to close write map to target file");
}

OpResult CEditorDoc::DocOpCopySourceDest(TempAudioFile* source, TempAudioFile* dest, uint32_t start,
                                         uint32_t end, uint32_t peakStart, uint32_t peakEnd,
                                         Progress& progress) {
  if (start > end || peakStart > peakEnd || end - start > source->pcmLength ||
      peakEnd - peakStart > source->peakLength) {
    return ShowBadRange("DocOpCopySourceDest");
  }
  if (MapDestination(dest, end - start, peakEnd - peakStart,
                     "DocOpCopySourceDest: Failed to open write map to dest file: %s") != OP_DONE) {
    return OP_FAILED;
  }
  const auto copied = CopyPieces({{dest->pcmMap, 0, source->pcmMap, 0, dest->pcmLength},
                                  {dest->peakMap, 0, source->peakMap, 0, dest->peakLength}},
                                 progress);
  if (copied != OP_DONE) return copied;
  return UnmapDestination(dest, source->Format(),
                          "DocOpCopySourceDest: Failed to close write map to target file");
}

OpResult CEditorDoc::DocFinalize(OpCode operation, TempAudioFile* result, Progress& progress) {
  // The old working files stay in place until the rename replaces them, so a
  // failed commit leaves the document's audio as it was.
  if (CloseMemMapFile(&work, BOTH_PARTS) != OP_DONE) {
    ShowMessage("DocFinalize: Failed to cleanup undo file");
    return OP_FAILED;
  }
  if (MoveAudioFile(result, &work, commitMoves_) != OP_DONE) {
    ShowMessage("DocFinalize: Failed to move files");
    DocMemMapFile(&work, BOTH_PARTS, MAP_READ);
    return OP_FAILED;
  }
  if (DocMemMapFile(&work, BOTH_PARTS, MAP_READ) != OP_DONE) {
    ShowMessage("DocFinalize: Failed to mem map the clipboard");
    return OP_FAILED;
  }
  // A view that showed the whole audio goes on showing all of it, however
  // long the audio has become; any other view keeps its place and zoom.
  const bool wholeView = view_.Start() == 0 && view_.End() == dataLength;
  dataLength = work.pcmLength;
  peakLength = work.peakLength;
  // The bounds to keep, in PCM bytes; their peak images follow from the new
  // lengths once the peak data is final.
  uint32_t selStart = selection_.Start(), selEnd = selection_.End();
  uint32_t viewStart = view_.Start(), viewEnd = wholeView ? dataLength : view_.End();
  // A view that now reaches past the end keeps its length where it can and
  // ends at the end, so it never shows less than before or nothing at all.
  auto clampView = [&] {
    if (viewEnd <= dataLength) return;
    const uint32_t length = viewEnd - viewStart;
    viewEnd = dataLength;
    viewStart = dataLength > length ? dataLength - length : 0;
  };
  auto showWholeFile = [&] {
    selStart = selEnd = 0;
    playPosition = 0;
    viewStart = 0;
    viewEnd = dataLength;
  };

  if (operation == OP_CUT) {
    selEnd = selStart;
    clampView();
    if (dataLength == 0) hasAudio = 0;
  }
  if (operation == OP_PASTE_OVER) clampView();
  if ((operation == OP_PASTE_OVER || operation == OP_PASTE_INSERT) && hasAudio == 0 &&
      dataLength > 0) {
    hasAudio = 1;
    showWholeFile();
  }
  if (operation == OP_REPLACE) {
    // The move handed the result's format to the working slot.
    bitsPerSample = work.bitsPerSample;
    channels = work.channels;
    sampleRate = work.sampleRate;
    blockAlign = static_cast<int16_t>(work.BlockSize());
    bytesPerSecond = Format().BytesPerSecond();
    showWholeFile();
  }

  // The new audio is in place already; its peak data has to match it.
  UninterruptibleProgress uninterruptible(progress);
  const auto rebuilt = RebuildPeakFileIfNeeded(&work, uninterruptible);
  peakLength = work.peakLength;
  // Clamped into the audio too, so later splices see a valid range whatever
  // the operation was.
  selection_ = AudioRange(selStart, selEnd, Scale());
  view_ = AudioRange(viewStart, viewEnd, Scale());
  CheckPositions();
  return rebuilt;
}
