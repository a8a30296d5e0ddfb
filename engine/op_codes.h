// Operation and result codes. Each operation is named by an OpCode that the
// command handlers, the operation runner and the progress host dispatch on;
// every operation answers with an OpResult. The numbers are those of the
// program's string table and stored settings, and stay as they are.
#pragma once

#include <string_view>

enum class OpCode : int {
  OP_WORKING_FILE = 130,
  OP_PEAK_FILE = 131,
  WRITE_WAVE_FILE = 135,
  OP_CUT = 136,
  OP_PASTE_INSERT = 139,
  OP_COPY = 140,
  OP_DELETE = 143,
  OP_PASTE_OVER = 144,
  OP_VOLUME = 148,
  OP_CHANGE_QUALITY = 151,
  OP_UNDO = 153,
  OP_REDO = 155,
  OP_REPLACE = 157,  // undo entry of a change of audio quality
  OP_MUTE = 161,
  OP_REVERSE = 162,
  OP_SWAP = 163,
  OP_COPY_CHANNEL = 164,
  OP_FADE = 165,
  OP_MIX_PASTE = 166,
  OP_ECHO = 167,
  OP_REVERB = 168,
  OP_CHORUS = 169,  // named in the string table only; never dispatched
  OP_HANDLE_RECORD = 170,
  OP_MULTI_VOICE = 174,
  WRITE_MP3_FILE = 175,
  OP_IMPORT_MP3 = 176,
  WRITE_WMA_FILE = 177,
  OP_IMPORT_WMA = 178,
  OP_IMPORT_PCM = 179,
  WRITE_PCM_FILE = 180,
  OP_IMPORT_AUDIO = 181,  // any other audio file, through the codec layer's import routine
  WRITE_FLAC_FILE = 182,
  WRITE_OGG_FILE = 183,
  WRITE_OPUS_FILE = 184,
};
using enum OpCode;

// What an operation answers. OP_PENDING is the progress host's result field
// before an operation has returned, and what a run gives when no operation
// answered its code: nothing ran and nothing changed.
enum class OpResult : int {
  OP_PENDING = 134,
  OP_DONE = 171,
  OP_CANCELLED = 172,
  OP_FAILED = 173,
};
using enum OpResult;

constexpr int ToInt(OpCode code) {
  return static_cast<int>(code);
}
constexpr int ToInt(OpResult result) {
  return static_cast<int>(result);
}

// The code's own name ("OP_CUT"), as the string table gives it; empty for an
// unknown code. By number for codes read from outside.
std::string_view OperationCodeName(int code);
std::string_view OperationCodeName(OpCode code);
std::string_view OperationCodeName(OpResult result);

// True for the operations whose tool parameter dialog runs before the
// progress host starts them.
bool OperationHasParameterDialog(OpCode code);
