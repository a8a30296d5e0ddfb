#include "engine/op_codes.h"

#include <array>
#include <utility>

namespace {

struct NamedCode {
  int code;
  std::string_view name;

  constexpr NamedCode(OpCode c, std::string_view n) : code(ToInt(c)), name(n) {}
  constexpr NamedCode(OpResult r, std::string_view n) : code(ToInt(r)), name(n) {}
};

constexpr std::array kCodeNames = {
    NamedCode{OP_WORKING_FILE, "OP_WORKING_FILE"},
    NamedCode{OP_PEAK_FILE, "OP_PEAK_FILE"},
    NamedCode{OP_PENDING, "OP_PENDING"},
    NamedCode{WRITE_WAVE_FILE, "WRITE_WAVE_FILE"},
    NamedCode{OP_CUT, "OP_CUT"},
    NamedCode{OP_PASTE_INSERT, "OP_PASTE_INSERT"},
    NamedCode{OP_COPY, "OP_COPY"},
    NamedCode{OP_DELETE, "OP_DELETE"},
    NamedCode{OP_PASTE_OVER, "OP_PASTE_OVER"},
    NamedCode{OP_VOLUME, "OP_VOLUME"},
    NamedCode{OP_CHANGE_QUALITY, "OP_CHANGE_QUALITY"},
    NamedCode{OP_UNDO, "OP_UNDO"},
    NamedCode{OP_REDO, "OP_REDO"},
    NamedCode{OP_REPLACE, "OP_REPLACE"},
    NamedCode{OP_MUTE, "OP_MUTE"},
    NamedCode{OP_REVERSE, "OP_REVERSE"},
    NamedCode{OP_SWAP, "OP_SWAP"},
    NamedCode{OP_COPY_CHANNEL, "OP_COPY_CHANNEL"},
    NamedCode{OP_FADE, "OP_FADE"},
    NamedCode{OP_MIX_PASTE, "OP_MIX_PASTE"},
    NamedCode{OP_ECHO, "OP_ECHO"},
    NamedCode{OP_REVERB, "OP_REVERB"},
    NamedCode{OP_CHORUS, "OP_CHORUS"},
    NamedCode{OP_HANDLE_RECORD, "OP_HANDLE_RECORD"},
    NamedCode{OP_DONE, "OP_DONE"},
    NamedCode{OP_CANCELLED, "OP_CANCELLED"},
    NamedCode{OP_FAILED, "OP_FAILED"},
    NamedCode{OP_MULTI_VOICE, "OP_MULTI_VOICE"},
    NamedCode{WRITE_MP3_FILE, "WRITE_MP3_FILE"},
    NamedCode{OP_IMPORT_MP3, "OP_IMPORT_MP3"},
    NamedCode{WRITE_WMA_FILE, "WRITE_WMA_FILE"},
    NamedCode{OP_IMPORT_WMA, "OP_IMPORT_WMA"},
    NamedCode{OP_IMPORT_PCM, "OP_IMPORT_PCM"},
    NamedCode{WRITE_PCM_FILE, "WRITE_PCM_FILE"},
    NamedCode{OP_IMPORT_AUDIO, "OP_IMPORT_AUDIO"},
    NamedCode{WRITE_FLAC_FILE, "WRITE_FLAC_FILE"},
    NamedCode{WRITE_OGG_FILE, "WRITE_OGG_FILE"},
    NamedCode{WRITE_OPUS_FILE, "WRITE_OPUS_FILE"},
};

}  // namespace

std::string_view OperationCodeName(int code) {
  for (const auto& entry : kCodeNames) {
    if (entry.code == code) return entry.name;
  }
  return {};
}

std::string_view OperationCodeName(OpCode code) {
  return OperationCodeName(ToInt(code));
}

std::string_view OperationCodeName(OpResult result) {
  return OperationCodeName(ToInt(result));
}

bool OperationHasParameterDialog(OpCode code) {
  switch (code) {
    case OP_VOLUME:
    case OP_CHANGE_QUALITY:
    case OP_MUTE:
    case OP_REVERSE:
    case OP_SWAP:
    case OP_COPY_CHANNEL:
    case OP_FADE:
    case OP_MIX_PASTE:
    case OP_ECHO:
    case OP_REVERB:
    case OP_MULTI_VOICE:
      return true;
    default:
      return false;
  }
}
