// Finding what editors that died left behind. A run folder in the temporary
// folder that holds recovery manifests and whose run lock is free (its
// editor is gone; a live editor holds its lock for as long as it runs) is a
// recovery candidate, whichever editor or batch run wrote it. Nothing in a
// candidate is deleted until the user has decided about it.
#pragma once

#include <string>
#include <vector>

#include "engine/doc_manifest.h"
#include "platform/folder_lock.h"

struct RecoverableDocument {
  std::string manifestPath;       // the manifest chosen (see FindRecoveryCandidates)
  std::string otherManifestPath;  // the document's other manifest, which goes with it
  bool readable = false;          // the manifest could be read; `manifest` holds it
  DocManifest manifest;
  std::string problem;  // why it could not be read
};

struct RecoveryCandidate {
  std::string folder;
  // Held from the scan until the candidate is dropped, so a second editor
  // starting meanwhile neither offers nor removes the same documents.
  platform::FolderLock lock;
  std::vector<RecoverableDocument> documents;  // in the order of their manifests' names
};

// True for the name of a run folder: a 14-digit run stamp, alone (the
// editor's) or followed by "-batch-<process id>" (a batch run's).
bool IsRunFolderName(const std::string& name);
// True when `folder` holds at least one recovery manifest.
bool FolderHoldsManifests(const std::string& folder);

// The candidates in `tempFolder`, oldest run first. A folder whose lock is
// held (a live editor, this one included) is not one. Of a document's two
// manifests the one written before its operation reported done is taken
// when the machine has not been restarted since it was written; otherwise
// the durable one, whose files were flushed to disk before it was written.
std::vector<RecoveryCandidate> FindRecoveryCandidates(const std::string& tempFolder);

// Discard: deletes every file in the candidate's folder and the folder. false
// when something stayed (reported by the caller).
bool RemoveCandidateFolder(RecoveryCandidate& candidate);

// After `document` was recovered into a document of this run: its manifest
// and the files it names go, and the whole folder once no manifest is left
// in it. Files of documents that were not recovered stay.
void RetireRecoveredDocument(RecoveryCandidate& candidate, const RecoverableDocument& document);
