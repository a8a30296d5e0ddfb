// A read lease holds back a program that rewrites the file until the holder
// has been told.
#include "platform/read_lease.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/unique_fd.h"
#include "tests/support/temp_dir.h"

// The writer waits until the callback has run, and the callback still reads
// the old content, however long it takes.
TEST(ReadLease, ARewriteWaitsUntilTheHolderHasTakenWhatItNeeds) {
  TempDir dir;
  const std::string path = (dir / "take.wav").string();
  WriteFileBytes(path, "old audio");
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  ASSERT_TRUE(fd.Valid());
  std::string seenByCallback;
  std::atomic<int> breaks{0};
  auto lease = platform::ReadLease::Take(fd.Get(), [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    seenByCallback = ReadFileBytes(path);
    ++breaks;
  });
  ASSERT_NE(lease, nullptr);

  ASSERT_TRUE(RewriteInAnotherProcess(path, "new"));
  EXPECT_EQ(breaks.load(), 1);
  EXPECT_EQ(seenByCallback, "old audio");
  EXPECT_EQ(ReadFileBytes(path), "new");
}

// No lease on a file some descriptor may write; and once a lease is gone, a
// writer goes ahead without its callback.
TEST(ReadLease, NoLeaseOnAFileOpenForWritingAndNoneAfterItIsGone) {
  TempDir dir;
  const std::string path = (dir / "take.wav").string();
  WriteFileBytes(path, "old audio");
  platform::UniqueFd reader(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  {
    platform::UniqueFd writer(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
    EXPECT_EQ(platform::ReadLease::Take(reader.Get(), [] {}), nullptr);
  }

  std::atomic<int> breaks{0};
  auto lease = platform::ReadLease::Take(reader.Get(), [&] { ++breaks; });
  ASSERT_NE(lease, nullptr);
  lease.reset();
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(RewriteInAnotherProcess(path, "new"));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_EQ(breaks.load(), 0);
  EXPECT_EQ(ReadFileBytes(path), "new");
}
