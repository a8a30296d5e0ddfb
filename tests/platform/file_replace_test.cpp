// Putting a finished file in place of the user's file.
#include "platform/file_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/fault_injection.h"
#include "platform/file_discard.h"
#include "tests/support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// Descriptors of this process that still refer to `path`, or to the file
// that was at `path` before it was replaced.
int DescriptorsOf(const fs::path& path) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const std::string link = fs::read_symlink(entry.path(), error).string();
    if (!error && (link == path.string() || link == path.string() + " (deleted)")) ++count;
  }
  return count;
}

}  // namespace

// A small old file goes with the rename; a large one is held open across it
// and let go of in the background. Either way the target ends with the new
// content and the old permissions, and once the background is done no
// descriptor of the old file is left. When the rename fails the old file
// stays, whole.
TEST(ReplaceFile, TheOldFileIsLetGoOfWhateverItsSize) {
  struct Disarm {
    ~Disarm() { platform::DisarmFaults(); }
  } disarm;
  for (const long long oldSize : {100LL, platform::kDiscardInBackgroundBytes}) {
    for (const bool renameFails : {false, true}) {
      SCOPED_TRACE(testing::Message() << oldSize << " bytes, rename fails: " << renameFails);
      TempDir dir;
      const fs::path target = dir / "take.wav";
      const fs::path finished = dir / "finished";
      const std::string old(static_cast<size_t>(oldSize), 'o');
      WriteFileBytes(target, old);
      ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
      WriteFileBytes(finished, "new audio");
      if (renameFails) platform::ArmFault(platform::FileCall::Rename, 1, EIO);

      const platform::ReplaceStatus status = platform::ReplaceFile(finished, target);
      platform::DisarmFaults();
      platform::WaitForDiscards();

      EXPECT_EQ(DescriptorsOf(target), 0);
      struct stat st {};
      ASSERT_EQ(::stat(target.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u);
      if (renameFails) {
        EXPECT_EQ(status, platform::ReplaceStatus::MoveFailed);
        EXPECT_EQ(ReadFileBytes(target), old);
        EXPECT_TRUE(fs::exists(finished));
      } else {
        EXPECT_EQ(status, platform::ReplaceStatus::Done);
        EXPECT_EQ(ReadFileBytes(target), "new audio");
        EXPECT_FALSE(fs::exists(finished));
      }
    }
  }
}
