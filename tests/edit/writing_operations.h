// Every operation that writes, as the failure tests run it: each one with
// what it needs (a clipboard, a tool's settings, a target file, a finished
// take) on a document that already has undo and redo history.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/editor_doc.h"
#include "engine/op_codes.h"
#include "tests/support/test_app.h"

struct WritingOperation {
  std::string name;
  // Runs the operation on the document (an open makes a document of its
  // own) and returns its result; a save leaves the document named as it
  // ends up.
  std::function<OpResult(TestApp& t, CEditorDoc& doc)> run;
  // What the operation finds in place before it runs (a target file, a
  // finished take); not part of what is tested.
  std::function<void(TestApp& t, CEditorDoc& doc)> prepare = [](TestApp&, CEditorDoc&) {};
  bool needsEncoders = false;  // MP3 and WMA saves load the encoder libraries
  bool cancellable = true;     // a recording's hand-over cannot be cancelled
  // A swap whose peak build is cancelled answers with a failure.
  bool cancelReportedAsFailure = false;
};

// Edits, undo, redo, every tool and effect, change of quality, the hand-over
// of a finished recording, saves in every format over an existing user file
// (target.<ext> in the test's files), and opening a WAV file.
std::vector<WritingOperation> WritingOperations();

// A stereo 16-bit document with tools installed, a clipboard, two undo
// steps, one redo step and a selection.
std::unique_ptr<CEditorDoc> DocumentWithHistory(TestApp& t);

// The text every save target holds before an operation runs.
inline constexpr const char* kUsersOldFile = "the user's old file";
