#include "tests/support/message_recorder.h"

#include <utility>

MessageRecorder::MessageRecorder() {
  previous_ = platform::SetMessageSink(
      [this](std::string_view text, platform::MessageIcon) { messages_.emplace_back(text); });
}

MessageRecorder::~MessageRecorder() {
  platform::SetMessageSink(std::move(previous_));
}
