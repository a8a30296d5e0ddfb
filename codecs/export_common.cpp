#include "codecs/export_common.h"

#include <algorithm>

#include <unistd.h>

#include "engine/op_codes.h"
#include "platform/file_replace.h"
#include "platform/message.h"

using platform::ShowMessageF;

bool IsExportableFormat(const AudioFormat& format) {
  return (format.channels == 1 || format.channels == 2) &&
         (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.sampleRate > 0;
}

void ShowUnsupportedExportFormat(const char* kind) {
  ShowMessageF("Sorry, only mono or stereo audio of 8 or 16 bits can be saved as %s.", kind);
}

std::string CutExportText(std::string_view text) {
  if (text.size() <= kMaxExportText) return std::string(text);
  size_t size = kMaxExportText;
  // Back off over continuation bytes to the start of the cut character.
  while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80) --size;
  return std::string(text.substr(0, size));
}

bool ExportYearAllowed(std::string_view text) {
  return text.size() <= kExportYearDigits &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool ReserveExportFile(const std::string& folder, const char* base, std::string* path) {
  switch (platform::ReserveNumberedFile(folder, base, "", path)) {
    case platform::ReserveStatus::Done:
      return true;
    case platform::ReserveStatus::CloseFailed:
      ShowMessageF("Failed to close newly created write file: %s", path->c_str());
      ::unlink(path->c_str());
      return false;
    case platform::ReserveStatus::Exhausted:
      ShowMessageF("Failed to create write file: %s", path->c_str());
      return false;
  }
  return false;
}

OpResult PlaceExportFile(const std::string& finished, const std::string& target,
                         const char* routine, const std::function<void()>& keepFinished) {
  switch (platform::ReplaceFile(finished, target)) {
    case platform::ReplaceStatus::Done:
      keepFinished();  // it is the target now
      return OP_DONE;
    case platform::ReplaceStatus::TargetNotWritable:
      ShowMessageF("%s: Unable to write to wave file %s", routine, target.c_str());
      return OP_FAILED;
    case platform::ReplaceStatus::MoveFailed:
      keepFinished();
      ShowMessageF(
          "%s: Failed to move newly written file over existing file %s.  Your new file exists at "
          "%s  Please contact customer support.",
          routine, target.c_str(), finished.c_str());
      return OP_FAILED;
  }
  return OP_FAILED;
}

ReservedFile::~ReservedFile() {
  if (!kept_) ::unlink(path_.c_str());
}

ScratchGuard::~ScratchGuard() {
  if (slot_ != nullptr) CleanupTempAudioFile(slot_, 0);
}
