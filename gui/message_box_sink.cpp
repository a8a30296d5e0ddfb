#include "gui/message_box_sink.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QThread>
#include <functional>
#include <string>

namespace {

QMessageBox::Icon BoxIcon(platform::MessageIcon icon) {
  switch (icon) {
    case platform::MessageIcon::Information:
      return QMessageBox::Information;
    case platform::MessageIcon::Warning:
      return QMessageBox::Warning;
    case platform::MessageIcon::Error:
      return QMessageBox::Critical;
    case platform::MessageIcon::Question:
      return QMessageBox::Question;
  }
  return QMessageBox::Information;
}

// Playback and recording report from their devices' threads, where no
// widget may be made: the box is shown on the interface thread, and the
// reporting thread waits for it as it would for its own modal box.
bool ShownOnInterfaceThread(const std::function<void()>& show) {
  QCoreApplication* qt = QCoreApplication::instance();
  if (qt == nullptr || QThread::currentThread() == qt->thread()) return false;
  QMetaObject::invokeMethod(qt, show, Qt::BlockingQueuedConnection);
  return true;
}

void ShowBox(const QString& text, const QString& details, platform::MessageIcon icon) {
  QMessageBox box(BoxIcon(icon), QApplication::applicationDisplayName(), text, QMessageBox::Ok,
                  QApplication::activeWindow());
  if (!details.isEmpty()) box.setDetailedText(details);
  box.exec();
}

}  // namespace

void ShowMessageBox(std::string_view text, platform::MessageIcon icon) {
  const std::string copy(text);
  if (ShownOnInterfaceThread([copy, icon] { ShowMessageBox(copy, icon); })) return;
  ShowBox(QString::fromStdString(copy), {}, icon);
}

void ShowMessageGroupBox(const std::vector<std::string>& texts, platform::MessageIcon icon) {
  if (texts.empty()) return;
  if (ShownOnInterfaceThread([texts, icon] { ShowMessageGroupBox(texts, icon); })) return;
  QStringList details;
  for (size_t i = 1; i < texts.size(); ++i) details << QString::fromStdString(texts[i]);
  ShowBox(QString::fromStdString(texts.front()), details.join('\n'), icon);
}
