#include "gui/dialogs/link_label.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QFile>
#include <QMouseEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "platform/message.h"

namespace {

QColor ToQColor(const links::Rgb& rgb) {
  return QColor(rgb.r, rgb.g, rgb.b);
}

// The Exec line of a desktop entry's main section.
QString DesktopEntryExec(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  bool mainSection = false;
  while (!file.atEnd()) {
    const QString line = QString::fromUtf8(file.readLine()).trimmed();
    if (line.startsWith('[')) {
      mainSection = line == "[Desktop Entry]";
    } else if (mainSection && line.startsWith("Exec=")) {
      return line.mid(5);
    }
  }
  return {};
}

}  // namespace

int DesktopLinkShell::ShellOpen(const std::string& target) {
  const QUrl url = QUrl::fromUserInput(QString::fromStdString(target));
  return QDesktopServices::openUrl(url) ? links::kOpenSucceeded : links::kOpenNoAssociation;
}

bool DesktopLinkShell::HtmlOpenCommand(std::string* command) {
  QProcess query;
  query.start("xdg-mime", {"query", "default", "text/html"});
  if (!query.waitForFinished(3000) || query.exitCode() != 0) return false;
  const QString entry = QString::fromUtf8(query.readAllStandardOutput()).trimmed();
  if (entry.isEmpty()) return false;
  const QString path = QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
  if (path.isEmpty()) return false;
  const QString exec = DesktopEntryExec(path);
  if (exec.isEmpty()) return false;
  *command = exec.toStdString();
  return true;
}

int DesktopLinkShell::StartCommand(const std::string& commandLine) {
  QStringList parts = QProcess::splitCommand(QString::fromStdString(commandLine));
  if (parts.isEmpty()) return links::kOpenFileNotFound;
  const QString program = parts.takeFirst();
  return QProcess::startDetached(program, parts) ? links::kOpenSucceeded : links::kOpenFileNotFound;
}

CLinkLabel::CLinkLabel(const QString& text, const QString& target, int id, QWidget* parent)
    : QLabel(parent),
      linkColor_(ToQColor(links::kLinkColor)),
      visitedColor_(ToQColor(links::kVisitedColor)) {
  setObjectName(QString::number(id));
  std::string shown = text.toStdString();
  std::string opens = target.toStdString();
  links::CompleteLinkText(&shown, &opens);
  setText(QString::fromStdString(shown));
  target_ = QString::fromStdString(opens);
  setToolTip(target_);
  setCursor(Qt::PointingHandCursor);
  setMouseTracking(true);
  setAttribute(Qt::WA_TranslucentBackground);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  ApplyColor();
  Fit();
}

void CLinkLabel::SetTarget(const QString& target) {
  target_ = target;
  setToolTip(target_);
  Fit();
}

void CLinkLabel::SetUnderline(bool underline) {
  QFont changed = font();
  changed.setUnderline(underline);
  setFont(changed);
  update();
}

void CLinkLabel::SetFitToText(bool fit) {
  fitToText_ = fit;
  Fit();
}

QColor CLinkLabel::HoverColor() const {
  return palette().color(QPalette::Active, QPalette::Highlight);
}

QColor CLinkLabel::TextColor() const {
  switch (links::TextColorRole(hovering_, visited_)) {
    case links::LinkColorRole::Hover:
      return HoverColor();
    case links::LinkColorRole::Visited:
      return visitedColor_;
    case links::LinkColorRole::Link:
      break;
  }
  return linkColor_;
}

void CLinkLabel::ApplyColor() {
  QPalette colors = palette();
  colors.setColor(QPalette::WindowText, TextColor());
  setPalette(colors);
  update();
}

// The control takes exactly its text's size; in a layout the size hint is
// what counts, so the policy keeps it from stretching.
void CLinkLabel::Fit() {
  if (!fitToText_) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    return;
  }
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  const QSize textSize = fontMetrics().size(0, text());
  const Qt::Alignment align = alignment();
  const links::HorizontalAlign horizontal =
      (align & Qt::AlignHCenter) ? links::HorizontalAlign::Center
      : (align & Qt::AlignRight) ? links::HorizontalAlign::Right
                                 : links::HorizontalAlign::Left;
  const QRect old = geometry();
  const links::Rect fitted =
      links::FitToText({old.x(), old.y(), old.width(), old.height()}, textSize.width(),
                       textSize.height(), horizontal, (align & Qt::AlignVCenter) != 0);
  setGeometry(fitted.x, fitted.y, fitted.width, fitted.height);
  updateGeometry();
}

void CLinkLabel::SetHovering(bool hovering) {
  if (hovering_ == hovering) return;
  hovering_ = hovering;
  ApplyColor();
}

void CLinkLabel::enterEvent(QEnterEvent* event) {
  SetHovering(true);
  QLabel::enterEvent(event);
}

void CLinkLabel::leaveEvent(QEvent* event) {
  SetHovering(false);
  QLabel::leaveEvent(event);
}

void CLinkLabel::mouseMoveEvent(QMouseEvent* event) {
  SetHovering(rect().contains(event->position().toPoint()));
  QLabel::mouseMoveEvent(event);
}

void CLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
    Open();
  }
  QLabel::mouseReleaseEvent(event);
}

int CLinkLabel::Open() {
  const int result = links::OpenTarget(target_.toStdString(), *shell_);
  if (links::OpenSucceeded(result)) {
    visited_ = true;
    ApplyColor();
  } else {
    QApplication::beep();
    platform::ShowMessage(links::OpenFailureMessage(result), platform::MessageIcon::Warning);
  }
  return result;
}

void CLinkLabel::SetShell(links::LinkShell* shell) {
  shell_ = shell != nullptr ? shell : &desktop_;
}
