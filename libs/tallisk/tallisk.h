// libtallisk.so: text attributes of WMA (ASF) files.
//
// The editor loads this library at run time by file name and looks its two
// functions up by name, so they have C linkage and the typedefs below are the
// types the editor casts the looked-up symbols to.
//
// Texts are NUL-terminated UTF-8 (a value to store that is not valid UTF-8
// is taken as Latin-1), paths are file-system paths. Attribute names
// are the ASF ones; the editor uses "Title", "Author", "WM/AlbumTitle",
// "WM/Year", "Genre" and "WM/Genre". "Title" and "Author" live in the ASF
// content description object, all other names in the extended attribute list.
// Values are stored where common players and FFmpeg read them:
//   "Genre"    is stored as "WM/Genre" (the standard genre attribute);
//   "WM/Year"  is also mirrored under "date", the name FFmpeg reads as year.
// When a value is stored, other attributes that readers would take for the
// same field (for example a lower-case "title" written by another tool) are
// removed, so every reader sees the new value. An empty value removes the
// attribute.
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// File name of the library as the editor loads it ("Tallisk.dll").
#define TALLISK_LIBRARY_FILE "libtallisk.so"

// Size in bytes, including the terminating NUL, of the buffer that every
// caller of WMAGetAttribute must provide. The call carries no size, so the
// size is fixed here: longer values are cut on a UTF-8 character boundary.
#define TALLISK_ATTRIBUTE_BUFFER_SIZE 1024

// The only stream number the attribute calls accept (file-level attributes).
#define TALLISK_STREAM_FILE 0
// The only value type WMASetAttribute accepts: a NUL-terminated string.
#define TALLISK_TYPE_STRING 1

// Results of both calls.
#define TALLISK_OK 0               // done; for a get, an empty value means absent
#define TALLISK_VALUE_CUT 1        // get: value longer than the buffer, cut
#define TALLISK_ERROR_ARGUMENT -1  // null pointer, empty name, wrong stream or type
#define TALLISK_ERROR_FILE -2      // missing, unreadable or not an ASF file
#define TALLISK_ERROR_WRITE -3     // the file could not be saved
#define TALLISK_ERROR_INTERNAL -4  // out of memory or an unexpected library failure

#if defined(__GNUC__)
#define TALLISK_EXPORT __attribute__((visibility("default")))
#else
#define TALLISK_EXPORT
#endif

// Stores `value` under `name` in the ASF file at `path`. `streamNumber` must be
// TALLISK_STREAM_FILE and `valueType` TALLISK_TYPE_STRING. The file is left
// untouched when the call fails before saving.
TALLISK_EXPORT int32_t WMASetAttribute(const char* path, int32_t streamNumber, const char* name,
                                       const char* value, int32_t valueType);

// Copies the value of `name` from the ASF file at `path` into `buffer`, which
// must hold TALLISK_ATTRIBUTE_BUFFER_SIZE bytes. The buffer always receives a
// NUL-terminated text (when it is not null): the empty text for an absent
// attribute, a missing or unreadable file, or any other failure.
TALLISK_EXPORT int32_t WMAGetAttribute(const char* path, int32_t streamNumber, const char* name,
                                       char* buffer);

typedef int32_t (*WMASetAttributeFn)(const char* path, int32_t streamNumber, const char* name,
                                     const char* value, int32_t valueType);
typedef int32_t (*WMAGetAttributeFn)(const char* path, int32_t streamNumber, const char* name,
                                     char* buffer);

#ifdef __cplusplus
}
#endif
