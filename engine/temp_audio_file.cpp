#include "engine/temp_audio_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/op_codes.h"
#include "platform/fault_injection.h"
#include "platform/file_discard.h"
#include "platform/file_moves.h"
#include "platform/file_replace.h"
#include "platform/message.h"
#include "platform/paths.h"

using platform::MappedFile;
using platform::ShowMessageF;

void TempAudioFile::SetFormat(const AudioFormat& format) {
  channels = format.channels;
  bitsPerSample = format.bitsPerSample;
  sampleRate = format.sampleRate;
}

namespace {

// Empties a file before it is deleted, as the slot routines have always done.
// A large file is instead moved aside and deleted in the background, so the
// caller does not wait for its blocks to be freed. A file that is not there
// (a step that failed before creating it) has nothing to empty.
bool EmptyFile(const std::string& path, int* error) {
  if (const std::string aside = platform::MoveAside(path); !aside.empty()) {
    platform::Discard(aside);
    return true;
  }
  // A file with a second name (the recovery journal's link) must keep its
  // content for that name; the caller's unlink removes only this one.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && st.st_nlink > 1) return true;
  const auto fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return true;
  if (fd < 0) {
    *error = errno;
    return false;
  }
  ::close(fd);
  return true;
}

OpResult MapOne(const std::string& path, uint32_t length, int mode, MappedFile* map,
                uint8_t** data) {
  if (length == 0) return OP_DONE;
  const auto status =
      map->Open(path, mode == MAP_WRITE ? MappedFile::Mode::Write : MappedFile::Mode::Read, length);
  switch (status) {
    case MappedFile::Status::Ok:
      *data = map->Data();
      return OP_DONE;
    case MappedFile::Status::OpenFailed:
      ShowMessageF("DocMemMapFile: Failed to open file %s", path.c_str());
      return OP_FAILED;
    case MappedFile::Status::SizeFailed:
      ShowMessageF("DocMemMapFile: Failed to map file %s", path.c_str());
      return OP_FAILED;
    case MappedFile::Status::MapFailed:
      ShowMessageF("DocMemMapFile: Failed to get base for %s", path.c_str());
      return OP_FAILED;
  }
  return OP_FAILED;
}

OpResult UnmapOne(const std::string& path, uint32_t length, MappedFile* map, uint8_t** data) {
  if (length == 0 && !map->IsOpen()) return OP_DONE;
  *data = nullptr;
  const auto error = map->Close();
  if (error != 0) {
    ShowMessageF("CloseMemMapFile: Failed to unmap view of file %s.  Error: %ld", path.c_str(),
                 static_cast<long>(error));
    return OP_FAILED;
  }
  return OP_DONE;
}

}  // namespace

OpResult CreateTempAudioFile(TempAudioFile* slot, const std::string& folder, const char* baseName) {
  slot->SetFormat({});
  slot->pcmLength = 0;
  slot->peakLength = 0;

  using platform::ReserveStatus;
  std::string path;
  switch (platform::ReserveNumberedFile(folder, baseName, ".pcm", &path)) {
    case ReserveStatus::Done:
      break;
    case ReserveStatus::CloseFailed:
      ShowMessageF("Failed to close newly created PCM file: %s", path.c_str());
      return OP_FAILED;
    case ReserveStatus::Exhausted:
      ShowMessageF("Failed to create undo PCM file: %s", path.c_str());
      return OP_FAILED;
  }
  slot->pcmPath = path;

  if (platform::ReserveNumberedFile(folder, baseName, ".pek", &path) == ReserveStatus::Exhausted) {
    ShowMessageF("Failed to create undo PCM file: %s", path.c_str());
    return OP_FAILED;
  }
  slot->peakPath = path;
  return OP_DONE;
}

OpResult DocMemMapFile(TempAudioFile* slot, SlotPart part, int mode) {
  if (part == PCM_PART || part == BOTH_PARTS) {
    if (MapOne(slot->pcmPath, slot->pcmLength, mode, &slot->pcmMap, &slot->pcmData) != OP_DONE) {
      return OP_FAILED;
    }
  }
  if (part == PEAK_PART || part == BOTH_PARTS) {
    if (MapOne(slot->peakPath, slot->peakLength, mode, &slot->peakMap, &slot->peakData) !=
        OP_DONE) {
      return OP_FAILED;
    }
  }
  return OP_DONE;
}

