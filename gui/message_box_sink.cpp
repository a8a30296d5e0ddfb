#include "gui/message_box_sink.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QThread>
#include <string>

void ShowMessageBox(std::string_view text, platform::MessageIcon icon) {
  // Playback and recording report from their devices' threads, where no
  // widget may be made: the box is shown on the interface thread, and the
  // reporting thread waits for it as it would for its own modal box.
  QCoreApplication* qt = QCoreApplication::instance();
  if (qt != nullptr && QThread::currentThread() != qt->thread()) {
    const std::string copy(text);
    QMetaObject::invokeMethod(
        qt, [copy, icon] { ShowMessageBox(copy, icon); }, Qt::BlockingQueuedConnection);
    return;
  }
  QMessageBox::Icon boxIcon = QMessageBox::Information;
  switch (icon) {
    case platform::MessageIcon::Information:
      boxIcon = QMessageBox::Information;
      break;
    case platform::MessageIcon::Warning:
      boxIcon = QMessageBox::Warning;
      break;
    case platform::MessageIcon::Error:
      boxIcon = QMessageBox::Critical;
      break;
    case platform::MessageIcon::Question:
      boxIcon = QMessageBox::Question;
      break;
  }
  QMessageBox box(boxIcon, QApplication::applicationDisplayName(),
                  QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}
