#include "gui/recent_file_list.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const char* const kSection = "Recent File List";
}

CRecentFileList::CRecentFileList() {
  QSettings settings;
  for (int i = 1; i <= kSize; ++i) {
    const QString file = settings.value(QString("%1/File%2").arg(kSection).arg(i)).toString();
    if (!file.isEmpty()) files_.append(file);
  }
}

void CRecentFileList::Add(const QString& path) {
  const QString full = QFileInfo(path).absoluteFilePath();
  files_.removeAll(full);
  files_.prepend(full);
  while (files_.size() > kSize) files_.removeLast();
  Write();
}

void CRecentFileList::Remove(const QString& path) {
  files_.removeAll(path);
  Write();
}

void CRecentFileList::Write() const {
  QSettings settings;
  settings.remove(kSection);
  for (int i = 0; i < files_.size(); ++i) {
    settings.setValue(QString("%1/File%2").arg(kSection).arg(i + 1), files_[i]);
  }
}
