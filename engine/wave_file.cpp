#include "engine/wave_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#include "engine/borrowed_audio.h"
#include "engine/op_codes.h"
#include "engine/progress.h"
#include "platform/fault_injection.h"
#include "platform/file_copy.h"
#include "platform/file_replace.h"
#include "platform/message.h"
#include "platform/unique_fd.h"

using platform::ShowMessage;
using platform::ShowMessageF;

namespace {

uint32_t ReadLe32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t ReadLe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
void PutLe32(std::string* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void PutLe16(std::string* out, uint16_t v) {
  out->push_back(static_cast<char>(v & 0xff));
  out->push_back(static_cast<char>(v >> 8));
}

bool ReadAt(FILE* file, long offset, void* buffer, size_t size) {
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fread(buffer, 1, size, file) == size;
}

constexpr int kMaxDataSearchReads = 30000;
constexpr uint32_t kOffsetBehind18ByteFormat = 46;

// Walks the RIFF chunks from offset 12 (padded to even sizes) to "data".
bool FindDataChunk(FILE* file, uint32_t fileLength, uint32_t* offset, uint32_t* length) {
  uint64_t position = 12;
  while (position + 8 <= fileLength) {
    uint8_t chunk[8];
    if (!ReadAt(file, static_cast<long>(position), chunk, 8)) return false;
    const uint32_t size = ReadLe32(chunk + 4);
    if (std::memcmp(chunk, "data", 4) == 0) {
      *offset = static_cast<uint32_t>(position + 8);
      *length = size;
      return true;
    }
    position += 8 + uint64_t{size} + (size & 1);
  }
  return false;
}

enum class Layout { Wave, RawPcm };

// Both writers: reserve a name in the run folder, write, then replace the
// target. The messages carry the "WriteWaveFile:" prefix for both kinds.
OpResult WriteAudioFile(const AudioWriteJob& job, Layout layout, Progress& progress) {
  const char* base = layout == Layout::Wave ? "wave_write" : "pcm_write";
  std::string temporary;
  switch (platform::ReserveNumberedFile(job.tempFolder, base, "", &temporary)) {
    case platform::ReserveStatus::Done:
      break;
    case platform::ReserveStatus::CloseFailed:
      ShowMessageF("Failed to close newly created write file: %s", temporary.c_str());
      ::unlink(temporary.c_str());
      return OP_FAILED;
    case platform::ReserveStatus::Exhausted:
      ShowMessageF("Failed to create write file: %s", temporary.c_str());
      return OP_FAILED;
  }
  auto discard = [&] { ::unlink(temporary.c_str()); };

  platform::UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CLOEXEC));  // reserved empty
  if (!fd.Valid()) {
    ShowMessageF("WriteWaveFile: Unable to write to temp file %s", temporary.c_str());
    discard();
    return OP_FAILED;
  }
  bool written = true;
  off_t dataStart = 0;
  if (layout == Layout::Wave) {
    const std::string header = MakeWaveHeader(job.format, job.dataLength);
    written = platform::WriteFully(fd.Get(), header.data(), header.size());
    dataStart = static_cast<off_t>(header.size());
  }
  progress.SetTotal(job.dataLength / 100);
  progress.SetCaption("Saving the current version.");

  // The bytes are written exactly as they stand, whatever the format; the
  // progress advances by blocks of 8124 bytes of 8-bit audio and 16384
  // bytes of other audio, and a cancel is heard at each. The kernel copies
  // the bytes from the working file in runs of many blocks, so the audio
  // never passes through this process's memory (nor counts as its own), and
  // each run's writeback starts at once, so the flush at the end finds
  // little left to do.
  const uint32_t block = job.format.bitsPerSample == 8 ? 8124 : 16384;
  const uint32_t run = 512 * block;
  const int source = job.work->pcmMap.Fd();
  if (job.dataLength > 0 && source < 0 && job.borrowed == nullptr) written = false;
  bool sourceChanged = false;
  for (uint32_t done = 0; written && done < job.dataLength;) {
    const uint32_t size = std::min(run, job.dataLength - done);
    for (uint32_t stepped = done; stepped < done + size;) {
      stepped = std::min(stepped + block, done + size);
      progress.Step(stepped / 100);
      if (progress.IsCancelled()) {
        fd.Reset();
        discard();
        return OP_CANCELLED;
      }
    }
    const off_t at = dataStart + off_t{done};
    if (job.borrowed != nullptr) {
      const BorrowStatus copied = job.borrowed->CopyTo(done, fd.Get(), at, size);
      sourceChanged = copied == BorrowStatus::SourceChanged;
      written = copied == BorrowStatus::Done;
    } else {
      written = platform::CopyFileRangeFully(source, done, fd.Get(), at, size);
    }
    if (written) (void)::sync_file_range(fd.Get(), at, size, SYNC_FILE_RANGE_WRITE);
    done += size;
  }
  if (written) written = platform::SyncFile(fd.Get());
  if (fd.Close() != 0) written = false;
  if (sourceChanged) {
    ShowSourceChanged(job.borrowed->Path());
    discard();
    return OP_FAILED;
  }
  if (!written) {
    // A full disk or an I/O error: the target is left as it was.
    ShowMessageF("WriteWaveFile: Unable to write to temp file %s", temporary.c_str());
    discard();
    return OP_FAILED;
  }

