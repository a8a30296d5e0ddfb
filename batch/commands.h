// The batch tool's commands. Each one does what the editor's menu command
// of the same meaning does: the same preconditions with the same refusal
// texts, then the same operation code through the active document's
// DocRunOperation. The dialogs the operation would open are answered from
// the command's arguments.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include <vector>
#include "engine/op_codes.h"

#include "batch/script.h"

class CEditorApp;
class CEditorDoc;
class PresetDocumentDialogs;
struct AudioFormat;

// The process exit status of a run.
enum class Outcome : int {
  Done = 0,     // every command ran
  Failed = 1,   // an operation failed or was cancelled, a file could not be opened
  Usage = 2,    // unknown command or wrong arguments
  Refused = 3,  // a precondition refused the command ("Sorry, ...")
};

// The open documents (in opening order) and which one is active.
class Session {
 public:
  Session(CEditorApp& app, PresetDocumentDialogs& dialogs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  CEditorApp& App() { return app_; }
  PresetDocumentDialogs& Dialogs() { return dialogs_; }
  CEditorDoc* Active() const;
  size_t Count() const { return documents_.size(); }

  // The line being run, for the messages below.
  void SetLine(const ScriptLine* line) { line_ = line; }
  // The name of the command being run.
  std::string Command() const;

  Outcome Open(const std::string& path);
  Outcome New(const AudioFormat& format);
  // A document made elsewhere (a recovered one) joins as the active one.
  void Adopt(std::unique_ptr<CEditorDoc> doc);
  // 1-based, in opening order; false when there is no such document.
  bool Activate(size_t number);
  void CloseActive();

  // DocRunOperation on `doc`, with its result as an exit status. An
  // operation code that nothing answers yet is reported as not available.
  Outcome RunOperation(CEditorDoc& doc, OpCode code);
  // The same for an operation that has run: `runResult` is what its
  // DocRunOperation returned.
  Outcome OperationOutcome(CEditorDoc& doc, OpResult runResult);

  // Shows `message` as the editor shows a refused precondition.
  Outcome Refuse(const char* message);
  // "vellmore-batch: <where>: <text>" on stderr.
  Outcome UsageError(const std::string& text);
  Outcome NotAvailable();

 private:
  void MakeActive(size_t index);

  CEditorApp& app_;
  PresetDocumentDialogs& dialogs_;
  std::vector<std::unique_ptr<CEditorDoc>> documents_;
  size_t active_ = 0;  // index into documents_ when any is open
  const ScriptLine* line_ = nullptr;
};

using Action = std::function<Outcome(Session&)>;

// Checks a line's command and arguments and prepares what it does. Empty on
// success; otherwise the usage error (without the line's location).
std::string BuildAction(const std::vector<std::string>& words, Action* action);

// The --help text: invocation, commands, exit statuses.
std::string HelpText();

// Prints a message of the tool itself (usage errors and the like) on stderr.
void PrintDiagnostic(const std::string& text);
