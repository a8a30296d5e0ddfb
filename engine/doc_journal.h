// The recovery journal of one document. After every completed operation the
// document's state goes into a manifest beside its files in the run folder,
// so that an editor that dies (a crash, a kill, a power cut) leaves behind
// what the next start needs to give the user the document back as it was.
//
// The manifest never names the slot files themselves: the next operation
// replaces or reuses those while it runs, and a crash in the middle would
// leave a manifest that points at half of the new state. Instead every
// file the manifest needs gets a second name of its own (a hard link,
// "recovery_<id>_<generation>_<role>.pcm"). A link keeps its content when
// the slot's name is renamed over or deleted, so a manifest stays whole
// until a newer one has replaced it.
//
// Two manifests are kept. The first is replaced before the operation
// reports done, without waiting for the disk: it survives a crash or a
// kill, which leave the written data in the system's cache. The second,
// the durable one, is written by a thread of the journal once the files
// are flushed to disk, at the next quiet moment; after a power cut it is the
// one that counts, so what is lost is at most the work since the editor was
// last idle, and it never names audio that did not reach the disk. The first carries the boot id it
// was written in, by which recovery tells the two cases apart.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "engine/journal_flusher.h"

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
  ~DocJournal();
  DocJournal(const DocJournal&) = delete;
  DocJournal& operator=(const DocJournal&) = delete;

  // Brings the manifest of `doc` up to date: its files linked, the manifest
  // written and renamed into place, and the durable one requested. Links
  // that no manifest needs any more go.
  JournalStatus Record(const CEditorDoc& doc);
  // Deletes the manifests and their links: the document was closed.
  void Remove();
  // Returns once the durable manifest describes the last Record.
  void WaitUntilDurable();

  // Keeps the background flush off the disk while an operation runs (see
  // journal_flusher.h); holds nest.
  class FlushHold {
   public:
    explicit FlushHold(DocJournal& journal);
    ~FlushHold();
    FlushHold(const FlushHold&) = delete;
    FlushHold& operator=(const FlushHold&) = delete;

   private:
    DocJournal& journal_;
  };

  // Path of the manifest while one exists, else "".
  std::string ManifestPath() const;
  // The file a recovered document came from. Its own path stays empty until
  // it is saved, so Save asks first; this is where Save As proposes to go.
  void SetOriginalPath(std::string path) { originalPath_ = std::move(path); }
  const std::string& OriginalPath() const { return originalPath_; }

 private:
  // The state of `doc` as a manifest, without file names yet.
  static DocManifest Describe(const CEditorDoc& doc, const std::string& originalPath);
  struct Link {
    std::string name;  // file name in the run folder
    dev_t device = 0;
    ino_t inode = 0;
  };
  bool Bind(const CEditorDoc& doc, DocManifest* manifest, std::map<std::string, Link>* links);
  void Warn(const CEditorDoc& doc);
  // Deletes the links that neither manifest nor a waiting flush names.
  void DropUnusedLinks();
  std::string ManifestName(const char* suffix) const;

  std::string folder_;
  std::string id_;
  std::string originalPath_;
  uint64_t generation_ = 0;
  std::map<std::string, Link> links_;  // by role and extension, e.g. "undo2.pcm"
  std::set<std::string> created_;      // every link made and not yet deleted
  std::unique_ptr<JournalFlusher> flusher_;
  std::string lastBody_;  // the manifest last written, without its time
  int holds_ = 0;
  bool warned_ = false;
};
