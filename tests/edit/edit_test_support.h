// Documents with audio for the editing tests, and a tool of the tests' own.
#pragma once

#include <memory>
#include <string>

#include "engine/editor_doc.h"
#include "engine/effect_tool.h"
#include "tests/support/test_app.h"

// Random bytes that are whole frames of `format`.
std::string RandomAudio(const AudioFormat& format, uint32_t frames, unsigned seed);

// A document opened from a WAV file holding `pcm`.
std::unique_ptr<CEditorDoc> OpenDocument(TestApp& t, const AudioFormat& format,
                                         const std::string& pcm);

// Runs one operation the way a command does and returns its result.
OpResult RunOp(CEditorDoc& doc, OpCode code);

std::string WorkingAudio(const CEditorDoc& doc);
std::string SlotAudio(const TempAudioFile& slot);

// Checks what must hold between operations: lengths agree with the working
// slot and its files, positions lie inside the audio on frame boundaries.
void ExpectDocumentInvariants(const CEditorDoc& doc);

// Files in the run folder that belong to scratch slots and hold data.
std::vector<std::string> ScratchLeftovers(TestApp& t);

// Inverts every byte of its range: easy to predict, and not its own undo.
class InvertTool : public EffectTool {
 public:
  explicit InvertTool(int scope = ENTIRE_FILE) : scope(scope) {}
  int Scope() const override { return scope; }
  OpResult PerformAction(CEditorDoc& doc, Progress& progress) override;
  int scope;
  OpResult result = OP_DONE;  // what PerformAction returns after writing B
};
