#include "desktop/app/qt_text.h"

#include <QByteArray>

#include "engine/util/visible_text.h"

namespace tallix {

QString ToQt(std::string_view bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string FromQt(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString ToQtMessage(std::string_view bytes) { return ToQt(VisibleText(bytes)); }

}  // namespace tallix
