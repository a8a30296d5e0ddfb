// Buffers handed to the background writer reach the file whole and in
// order, however many there are; after a failed write nothing more is
// written and the producer is told.

#include "platform/background_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/fault_injection.h"
#include "platform/unique_fd.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<uint8_t> Numbered(int n, size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(n * 7 + i);
  return bytes;
}

TEST(BackgroundWriter, WritesEveryBufferInOrder) {
  TempDir dir;
  const auto path = dir / "out.pcm";
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
  std::string expected;
  {
    platform::BackgroundWriter writer(fd.Get());
    // More than one batch, with buffers of varied sizes (and an empty one).
    for (int n = 0; n < 150; ++n) {
      std::vector<uint8_t> buffer = Numbered(n, static_cast<size_t>(n % 5) * 1000);
      expected.append(buffer.begin(), buffer.end());
      ASSERT_TRUE(writer.Write(buffer));
      EXPECT_TRUE(buffer.empty());
    }
    EXPECT_TRUE(writer.Finish());
  }
  EXPECT_EQ(ReadFileBytes(path), expected);
}

TEST(BackgroundWriter, AFailedWriteStopsTheStream) {
  TempDir dir;
  const auto path = dir / "out.pcm";
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
  platform::ArmFault(platform::FileCall::Write, 3, ENOSPC);
  platform::BackgroundWriter writer(fd.Get());
  bool refused = false;
  for (int n = 0; n < 200 && !refused; ++n) {
    std::vector<uint8_t> buffer = Numbered(n, 100);
    refused = !writer.Write(buffer);
  }
  EXPECT_FALSE(writer.Finish());
  platform::DisarmFaults();
  EXPECT_TRUE(refused) << "the producer went on after the failure";
  EXPECT_EQ(ReadFileBytes(path).size(), 200u) << "only the writes before the failed one";
}

}  // namespace
