// Cut and paste against sox doing the same splice on the same file.
#include <gtest/gtest.h>

#include "engine/op_codes.h"
#include "tests/edit/edit_test_support.h"

namespace {

std::string RawOf(const std::string& wav, const std::string& raw) {
  EXPECT_TRUE(RunCommand("sox '" + wav + "' -t raw '" + raw + "'"));
  return ReadFileBytes(raw);
}

}  // namespace

TEST(SoxPeer, CutAndPasteInsertMatchSoxSplices) {
  if (!HaveTool("sox")) GTEST_SKIP() << "sox is needed";
  TestApp t;
  const std::string source = t.FilePath("source.wav");
  ASSERT_TRUE(
      RunCommand("sox -n -r 22050 -c 2 -b 16 '" + source + "' synth 2 sine 300 sine 500 gain -3"));
  struct Case {
    uint32_t firstFrame, lastFrame;  // the selection, in frames
  };
  for (const Case c : {Case{1000, 5000}, Case{0, 700}, Case{40000, 44100}}) {
    CEditorDoc doc(t.App());
    ASSERT_TRUE(doc.OnOpenDocument(source));
    doc.SetSelection(c.firstFrame * 4, c.lastFrame * 4);

    // Cut: sox keeps [0, first) and [last, end).
    ASSERT_EQ(RunOp(doc, OP_CUT), OP_DONE);
    const std::string cutBySox = t.FilePath("cut.wav");
    ASSERT_TRUE(RunCommand("sox '" + source + "' '" + cutBySox + "' trim 0 " +
                           std::to_string(c.firstFrame) + "s =" + std::to_string(c.lastFrame) +
                           "s"));
    EXPECT_EQ(WorkingAudio(doc), RawOf(cutBySox, t.FilePath("cut.raw")));
    // The clipboard is sox's trim of the selection.
    const std::string clipBySox = t.FilePath("clip.wav");
    ASSERT_TRUE(RunCommand("sox '" + source + "' '" + clipBySox + "' trim " +
                           std::to_string(c.firstFrame) + "s =" + std::to_string(c.lastFrame) +
                           "s"));
    EXPECT_EQ(SlotAudio(*doc.clip), RawOf(clipBySox, t.FilePath("clip.raw")));

    // Paste insert at the start: sox concatenates the clip and the cut file.
    doc.SetSelection(0, 0);
    ASSERT_EQ(RunOp(doc, OP_PASTE_INSERT), OP_DONE);
    const std::string joined = t.FilePath("joined.wav");
    ASSERT_TRUE(RunCommand("sox '" + clipBySox + "' '" + cutBySox + "' '" + joined + "'"));
    EXPECT_EQ(WorkingAudio(doc), RawOf(joined, t.FilePath("joined.raw")));
  }
}
