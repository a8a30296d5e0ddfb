// The hyperlink control and the dialogs that carry links: colours, visited
// state, tooltip, the open fallback and its error texts, and the texts and
// link ids of the About, Help and media dialogs.
#include "gui/dialogs/link_label.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/link_rules.h"
#include "gui/dialogs/about_dialog.h"
#include "gui/dialogs/media_support_dialog.h"
#include "resources/control_ids.h"
#include "tests/support/message_recorder.h"

namespace {

// A desktop whose answers the test sets; records what was started.
class FakeShell : public links::LinkShell {
 public:
  int ShellOpen(const std::string& target) override {
    opened.push_back(target);
    return shellResult;
  }
  bool HtmlOpenCommand(std::string* command) override {
    if (htmlCommand.empty()) return false;
    *command = htmlCommand;
    return true;
  }
  int StartCommand(const std::string& commandLine) override {
    started.push_back(commandLine);
    return startResult;
  }

  int shellResult = links::kOpenSucceeded;
  std::string htmlCommand;
  int startResult = links::kOpenSucceeded;
  std::vector<std::string> opened;
  std::vector<std::string> started;
};

QString LabelTexts(const QWidget& dialog) {
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
  return texts.join("|");
}

}  // namespace

TEST(LinkRules, ErrorTextsForShellResults) {
  const struct {
    int result;
    const char* text;
  } cases[] = {
      {0, "The operating system is out\nof memory or resources."},
      {2, "The specified file was not found."},
      {26, "A sharing violation occurred. "},
      {30,
       "The DDE transaction could not\nbe completed because other DDE transactions\nwere being "
       "processed."},
      {31, "There is no application associated\nwith the given filename extension."},
      {32, "The specified dynamic-link library was not found."},
      {4, "Unknown Error (4) occurred."},
      {-7, "Unknown Error (-7) occurred."},
  };
  for (const auto& c : cases) EXPECT_EQ(links::OpenErrorText(c.result), c.text) << c.result;
  EXPECT_EQ(links::OpenFailureMessage(31),
            "Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
            "filename extension.");
}

TEST(LinkRules, FallbackCommandCutsAtTheFileArgument) {
  const struct {
    const char* command;
    const char* line;
  } cases[] = {
      {"\"C:\\browser.exe\" -nohome \"%1\"", "\"C:\\browser.exe\" -nohome  T"},
      {"browser.exe %1", "browser.exe  T"},
      {"firefox %u", "firefox  T"},
      {"chromium --new-window %U --flag", "chromium --new-window  T"},
      // A quoted argument wins even when an unquoted code comes first.
      {"app %f --open \"%u\"", "app %f --open  T"},
      {"viewer", "viewer T"},
  };
  for (const auto& c : cases) EXPECT_EQ(links::FallbackCommandLine(c.command, "T"), c.line);
}

TEST(LinkRules, OpenFallsBackToTheHtmlApplication) {
  FakeShell shell;
  shell.shellResult = links::kOpenNoAssociation;
  // No HTML application: the desktop's result stands.
  EXPECT_EQ(links::OpenTarget("https://a.example/", shell), links::kOpenNoAssociation);
  EXPECT_TRUE(shell.started.empty());

  shell.htmlCommand = "browser --new %u";
  EXPECT_TRUE(links::OpenSucceeded(links::OpenTarget("https://a.example/", shell)));
  ASSERT_EQ(shell.started.size(), 1u);
  EXPECT_EQ(shell.started[0], "browser --new  https://a.example/");

  shell.startResult = links::kOpenFileNotFound;
  EXPECT_EQ(links::OpenTarget("https://a.example/", shell), links::kOpenFileNotFound);
}

TEST(LinkRules, FitToTextKeepsTheAnchorOfItsAlignment) {
  const links::Rect old{10, 20, 100, 30};
  using H = links::HorizontalAlign;
  EXPECT_EQ(links::FitToText(old, 40, 10, H::Left, false), (links::Rect{10, 20, 40, 10}));
  EXPECT_EQ(links::FitToText(old, 40, 10, H::Center, false), (links::Rect{40, 20, 40, 10}));
  EXPECT_EQ(links::FitToText(old, 40, 10, H::Right, false), (links::Rect{70, 20, 40, 10}));
  EXPECT_EQ(links::FitToText(old, 40, 10, H::Left, true), (links::Rect{10, 30, 40, 10}));
}

TEST(LinkLabel, ColoursTooltipCursorAndText) {
  CLinkLabel link("Site", "https://a.example/", 1262);
  EXPECT_EQ(link.objectName(), "1262");
  EXPECT_EQ(link.TextColor(), QColor(0, 0, 238));
  EXPECT_EQ(link.VisitedColor(), QColor(85, 26, 139));
  EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(0, 0, 238));
  EXPECT_EQ(link.toolTip(), "https://a.example/");
  EXPECT_EQ(link.cursor().shape(), Qt::PointingHandCursor);
  EXPECT_TRUE(link.Underline());
  link.SetUnderline(false);
  EXPECT_FALSE(link.Underline());
  // Fitted: exactly the text's size.
  EXPECT_EQ(link.size(), link.fontMetrics().size(0, "Site"));

  // A control without text shows its target; one without target opens its text.
  CLinkLabel bare("", "mailto:x@a.example", 1263);
  EXPECT_EQ(bare.text(), "mailto:x@a.example");
  CLinkLabel textOnly("https://b.example/", "", 1264);
  EXPECT_EQ(textOnly.Target(), "https://b.example/");
  EXPECT_EQ(textOnly.toolTip(), "https://b.example/");
}

