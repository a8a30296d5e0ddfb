#include "tests/support/message_recorder.h"

#include <utility>

MessageRecorder::MessageRecorder() {
  previous_ = platform::SetMessageSink([this](std::string_view text, platform::MessageIcon) {
    messages_.emplace_back(text);
    ++reports_;
  });
  previousGroup_ = platform::SetMessageGroupSink(
      [this](const std::vector<std::string>& texts, platform::MessageIcon) {
        messages_.insert(messages_.end(), texts.begin(), texts.end());
        ++reports_;
      });
}

MessageRecorder::~MessageRecorder() {
  platform::SetMessageGroupSink(std::move(previousGroup_));
  platform::SetMessageSink(std::move(previous_));
}
