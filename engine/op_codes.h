// Operation and result codes. Each operation is named by an integer that the
// command handlers, the operation runner and the progress host dispatch on;
// the result codes are what every operation returns.
#pragma once

#include <string_view>

inline constexpr int OP_WORKING_FILE = 130;
inline constexpr int OP_PEAK_FILE = 131;
inline constexpr int OP_PENDING = 134;
inline constexpr int WRITE_WAVE_FILE = 135;
inline constexpr int OP_CUT = 136;
inline constexpr int OP_PASTE_INSERT = 139;
inline constexpr int OP_COPY = 140;
inline constexpr int OP_DELETE = 143;
inline constexpr int OP_PASTE_OVER = 144;
inline constexpr int OP_VOLUME = 148;
inline constexpr int OP_CHANGE_QUALITY = 151;
inline constexpr int OP_UNDO = 153;
inline constexpr int OP_REDO = 155;
inline constexpr int OP_REPLACE = 157;  // undo entry of a change of audio quality
inline constexpr int OP_MUTE = 161;
inline constexpr int OP_REVERSE = 162;
inline constexpr int OP_SWAP = 163;
inline constexpr int OP_COPY_CHANNEL = 164;
inline constexpr int OP_FADE = 165;
inline constexpr int OP_MIX_PASTE = 166;
inline constexpr int OP_ECHO = 167;
inline constexpr int OP_REVERB = 168;
inline constexpr int OP_CHORUS = 169;  // named in the string table only; never dispatched
inline constexpr int OP_HANDLE_RECORD = 170;
inline constexpr int OP_DONE = 171;
inline constexpr int OP_CANCELLED = 172;
inline constexpr int OP_FAILED = 173;
inline constexpr int OP_MULTI_VOICE = 174;
inline constexpr int WRITE_MP3_FILE = 175;
inline constexpr int OP_IMPORT_MP3 = 176;
inline constexpr int WRITE_WMA_FILE = 177;
inline constexpr int OP_IMPORT_WMA = 178;
inline constexpr int OP_IMPORT_PCM = 179;
inline constexpr int WRITE_PCM_FILE = 180;

// `part` argument of the slot mapping routines: both files of a slot.
inline constexpr int BOTH = 160;

// The code's own name ("OP_CUT"), as the string table gives it; empty for an
// unknown code.
std::string_view OperationCodeName(int code);

// True for the operations whose tool parameter dialog runs before the
// progress host starts them.
bool OperationHasParameterDialog(int code);
