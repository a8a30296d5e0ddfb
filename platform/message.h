// The editor's message box. Every failure and refusal is reported where it
// happens with a fixed English text; where that text ends up depends on the
// program: a modal box in the editor, one line on stderr in the batch tool, a
// recorder in the tests. The sink lives in a small shared library so that the
// run-time loaded codec libraries report through the same sink as the editor.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__GNUC__)
#define VELLMORE_PRINTF_LIKE(fmt_index, first_arg) \
  __attribute__((format(printf, fmt_index, first_arg)))
#else
#define VELLMORE_PRINTF_LIKE(fmt_index, first_arg)
#endif

namespace platform {

enum class MessageIcon { Information, Warning, Error, Question };

using MessageSink = std::function<void(std::string_view text, MessageIcon icon)>;

// Shows one message with an OK button and waits until it is dismissed.
// Nearly every message reports a failure or a refusal, so the warning icon is
// the default; a message that only informs says so.
void ShowMessage(std::string_view text, MessageIcon icon = MessageIcon::Warning);

// printf-style convenience for the many "...: %s" texts.
void ShowMessageF(const char* format, ...) VELLMORE_PRINTF_LIKE(1, 2);

// Formats like snprintf into a std::string of any length.
std::string FormatText(const char* format, ...) VELLMORE_PRINTF_LIKE(1, 2);

// While one lives on a thread, only the first message that thread shows
// reaches the sink. One user action that fails (opening a file) reports its
// failure once, not once for every layer it passes on the way out. Messages
// of other threads are not affected.
class FirstMessageOnly {
 public:
  FirstMessageOnly();
  ~FirstMessageOnly();
  FirstMessageOnly(const FirstMessageOnly&) = delete;
  FirstMessageOnly& operator=(const FirstMessageOnly&) = delete;
};

// While one lives on a thread, the messages that thread shows are held, and
// when the outermost one ends they are shown together: one failed operation
// is one report, however many layers describe it on the way out (the most
// specific first). Messages of other threads are not affected.
class MessageGroup {
 public:
  MessageGroup();
  ~MessageGroup();
  MessageGroup(const MessageGroup&) = delete;
  MessageGroup& operator=(const MessageGroup&) = delete;
};

// Where a group of held messages goes: `texts` in the order they were shown,
// `icon` the most serious of theirs.
using MessageGroupSink =
    std::function<void(const std::vector<std::string>& texts, MessageIcon icon)>;

// Installs a sink and returns the previous one. An empty sink restores the
// default, which writes one line per message to stderr.
MessageSink SetMessageSink(MessageSink sink);
// Installs the sink for groups and returns the previous one. Without one (an
// empty sink) a group's messages go to the message sink one by one, as if
// they had never been held.
MessageGroupSink SetMessageGroupSink(MessageGroupSink sink);

}  // namespace platform
