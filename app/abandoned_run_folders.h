// Run folders that runs killed before they held a document leave behind
// (a batch run killed while it opened a file, an editor killed with no
// document open) hold nothing to recover, and would pile up in the
// temporary folder. Start-up removes them, under rules strict enough that
// nothing another program or a live editor owns is ever touched.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

// How long a run folder must have stayed unchanged before it is removed: a
// starting run makes its folder a moment before it takes the folder's lock.
inline constexpr std::time_t kAbandonedRunFolderAge = 60;

// True for the name of a file the editor makes in its run folder: the run
// lock, a numbered slot or scratch file ("work_0.pcm", "temp_a_3.pek",
// "wave_write_0", "write_check_0"), a journal link of a document's files
// ("recovery_2_5_undo1.pcm") or a manifest's unfinished temporary
// (".recovery_2.json.Xy12Ab"). Manifests themselves are not: a folder that
// holds one waits for the user's decision.
bool IsOwnRunFolderFileName(const std::string& name);

// Removes every run folder in `tempFolder` that is named as a run folder, is
// a real folder (not a link), holds a run lock that no live process holds,
// holds no recovery manifest, holds only regular files with names of the
// editor's own files, and has not changed for kAbandonedRunFolderAge
// seconds before `now`. Anything else is left as it is. Returns the number
// of folders removed.
size_t RemoveAbandonedRunFolders(const std::string& tempFolder, std::time_t now);
