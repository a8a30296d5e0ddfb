// What an editor that cannot ask the user (no screen for dialogs) does with
// the documents that editors which died left behind: it says so, and keeps
// every one of them for a start that can ask, or for the batch tool's
// `recover`.
#pragma once

#include <string>
#include <vector>

#include "engine/recovery_scan.h"

class CEditorApp;

// The notice for `candidates`: one line per document, and where they wait.
// "" when there are none.
std::string RecoveryKeptNotice(const std::vector<RecoveryCandidate>& candidates);

// Shows the notice for the candidates in `app`'s temporary folder, touching
// none of their files. Returns how many documents wait.
size_t NoticeRecoveryCandidates(CEditorApp& app);
