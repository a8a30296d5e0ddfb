#include "gui/program_icon.h"

namespace {

const char* const kIconName = "org.vellmore.Editor";

QIcon BuiltInIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QString(":/icons/%1x%1/%2.png").arg(size).arg(kIconName), QSize(size, size));
  }
  return icon;
}

}  // namespace

QIcon ProgramIcon() {
  return QIcon::fromTheme(kIconName, BuiltInIcon());
}
