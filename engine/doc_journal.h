// The recovery journal of one document. After every completed operation the
// document's state goes into a manifest beside its files in the run folder,
// so that an editor that dies (a crash, a kill, a power cut) leaves behind
// what the next start needs to give the user the document back as it was
// after its last completed operation.
//
// The manifest never names the slot files themselves: the next operation
// replaces or reuses those while it runs, and a crash in the middle would
// leave a manifest that points at half of the new state. Instead every
// file the manifest needs gets a second name of its own (a hard link,
// "recovery_<id>_<generation>_<role>.pcm"), flushed to disk before the
// manifest that names it. A link keeps its content when the slot's name is
// renamed over or deleted, so the last manifest written stays whole until
// the next one has replaced it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

class CEditorDoc;
struct DocManifest;

enum class JournalStatus {
  Written,    // the manifest describes the document as it is now
  Unchanged,  // it already did; nothing was written
  Removed,    // the document holds nothing worth recovering; no manifest
  Failed,     // the manifest could not be brought up to date (reported once)
};

class DocJournal {
 public:
  DocJournal() = default;
  DocJournal(const DocJournal&) = delete;
  DocJournal& operator=(const DocJournal&) = delete;

  // Brings the manifest of `doc` up to date: its files linked and flushed,
  // then the manifest written, flushed and renamed into place. Links that
  // only the previous manifest needed go afterwards.
  JournalStatus Record(const CEditorDoc& doc);
  // Deletes the manifest and its links: the document was closed.
  void Remove();

  // Path of the manifest while one exists, else "".
  std::string ManifestPath() const;
  // The file a recovered document came from. Its own path stays empty until
  // it is saved, so Save asks first; this is where Save As proposes to go.
  void SetOriginalPath(std::string path) { originalPath_ = std::move(path); }
  const std::string& OriginalPath() const { return originalPath_; }

  // The state of `doc` as a manifest, with the file names it would get; for
  // the journal itself and its tests.
  static DocManifest Describe(const CEditorDoc& doc, const std::string& originalPath);

 private:
  struct Link {
    std::string name;  // file name in the run folder
    dev_t device = 0;
    ino_t inode = 0;
  };
  bool Bind(const CEditorDoc& doc, DocManifest* manifest, std::map<std::string, Link>* links);
  void Warn(const CEditorDoc& doc);

  std::string folder_;
  std::string id_;
  std::string originalPath_;
  uint64_t generation_ = 0;
  std::map<std::string, Link> links_;  // by role and extension, e.g. "undo2.pcm"
  std::string lastBody_;               // the manifest last written, without its time
  bool warned_ = false;
};