TEST(LinkLabel, HoverWinsOverVisitedAndLeavesWithTheMouse) {
  CLinkLabel link("Site", "https://a.example/", 1262);
  link.show();
  QTest::mouseMove(&link, QPoint(2, 2));
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QApplication::sendEvent(&link, &enter);
  EXPECT_TRUE(link.IsHovering());
  EXPECT_EQ(link.TextColor(), link.HoverColor());
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&link, &leave);
  EXPECT_FALSE(link.IsHovering());
  EXPECT_EQ(link.TextColor(), QColor(0, 0, 238));
}

TEST(LinkLabel, ClickOpensAndTurnsVisitedOrReportsTheFailure) {
  MessageRecorder messages;
  FakeShell shell;
  CLinkLabel link("Site", "https://a.example/", 1262);
  link.SetShell(&shell);
  link.show();

  // The desktop fails, the HTML application opens it: visited.
  shell.shellResult = links::kOpenNoAssociation;
  shell.htmlCommand = "browser %u";
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(2, 2));
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], "https://a.example/");
  EXPECT_TRUE(link.IsVisited());
  EXPECT_TRUE(messages.Messages().empty());

  // Nothing can open it: one message, the link stays as it was.
  CLinkLabel other("Other", "https://b.example/", 1263);
  FakeShell failing;
  failing.shellResult = links::kOpenNoAssociation;
  other.SetShell(&failing);
  EXPECT_EQ(other.Open(), links::kOpenNoAssociation);
  EXPECT_FALSE(other.IsVisited());
  EXPECT_EQ(other.TextColor(), QColor(0, 0, 238));
  ASSERT_EQ(messages.Messages().size(), 1u);
  EXPECT_EQ(messages.Messages()[0],
            "Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
            "filename extension.");
}

TEST(HelpDialogs, IdsTitlesTextsAndLinks) {
  struct Expect {
    int id;
    const char* target;
  };
  const auto checkLinks = [](QWidget& dialog, std::initializer_list<Expect> expected) {
    for (const Expect& e : expected) {
      auto* link = dialog.findChild<CLinkLabel*>(QString::number(e.id));
      ASSERT_NE(link, nullptr) << e.id;
      EXPECT_EQ(link->Target().toStdString(), e.target);
      EXPECT_FALSE(link->Underline());
    }
  };

  CAboutDialog about;
  EXPECT_EQ(about.objectName(), "100");
  EXPECT_TRUE(
      LabelTexts(about).contains("MP3 Conversions Provided by L.A.M.E. Open Source Project"));
  EXPECT_TRUE(LabelTexts(about).contains(kProductLine));
  checkLinks(
      about,
      {{1262, links::kProductSite}, {1263, links::kContactMail}, {1264, links::kLameProject}});

  CHelpDialog help;
  EXPECT_EQ(help.objectName(), "247");
  EXPECT_TRUE(LabelTexts(help).contains("For comprehensive web based help and FAQ:"));
  EXPECT_TRUE(LabelTexts(help).contains("Feel free to email any question you have to:"));
  checkLinks(help, {{1262, links::kWebHelp}, {1263, links::kContactMail}});

  CMediaSupportDialog media;
  EXPECT_EQ(media.objectName(), "282");
  EXPECT_EQ(media.windowTitle(), "Media Support Needed");
  EXPECT_TRUE(LabelTexts(media).contains(kMediaSupportRebootText));
  EXPECT_TRUE(LabelTexts(media).contains(
      "Without this package you will not be able to open, edit or save WMA files.  Click the "
      "following link to download the Windows Media pack"));
  checkLinks(media, {{1137, links::kMediaRuntimeDownload}});

  CWmRedistributionDialog redistribution;
  EXPECT_EQ(redistribution.objectName(), "308");
  EXPECT_EQ(redistribution.windowTitle(), "Windows Media Redistribution ");
  EXPECT_TRUE(LabelTexts(redistribution)
                  .contains("The Windows Media Redistribution package failed to install.  "
                            "Without this package installed, you will not be able to open or save "
                            "Windows Media Files. "));
  EXPECT_TRUE(LabelTexts(redistribution)
                  .contains("Click here to download the Windows Media Redistribution package:"));
  checkLinks(redistribution, {{1137, links::kMediaRuntimeDownload}});

  // OK (id 1) closes each of them accepted.
  for (QDialog* dialog : std::initializer_list<QDialog*>{&about, &help, &media, &redistribution}) {
    dialog->show();
    dialog->findChild<QPushButton*>("1")->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted) << dialog->objectName().toStdString();
  }
}
