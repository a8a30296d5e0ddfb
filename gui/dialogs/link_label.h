// CLinkLabel: a text control that looks and behaves like a web link. It
// draws its text in the link colour (the visited colour once it was opened,
// the highlight colour while the mouse is over it), shows its target as a
// tooltip and a pointing hand, fits its size to its text and opens the
// target through the desktop when clicked. The rules are in link_rules.h.
#pragma once

#include <QColor>
#include <QLabel>
#include <memory>
#include <string>

#include "app/link_rules.h"

// The desktop: QDesktopServices, then the default application for HTML
// files as xdg-mime names it.
class DesktopLinkShell : public links::LinkShell {
 public:
  int ShellOpen(const std::string& target) override;
  bool HtmlOpenCommand(std::string* command) override;
  int StartCommand(const std::string& commandLine) override;
};

class CLinkLabel : public QLabel {
  Q_OBJECT

 public:
  // `text` is what the control shows, `target` what it opens; either may be
  // empty and then takes the other. `id` becomes the objectName.
  CLinkLabel(const QString& text, const QString& target, int id, QWidget* parent = nullptr);

  void SetTarget(const QString& target);
  QString Target() const { return target_; }
  void SetUnderline(bool underline);
  bool Underline() const { return font().underline(); }
  void SetFitToText(bool fit);

  bool IsHovering() const { return hovering_; }
  bool IsVisited() const { return visited_; }
  // The colour the text is drawn in now.
  QColor TextColor() const;
  QColor LinkColor() const { return linkColor_; }
  QColor VisitedColor() const { return visitedColor_; }
  QColor HoverColor() const;

  // Opens the target as a click does: visited on success, otherwise the
  // beep and the error message. Returns the shell result.
  int Open();
  // Tests put a stand-in desktop here; null restores the real one.
  void SetShell(links::LinkShell* shell);

 protected:
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetHovering(bool hovering);
  void ApplyColor();
  void Fit();

  QString target_;
  QColor linkColor_;
  QColor visitedColor_;
  bool hovering_ = false;
  bool visited_ = false;
  bool fitToText_ = true;
  DesktopLinkShell desktop_;
  links::LinkShell* shell_ = &desktop_;
};
