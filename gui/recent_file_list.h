// The recent-file list of the File menu: four entries in the per-user
// profile beside the window placement, newest first.
#pragma once

#include <QString>
#include <QStringList>

class CRecentFileList {
 public:
  static constexpr int kSize = 4;
  CRecentFileList();
  void Add(const QString& path);
  void Remove(const QString& path);
  const QStringList& Files() const { return files_; }

 private:
  void Write() const;
  QStringList files_;
};
