#include "batch/terminal_progress.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "engine/op_codes.h"
#include "platform/unique_fd.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

void OnInterrupt(int /*signal*/) {
  interrupted = 1;
}

// A broken terminal only loses the bar.
void WriteAll(int fd, const std::string& text) {
  (void)platform::WriteFully(fd, text.data(), text.size());
}

int TerminalWidth(int fd) {
  struct winsize size {};
  if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
  return 80;
}

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() {
  return interrupted != 0;
}

TerminalProgress::TerminalProgress(int fd) : fd_(fd), show_(::isatty(fd) == 1) {}

OpResult TerminalProgress::Run(OpCode /*code*/, const Operation& operation) {
  ResetCounters();
  caption_.clear();
  cancelDisabled_ = false;
  const OpResult result = operation ? operation(*this) : OP_PENDING;
  ClearLine();
  return result;
}

void TerminalProgress::SetCaption(std::string_view text) {
  caption_.assign(text);
  if (drawn_) Draw(LastPercent());
}

bool TerminalProgress::IsCancelled() const {
  return !cancelDisabled_ && InterruptRequested();
}

void TerminalProgress::ClearLine() {
  if (!drawn_) return;
  WriteAll(fd_, "\r\033[K");
  drawn_ = false;
}

void TerminalProgress::OnPercentChanged(int percent) {
  Draw(percent);
}

void TerminalProgress::Draw(int percent) {
  if (!show_) return;
  percent = std::clamp(percent, 0, 100);
  const int width = TerminalWidth(fd_);
  // caption, blank, [bar], blank, "100%": the caption gives way first.
  constexpr int kBar = 30;
  const int room = std::max(0, width - 1 - (kBar + 2) - 5 - 1);
  std::string line = "\r" + caption_.substr(0, static_cast<size_t>(room));
  if (!line.empty() && line.size() > 1) line += ' ';
  const int filled = percent * kBar / 100;
  line += '[';
  line.append(static_cast<size_t>(filled), '#');
  line.append(static_cast<size_t>(kBar - filled), '.');
  line += "] ";
  line += std::to_string(percent) + "%\033[K";
  WriteAll(fd_, line);
  drawn_ = true;
}
