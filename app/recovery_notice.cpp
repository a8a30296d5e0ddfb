#include "app/recovery_notice.h"

#include "app/document_recovery.h"
#include "platform/message.h"

std::string RecoveryKeptNotice(const std::vector<RecoveryCandidate>& candidates) {
  const std::vector<RecoveryRow> rows = RecoveryRows(candidates);
  if (rows.empty()) return {};
  std::string text = "Vellmore Editor did not close properly. These documents can be recovered:";
  for (const RecoveryRow& row : rows) {
    const RecoveryCandidate& candidate = candidates[row.candidate];
    if (!row.readable) {
      text += "\n  " + row.title + " in " + candidate.folder + " (" + row.problem + ")";
      continue;
    }
    text += "\n  " + row.title;
    if (!row.originalPath.empty()) text += " (" + row.originalPath + ")";
    text += ", " + row.length + ", " + row.format + ", last changed " + row.lastChange + ", in " +
            candidate.folder;
  }
  text +=
      "\nThey are kept until an editor that can show the recovery question starts, or until "
      "`vellmore-batch recover` takes them.";
  return text;
}

size_t NoticeRecoveryCandidates(CEditorApp& app) {
  // The scan only reads; its locks go with the candidates at the end of this
  // function, so an editor that can ask finds them free.
  const std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(app);
  const std::string text = RecoveryKeptNotice(candidates);
  if (!text.empty()) platform::ShowMessage(text, platform::MessageIcon::Information);
  return RecoveryRows(candidates).size();
}
