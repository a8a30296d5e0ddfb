// Recovering the documents of editors that died: the list the user decides
// on, and the three decisions (recover, discard, decide later). The window's
// dialog, the batch tool's `recover` command and the tests all go through
// these.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "engine/recovery_scan.h"

class CEditorApp;
class CEditorDoc;

// The candidates in the application's temporary folder, then those in the
// temporary folder start-up gave up because it could not be written; this
// run's own folder is never one (its lock is held).
std::vector<RecoveryCandidate> FindRecoveryCandidates(CEditorApp& app);

// One line of the list the user decides on.
struct RecoveryRow {
  size_t candidate = 0;  // index into the candidates
  size_t document = 0;   // index into that candidate's documents
  std::string title;
  std::string originalPath;
  std::string length;      // "m:ss.mmm", or "" when the manifest is unreadable
  std::string format;      // "44100 Hz, Stereo, 16 Bit", plus the file kind when known
  std::string lastChange;  // local time "YYYY-MM-DD hh:mm:ss"
  bool readable = false;
  std::string problem;  // why an unreadable manifest cannot be offered
};

// Every document of every candidate, in order.
std::vector<RecoveryRow> RecoveryRows(const std::vector<RecoveryCandidate>& candidates);

// The rows as a JSON array, numbered from 1 as `recover N` takes them.
std::string RecoveryRowsJson(const std::vector<RecoveryCandidate>& candidates);

// What recovering tells the user: what could not be recovered, and what was
// recovered but could not be tidied away afterwards.
struct RecoveryReport {
  std::vector<std::string> problems;
  std::vector<std::string> notes;

  // The message for the user; "" when everything went as it should.
  std::string Text() const;
};

// Recovers `row`'s document into a new document of `app`; on success the
// candidate lets go of it (its manifest and files are removed, and the
// folder with them once nothing else waits there). Null when the audio
// could not be recovered; the candidate is then unchanged. `report`
// receives what could not be recovered either way.
std::unique_ptr<CEditorDoc> RecoverDocument(CEditorApp& app,
                                            std::vector<RecoveryCandidate>& candidates,
                                            const RecoveryRow& row, RecoveryReport* report);

// "Discard": removes every candidate's folder. false when one could not be
// removed completely.
bool DiscardCandidates(std::vector<RecoveryCandidate>& candidates);
