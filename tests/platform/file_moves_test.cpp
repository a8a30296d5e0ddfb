// A group of renames takes effect entirely or not at all.
#include "platform/file_moves.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/fault_injection.h"
#include "tests/support/temp_dir.h"

namespace {

struct Files {
  TempDir dir;
  std::string Path(const char* name) const { return (dir / name).string(); }
  void Put(const char* name, const char* text) const { WriteFileBytes(dir / name, text); }
  std::string Read(const char* name) const {
    return std::filesystem::exists(dir / name) ? ReadFileBytes(dir / name) : "(none)";
  }
  size_t Count() const {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
      ++count;
    }
    return count;
  }
};

}  // namespace

TEST(FileMoves, CommitKeepsTheMovesAndDeletesWhatTheyReplaced) {
  Files f;
  f.Put("new.pcm", "new audio");
  f.Put("work.pcm", "old audio");
  f.Put("old.pek", "old peaks");
  platform::FileMoves moves;
  ASSERT_TRUE(moves.Move(f.Path("new.pcm"), f.Path("work.pcm")));
  ASSERT_TRUE(moves.Remove(f.Path("old.pek")));
  ASSERT_TRUE(moves.Remove(f.Path("absent.pek")));  // nothing there is nothing to do
  moves.Commit();
  EXPECT_EQ(f.Read("work.pcm"), "new audio");
  EXPECT_EQ(f.Read("old.pek"), "(none)");
  EXPECT_EQ(f.Count(), 1u);  // no kept file outlives the commit
}

TEST(FileMoves, AFailedStepOrNoCommitPutsEverythingBack) {
  struct Disarm {
    ~Disarm() { platform::DisarmFaults(); }
  } disarm;
  // Each rename of the group in turn fails: the first keeps the old PCM,
  // the second moves the new one, the third and fourth do the same for the
  // peaks. Without a fault the group is dropped uncommitted.
  for (int failing = 0; failing <= 4; ++failing) {
    Files f;
    f.Put("new.pcm", "new audio");
    f.Put("new.pek", "new peaks");
    f.Put("work.pcm", "old audio");
    f.Put("work.pek", "old peaks");
    {
      platform::FileMoves moves;
      if (failing > 0) platform::ArmFault(platform::FileCall::Rename, failing, EIO);
      const bool pcm = moves.Move(f.Path("new.pcm"), f.Path("work.pcm"));
      const bool peaks = pcm && moves.Move(f.Path("new.pek"), f.Path("work.pek"));
      platform::DisarmFaults();
      EXPECT_EQ(pcm && peaks, failing == 0) << failing;
    }
    EXPECT_EQ(f.Read("work.pcm"), "old audio") << failing;
    EXPECT_EQ(f.Read("work.pek"), "old peaks") << failing;
    EXPECT_EQ(f.Read("new.pcm"), "new audio") << failing;
    EXPECT_EQ(f.Read("new.pek"), "new peaks") << failing;
    EXPECT_EQ(f.Count(), 4u) << failing;
  }
}

TEST(FileMoves, RollBackToAMarkKeepsTheEarlierMoves) {
  Files f;
  f.Put("a", "A");
  f.Put("b", "B");
  platform::FileMoves moves;
  ASSERT_TRUE(moves.Move(f.Path("a"), f.Path("x")));
  const size_t mark = moves.Mark();
  ASSERT_TRUE(moves.Move(f.Path("b"), f.Path("y")));
  EXPECT_TRUE(moves.RollBackTo(mark));
  EXPECT_EQ(f.Read("b"), "B");
  EXPECT_EQ(f.Read("y"), "(none)");
  moves.Commit();
  EXPECT_EQ(f.Read("x"), "A");
}
