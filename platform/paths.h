// Where the editor keeps things on this machine.
#pragma once

#include <ctime>
#include <string>

namespace platform {

// Every path field the editor stores (configuration, slots, run folder)
// holds at most this many bytes including the terminating NUL.
inline constexpr size_t kMaxPath = 260;

// Folder of the running executable (from /proc/self/exe), no trailing "/";
// empty when it cannot be read. The outside libraries are looked up here.
std::string ExecutableFolder();

// Folder of `editor.cfg` and the preset files: the folder named by
// VELLMORE_HOME when that is set (tests, read-only installs), otherwise the
// executable's folder.
std::string ProgramFolder();

// The system's temporary folder with a trailing "/": TMPDIR when it names a
// folder, otherwise "/tmp/".
std::string PlatformTempPath();

// 14 digits of local time, YYYYMMDDhhmmss.
std::string RunStamp(std::time_t when);

}  // namespace platform
