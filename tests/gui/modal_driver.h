// Answers modal dialogs for a test: whenever a modal dialog is up, the
// handler is called with it (by default it presses the dialog's button with
// the given id), and the window title of every dialog seen is recorded in
// order. Lets a test drive code that runs dialogs with exec().
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

class ModalDriver {
 public:
  using Handler = std::function<void(QDialog& dialog)>;

  explicit ModalDriver(Handler handler = {}) : handler_(std::move(handler)) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start();
  }

  // Presses the button whose objectName is `id`.
  static void Press(QDialog& dialog, int id) {
    if (auto* button = dialog.findChild<QAbstractButton*>(QString::number(id))) {
      button->click();
    } else {
      dialog.reject();
    }
  }

  const std::vector<std::string>& Titles() const { return titles_; }

 private:
  void Poll() {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || dialog == last_) return;
    last_ = dialog;
    titles_.push_back(dialog->windowTitle().toStdString());
    if (handler_) {
      handler_(*dialog);
    } else {
      // OK buttons carry 1, 1098 or 1112 depending on the dialog.
      for (int id : {1, 1098, 1112}) {
        if (dialog->findChild<QAbstractButton*>(QString::number(id)) != nullptr) {
          Press(*dialog, id);
          return;
        }
      }
      dialog->reject();
    }
  }

  Handler handler_;
  QTimer timer_;
  QPointer<QDialog> last_;
  std::vector<std::string> titles_;
};
