#include "app/document_recovery.h"

#include <unistd.h>

#include <ctime>

#include "app/editor_app.h"
#include "engine/editor_doc.h"
#include "engine/json_value.h"
#include "platform/message.h"

namespace {

std::string LengthText(uint32_t bytes, int64_t bytesPerSecond) {
  if (bytesPerSecond <= 0) return "0:00.000";
  const int64_t ms = static_cast<int64_t>(bytes) * 1000 / bytesPerSecond;
  return platform::FormatText("%lld:%02lld.%03lld", static_cast<long long>(ms / 60000),
                              static_cast<long long>(ms / 1000 % 60),
                              static_cast<long long>(ms % 1000));
}

std::string FormatText(const DocManifest& m) {
  const AudioFormat& f = m.format;
  std::string text = platform::FormatText("%d Hz, %s, %d Bit", f.sampleRate,
                                          f.channels == 1 ? "Mono" : "Stereo", f.bitsPerSample);
  return m.kind.empty() ? text : m.kind + ", " + text;
}

std::string LocalTimeText(int64_t seconds) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&when, &local) == nullptr) return {};
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  return text;
}

}  // namespace

std::vector<RecoveryCandidate> FindRecoveryCandidates(CEditorApp& app) {
  std::vector<RecoveryCandidate> candidates = FindRecoveryCandidates(app.Config()->TempFolder());
  // A temporary folder given up at start-up because it could not be written
  // (a file system mounted read-only after a power cut) still holds what
  // editors that died there left; it is read from where it is.
  const std::string& given = app.UnwritableTempFolder();
  if (!given.empty() && given != app.Config()->TempFolder()) {
    for (RecoveryCandidate& c : FindRecoveryCandidates(given)) candidates.push_back(std::move(c));
  }
  return candidates;
}

std::vector<RecoveryRow> RecoveryRows(const std::vector<RecoveryCandidate>& candidates) {
  std::vector<RecoveryRow> rows;
  for (size_t c = 0; c < candidates.size(); ++c) {
    for (size_t d = 0; d < candidates[c].documents.size(); ++d) {
      const RecoverableDocument& doc = candidates[c].documents[d];
      RecoveryRow row;
      row.candidate = c;
      row.document = d;
      row.readable = doc.readable;
      if (doc.readable) {
        const DocManifest& m = doc.manifest;
        row.title = m.title;
        row.originalPath = m.originalPath;
        row.length = LengthText(m.work.pcmLength, m.format.BytesPerSecond());
        row.format = FormatText(m);
        row.lastChange = LocalTimeText(m.lastChange);
      } else {
        row.title = doc.manifestPath;
        row.problem = doc.problem;
      }
      rows.push_back(std::move(row));
    }
  }
  return rows;
}

std::string RecoveryRowsJson(const std::vector<RecoveryCandidate>& candidates) {
  JsonValue list = JsonValue::Array();
  size_t number = 0;
  for (const RecoveryRow& row : RecoveryRows(candidates)) {
    const RecoverableDocument& doc = candidates[row.candidate].documents[row.document];
    JsonValue item = JsonValue::Object();
    item.Set("number", JsonValue::Number(static_cast<int64_t>(++number)));
    item.Set("folder", JsonValue::String(candidates[row.candidate].folder));
    item.Set("readable", JsonValue::Bool(row.readable));
    if (row.readable) {
      const DocManifest& m = doc.manifest;
      item.Set("title", JsonValue::String(m.title));
      item.Set("originalPath", JsonValue::String(m.originalPath));
      item.Set("kind", JsonValue::String(m.kind));
      item.Set("length", JsonValue::String(row.length));
      item.Set("dataLength", JsonValue::Number(m.work.pcmLength));
      item.Set("channels", JsonValue::Number(m.format.channels));
      item.Set("bitsPerSample", JsonValue::Number(m.format.bitsPerSample));
      item.Set("sampleRate", JsonValue::Number(m.format.sampleRate));
      item.Set("undoSteps", JsonValue::Number(static_cast<int64_t>(m.undo.entries.size())));
      item.Set("redoSteps", JsonValue::Number(static_cast<int64_t>(m.redo.entries.size())));
      item.Set("modified", JsonValue::Bool(m.modified));
      item.Set("lastChange", JsonValue::Number(m.lastChange));
    } else {
      item.Set("manifest", JsonValue::String(doc.manifestPath));
      item.Set("problem", JsonValue::String(row.problem));
    }
    list.Append(std::move(item));
  }
  return list.Serialize();
}

std::unique_ptr<CEditorDoc> RecoverDocument(CEditorApp& app,
                                            std::vector<RecoveryCandidate>& candidates,
                                            const RecoveryRow& row, RecoveryReport* report) {
  if (row.candidate >= candidates.size()) return nullptr;
  RecoveryCandidate& candidate = candidates[row.candidate];
  if (row.document >= candidate.documents.size()) return nullptr;
  const RecoverableDocument& document = candidate.documents[row.document];
  if (!document.readable) {
    report->problems.push_back(document.manifestPath + " cannot be recovered: " + document.problem +
                               ".");
    return nullptr;
  }
  auto doc = std::make_unique<CEditorDoc>(app);
  if (!doc->RestoreFromManifest(document.manifest, candidate.folder, &report->problems)) {
    return nullptr;
  }
  app.ShowFormat(doc->sampleRate, doc->channels, doc->bitsPerSample);
  const std::string manifestPath = document.manifestPath;
  RetireRecoveredDocument(candidate, document);
  if (::access(manifestPath.c_str(), F_OK) == 0) {
    // The folder cannot be written: the document is open all the same (its
    // files were copied), and the candidate stays as it was.
    report->notes.push_back(
        (document.manifest.title.empty() ? std::string("Untitled") : document.manifest.title) +
        " was recovered, but its recovery files in " + candidate.folder +
        " cannot be removed (the folder cannot be written); they are left there.");
  }
  return doc;
}

bool DiscardCandidates(std::vector<RecoveryCandidate>& candidates) {
  bool removed = true;
  for (RecoveryCandidate& candidate : candidates) {
    if (!RemoveCandidateFolder(candidate)) removed = false;
  }
  return removed;
}

std::string RecoveryReport::Text() const {
  std::string text;
  if (!problems.empty()) {
    text = "Not everything could be recovered:";
    for (const std::string& problem : problems) text += "\n" + problem;
  }
  // A note is no loss, and is not listed under the heading above.
  for (const std::string& note : notes) text += (text.empty() ? "" : "\n\n") + note;
  return text;
}
