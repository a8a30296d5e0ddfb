// Captures every message the code under test shows, in order, for the
// lifetime of the recorder; restores the previous sink afterwards.
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
  void Clear() { messages_.clear(); }

 private:
  std::vector<std::string> messages_;
  platform::MessageSink previous_;
};
