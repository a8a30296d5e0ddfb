#include <gtest/gtest.h>

#include "platform/message.h"
#include "tests/support/message_recorder.h"

TEST(Message, RecorderSeesExactTextsInOrderAndRestoresPreviousSink) {
  std::vector<std::string> outer;
  auto previous = platform::SetMessageSink(
      [&](std::string_view text, platform::MessageIcon) { outer.emplace_back(text); });
  {
    MessageRecorder recorder;
    platform::ShowMessage("first");
    platform::ShowMessageF("DocMemMapFile: Failed to map file %s", "/tmp/a b.pcm");
    EXPECT_EQ(recorder.Messages(), (std::vector<std::string>{
                                       "first", "DocMemMapFile: Failed to map file /tmp/a b.pcm"}));
  }
  platform::ShowMessage("after");
  EXPECT_EQ(outer, std::vector<std::string>{"after"});
  platform::SetMessageSink(std::move(previous));
}

TEST(Message, FormatTextHandlesLongOutput) {
  const std::string long_path(5000, 'x');
  EXPECT_EQ(platform::FormatText("<%s>", long_path.c_str()).size(), 5002u);
}
