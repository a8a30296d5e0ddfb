// Random sequences of edits on small documents of every format, checked after
// every step against a plain in-memory model of the same splices.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "engine/op_codes.h"
#include "tests/edit/edit_test_support.h"

namespace {

struct Model {
  std::string audio;
  std::string clipboard;
  std::deque<std::string> undo;  // newest at the back, at most 4
  std::vector<std::string> redo;

  void Change(std::string next) {
    undo.push_back(audio);
    if (undo.size() > 4) undo.pop_front();
    redo.clear();
    audio = std::move(next);
  }
};

}  // namespace

TEST(EditProperty, RandomEditSequencesMatchTheModel) {
  const AudioFormat formats[] = {{1, 8, 8000}, {2, 8, 11025}, {1, 16, 22050}, {2, 16, 44100}};
  const OpCode codes[] = {OP_CUT,    OP_COPY, OP_PASTE_INSERT, OP_PASTE_OVER,
                          OP_DELETE, OP_UNDO, OP_REDO};
  for (unsigned seed = 1; seed <= 12; ++seed) {
    const AudioFormat format = formats[seed % 4];
    const uint32_t block = static_cast<uint32_t>(format.BlockSize());
    std::mt19937 random(seed);
    TestApp t;
    Model model;
    model.audio = RandomAudio(format, 200 + random() % 3000, seed);
    auto doc = OpenDocument(t, format, model.audio);
    for (int step = 0; step < 60; ++step) {
      const uint32_t frames = doc->dataLength / block;
      const uint32_t a = frames ? random() % (frames + 1) : 0;
      const uint32_t b = frames ? random() % (frames + 1) : 0;
      doc->SetSelection(std::min(a, b) * block, std::max(a, b) * block);
      const uint32_t s = doc->Selection().Start(), e = doc->Selection().End();
      const OpCode code = codes[random() % std::size(codes)];
      // The commands' preconditions: a selection to cut, copy or delete, a
      // clipboard to paste, history to undo or redo.
      const bool refused =
          ((code == OP_CUT || code == OP_COPY || code == OP_DELETE) && s == e) ||
          ((code == OP_PASTE_INSERT || code == OP_PASTE_OVER) && model.clipboard.empty()) ||
          (code == OP_UNDO && model.undo.empty()) || (code == OP_REDO && model.redo.empty());
      if (refused) continue;
      const std::string trace = "seed " + std::to_string(seed) + " step " + std::to_string(step) +
                                " " + std::string(OperationCodeName(code));
      ASSERT_EQ(RunOp(*doc, code), OP_DONE) << trace;
      switch (code) {
        case OP_COPY:
          model.clipboard = model.audio.substr(s, e - s);
          model.redo.clear();
          break;
        case OP_CUT:
          model.clipboard = model.audio.substr(s, e - s);
          model.Change(model.audio.substr(0, s) + model.audio.substr(e));
          break;
        case OP_DELETE:
          model.Change(model.audio.substr(0, s) + model.audio.substr(e));
          break;
        case OP_PASTE_INSERT:
          model.Change(model.audio.substr(0, s) + model.clipboard + model.audio.substr(s));
          break;
        case OP_PASTE_OVER: {
          std::string next = model.audio.substr(0, s) + model.clipboard;
          if (next.size() < model.audio.size()) next += model.audio.substr(next.size());
          model.Change(next);
          break;
        }
        case OP_UNDO:
          model.redo.push_back(model.audio);
          model.audio = model.undo.back();
          model.undo.pop_back();
          break;
        case OP_REDO:
          model.undo.push_back(model.audio);
          model.audio = model.redo.back();
          model.redo.pop_back();
          break;
        default:
          break;
      }
      ASSERT_EQ(WorkingAudio(*doc), model.audio) << trace;
      ASSERT_EQ(SlotAudio(*doc->clip), model.clipboard) << trace;
      ASSERT_EQ(doc->undoCount, static_cast<int>(model.undo.size())) << trace;
      ASSERT_EQ(doc->redoCount, static_cast<int>(model.redo.size())) << trace;
      ExpectDocumentInvariants(*doc);
      ASSERT_TRUE(ScratchLeftovers(t).empty()) << trace;
    }
  }
}
