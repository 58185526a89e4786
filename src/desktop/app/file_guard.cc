#include "desktop/app/file_guard.h"

#include <QFileInfo>

namespace tallix {

QString SameFileAmong(const QString& target, std::span<const QString> files) {
  const QString canonical = QFileInfo(target).canonicalFilePath();
  if (canonical.isEmpty()) return {};
  for (const QString& file : files) {
    if (!file.isEmpty() && QFileInfo(file).canonicalFilePath() == canonical) return file;
  }
  return {};
}

}  // namespace tallix
