#include "app/link_rules.h"

#include <algorithm>
#include <array>

#include "platform/message.h"

namespace links {

LinkColorRole TextColorRole(bool hovering, bool visited) {
  if (hovering) return LinkColorRole::Hover;
  return visited ? LinkColorRole::Visited : LinkColorRole::Link;
}

void CompleteLinkText(std::string* text, std::string* target) {
  if (target->empty()) *target = *text;
  if (text->empty()) *text = *target;
}

std::string OpenErrorText(int result) {
  switch (result) {
    case 0:
      return "The operating system is out\nof memory or resources.";
    case 2:
      return "The specified file was not found.";
    case 3:
      return "The specified path was not found.";
    case 5:
      return "The operating system denied\naccess to the specified file.";
    case 8:
      return "There was not enough memory to complete the operation.";
    case 11:
      return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26:
      return "A sharing violation occurred. ";
    case 27:
      return "The filename association is\nincomplete or invalid.";
    case 28:
      return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
      return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not\nbe completed because other DDE transactions\nwere "
             "being processed.";
    case 31:
      return "There is no application associated\nwith the given filename extension.";
    case 32:
      return "The specified dynamic-link library was not found.";
    default:
      return platform::FormatText("Unknown Error (%d) occurred.", result);
  }
}

std::string OpenFailureMessage(int result) {
  return "Unable to open hyperlink:\n\n" + OpenErrorText(result);
}

std::string FallbackCommandLine(std::string_view command, std::string_view target) {
  static constexpr std::array<std::string_view, 5> kCodes = {"%1", "%u", "%U", "%f", "%F"};
  size_t cut = std::string_view::npos;
  // A quoted placeholder anywhere wins over an unquoted one earlier on.
  for (std::string_view code : kCodes) {
    const std::string quoted = "\"" + std::string(code) + "\"";
    cut = std::min(cut, command.find(quoted));
  }
  if (cut == std::string_view::npos) {
    for (std::string_view code : kCodes) cut = std::min(cut, command.find(code));
  }
  std::string line(command.substr(0, cut));
  line += ' ';
  line += target;
  return line;
}

int OpenTarget(const std::string& target, LinkShell& shell) {
  const int result = shell.ShellOpen(target);
  if (OpenSucceeded(result)) return result;
  std::string command;
  if (!shell.HtmlOpenCommand(&command) || command.empty()) return result;
  return shell.StartCommand(FallbackCommandLine(command, target));
}

Rect FitToText(const Rect& old, int textWidth, int textHeight, HorizontalAlign align,
               bool verticalCenter) {
  Rect fitted{old.x, old.y, textWidth, textHeight};
  if (align == HorizontalAlign::Center) fitted.x = old.x + (old.width - textWidth) / 2;
  if (align == HorizontalAlign::Right) fitted.x = old.x + old.width - textWidth;
  if (verticalCenter) fitted.y = old.y + (old.height - textHeight) / 2;
  return fitted;
}

}  // namespace links