  switch (platform::ReplaceFile(temporary, job.target)) {
    case platform::ReplaceStatus::Done:
      return OP_DONE;
    case platform::ReplaceStatus::TargetNotWritable:
      discard();
      ShowMessageF("WriteWaveFile: Unable to write to wave file %s", job.target.c_str());
      return OP_FAILED;
    case platform::ReplaceStatus::MoveFailed:
      ShowMessageF(
          "WriteWaveFile: Failed to move newly written file over existing file %s.  Your new "
          "file exists at %s  Please contact customer support.",
          job.target.c_str(), temporary.c_str());
      return OP_FAILED;
  }
  return OP_FAILED;
}

}  // namespace

int ReadWaveHeader(const std::string& path, WaveHeader* header) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    ShowMessage("Failed to open wave file.");
    return 0;
  }
  struct FileCloser {
    FILE* f;
    ~FileCloser() { std::fclose(f); }
  } closer{file};

  struct stat st {};
  if (::fstat(fileno(file), &st) != 0) {
    ShowMessage("Failed to open wave file.");
    return 0;
  }
  if (static_cast<uint64_t>(st.st_size) > std::numeric_limits<uint32_t>::max()) {
    ShowMessage("Wave file is too large: files of 4 GB or more cannot be edited.");
    return 0;
  }
  header->fileLength = static_cast<uint32_t>(st.st_size);

  uint8_t bytes[4];
  if (!ReadAt(file, 0, bytes, 4) || std::memcmp(bytes, "RIFF", 4) != 0) {
    ShowMessage("Wave file missing RIFF section.");
    return 0;
  }
  if (!ReadAt(file, 8, bytes, 4) || std::memcmp(bytes, "WAVE", 4) != 0) {
    ShowMessage("Wave file missing WAVE section.");
    return 0;
  }
  if (!ReadAt(file, 12, bytes, 4) || std::memcmp(bytes, "fmt ", 4) != 0) {
    ShowMessage("Wave file missing fmt section.");
    return 0;
  }
  // Fields past the end of a truncated file read as 0.
  uint8_t format[16] = {};
  if (std::fseek(file, 22, SEEK_SET) == 0) (void)std::fread(format, 1, 6, file);
  if (std::fseek(file, 34, SEEK_SET) == 0) (void)std::fread(format + 12, 1, 2, file);
  header->channels = static_cast<int16_t>(ReadLe16(format));
  header->sampleRate = static_cast<int32_t>(ReadLe32(format + 2));
  header->bitsPerSample = static_cast<int16_t>(ReadLe16(format + 12));
  header->bytesPerSecond =
      AudioFormat{header->channels, header->bitsPerSample, header->sampleRate}.BytesPerSecond();

  if (std::fseek(file, 36, SEEK_SET) == 0) {
    for (int i = 0; i < kMaxDataSearchReads; ++i) {
      if (std::fread(bytes, 1, 4, file) != 4) break;
      if (std::memcmp(bytes, "data", 4) == 0) {
        uint8_t length[4] = {};
        const size_t got = std::fread(length, 1, 4, file);
        header->dataLength = ReadLe32(length);
        header->dataOffset = static_cast<uint32_t>(36 + 4 * i + 4 + got);
        return 1;
      }
    }
  }
  // Chunks of odd size (a LIST chunk with metadata, say) put "data" off the
  // grid; walking the chunks finds it where the grid cannot, instead of
  // taking the metadata for samples.
  if (FindDataChunk(file, header->fileLength, &header->dataOffset, &header->dataLength)) return 1;
  header->dataOffset = kOffsetBehind18ByteFormat;
  header->dataLength = header->fileLength > kOffsetBehind18ByteFormat
                           ? header->fileLength - kOffsetBehind18ByteFormat
                           : 0;
  return 1;
}

std::string MakeWaveHeader(const AudioFormat& format, uint32_t dataLength) {
  std::string header = "RIFF";
  PutLe32(&header, dataLength + 36);
  header += "WAVEfmt ";
  PutLe32(&header, 16);
  PutLe16(&header, 1);
  PutLe16(&header, static_cast<uint16_t>(format.channels));
  PutLe32(&header, static_cast<uint32_t>(format.sampleRate));
  PutLe32(&header, static_cast<uint32_t>(format.BytesPerSecond()));
  PutLe16(&header, static_cast<uint16_t>(format.BlockSize()));
  PutLe16(&header, static_cast<uint16_t>(format.bitsPerSample));
  header += "data";
  PutLe32(&header, dataLength);
  return header;
}

OpResult WriteWaveFile(const AudioWriteJob& job, Progress& progress) {
  return WriteAudioFile(job, Layout::Wave, progress);
}

OpResult WriteRawPcmFile(const AudioWriteJob& job, Progress& progress) {
  return WriteAudioFile(job, Layout::RawPcm, progress);
}
