// The one question every import asks about a file that is damaged part-way:
// whether to open the part before the damage. The import routine, the MP3
// import and the WAV reader all ask it here, so the wording and the answers
// are the same whatever the format.
#pragma once

#include <cstdint>
#include <string>

#include "engine/op_codes.h"

class DocumentDialogs;

// "3:12" for a position of `frames` at `rate` (minutes may pass 59).
std::string ImportTimeText(int64_t frames, int32_t rate);

// The file at `path` could be read for `readableFrames` frames at `rate`
// and no further. OP_DONE: the user wants that part opened. OP_CANCELLED:
// the user declined. OP_FAILED: nothing could be read, after a message
// naming the file.
OpResult OfferDamagedPart(DocumentDialogs& dialogs, const std::string& path, int64_t readableFrames,
                          int32_t rate);
