#include "engine/damaged_part.h"

#include "engine/document_dialogs.h"
#include "platform/message.h"
#include "platform/paths.h"

using platform::FormatText;

std::string ImportTimeText(int64_t frames, int32_t rate) {
  const int64_t seconds = rate > 0 ? frames / rate : 0;
  return FormatText("%lld:%02lld", static_cast<long long>(seconds / 60),
                    static_cast<long long>(seconds % 60));
}

OpResult OfferDamagedPart(DocumentDialogs& dialogs, const std::string& path, int64_t readableFrames,
                          int32_t rate) {
  const std::string name = platform::FileNameOf(path);
  if (readableFrames <= 0) {
    platform::ShowMessage(
        FormatText("%s is damaged: none of its audio could be read.", name.c_str()));
    return OP_FAILED;
  }
  const std::string question =
      FormatText("%s is damaged after %s. Open the part that could be read?", name.c_str(),
                 ImportTimeText(readableFrames, rate).c_str());
  return dialogs.AskOpenDamagedPart(question) ? OP_DONE : OP_CANCELLED;
}