OpResult CloseMemMapFile(TempAudioFile* slot, SlotPart part) {
  if (part == PCM_PART || part == BOTH_PARTS) {
    if (UnmapOne(slot->pcmPath, slot->pcmLength, &slot->pcmMap, &slot->pcmData) != OP_DONE) {
      return OP_FAILED;
    }
  }
  if (part == PEAK_PART || part == BOTH_PARTS) {
    if (UnmapOne(slot->peakPath, slot->peakLength, &slot->peakMap, &slot->peakData) != OP_DONE) {
      return OP_FAILED;
    }
  }
  return OP_DONE;
}

OpResult CleanupTempAudioFile(TempAudioFile* slot, int keepFiles) {
  int error = 0;
  if (slot->pcmMap.IsOpen() && CloseMemMapFile(slot, PCM_PART) == OP_FAILED) {
    ShowMessageF("CleanupTempAudioFile - Failed to close map to target file: %s",
                 slot->pcmPath.c_str());
    return OP_FAILED;
  }
  if (!keepFiles) {
    if (slot->pcmLength != 0 && !EmptyFile(slot->pcmPath, &error)) {
      ShowMessageF("Failed to empty PCM file: %s  Error: %ld", slot->pcmPath.c_str(),
                   static_cast<long>(error));
      return OP_FAILED;
    }
    (void)::unlink(slot->pcmPath.c_str());
    slot->pcmLength = 0;
  }
  if (slot->peakMap.IsOpen() && CloseMemMapFile(slot, PEAK_PART) == OP_FAILED) {
    ShowMessageF("CleanupTempAudioFile - Failed to close map to target file: %s",
                 slot->peakPath.c_str());
    return OP_FAILED;
  }
  if (keepFiles) return OP_DONE;
  if (slot->peakLength != 0 && !EmptyFile(slot->peakPath, &error)) {
    ShowMessageF("Failed to empty Peak file: %s  Error: %ld", slot->peakPath.c_str(),
                 static_cast<long>(error));
    return OP_FAILED;
  }
  (void)::unlink(slot->peakPath.c_str());
  slot->peakLength = 0;
  return OP_DONE;
}

OpResult MoveAudioFile(TempAudioFile* source, TempAudioFile* destination,
                       platform::FileMoves* moves) {
  // A mapped slot would keep a view of the file that the rename replaces
  // (and stale lengths would then index past it), so both must be unmapped.
  if (source->pcmMap.IsOpen() || destination->pcmMap.IsOpen()) {
    ShowMessageF("MoveAudioFile: Failed to move %s over %s  Error: %ld", source->pcmPath.c_str(),
                 destination->pcmPath.c_str(), static_cast<long>(EBUSY));
    return OP_FAILED;
  }
  if (source->peakMap.IsOpen() || destination->peakMap.IsOpen()) {
    ShowMessageF("MoveAudioFile: Failed to move %s over %s", source->peakPath.c_str(),
                 destination->peakPath.c_str());
    return OP_FAILED;
  }

  // Both files move or neither does: a failed peak move takes the PCM move
  // back, and what the destination held is kept until then (see FileMoves),
  // so it still holds all of its data after a failure. Within a larger
  // commit the caller's group decides when the old files go.
  platform::FileMoves local;
  platform::FileMoves& group = moves != nullptr ? *moves : local;
  const size_t before = group.Mark();
  auto place = [&](uint32_t length, const std::string& from, const std::string& to) {
    return length != 0 ? group.Move(from, to) : group.Remove(to);
  };
  if (!place(source->pcmLength, source->pcmPath, destination->pcmPath)) {
    ShowMessageF("MoveAudioFile: Failed to move %s over %s  Error: %ld", source->pcmPath.c_str(),
                 destination->pcmPath.c_str(), static_cast<long>(errno));
    return OP_FAILED;
  }
  if (!place(source->peakLength, source->peakPath, destination->peakPath)) {
    // The caller's clean-up finds the source's files where they were.
    (void)group.RollBackTo(before);
    ShowMessageF("MoveAudioFile: Failed to move %s over %s", source->peakPath.c_str(),
                 destination->peakPath.c_str());
    return OP_FAILED;
  }
  if (moves == nullptr) local.Commit();
  destination->pcmLength = source->pcmLength;
  destination->peakLength = source->peakLength;
  destination->SetFormat(source->Format());
  source->pcmLength = 0;
  source->peakLength = 0;
  return OP_DONE;
}

bool SameAudioFormat(const TempAudioFile* a, const TempAudioFile* b) {
  return a->bitsPerSample == b->bitsPerSample && a->channels == b->channels &&
         a->sampleRate == b->sampleRate;
}
