// Captures every message the code under test shows, in order, for the
// lifetime of the recorder; restores the previous sinks afterwards. The
// messages of a group are recorded one by one too; Reports() counts what the
// user would see: each group, and each message outside a group, once.
#pragma once

#include <string>
#include <vector>

#include "platform/message.h"

class MessageRecorder {
 public:
  MessageRecorder();
  ~MessageRecorder();
  MessageRecorder(const MessageRecorder&) = delete;
  MessageRecorder& operator=(const MessageRecorder&) = delete;

  const std::vector<std::string>& Messages() const { return messages_; }
  int Reports() const { return reports_; }
  void Clear() {
    messages_.clear();
    reports_ = 0;
  }

 private:
  std::vector<std::string> messages_;
  int reports_ = 0;
  platform::MessageSink previous_;
  platform::MessageGroupSink previousGroup_;
};
