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

// FirstMessageOnly's state on this thread: how many scopes are open, and
// whether the first message has been shown in them.
thread_local int firstOnlyDepth = 0;
thread_local bool firstShown = false;

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
  MessageSink sink;
  {
    std::lock_guard lock(SinkMutex());
    sink = CurrentSink();
  }
  sink(text, icon);
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

MessageSink SetMessageSink(MessageSink sink) {
  std::lock_guard lock(SinkMutex());
  MessageSink previous = std::move(CurrentSink());
  CurrentSink() = sink ? std::move(sink) : MessageSink(WriteToStderr);
  return previous;
}

}  // namespace platform
