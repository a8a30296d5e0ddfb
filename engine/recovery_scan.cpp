#include "engine/recovery_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>

#include "platform/unique_fd.h"

namespace {

// Far above any real manifest; a larger file is not one of ours.
constexpr off_t kMaxManifestBytes = 1 << 20;

bool AllDigits(const std::string& text) {
  return !text.empty() && std::all_of(text.begin(), text.end(),
                                      [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The document id of a manifest's name ("recovery_<id>.json" or
// "recovery_<id>.durable.json"), or "" for any other name.
std::string ManifestId(const std::string& name) {
  const std::string prefix = kManifestPrefix;
  for (const std::string suffix : {kDurableManifestSuffix, kManifestSuffix}) {
    if (name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
        name.ends_with(suffix)) {
      const std::string id =
          name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
      return AllDigits(id) ? id : std::string();
    }
  }
  return {};
}

bool IsManifestName(const std::string& name) {
  return !ManifestId(name).empty();
}

// Names of the plain entries of `folder` (no sub-folders, nothing followed).
std::vector<std::string> FolderEntries(const std::string& folder, bool wantFolders) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.empty() || name == "." || name == "..") continue;
    struct stat st {};
    if (::lstat((folder + "/" + name).c_str(), &st) != 0) continue;
    if (wantFolders ? S_ISDIR(st.st_mode) : !S_ISDIR(st.st_mode)) names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadSmallFile(const std::string& path, std::string* text, std::string* problem) {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
    *problem = "the manifest cannot be opened";
    return false;
  }
  if (!S_ISREG(st.st_mode) || st.st_size > kMaxManifestBytes) {
    *problem = "the manifest is not a manifest file";
    return false;
  }
  text->resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < text->size()) {
    const ssize_t n = ::read(fd.Get(), text->data() + got, text->size() - got);
    if (n <= 0) {
      *problem = "the manifest cannot be read";
      return false;
    }
    got += static_cast<size_t>(n);
  }
  return true;
}

RecoverableDocument ReadManifest(const std::string& path) {
  RecoverableDocument doc;
  doc.manifestPath = path;
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    doc.problem = "the manifest is missing";
    return doc;
  }
  std::string text;
  if (!ReadSmallFile(path, &text, &doc.problem)) return doc;
  std::string error;
  if (!ManifestFromJson(text, &doc.manifest, &error)) {
    doc.problem = "the manifest is damaged (" + error + ")";
    return doc;
  }
  doc.readable = true;
  return doc;
}

// The manifest of document `id` that can be trusted. The one written before
// its operation reported done names files that may not have reached the
// disk: it holds only while the machine has not been restarted since.
// Otherwise the durable one, written once they had.
RecoverableDocument ReadDocument(const std::string& folder, const std::string& id,
                                 const std::string& bootId) {
  const std::string base = folder + "/" + kManifestPrefix + id;
  RecoverableDocument latest = ReadManifest(base + kManifestSuffix);
  RecoverableDocument durable = ReadManifest(base + kDurableManifestSuffix);
  latest.otherManifestPath = durable.manifestPath;
  durable.otherManifestPath = latest.manifestPath;
  if (latest.readable && !bootId.empty() && latest.manifest.bootId == bootId) return latest;
  if (durable.readable) return durable;
  if (latest.readable) {
    latest.readable = false;
    latest.problem =
        "it was written before the computer restarted, and its audio may not have reached the "
        "disk";
  }
  return latest;
}

}  // namespace

bool IsRunFolderName(const std::string& name) {
  if (name.size() < 14 || !AllDigits(name.substr(0, 14))) return false;
  if (name.size() == 14) return true;
  const std::string batch = "-batch-";
  return name.compare(14, batch.size(), batch) == 0 && AllDigits(name.substr(14 + batch.size()));
}

bool FolderHoldsManifests(const std::string& folder) {
  const std::vector<std::string> names = FolderEntries(folder, false);
  return std::any_of(names.begin(), names.end(), IsManifestName);
}

std::vector<RecoveryCandidate> FindRecoveryCandidates(const std::string& tempFolder) {
  std::string base = tempFolder;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::vector<RecoveryCandidate> candidates;
  const std::string bootId = CurrentBootId();
  for (const std::string& name : FolderEntries(base, true)) {
    if (!IsRunFolderName(name)) continue;
    const std::string folder = base + "/" + name;
    if (!FolderHoldsManifests(folder)) continue;
    RecoveryCandidate candidate;
    candidate.folder = folder;
    // The lock is taken even where the dead editor's lock file is gone, so
    // a second editor starting now passes the folder by. Only a folder in
    // which no lock file can be made at all (read-only) is offered without.
    if (!candidate.lock.Acquire(folder) &&
        (::access((folder + "/" + platform::kRunLockName).c_str(), F_OK) == 0 || errno != ENOENT)) {
      continue;
    }
    std::vector<std::string> ids;
    for (const std::string& file : FolderEntries(folder, false)) {
      const std::string id = ManifestId(file);
      if (!id.empty() && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    for (const std::string& id : ids) {
      candidate.documents.push_back(ReadDocument(folder, id, bootId));
    }
    candidates.push_back(std::move(candidate));
  }
  // Run stamps sort as times; a batch run's suffix keeps it beside its time.
  return candidates;
}

bool RemoveCandidateFolder(RecoveryCandidate& candidate) {
  for (const std::string& name : FolderEntries(candidate.folder, false)) {
    if (name == platform::kRunLockName) continue;
    // Plain unlink: a link's other name keeps its content.
    ::unlink((candidate.folder + "/" + name).c_str());
  }
  if (candidate.lock.Held()) {
    candidate.lock.RemoveAndRelease();
  } else {
    ::unlink((candidate.folder + "/" + platform::kRunLockName).c_str());
  }
  return ::rmdir(candidate.folder.c_str()) == 0;
}

void RetireRecoveredDocument(RecoveryCandidate& candidate, const RecoverableDocument& document) {
  if (::unlink(document.manifestPath.c_str()) != 0) return;
  ::unlink(document.otherManifestPath.c_str());
  const auto drop = [&](const ManifestSlot& slot) {
    if (!slot.pcmFile.empty()) ::unlink((candidate.folder + "/" + slot.pcmFile).c_str());
    if (!slot.peakFile.empty()) ::unlink((candidate.folder + "/" + slot.peakFile).c_str());
  };
  if (document.readable) {
    drop(document.manifest.work);
    for (const ManifestEntry& e : document.manifest.undo.entries) drop(e.audio);
    for (const ManifestEntry& e : document.manifest.redo.entries) drop(e.audio);
  }
  if (!FolderHoldsManifests(candidate.folder)) (void)RemoveCandidateFolder(candidate);
}
