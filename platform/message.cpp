#include "platform/message.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <utility>

namespace platform {
namespace {

void WriteToStderr(std::string_view text, MessageIcon /*icon*/) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(stderr);
}

// The sink may be replaced from the GUI thread while an audio thread reports a
// device failure, so the slot itself is guarded; the sink runs unlocked.
std::mutex& SinkMutex() {
  static std::mutex mutex;
  return mutex;
}

MessageSink& CurrentSink() {
  static MessageSink sink = WriteToStderr;
  return sink;
}

MessageGroupSink& CurrentGroupSink() {
  static MessageGroupSink sink;
  return sink;
}

// FirstMessageOnly's state on this thread: how many scopes are open, and
// whether the first message has been shown in them.
thread_local int firstOnlyDepth = 0;
thread_local bool firstShown = false;

// MessageGroup's state on this thread: how many are open, and what they hold.
struct HeldMessage {
  std::string text;
  MessageIcon icon;
};
thread_local int groupDepth = 0;
thread_local std::vector<HeldMessage> held;

MessageSink TheSink() {
  std::lock_guard lock(SinkMutex());
  return CurrentSink();
}

// How serious an icon is, for the icon of a group.
int Severity(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error:
      return 3;
    case MessageIcon::Warning:
      return 2;
    case MessageIcon::Question:
      return 1;
    case MessageIcon::Information:
      return 0;
  }
  return 0;
}

std::string FormatV(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::string text(static_cast<size_t>(needed), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

}  // namespace

void ShowMessage(std::string_view text, MessageIcon icon) {
  if (firstOnlyDepth > 0) {
    if (firstShown) return;
    firstShown = true;
  }
  if (groupDepth > 0) {
    held.push_back({std::string(text), icon});
    return;
  }
  TheSink()(text, icon);
}

void ShowMessageF(const char* format, ...) {
  va_list args;
  va_start(args, format);
  const std::string text = FormatV(format, args);
  va_end(args);
  ShowMessage(text);
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  return text;
}

FirstMessageOnly::FirstMessageOnly() {
  if (firstOnlyDepth++ == 0) firstShown = false;
}

FirstMessageOnly::~FirstMessageOnly() {
  --firstOnlyDepth;
}

MessageGroup::MessageGroup() {
  ++groupDepth;
}

MessageGroup::~MessageGroup() {
  if (--groupDepth > 0 || held.empty()) return;
  std::vector<HeldMessage> messages = std::move(held);
  held.clear();
  MessageGroupSink groupSink;
  {
    std::lock_guard lock(SinkMutex());
    groupSink = CurrentGroupSink();
  }
  if (!groupSink) {
    const MessageSink sink = TheSink();
    for (const HeldMessage& message : messages) sink(message.text, message.icon);
    return;
  }
  std::vector<std::string> texts;
  MessageIcon icon = messages.front().icon;
  for (HeldMessage& message : messages) {
    if (Severity(message.icon) > Severity(icon)) icon = message.icon;
    texts.push_back(std::move(message.text));
  }
  groupSink(texts, icon);
}

MessageGroupSink SetMessageGroupSink(MessageGroupSink sink) {
  std::lock_guard lock(SinkMutex());
  MessageGroupSink previous = std::move(CurrentGroupSink());
  CurrentGroupSink() = std::move(sink);
  return previous;
}

MessageSink SetMessageSink(MessageSink sink) {
  std::lock_guard lock(SinkMutex());
  MessageSink previous = std::move(CurrentSink());
  CurrentSink() = sink ? std::move(sink) : MessageSink(WriteToStderr);
  return previous;
}

}  // namespace platform
