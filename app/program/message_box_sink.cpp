#include "app/program/message_box_sink.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

void ShowMessageBox(std::string_view text, platform::MessageIcon icon) {
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
