// What a hyperlink control does, apart from drawing: its colours, how it
// opens its target (the desktop first, then the default HTML application's
// command line), the texts of a failed open, and how it fits its text. Plain
// code, so the rules are checked without a window.
#pragma once

#include <string>
#include <string_view>

namespace links {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kLinkColor{0, 0, 238};
inline constexpr Rgb kVisitedColor{85, 26, 139};

// Which colour the text is drawn in: hovering wins over visited.
enum class LinkColorRole { Link, Visited, Hover };
LinkColorRole TextColorRole(bool hovering, bool visited);

// A text-only control shows its target, a control without a target opens
// its text.
void CompleteLinkText(std::string* text, std::string* target);

// Open results follow the desktop shell convention: above 32 is success,
// anything else an error number with a text of its own.
inline constexpr int kOpenSucceeded = 33;
inline constexpr int kOpenFileNotFound = 2;
inline constexpr int kOpenNoAssociation = 31;
inline bool OpenSucceeded(int result) {
  return result > 32;
}

// "The specified file was not found." for 2, ... "Unknown Error (%d)
// occurred." for a number without a text of its own.
std::string OpenErrorText(int result);
// The whole message of a failed open.
std::string OpenFailureMessage(int result);

// Cuts an application's command line where its file argument goes (a quoted
// "%1"-style placeholder first, else an unquoted one) and appends a blank
// and the target. Desktop entries name the argument %u, %U, %f or %F, the
// older registry style %1; all are understood.
std::string FallbackCommandLine(std::string_view command, std::string_view target);

// The two ways of opening, so tests can stand in for the desktop.
class LinkShell {
 public:
  virtual ~LinkShell() = default;
  // Asks the desktop to open the target; a shell result.
  virtual int ShellOpen(const std::string& target) = 0;
  // The open command of the default application for HTML files; false when
  // there is none.
  virtual bool HtmlOpenCommand(std::string* command) = 0;
  // Starts a command line; a shell result.
  virtual int StartCommand(const std::string& commandLine) = 0;
};

// The desktop first; when it fails, the HTML application with the target
// appended. When no HTML application is known the desktop's result stands.
int OpenTarget(const std::string& target, LinkShell& shell);

// Alignment of a fitted control inside its old rectangle.
struct Rect {
  int x, y, width, height;
  friend bool operator==(const Rect&, const Rect&) = default;
};
enum class HorizontalAlign { Left, Center, Right };
// The rectangle of a control resized to its text: the top-left corner is
// kept, a centred control is re-centred on its old rectangle, a right-aligned
// one keeps its right edge, a vertically centred one is re-centred vertically.
Rect FitToText(const Rect& old, int textWidth, int textHeight, HorizontalAlign align,
               bool verticalCenter);

// The addresses behind the editor's links.
inline constexpr const char* kProductSite = "https://vellmore.example.org/";
inline constexpr const char* kWebHelp = "https://vellmore.example.org/help/";
inline constexpr const char* kContactMail = "mailto:support@vellmore.example.org";
inline constexpr const char* kLameProject = "https://lame.sourceforge.io/";
inline constexpr const char* kMediaRuntimeDownload = "https://vellmore.example.org/media-support/";

}  // namespace links
