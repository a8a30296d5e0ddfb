// Where the editor keeps things on this machine.
#pragma once

#include <ctime>
#include <string>
#include <vector>

namespace platform {

// Every path field the editor stores (configuration, slots, run folder)
// holds at most this many bytes including the terminating NUL.
inline constexpr size_t kMaxPath = 260;

// Folder of the running executable (from /proc/self/exe), no trailing "/";
// empty when it cannot be read.
std::string ExecutableFolder();

// The folders in which the run-time libraries are looked up before the
// system library path: the executable's folder (a build keeps them beside
// the programs), then "../lib/vellmore" from it (an installed tree).
std::vector<std::string> LibraryFolders();

// Folder of `editor.cfg` and the preset files, no trailing "/":
// 1. the folder named by VELLMORE_HOME when that is set (tests, portable
//    setups), taken as it is;
// 2. the executable's folder when it already holds an `editor.cfg` and is
//    writable, so a program folder that has always kept its configuration
//    goes on doing so;
// 3. "vellmore" in $XDG_CONFIG_HOME (an absolute path), else in
//    $HOME/.config; created when missing.
// Empty when none of them can be named.
std::string ProgramFolder();

// The system's temporary folder with a trailing "/": TMPDIR when it names a
// folder, otherwise "/tmp/".
std::string PlatformTempPath();

// The temporary folder a first run proposes, with a trailing "/": the
// user's run-time folder $XDG_RUNTIME_DIR when it is a writable folder
// (private to the user and emptied at logout), otherwise the system's
// temporary folder.
std::string ProposedTempFolder();

// The part of `path` after its last "/" (all of it when there is none).
std::string FileNameOf(const std::string& path);
// The part of `path` before its last "/": "." when there is none, "/" for a
// name in the root folder.
std::string FolderOf(const std::string& path);

// 14 digits of local time, YYYYMMDDhhmmss.
std::string RunStamp(std::time_t when);

}  // namespace platform
